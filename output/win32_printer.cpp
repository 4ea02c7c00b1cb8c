#include "output/win32_printer.h"

#include <commdlg.h>

#include <cstring>
#include <utility>
#include <vector>

#include "common/callback_guard.h"
#include "common/win32_handles.h"
#include "common/win32_system_function.h"

namespace {

HDC Dc(PrinterHandle handle) { return reinterpret_cast<HDC>(handle); }
PrinterHandle Handle(void* object) { return reinterpret_cast<PrinterHandle>(object); }

std::optional<PrinterSettings> SettingsFrom(HGLOBAL block) {
  if (!block) return std::nullopt;
  const auto* mode = static_cast<const DEVMODEA*>(GlobalLock(block));
  if (!mode) return std::nullopt;
  PrinterSettings settings;
  const auto* bytes = reinterpret_cast<const std::uint8_t*>(mode);
  settings.devMode.assign(bytes, bytes + mode->dmSize + mode->dmDriverExtra);
  settings.copies = (mode->dmFields & DM_COPIES) ? mode->dmCopies : 1;
  settings.orientation =
      (mode->dmFields & DM_ORIENTATION) ? mode->dmOrientation : kOrientationPortrait;
  GlobalUnlock(block);
  return settings;
}

// The driver's record with the program's two fields written into it.
std::vector<std::uint8_t> DevModeBytes(const PrinterSettings& settings) {
  std::vector<std::uint8_t> bytes = settings.devMode;
  if (bytes.size() < offsetof(DEVMODEA, dmCopies) + sizeof(short)) return bytes;
  auto* mode = reinterpret_cast<DEVMODEA*>(bytes.data());
  mode->dmCopies = static_cast<short>(settings.copies);
  mode->dmOrientation = static_cast<short>(settings.orientation);
  mode->dmFields |= DM_COPIES | DM_ORIENTATION;
  return bytes;
}

UniqueHglobal DevModeBlock(const PrinterDevice& device) {
  if (!device.settings || device.settings->devMode.empty()) return {};
  const std::vector<std::uint8_t> bytes = DevModeBytes(*device.settings);
  UniqueHglobal block(GlobalAlloc(GMEM_MOVEABLE, bytes.size()));
  if (!block) return {};
  void* memory = GlobalLock(block.get());
  if (!memory) return {};
  std::memcpy(memory, bytes.data(), bytes.size());
  GlobalUnlock(block.get());
  return block;
}

UniqueHglobal DevNamesBlock(const PrinterDevice& device) {
  const std::size_t size =
      sizeof(DEVNAMES) + device.driver.size() + device.device.size() + device.port.size() + 3;
  UniqueHglobal block(GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, size));
  if (!block) return {};
  auto* names = static_cast<DEVNAMES*>(GlobalLock(block.get()));
  if (!names) return {};
  char* text = reinterpret_cast<char*>(names);
  WORD at = sizeof(DEVNAMES);
  for (auto [offset, value] : {std::pair{&names->wDriverOffset, &device.driver},
                               std::pair{&names->wDeviceOffset, &device.device},
                               std::pair{&names->wOutputOffset, &device.port}}) {
    *offset = at;
    std::memcpy(text + at, value->c_str(), value->size() + 1);
    at = static_cast<WORD>(at + value->size() + 1);
  }
  GlobalUnlock(block.get());
  return block;
}

bool DeviceFrom(HGLOBAL namesBlock, HGLOBAL modeBlock, PrinterDevice* device) {
  if (!namesBlock) return false;
  const auto* names = static_cast<const DEVNAMES*>(GlobalLock(namesBlock));
  if (!names) return false;
  const char* text = reinterpret_cast<const char*>(names);
  device->driver = text + names->wDriverOffset;
  device->device = text + names->wDeviceOffset;
  device->port = text + names->wOutputOffset;
  GlobalUnlock(namesBlock);
  device->settings = SettingsFrom(modeBlock);
  return true;
}

// The guard of the system's calls into the back end: what escapes goes to the shell's reporter.
template <typename Result, typename Handler>
Result Guarded(const Win32PrinterApi::ErrorReporter& report, Result fallback, Handler&& handler) {
  return GuardedCallback(
      fallback,
      [&report](std::exception_ptr error) {
        if (report) report(std::move(error));
      },
      handler);
}

// What the dialog's hook needs: where the shell wants the dialog, how it places it, and where
// an error goes.
struct DialogPlacing {
  HWND anchor;
  const std::function<void(HWND, HWND)>* place;
  const Win32PrinterApi::ErrorReporter* report;
};

