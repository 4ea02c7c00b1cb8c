#include "support_printing.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <sstream>

std::string PrintJobsFolder() {
  const char* folder = std::getenv("TOLVANE_PRINT_JOBS");
  return folder ? folder : "";
}

std::string WindowsPath(const std::string& unixPath) {
  std::string path = "Z:" + unixPath;
  std::replace(path.begin(), path.end(), '/', '\\');
  return path;
}

std::vector<std::string> SavedJobs() {
  std::vector<std::string> jobs;
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA(WindowsPath(PrintJobsFolder() + "/job-*.ps").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return jobs;
  do {
    jobs.emplace_back(found.cFileName);
  } while (FindNextFileA(search, &found));
  FindClose(search);
  return jobs;
}

std::string WaitForNewJob(const std::vector<std::string>& known, int seconds) {
  for (int tick = 0; tick < seconds * 10; ++tick) {
    for (const std::string& job : SavedJobs())
      if (std::find(known.begin(), known.end(), job) == known.end())
        return PrintJobsFolder() + "/" + job;
    Sleep(100);
  }
  return "";
}

std::string ReadFileText(const std::string& unixPath) {
  std::ifstream file(WindowsPath(unixPath), std::ios::binary);
  std::ostringstream text;
  text << file.rdbuf();
  return text.str();
}

int RunUnixScript(const std::string& script, int seconds) {
  char temp[MAX_PATH];
  GetTempPathA(sizeof(temp), temp);
  const std::string base = std::string(temp) + "tolvane-unix-" +
                           std::to_string(GetCurrentProcessId()) + "-" +
                           std::to_string(GetTickCount());
  const std::string scriptPath = base + ".sh";
  // Wine's start /unix runs the script detached: it leaves its exit code in a marker file
  // named after itself.
  {
    std::ofstream file(scriptPath, std::ios::binary);
    file << "#!/bin/bash\n(\n" << script << "\n)\necho $? > \"$0.done\"\n";
  }
  char unixScript[MAX_PATH * 2] = {};
  using ToUnix = char*(__cdecl*)(LPCWSTR);
  const auto toUnix = reinterpret_cast<ToUnix>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
  if (!toUnix) return -1;
  std::wstring wide(scriptPath.begin(), scriptPath.end());
  char* unixPath = toUnix(wide.c_str());
  if (!unixPath) return -1;
  lstrcpynA(unixScript, unixPath, sizeof(unixScript));
  HeapFree(GetProcessHeap(), 0, unixPath);

  std::string command = "start.exe /unix /bin/bash \"" + std::string(unixScript) + "\"";
  STARTUPINFOA startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process{};
  if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr,
                      nullptr, &startup, &process))
    return -1;
  WaitForSingleObject(process.hProcess, INFINITE);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  const std::string markerPath = scriptPath + ".done";
  for (int tick = 0; tick < seconds * 10; ++tick) {
    std::ifstream marker(markerPath);
    int code = -1;
    if (marker >> code) {
      marker.close();
      DeleteFileA(markerPath.c_str());
      DeleteFileA(scriptPath.c_str());
      return code;
    }
    Sleep(100);
  }
  return -1;
}
