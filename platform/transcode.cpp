#include "platform/transcode.h"

#include <cstdint>
#include <cstring>
#include <vector>

#include "platform/code_page_936_table.h"

namespace platform {
namespace {

// Output is written into a small block and appended from there, so no output space is cleared
// (and paid for) before it is written. Each step of a loop writes at most `step_room` units.
constexpr size_t block_size = 4096;
constexpr size_t step_room = 8;

// Widens the next eight bytes at once when all of them are ASCII, the common case in both
// charsets; false (and nothing done) otherwise.
[[gnu::always_inline]] inline bool widen_eight_ascii(const unsigned char*& p,
                                                  const unsigned char* end, char16_t*& w) {
  std::uint64_t word;
  if (end - p < 8) return false;
  std::memcpy(&word, p, sizeof word);
  if ((word & 0x8080808080808080u) != 0) return false;
  for (int i = 0; i < 8; ++i) w[i] = p[i];
  p += 8;
  w += 8;
  return true;
}

bool four_ascii_units(const char16_t* p) {
  std::uint64_t word;
  std::memcpy(&word, p, sizeof word);
  return (word & 0xFF80FF80FF80FF80u) == 0;
}

// Runs `step` (which converts one character, or a run of plain ones, from the source into the
// block; false when it cannot) until the source ends or a step fails, appending the output.
// Returns how many source units were converted.
template <typename Out, typename Source, typename Step>
size_t run_blocks(const Source* begin, const Source* end, Out& out, Step step) {
  using Unit = typename Out::value_type;
  Unit block[block_size];
  const Source* p = begin;
  bool stopped = false;
  while (p < end && !stopped) {
    Unit* w = block;
    while (p < end && w + step_room <= block + block_size) {
      if (!step(p, end, w)) {
        stopped = true;
        break;
      }
    }
    out.insert(out.end(), block, w);
  }
  return static_cast<size_t>(p - begin);
}

size_t decode_code_page_936(std::string_view bytes, std::u16string& out) {
  CodePage936Table& table = code_page_936_table();
  const auto* begin = reinterpret_cast<const unsigned char*>(bytes.data());
  return run_blocks(begin, begin + bytes.size(), out,
                    [&](const unsigned char*& p, const unsigned char* end, char16_t*& w) {
                      if (widen_eight_ascii(p, end, w)) return true;
                      const unsigned byte = *p;
                      char16_t c = byte < 0x80 ? static_cast<char16_t>(byte) : table.single(byte);
                      size_t length = 1;
                      if (c == CodePage936Table::not_held && byte >= 0x81 && byte <= 0xFE &&
                          end - p >= 2) {
                        c = table.pair(byte, p[1]);
                        length = 2;
                      }
                      if (c == CodePage936Table::not_held) return false;
                      *w++ = c;
                      p += length;
                      return true;
                    });
}

bool continuation(unsigned char byte) { return (byte & 0xC0) == 0x80; }

// Well-formed UTF-8 only: no overlong forms, no encoded surrogates, nothing above U+10FFFF.
size_t decode_utf8(std::string_view bytes, std::u16string& out) {
  const auto* begin = reinterpret_cast<const unsigned char*>(bytes.data());
  return run_blocks(begin, begin + bytes.size(), out,
                    [](const unsigned char*& p, const unsigned char* end, char16_t*& w) {
                      if (widen_eight_ascii(p, end, w)) return true;
                      const unsigned lead = p[0];
                      const ptrdiff_t left = end - p;
                      if (lead < 0x80) {
                        *w++ = static_cast<char16_t>(lead);
                        p += 1;
                        return true;
                      }
                      if (lead >= 0xC2 && lead <= 0xDF && left >= 2 && continuation(p[1])) {
                        *w++ = static_cast<char16_t>((lead & 0x1F) << 6 | (p[1] & 0x3F));
                        p += 2;
                        return true;
                      }
                      if (lead >= 0xE0 && lead <= 0xEF && left >= 3) {
                        const unsigned low = lead == 0xE0 ? 0xA0 : 0x80;
                        const unsigned high = lead == 0xED ? 0x9F : 0xBF;
                        if (p[1] < low || p[1] > high || !continuation(p[2])) return false;
                        *w++ = static_cast<char16_t>((lead & 0x0F) << 12 | (p[1] & 0x3F) << 6 |
                                                     (p[2] & 0x3F));
                        p += 3;
                        return true;
                      }
                      if (lead >= 0xF0 && lead <= 0xF4 && left >= 4) {
                        const unsigned low = lead == 0xF0 ? 0x90 : 0x80;
                        const unsigned high = lead == 0xF4 ? 0x8F : 0xBF;
                        if (p[1] < low || p[1] > high || !continuation(p[2]) ||
                            !continuation(p[3])) {
                          return false;
                        }
                        const std::uint32_t code = (lead & 0x07) << 18 | (p[1] & 0x3Fu) << 12 |
                                                   (p[2] & 0x3Fu) << 6 | (p[3] & 0x3Fu);
                        w[0] = static_cast<char16_t>(0xD7C0 + (code >> 10));
                        w[1] = static_cast<char16_t>(0xDC00 | (code & 0x3FF));
                        p += 4;
                        w += 2;
                        return true;
                      }
                      return false;
                    });
}

template <typename Bytes>
size_t encode_code_page_936(std::u16string_view text, Bytes& out) {
  using Byte = typename Bytes::value_type;
  CodePage936Table& table = code_page_936_table();
  return run_blocks(text.data(), text.data() + text.size(), out,
                    [&](const char16_t*& p, const char16_t* end, Byte*& w) {
                      if (end - p >= 4 && four_ascii_units(p)) {
                        for (int i = 0; i < 4; ++i) w[i] = static_cast<Byte>(p[i]);
                        p += 4;
                        w += 4;
                        return true;
                      }
                      const char16_t unit = *p;
                      const std::uint16_t code = unit < 0x80 ? unit : table.from_unicode(unit);
                      if (code == CodePage936Table::not_encodable) return false;
                      if (code < 0x100) {
                        *w++ = static_cast<Byte>(code);
                      } else {
                        *w++ = static_cast<Byte>(code >> 8);
                        *w++ = static_cast<Byte>(code & 0xFF);
                      }
                      ++p;
                      return true;
                    });
}

bool decode_rest(UConverter* converter, const char* source, const char* end,
                 std::u16string& out) {
  char16_t block[block_size];
  UErrorCode status = U_ZERO_ERROR;
  do {
    status = U_ZERO_ERROR;
    char16_t* target = block;
    ucnv_toUnicode(converter, &target, block + block_size, &source, end, nullptr, true, &status);
    out.append(block, static_cast<size_t>(target - block));
  } while (status == U_BUFFER_OVERFLOW_ERROR);
  return U_SUCCESS(status);
}

template <typename Bytes>
bool encode_rest(UConverter* converter, const char16_t* source, const char16_t* end,
                 Bytes& out) {
  char block[block_size];
  UErrorCode status = U_ZERO_ERROR;
  do {
    status = U_ZERO_ERROR;
    char* target = block;
    ucnv_fromUnicode(converter, &target, block + block_size, &source, end, nullptr, true,
                     &status);
    out.insert(out.end(), block, target);
  } while (status == U_BUFFER_OVERFLOW_ERROR);
  return U_SUCCESS(status);
}

}  // namespace

std::u16string decode_text(UConverter* converter, FastPath fast, std::string_view bytes) {
  ucnv_reset(converter);
  std::u16string text;
  text.reserve(bytes.size());  // no charset here gives more UTF-16 units than it took bytes
  size_t taken = 0;
  if (fast == FastPath::code_page_936) taken = decode_code_page_936(bytes, text);
  if (fast == FastPath::utf8) taken = decode_utf8(bytes, text);
  if (taken == bytes.size()) return text;
  const char* rest = bytes.data() + taken;
  if (!decode_rest(converter, rest, bytes.data() + bytes.size(), text)) return {};
  return text;
}

template <typename Bytes>
Bytes encode_text(UConverter* converter, FastPath fast, std::u16string_view text) {
  ucnv_reset(converter);
  Bytes bytes;
  bytes.reserve(static_cast<size_t>(
      UCNV_GET_MAX_BYTES_FOR_STRING(text.size(), ucnv_getMaxCharSize(converter))));
  size_t taken = 0;
  if (fast == FastPath::code_page_936) taken = encode_code_page_936(text, bytes);
  if (taken == text.size()) return bytes;
  const char16_t* rest = text.data() + taken;
  if (!encode_rest(converter, rest, text.data() + text.size(), bytes)) return {};
  return bytes;
}

template std::string encode_text<std::string>(UConverter*, FastPath, std::u16string_view);
template std::vector<std::uint8_t> encode_text<std::vector<std::uint8_t>>(UConverter*, FastPath,
                                                                          std::u16string_view);

}  // namespace platform
