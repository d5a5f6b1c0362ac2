// Code page 936 as look-up tables read from the ICU converter this platform uses for it, so that
// long texts convert with one look-up per character instead of a converter call. Each part of the
// table (the single bytes, the row of one lead byte, a page of 256 UTF-16 units) is read the first
// time a text needs it, so a program that converts only a few characters pays for a few rows.
// The tables hold only what the converter maps exactly (best-fit look-alikes off); everything
// else is marked as not held, for the converter to handle.
//
//   platform::CodePage936Table& table = platform::code_page_936_table();
//   char16_t c = table.pair(0xD6, 0xD0);               // u'中'
//   std::uint16_t bytes = table.from_unicode(u'中');   // 0xD6D0
#pragma once

#include <array>
#include <atomic>
#include <cstdint>

namespace platform {

class CodePage936Table {
 public:
  // A character the converter does not map to a single UTF-16 unit.
  static constexpr char16_t not_held = 0xFFFF;
  // A unit the code page does not hold (0xFF is never a lead byte).
  static constexpr std::uint16_t not_encodable = 0xFFFF;

  // Byte 0x80-0xFF read on its own; `not_held` for lead bytes and bytes that are no character.
  char16_t single(unsigned byte) {
    return look_up(singles_, byte & 0x7F, [this] { fill_singles(); });
  }
  // Lead byte 0x81-0xFE with any byte after it; `not_held` for pairs that are no character.
  char16_t pair(unsigned lead, unsigned trail) {
    return look_up(rows_[lead - 0x81], trail, [this, lead] { fill_row(lead); });
  }
  // For a UTF-16 unit other than U+0000: `not_encodable`, the byte when below 0x100, else lead
  // byte * 256 + trail byte.
  std::uint16_t from_unicode(char16_t unit) {
    const unsigned high_byte = unit >> 8;
    return look_up(pages_[high_byte], unit & 0xFFu, [this, high_byte] { fill_page(high_byte); });
  }

 private:
  // Entries start as 0, which no entry is once read (only U+0000 and byte 0 map to each other,
  // and those are never looked up); each is written once, so a reader sees 0 or its value.
  template <typename Entry, std::size_t size>
  using Entries = std::array<std::atomic<Entry>, size>;

  template <typename Entry, std::size_t size, typename Fill>
  static Entry look_up(Entries<Entry, size>& entries, unsigned index, Fill fill) {
    Entry entry = entries[index].load(std::memory_order_relaxed);
    if (entry == 0) [[unlikely]] {
      fill();
      entry = entries[index].load(std::memory_order_relaxed);
    }
    return entry;
  }

  void fill_singles();
  void fill_row(unsigned lead);
  void fill_page(unsigned high_byte);

  // Which parts have been read; under the reader's lock.
  bool singles_read_ = false;
  std::array<bool, 126> rows_read_{};
  std::array<bool, 256> pages_read_{};

  Entries<char16_t, 128> singles_{};
  std::array<Entries<char16_t, 256>, 126> rows_{};
  std::array<Entries<std::uint16_t, 256>, 256> pages_{};
};

// The process's one table; safe to use from any thread.
CodePage936Table& code_page_936_table();

}  // namespace platform
