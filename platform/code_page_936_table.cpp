#include "platform/code_page_936_table.h"

#include <unicode/ucnv.h>
#include <unicode/ucnv_cb.h>
#include <unicode/ucnv_err.h>

#include <memory>
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

// A byte on its own: one character, or not held (lead bytes report a truncated sequence).
void read_single_bytes(UConverter* converter, CodePage936Table& table) {
  for (unsigned byte = 0; byte < 256; ++byte) {
    const Converted c = to_unicode(converter, {static_cast<char>(byte)});
    table.single_to_unicode[byte] =
        c.units.size() == 1 ? static_cast<char16_t>(c.units[0]) : CodePage936Table::not_held;
  }
}

// Every pair of one lead byte in a row. A pair is held when it gave exactly one unit from both of
// its bytes; a lead byte that stops short of its trail byte leaves the trail byte to be read on
// its own, at an odd offset, which no pair starts at.
void read_pairs(UConverter* converter, CodePage936Table& table) {
  table.pairs_to_unicode.fill(CodePage936Table::not_held);
  std::vector<char> row(512);
  for (unsigned lead = 0x81; lead <= 0xFE; ++lead) {
    for (unsigned trail = 0; trail < 256; ++trail) {
      row[2 * trail] = static_cast<char>(lead);
      row[2 * trail + 1] = static_cast<char>(trail);
    }
    const Converted c = to_unicode(converter, row);
    for (size_t i = 0; i < c.units.size(); ++i) {
      const int32_t offset = c.offsets[i];
      const int32_t next = i + 1 < c.units.size() ? c.offsets[i + 1] : 512;
      if (offset % 2 != 0 || next != offset + 2) continue;
      table.pairs_to_unicode[(lead - 0x81) * 256 + static_cast<unsigned>(offset / 2)] =
          static_cast<char16_t>(c.units[i]);
    }
  }
}

// Every unit but the surrogates in one text; the units the converter skips are not held.
void read_from_unicode(UConverter* converter, CodePage936Table& table) {
  std::vector<UChar> units;
  for (unsigned u = 1; u < 0x10000; ++u) {
    if (u < 0xD800 || u > 0xDFFF) units.push_back(static_cast<UChar>(u));
  }
  std::vector<char> bytes(units.size() * 2);
  std::vector<int32_t> offsets(bytes.size());
  ucnv_resetFromUnicode(converter);
  char* target = bytes.data();
  const UChar* source = units.data();
  UErrorCode status = U_ZERO_ERROR;
  ucnv_fromUnicode(converter, &target, bytes.data() + bytes.size(), &source,
                   units.data() + units.size(), offsets.data(), true, &status);
  if (U_FAILURE(status)) return;
  const size_t n = static_cast<size_t>(target - bytes.data());
  for (size_t i = 0; i < n;) {
    size_t length = 1;
    while (i + length < n && offsets[i + length] == offsets[i]) ++length;
    const auto byte = [&](size_t k) { return static_cast<unsigned char>(bytes[i + k]); };
    const UChar unit = units[static_cast<size_t>(offsets[i])];
    if (length == 1) table.from_unicode[unit] = byte(0);
    if (length == 2) table.from_unicode[unit] = static_cast<std::uint16_t>(byte(0) << 8 | byte(1));
    i += length;
  }
}

// Without a converter every entry stays not held and every text takes the converter's path,
// which then fails the same way.
std::unique_ptr<CodePage936Table> build() {
  auto table = std::make_unique<CodePage936Table>();
  table->single_to_unicode.fill(CodePage936Table::not_held);
  table->pairs_to_unicode.fill(CodePage936Table::not_held);
  const Converter converter = open_code_page_936();
  if (!converter) return table;
  read_single_bytes(converter.get(), *table);
  read_pairs(converter.get(), *table);
  read_from_unicode(converter.get(), *table);
  return table;
}

}  // namespace

const CodePage936Table& code_page_936_table() {
  static const std::unique_ptr<CodePage936Table> table = build();
  return *table;
}

}  // namespace platform
