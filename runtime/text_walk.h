// The double-byte walk behind the searching operations of text.h (internal to the runtime).
//
// A byte 0x80-0xFF leads a two-byte character; any other byte is a character of its own. A walk
// starts at a given offset, and only the offsets it steps on start characters, so a match is
// valid only there: in "\xB0\xA1\xA1" the pair "\xA1\xA1" is not found, because offset 1 is the
// second byte of the character "\xB0\xA1".
//
//   text_walk::find_on_walk("\xB0\xA1\xA1", "\xA1\xA1", 0, false) == std::string_view::npos
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

namespace text_walk {

inline bool is_lead_byte(char c) { return static_cast<unsigned char>(c) >= 0x80; }

// Length of the character starting at `at`: 2 for a lead byte, else 1 (a lead byte that is the
// last byte of the text still counts 2, which carries the walk past the end).
inline std::size_t step_length(std::string_view t, std::size_t at) {
  return is_lead_byte(t[at]) ? 2 : 1;
}

// Whether the walk that starts at `from` steps on `at` (from <= at <= t.size()). Only the run of
// lead-range bytes right before `at` decides, so the cost is the length of that run, never more
// than at - from.
inline bool walk_reaches(std::string_view t, std::size_t from, std::size_t at) {
  // A byte below 0x80 is a character or a second byte; either way a character starts right
  // after it. From there on every byte is a lead byte or the second byte of one, in pairs.
  if (at == from || !is_lead_byte(t[at - 1])) return true;  // the common case in ASCII text
  constexpr std::uint64_t HIGH_BITS = 0x8080808080808080u;
  std::size_t run_start = at;
  while (run_start - from >= 8) {
    std::uint64_t eight;
    std::memcpy(&eight, t.data() + run_start - 8, 8);
    if ((eight & HIGH_BITS) != HIGH_BITS) break;
    run_start -= 8;
  }
  while (run_start > from && is_lead_byte(t[run_start - 1])) --run_start;
  return (at - run_start) % 2 == 0;
}

// The next offset at or after `from` where `needle` matches with the ASCII letters folded, on a
// character start or not; npos when there is none.
std::size_t find_folded(std::string_view t, std::string_view needle, std::size_t from);

// The first offset at or after `from` where the walk from `from` steps and `needle` matches, either
// exactly or with the ASCII letters folded; npos when there is none. `needle` must not be empty.
// Linear in the searched length: candidates come from a byte search, and a rejected candidate
// (a second byte) moves the walk's known start past it.
inline std::size_t find_on_walk(std::string_view t, std::string_view needle, std::size_t from,
                                bool ignore_case) {
  for (;;) {
    const std::size_t candidate =
        ignore_case ? find_folded(t, needle, from) : t.find(needle, from);
    if (candidate == std::string_view::npos || walk_reaches(t, from, candidate)) return candidate;
    // The candidate is a second byte, so the next character starts right after it.
    from = candidate + 1;
  }
}

}  // namespace text_walk
