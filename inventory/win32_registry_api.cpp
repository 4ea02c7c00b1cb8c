#include "inventory/win32_registry_api.h"

long Win32RegistryApi::OpenKeyEx(RegKey, const char*, std::uint32_t, std::uint32_t, RegKey*) {
  return kErrorFileNotFound;
}
long Win32RegistryApi::QueryInfoKey(RegKey, std::uint32_t*, std::uint32_t*, std::uint32_t*,
                                    std::uint32_t*, std::uint32_t*, std::uint64_t*) {
  return kErrorFileNotFound;
}
long Win32RegistryApi::EnumKeyEx(RegKey, std::uint32_t, char*, std::uint32_t*) {
  return kErrorNoMoreItems;
}
long Win32RegistryApi::QueryValueEx(RegKey, const char*, std::uint32_t*, std::uint8_t*,
                                    std::uint32_t*) {
  return kErrorFileNotFound;
}
long Win32RegistryApi::CloseKey(RegKey) { return kErrorSuccess; }
