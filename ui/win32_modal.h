// Modality across the program's windows: while a modal box or dialog of the program is up,
// every other window of the program takes no input, whoever owns the box.
#pragma once

#include <windows.h>

#include <vector>

// A modal box over the program's windows, for as long as it lives: the visible windows of this
// thread that take input now, except the box itself, are disabled, and the active window and
// the focus are remembered. At its end exactly those windows that still exist are given input
// back, then the activation and the focus.
class ModalBoxScope {
 public:
  explicit ModalBoxScope(HWND box = nullptr);
  ~ModalBoxScope();
  ModalBoxScope(const ModalBoxScope&) = delete;
  ModalBoxScope& operator=(const ModalBoxScope&) = delete;

  HWND Active() const { return active_; }
  // Gives the windows their input back now, ahead of the end (once only).
  void EnableWindows();
  // The user went elsewhere while the box was up: the end leaves activation and focus there.
  void KeepActivation() { active_ = focus_ = nullptr; }

 private:
  HWND active_;
  HWND focus_;
  std::vector<HWND> disabled_;
};
