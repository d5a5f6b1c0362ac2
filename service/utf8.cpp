#include "service/utf8.h"

namespace service {

bool next_code_point(std::string_view text, std::size_t& pos, char32_t& code_point) {
  if (pos >= text.size()) return false;
  const auto lead = static_cast<unsigned char>(text[pos]);
  std::size_t extra = 0;
  char32_t value = 0;
  char32_t minimum = 0;
  if (lead < 0x80) {
    code_point = lead;
    ++pos;
    return true;
  } else if ((lead & 0xE0) == 0xC0) {
    extra = 1, value = lead & 0x1F, minimum = 0x80;
  } else if ((lead & 0xF0) == 0xE0) {
    extra = 2, value = lead & 0x0F, minimum = 0x800;
  } else if ((lead & 0xF8) == 0xF0) {
    extra = 3, value = lead & 0x07, minimum = 0x10000;
  } else {
    return false;
  }
  if (text.size() - pos - 1 < extra) return false;
  for (std::size_t i = 1; i <= extra; ++i) {
    const auto byte = static_cast<unsigned char>(text[pos + i]);
    if ((byte & 0xC0) != 0x80) return false;
    value = (value << 6) | (byte & 0x3F);
  }
  if (value < minimum || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) return false;
  code_point = value;
  pos += extra + 1;
  return true;
}

std::optional<std::size_t> utf8_length(std::string_view text) {
  std::size_t pos = 0;
  std::size_t count = 0;
  char32_t code_point = 0;
  while (next_code_point(text, pos, code_point)) ++count;
  if (pos != text.size()) return std::nullopt;
  return count;
}

bool is_han_character(char32_t c) {
  return (c >= 0x4E00 && c <= 0x9FFF) || (c >= 0x3400 && c <= 0x4DBF) ||
         (c >= 0xF900 && c <= 0xFAFF);
}

}  // namespace service
