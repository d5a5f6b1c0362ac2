#include "encoding/codepage_conversion.h"

#include <string>

#include "platform/codepage.h"

namespace {

constexpr int READ_TO_TERMINATOR = -1;

// Runs `convert(output, capacity)` into a buffer of `capacity` units filled with `fill`. When the
// output does not fit (the ANSI sizing can be too small for the target code page), the buffer is
// sized by the target code page itself and the conversion made again, so that the text is never
// lost nor replaced by the fill; an unknown code page gives an empty buffer.
template <typename Unit, typename Convert>
std::basic_string<Unit> convert_into(int capacity, Unit fill, Convert convert) {
  std::basic_string<Unit> buffer(static_cast<size_t>(capacity), fill);
  if (convert(buffer.data(), capacity) == 0) {
    capacity = convert(nullptr, 0);
    buffer.assign(static_cast<size_t>(capacity), fill);
    convert(buffer.data(), capacity);
  }
  return buffer;
}

// The UTF-16 units of `wide` up to its first zero unit, without reading past the buffer.
std::u16string units_of(const Bytes& wide) {
  std::u16string units;
  units.reserve(wide.size() / 2);
  for (size_t i = 0; i + 1 < wide.size(); i += 2) {
    const auto unit = static_cast<char16_t>(wide[i] | (wide[i + 1] << 8));
    if (unit == 0) break;
    units.push_back(unit);
  }
  return units;
}

}  // namespace

Bytes multibyte_to_utf16(const Text& text, int code_page) {
  const int needed_in_ansi = platform::multi_byte_to_wide_char(platform::CP_ANSI, text.c_str(),
                                                               READ_TO_TERMINATOR, nullptr, 0);
  const std::u16string buffer =
      convert_into(needed_in_ansi, u'\0', [&](char16_t* output, int capacity) {
        return platform::multi_byte_to_wide_char(static_cast<unsigned>(code_page), text.c_str(),
                                                 READ_TO_TERMINATOR, output, capacity);
      });
  Bytes out(buffer.size() * 2);
  for (size_t i = 0; i < buffer.size(); ++i) {
    out[2 * i] = static_cast<std::uint8_t>(buffer[i] & 0xFF);
    out[2 * i + 1] = static_cast<std::uint8_t>(buffer[i] >> 8);
  }
  return out;
}

Text utf16_to_multibyte(const Bytes& wide, int code_page) {
  const std::u16string units = units_of(wide);
  const int needed_in_ansi = platform::wide_char_to_multi_byte(
      platform::CP_ANSI, units.c_str(), READ_TO_TERMINATOR, nullptr, 0);
  // Twice the ANSI size holds the UTF-8 of ASCII and of every two-byte GBK character; the euro
  // sign 0x80, 0xFF and characters written as "?" are one byte in the ANSI code page but three in
  // UTF-8, which convert_into takes care of.
  Text buffer = convert_into(2 * needed_in_ansi, ' ', [&](char* output, int capacity) {
    return platform::wide_char_to_multi_byte(static_cast<unsigned>(code_page), units.c_str(),
                                             READ_TO_TERMINATOR, output, capacity);
  });
  const size_t terminator = buffer.find('\0');
  buffer.resize(terminator == Text::npos ? 0 : terminator);
  return buffer;
}

Text to_utf8(const Text& text) {
  return utf16_to_multibyte(multibyte_to_utf16(text, platform::CP_GBK), platform::CP_UTF8);
}
