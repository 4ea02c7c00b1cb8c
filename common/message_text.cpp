#include "common/message_text.h"

#include "common/utf.h"

void AppendByteEscape(std::string& out, unsigned char byte) {
  switch (byte) {
    case '\n':
      out += "\\n";
      return;
    case '\r':
      out += "\\r";
      return;
    case '\t':
      out += "\\t";
      return;
    default: {
      static constexpr char kDigits[] = "0123456789abcdef";
      out += "\\x";
      out += kDigits[byte >> 4];
      out += kDigits[byte & 0xF];
    }
  }
}

std::string ErrorBoxText(std::string_view message) {
  std::string text(message);
  if (!text.empty() && static_cast<unsigned char>(text.back()) > static_cast<unsigned char>('.')) {
    text += '.';
  }
  return text;
}

std::string QuotedName(std::string_view text) {
  std::string out = "'";
  for (std::size_t i = 0; i < text.size();) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    std::size_t next = i;
    const char32_t code = NextUtf8(text, next);
    // A malformed byte decodes as U+FFFD and advances by one; a U+FFFD written in the text
    // takes three bytes.
    const bool malformed = code == kReplacementCharacter && next == i + 1;
    if (c == '\\' || c == '\'') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (code < 0x20 || code == 0x7F || (code >= 0x80 && code < 0xA0) || malformed) {
      for (; i < next; ++i) AppendByteEscape(out, static_cast<unsigned char>(text[i]));
      continue;
    } else {
      out.append(text.substr(i, next - i));
    }
    i = next;
  }
  out += "'";
  return out;
}
