// A stand-in for the program around the About box, so the box can be driven from outside
// before the main window shows it: the application object with its hidden window and its
// message loop, a plain main window and the box. "A" in the main window opens the box; each step is
// written to the log file named on the command line.
#include <windows.h>

#include <cstdio>
#include <memory>
#include <string>

#include "ui/win32_application.h"
#include "ui/win32_program_cursor.h"
#include "ui/win32_unit2.h"

namespace {

std::unique_ptr<TAboutBox> aboutBox;
std::string logPath;

void Log(const std::string& line) {
  if (FILE* log = std::fopen(logPath.c_str(), "ab")) {
    std::fprintf(log, "%s\n", line.c_str());
    std::fclose(log);
  }
}

void LogBoxOnScreen() {
  RECT box;
  GetWindowRect(aboutBox->Handle(), &box);
  POINT link{(aboutBox->Comments.bounds.left + aboutBox->Comments.bounds.right) / 2,
             (aboutBox->Comments.bounds.top + aboutBox->Comments.bounds.bottom) / 2};
  ClientToScreen(aboutBox->Handle(), &link);
  Log("box " + std::to_string(box.left) + " " + std::to_string(box.top));
  Log("link " + std::to_string(link.x) + " " + std::to_string(link.y));
}

LRESULT CALLBACK MainProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_SETCURSOR:
      if (ProgramCursorOnSetCursor(window, wParam, lParam)) return TRUE;
      break;
    case WM_KEYDOWN:
      if (wParam == 'A') {
        Log("texts " + aboutBox->ProductName.caption + "|" + aboutBox->Version.caption + "|" +
            aboutBox->Comments.caption + "|" + aboutBox->Label1.caption);
        // The box is placed while it opens: report where once it is up.
        PostMessageA(window, WM_APP, 0, 0);
        const int result = aboutBox->ShowModal();
        Log("result " + std::to_string(result) + " cursor " +
            std::to_string(TheProgramCursor().Value()));
        return 0;
      }
      break;
    case WM_APP:
      LogBoxOnScreen();
      return 0;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
    default:
      break;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

HWND CreateHarnessWindow(const char* className, WNDPROC proc, DWORD style, HWND owner,
                         const char* title) {
  WNDCLASSA windowClass{};
  windowClass.lpfnWndProc = proc;
  windowClass.hInstance = GetModuleHandleA(nullptr);
  windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  windowClass.lpszClassName = className;
  RegisterClassA(&windowClass);
  return CreateWindowExA(0, className, title, style, 60, 60, 500, 360, owner, nullptr,
                         GetModuleHandleA(nullptr), nullptr);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: about_harness LOG_FILE\n");
    return 2;
  }
  logPath = argv[1];
  TApplication application(GetModuleHandleA(nullptr));
  application.AddIdleHandler(TrackHoverAtIdle);
  application.setCursorHook = ProgramCursorOnSetCursor;
  HWND mainWindow = CreateHarnessWindow("HarnessMain", MainProc, WS_OVERLAPPEDWINDOW,
                                        application.Handle(), "About harness");
  aboutBox = std::make_unique<TAboutBox>(application.Handle());
  ShowWindow(mainWindow, SW_SHOW);
  Log("ready");

  while (!application.Terminated()) application.HandleMessage();
  aboutBox.reset();
  Log("ended");
  return 0;
}
