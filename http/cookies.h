// Response cookies kept as one plain cookie string ("sid=abc; lang=zh"): collecting the pairs a
// response set, and merging them into the string the caller carries from one request to the next.
//
//   collect_received_cookies("Set-Cookie: b=3; Path=/\r\nSet-Cookie: c=4")   == "b=3; c=4"
//   Text sent = "a=1; b=2", received = "b=3; c=4";
//   merge_cookie_strings(sent, received);   // "b=3; c=4; a=1", now also in `sent`
//
// Names and values compare byte for byte, with letter case.
#pragma once

#include <string_view>

#include "runtime/text.h"

// The leading name=value pair of every "Set-Cookie: " header line (exactly that spelling, a colon
// and a space) of a response header block (lines joined by CR LF), in header order and joined by
// "; ". Attributes after the first ";" are dropped; a cookie set twice is listed twice; a header
// with nothing before its first ";" still gives an (empty) piece, so "; b=2" is possible. No such
// header, or an empty block, gives the empty text.
Text collect_received_cookies(std::string_view response_headers);

// Merges the cookies a response set (`received`) into the caller's cookie string (`sent`). Both
// are first trimmed (and given a space after a final ";"), and `received` keeps that form. The
// result lists the received pieces in order, then the sent pieces whose names the response did
// not set (only the first of several sent pieces with one name); pieces ending in "=deleted" are
// dropped, taking the sent pieces of their name with them; exact duplicates keep their first
// occurrence. The result is stored in `sent` and returned.
Text merge_cookie_strings(Text& sent, Text& received);

// The name of a cookie piece: the text before its first "=", or the whole piece without one,
// blanks trimmed from both ends.
Text cookie_name(std::string_view piece);

// True when some piece has exactly the cookie name `name`.
bool has_cookie_named(const TextArray& pieces, std::string_view name);

// `text` cut at `separator` with every piece that occurred before left out, joined again with
// `separator`. The empty text gives the empty text.
Text remove_duplicate_items(std::string_view text, std::string_view separator);

// The 1-based index of the first element equal to `text` byte for byte, or -1.
int find_item(const TextArray& items, std::string_view text);
