// A stand-in for the main window's Save command, for tests/gui/test_save_dialog.sh: shows
// SaveDialog1 a given number of times, saves two fixed rows to each accepted name, shows
// errors in a message box, and logs every outcome to a file.
// Usage: save_dialog_probe.exe LOGFILE RUNS
#include <windows.h>

#include <cstdio>
#include <cstdlib>

#include "output/text_export.h"
#include "output/win32_file_api.h"
#include "ui/win32_save_dialog.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  if (__argc != 3) return 2;
  FILE* log = std::fopen(__argv[1], "wb");
  if (log == nullptr) return 2;
  const int runs = std::atoi(__argv[2]);

  const HWND window = CreateWindowExA(0, "STATIC", "Save probe", WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                                      40, 40, 320, 200, nullptr, nullptr, instance, nullptr);
  RowStore rows;
  rows.Append("X").subItems = {"Y", "1.0", "", "", "", "", "", ""};
  rows.Append("Z").subItems = {"", "", "", "", "", "", "", ""};
  TSaveDialog saveDialog;
  Win32FileApi files;
  IoResult ioResult;
  for (int run = 1; run <= runs; ++run) {
    if (!saveDialog.Execute(window, window)) {
      std::fprintf(log, "%d cancelled %s\n", run, saveDialog.FileName().c_str());
      std::fflush(log);
      continue;
    }
    std::fprintf(log, "%d accepted %s\n", run, saveDialog.FileName().c_str());
    try {
      SaveRows(files, rows, saveDialog.FileName(), ioResult);
      std::fprintf(log, "%d saved\n", run);
      std::fflush(log);
    } catch (const Exception& e) {
      std::fprintf(log, "%d error %s\n", run, e.Message().c_str());
      std::fflush(log);
      MessageBoxA(window, e.Message().c_str(), "Probe", MB_ICONSTOP | MB_OK);
    }
  }
  std::fprintf(log, "end\n");
  std::fclose(log);
  DestroyWindow(window);
  return 0;
}
