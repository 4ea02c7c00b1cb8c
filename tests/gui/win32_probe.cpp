// Reads Tolvane's state from outside its process for the GUI tests, and starts it with a
// chosen show command. Messages that need a buffer get one in the program's own memory.
//   probe state                 key=value lines: visibility, placement, list count, status
//   probe rows                  the list's rows, one per line, cells separated by tabs
//   probe firstshow EXE         starts EXE and reports the list at the moment it turns visible
//   probe launch EXE SHOWCMD    starts EXE with that show command, waits, exits with its code
//   probe errorbox              caption and text of the program's message box
//   probe ok                    presses OK in that box
//   probe restore               restores the minimised program through its taskbar entry
//   probe taskbarclose          chooses Close on the taskbar entry's window menu
//   probe toolbutton N          screen coordinates of the centre of toolbar button N (0-3)
//   probe menubar               screen coordinates of the File menu's title in the menu bar
//   probe hold FILE SECONDS     keeps FILE open for reading, shared for reading only
//   probe savedialog            the program's Save dialog: caption, name field, placement
//   probe dialog CAPTION        the program's visible dialog of that caption: its window and
//                               client rectangles, the work area it should be placed on, the
//                               texts of its edit boxes
//   probe postkeys VK COUNT MS  posts COUNT key presses of VK to the list, MS milliseconds apart
//   probe rowsperpage           rows per printed page on the default printer, worked out here
//                               from its page metrics and the body font's line height
//   probe menutext CAPTION      screen coordinates of the centre of a menu bar caption (&Help)
//   probe popup                 screen rectangle of the open drop-down menu
//   probe bystander SECONDS     shows a window of another program, unactivated, for that long,
//                               then says how many times the system activated it
//   probe about                 the About box: shown, place, client area, who has the input
//   probe cursor                the pointer's position and the cursor the program shows
//   probe findtext FACE HEIGHT STYLE RRGGBB BACK TEXT
//                               where the About box shows TEXT as the program would draw it
//                               in that font (STYLE: r, b, u, bu) and colour over BACK
//                               (white or face): its top-left in client coordinates
#include <windows.h>
#include <commctrl.h>
#include <commdlg.h>
#include <dlgs.h>
#include <winspool.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "common/win32_handles.h"

namespace {

HWND MainWindow() { return FindWindowA("TForm1", nullptr); }
HWND AppWindow() { return FindWindowA("TolvaneApplication", nullptr); }

HWND Child(HWND parent, const char* className) {
  return FindWindowExA(parent, nullptr, className, nullptr);
}

// A buffer in the program's address space.
class RemoteBuffer {
 public:
  RemoteBuffer(HWND window, SIZE_T size) : size_(size) {
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    process_ = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid);
    if (process_) address_ = VirtualAllocEx(process_, nullptr, size, MEM_COMMIT, PAGE_READWRITE);
  }
  ~RemoteBuffer() {
    if (address_) VirtualFreeEx(process_, address_, 0, MEM_RELEASE);
    if (process_) CloseHandle(process_);
  }
  bool Ok() const { return address_ != nullptr; }
  char* Address() const { return static_cast<char*>(address_); }
  void Write(SIZE_T offset, const void* data, SIZE_T size) {
    WriteProcessMemory(process_, Address() + offset, data, size, nullptr);
  }
  void Read(SIZE_T offset, void* data, SIZE_T size) {
    ReadProcessMemory(process_, Address() + offset, data, size, nullptr);
  }

 private:
  HANDLE process_ = nullptr;
  void* address_ = nullptr;
  SIZE_T size_;
};

std::string StatusText(HWND status, int panel) {
  RemoteBuffer buffer(status, 1024);
  if (!buffer.Ok()) return "?";
  SendMessageA(status, SB_GETTEXTA, panel, reinterpret_cast<LPARAM>(buffer.Address()));
  char text[1024] = {};
  buffer.Read(0, text, sizeof(text) - 1);
  return text;
}

std::string CellText(HWND list, int row, int column) {
  RemoteBuffer buffer(list, sizeof(LVITEMA) + 1024);
  if (!buffer.Ok()) return "?";
  LVITEMA item{};
  item.iSubItem = column;
  item.pszText = buffer.Address() + sizeof(LVITEMA);
  item.cchTextMax = 1024;
  buffer.Write(0, &item, sizeof(item));
  SendMessageA(list, LVM_GETITEMTEXTA, row, reinterpret_cast<LPARAM>(buffer.Address()));
  char text[1025] = {};
  buffer.Read(sizeof(LVITEMA), text, 1024);
  return text;
}

