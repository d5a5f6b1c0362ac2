// Pieces of a text before, after and between markers.
#include <cstdint>

#include "runtime/text.h"

namespace {

// A 1-based start for find_text_reverse whose region is the first `region_length` bytes; none
// when the region is empty (the value would not fit the parameter for extreme positions).
std::optional<int> region_start(std::int64_t region_length) {
  if (region_length <= 0) return std::nullopt;
  return static_cast<int>(region_length + 1);
}

// The last occurrence lying wholly within the first `region_length` bytes, or -1.
int find_last_within(std::string_view t, std::string_view marker, std::int64_t region_length,
                     bool ignore_case) {
  const std::optional<int> start = region_start(region_length);
  return start ? find_text_reverse(t, marker, start, ignore_case) : -1;
}

// A negative position counts back from the end; -1 is the same as 0, the very end.
std::int64_t distance_from_end(int position) {
  return position == -1 ? 0 : -std::int64_t{position};
}

// The first occurrence at or after the 1-based `start`, or -1.
int find_first_from(std::string_view t, std::string_view marker, std::int64_t start,
                    bool ignore_case) {
  if (start > static_cast<std::int64_t>(t.size())) return -1;
  return find_text(t, marker, static_cast<int>(start), ignore_case);
}

Text bytes_after(std::string_view t, int found, std::size_t marker_length) {
  return Text(t.substr(static_cast<std::size_t>(found - 1) + marker_length));
}

}  // namespace

Text text_before(std::string_view t, std::string_view marker, int position, bool ignore_case) {
  const auto length = static_cast<std::int64_t>(t.size());
  const int found =
      position < 0
          ? find_last_within(t, marker, length - distance_from_end(position), ignore_case)
          : find_first_from(t, marker, position == 0 ? 1 : position, ignore_case);
  return found < 0 ? Text() : Text(t.substr(0, static_cast<std::size_t>(found - 1)));
}

Text text_after(std::string_view t, std::string_view marker, int position, bool ignore_case) {
  int found = -1;
  if (position < 0) {
    const std::int64_t from = distance_from_end(position);
    found = find_first_from(t, marker, from == 0 ? 1 : from, ignore_case);
  } else {
    found = find_last_within(t, marker, static_cast<std::int64_t>(t.size()) - position,
                             ignore_case);
  }
  return found < 0 ? Text() : bytes_after(t, found, marker.size());
}

Text text_between(std::string_view t, std::string_view start_marker, std::string_view end_marker,
                  std::optional<int> start, bool ignore_case) {
  // Callers name the double quote "#引号" so that it need not be escaped in their markers.
  const Text opening = replace_text(start_marker, "#引号", "\"", std::nullopt, std::nullopt, true);
  const Text closing = replace_text(end_marker, "#引号", "\"", std::nullopt, std::nullopt, true);
  const int found = find_text(t, opening, start, ignore_case);
  if (found < 0) return Text();
  const auto inside = static_cast<std::size_t>(found - 1) + opening.size();
  const int end = find_text(t, closing, static_cast<int>(inside + 1), ignore_case);
  // An empty closing marker reports position 1, before the inside: nothing lies between.
  if (end < 0 || static_cast<std::size_t>(end - 1) < inside) return Text();
  return Text(t.substr(inside, static_cast<std::size_t>(end - 1) - inside));
}
