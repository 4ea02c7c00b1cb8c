// The application object: the title, the program icon, the hidden window that owns every
// other window (and so is the program's one taskbar entry), the message loop with the shortcut
// check, and the one place where an error that escapes a handler is shown to the user.
#pragma once

#include <windows.h>

#include <exception>
#include <functional>
#include <string>
#include <vector>

#include "ui/menu_model.h"
#include "ui/win32_window.h"

class TApplication final : public ProgramWindow {
 public:
  // What the application needs of its main window.
  struct MainForm {
    HWND window = nullptr;
    std::function<void()> onShow;                         // the show event, FormShow
    std::function<bool(const ShortCut& key)> isShortCut;  // the main menu's shortcut check
  };

  // Derives the title, loads MAINICON and creates the hidden application window.
  explicit TApplication(HINSTANCE instance);
  ~TApplication();
  TApplication(const TApplication&) = delete;
  TApplication& operator=(const TApplication&) = delete;

  HINSTANCE Instance() const { return instance_; }
  HICON Icon() const { return icon_; }
  const std::string& Title() const { return title_; }
  HWND MainWindow() const { return mainForm_.window; }

  // The first form registered is the main window.
  void SetMainForm(MainForm form);

  // Applies the start-up show command, shows the main window (or starts minimised) and runs
  // the message loop until the quit request.
  void Run();

  // The one message step: takes and handles one message, or, when the queue is empty, runs the
  // idle handlers and waits for the next message (kWait) or returns at once (kPoll). Every loop
  // of the program takes it. False when the queue was empty.
  enum class Step { kWait, kPoll };
  bool HandleMessage(Step step = Step::kWait);
  // The loop of a modal box of the program: steps until ended() holds, giving the box its
  // dialog keys (Tab, Enter, Space) first. A request to end the program ends the box's loop
  // too and is posted again for the loop beneath; then the result is false.
  bool RunModal(HWND box, const std::function<bool()>& ended);
  // Steps without waiting through every message already waiting: the print job's abort check
  // runs it while the spooler works. A quit request ends it and ends the loop later.
  void ProcessMessages();
  bool Terminated() const { return terminated_; }

  // Runs each time the message queue has run empty, before the loop waits.
  void AddIdleHandler(std::function<void()> handler);

  // Consulted by the skeleton for every window of the program on WM_SETCURSOR before the
  // window's own handling: return true when the cursor was set. Unset, every window shows its
  // own cursor.
  std::function<bool(HWND window, WPARAM cursorWindow, LPARAM hitTestAndMessage)> setCursorHook;

  // The one reporting point: shows the error's message in the error box; the program goes on.
  void HandleException(std::exception_ptr error);
  void ShowErrorText(const std::string& message);

  // The taskbar entry's minimise and restore, also used by the main window's own buttons.
  void Minimize();
  void Restore();

 private:
  LRESULT HandleWindowMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  bool IsShortCutMessage(const MSG& msg);
  void ShowMainForm(bool maximised);
  void RunIdleHandlers();

  HINSTANCE instance_;
  HICON icon_ = nullptr;
  std::string title_;
  MainForm mainForm_;
  std::vector<std::function<void()>> idleHandlers_;
  bool terminated_ = false;
  HWND modalBox_ = nullptr;     // the box whose modal loop runs, if any
  bool modalQuit_ = false;      // a request to end the program reached that loop
  bool mainFormShown_ = false;  // the main window's first showing has happened
  bool startMaximised_ = false;
};

// The program's one application object, for window procedures and the forms.
extern TApplication* Application;