int ListCount(HWND main) {
  return static_cast<int>(SendMessageA(Child(main, WC_LISTVIEWA), LVM_GETITEMCOUNT, 0, 0));
}

int State() {
  HWND main = MainWindow();
  if (!main) {
    std::puts("running=0");
    return 1;
  }
  RECT r;
  GetWindowRect(main, &r);
  char title[256] = {};
  GetWindowTextA(AppWindow(), title, sizeof(title));
  char caption[256] = {};
  GetWindowTextA(main, caption, sizeof(caption));
  HWND status = Child(main, STATUSCLASSNAMEA);
  std::printf("running=1\nvisible=%d\nenabled=%d\nzoomed=%d\niconic=%d\nappiconic=%d\n",
              IsWindowVisible(main) ? 1 : 0, IsWindowEnabled(main) ? 1 : 0, IsZoomed(main) ? 1 : 0,
              IsIconic(main) ? 1 : 0, IsIconic(AppWindow()) ? 1 : 0);
  std::printf("foreground=%d\n", GetForegroundWindow() == main ? 1 : 0);
  std::printf("left=%ld\ntop=%ld\nwidth=%ld\nheight=%ld\n", r.left, r.top, r.right - r.left,
              r.bottom - r.top);
  std::printf("screenwidth=%d\nscreenheight=%d\n", GetSystemMetrics(SM_CXSCREEN),
              GetSystemMetrics(SM_CYSCREEN));
  std::printf("acp=%u\n", GetACP());
  std::printf("caption=%s\napptitle=%s\ncount=%d\nstatus0=%s\nstatus1=%s\n", caption, title,
              ListCount(main), StatusText(status, 0).c_str(), StatusText(status, 1).c_str());
  return 0;
}

int Rows() {
  HWND main = MainWindow();
  if (!main) return 1;
  HWND list = Child(main, WC_LISTVIEWA);
  const int count = ListCount(main);
  for (int row = 0; row < count; ++row) {
    std::string line;
    for (int column = 0; column < 9; ++column) {
      if (column) line += '\t';
      line += CellText(list, row, column);
    }
    std::puts(line.c_str());
  }
  return 0;
}

PROCESS_INFORMATION Start(const char* exe, int showCommand) {
  STARTUPINFOA startup{};
  startup.cb = sizeof(startup);
  if (showCommand >= 0) {
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = static_cast<WORD>(showCommand);
  }
  PROCESS_INFORMATION process{};
  std::string command = std::string("\"") + exe + "\"";
  if (!CreateProcessA(exe, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                      &process)) {
    std::printf("cannot start %s: %lu\n", exe, GetLastError());
    std::exit(2);
  }
  return process;
}

int Launch(const char* exe, int showCommand) {
  PROCESS_INFORMATION process = Start(exe, showCommand);
  WaitForSingleObject(process.hProcess, INFINITE);
  DWORD code = 0;
  GetExitCodeProcess(process.hProcess, &code);
  std::printf("exit=%lu\n", code);
  return static_cast<int>(code);
}

int FirstShow(const char* exe) {
  PROCESS_INFORMATION process = Start(exe, -1);
  for (int i = 0; i < 30000; ++i) {
    HWND main = MainWindow();
    if (main && IsWindowVisible(main)) {
      HWND status = Child(main, STATUSCLASSNAMEA);
      std::printf("count=%d\nstatus0=%s\n", ListCount(main), StatusText(status, 0).c_str());
      return 0;
    }
    if (WaitForSingleObject(process.hProcess, 0) == WAIT_OBJECT_0) break;
    Sleep(1);
  }
  std::puts("never shown");
  return 1;
}

struct BoxSearch {
  DWORD pid;
  HWND box;
  const char* caption;  // any caption when null
};

BOOL CALLBACK FindBox(HWND window, LPARAM param) {
  auto* search = reinterpret_cast<BoxSearch*>(param);
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  char cls[64] = {};
  GetClassNameA(window, cls, sizeof(cls));
  char caption[256] = {};
  GetWindowTextA(window, caption, sizeof(caption));
  if (pid == search->pid && std::string(cls) == "#32770" && IsWindowVisible(window) &&
      (!search->caption || std::string(caption) == search->caption)) {
    search->box = window;
    return FALSE;
  }
  return TRUE;
}

