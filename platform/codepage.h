// The code-page calls: this platform's stand-ins for the system's multi-byte/UTF-16 conversions.
//
// Code pages by their Windows numbers: 0 is the ANSI code page, which here is always 936; 936 is
// GBK exactly as Windows defines it (0x80 is the euro sign, the user-defined areas map to
// private-use characters); 65001 is UTF-8. Any other number fails (result 0).
//
// Both calls follow the system calls' contract: a source length of -1 reads up to and including
// the terminating zero; a capacity of 0 asks only for the size the output needs; otherwise at most
// `capacity` units are written and the result is the number written, or 0 when the output does
// not fit. Nothing is ever written beyond `capacity`.
//
// To code page 936, a character the code page cannot hold becomes one "?" (a surrogate pair and a
// lone surrogate included); the system's best-fit look-alikes are not used. To UTF-8, a lone
// surrogate becomes U+FFFD. From code page 936, a lead byte without a valid trail byte becomes
// U+FFFD and the byte after it is read on its own; 0x80 is the euro sign and 0xFF is U+F8F5.
//
//   char16_t wide[8];
//   int n = platform::multi_byte_to_wide_char(936, "ab", -1, wide, 8);  // 3: 'a' 'b' 0
#pragma once

#include <string>
#include <string_view>

namespace platform {

constexpr unsigned CP_ANSI = 0;
constexpr unsigned CP_GBK = 936;
constexpr unsigned CP_UTF8 = 65001;

int multi_byte_to_wide_char(unsigned code_page, const char* source, int source_length,
                            char16_t* output, int capacity);
int wide_char_to_multi_byte(unsigned code_page, const char16_t* source, int source_length,
                            char* output, int capacity);

// Whole-string conveniences over the two calls, for the layers that carry texts across the edge.
std::u16string ansi_to_utf16(std::string_view ansi);
std::string utf16_to_ansi(std::u16string_view wide);

}  // namespace platform
