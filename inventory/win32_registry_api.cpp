#include "inventory/win32_registry_api.h"

#include <windows.h>

#include <algorithm>
#include <iterator>

namespace {

HKEY ToHkey(RegKey key) { return reinterpret_cast<HKEY>(key); }

// wchar_t is UTF-16 here: the seam's char16_t text is the W calls' own.
static_assert(sizeof(wchar_t) == sizeof(char16_t));
const wchar_t* Wide(const char16_t* text) { return reinterpret_cast<const wchar_t*>(text); }
wchar_t* Wide(char16_t* text) { return reinterpret_cast<wchar_t*>(text); }

// The A and W calls take the same arguments but for their text: one body serves both.
template <typename Open, typename Char>
long OpenWith(Open open, HKEY key, const Char* subKey, std::uint32_t options,
              std::uint32_t samDesired, RegKey* result) {
  HKEY opened = nullptr;
  const LSTATUS status = open(key, subKey, options, samDesired, &opened);
  if (status == ERROR_SUCCESS && result) *result = reinterpret_cast<RegKey>(opened);
  return status;
}

template <typename Enum, typename Char>
long EnumWith(Enum enumKey, HKEY key, std::uint32_t index, Char* name, std::uint32_t* nameSize) {
  DWORD size = nameSize ? *nameSize : 0;
  const LSTATUS status =
      enumKey(key, index, name, nameSize ? &size : nullptr, nullptr, nullptr, nullptr, nullptr);
  if (nameSize) *nameSize = size;
  return status;
}

template <typename Query, typename Char>
long QueryValueWith(Query query, HKEY key, const Char* valueName, std::uint32_t* type,
                    std::uint8_t* data, std::uint32_t* dataSize) {
  DWORD valueType = type ? *type : 0;
  DWORD size = dataSize ? *dataSize : 0;
  const LSTATUS status =
      query(key, valueName, nullptr, type ? &valueType : nullptr, data, dataSize ? &size : nullptr);
  if (type) *type = valueType;
  if (dataSize) *dataSize = size;
  return status;
}

template <typename QueryInfo>
long QueryInfoWith(QueryInfo query, HKEY key, std::uint32_t* subKeys, std::uint32_t* maxSubKeyLen,
                   std::uint32_t* values, std::uint32_t* maxValueNameLen,
                   std::uint32_t* maxValueLen, std::uint64_t* lastWriteTime) {
  DWORD subKeyCount = 0, longestSubKey = 0, valueCount = 0, longestValueName = 0, longestData = 0;
  FILETIME written{};
  const LSTATUS status =
      query(key, nullptr, nullptr, nullptr, &subKeyCount, &longestSubKey, nullptr, &valueCount,
            &longestValueName, &longestData, nullptr, &written);
  if (status != ERROR_SUCCESS) return status;
  if (subKeys) *subKeys = subKeyCount;
  if (maxSubKeyLen) *maxSubKeyLen = longestSubKey;
  if (values) *values = valueCount;
  if (maxValueNameLen) *maxValueNameLen = longestValueName;
  if (maxValueLen) *maxValueLen = longestData;
  if (lastWriteTime) {
    *lastWriteTime =
        (static_cast<std::uint64_t>(written.dwHighDateTime) << 32) | written.dwLowDateTime;
  }
  return status;
}

}  // namespace

long Win32RegistryApi::OpenKeyEx(RegKey key, const char* subKey, std::uint32_t options,
                                 std::uint32_t samDesired, RegKey* result) {
  return OpenWith(RegOpenKeyExA, ToHkey(key), subKey, options, samDesired, result);
}

long Win32RegistryApi::QueryInfoKey(RegKey key, std::uint32_t* subKeys, std::uint32_t* maxSubKeyLen,
                                    std::uint32_t* values, std::uint32_t* maxValueNameLen,
                                    std::uint32_t* maxValueLen, std::uint64_t* lastWriteTime) {
  return QueryInfoWith(RegQueryInfoKeyA, ToHkey(key), subKeys, maxSubKeyLen, values,
                       maxValueNameLen, maxValueLen, lastWriteTime);
}

long Win32RegistryApi::EnumKeyEx(RegKey key, std::uint32_t index, char* name,
                                 std::uint32_t* nameSize) {
  return EnumWith(RegEnumKeyExA, ToHkey(key), index, name, nameSize);
}

long Win32RegistryApi::QueryValueEx(RegKey key, const char* valueName, std::uint32_t* type,
                                    std::uint8_t* data, std::uint32_t* dataSize) {
  return QueryValueWith(RegQueryValueExA, ToHkey(key), valueName, type, data, dataSize);
}

long Win32RegistryApi::CloseKey(RegKey key) { return RegCloseKey(ToHkey(key)); }

long Win32RegistryApi::OpenKeyExW(RegKey key, const char16_t* subKey, std::uint32_t options,
                                  std::uint32_t samDesired, RegKey* result) {
  return OpenWith(RegOpenKeyExW, ToHkey(key), Wide(subKey), options, samDesired, result);
}

long Win32RegistryApi::QueryInfoKeyW(RegKey key, std::uint32_t* subKeys,
                                     std::uint32_t* maxSubKeyLen, std::uint32_t* values,
                                     std::uint32_t* maxValueNameLen, std::uint32_t* maxValueLen,
                                     std::uint64_t* lastWriteTime) {
  return QueryInfoWith(RegQueryInfoKeyW, ToHkey(key), subKeys, maxSubKeyLen, values,
                       maxValueNameLen, maxValueLen, lastWriteTime);
}

long Win32RegistryApi::EnumKeyExW(RegKey key, std::uint32_t index, char16_t* name,
                                  std::uint32_t* nameSize) {
  return EnumWith(RegEnumKeyExW, ToHkey(key), index, Wide(name), nameSize);
}

long Win32RegistryApi::QueryValueExW(RegKey key, const char16_t* valueName, std::uint32_t* type,
                                     std::uint8_t* data, std::uint32_t* dataSize) {
  return QueryValueWith(RegQueryValueExW, ToHkey(key), Wide(valueName), type, data, dataSize);
}

std::uint32_t Win32RegistryApi::GetThreadLocale() { return ::GetThreadLocale(); }

bool Win32RegistryApi::GetCPInfo(std::uint32_t codePage, CpInfo* info) {
  CPINFO answer{};
  if (!::GetCPInfo(codePage, &answer)) return false;
  info->maxCharSize = answer.MaxCharSize;
  std::copy(std::begin(answer.DefaultChar), std::end(answer.DefaultChar), info->defaultChar);
  std::copy(std::begin(answer.LeadByte), std::end(answer.LeadByte), info->leadByte);
  return true;
}
