// SaveDialog1: the system's Save dialog as the Save command shows it. It remembers the last
// accepted full path and filter between runs, and places itself on the user's monitor.
#pragma once

#include <windows.h>

#include <string>

class TSaveDialog {
 public:
  // Shows the modal dialog owned by owner, placed on anchor's monitor (the program's active
  // window, else the main window). True when the user accepted a name; a dialog cancelled
  // or failed changes nothing.
  bool Execute(HWND owner, HWND anchor);
  // The last accepted full path; empty until a dialog is accepted.
  const std::string& FileName() const { return fileName_; }
  DWORD FilterIndex() const { return filterIndex_; }

 private:
  std::string fileName_;
  DWORD filterIndex_ = 1;
};
