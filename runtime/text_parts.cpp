// Lengths, joining, comparing and byte-count pieces of texts.
#include <algorithm>

#include "runtime/text.h"

int text_length(std::string_view t) { return static_cast<int>(t.size()); }

Text concat_text(std::initializer_list<std::string_view> parts) {
  std::size_t total = 0;
  for (std::string_view part : parts) total += part.size();
  Text result;
  result.reserve(total);
  for (std::string_view part : parts) result.append(part);
  return result;
}

int compare_text(std::string_view a, std::string_view b) {
  // char_traits<char>::compare orders bytes as unsigned values, as memcmp does.
  const int order = a.compare(b);
  return (order > 0) - (order < 0);
}

bool starts_with(std::string_view t, std::string_view prefix) { return t.starts_with(prefix); }

Text text_left(std::string_view t, int n) {
  return n > 0 ? Text(t.substr(0, static_cast<std::size_t>(n))) : Text();
}

Text text_right(std::string_view t, int n) {
  if (n <= 0) return Text();
  const std::size_t count = std::min(t.size(), static_cast<std::size_t>(n));
  return Text(t.substr(t.size() - count));
}

Text text_mid(std::string_view t, int start, int n) {
  if (start < 1 || static_cast<std::size_t>(start) > t.size() || n <= 0) return Text();
  return Text(t.substr(static_cast<std::size_t>(start - 1), static_cast<std::size_t>(n)));
}
