// Code page 936 as two look-up tables, read once from the ICU converter this platform uses for
// it, so that the texts every answer passes through convert with one look-up per character
// instead of a converter call. The tables hold only what the converter maps exactly (best-fit
// look-alikes off); everything else is marked as not held, for the converter to handle.
//
//   const platform::CodePage936Table& table = platform::code_page_936_table();
//   char16_t c = table.pair_to_unicode(0xD6, 0xD0);    // u'中'
//   std::uint16_t bytes = table.from_unicode[u'中'];   // 0xD6D0
#pragma once

#include <array>
#include <cstdint>

namespace platform {

struct CodePage936Table {
  // A character the converter does not map to a single UTF-16 unit.
  static constexpr char16_t not_held = 0xFFFF;

  // Byte 0x00-0xFF read on its own; `not_held` for lead bytes and bytes that are no character.
  std::array<char16_t, 256> single_to_unicode{};
  // Lead byte 0x81-0xFE with any following byte; `not_held` for pairs that are no character.
  std::array<char16_t, 126 * 256> pairs_to_unicode{};
  // For each UTF-16 unit: 0 when the code page does not hold it (U+0000 itself is never looked
  // up), the byte when below 0x100, else lead byte * 256 + trail byte.
  std::array<std::uint16_t, 65536> from_unicode{};

  char16_t pair_to_unicode(unsigned lead, unsigned trail) const {
    return pairs_to_unicode[(lead - 0x81) * 256 + trail];
  }
};

// Built on first use, thread-safely; lives until the process ends.
const CodePage936Table& code_page_936_table();

}  // namespace platform
