// How a text becomes part of a message the user reads: the error box's period rule, and the
// quoting of names that come from outside (a command line, a hive, a file name), so that every
// message stays one line and no byte of such a name reaches a terminal as a control.
#pragma once

#include <string>
#include <string_view>

// An error's message as the error box shows it: a period is appended when the last character's
// code (as an unsigned byte) is above the period's; an empty message stays empty.
std::string ErrorBoxText(std::string_view message);

// Appends the escape of a byte that must not reach a terminal as it is: \n, \r or \t for
// those three, \xHH (lower-case hex) for any other.
void AppendByteEscape(std::string& out, unsigned char byte);

// text in single quotes, with a backslash, a quote, each control character (C0, DEL and the
// C1 controls U+0080 to U+009F) and each byte that is not part of valid UTF-8 escaped as \\,
// \', \n, \r, \t or \xHH. Any other UTF-8 character stays as it is.
std::string QuotedName(std::string_view text);
