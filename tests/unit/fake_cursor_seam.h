// A windowing system for the program-wide cursor: records what was asked of it, and lets a
// test say whether the window under the pointer is one of the program's.
#pragma once

#include <vector>

#include "ui/program_cursor.h"

class FakeCursorSeam : public CursorSeam {
 public:
  bool pointerOverOurWindow = true;
  int windowAsks = 0;
  std::vector<CursorValue> shown;

  bool AskWindowUnderPointer() override {
    if (!pointerOverOurWindow) return false;
    ++windowAsks;
    return true;
  }
  void ShowImage(CursorValue value) override { shown.push_back(value); }
};