HWND ProgramDialog(const char* caption) {
  HWND app = AppWindow();
  if (!app) return nullptr;
  BoxSearch search{0, nullptr, caption};
  GetWindowThreadProcessId(app, &search.pid);
  EnumWindows(FindBox, reinterpret_cast<LPARAM>(&search));
  return search.box;
}

HWND ErrorBox() { return ProgramDialog(nullptr); }

BOOL CALLBACK PrintStatic(HWND window, LPARAM) {
  char cls[64] = {};
  GetClassNameA(window, cls, sizeof(cls));
  char text[1024] = {};
  GetWindowTextA(window, text, sizeof(text));
  if (std::string(cls) == "Static" && text[0] != '\0') std::printf("text=%s\n", text);
  return TRUE;
}

int ShowErrorBox() {
  HWND box = ErrorBox();
  if (!box) {
    std::puts("box=0");
    return 1;
  }
  char caption[256] = {};
  GetWindowTextA(box, caption, sizeof(caption));
  HWND main = MainWindow();
  std::printf("box=1\ncaption=%s\nmainenabled=%d\n", caption,
              main && IsWindowEnabled(main) ? 1 : 0);
  EnumChildWindows(box, PrintStatic, 0);
  return 0;
}

int PressOk() {
  HWND box = ErrorBox();
  if (!box) return 1;
  PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(box, IDOK)));
  return 0;
}

BOOL CALLBACK PrintEdit(HWND window, LPARAM) {
  char cls[64] = {};
  GetClassNameA(window, cls, sizeof(cls));
  char text[256] = {};
  // An edit box's text lives in the box: ask it (the system carries the text across).
  SendMessageA(window, WM_GETTEXT, sizeof(text), reinterpret_cast<LPARAM>(text));
  if (std::string(cls) == "Edit" && IsWindowVisible(window))
    std::printf("edit%d=%s\n", GetDlgCtrlID(window), text);
  return TRUE;
}

int ShowDialog(const char* caption) {
  HWND dialog = ProgramDialog(caption);
  if (!dialog) {
    std::puts("dialog=0");
    return 1;
  }
  RECT box;
  GetWindowRect(dialog, &box);
  RECT client;
  GetClientRect(dialog, &client);
  POINT origin{0, 0};
  ClientToScreen(dialog, &origin);
  MONITORINFO monitor{};
  monitor.cbSize = sizeof(monitor);
  GetMonitorInfoA(MonitorFromWindow(MainWindow(), MONITOR_DEFAULTTOPRIMARY), &monitor);
  const RECT& work = monitor.rcWork;
  std::printf("dialog=1\nleft=%ld\ntop=%ld\nwidth=%ld\nheight=%ld\n", box.left, box.top,
              box.right - box.left, box.bottom - box.top);
  std::printf("clientleft=%ld\nclienttop=%ld\nclientwidth=%ld\nclientheight=%ld\n", origin.x,
              origin.y, client.right, client.bottom);
  std::printf("workleft=%ld\nworktop=%ld\nworkwidth=%ld\nworkheight=%ld\n", work.left, work.top,
              work.right - work.left, work.bottom - work.top);
  EnumChildWindows(dialog, PrintEdit, 0);
  return 0;
}

// Rows per page as the printed report must come out on the default printer, worked out
// from the device's own answers and not through the program's layout code.
int RowsPerPage() {
  char name[512] = {};
  DWORD size = sizeof(name);
  if (!GetDefaultPrinterA(name, &size)) {
    std::puts("no default printer");
    return 1;
  }
  HDC dc = CreateDCA("WINSPOOL", name, nullptr, nullptr);
  if (!dc) {
    std::puts("no device context");
    return 1;
  }
  const int vertRes = GetDeviceCaps(dc, VERTRES);
  const int offsetY = GetDeviceCaps(dc, PHYSICALOFFSETY);
  const int pixelsPerInch = GetDeviceCaps(dc, LOGPIXELSY);
  // 10 points as a character height, halves away from zero.
  const int height = static_cast<int>(std::round(10.0 * pixelsPerInch / 72.0));
  HFONT font = CreateFontA(-height, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                           OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                           DEFAULT_PITCH | FF_DONTCARE, "Times New Roman");
  HGDIOBJ old = SelectObject(dc, font);
  SIZE extent{};
  GetTextExtentPoint32A(dc, "dummy", 5, &extent);
  SelectObject(dc, old);
  DeleteObject(font);
  DeleteDC(dc);
  if (extent.cy <= 0) {
    std::puts("no line height");
    return 1;
  }
  const double vertUnit = (vertRes + 2.0 * offsetY) / 28.215;
  // Ties to even, as the report rounds.
  const int rows = static_cast<int>(std::nearbyint((vertRes - 5 * vertUnit) / extent.cy));
  std::printf("rowsperpage=%d\nlineheight=%ld\nvertres=%d\n", rows, extent.cy, vertRes);
  return 0;
}

