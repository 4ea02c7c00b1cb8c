// An in-memory registry behind the registry seam, for the native tests (and later the fuzz
// target): keys named case-insensitively and enumerated in case-insensitive name order as
// Windows does, typed values with their exact bytes, refused access, any call failing with
// any code, a count of open handles and a record of every call made. The W calls are served
// by the same tree and counted as the A call they mirror: names are UTF-8 in the tree, and a
// value's stored bytes are what both give (a test of the W readers stores texts as UTF-16LE).
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "fault_plan.h"
#include "inventory/registry_api.h"

enum class RegCall { OpenKeyEx, QueryInfoKey, EnumKeyEx, QueryValueEx, CloseKey };

struct RegCallRecord {
  RegCall call;
  std::string key;       // the key's path, e.g. "HKLM\SYSTEM\Select"; "#<handle>" if unknown
  std::string name;      // the subkey path (open) or value name (value query)
  std::uint32_t number;  // access (open), index (enum)
  std::uint32_t size;    // buffer size passed in (enum, value query); 0 without a buffer
  long result;
};

class FakeRegistry final : public RegistryApi {
 public:
  FakeRegistry();
  ~FakeRegistry() override;

  // The tree. Paths are backslash-separated below a root; keys along the way are created.
  void AddKey(std::string_view path, RegKey root = kHKeyLocalMachine);
  void SetValue(std::string_view keyPath, std::string_view name, std::uint32_t type,
                std::string_view data, RegKey root = kHKeyLocalMachine);
  // A REG_SZ value stored with its terminating NUL.
  void SetText(std::string_view keyPath, std::string_view name, std::string_view text,
               RegKey root = kHKeyLocalMachine);
  // Removes a key with its subtree; handles still open on it then fail with
  // ERROR_KEY_DELETED. False if there was no such key.
  bool DeleteKey(std::string_view path, RegKey root = kHKeyLocalMachine);
  // The key's last-written time (a FILETIME), 0 unless set.
  void SetLastWritten(std::string_view path, std::uint64_t fileTime,
                      RegKey root = kHKeyLocalMachine);
  // Opening the key while requesting any of these access bits fails with ERROR_ACCESS_DENIED.
  void RefuseAccess(std::string_view path, std::uint32_t deniedMask,
                    RegKey root = kHKeyLocalMachine);
  // A size query without a buffer reports this many bytes instead of the stored size (the
  // narrow API may overstate the size of converted text).
  void ReportSize(std::string_view keyPath, std::string_view name, std::uint32_t size,
                  RegKey root = kHKeyLocalMachine);

  // Faults. Ordinals count from 1. A failed call does nothing but return the code, except
  // that a failed close still releases the handle: a caller has no way to retry it.
  void FailCall(RegCall call, std::size_t ordinal, long code);  // the n-th call of a kind
  void FailNthCall(std::size_t ordinal, long code);             // the n-th call of any kind
  // Runs before each call is served, with the call's ordinal among all calls: lets a test
  // change the tree in the middle of a command.
  void OnCall(std::function<void(RegCall call, std::size_t ordinal)> hook);

  // The answers of the locale questions: US English and a single-byte ANSI code page unless
  // set; no answer for the code page makes GetCPInfo fail.
  void SetLocale(std::uint32_t threadLocale, std::optional<CpInfo> ansiCodePage) {
    threadLocale_ = threadLocale;
    ansiCodePage_ = ansiCodePage;
  }

  std::size_t OpenHandles() const { return handles_.size(); }
  const std::vector<RegCallRecord>& Calls() const { return calls_; }
  std::size_t CallCount(RegCall call) const { return faults_.Calls(call); }
  // One line a call, e.g. "Open HKLM SYSTEM\Select 0x20019 = 0".
  std::vector<std::string> Trace() const;
  void ClearCalls() { calls_.clear(); }

  long OpenKeyEx(RegKey key, const char* subKey, std::uint32_t options, std::uint32_t samDesired,
                 RegKey* result) override;
  long QueryInfoKey(RegKey key, std::uint32_t* subKeys, std::uint32_t* maxSubKeyLen,
                    std::uint32_t* values, std::uint32_t* maxValueNameLen,
                    std::uint32_t* maxValueLen, std::uint64_t* lastWriteTime) override;
  long EnumKeyEx(RegKey key, std::uint32_t index, char* name, std::uint32_t* nameSize) override;
  long QueryValueEx(RegKey key, const char* valueName, std::uint32_t* type, std::uint8_t* data,
                    std::uint32_t* dataSize) override;
  long CloseKey(RegKey key) override;
  long OpenKeyExW(RegKey key, const char16_t* subKey, std::uint32_t options,
                  std::uint32_t samDesired, RegKey* result) override;
  long QueryInfoKeyW(RegKey key, std::uint32_t* subKeys, std::uint32_t* maxSubKeyLen,
                     std::uint32_t* values, std::uint32_t* maxValueNameLen,
                     std::uint32_t* maxValueLen, std::uint64_t* lastWriteTime) override;
  long EnumKeyExW(RegKey key, std::uint32_t index, char16_t* name,
                  std::uint32_t* nameSize) override;
  long QueryValueExW(RegKey key, const char16_t* valueName, std::uint32_t* type, std::uint8_t* data,
                     std::uint32_t* dataSize) override;
  std::uint32_t GetThreadLocale() override { return threadLocale_; }
  bool GetCPInfo(std::uint32_t codePage, CpInfo* info) override {
    if (codePage != kCpAcp || !ansiCodePage_) return false;
    *info = *ansiCodePage_;
    return true;
  }

 private:
  struct Node;

  std::shared_ptr<Node> RootNode(RegKey root);
  std::shared_ptr<Node> Find(const std::shared_ptr<Node>& base, std::string_view path) const;
  std::shared_ptr<Node> Create(RegKey root, std::string_view path);
  std::shared_ptr<Node> Resolve(RegKey key) const;
  std::string KeyName(RegKey key) const;
  // Counts the call, runs the hook and returns an injected failure's code, if any.
  std::optional<long> Begin(RegCall call);
  // Begins the recorded call; true when it is to fail, with the code set as its result.
  bool Faulted(RegCallRecord& record);
  template <typename Char>
  long Enum(RegKey key, std::uint32_t index, Char* name, std::uint32_t* nameSize);
  long Record(RegCallRecord record);

  std::map<RegKey, std::shared_ptr<Node>> roots_;
  std::map<RegKey, std::shared_ptr<Node>> handles_;
  RegKey nextHandle_ = 0x1000;
  FaultPlan<RegCall> faults_;
  std::function<void(RegCall, std::size_t)> hook_;
  std::vector<RegCallRecord> calls_;
  std::uint32_t threadLocale_ = 0x0409;
  std::optional<CpInfo> ansiCodePage_ = CpInfo{1, {'?', 0}, {}};
};
