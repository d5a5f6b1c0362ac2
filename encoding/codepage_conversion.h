// Conversions between the program's ANSI text (code page 936, GBK), UTF-16 and UTF-8, made
// through the platform's code-page calls the way the program has always made them: every output
// buffer is sized by what the text needs in the ANSI code page.
//
//   to_utf8("中")                        == u8"中" (E4 B8 AD)
//   multibyte_to_utf16("ab")             -> 61 00 62 00 00 00
//   utf16_to_multibyte(that, CP_UTF8)    == "ab"
#pragma once

#include "runtime/text.h"

// The UTF-16 (little-endian) form of `text` read in `code_page`, including the terminating zero
// code unit: an empty text gives two zero bytes. The text is read up to its first zero byte.
// Bytes that are no character of the code page become U+FFFD. An unknown code page gives empty
// Bytes.
Bytes multibyte_to_utf16(const Text& text, int code_page = 65001);

// The text that `wide` (UTF-16 little-endian) gives in `code_page` (0: the ANSI code page), read
// up to its first zero code unit and never beyond the buffer (an odd last byte is ignored). Empty
// Bytes give the empty text; a character the code page cannot hold becomes "?". An unknown code
// page gives the empty text.
Text utf16_to_multibyte(const Bytes& wide, int code_page = 0);

// The UTF-8 form of a GBK text. ASCII bytes come out unchanged; each two-byte character becomes
// its UTF-8 sequence (three bytes for the Chinese characters); the empty text stays empty.
Text to_utf8(const Text& text);
