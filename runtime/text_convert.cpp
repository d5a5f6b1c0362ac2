// Numbers and buffers to text and back.
#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>

#include "runtime/text.h"

Text to_text(int value) {
  char digits[16];
  const auto [end, error] = std::to_chars(digits, digits + sizeof digits, value);
  static_cast<void>(error);  // 16 characters always hold a 32-bit value
  return Text(digits, end);
}

Text to_text(double value) {
  char formatted[40];
  const int length = std::snprintf(formatted, sizeof formatted, "%.13g", value);
  const std::string_view plain(formatted, static_cast<std::size_t>(length));
  // The exponent is written with at least three digits ("1e+020"), wider than C on this
  // platform writes it, so it is widened here.
  const std::size_t exponent_mark = plain.find('e');
  if (exponent_mark == std::string_view::npos) return Text(plain);
  const std::size_t digits_at = exponent_mark + 2;  // after the 'e' and its sign
  const std::size_t digit_count = plain.size() - digits_at;
  Text result(plain.substr(0, digits_at));
  if (digit_count < 3) result.append(3 - digit_count, '0');
  result.append(plain.substr(digits_at));
  return result;
}

Text to_text(const Bytes& bytes) {
  return Text(bytes.begin(), std::find(bytes.begin(), bytes.end(), 0));
}

Text to_text(std::string_view text) { return Text(text); }

Text to_text(const char* text) { return text == nullptr ? Text() : Text(text); }

Text to_hex_text(int value) {
  char digits[16];
  const int length = std::snprintf(digits, sizeof digits, "%X", static_cast<unsigned>(value));
  return Text(digits, static_cast<std::size_t>(length));
}

int to_int(double value) {
  // Truncation gives a 64-bit value whose low 32 bits are kept. Values beyond the 64-bit range
  // (and NaN) have no truncation; they give the processor's "indefinite" value, whose low 32
  // bits are 0.
  if (!(std::fabs(value) < 9223372036854775808.0)) return 0;
  return static_cast<int>(static_cast<std::uint32_t>(static_cast<std::int64_t>(value)));
}

std::uint8_t to_byte(int value) { return static_cast<std::uint8_t>(value); }

Bytes to_bytes(std::string_view text) { return Bytes(text.begin(), text.end()); }
