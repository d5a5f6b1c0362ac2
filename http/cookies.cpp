#include "http/cookies.h"

#include <string>
#include <unordered_set>

namespace {

constexpr std::string_view SEPARATOR = "; ";
constexpr std::string_view DELETION_MARK = "=deleted";

// Trimmed, with a space after a final ";" so that a trailing "a=1;" splits like "a=1; ".
Text cleaned_cookie_string(std::string_view cookies) {
  Text cleaned = trim_both(cookies);
  if (!cleaned.empty() && cleaned.back() == ';') cleaned.push_back(' ');
  return cleaned;
}

// Appends a piece and the separator; the final separator is cut once the string is complete.
void append_piece(Text& joined, std::string_view piece) {
  joined.append(piece).append(SEPARATOR);
}

Text without_final_separator(const Text& joined, std::string_view separator) {
  return text_left(joined, text_length(joined) - text_length(separator));
}

}  // namespace

Text collect_received_cookies(std::string_view response_headers) {
  Text received;
  for (const Text& line : split_text(response_headers, "\r\n")) {
    if (compare_text(text_before(line, ": "), "Set-Cookie") != 0) continue;
    const Text piece =
        find_text(line, ";") == -1
            ? trim_both(replace_text(line, "Set-Cookie:", "", std::nullopt, std::nullopt,
                                     /*case_sensitive=*/false))
            : trim_both(text_between(line, "Set-Cookie:", ";"));
    append_piece(received, piece);
  }
  return without_final_separator(received, SEPARATOR);
}

Text merge_cookie_strings(Text& sent, Text& received) {
  sent = cleaned_cookie_string(sent);
  received = cleaned_cookie_string(received);
  TextArray merged = split_text(received, SEPARATOR);

  // A sent piece joins only when no piece merged so far has its name; the names are kept in a
  // set, the same test as has_cookie_named over `merged` without rescanning it for every piece.
  std::unordered_set<Text> names;
  for (const Text& piece : merged) names.insert(cookie_name(piece));
  for (const Text& piece : split_text(sent, SEPARATOR)) {
    if (names.insert(cookie_name(piece)).second) merged.append(piece);
  }

  Text joined;
  for (const Text& piece : merged) {
    if (compare_text(text_right(piece, text_length(DELETION_MARK)), DELETION_MARK) != 0) {
      append_piece(joined, piece);
    }
  }
  sent = remove_duplicate_items(without_final_separator(joined, SEPARATOR), SEPARATOR);
  return sent;
}

Text cookie_name(std::string_view piece) {
  return trim_both(find_text(piece, "=") == -1 ? Text(piece) : text_before(piece, "="));
}

bool has_cookie_named(const TextArray& pieces, std::string_view name) {
  for (const Text& piece : pieces) {
    if (compare_text(cookie_name(piece), name) == 0) return true;
  }
  return false;
}

Text remove_duplicate_items(std::string_view text, std::string_view separator) {
  const TextArray pieces = split_text(text, separator);
  // The pieces taken so far, as views into `pieces`: the same test as find_item over a list of
  // them, in constant time per piece.
  std::unordered_set<std::string_view> taken;
  Text output;
  for (const Text& piece : pieces) {
    if (taken.insert(piece).second) output.append(piece).append(separator);
  }
  return without_final_separator(output, separator);
}

int find_item(const TextArray& items, std::string_view text) {
  int index = 1;
  for (const Text& item : items) {
    if (compare_text(item, text) == 0) return index;
    ++index;
  }
  return -1;
}
