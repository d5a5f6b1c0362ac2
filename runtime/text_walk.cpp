// The double-byte walk: candidate matches from a byte search, kept only on character starts.
#include "runtime/text_walk.h"

namespace text_walk {
namespace {

constexpr std::size_t npos = std::string_view::npos;

unsigned char fold_ascii(char c) {
  const auto byte = static_cast<unsigned char>(c);
  return byte >= 'A' && byte <= 'Z' ? static_cast<unsigned char>(byte + ('a' - 'A')) : byte;
}

bool equal_folded(std::string_view a, std::string_view b) {
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (fold_ascii(a[i]) != fold_ascii(b[i])) return false;
  }
  return true;
}

// Next offset >= from where `needle` matches with letters folded, ignoring character starts.
std::size_t find_folded(std::string_view t, std::string_view needle, std::size_t from) {
  if (t.size() < needle.size()) return npos;
  const std::size_t last = t.size() - needle.size();
  const unsigned char first = fold_ascii(needle[0]);
  for (std::size_t i = from; i <= last; ++i) {
    if (fold_ascii(t[i]) == first && equal_folded(t.substr(i + 1, needle.size() - 1),
                                                  needle.substr(1))) {
      return i;
    }
  }
  return npos;
}

}  // namespace

bool walk_reaches(std::string_view t, std::size_t from, std::size_t at) {
  // A byte below 0x80 is a character or a second byte; either way a character starts right
  // after it. From there on every byte is a lead byte or the second byte of one, in pairs.
  std::size_t run_start = at;
  while (run_start > from && is_lead_byte(t[run_start - 1])) --run_start;
  return (at - run_start) % 2 == 0;
}

std::size_t find_on_walk(std::string_view t, std::string_view needle, std::size_t from,
                         bool ignore_case) {
  for (;;) {
    const std::size_t candidate =
        ignore_case ? find_folded(t, needle, from) : t.find(needle, from);
    if (candidate == npos || walk_reaches(t, from, candidate)) return candidate;
    // The candidate is a second byte, so the next character starts right after it.
    from = candidate + 1;
  }
}

}  // namespace text_walk
