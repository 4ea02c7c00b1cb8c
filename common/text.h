// Single-byte string helpers shared by every subsystem. Strings are bytes in the system's
// ANSI code page; nothing here converts or interprets them.
#pragma once

#include <string>
#include <string_view>

// Replaces the first "%s" of a message pattern with text.
std::string FormatText(std::string_view pattern, std::string_view text);

// Replaces the first "%d" of a message pattern with a number in plain decimal.
std::string FormatNumber(std::string_view pattern, long long number);
