// The request header block: header lines "Name: value" joined by CR LF, nothing after the last.
//
// http_request completes a block with the default headers it lacks, normalises the names and
// hands the lines one by one to the request object.
//
//   Text block = "content-type: text/plain";
//   add_default_headers(block, "https://h/x", 0);   // appends Accept, Referer, Accept-Language,
//                                                   // User-Agent (each after a CR LF)
//   block = normalize_header_block(block);          // "Content-Type: text/plain\r\nAccept: */*..."
//   hand_over_header_block(block, request);         // one SetRequestHeader per line
#pragma once

#include <string_view>

#include "runtime/automation.h"
#include "runtime/text.h"

// Appends, in this order, each default whose probe ("Accept:", "Referer:", "Accept-Language:",
// "User-Agent:", and "Content-Type:" only for method index 1) occurs nowhere in the block, in any
// letter case. A probe found anywhere counts, inside a value or a longer name too ("X-Referer: a"
// keeps the Referer default out). Every appended text starts with CR LF, so an empty block gains
// an empty first line.
void add_default_headers(Text& headers, std::string_view url, int method_index);

// Drops the lines without a colon (empty lines included) and, in the name before the first
// colon of each other line, upper-cases the first letter and every letter right after a "-";
// everything else, the value included, stays byte for byte: "a--b-: x" becomes "A--B-: x".
Text normalize_header_block(std::string_view block);

// The first byte through to_upper, the rest as it is. "" stays ""; a leading double-byte
// character stays unchanged.
Text capitalize_first_letter(std::string_view text);

// The name before the first ":" and the value after it, blanks trimmed; both "" for a line
// without a colon. Later colons belong to the value ("Referer: http://h:1/").
Text header_line_name(std::string_view line);
Text header_line_value(std::string_view line);

// Calls SetRequestHeader once per line. A block without CR LF is one header, even when empty (an
// empty name and value then go over). Otherwise empty lines are skipped, and so is exactly
// "Connection" with exactly "keep-alive" (byte-wise, with letter case). A header the object
// refuses is skipped silently; the lines after it still go over.
void hand_over_header_block(std::string_view block, const AutomationObject& request);
