// The program's entry: the application object first, then the main window, then the loop.
#include <windows.h>
#include <commctrl.h>

#include <cstdlib>
#include <exception>
#include <string>

#include "ui/win32_application.h"
#include "ui/win32_program_cursor.h"
#include "ui/win32_unit1.h"
#include "ui/win32_unit2.h"

// An exception that nothing catches ends the program at once, as std::terminate's own last
// step does. The runtime's default handler of that name would first write the exception's
// demangled type name to a standard error stream that a GUI program does not have, and it
// brings its demangler and a printf with it (about 70 KB): the program's own definition
// keeps them out of the executable.
void __gnu_cxx::__verbose_terminate_handler() { std::abort(); }

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  INITCOMMONCONTROLSEX controls{sizeof(controls),
                                ICC_COOL_CLASSES | ICC_BAR_CLASSES | ICC_LISTVIEW_CLASSES};
  InitCommonControlsEx(&controls);
  try {
    TApplication application(instance);
    TForm1 form1(application);
    TAboutBox aboutBox(application.Handle());
    AboutBox = &aboutBox;
    application.AddIdleHandler(TrackHoverAtIdle);
    application.setCursorHook = ProgramCursorOnSetCursor;
    application.Run();
    AboutBox = nullptr;
  } catch (const std::exception& e) {
    // Start-up failed before the application could report anything itself.
    MessageBoxA(nullptr, e.what(), "Tolvane", MB_OK | MB_ICONERROR);
    return 1;
  }
  return 0;
}
