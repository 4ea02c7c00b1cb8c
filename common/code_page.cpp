#include "common/code_page.h"

#include <array>

#include "common/utf.h"

namespace {

// Windows-1252's bytes 0x80 to 0x9F; the five it leaves undefined map to the C1 controls of
// the same value, as Windows maps them both ways.
constexpr std::array<char16_t, 32> kWestern80{
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

constexpr char kDefaultChar = '?';

char WesternByte(char32_t code) {
  if (code < 0x80 || (code >= 0xA0 && code <= 0xFF)) return static_cast<char>(code);
  for (std::size_t i = 0; i < kWestern80.size(); ++i) {
    if (kWestern80[i] == code) return static_cast<char>(0x80 + i);
  }
  return kDefaultChar;
}

}  // namespace

bool IsSupportedCodePage(unsigned codePage) {
  return codePage == kCodePageWestern || codePage == kCodePageUtf8;
}

std::string Utf16ToAnsi(unsigned codePage, std::string_view utf16le) {
  if (codePage == kCodePageUtf8) return Utf16LeToUtf8(utf16le);
  std::string out;
  out.reserve(utf16le.size() / 2);
  const std::string utf8 = Utf16LeToUtf8(utf16le);
  for (std::size_t at = 0; at < utf8.size();) out += WesternByte(NextUtf8(utf8, at));
  return out;
}

std::u16string AnsiToUtf16(unsigned codePage, std::string_view ansi) {
  std::u16string out;
  out.reserve(ansi.size());
  if (codePage == kCodePageUtf8) return Utf8ToUtf16(ansi);
  for (const char c : ansi) {
    const auto byte = static_cast<unsigned char>(c);
    out += byte >= 0x80 && byte < 0xA0 ? kWestern80[byte - 0x80] : static_cast<char16_t>(byte);
  }
  return out;
}

char16_t UpperCaseUnit(char16_t unit) {
  if ((unit >= u'a' && unit <= u'z') || (unit >= 0xE0 && unit <= 0xFE && unit != 0xF7) ||
      (unit >= 0x3B1 && unit <= 0x3CB && unit != 0x3C2) || (unit >= 0x430 && unit <= 0x44F)) {
    return unit - 0x20;
  }
  if (unit == 0xFF) return 0x178;
  if (unit >= 0x450 && unit <= 0x45F) return unit - 0x50;
  return unit;
}
