// How many kernel handles, GDI objects and USER objects a process holds, and its working set,
// counted from outside it where Wine leaves the counting calls unimplemented (they answer 0):
// the soak test's probe reads the program with these, and the fault tests read their own
// process the same way.
#pragma once

#define PSAPI_VERSION 1  // GetProcessMemoryInfo from psapi.dll, as older systems have it
#include <windows.h>
#include <psapi.h>
#include <winternl.h>

#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace resource_counts {

// Where the process environment block keeps the address of the process's GDI handle table,
// and the layout of one entry of that table.
constexpr std::size_t kPeb64GdiTableOffset = 0xF8;
constexpr std::size_t kPebGdiTableOffset = sizeof(void*) == 8 ? kPeb64GdiTableOffset : 0x94;
[[maybe_unused]] constexpr std::size_t kWow64PebDistance = 0x1000;
constexpr std::size_t kGdiTableEntries = 0x10000;
#pragma pack(push, 1)
struct GdiTableEntry {
  std::uint64_t object;
  std::uint32_t owner;
  std::uint8_t extType;  // bit 7: a stock object, shared by every process
  std::uint8_t generation;
  std::uint8_t type;  // Wine sets it to 0 when the object is deleted
  std::uint8_t flags;
  std::uint64_t userPointer;
};
#pragma pack(pop)
static_assert(sizeof(GdiTableEntry) == 24);
constexpr std::uint8_t kStockFlag = 0x80;

// One entry of the system's list of open handles (SystemExtendedHandleInformation).
struct SystemHandleEntry {
  void* object;
  ULONG_PTR processId;
  ULONG_PTR handleValue;
  ULONG grantedAccess;
  USHORT creatorBackTraceIndex;
  USHORT objectTypeIndex;
  ULONG handleAttributes;
  ULONG reserved;
};
constexpr ULONG kSystemExtendedHandleInformation = 64;
constexpr NTSTATUS kStatusInfoLengthMismatch = static_cast<NTSTATUS>(0xC0000004);

using QuerySystem = NTSTATUS(WINAPI*)(ULONG, void*, ULONG, ULONG*);
using QueryProcess = NTSTATUS(WINAPI*)(HANDLE, ULONG, void*, ULONG, ULONG*);
using QueryObject = NTSTATUS(WINAPI*)(HANDLE, ULONG, void*, ULONG, ULONG*);
constexpr ULONG kObjectNameInformation = 1;
constexpr ULONG kObjectTypeInformation = 2;

// An ntdll entry point; through a plain function pointer, the cast that GCC accepts.
template <typename Function>
inline Function NtFunction(const char* name) {
  const FARPROC proc = GetProcAddress(GetModuleHandleA("ntdll.dll"), name);
  return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(proc));
}

// A count and where it came from; -1 when no way of counting worked.
struct Figure {
  long long value = -1;
  const char* source = "none";
};

inline Figure Pick(long long api, const char* apiName, long long substitute,
                   const char* substituteName) {
  if (api > 0) return {api, apiName};
  if (substitute >= 0) return {substitute, substituteName};
  return {};
}

// The handles the process holds, as the system's handle list shows them; nullopt when the list
// cannot be read.
inline std::optional<std::vector<SystemHandleEntry>> ProcessHandles(DWORD pid) {
  const auto query = NtFunction<QuerySystem>("NtQuerySystemInformation");
  if (!query) return std::nullopt;
  std::vector<std::uint8_t> buffer(1 << 20);
  for (int attempt = 0; attempt < 8; ++attempt) {
    ULONG needed = 0;
    const NTSTATUS status = query(kSystemExtendedHandleInformation, buffer.data(),
                                  static_cast<ULONG>(buffer.size()), &needed);
    if (status == kStatusInfoLengthMismatch) {
      buffer.resize(std::max<std::size_t>(buffer.size() * 2, needed + 4096));
      continue;
    }
    if (status < 0) return std::nullopt;
    const auto count = *reinterpret_cast<const ULONG_PTR*>(buffer.data());
    const auto* entries =
        reinterpret_cast<const SystemHandleEntry*>(buffer.data() + 2 * sizeof(ULONG_PTR));
    std::vector<SystemHandleEntry> mine;
    for (ULONG_PTR i = 0; i < count; ++i) {
      if (entries[i].processId == pid) mine.push_back(entries[i]);
    }
    return mine;
  }
  return std::nullopt;
}

// The type or the name of a handle of another process, through a copy of it in the probe.
inline std::string HandleText(HANDLE process, ULONG_PTR value, ULONG informationClass) {
  const auto query = NtFunction<QueryObject>("NtQueryObject");
  HANDLE copy = nullptr;
  if (!query || !DuplicateHandle(process, reinterpret_cast<HANDLE>(value), GetCurrentProcess(),
                                 &copy, 0, FALSE, DUPLICATE_SAME_ACCESS)) {
    return "?";
  }
  std::vector<std::uint8_t> buffer(4096);
  std::string text = "?";
  if (query(copy, informationClass, buffer.data(), static_cast<ULONG>(buffer.size()), nullptr) >=
      0) {
    const auto* name = reinterpret_cast<const UNICODE_STRING*>(buffer.data());
    char narrow[1024] = {};
    WideCharToMultiByte(CP_UTF8, 0, name->Buffer, name->Length / sizeof(WCHAR), narrow,
                        sizeof(narrow) - 1, nullptr, nullptr);
    text = narrow;
  }
  CloseHandle(copy);
  return text;
}

