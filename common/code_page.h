// The ANSI code pages tolvane-list can stand in for where no Windows converts text: the
// hive's UTF-16 names and texts to single-byte strings as the A registry calls return them,
// and back for the names they are given. Windows-1252 (Western) and 65001 (UTF-8).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

inline constexpr unsigned kCodePageWestern = 1252;
inline constexpr unsigned kCodePageUtf8 = 65001;

bool IsSupportedCodePage(unsigned codePage);

// UTF-16LE bytes (an odd last byte is ignored, as Windows does) to the code page, code unit
// by code unit as Windows converts: a character the code page lacks becomes the one Windows
// finds best for it, or the default character ('?': one for each half of a surrogate pair).
std::string Utf16ToAnsi(unsigned codePage, std::string_view utf16le);
// The code page's bytes to UTF-16 code units.
std::u16string AnsiToUtf16(unsigned codePage, std::string_view ansi);

// A code unit in upper case, as the registry compares names: ASCII, Latin-1, Greek and
// Cyrillic letters (the scripts of the code pages above that names are written in).
char16_t UpperCaseUnit(char16_t unit);
