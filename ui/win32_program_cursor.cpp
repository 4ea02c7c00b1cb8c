#include "ui/win32_program_cursor.h"

#include <algorithm>
#include <vector>

#include "ui/hover_tracker.h"

namespace {

constexpr WORD kHandPointCursorId = 32761;

bool OwnedByThisThread(HWND window) {
  return window != nullptr && GetWindowThreadProcessId(window, nullptr) == GetCurrentThreadId();
}

class Win32CursorSeam : public CursorSeam {
 public:
  bool AskWindowUnderPointer() override {
    POINT at;
    if (!GetCursorPos(&at)) return false;
    HWND window = WindowFromPoint(at);
    if (!OwnedByThisThread(window)) return false;
    const LRESULT hit = SendMessageA(window, WM_NCHITTEST, 0, MAKELPARAM(at.x, at.y));
    SendMessageA(window, WM_SETCURSOR, reinterpret_cast<WPARAM>(window),
                 MAKELPARAM(static_cast<WORD>(hit), WM_MOUSEMOVE));
    return true;
  }

  void ShowImage(CursorValue value) override { SetCursor(CursorImage(value)); }
};

std::vector<WindowlessControl*>& Windowless() {
  static std::vector<WindowlessControl*> controls;
  return controls;
}

HoverTracker& Tracker() {
  static HoverTracker tracker;
  return tracker;
}

HoverId IdOf(const WindowlessControl* control) { return reinterpret_cast<HoverId>(control); }
HoverId IdOf(HWND window) { return reinterpret_cast<HoverId>(window); }

WindowlessControl* RegisteredControl(HoverId id) {
  for (WindowlessControl* control : Windowless()) {
    if (IdOf(control) == id) return control;
  }
  return nullptr;
}

// The deepest window of the program under the pointer, disabled ones included, then the
// topmost windowless control of that window under it.
HoverId ControlUnderPointer() {
  POINT at;
  if (!GetCursorPos(&at)) return kNoControl;
  HWND window = WindowFromPoint(at);
  if (!OwnedByThisThread(window)) return kNoControl;
  for (;;) {
    POINT inside = at;
    ScreenToClient(window, &inside);
    HWND child = ChildWindowFromPointEx(window, inside, CWP_SKIPINVISIBLE | CWP_SKIPTRANSPARENT);
    if (child == nullptr || child == window) break;
    window = child;
  }
  POINT inside = at;
  ScreenToClient(window, &inside);
  const std::vector<WindowlessControl*>& controls = Windowless();
  for (auto it = controls.rbegin(); it != controls.rend(); ++it) {
    if ((*it)->Parent() != window) continue;
    const RECT bounds = (*it)->Bounds();
    if (PtInRect(&bounds, inside)) return IdOf(*it);
  }
  return IdOf(window);
}

HoverId CaptureHolder() {
  HWND capture = GetCapture();
  if (!OwnedByThisThread(capture)) return kNoControl;
  for (WindowlessControl* control : Windowless()) {
    if (control->Parent() == capture && control->HoldsCapture()) return IdOf(control);
  }
  return IdOf(capture);
}

// Windows of their own have no hover handlers in this program; only windowless controls
// are told.
class WindowlessSink : public HoverSink {
 public:
  void MouseEnter(HoverId id) override {
    if (WindowlessControl* control = RegisteredControl(id)) control->MouseEnter();
  }
  void MouseLeave(HoverId id) override {
    if (WindowlessControl* control = RegisteredControl(id)) control->MouseLeave();
  }
};

}  // namespace

ProgramCursor& TheProgramCursor() {
  static Win32CursorSeam seam;
  static ProgramCursor cursor(seam);
  return cursor;
}

HCURSOR CursorImage(CursorValue value) {
  if (value == crHandPoint) {
    static const HCURSOR hand = [] {
      HCURSOR own = LoadCursorA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(kHandPointCursorId));
      return own != nullptr ? own : LoadCursorA(nullptr, IDC_HAND);
    }();
    return hand;
  }
  return LoadCursorA(nullptr, IDC_ARROW);
}

void TrackHoverAtIdle() {
  WindowlessSink sink;
  Tracker().Idle(ControlUnderPointer(), CaptureHolder(), sink);
}

bool ProgramCursorOnSetCursor(HWND window, WPARAM wParam, LPARAM lParam) {
  // Children that leave WM_SETCURSOR to DefWindowProc pass it up here with themselves as
  // wParam; they are the program's too, so the override covers them as well.
  HWND cursorWindow = reinterpret_cast<HWND>(wParam);
  if (LOWORD(lParam) != HTCLIENT || !TheProgramCursor().Overrides()) return false;
  if (cursorWindow != window && !IsChild(window, cursorWindow)) return false;
  SetCursor(CursorImage(TheProgramCursor().Value()));
  return true;
}

void AddWindowlessControl(WindowlessControl& control) { Windowless().push_back(&control); }

void RemoveWindowlessControl(WindowlessControl& control) {
  std::vector<WindowlessControl*>& controls = Windowless();
  controls.erase(std::remove(controls.begin(), controls.end(), &control), controls.end());
  Tracker().Forget(IdOf(&control));
}
