// Byte buffers: lengths, pieces, joining and equality.
#include <algorithm>

#include "runtime/text.h"

int bytes_length(const Bytes& b) { return static_cast<int>(b.size()); }

Bytes bytes_mid(const Bytes& b, int start, int n) {
  const auto length = static_cast<std::int64_t>(b.size());
  const std::int64_t first = std::clamp<std::int64_t>(start, 1, length + 1) - 1;
  const std::int64_t count = std::clamp<std::int64_t>(n, 0, length - first);
  return Bytes(b.begin() + first, b.begin() + first + count);
}

Bytes blank_bytes(int n) { return n > 0 ? Bytes(static_cast<std::size_t>(n), 0) : Bytes(); }

Bytes concat_bytes(std::initializer_list<std::span<const std::uint8_t>> parts) {
  std::size_t total = 0;
  for (const auto part : parts) total += part.size();
  Bytes result;
  result.reserve(total);
  for (const auto part : parts) result.insert(result.end(), part.begin(), part.end());
  return result;
}

bool compare_bytes(const Bytes& a, const Bytes& b) { return a == b; }