// Key presses straight into the program's queue: they reach it whenever it next takes its
// messages, also from inside a print job's abort check.
int PostKeys(int key, int count, int interval) {
  HWND main = MainWindow();
  HWND list = main ? Child(main, WC_LISTVIEWA) : nullptr;
  if (!list) return 1;
  const LPARAM scan = static_cast<LPARAM>(MapVirtualKeyA(key, MAPVK_VK_TO_VSC)) << 16;
  for (int i = 0; i < count; ++i) {
    PostMessageA(list, WM_KEYDOWN, key, scan | 1);
    PostMessageA(list, WM_KEYUP, key, scan | 1 | (3u << 30));
    Sleep(interval);
  }
  return 0;
}

// The name field of the system's Save dialog: an edit inside a combo box in the explorer-style
// template, a bare edit in older ones. WM_GETTEXT is marshalled across processes.
std::string NameField(HWND dialog) {
  for (int id : {cmb13, edt1}) {
    HWND field = GetDlgItem(dialog, id);
    if (field == nullptr || !IsWindowVisible(field)) continue;
    char text[MAX_PATH + 1] = {};
    SendMessageA(field, WM_GETTEXT, sizeof(text), reinterpret_cast<LPARAM>(text));
    return text;
  }
  return "?";
}

// The full path the dialog would give for its name field as it stands: the system shows only
// the name of a remembered path and opens its folder.
std::string DialogPath(HWND dialog) {
  RemoteBuffer buffer(dialog, MAX_PATH + 1);
  if (!buffer.Ok()) return "?";
  SendMessageA(dialog, CDM_GETFILEPATH, MAX_PATH, reinterpret_cast<LPARAM>(buffer.Address()));
  char path[MAX_PATH + 1] = {};
  buffer.Read(0, path, MAX_PATH);
  return path;
}

int ShowSaveDialog() {
  HWND dialog = ErrorBox();
  if (!dialog) {
    std::puts("dialog=0");
    return 1;
  }
  char caption[256] = {};
  GetWindowTextA(dialog, caption, sizeof(caption));
  RECT r;
  GetWindowRect(dialog, &r);
  MONITORINFO monitor{};
  monitor.cbSize = sizeof(monitor);
  GetMonitorInfoA(MonitorFromWindow(MainWindow(), MONITOR_DEFAULTTOPRIMARY), &monitor);
  const RECT& work = monitor.rcWork;
  HWND main = MainWindow();
  std::printf("dialog=1\ncaption=%s\nname=%s\npath=%s\nmainenabled=%d\n", caption,
              NameField(dialog).c_str(), DialogPath(dialog).c_str(),
              main && IsWindowEnabled(main) ? 1 : 0);
  std::printf("left=%ld\ntop=%ld\nwidth=%ld\nheight=%ld\n", r.left, r.top, r.right - r.left,
              r.bottom - r.top);
  std::printf("workleft=%ld\nworktop=%ld\nworkwidth=%ld\nworkheight=%ld\n", work.left, work.top,
              work.right - work.left, work.bottom - work.top);
  return 0;
}

// Another program reading a file and refusing writers, as an editor holding it might.
int Hold(const char* path, int seconds) {
  const UniqueHfile file(CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                     FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) {
    std::printf("cannot open %s: %lu\n", path, GetLastError());
    return 1;
  }
  std::puts("held");
  std::fflush(stdout);
  Sleep(seconds * 1000);
  return 0;
}

// The menu bar is one line straight above the client area; File is its first title.
int MenuBar() {
  HWND main = MainWindow();
  if (!main) return 1;
  POINT origin{0, 0};
  ClientToScreen(main, &origin);
  std::printf("%ld %ld\n", origin.x + 12, origin.y - GetSystemMetrics(SM_CYMENU) / 2);
  return 0;
}

