// A printer device for tests: records every call of the printer layer's device interface,
// answers with fixed page metrics and text metrics, and fails any operation on request:
// by its Windows failure value, or by an exception thrown from inside the call.
#pragma once

#include <functional>
#include <map>
#include <set>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "fault_plan.h"
#include "output/printer.h"

class RecordingPrinterApi : public PrinterApi {
 public:
  // The system's default printer; none when hasDefault is false.
  bool hasDefault = true;
  PrinterDevice defaultDevice{"winspool", "Recorder", "LPT1:", PrinterSettings{{1, 2, 3}, 1, 1}};
  // What the dialog does: OK or Cancel, and the device and copy count the user picks.
  bool dialogOk = true;
  std::function<void(PrinterDevice&)> dialogChoice;
  // GetDeviceCaps answers; the worked example's page at 72 dots per inch by default.
  std::map<int, int> caps{{kCapsHorzRes, 571},
                          {kCapsVertRes, 816},
                          {kCapsPhysicalOffsetX, 13},
                          {kCapsPhysicalOffsetY, 13},
                          {kCapsLogPixelsY, 72}};
  // Text metrics from the selected font's height h (negative): |h| + |h| / 10 high, and by
  // default |h| / 2 wide per character.
  std::function<int(const PrinterFont&, std::string_view)> widthOf = [](const PrinterFont& font,
                                                                        std::string_view text) {
    return static_cast<int>(text.size()) * (-font.height) / 2;
  };
  std::string date = "3/4/24";
  std::function<void()> onDispatch;

  // Failure on request: the calls the plan names fail (return their failure value, or throw
  // std::runtime_error when failByThrow is set). Every call is counted, by its name.
  FaultPlan<std::string> faults;
  bool failByThrow = false;

  // What happened.
  std::vector<std::string> calls;
  std::vector<std::string> Pages() const { return pageText_; }
  int liveDcs = 0;
  int dcsMade = 0;
  std::set<PrinterHandle> liveFonts;
  PrinterAbortCheck* abortCheck = nullptr;
  PrinterDevice lastCreated;
  // Calls of one operation so far.
  int Count(std::string_view name) const { return static_cast<int>(faults.Calls(name)); }
  // A benchmark turns the call log and the page texts off.
  bool keepRecords = true;

