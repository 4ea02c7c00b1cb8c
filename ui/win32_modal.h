// Modality across the program's windows: while a modal box or dialog of the program is up,
// every other window of the program takes no input, whoever owns the box.
#pragma once

#include <windows.h>

#include <vector>

// Disables the visible windows of this thread that take input now, except keep, and returns
// them so that exactly those are given input back afterwards.
std::vector<HWND> DisableTaskWindows(HWND keep = nullptr);

// Gives input back to the windows DisableTaskWindows took it from, those that still exist.
void EnableTaskWindows(const std::vector<HWND>& windows);
