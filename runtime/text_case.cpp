// Case folding and single characters.
#include <cstdint>

#include "runtime/text.h"
#include "runtime/text_walk.h"

namespace {

// Long ASCII stretches are handled a block at a time, in loops the compiler vectorises.
constexpr std::size_t BLOCK = 32;

bool block_is_ascii(const unsigned char* block) {
  unsigned char any_high = 0;
  for (std::size_t i = 0; i < BLOCK; ++i) any_high |= block[i];
  return (any_high & 0x80) == 0;
}

unsigned char upper_ascii(unsigned char c) {
  return static_cast<unsigned char>(c - (static_cast<unsigned>(c - 'a') < 26u ? 'a' - 'A' : 0));
}

}  // namespace

Text to_upper(std::string_view t) {
  Text result(t);
  auto* bytes = reinterpret_cast<unsigned char*>(result.data());
  const std::size_t size = result.size();
  std::size_t at = 0;
  while (at < size) {
    if (size - at >= BLOCK && block_is_ascii(bytes + at)) {
      for (std::size_t i = 0; i < BLOCK; ++i) bytes[at + i] = upper_ascii(bytes[at + i]);
      at += BLOCK;
      continue;
    }
    // A block with double-byte characters is walked a character at a time; the walk may end
    // one byte past the block, inside the next.
    const std::size_t block_end = size - at > BLOCK ? at + BLOCK : size;
    while (at < block_end) {
      if (bytes[at] >= 0x80) {
        at += 2;  // the second byte of a character is never a letter, whatever its value
      } else {
        bytes[at] = upper_ascii(bytes[at]);
        at += 1;
      }
    }
  }
  return result;
}

int char_code(std::string_view t) {
  return t.empty() ? 0 : static_cast<int>(static_cast<std::int8_t>(t[0]));
}

Text char_from_code(std::uint8_t code) {
  return code == 0 ? Text() : Text(1, static_cast<char>(code));
}

Text blank_text(int n) { return n > 0 ? Text(static_cast<std::size_t>(n), ' ') : Text(); }