int ToolButton(int index) {
  HWND main = MainWindow();
  HWND toolbar =
      main ? FindWindowExA(Child(main, REBARCLASSNAMEA), nullptr, TOOLBARCLASSNAMEA, nullptr)
           : nullptr;
  if (!toolbar) return 1;
  RemoteBuffer buffer(toolbar, sizeof(RECT));
  SendMessageA(toolbar, TB_GETITEMRECT, index, reinterpret_cast<LPARAM>(buffer.Address()));
  RECT r{};
  buffer.Read(0, &r, sizeof(r));
  POINT centre{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
  ClientToScreen(toolbar, &centre);
  std::printf("%ld %ld\n", centre.x, centre.y);
  return 0;
}

int Popup() {
  HWND popup = FindWindowA("#32768", nullptr);
  if (!popup || !IsWindowVisible(popup)) {
    std::puts("none");
    return 1;
  }
  RECT r;
  GetWindowRect(popup, &r);
  std::printf("%ld %ld %ld %ld\n", r.left, r.top, r.right, r.bottom);
  return 0;
}

HWND AboutWindow() { return FindWindowA("TAboutBox", nullptr); }

int About() {
  HWND box = AboutWindow();
  HWND main = MainWindow();
  if (!box) {
    std::puts("box=0");
    return 1;
  }
  RECT r;
  GetWindowRect(box, &r);
  RECT client;
  GetClientRect(box, &client);
  POINT origin{0, 0};
  ClientToScreen(box, &origin);
  HWND foreground = GetForegroundWindow();
  std::printf("box=1\nvisible=%d\nenabled=%d\nmainenabled=%d\nforeground=%s\n",
              IsWindowVisible(box) ? 1 : 0, IsWindowEnabled(box) ? 1 : 0,
              main && IsWindowEnabled(main) ? 1 : 0,
              foreground == box    ? "box"
              : foreground == main ? "main"
                                   : "other");
  std::printf("left=%ld\ntop=%ld\nwidth=%ld\nheight=%ld\n", r.left, r.top, r.right - r.left,
              r.bottom - r.top);
  std::printf("clientleft=%ld\nclienttop=%ld\nclientwidth=%ld\nclientheight=%ld\n", origin.x,
              origin.y, client.right, client.bottom);
  std::printf("screenwidth=%d\nscreenheight=%d\n", GetSystemMetrics(SM_CXSCREEN),
              GetSystemMetrics(SM_CYSCREEN));
  GUITHREADINFO thread{};
  thread.cbSize = sizeof(thread);
  char focus[64] = "";
  if (GetGUIThreadInfo(GetWindowThreadProcessId(box, nullptr), &thread) && thread.hwndFocus) {
    GetClassNameA(thread.hwndFocus, focus, sizeof(focus));
  }
  std::printf("focus=%s\n", focus);
  return 0;
}

int Cursor() {
  CURSORINFO info{};
  info.cbSize = sizeof(info);
  if (!GetCursorInfo(&info)) return 1;
  std::printf("x=%ld\ny=%ld\ncursor=%p\nshowing=%d\n", info.ptScreenPos.x, info.ptScreenPos.y,
              static_cast<void*>(info.hCursor), (info.flags & CURSOR_SHOWING) ? 1 : 0);
  ICONINFO icon{};
  if (info.hCursor && GetIconInfo(info.hCursor, &icon)) {
    BITMAP mask{};
    GetObjectA(icon.hbmMask, sizeof(mask), &mask);
    std::printf("hotspot=%lu %lu\nsize=%ld %ld\ncolour=%d\n", icon.xHotspot, icon.yHotspot,
                mask.bmWidth, icon.hbmColor ? mask.bmHeight : mask.bmHeight / 2,
                icon.hbmColor ? 1 : 0);
    if (icon.hbmMask) DeleteObject(icon.hbmMask);
    if (icon.hbmColor) DeleteObject(icon.hbmColor);
  }
  return 0;
}

// 32-bit pixels of a bitmap that a DC draws into.
class Canvas {
 public:
  Canvas(int width, int height) : width_(width), height_(height) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    dc_ = CreateCompatibleDC(nullptr);
    bitmap_ =
        CreateDIBSection(dc_, &info, DIB_RGB_COLORS, reinterpret_cast<void**>(&bits_), nullptr, 0);
    old_ = SelectObject(dc_, bitmap_);
  }
  ~Canvas() {
    SelectObject(dc_, old_);
    DeleteObject(bitmap_);
    DeleteDC(dc_);
  }
  HDC Dc() const { return dc_; }
  int Width() const { return width_; }
  int Height() const { return height_; }
  // Only the colour: the top byte of a 32-bit DIB pixel means nothing.
  DWORD At(int x, int y) const { return bits_[y * width_ + x] & 0xFFFFFF; }

 private:
  int width_;
  int height_;
  HDC dc_;
  HBITMAP bitmap_;
  HGDIOBJ old_;
  DWORD* bits_ = nullptr;
};

