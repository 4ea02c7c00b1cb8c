// The window procedure of the benchmarks' stand-in programs: a plain window whose closing
// ends the program.
#pragma once

#include <windows.h>

inline LRESULT CALLBACK QuitOnDestroyProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_DESTROY) {
    PostQuitMessage(0);
    return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}
