#include "platform/stream_charset.h"

#include <unicode/ucnv.h>
#include <unicode/utf16.h>

#include <cctype>
#include <memory>

namespace platform {
namespace {

struct Alias {
  std::string_view name;  // lower case
  const char* converter_name;
};

constexpr Alias aliases[] = {
    {"utf-8", "UTF-8"},
    {"gbk", "windows-936"},
    {"gb2312", "windows-936"},  // as on Windows: the name stands for the whole of code page 936
    {"cp936", "windows-936"},
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

struct ConverterCloser {
  void operator()(UConverter* c) const { ucnv_close(c); }
};
using Converter = std::unique_ptr<UConverter, ConverterCloser>;

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

}  // namespace

std::optional<StreamCharset> StreamCharset::find(std::string_view name) {
  for (const Alias& alias : aliases) {
    if (same_letters(name, alias.name)) return StreamCharset(alias.converter_name);
  }
  return std::nullopt;
}

StreamCharset::Decoded StreamCharset::decode(std::span<const std::uint8_t> bytes,
                                             std::optional<std::size_t> max_units,
                                             bool at_start) const {
  Converter converter = open_converter(converter_name_);
  if (!converter || bytes.empty()) return {};

  // Every charset here gives at most one UTF-16 unit per byte; the loop is for any that would not.
  std::u16string text;
  std::vector<int32_t> offsets;
  for (size_t capacity = bytes.size() + 16;; capacity *= 2) {
    text.resize(capacity);
    if (max_units) offsets.resize(capacity);
    const char* source = reinterpret_cast<const char*>(bytes.data());
    char16_t* target = text.data();
    UErrorCode status = U_ZERO_ERROR;
    ucnv_toUnicode(converter.get(), &target, text.data() + text.size(), &source,
                   source + bytes.size(), max_units ? offsets.data() : nullptr, true, &status);
    if (status == U_BUFFER_OVERFLOW_ERROR) {
      ucnv_resetToUnicode(converter.get());
      continue;
    }
    if (U_FAILURE(status)) return {};
    text.resize(static_cast<size_t>(target - text.data()));
    break;
  }

  const size_t first = at_start && !text.empty() && text.front() == byte_order_mark ? 1 : 0;
  size_t end = text.size();
  size_t consumed = bytes.size();
  if (max_units && *max_units < text.size() - first) {
    end = first + *max_units;
    if (end > first && U16_IS_LEAD(text[end - 1])) ++end;
    if (end < text.size()) consumed = static_cast<size_t>(offsets[end]);
  }
  return {text.substr(first, end - first), consumed};
}

std::vector<std::uint8_t> StreamCharset::encode(std::u16string_view text) const {
  Converter converter = open_converter(converter_name_);
  if (!converter || text.empty()) return {};
  std::vector<std::uint8_t> bytes(static_cast<size_t>(
      UCNV_GET_MAX_BYTES_FOR_STRING(text.size(), ucnv_getMaxCharSize(converter.get()))));
  UErrorCode status = U_ZERO_ERROR;
  const int32_t written = ucnv_fromUChars(
      converter.get(), reinterpret_cast<char*>(bytes.data()), static_cast<int32_t>(bytes.size()),
      text.data(), static_cast<int32_t>(text.size()), &status);
  if (U_FAILURE(status)) return {};
  bytes.resize(static_cast<size_t>(written));
  return bytes;
}

}  // namespace platform
