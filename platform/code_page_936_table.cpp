#include "platform/code_page_936_table.h"

#include <unicode/ucnv.h>
#include <unicode/ucnv_cb.h>
#include <unicode/ucnv_err.h>

#include <memory>
#include <mutex>
#include <utility>
#include <vector>

#include "platform/transcode.h"

namespace platform {
namespace {

// Marks every byte sequence the converter cannot read with U+FFFF, which code page 936 never
// maps to, so that the sequence shows in the output at its own offset.
void mark_unreadable(const void*, UConverterToUnicodeArgs* args, const char*, int32_t,
                     UConverterCallbackReason reason, UErrorCode* status) {
  if (reason > UCNV_IRREGULAR) return;
  *status = U_ZERO_ERROR;
  const UChar marker = CodePage936Table::not_held;
  ucnv_cbToUWriteUChars(args, &marker, 1, 0, status);
}

// The same converter settings as the conversions that use the table: exact mappings only.
Converter open_code_page_936() {
  UErrorCode status = U_ZERO_ERROR;
  Converter converter(ucnv_open("windows-936", &status));
  if (U_FAILURE(status)) return nullptr;
  ucnv_setFallback(converter.get(), false);
  ucnv_setToUCallBack(converter.get(), mark_unreadable, nullptr, nullptr, nullptr, &status);
  ucnv_setFromUCallBack(converter.get(), UCNV_FROM_U_CALLBACK_SKIP, nullptr, nullptr, nullptr,
                        &status);
  if (U_FAILURE(status)) return nullptr;
  return converter;
}

struct Converted {
  std::vector<UChar> units;
  std::vector<int32_t> offsets;  // of the source sequence each unit came from
};

Converted to_unicode(UConverter* converter, const std::vector<char>& bytes) {
  Converted out;
  out.units.resize(bytes.size() + 1);
  out.offsets.resize(out.units.size());
  ucnv_resetToUnicode(converter);
  UChar* target = out.units.data();
  const char* source = bytes.data();
  UErrorCode status = U_ZERO_ERROR;
  ucnv_toUnicode(converter, &target, out.units.data() + out.units.size(), &source,
                 bytes.data() + bytes.size(), out.offsets.data(), true, &status);
  const size_t n = U_SUCCESS(status) ? static_cast<size_t>(target - out.units.data()) : 0;
  out.units.resize(n);
  out.offsets.resize(n);
  return out;
}

// The part of the code page a lookup needs next, read under one lock with one converter; null
// when ICU cannot open the code page (then every entry says not held).
struct Reader {
  std::mutex lock;
  Converter converter = open_code_page_936();
};

Reader& reader() {
  static Reader instance;
  return instance;
}

}  // namespace

// A byte on its own: one character, or not held (lead bytes report a truncated sequence).
void CodePage936Table::fill_singles() {
  Reader& r = reader();
  const std::lock_guard<std::mutex> hold(r.lock);
  if (std::exchange(singles_read_, true)) return;
  for (unsigned byte = 0x80; byte < 0x100; ++byte) {
    char16_t entry = not_held;
    if (r.converter) {
      const Converted c = to_unicode(r.converter.get(), {static_cast<char>(byte)});
      if (c.units.size() == 1) entry = static_cast<char16_t>(c.units[0]);
    }
    singles_[byte & 0x7F].store(entry, std::memory_order_relaxed);
  }
}

// Every pair of the lead byte in a row. A pair is held when it gave exactly one unit from both of
// its bytes; a lead byte that stops short of its trail byte leaves the trail byte to be read on
// its own, at an odd offset, which no pair starts at.
void CodePage936Table::fill_row(unsigned lead) {
  Reader& r = reader();
  const std::lock_guard<std::mutex> hold(r.lock);
  if (std::exchange(rows_read_[lead - 0x81], true)) return;
  std::array<char16_t, 256> entries;
  entries.fill(not_held);
  if (r.converter) {
    std::vector<char> pairs(512);
    for (unsigned trail = 0; trail < 256; ++trail) {
      pairs[2 * trail] = static_cast<char>(lead);
      pairs[2 * trail + 1] = static_cast<char>(trail);
    }
    const Converted c = to_unicode(r.converter.get(), pairs);
    for (size_t i = 0; i < c.units.size(); ++i) {
      const int32_t offset = c.offsets[i];
      const int32_t next = i + 1 < c.units.size() ? c.offsets[i + 1] : 512;
      if (offset % 2 != 0 || next != offset + 2) continue;
      entries[static_cast<size_t>(offset / 2)] = static_cast<char16_t>(c.units[i]);
    }
  }
  for (size_t i = 0; i < entries.size(); ++i) {
    rows_[lead - 0x81][i].store(entries[i], std::memory_order_relaxed);
  }
}

// The page's units, but U+0000 and the surrogates, in one text; those the converter skips are not
// held.
void CodePage936Table::fill_page(unsigned high_byte) {
  Reader& r = reader();
  const std::lock_guard<std::mutex> hold(r.lock);
  if (std::exchange(pages_read_[high_byte], true)) return;
  std::array<std::uint16_t, 256> entries;
  entries.fill(not_encodable);
  if (high_byte == 0) entries[0] = 0;  // U+0000 is byte 0
  const bool surrogates = high_byte >= 0xD8 && high_byte <= 0xDF;
  if (r.converter && !surrogates) {
    std::vector<UChar> units;
    for (unsigned low = high_byte == 0 ? 1 : 0; low < 256; ++low) {
      units.push_back(static_cast<UChar>(high_byte << 8 | low));
    }
    std::vector<char> bytes(units.size() * 2);
    std::vector<int32_t> offsets(bytes.size());
    ucnv_resetFromUnicode(r.converter.get());
    char* target = bytes.data();
    const UChar* source = units.data();
    UErrorCode status = U_ZERO_ERROR;
    ucnv_fromUnicode(r.converter.get(), &target, bytes.data() + bytes.size(), &source,
                     units.data() + units.size(), offsets.data(), true, &status);
    const size_t n = U_SUCCESS(status) ? static_cast<size_t>(target - bytes.data()) : 0;
    for (size_t i = 0; i < n;) {
      size_t length = 1;
      while (i + length < n && offsets[i + length] == offsets[i]) ++length;
      const auto byte = [&](size_t k) { return static_cast<unsigned char>(bytes[i + k]); };
      const UChar unit = units[static_cast<size_t>(offsets[i])];
      if (length == 1) entries[unit & 0xFF] = byte(0);
      if (length == 2) entries[unit & 0xFF] = static_cast<std::uint16_t>(byte(0) << 8 | byte(1));
      i += length;
    }
  }
  for (size_t i = 0; i < entries.size(); ++i) {
    pages_[high_byte][i].store(entries[i], std::memory_order_relaxed);
  }
}

CodePage936Table& code_page_936_table() {
  static CodePage936Table table;
  return table;
}

}  // namespace platform
