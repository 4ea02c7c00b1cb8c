#include "ui/win32_save_dialog.h"

#include <commdlg.h>

#include "common/win32_system_function.h"
#include "ui/win32_dialog_placement.h"
#include "ui/win32_modal.h"
#include "ui/win32_window.h"

namespace {

// One entry, "Text File (*.TXT)" listing *.TXT; the literal's own zero ends the list.
constexpr char kFilter[] = "Text File (*.TXT)\0*.TXT\0";

// No overwrite prompt, no default extension, no folder change guard: what the user types
// is the file written.
constexpr DWORD kOptions = OFN_ENABLEHOOK | OFN_HIDEREADONLY | OFN_ENABLESIZING | OFN_EXPLORER;

// Runs inside comdlg32's message loop, guarded like a window procedure. With OFN_EXPLORER the
// hook's window is a child of the dialog; the anchor rides in lCustData.
UINT_PTR CALLBACK PlacingHook(HWND hook, UINT message, WPARAM, LPARAM lParam) noexcept {
  return GuardedCall(UINT_PTR{0}, [&] {
    if (message == WM_INITDIALOG) {
      const auto* options = reinterpret_cast<const OPENFILENAMEA*>(lParam);
      SetWindowLongPtrA(hook, GWLP_USERDATA, options->lCustData);
    } else if (message == WM_NOTIFY &&
               reinterpret_cast<const NMHDR*>(lParam)->code == CDN_INITDONE) {
      PlaceCommonDialog(GetParent(hook),
                        reinterpret_cast<HWND>(GetWindowLongPtrA(hook, GWLP_USERDATA)));
    }
    return UINT_PTR{0};
  });
}

}  // namespace

bool TSaveDialog::Execute(HWND owner, HWND anchor) {
  char name[MAX_PATH] = {};
  fileName_.copy(name, MAX_PATH - 1);
  OPENFILENAMEA options{};
  options.lStructSize = sizeof(options);
  options.hwndOwner = owner;
  options.lpstrFilter = kFilter;
  options.nFilterIndex = filterIndex_;
  options.lpstrFile = name;
  options.nMaxFile = MAX_PATH;
  options.Flags = kOptions;
  options.lCustData = reinterpret_cast<LPARAM>(anchor);
  options.lpfnHook = PlacingHook;
  // comdlg32 disables only the dialog's owner, the application's hidden window. The main window
  // must take no input either while the dialog is up: a second Save, a Refresh or Exit would
  // run underneath it.
  const ModalBoxScope modal;
  const auto getSaveFileName =
      SystemFunction<decltype(&GetSaveFileNameA)>("comdlg32.dll", "GetSaveFileNameA");
  if (getSaveFileName == nullptr || !getSaveFileName(&options)) return false;
  fileName_ = name;
  filterIndex_ = options.nFilterIndex;
  return true;
}