inline long long ListedHandles(DWORD pid) {
  const auto handles = ProcessHandles(pid);
  return handles ? static_cast<long long>(handles->size()) : -1;
}

// Wine's Save dialog opens its list of last visited folders each time a name is accepted and
// never closes it: one registry key handle per Save, which the program cannot reach.
inline long long ComDlgMruKeys(DWORD pid) {
  constexpr std::string_view kMruKey = "\\ComDlg32\\LastVisitedMRU";
  HANDLE process = OpenProcess(PROCESS_DUP_HANDLE, FALSE, pid);
  const auto handles = ProcessHandles(pid);
  if (!process || !handles) {
    if (process) CloseHandle(process);
    return -1;
  }
  long long keys = 0;
  for (const SystemHandleEntry& entry : *handles) {
    if (HandleText(process, entry.handleValue, kObjectTypeInformation) != "Key") continue;
    if (HandleText(process, entry.handleValue, kObjectNameInformation).ends_with(kMruKey)) ++keys;
  }
  CloseHandle(process);
  return keys;
}

// Live GDI objects of the process, read from its own GDI handle table; stock objects left out.
inline long long TableGdiObjects(HANDLE process) {
  const auto query = NtFunction<QueryProcess>("NtQueryInformationProcess");
  if (!query) return -1;
  PROCESS_BASIC_INFORMATION basic{};
  if (query(process, ProcessBasicInformation, &basic, sizeof(basic), nullptr) < 0) return -1;
  const auto* peb = reinterpret_cast<const char*>(basic.PebBaseAddress);
  const void* table = nullptr;
  if (!ReadProcessMemory(process, peb + kPebGdiTableOffset, &table, sizeof(table), nullptr)) {
    return -1;
  }
#ifndef _WIN64
  // A 32-bit process under WoW64: Wine keeps the table's address only in the 64-bit PEB, which
  // lies one page before the 32-bit one.
  if (!table) {
    std::uint64_t wide = 0;
    if (ReadProcessMemory(process, peb - kWow64PebDistance + kPeb64GdiTableOffset, &wide,
                          sizeof(wide), nullptr) &&
        wide <= UINT32_MAX) {
      table = reinterpret_cast<const void*>(static_cast<std::uintptr_t>(wide));
    }
  }
#endif
  if (!table) return -1;
  std::vector<GdiTableEntry> entries(kGdiTableEntries);
  if (!ReadProcessMemory(process, table, entries.data(), entries.size() * sizeof(GdiTableEntry),
                         nullptr)) {
    return -1;
  }
  long long live = 0;
  for (const GdiTableEntry& entry : entries) {
    if (entry.type != 0 && (entry.extType & kStockFlag) == 0) ++live;
  }
  return live;
}

struct WindowCount {
  DWORD pid;
  long long count;
};

inline BOOL CALLBACK CountChild(HWND window, LPARAM param) {
  auto* search = reinterpret_cast<WindowCount*>(param);
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  if (pid == search->pid) ++search->count;
  return TRUE;
}

inline BOOL CALLBACK CountTopLevel(HWND window, LPARAM param) {
  CountChild(window, param);
  EnumChildWindows(window, CountChild, param);  // every descendant, not only the children
  return TRUE;
}

// Windows of the process, hidden and message-only ones included: the USER objects that can be
// seen from outside.
inline long long ProcessWindows(DWORD pid) {
  WindowCount search{pid, 0};
  EnumWindows(CountTopLevel, reinterpret_cast<LPARAM>(&search));
  for (HWND window = FindWindowExA(HWND_MESSAGE, nullptr, nullptr, nullptr); window != nullptr;
       window = FindWindowExA(HWND_MESSAGE, window, nullptr, nullptr)) {
    CountTopLevel(window, reinterpret_cast<LPARAM>(&search));
  }
  return search.count;
}

struct Figures {
  DWORD handlesApi = 0;
  bool handlesApiOk = false;  // whether the call reported success, whatever its count
  DWORD gdiApi = 0;
  DWORD userApi = 0;
  Figure handles;
  Figure gdi;
  Figure user;
  SIZE_T workingSet = 0;
  SIZE_T privateBytes = 0;
};

inline Figures Measure(DWORD pid) {
  Figures figures;
  HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, pid);
  if (!process) return figures;
  figures.handlesApiOk = GetProcessHandleCount(process, &figures.handlesApi) != FALSE;
  figures.gdiApi = GetGuiResources(process, GR_GDIOBJECTS);
  figures.userApi = GetGuiResources(process, GR_USEROBJECTS);
  // The probe's own handle to the process is in the probe, not in the list of the process.
  figures.handles =
      Pick(figures.handlesApi, "GetProcessHandleCount", ListedHandles(pid), "system handle list");
  figures.gdi =
      Pick(figures.gdiApi, "GetGuiResources", TableGdiObjects(process), "process GDI handle table");
  figures.user =
      Pick(figures.userApi, "GetGuiResources", ProcessWindows(pid), "windows of the process");
  PROCESS_MEMORY_COUNTERS memory{};
  memory.cb = sizeof(memory);
  if (GetProcessMemoryInfo(process, &memory, sizeof(memory))) {
    figures.workingSet = memory.WorkingSetSize;
    figures.privateBytes = memory.PagefileUsage;
  }
  CloseHandle(process);
  return figures;
}

}  // namespace resource_counts