// The dialog's hook: places it once it is set up. A dialog left where Windows put it after an
// error is still usable.
UINT_PTR CALLBACK PrintHook(HWND dialog, UINT message, WPARAM, LPARAM lParam) noexcept {
  if (message != WM_INITDIALOG) return 0;
  const auto* request = reinterpret_cast<const PRINTDLGA*>(lParam);
  const auto* placing = reinterpret_cast<const DialogPlacing*>(request->lCustData);
  return Guarded(*placing->report, UINT_PTR{0}, [&] {
    if (*placing->place) (*placing->place)(dialog, placing->anchor);
    return UINT_PTR{0};
  });
}

// The abort checks of the device contexts that have a job: one at a time in practice.
struct AbortCheckEntry {
  HDC dc;
  PrinterAbortCheck* check;
  const Win32PrinterApi::ErrorReporter* report;
};
std::vector<AbortCheckEntry>& AbortChecks() {
  static std::vector<AbortCheckEntry> checks;
  return checks;
}

// After an error the job goes on: the user can still cancel it from the spooler.
BOOL CALLBACK AbortProc(HDC dc, int) noexcept {
  for (const AbortCheckEntry& entry : AbortChecks()) {
    if (entry.dc == dc) {
      return Guarded(*entry.report, TRUE,
                     [&] { return entry.check->ContinueJob() ? TRUE : FALSE; });
    }
  }
  return TRUE;
}

BOOL PrintDialogBox(PRINTDLGA* request) {
  const auto printDlg = SystemFunction<decltype(&PrintDlgA)>("comdlg32.dll", "PrintDlgA");
  return printDlg != nullptr && printDlg(request);
}

}  // namespace

Win32PrinterApi::Win32PrinterApi(HWND mainWindow, std::function<void()> processMessages,
                                 std::function<void(HWND, HWND)> placeDialog,
                                 ErrorReporter reportError)
    : mainWindow_(mainWindow),
      processMessages_(std::move(processMessages)),
      placeDialog_(std::move(placeDialog)),
      reportError_(std::move(reportError)) {}

bool Win32PrinterApi::DefaultPrinter(PrinterDevice* device) {
  PRINTDLGA request{};
  request.lStructSize = sizeof(request);
  request.Flags = PD_RETURNDEFAULT | PD_NOWARNING;
  if (!PrintDialogBox(&request)) return false;
  const UniqueHglobal names(request.hDevNames);
  const UniqueHglobal mode(request.hDevMode);
  return DeviceFrom(names.get(), mode.get(), device);
}

bool Win32PrinterApi::PrintDialog(PrinterDevice* device) {
  HWND anchor = GetActiveWindow();
  if (!anchor) anchor = mainWindow_;
  UniqueHglobal names = DevNamesBlock(*device);
  UniqueHglobal mode = DevModeBlock(*device);
  PRINTDLGA request{};
  request.lStructSize = sizeof(request);
  request.hwndOwner = anchor;
  request.hDevNames = names.get();
  request.hDevMode = mode.get();
  request.Flags = PD_ALLPAGES | PD_NOSELECTION | PD_NOPAGENUMS | PD_HIDEPRINTTOFILE | PD_NOWARNING |
                  PD_ENABLEPRINTHOOK;
  request.nCopies = static_cast<WORD>(device->settings ? device->settings->copies : 1);
  request.lpfnPrintHook = PrintHook;
  const DialogPlacing placing{anchor, &placeDialog_, &reportError_};
  request.lCustData = reinterpret_cast<LPARAM>(&placing);
  const BOOL ok = PrintDialogBox(&request);
  // The dialog may have replaced either block.
  names.reset(request.hDevNames);
  mode.reset(request.hDevMode);
  if (!ok) return false;
  PrinterDevice chosen;
  if (!DeviceFrom(names.get(), mode.get(), &chosen)) return false;
  if (chosen.settings) chosen.settings->copies = request.nCopies;
  *device = std::move(chosen);
  return true;
}

PrinterHandle Win32PrinterApi::CreateDCA(const PrinterDevice& device) {
  std::vector<std::uint8_t> mode;
  if (device.settings) mode = DevModeBytes(*device.settings);
  return Handle(::CreateDCA(device.driver.c_str(), device.device.c_str(), device.port.c_str(),
                            mode.empty() ? nullptr : reinterpret_cast<DEVMODEA*>(mode.data())));
}