  bool DefaultPrinter(PrinterDevice* device) override {
    if (Fails("DefaultPrinter") || !hasDefault) return false;
    *device = defaultDevice;
    return true;
  }
  bool PrintDialog(PrinterDevice* device) override {
    if (Fails("PrintDialog") || !dialogOk) return false;
    if (dialogChoice) dialogChoice(*device);
    return true;
  }
  PrinterHandle CreateDCA(const PrinterDevice& device) override {
    if (Fails("CreateDCA")) return 0;
    lastCreated = device;
    ++liveDcs;
    ++dcsMade;
    return kDcBase + static_cast<PrinterHandle>(dcsMade);
  }
  bool DeleteDC(PrinterHandle) override {
    Record("DeleteDC");
    --liveDcs;
    if (abortCheck) abortCheck = nullptr;
    return true;
  }
  int SetAbortProc(PrinterHandle, PrinterAbortCheck* check) override {
    if (Fails("SetAbortProc")) return -1;
    abortCheck = check;
    return 1;
  }
  int StartDocA(PrinterHandle, const std::string& docName) override {
    if (Fails("StartDocA", docName)) return -1;
    return 1;
  }
  int StartPage(PrinterHandle) override {
    if (Fails("StartPage")) return -1;
    pageText_.emplace_back();
    return 1;
  }
  int EndPage(PrinterHandle) override {
    const bool failed = Fails("EndPage");
    // The spooler asks the program whether to go on as it takes the page.
    if (abortCheck) abortCheck->ContinueJob();
    return failed ? -1 : 1;
  }
  int EndDoc(PrinterHandle) override { return Fails("EndDoc") ? -1 : 1; }
  int GetDeviceCaps(PrinterHandle, int index) override {
    if (Fails("GetDeviceCaps", std::to_string(index))) return 0;
    const auto found = caps.find(index);
    return found == caps.end() ? 0 : found->second;
  }
  PrinterHandle CreateFontIndirectA(const PrinterFont& font) override {
    if (Fails("CreateFontIndirectA", std::to_string(font.height) + " " +
                                         std::to_string(font.weight) + " " + font.faceName))
      return 0;
    const PrinterHandle handle = kFontBase + static_cast<PrinterHandle>(++fontsMade_);
    fonts_[handle] = font;
    liveFonts.insert(handle);
    return handle;
  }
  PrinterHandle GetStockObject(int index) override {
    if (Fails("GetStockObject", std::to_string(index))) return 0;
    return kStockBase + static_cast<PrinterHandle>(index);
  }
  PrinterHandle SelectObject(PrinterHandle, PrinterHandle object) override {
    if (Fails("SelectObject")) return 0;
    if (fonts_.count(object) != 0) selectedFont_ = object;
    return 1;
  }
  bool DeleteObject(PrinterHandle object) override {
    Record("DeleteObject");
    liveFonts.erase(object);
    return true;
  }
  std::uint32_t SetTextColor(PrinterHandle, std::uint32_t color) override {
    return Fails("SetTextColor", std::to_string(color)) ? 0xFFFFFFFF : 0;
  }
  std::uint32_t SetBkColor(PrinterHandle, std::uint32_t color) override {
    return Fails("SetBkColor", std::to_string(color)) ? 0xFFFFFFFF : 0;
  }
  int SetBkMode(PrinterHandle, int mode) override {
    return Fails("SetBkMode", std::to_string(mode)) ? 0 : 1;
  }
  bool GetTextExtentPoint32A(PrinterHandle, std::string_view text, int* width,
                             int* height) override {
    if (Fails("GetTextExtentPoint32A", keepRecords ? std::string(text) : std::string()))
      return false;
    const PrinterFont font = SelectedFont();
    *width = widthOf(font, text);
    *height = -font.height + (-font.height) / 10;
    return true;
  }
  bool MoveToEx(PrinterHandle, int x, int y) override {
    const bool failed = Fails("MoveToEx", keepRecords ? Xy(x, y) : std::string());
    if (keepRecords) Draw("MoveToEx " + Xy(x, y));
    return !failed;
  }
  bool LineTo(PrinterHandle, int x, int y) override {
    const bool failed = Fails("LineTo", keepRecords ? Xy(x, y) : std::string());
    if (keepRecords) Draw("LineTo " + Xy(x, y));
    return !failed;
  }
  bool ExtTextOutA(PrinterHandle, int x, int y, unsigned options, const Rect* rect,
                   std::string_view text) override {
    if (!keepRecords) return !Fails("ExtTextOutA");
    std::string detail = Xy(x, y) + " " + std::to_string(options);
    if (rect)
      detail += " [" + std::to_string(rect->left) + " " + std::to_string(rect->top) + " " +
                std::to_string(rect->right) + " " + std::to_string(rect->bottom) + "]";
    detail += " '" + std::string(text) + "' font " + std::to_string(SelectedFont().height) +
              (SelectedFont().weight == 700 ? " bold" : "");
    const bool failed = Fails("ExtTextOutA", detail);
    Draw("ExtTextOutA " + detail);
    return !failed;
  }
  std::string ShortDate() override {
    Fails("ShortDate");
    return date;
  }
  void DispatchPendingMessages() override {
    Record("DispatchPendingMessages");
    if (onDispatch) onDispatch();
  }

 private:
  static constexpr PrinterHandle kDcBase = 0x1000;
  static constexpr PrinterHandle kFontBase = 0x2000;
  static constexpr PrinterHandle kStockBase = 0x3000;

  static std::string Xy(int x, int y) { return std::to_string(x) + " " + std::to_string(y); }

  void Record(std::string_view name, const std::string& detail = {}) {
    faults.Count(name);
    if (!keepRecords) return;
    calls.push_back(detail.empty() ? std::string(name) : std::string(name) + " " + detail);
  }
  // Records the call; true when this call is the one asked to fail.
  bool Fails(std::string_view name, const std::string& detail = {}) {
    Record(name, detail);
    if (!faults.Planned(name)) return false;
    if (failByThrow) throw std::runtime_error("device failure in " + std::string(name));
    return true;
  }
  void Draw(const std::string& line) {
    if (!keepRecords) return;
    if (pageText_.empty()) pageText_.emplace_back();
    pageText_.back() += line + "\n";
  }
  PrinterFont SelectedFont() const {
    const auto found = fonts_.find(selectedFont_);
    return found == fonts_.end() ? PrinterFont{} : found->second;
  }

  std::map<PrinterHandle, PrinterFont> fonts_;
  PrinterHandle selectedFont_ = 0;
  int fontsMade_ = 0;
  std::vector<std::string> pageText_;
};
