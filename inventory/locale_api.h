// The locale seam: the two questions about the thread's locale and the ANSI code page that
// size the reader's name buffer, one for one with kernel32's GetThreadLocale and GetCPInfo.
#pragma once

#include <cstdint>

inline constexpr std::uint32_t kCpAcp = 0;  // CP_ACP

// CPINFO. leadByte holds pairs of first and last lead byte, ended by a pair of zeros.
struct CpInfo {
  std::uint32_t maxCharSize = 0;
  std::uint8_t defaultChar[2] = {};
  std::uint8_t leadByte[12] = {};
};

class LocaleApi {
 public:
  virtual ~LocaleApi() = default;

  // GetThreadLocale: the thread's LCID.
  virtual std::uint32_t GetThreadLocale() = 0;
  // GetCPInfo: false when the code page is not installed.
  virtual bool GetCPInfo(std::uint32_t codePage, CpInfo* info) = 0;
};
