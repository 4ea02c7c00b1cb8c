// The registry seam's Windows back end: each operation is one advapi32 call (kernel32 for the
// two locale questions).
#pragma once

#include "inventory/registry_api.h"

class Win32RegistryApi final : public RegistryApi {
 public:
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
  std::uint32_t GetThreadLocale() override;
  bool GetCPInfo(std::uint32_t codePage, CpInfo* info) override;
};
