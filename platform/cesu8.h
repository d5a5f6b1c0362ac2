// UTF-16 <-> CESU-8, the byte form in which the script engine keeps its strings.
//
// The engine stores every UTF-16 code unit as its own one- to three-byte sequence, so a character
// outside the BMP is a surrogate pair of two three-byte sequences, and a lone surrogate is kept as
// it is. Converting through standard UTF-8 would turn pairs into one four-byte character that the
// engine counts as a single code point, so strings cross with this conversion instead.
//
//   std::string bytes = utf16_to_cesu8(u"a\U0001F600");   // "a" + ED A0 BD + ED B8 80
//   std::u16string back = cesu8_to_utf16(bytes);           // u"a\U0001F600" again
#pragma once

#include <string>
#include <string_view>

namespace platform {

// Every code unit, lone surrogates and U+0000 included, maps to one sequence; never fails.
std::string utf16_to_cesu8(std::u16string_view text);

// Reads one- to three-byte sequences as one code unit each; a four-byte sequence (a code point
// above U+FFFF) becomes a surrogate pair. A byte that starts no valid sequence becomes U+FFFD.
std::u16string cesu8_to_utf16(std::string_view bytes);

}  // namespace platform
