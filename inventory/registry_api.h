// The registry seam: the registry calls the program makes, one for one, with Windows'
// arguments, results and error codes as plain integers: the A calls the window's scan makes,
// and the W calls the inventory's records are read with (UTF-16 as char16_t, lossless).
// Windows back end: win32_registry_api.cpp; the native tests use an in-memory registry.
#pragma once

#include <cstdint>

#include "common/windows_error_codes.h"
#include "inventory/locale_api.h"

// A key handle, holding an HKEY's value. The predefined roots have their Windows values
// (sign-extended to the pointer's width, as windows.h defines them).
using RegKey = std::uintptr_t;

inline const RegKey kHKeyCurrentUser =
    static_cast<RegKey>(static_cast<std::intptr_t>(static_cast<std::int32_t>(0x80000001u)));
inline const RegKey kHKeyLocalMachine =
    static_cast<RegKey>(static_cast<std::intptr_t>(static_cast<std::int32_t>(0x80000002u)));

inline constexpr std::uint32_t kKeyRead = 0x20019;       // KEY_READ
inline constexpr std::uint32_t kKeyAllAccess = 0xF003F;  // KEY_ALL_ACCESS

inline constexpr std::uint32_t kRegNone = 0;
inline constexpr std::uint32_t kRegSz = 1;
inline constexpr std::uint32_t kRegExpandSz = 2;
inline constexpr std::uint32_t kRegBinary = 3;
inline constexpr std::uint32_t kRegDword = 4;
inline constexpr std::uint32_t kRegDwordBigEndian = 5;
inline constexpr std::uint32_t kRegLink = 6;
inline constexpr std::uint32_t kRegMultiSz = 7;
inline constexpr std::uint32_t kRegResourceList = 8;
inline constexpr std::uint32_t kRegFullResourceDescriptor = 9;
inline constexpr std::uint32_t kRegResourceRequirementsList = 10;
inline constexpr std::uint32_t kRegQword = 11;

// The A calls give names in the ANSI code page, so whatever stands for the registry also
// answers the locale questions about that code page (a hive file stands for one of its own).
class RegistryApi : public LocaleApi {
 public:
  // RegOpenKeyExA
  virtual long OpenKeyEx(RegKey key, const char* subKey, std::uint32_t options,
                         std::uint32_t samDesired, RegKey* result) = 0;
  // RegQueryInfoKeyA without class, reserved word or security descriptor size. Any
  // out-pointer may be null.
  virtual long QueryInfoKey(RegKey key, std::uint32_t* subKeys, std::uint32_t* maxSubKeyLen,
                            std::uint32_t* values, std::uint32_t* maxValueNameLen,
                            std::uint32_t* maxValueLen, std::uint64_t* lastWriteTime) = 0;
  // RegEnumKeyExA without reserved word, class or time. nameSize: in, the buffer's size in
  // bytes; out, the name's length.
  virtual long EnumKeyEx(RegKey key, std::uint32_t index, char* name, std::uint32_t* nameSize) = 0;
  // RegQueryValueExA without reserved word. type and data may be null.
  virtual long QueryValueEx(RegKey key, const char* valueName, std::uint32_t* type,
                            std::uint8_t* data, std::uint32_t* dataSize) = 0;
  // RegCloseKey
  virtual long CloseKey(RegKey key) = 0;

  // RegOpenKeyExW
  virtual long OpenKeyExW(RegKey key, const char16_t* subKey, std::uint32_t options,
                          std::uint32_t samDesired, RegKey* result) = 0;
  // RegQueryInfoKeyW, as QueryInfoKey with lengths in UTF-16 code units.
  virtual long QueryInfoKeyW(RegKey key, std::uint32_t* subKeys, std::uint32_t* maxSubKeyLen,
                             std::uint32_t* values, std::uint32_t* maxValueNameLen,
                             std::uint32_t* maxValueLen, std::uint64_t* lastWriteTime) = 0;
  // RegEnumKeyExW without reserved word, class or time. nameSize: in, the buffer's size in
  // code units; out, the name's length.
  virtual long EnumKeyExW(RegKey key, std::uint32_t index, char16_t* name,
                          std::uint32_t* nameSize) = 0;
  // RegQueryValueExW without reserved word: texts as UTF-16LE bytes, as stored.
  virtual long QueryValueExW(RegKey key, const char16_t* valueName, std::uint32_t* type,
                             std::uint8_t* data, std::uint32_t* dataSize) = 0;
};
