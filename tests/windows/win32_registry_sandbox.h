// A scratch stand-in for HKEY_LOCAL_MACHINE, for the Windows tests and benchmarks: while a
// sandbox lives, HKEY_LOCAL_MACHINE in this process is redirected to a fresh key under
// HKEY_CURRENT_USER; the real one is restored and the scratch key deleted afterwards.
#pragma once

#include <windows.h>
#include <sddl.h>

#include <string>
#include <vector>

#include "common/win32_handles.h"

class RegistrySandbox {
 public:
  explicit RegistrySandbox(const char* name) {
    path_ = std::string("Software\\Tolvane Tests\\") + name + '-' +
            std::to_string(GetCurrentProcessId());
    RegDeleteTreeA(HKEY_CURRENT_USER, path_.c_str());
    HKEY scratch = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, path_.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                        &scratch, nullptr) != ERROR_SUCCESS) {
      return;
    }
    scratch_.reset(scratch);
    redirected_ = RegOverridePredefKey(HKEY_LOCAL_MACHINE, scratch_.get()) == ERROR_SUCCESS;
  }

  ~RegistrySandbox() {
    if (redirected_) RegOverridePredefKey(HKEY_LOCAL_MACHINE, nullptr);
    for (const std::string& locked : locked_) SetAccess(locked, "D:(A;;KA;;;WD)");
    scratch_.reset();
    RegDeleteTreeA(HKEY_CURRENT_USER, path_.c_str());
    RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\Tolvane Tests");  // only once it is empty
  }

  RegistrySandbox(const RegistrySandbox&) = delete;
  RegistrySandbox& operator=(const RegistrySandbox&) = delete;

  // False when the redirection failed: then nothing may be written.
  bool Ready() const { return redirected_; }
  const std::string& ScratchPath() const { return path_; }

  // Keys and values under the redirected HKEY_LOCAL_MACHINE.
  bool AddKey(const std::string& path) { return static_cast<bool>(Create(path)); }
  bool SetValue(const std::string& path, const char* name, DWORD type, const std::string& data) {
    const UniqueHkey key = Create(path);
    return key &&
           RegSetValueExA(key.get(), name, 0, type, reinterpret_cast<const BYTE*>(data.data()),
                          static_cast<DWORD>(data.size())) == ERROR_SUCCESS;
  }
  bool SetText(const std::string& path, const char* name, const std::string& text) {
    return SetValue(path, name, REG_SZ, std::string(text.c_str(), text.size() + 1));
  }

  // Replaces a key's access list (SDDL, e.g. "D:(A;;KR;;;WD)"); the key is opened up
  // again before the sandbox is deleted.
  bool Restrict(const std::string& path, const char* sddl) {
    locked_.push_back(path);
    return SetAccess(path, sddl);
  }

 private:
  UniqueHkey Create(const std::string& path) {
    if (!redirected_) return {};
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                        &key, nullptr) != ERROR_SUCCESS) {
      return {};
    }
    return UniqueHkey(key);
  }

  // Works through the scratch key itself, so it also runs after the redirection ended.
  bool SetAccess(const std::string& path, const char* sddl) {
    if (!scratch_) return false;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorA(sddl, SDDL_REVISION_1, &descriptor,
                                                              nullptr)) {
      return false;
    }
    HKEY opened = nullptr;
    LSTATUS status = RegOpenKeyExA(scratch_.get(), path.c_str(), 0, WRITE_DAC, &opened);
    if (status == ERROR_SUCCESS) {
      const UniqueHkey key(opened);
      status = RegSetKeySecurity(key.get(), DACL_SECURITY_INFORMATION, descriptor);
    }
    LocalFree(descriptor);
    return status == ERROR_SUCCESS;
  }

  std::string path_;
  UniqueHkey scratch_;
  bool redirected_ = false;
  std::vector<std::string> locked_;
};
