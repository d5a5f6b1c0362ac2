// Re-encoding a byte buffer from one named charset into another, through the stream component.
//
// The bytes are read as text under `from_charset` (empty: "UTF-8"), carried as the program's
// ANSI text, and written under `to_charset` (empty: "GBK"), so a character the ANSI code page
// cannot hold comes out as "?". A charset name the stream does not know is not reported: the
// stream keeps the charset it had and the conversion goes on with it. When the stream cannot be
// created at all, the result is empty.
//
//   Bytes gbk = convert_charset(response_body);              // UTF-8 answer to GBK text bytes
//   Bytes tail = convert_charset(body, "UTF-8", "GBK", 2);   // the same without its first 2 bytes
#pragma once

#include <optional>
#include <string_view>

#include "runtime/text.h"

// `start_position`, when given, is the byte offset of the converted output where the result
// begins; at or past the end of the output the result is empty, and a negative one is refused by
// the stream, which leaves the whole output.
Bytes convert_charset(const Bytes& source, std::string_view from_charset = {},
                      std::string_view to_charset = {},
                      std::optional<int> start_position = std::nullopt);
