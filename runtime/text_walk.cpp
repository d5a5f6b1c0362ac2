// Case-folded candidate search for the double-byte walk.
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

}  // namespace

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

}  // namespace text_walk