bool MatchesAt(const Canvas& screen, const Canvas& text, int left, int top) {
  for (int y = 0; y < text.Height(); ++y) {
    for (int x = 0; x < text.Width(); ++x) {
      if (screen.At(left + x, top + y) != text.At(x, y)) return false;
    }
  }
  return true;
}

// The screen's pixels under a rectangle.
void CaptureScreen(Canvas& into, int left, int top) {
  HDC screenDc = GetDC(nullptr);
  BitBlt(into.Dc(), 0, 0, into.Width(), into.Height(), screenDc, left, top, SRCCOPY);
  ReleaseDC(nullptr, screenDc);
}

struct Found {
  bool found = false;
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
};

// Where `screen` shows `text` exactly as DrawText draws it in that font and colour over that
// background.
Found FindDrawn(const Canvas& screen, HFONT font, COLORREF colour, COLORREF background,
                const std::string& text, UINT format) {
  HDC measureDc = CreateCompatibleDC(nullptr);
  HGDIOBJ oldFont = SelectObject(measureDc, font);
  RECT extent{0, 0, 0, 0};
  DrawTextA(measureDc, text.c_str(), static_cast<int>(text.size()), &extent, format | DT_CALCRECT);
  SelectObject(measureDc, oldFont);
  DeleteDC(measureDc);
  if (extent.right <= 0 || extent.bottom <= 0) return {};

  Canvas drawn(extent.right, extent.bottom);
  HBRUSH brush = CreateSolidBrush(background);
  FillRect(drawn.Dc(), &extent, brush);
  DeleteObject(brush);
  HGDIOBJ old = SelectObject(drawn.Dc(), font);
  SetBkMode(drawn.Dc(), TRANSPARENT);
  SetTextColor(drawn.Dc(), colour);
  DrawTextA(drawn.Dc(), text.c_str(), static_cast<int>(text.size()), &extent, format);
  SelectObject(drawn.Dc(), old);

  for (int top = 0; top + drawn.Height() <= screen.Height(); ++top) {
    for (int left = 0; left + drawn.Width() <= screen.Width(); ++left) {
      if (MatchesAt(screen, drawn, left, top)) {
        return {true, left, top, drawn.Width(), drawn.Height()};
      }
    }
  }
  return {};
}

int FindText(const char* face, int height, const std::string& style, const char* colour,
             const std::string& back, const std::string& text) {
  HWND box = AboutWindow();
  if (!box || !IsWindowVisible(box)) {
    std::puts("at=none");
    return 1;
  }
  RECT client;
  GetClientRect(box, &client);
  POINT origin{0, 0};
  ClientToScreen(box, &origin);
  Canvas screen(client.right, client.bottom);
  CaptureScreen(screen, origin.x, origin.y);

  const bool bold = style.find('b') != std::string::npos;
  const bool underline = style.find('u') != std::string::npos;
  HFONT font = CreateFontA(-height, 0, 0, 0, bold ? FW_BOLD : FW_NORMAL, FALSE, underline, FALSE,
                           DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                           DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, face);
  const unsigned long rgb = std::strtoul(colour, nullptr, 16);
  const Found found =
      FindDrawn(screen, font, RGB((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF),
                back == "white" ? RGB(255, 255, 255) : GetSysColor(COLOR_BTNFACE), text,
                DT_LEFT | DT_TOP | DT_SINGLELINE | DT_NOPREFIX);
  DeleteObject(font);
  if (!found.found) {
    std::puts("at=none");
    return 1;
  }
  std::printf("at=%d %d\nsize=%d %d\n", found.left, found.top, found.width, found.height);
  return 0;
}

// The centre on the screen of a menu bar item's caption (with its & for the access key).
int MenuText(const std::string& caption) {
  HWND main = MainWindow();
  if (!main) return 1;
  RECT r;
  GetWindowRect(main, &r);
  Canvas screen(r.right - r.left, r.bottom - r.top);
  CaptureScreen(screen, r.left, r.top);
  NONCLIENTMETRICSA metrics{};
  metrics.cbSize = sizeof(metrics);
  SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0);
  HFONT font = CreateFontIndirectA(&metrics.lfMenuFont);
  Found found;
  for (int back : {COLOR_MENUBAR, COLOR_MENU}) {
    found = FindDrawn(screen, font, GetSysColor(COLOR_MENUTEXT), GetSysColor(back), caption,
                      DT_LEFT | DT_TOP | DT_SINGLELINE);
    if (found.found) break;
  }
  DeleteObject(font);
  if (!found.found) return 1;
  std::printf("%ld %ld\n", r.left + found.left + found.width / 2,
              r.top + found.top + found.height / 2);
  return 0;
}

