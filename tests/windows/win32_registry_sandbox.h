// A scratch stand-in for HKEY_LOCAL_MACHINE, for the Windows tests and benchmarks: while a
// sandbox lives, HKEY_LOCAL_MACHINE in this process is redirected to a fresh key under
// HKEY_CURRENT_USER; the real one is restored and the scratch key deleted afterwards.
#pragma once

#include <windows.h>
#include <sddl.h>

#include <string>
#include <vector>

class RegistrySandbox {
 public:
  explicit RegistrySandbox(const char* name) {
    path_ = std::string("Software\\Tolvane Tests\\") + name + '-' +
            std::to_string(GetCurrentProcessId());
    RegDeleteTreeA(HKEY_CURRENT_USER, path_.c_str());
    if (RegCreateKeyExA(HKEY_CURRENT_USER, path_.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                        &scratch_, nullptr) != ERROR_SUCCESS) {
      scratch_ = nullptr;
      return;
    }
    redirected_ = RegOverridePredefKey(HKEY_LOCAL_MACHINE, scratch_) == ERROR_SUCCESS;
  }

  ~RegistrySandbox() {
    if (redirected_) RegOverridePredefKey(HKEY_LOCAL_MACHINE, nullptr);
    for (const std::string& locked : locked_) SetAccess(locked, "D:(A;;KA;;;WD)");
    if (scratch_) RegCloseKey(scratch_);
    RegDeleteTreeA(HKEY_CURRENT_USER, path_.c_str());
    RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\Tolvane Tests");  // only once it is empty
  }

  RegistrySandbox(const RegistrySandbox&) = delete;
  RegistrySandbox& operator=(const RegistrySandbox&) = delete;

  // False when the redirection failed: then nothing may be written.
  bool Ready() const { return redirected_; }
  const std::string& ScratchPath() const { return path_; }

  // Keys and values under the redirected HKEY_LOCAL_MACHINE.
  bool AddKey(const std::string& path) {
    HKEY key = Create(path);
    if (key) RegCloseKey(key);
    return key != nullptr;
  }
  bool SetValue(const std::string& path, const char* name, DWORD type, const std::string& data) {
    HKEY key = Create(path);
    if (!key) return false;
    const LSTATUS status =
        RegSetValueExA(key, name, 0, type, reinterpret_cast<const BYTE*>(data.data()),
                       static_cast<DWORD>(data.size()));
    RegCloseKey(key);
    return status == ERROR_SUCCESS;
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
  HKEY Create(const std::string& path) {
    if (!redirected_) return nullptr;
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                        &key, nullptr) != ERROR_SUCCESS) {
      return nullptr;
    }
    return key;
  }

  // Works through the scratch key itself, so it also runs after the redirection ended.
  bool SetAccess(const std::string& path, const char* sddl) {
    if (!scratch_) return false;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorA(sddl, SDDL_REVISION_1, &descriptor,
                                                              nullptr)) {
      return false;
    }
    HKEY key = nullptr;
    LSTATUS status = RegOpenKeyExA(scratch_, path.c_str(), 0, WRITE_DAC, &key);
    if (status == ERROR_SUCCESS) {
      status = RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, descriptor);
      RegCloseKey(key);
    }
    LocalFree(descriptor);
    return status == ERROR_SUCCESS;
  }

  std::string path_;
  HKEY scratch_ = nullptr;
  bool redirected_ = false;
  std::vector<std::string> locked_;
};
