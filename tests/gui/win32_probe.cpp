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
#include <windows.h>
#include <commctrl.h>
#include <commdlg.h>
#include <dlgs.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

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
};

BOOL CALLBACK FindBox(HWND window, LPARAM param) {
  auto* search = reinterpret_cast<BoxSearch*>(param);
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  char cls[64] = {};
  GetClassNameA(window, cls, sizeof(cls));
  if (pid == search->pid && std::string(cls) == "#32770" && IsWindowVisible(window)) {
    search->box = window;
    return FALSE;
  }
  return TRUE;
}

HWND ErrorBox() {
  HWND app = AppWindow();
  if (!app) return nullptr;
  BoxSearch search{0, nullptr};
  GetWindowThreadProcessId(app, &search.pid);
  EnumWindows(FindBox, reinterpret_cast<LPARAM>(&search));
  return search.box;
}

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
  HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    std::printf("cannot open %s: %lu\n", path, GetLastError());
    return 1;
  }
  std::puts("held");
  std::fflush(stdout);
  Sleep(seconds * 1000);
  CloseHandle(file);
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
  std::fputs(
      "usage: probe state|rows|firstshow EXE|launch EXE SHOWCMD|errorbox|ok|restore|"
      "toolbutton N|menubar|savedialog|hold FILE SECONDS\n",
      stderr);
  return 2;
}
