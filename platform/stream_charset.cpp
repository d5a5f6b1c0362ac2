#include "platform/stream_charset.h"

#include <unicode/ucnv.h>
#include <unicode/utf16.h>

#include <cctype>
#include <memory>
#include <utility>

#include "platform/transcode.h"

namespace platform {
namespace {

struct Alias {
  std::string_view name;  // lower case
  const char* converter_name;
  FastPath fast = FastPath::none;
};

constexpr Alias aliases[] = {
    {"utf-8", "UTF-8", FastPath::utf8},
    {"gbk", "windows-936", FastPath::code_page_936},
    // As on Windows: the name stands for the whole of code page 936.
    {"gb2312", "windows-936", FastPath::code_page_936},
    {"cp936", "windows-936", FastPath::code_page_936},
    {"gb18030", "gb18030"},
    {"big5", "windows-950"},
    {"unicode", "UTF-16LE"},
    {"utf-16", "UTF-16LE"},
    {"utf-16le", "UTF-16LE"},
    {"utf-16be", "UTF-16BE"},
    {"unicodefffe", "UTF-16BE"},
    {"ascii", "US-ASCII"},
    {"us-ascii", "US-ASCII"},
    {"iso-8859-1", "ISO-8859-1"},
    {"windows-1252", "windows-1252"},
};

bool same_letters(std::string_view name, std::string_view lower) {
  if (name.size() != lower.size()) return false;
  for (size_t i = 0; i < name.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(name[i])) != lower[i]) return false;
  }
  return true;
}

// A fresh converter per call: converters carry state and a stream may be used from any thread.
// Best-fit mappings are off, so a character the charset lacks becomes the substitute rather than
// a look-alike.
Converter open_converter(const char* name) {
  UErrorCode status = U_ZERO_ERROR;
  Converter converter(ucnv_open(name, &status));
  if (U_FAILURE(status)) return nullptr;
  status = U_ZERO_ERROR;
  ucnv_setSubstChars(converter.get(), "?", 1, &status);  // refused by UTF-16, which lacks nothing
  ucnv_setFallback(converter.get(), false);
  return converter;
}

constexpr char16_t byte_order_mark = 0xFEFF;

// Character by character, so that the bytes taken are known exactly.
StreamCharset::Decoded decode_some(UConverter* converter, std::span<const std::uint8_t> bytes,
                                   size_t max_units, bool at_start) {
  StreamCharset::Decoded decoded;
  const char* const begin = reinterpret_cast<const char*>(bytes.data());
  const char* const end = begin + bytes.size();
  const char* source = begin;
  bool mark_possible = at_start;
  while (decoded.text.size() < max_units && source < end) {
    UErrorCode status = U_ZERO_ERROR;
    const UChar32 c = ucnv_getNextUChar(converter, &source, end, &status);
    if (U_FAILURE(status)) break;
    if (std::exchange(mark_possible, false) && c == byte_order_mark) continue;
    if (U_IS_BMP(c)) {
      decoded.text.push_back(static_cast<char16_t>(c));
    } else {
      decoded.text.push_back(U16_LEAD(c));
      decoded.text.push_back(U16_TRAIL(c));
    }
  }
  decoded.consumed = static_cast<size_t>(source - begin);
  return decoded;
}

}  // namespace

std::optional<StreamCharset> StreamCharset::find(std::string_view name) {
  for (const Alias& alias : aliases) {
    if (same_letters(name, alias.name)) return StreamCharset(alias.converter_name, alias.fast);
  }
  return std::nullopt;
}

StreamCharset::Decoded StreamCharset::decode(std::span<const std::uint8_t> bytes,
                                             std::optional<std::size_t> max_units,
                                             bool at_start) const {
  Converter converter = open_converter(converter_name_);
  if (!converter || bytes.empty()) return {};
  if (max_units) return decode_some(converter.get(), bytes, *max_units, at_start);
  std::u16string text = decode_text(
      converter.get(), fast_,
      std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
  if (at_start && !text.empty() && text.front() == byte_order_mark) text.erase(0, 1);
  return {std::move(text), bytes.size()};
}

std::vector<std::uint8_t> StreamCharset::encode(std::u16string_view text) const {
  Converter converter = open_converter(converter_name_);
  if (!converter || text.empty()) return {};
  return encode_text<std::vector<std::uint8_t>>(converter.get(), fast_, text);
}

}  // namespace platform
