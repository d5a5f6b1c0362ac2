// Searching, replacing and splitting along the double-byte walk.
#include <algorithm>
#include <cstdint>

#include "runtime/text.h"
#include "runtime/text_walk.h"

namespace {

constexpr std::size_t npos = std::string_view::npos;

// Byte offset where a walk from the 1-based `start` begins: absent or below 1 means 0.
std::size_t walk_offset(std::optional<int> start) {
  return start && *start > 1 ? static_cast<std::size_t>(*start - 1) : 0;
}

int position_of(std::size_t offset) { return static_cast<int>(offset + 1); }

}  // namespace

int find_text(std::string_view t, std::string_view needle, std::optional<int> start,
              bool ignore_case) {
  const std::size_t from = walk_offset(start);
  if (from >= t.size()) return -1;
  if (needle.empty()) return 1;
  const std::size_t found = text_walk::find_on_walk(t, needle, from, ignore_case);
  return found == npos ? -1 : position_of(found);
}

int find_text_reverse(std::string_view t, std::string_view needle, std::optional<int> start,
                      bool ignore_case) {
  std::size_t region_length = t.size();
  if (start) {
    const std::int64_t before_start = std::int64_t{*start} - 1;
    if (before_start <= 0) return -1;
    region_length = std::min(region_length, static_cast<std::size_t>(before_start));
  }
  if (region_length == 0) return -1;
  if (needle.empty()) return 1;
  // The walk runs forward from the beginning of t: only it knows where characters start.
  const std::string_view region = t.substr(0, region_length);
  std::size_t last = npos;
  for (std::size_t from = 0; from < region.size();) {
    const std::size_t found = text_walk::find_on_walk(region, needle, from, ignore_case);
    if (found == npos) break;
    last = found;
    from = found + text_walk::step_length(region, found);
  }
  return last == npos ? -1 : position_of(last);
}

Text replace_text(std::string_view t, std::string_view find, std::string_view replacement,
                  std::optional<int> start, std::optional<int> count, bool case_sensitive) {
  const std::size_t from = walk_offset(start);
  // Any negative count never reaches 0, so it means "all", like -1 and no count.
  int remaining = count.value_or(-1);
  if (t.empty() || find.empty() || remaining == 0 || from >= t.size()) return Text(t);

  Text result;
  result.reserve(t.size());
  std::size_t copied_to = from;
  result.append(t.substr(0, from));
  while (remaining != 0) {
    const std::size_t found = text_walk::find_on_walk(t, find, copied_to, !case_sensitive);
    if (found == npos) break;
    result.append(t.substr(copied_to, found - copied_to));
    result.append(replacement);
    copied_to = found + find.size();
    if (remaining > 0) --remaining;
  }
  // A lone lead byte at the very end is kept: dropping it would lose data for no gain.
  result.append(t.substr(copied_to));
  return result;
}

TextArray split_text(std::string_view t, std::string_view delimiter,
                     std::optional<int> max_count) {
  TextArray pieces;
  int remaining = max_count ? std::max(*max_count, 0) : -1;
  if (t.empty() || remaining == 0) return pieces;
  if (delimiter.empty()) {
    pieces.append(t);
    return pieces;
  }
  std::size_t piece_start = 0;
  for (;;) {
    const std::size_t found = text_walk::find_on_walk(t, delimiter, piece_start, false);
    if (found == npos) break;
    pieces.append(t.substr(piece_start, found - piece_start));
    piece_start = found + delimiter.size();
    if (remaining > 0 && --remaining == 0) return pieces;
  }
  if (piece_start < t.size()) pieces.append(t.substr(piece_start));
  return pieces;
}
