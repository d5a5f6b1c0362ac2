// Quoting a text value for the script texts of push_value and set_element in text mode.
//
// The value goes between single quotes with its backslash escapes left for the script parser to
// decode (so "\u4e2d" arrives as one character), while a bare single quote, carriage return or
// line feed is escaped: such a value is stored as it stands instead of ending the literal early,
// which would fail the statement or run the rest of the value as script.
//
//   quote_script_text("it's")      == "'it\\'s'"
//   quote_script_text("\\u4e2d")   == "'\\u4e2d'"   (unchanged: the parser decodes it)
#pragma once

#include <string_view>

#include "runtime/text.h"

// A backslash and the character after it are kept together as they are (a backslash at the
// very end is kept too, and the script then fails on the unterminated literal). Walks GBK
// characters, so a trail byte is never taken for a quote or a backslash.
Text quote_script_text(std::string_view value);
