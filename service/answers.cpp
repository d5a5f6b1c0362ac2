#include "service/answers.h"

#include <cstdio>

namespace service {
namespace {

// Escapes quotes, backslashes and control characters; other bytes, UTF-8 included, stay as they are.
std::string json_string(std::string_view text) {
  std::string out = "\"";
  for (char c : text) {
    if (c == '"' || c == '\\') {
      out.push_back('\\');
      out.push_back(c);
    } else if (static_cast<unsigned char>(c) < 0x20) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned>(c));
      out.append(escaped);
    } else {
      out.push_back(c);
    }
  }
  out.push_back('"');
  return out;
}

std::string answer(int code, std::string_view data) {
  return "{\"code\":" + std::to_string(code) + ",\"data\":" + json_string(data) + "}";
}

}  // namespace

std::string success_answer(std::string_view address) { return answer(0, address); }

std::string failure_answer(const Failure& failure) { return answer(failure.code, failure.message); }

}  // namespace service
