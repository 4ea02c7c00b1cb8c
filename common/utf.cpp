#include "common/utf.h"

void AppendUtf8(std::string& out, char32_t code) {
  if (code < 0x80) {
    out += static_cast<char>(code);
  } else if (code < 0x800) {
    out += static_cast<char>(0xC0 | (code >> 6));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else if (code < 0x10000) {
    out += static_cast<char>(0xE0 | (code >> 12));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (code >> 18));
    out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  }
}

char32_t NextUtf8(std::string_view text, std::size_t& at) {
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned char lead = byte(at);
  int length = 0;
  char32_t code = 0;
  char32_t least = 0;
  if (lead < 0x80) {
    ++at;
    return lead;
  } else if (lead >= 0xC2 && lead < 0xE0) {
    length = 2, code = lead & 0x1F, least = 0x80;
  } else if (lead >= 0xE0 && lead < 0xF0) {
    length = 3, code = lead & 0x0F, least = 0x800;
  } else if (lead >= 0xF0 && lead < 0xF5) {
    length = 4, code = lead & 0x07, least = 0x10000;
  } else {
    ++at;
    return kReplacementCharacter;
  }
  if (at + length > text.size()) {
    ++at;
    return kReplacementCharacter;
  }
  for (int i = 1; i < length; ++i) {
    if ((byte(at + i) & 0xC0) != 0x80) {
      ++at;
      return kReplacementCharacter;
    }
    code = (code << 6) | (byte(at + i) & 0x3F);
  }
  if (code < least || code > 0x10FFFF || (code >= 0xD800 && code < 0xE000)) {
    ++at;
    return kReplacementCharacter;
  }
  at += length;
  return code;
}

namespace {

template <typename Unit>
std::string FromUtf16(std::size_t count, Unit unit) {
  // Most names and values are ASCII: a unit a byte, stored in place until the first that is not.
  std::string out(count, '\0');
  std::size_t i = 0;
  for (; i < count; ++i) {
    const char32_t code = unit(i);
    if (code >= 0x80) break;
    out[i] = static_cast<char>(code);
  }
  out.resize(i);
  for (; i < count; ++i) {
    char32_t code = unit(i);
    if (code < 0x80) {
      out += static_cast<char>(code);
      continue;
    }
    if (code >= 0xD800 && code < 0xDC00 && i + 1 < count && unit(i + 1) >= 0xDC00 &&
        unit(i + 1) < 0xE000) {
      code = 0x10000 + ((code - 0xD800) << 10) + (unit(i + 1) - 0xDC00);
      ++i;
    } else if (code >= 0xD800 && code < 0xE000) {
      code = kReplacementCharacter;
    }
    AppendUtf8(out, code);
  }
  return out;
}

}  // namespace

std::string Utf16ToUtf8(std::u16string_view units) {
  return FromUtf16(units.size(), [&](std::size_t i) -> char32_t { return units[i]; });
}

std::string Utf16LeToUtf8(std::string_view bytes) {
  return FromUtf16(bytes.size() / 2, [&](std::size_t i) -> char32_t {
    return static_cast<unsigned char>(bytes[2 * i]) | static_cast<unsigned char>(bytes[2 * i + 1])
                                                          << 8;
  });
}

std::u16string Utf8ToUtf16(std::string_view utf8) {
  std::u16string out;
  out.reserve(utf8.size());
  for (std::size_t at = 0; at < utf8.size();) {
    const char32_t code = NextUtf8(utf8, at);
    if (code >= 0x10000) {
      out += static_cast<char16_t>(0xD800 + ((code - 0x10000) >> 10));
      out += static_cast<char16_t>(0xDC00 + ((code - 0x10000) & 0x3FF));
    } else {
      out += static_cast<char16_t>(code);
    }
  }
  return out;
}