int activations = 0;

LRESULT CALLBACK BystanderProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_ACTIVATE && LOWORD(wParam) != WA_INACTIVE) ++activations;
  return DefWindowProcA(window, message, wParam, lParam);
}

int Bystander(int seconds) {
  WNDCLASSA windowClass{};
  windowClass.lpfnWndProc = BystanderProc;
  windowClass.hInstance = GetModuleHandleA(nullptr);
  windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  windowClass.lpszClassName = "ProbeBystander";
  RegisterClassA(&windowClass);
  HWND window = CreateWindowExA(0, "ProbeBystander", "Bystander", WS_OVERLAPPEDWINDOW, 0, 0, 200,
                                120, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
  ShowWindow(window, SW_SHOWNOACTIVATE);
  activations = 0;
  const DWORD end = GetTickCount() + static_cast<DWORD>(seconds) * 1000;
  while (GetTickCount() < end) {
    MsgWaitForMultipleObjects(0, nullptr, FALSE, end - GetTickCount(), QS_ALLINPUT);
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
  }
  DestroyWindow(window);
  std::printf("activations=%d\n", activations);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string command = argc > 1 ? argv[1] : "";
  if (command == "state") return State();
  if (command == "rows") return Rows();
  if (command == "firstshow" && argc > 2) return FirstShow(argv[2]);
  if (command == "launch" && argc > 3) return Launch(argv[2], std::atoi(argv[3]));
  if (command == "errorbox") return ShowErrorBox();
  if (command == "ok") return PressOk();
  if (command == "restore") {
    return PostMessageA(AppWindow(), WM_SYSCOMMAND, SC_RESTORE, 0) ? 0 : 1;
  }
  if (command == "taskbarclose") {
    return PostMessageA(AppWindow(), WM_SYSCOMMAND, SC_CLOSE, 0) ? 0 : 1;
  }
  if (command == "toolbutton" && argc > 2) return ToolButton(std::atoi(argv[2]));
  if (command == "savedialog") return ShowSaveDialog();
  if (command == "menubar") return MenuBar();
  if (command == "hold" && argc > 3) return Hold(argv[2], std::atoi(argv[3]));
  if (command == "dialog" && argc > 2) return ShowDialog(argv[2]);
  if (command == "rowsperpage") return RowsPerPage();
  if (command == "postkeys" && argc > 4)
    return PostKeys(std::atoi(argv[2]), std::atoi(argv[3]), std::atoi(argv[4]));
  if (command == "menutext" && argc > 2) return MenuText(argv[2]);
  if (command == "popup") return Popup();
  if (command == "bystander" && argc > 2) return Bystander(std::atoi(argv[2]));
  if (command == "about") return About();
  if (command == "cursor") return Cursor();
  if (command == "findtext" && argc > 7) {
    return FindText(argv[2], std::atoi(argv[3]), argv[4], argv[5], argv[6], argv[7]);
  }
  std::fputs(
      "usage: probe state|rows|firstshow EXE|launch EXE SHOWCMD|errorbox|ok|restore|"
      "toolbutton N|menubar|savedialog|hold FILE SECONDS|dialog CAPTION|postkeys VK COUNT "
      "MS|rowsperpage|menutext CAPTION|popup|"
      "bystander SECONDS|about|cursor|findtext FACE HEIGHT STYLE RRGGBB BACK TEXT\n",
      stderr);
  return 2;
}
