#include "http/header_block.h"

namespace {

constexpr std::string_view kCrLf = "\r\n";
constexpr int kPostMethodIndex = 1;

struct DefaultHeader {
  std::string_view probe;
  std::string_view appended;  // the URL follows it for the Referer
  bool post_only;
};

constexpr DefaultHeader kDefaults[] = {
    {"Accept:", "\r\nAccept: */*", false},
    {"Referer:", "\r\nReferer: ", false},
    {"Accept-Language:", "\r\nAccept-Language: zh-cn", false},
    {"User-Agent:", "\r\nUser-Agent: Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)", false},
    {"Content-Type:", "\r\nContent-Type: application/x-www-form-urlencoded", true},
};

// Every word between dashes capitalised; empty words (two dashes in a row, a dash at the end)
// are kept, so each dash comes back.
Text normalize_header_name(std::string_view name) {
  Text out;
  for (;;) {
    size_t dash = name.find('-');
    out += capitalize_first_letter(name.substr(0, dash));
    if (dash == std::string_view::npos) return out;
    out += '-';
    name.remove_prefix(dash + 1);
  }
}

}  // namespace

void add_default_headers(Text& headers, std::string_view url, int method_index) {
  for (const DefaultHeader& header : kDefaults) {
    if (header.post_only && method_index != kPostMethodIndex) continue;
    if (find_text(headers, header.probe, std::nullopt, true) != -1) continue;
    headers += header.appended;
    if (header.probe == "Referer:") headers += url;
  }
}

Text normalize_header_block(std::string_view block) {
  Text out;
  for (const Text& line : split_text(block, kCrLf)) {
    int colon = find_text(line, ":");
    if (colon == -1) continue;
    std::string_view view(line);
    out += normalize_header_name(view.substr(0, static_cast<size_t>(colon - 1)));
    out += view.substr(static_cast<size_t>(colon - 1));
    out += kCrLf;
  }
  if (!out.empty()) out.resize(out.size() - kCrLf.size());
  return out;
}

Text capitalize_first_letter(std::string_view text) {
  if (text.empty()) return {};
  return to_upper(text.substr(0, 1)) + Text(text.substr(1));
}

Text header_line_name(std::string_view line) {
  int colon = find_text(line, ":");
  if (colon == -1) return {};
  return trim_both(line.substr(0, static_cast<size_t>(colon - 1)));
}

Text header_line_value(std::string_view line) {
  int colon = find_text(line, ":");
  if (colon == -1) return {};
  return trim_both(line.substr(static_cast<size_t>(colon)));
}

void hand_over_header_block(std::string_view block, const AutomationObject& request) {
  if (find_text(block, kCrLf) == -1) {
    object_call(request, "SetRequestHeader", {header_line_name(block), header_line_value(block)});
    return;
  }
  for (const Text& line : split_text(block, kCrLf)) {
    if (line.empty()) continue;
    Text name = header_line_name(line);
    Text value = header_line_value(line);
    if (name == "Connection" && value == "keep-alive") continue;
    object_call(request, "SetRequestHeader", {name, value});
  }
}
