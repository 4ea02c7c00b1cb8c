// Helpers for tests that print through the real Windows back end to the CUPS queue that
// scripts/printing.sh sets up, and check what the queue saved.
#pragma once

#include <string>
#include <vector>

#include "output/win32_printer.h"

// The real back end on the system's default printer, with the dialog confirmed unseen. A test
// has no windows, so no messages wait while it prints.
class NoDialogPrinterApi : public Win32PrinterApi {
 public:
  NoDialogPrinterApi() : Win32PrinterApi(nullptr, [] {}) {}
  bool PrintDialog(PrinterDevice*) override { return true; }
};

// The folder the test queue saves jobs to, as a Unix path (TOLVANE_PRINT_JOBS), and the same
// folder as Windows sees it.
std::string PrintJobsFolder();
std::string WindowsPath(const std::string& unixPath);

// The names of the saved jobs (job-ID.ps), in no particular order.
std::vector<std::string> SavedJobs();

// Waits for a job that is not among known; its Unix path, or "" after the timeout.
std::string WaitForNewJob(const std::vector<std::string>& known, int seconds = 60);

std::string ReadFileText(const std::string& unixPath);

// Runs a bash script on the Linux side of Wine and waits for it; its exit code, or -1.
int RunUnixScript(const std::string& script, int seconds = 120);
