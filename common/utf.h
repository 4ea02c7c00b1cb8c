// UTF-8 and UTF-16, the two Unicode forms the program meets: the registry's W calls and a
// hive's names and texts are UTF-16; what tolvane-list writes is UTF-8.
#pragma once

#include <string>
#include <string_view>

inline constexpr char32_t kReplacementCharacter = 0xFFFD;

void AppendUtf8(std::string& out, char32_t code);
// The next code point of UTF-8 text; a malformed, overlong or surrogate sequence gives
// U+FFFD and advances by one byte.
char32_t NextUtf8(std::string_view text, std::size_t& at);

// An unpaired surrogate becomes U+FFFD.
std::string Utf16ToUtf8(std::u16string_view units);
// The same of UTF-16LE bytes; an odd last byte is ignored.
std::string Utf16LeToUtf8(std::string_view bytes);
std::u16string Utf8ToUtf16(std::string_view utf8);
