// The Windows handles the program owns, each as an owning type over its close function
// (common/unique_handle.h): fonts and bitmaps, menus, DCs got with GetDC, memory DCs, image
// lists, global memory, registry keys and files.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include "common/unique_handle.h"

namespace win32_handles_detail {

// The close functions are WINAPI and some return a value: one plain call each.
inline void DeleteGdiObject(HGDIOBJ object) { DeleteObject(object); }
inline void DestroyMenuHandle(HMENU menu) { DestroyMenu(menu); }
inline void DeleteDcHandle(HDC dc) { DeleteDC(dc); }
inline void DestroyImageList(HIMAGELIST images) { ImageList_Destroy(images); }
inline void FreeGlobal(HGLOBAL block) { GlobalFree(block); }
inline void CloseKey(HKEY key) { RegCloseKey(key); }

struct FileTraits {
  using Type = HANDLE;
  static Type InvalidValue() { return INVALID_HANDLE_VALUE; }
  static void CloseHandle(Type file) { ::CloseHandle(file); }
};

// A DC from GetDC is given back to the window it came from.
struct WindowDc {
  HWND window = nullptr;
  HDC dc = nullptr;
  bool operator==(const WindowDc& other) const { return dc == other.dc; }
};

struct WindowDcTraits {
  using Type = WindowDc;
  static Type InvalidValue() { return {}; }
  static void CloseHandle(const Type& held) { ReleaseDC(held.window, held.dc); }
};

}  // namespace win32_handles_detail

using UniqueHfont = UniqueHandle<HFONT, win32_handles_detail::DeleteGdiObject>;
using UniqueHbitmap = UniqueHandle<HBITMAP, win32_handles_detail::DeleteGdiObject>;
using UniqueHmenu = UniqueHandle<HMENU, win32_handles_detail::DestroyMenuHandle>;
using UniqueHdc = UniqueHandle<HDC, win32_handles_detail::DeleteDcHandle>;
using UniqueHimagelist = UniqueHandle<HIMAGELIST, win32_handles_detail::DestroyImageList>;
using UniqueHglobal = UniqueHandle<HGLOBAL, win32_handles_detail::FreeGlobal>;
using UniqueHkey = UniqueHandle<HKEY, win32_handles_detail::CloseKey>;
using UniqueHfile = UniqueAny<win32_handles_detail::FileTraits>;

// A window's DC from GetDC, released to that window.
class UniqueWindowDc : public UniqueAny<win32_handles_detail::WindowDcTraits> {
 public:
  // GetDC(window): empty when there is none.
  explicit UniqueWindowDc(HWND window) : UniqueAny({window, GetDC(window)}) {}
  HDC Dc() const { return get().dc; }
};
