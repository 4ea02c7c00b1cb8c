// The application object's two text rules: the title it derives from the program's file name,
// and the text its error box shows. Pure string work, so both are tested without Windows.
#pragma once

#include <functional>
#include <string>
#include <string_view>

// Lowers one character in the system's ANSI code page (CharLower on Windows).
using CharLowerFn = std::function<char(char)>;

// The module's path -> the title: what follows the last backslash, cut at its first period,
// every character after the first lowered. LISTER.EXE gives Lister, drv.report.exe gives drv.
std::string ApplicationTitle(std::string_view modulePath, const CharLowerFn& lower);

// An error's message as the error box shows it: a period is appended when the last character's
// code (as an unsigned byte) is above the period's; an empty message stays empty.
std::string ErrorBoxText(std::string_view message);
