// The application object's title rule: the title it derives from the program's file name, and
// the main window's count text. Pure string work, so it is tested without Windows. The error box's
// text rule is common's (common/message_text.h): tolvane-list's error lines follow it too.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

// Lowers one character in the system's ANSI code page (CharLower on Windows).
using CharLowerFn = std::function<char(char)>;

// The module's path -> the title: what follows the last backslash, cut at its first period,
// every character after the first lowered. LISTER.EXE gives Lister, drv.report.exe gives drv.
std::string ApplicationTitle(std::string_view modulePath, const CharLowerFn& lower);

// The status bar's first panel after a scan: "Count: " and the number of rows.
std::string CountStatusText(std::size_t rows);
