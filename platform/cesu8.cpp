#include "platform/cesu8.h"

#include <cstdint>

namespace platform {

std::string utf16_to_cesu8(std::u16string_view text) {
  std::string out(text.size() * 3, '\0');
  char* at = out.data();
  for (char16_t unit : text) {
    if (unit < 0x80) {
      *at++ = static_cast<char>(unit);
    } else if (unit < 0x800) {
      *at++ = static_cast<char>(0xC0 | (unit >> 6));
      *at++ = static_cast<char>(0x80 | (unit & 0x3F));
    } else {
      *at++ = static_cast<char>(0xE0 | (unit >> 12));
      *at++ = static_cast<char>(0x80 | ((unit >> 6) & 0x3F));
      *at++ = static_cast<char>(0x80 | (unit & 0x3F));
    }
  }
  out.resize(static_cast<std::size_t>(at - out.data()));
  return out;
}

namespace {

bool is_continuation(std::uint8_t byte) { return (byte & 0xC0) == 0x80; }

}  // namespace

std::u16string cesu8_to_utf16(std::string_view bytes) {
  std::u16string out;
  out.reserve(bytes.size());
  const auto at = [&](std::size_t i) { return static_cast<std::uint8_t>(bytes[i]); };
  std::size_t i = 0;
  while (i < bytes.size()) {
    const std::uint8_t lead = at(i);
    std::size_t length = lead < 0x80 ? 1 : lead >= 0xC2 && lead < 0xE0 ? 2
                         : lead >= 0xE0 && lead < 0xF0                  ? 3
                         : lead >= 0xF0 && lead < 0xF5                  ? 4
                                                                        : 0;
    for (std::size_t k = 1; k < length; ++k) {
      if (i + k >= bytes.size() || !is_continuation(at(i + k))) length = 0;
    }
    if (length == 0) {
      out += u'\uFFFD';
      ++i;
      continue;
    }
    std::uint32_t code = length == 1 ? lead : lead & (0x7F >> length);
    for (std::size_t k = 1; k < length; ++k) code = (code << 6) | (at(i + k) & 0x3F);
    if (code > 0xFFFF && code <= 0x10FFFF) {
      code -= 0x10000;
      out += static_cast<char16_t>(0xD800 + (code >> 10));
      out += static_cast<char16_t>(0xDC00 + (code & 0x3FF));
    } else if (code > 0xFFFF) {
      out += u'\uFFFD';
    } else {
      out += static_cast<char16_t>(code);
    }
    i += length;
  }
  return out;
}

}  // namespace platform
