#include "service/form_body.h"

#include <cctype>

namespace service {
namespace {

bool is_hex(char c) { return std::isxdigit(static_cast<unsigned char>(c)) != 0; }

int hex_value(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  return (std::tolower(static_cast<unsigned char>(c)) - 'a') + 10;
}

bool looks_percent_encoded(std::string_view body) {
  for (std::size_t i = 0; i < body.size(); ++i) {
    const char c = body[i];
    if (c == '%') {
      if (i + 2 >= body.size() || !is_hex(body[i + 1]) || !is_hex(body[i + 2])) return false;
      i += 2;
    } else if (!std::isalnum(static_cast<unsigned char>(c)) &&
               std::string_view("*-._~!'()+=&").find(c) == std::string_view::npos) {
      return false;
    }
  }
  return true;
}

std::string percent_decode(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '+') {
      out.push_back(' ');
    } else if (text[i] == '%') {  // well-formed: checked by looks_percent_encoded
      out.push_back(static_cast<char>(hex_value(text[i + 1]) * 16 + hex_value(text[i + 2])));
      i += 2;
    } else {
      out.push_back(text[i]);
    }
  }
  return out;
}

bool add_field(FormFields& fields, std::string name, std::string value) {
  if (name.empty()) return false;
  return fields.emplace(std::move(name), std::move(value)).second;
}

bool split_pairs(std::string_view body, bool decode, FormFields& fields) {
  while (!body.empty()) {
    const std::size_t amp = body.find('&');
    const std::string_view piece = body.substr(0, amp);
    body = amp == std::string_view::npos ? std::string_view() : body.substr(amp + 1);
    if (piece.empty()) continue;
    const std::size_t eq = piece.find('=');
    if (eq == std::string_view::npos) return false;
    const std::string_view name = piece.substr(0, eq);
    const std::string_view value = piece.substr(eq + 1);
    if (!add_field(fields, decode ? percent_decode(name) : std::string(name),
                   decode ? percent_decode(value) : std::string(value))) {
      return false;
    }
  }
  return true;
}

}  // namespace

std::optional<FormFields> parse_form_body(std::string_view body) {
  constexpr std::string_view kValue = "value=";
  constexpr std::string_view kVoice = "&voice=";
  bool encoded = looks_percent_encoded(body);
  FormFields fields;
  const std::size_t voice_at = body.rfind(kVoice);
  if (body.starts_with(kValue) && voice_at != std::string_view::npos && voice_at >= kValue.size()) {
    const std::string_view text = body.substr(kValue.size(), voice_at - kValue.size());
    if (text.find_first_of("&=") != std::string_view::npos) encoded = false;
    fields.emplace("value", encoded ? percent_decode(text) : std::string(text));
    body = body.substr(voice_at + 1);
  }
  if (!split_pairs(body, encoded, fields)) return std::nullopt;
  return fields;
}

}  // namespace service
