// System functions that only some commands need, found when first called: loading comdlg32
// and shell32 (and all they load in turn) would cost every start a large share of its time,
// and only the Save and Print dialogs and the About box's link use them.
#pragma once

#include <windows.h>

// The function `name` of the system DLL `dll`, which is loaded if it is not yet; nullptr when
// either is missing. A DLL once loaded stays for the rest of the run.
template <typename Function>
Function SystemFunction(const char* dll, const char* name) {
  HMODULE module = GetModuleHandleA(dll);
  if (module == nullptr) module = LoadLibraryA(dll);
  if (module == nullptr) return nullptr;
  // Through void (*)(): the one function pointer type that converts to any other unwarned.
  return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
}
