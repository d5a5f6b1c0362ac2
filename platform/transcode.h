// Whole-text conversion between a charset's bytes and UTF-16 through an ICU converter, with a
// table-driven fast path for code page 936 and UTF-8, the charsets nearly every text here is in.
//
// The fast path converts only characters it knows exactly and stops before the first thing it
// does not (malformed bytes, an unmapped code, a surrogate, a character the code page lacks);
// the converter, with its own substitution settings, converts the rest. Both charsets are
// stateless, so the result is always exactly the converter's. The converter is reset first.
//
//   std::u16string text = platform::decode_text(gbk, platform::FastPath::code_page_936, bytes);
//   std::string back = platform::encode_text<std::string>(gbk, FastPath::code_page_936, text);
#pragma once

#include <unicode/ucnv.h>

#include <memory>
#include <string>
#include <string_view>

namespace platform {

struct ConverterCloser {
  void operator()(UConverter* c) const { ucnv_close(c); }
};
// An ICU converter and its one owner.
using Converter = std::unique_ptr<UConverter, ConverterCloser>;

enum class FastPath { none, code_page_936, utf8 };

// Empty when the converter fails.
std::u16string decode_text(UConverter* converter, FastPath fast, std::string_view bytes);

// `Bytes` is std::string or std::vector<std::uint8_t>. Empty when the converter fails.
template <typename Bytes>
Bytes encode_text(UConverter* converter, FastPath fast, std::u16string_view text);

}  // namespace platform
