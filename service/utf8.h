// Reading UTF-8 text one code point at a time: validation, length in characters, and the test for
// Chinese characters (which the Japanese voice cannot read).
//
//   std::optional<std::size_t> n = utf8_length("语音");   // 2
//   std::size_t pos = 0; char32_t c;
//   while (next_code_point(text, pos, c)) { ... }
#pragma once

#include <cstddef>
#include <optional>
#include <string_view>

namespace service {

// Decodes the code point at `pos` and advances `pos` past it. Returns false at the end of the text
// and on any malformed sequence (stray continuation byte, truncated sequence, overlong form,
// surrogate, value above U+10FFFF); `pos` is then left where the bad sequence starts.
bool next_code_point(std::string_view text, std::size_t& pos, char32_t& code_point);

// The number of code points, or nothing when the text is not well-formed UTF-8. Empty text: 0.
std::optional<std::size_t> utf8_length(std::string_view text);

// True for the CJK unified ideographs (the basic block, extension A and the compatibility block):
// hanzi to a Chinese voice, kanji to a Japanese one. Kana, punctuation and Latin are false.
bool is_han_character(char32_t code_point);

}  // namespace service
