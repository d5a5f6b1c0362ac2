#include "json/script_quote.h"

namespace {

std::size_t character_length(std::string_view text, std::size_t at) {
  const bool lead = static_cast<unsigned char>(text[at]) >= 0x80;
  return lead && at + 1 < text.size() ? 2 : 1;
}

}  // namespace

Text quote_script_text(std::string_view value) {
  Text quoted = "'";
  std::size_t at = 0;
  while (at < value.size()) {
    std::size_t length = character_length(value, at);
    if (value[at] == '\\' && at + 1 < value.size()) length += character_length(value, at + 1);
    const std::string_view character = value.substr(at, length);
    if (character == "'") {
      quoted += "\\'";
    } else if (character == "\r") {
      quoted += "\\r";
    } else if (character == "\n") {
      quoted += "\\n";
    } else {
      quoted += character;
    }
    at += length;
  }
  return quoted + "'";
}