bool Win32PrinterApi::DeleteDC(PrinterHandle dc) {
  auto& checks = AbortChecks();
  std::erase_if(checks, [&](const auto& entry) { return entry.dc == Dc(dc); });
  return ::DeleteDC(Dc(dc)) != FALSE;
}

int Win32PrinterApi::SetAbortProc(PrinterHandle dc, PrinterAbortCheck* check) {
  auto& checks = AbortChecks();
  std::erase_if(checks, [&](const auto& entry) { return entry.dc == Dc(dc); });
  checks.push_back({Dc(dc), check, &reportError_});
  return ::SetAbortProc(Dc(dc), AbortProc);
}

int Win32PrinterApi::StartDocA(PrinterHandle dc, const std::string& docName) {
  DOCINFOA document{};
  document.cbSize = sizeof(document);
  document.lpszDocName = docName.c_str();
  return ::StartDocA(Dc(dc), &document);
}

int Win32PrinterApi::StartPage(PrinterHandle dc) { return ::StartPage(Dc(dc)); }
int Win32PrinterApi::EndPage(PrinterHandle dc) { return ::EndPage(Dc(dc)); }
int Win32PrinterApi::EndDoc(PrinterHandle dc) { return ::EndDoc(Dc(dc)); }
int Win32PrinterApi::GetDeviceCaps(PrinterHandle dc, int index) {
  return ::GetDeviceCaps(Dc(dc), index);
}

PrinterHandle Win32PrinterApi::CreateFontIndirectA(const PrinterFont& font) {
  LOGFONTA description{};
  description.lfHeight = font.height;
  description.lfWeight = font.weight;
  description.lfCharSet = DEFAULT_CHARSET;
  std::strncpy(description.lfFaceName, font.faceName.c_str(), LF_FACESIZE - 1);
  return Handle(::CreateFontIndirectA(&description));
}

PrinterHandle Win32PrinterApi::GetStockObject(int index) { return Handle(::GetStockObject(index)); }

PrinterHandle Win32PrinterApi::SelectObject(PrinterHandle dc, PrinterHandle object) {
  return Handle(::SelectObject(Dc(dc), reinterpret_cast<HGDIOBJ>(object)));
}

bool Win32PrinterApi::DeleteObject(PrinterHandle object) {
  return ::DeleteObject(reinterpret_cast<HGDIOBJ>(object)) != FALSE;
}

std::uint32_t Win32PrinterApi::SetTextColor(PrinterHandle dc, std::uint32_t color) {
  return ::SetTextColor(Dc(dc), color);
}

std::uint32_t Win32PrinterApi::SetBkColor(PrinterHandle dc, std::uint32_t color) {
  return ::SetBkColor(Dc(dc), color);
}

int Win32PrinterApi::SetBkMode(PrinterHandle dc, int mode) { return ::SetBkMode(Dc(dc), mode); }

bool Win32PrinterApi::GetTextExtentPoint32A(PrinterHandle dc, std::string_view text, int* width,
                                            int* height) {
  SIZE size{};
  if (!::GetTextExtentPoint32A(Dc(dc), text.data(), static_cast<int>(text.size()), &size))
    return false;
  *width = size.cx;
  *height = size.cy;
  return true;
}

bool Win32PrinterApi::MoveToEx(PrinterHandle dc, int x, int y) {
  return ::MoveToEx(Dc(dc), x, y, nullptr) != FALSE;
}

bool Win32PrinterApi::LineTo(PrinterHandle dc, int x, int y) {
  return ::LineTo(Dc(dc), x, y) != FALSE;
}

bool Win32PrinterApi::ExtTextOutA(PrinterHandle dc, int x, int y, unsigned options,
                                  const Rect* rect, std::string_view text) {
  RECT box{};
  if (rect) box = {rect->left, rect->top, rect->right, rect->bottom};
  return ::ExtTextOutA(Dc(dc), x, y, options, rect ? &box : nullptr, text.data(),
                       static_cast<UINT>(text.size()), nullptr) != FALSE;
}

std::string Win32PrinterApi::ShortDate() {
  char text[128];
  int length =
      GetDateFormatA(LOCALE_USER_DEFAULT, DATE_SHORTDATE, nullptr, nullptr, text, sizeof(text));
  // A locale without a short date pattern gets month/day/two-digit year.
  if (length <= 0)
    length = GetDateFormatA(LOCALE_USER_DEFAULT, 0, nullptr, "M/d/yy", text, sizeof(text));
  return length > 0 ? std::string(text, static_cast<std::size_t>(length - 1)) : std::string();
}

void Win32PrinterApi::DispatchPendingMessages() { processMessages_(); }
