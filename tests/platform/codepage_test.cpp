// The code-page calls: the whole code page 936 table against Perl Encode's independent "cp936",
// the sizing and capacity rules, and the substitutes for what a code page cannot hold.
#include "platform/codepage.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <map>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

using platform::multi_byte_to_wide_char;
using platform::wide_char_to_multi_byte;

std::string hex_of(std::u16string_view units) {
  std::string out;
  char buffer[8];
  for (char16_t unit : units) {
    std::snprintf(buffer, sizeof buffer, "%s%04X", out.empty() ? "" : " ", unsigned(unit));
    out += buffer;
  }
  return out;
}

std::string hex_of(std::string_view bytes) {
  std::string out;
  char buffer[4];
  for (char byte : bytes) {
    std::snprintf(buffer, sizeof buffer, "%02X", unsigned(static_cast<unsigned char>(byte)));
    out += buffer;
  }
  return out;
}

std::string bytes_of_hex(const std::string& hex) {
  std::string out;
  for (size_t i = 0; i + 1 < hex.size(); i += 2) {
    out.push_back(static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16)));
  }
  return out;
}

// Converts exactly `bytes` (no terminator) in `code_page`.
std::u16string decode(unsigned code_page, std::string_view bytes) {
  std::array<char16_t, 16> out{};
  const int n = multi_byte_to_wide_char(code_page, bytes.data(), static_cast<int>(bytes.size()),
                                        out.data(), static_cast<int>(out.size()));
  return {out.data(), static_cast<size_t>(n)};
}

std::string encode(unsigned code_page, std::u16string_view units) {
  std::array<char, 32> out{};
  const int n = wide_char_to_multi_byte(code_page, units.data(), static_cast<int>(units.size()),
                                        out.data(), static_cast<int>(out.size()));
  return {out.data(), static_cast<size_t>(n)};
}

// Perl's table, read once from the dump script: code (bytes) -> UTF-16 unit, and UTF-16 unit ->
// code, with unmapped entries absent.
struct ReferenceTable {
  std::map<std::string, char16_t> decoded;
  std::vector<std::string> undecodable;
  std::map<char16_t, std::string> encoded;
  std::vector<char16_t> unencodable;
};

ReferenceTable read_reference() {
  ReferenceTable table;
  const std::string command = "perl '" TTS_TEST_DATA_DIR "/cp936_table.pl'";
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return table;
  std::string dump;
  std::array<char, 65536> chunk;
  size_t n;
  while ((n = std::fread(chunk.data(), 1, chunk.size(), pipe)) > 0) dump.append(chunk.data(), n);
  pclose(pipe);
  std::istringstream lines(dump);
  std::string kind, key, value;
  while (lines >> kind >> key >> value) {
    if (kind == "D") {
      if (value == "-") {
        table.undecodable.push_back(bytes_of_hex(key));
      } else {
        table.decoded[bytes_of_hex(key)] = static_cast<char16_t>(std::stoi(value, nullptr, 16));
      }
    } else {
      const auto unit = static_cast<char16_t>(std::stoi(key, nullptr, 16));
      if (value == "-") {
        table.unencodable.push_back(unit);
      } else {
        table.encoded[unit] = bytes_of_hex(value);
      }
    }
  }
  return table;
}

class Cp936Table : public testing::Test {
 protected:
  static void SetUpTestSuite() { reference_ = new ReferenceTable(read_reference()); }
  static void TearDownTestSuite() { delete reference_; }
  static const ReferenceTable& reference() { return *reference_; }

 private:
  static ReferenceTable* reference_;
};
ReferenceTable* Cp936Table::reference_ = nullptr;

TEST_F(Cp936Table, ReferenceDumpIsComplete) {
  // 256 one-byte codes and 126 x 256 pairs; the BMP without the 2,048 surrogates.
  EXPECT_EQ(reference().decoded.size() + reference().undecodable.size(), 256u + 126u * 256u);
  EXPECT_EQ(reference().encoded.size() + reference().unencodable.size(), 65536u - 2048u);
  // 128 ASCII, 0x80, 0xFF and the 126 x 190 pairs of valid lead and trail bytes.
  EXPECT_EQ(reference().decoded.size(), 130u + 126u * 190u);
}

TEST_F(Cp936Table, EveryCodeDecodesLikeTheReference) {
  for (unsigned code_page : {platform::CP_GBK, platform::CP_ANSI}) {
    std::vector<std::string> wrong;
    for (const auto& [bytes, unit] : reference().decoded) {
      const std::u16string got = decode(code_page, bytes);
      if (got != std::u16string(1, unit)) {
        wrong.push_back(hex_of(bytes) + " -> " + hex_of(got) + ", want " + hex_of({&unit, 1}));
      }
    }
    // An unmapped code is a lead byte without a valid trail: it must not pass for a character.
    for (const std::string& bytes : reference().undecodable) {
      const std::u16string got = decode(code_page, bytes);
      if (got.empty() || got[0] != u'\uFFFD') wrong.push_back(hex_of(bytes) + " -> " + hex_of(got));
    }
    EXPECT_EQ(wrong.size(), 0u) << "code page " << code_page << ", first: " << wrong.front();
  }
}

// Perl's encoder also applies Windows' best-fit look-alikes (412 of them in Encode 3.19, such as
// U+00B2 -> "2"): a unit whose code does not decode back to itself. We write "?" for those on
// purpose; every round-trip mapping must agree.
TEST_F(Cp936Table, EveryUnitEncodesLikeTheReferenceRoundTripTable) {
  std::vector<std::string> wrong;
  int best_fit = 0;
  for (const auto& [unit, bytes] : reference().encoded) {
    const auto back = reference().decoded.find(bytes);
    const bool round_trip = back != reference().decoded.end() && back->second == unit;
    best_fit += round_trip ? 0 : 1;
    const std::string want = round_trip ? bytes : "?";
    const std::string got = encode(platform::CP_GBK, {&unit, 1});
    if (got != want) wrong.push_back(hex_of({&unit, 1}) + " -> " + hex_of(got) + ", want " + hex_of(want));
  }
  for (char16_t unit : reference().unencodable) {
    const std::string got = encode(platform::CP_GBK, {&unit, 1});
    if (got != "?") wrong.push_back(hex_of({&unit, 1}) + " -> " + hex_of(got) + ", want 3F");
  }
  EXPECT_EQ(wrong.size(), 0u) << "first: " << wrong.front();
  EXPECT_LT(best_fit, 1000) << "the reference lost its round-trip table";
}

// Where two long results part, for a readable failure; npos when they are equal.
template <typename String>
size_t first_difference(const String& got, const String& want) {
  if (got == want) return String::npos;
  size_t i = 0;
  while (i < got.size() && i < want.size() && got[i] == want[i]) ++i;
  return i;
}

// Long texts take the table-driven path: the whole table again, as one text each way, converted
// by four threads at once, as the table is read while the first texts need it.
TEST_F(Cp936Table, TheWholeTableAsOneLongTextEachWayFromFourThreads) {
  std::string codes;
  std::u16string units;
  for (const auto& [bytes, unit] : reference().decoded) {
    codes += bytes;
    units += unit;
  }
  std::u16string all_units;
  std::string want;
  for (const auto& [unit, bytes] : reference().encoded) {
    const auto back = reference().decoded.find(bytes);
    const bool round_trip = back != reference().decoded.end() && back->second == unit;
    all_units += unit;
    want += round_trip ? bytes : "?";
  }

  constexpr int kThreads = 4;
  std::vector<std::u16string> decoded(kThreads);
  std::vector<std::string> encoded(kThreads);
  std::vector<std::thread> threads;
  for (int i = 0; i < kThreads; ++i) {
    threads.emplace_back([&, i] {
      decoded[i] = platform::ansi_to_utf16(codes);
      encoded[i] = platform::utf16_to_ansi(all_units);
    });
  }
  for (std::thread& thread : threads) thread.join();
  for (int i = 0; i < kThreads; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(first_difference(decoded[i], units), std::u16string::npos);
    EXPECT_EQ(first_difference(encoded[i], want), std::string::npos);
  }
}

TEST(Cp936, LandmarksOfTheWindowsTable) {
  struct Case {
    std::string bytes;
    std::u16string units;
  };
  const Case cases[] = {
      {"\x80", u"\u20AC"},             // euro sign
      {"\xFF", u"\uF8F5"},             // the last one-byte code
      {"\xD6\xD0", u"\u4E2D"},         // 中
      {"\xAA\xA1", u"\uE000"},         // first user-defined area -> private use
      {"\xA1\x40", u"\uE4C6"},         // user-defined area below the GB2312 rows
      {"\xFE\xFE", u"\uE4C5"},
      {"a\x80z", u"a\u20ACz"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(hex_of(c.bytes));
    EXPECT_EQ(decode(platform::CP_GBK, c.bytes), c.units);
    EXPECT_EQ(encode(platform::CP_GBK, c.units), c.bytes);
  }
}

TEST(Cp936, WhatTheCodePageCannotHoldBecomesOneQuestionMark) {
  struct Case {
    const char* what;
    std::u16string units;
    std::string bytes;
  };
  const Case cases[] = {
      {"Thai letter", u"a\u0E01b", "a?b"},
      {"soft hyphen (default-ignorable)", u"a\u00ADb", "a?b"},
      {"zero-width space", u"\u200B", "?"},
      {"best-fit look-alike", u"\u00B2", "?"},
      {"surrogate pair", u"a\U0001F600b", "a?b"},
      {"lone high surrogate", u"a\xD800" u"b", "a?b"},
      {"lone low surrogate at the end", u"a\xDC00", "a?"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(encode(platform::CP_GBK, c.units), c.bytes);
  }
}

TEST(Utf8, ConvertsBothWaysAndSubstitutesTheUnconvertible) {
  EXPECT_EQ(decode(platform::CP_UTF8, "a\xE4\xB8\xAD"), u"a\u4E2D");
  EXPECT_EQ(decode(platform::CP_UTF8, "\xF0\x9F\x98\x80"), u"\U0001F600");
  EXPECT_EQ(decode(platform::CP_UTF8, "a\xFFz"), u"a\uFFFDz");
  EXPECT_EQ(encode(platform::CP_UTF8, u"a\u4E2D\U0001F600"), "a\xE4\xB8\xAD\xF0\x9F\x98\x80");
  EXPECT_EQ(encode(platform::CP_UTF8, u"a\xD800z"), "a\xEF\xBF\xBDz");
}

TEST(CodePageCalls, SizingAndTerminator) {
  // -1 reads up to and including the terminating zero; an explicit length adds none.
  EXPECT_EQ(multi_byte_to_wide_char(platform::CP_GBK, "ab\xD6\xD0", -1, nullptr, 0), 4);
  EXPECT_EQ(multi_byte_to_wide_char(platform::CP_GBK, "ab\xD6\xD0", 4, nullptr, 0), 3);
  EXPECT_EQ(multi_byte_to_wide_char(platform::CP_UTF8, "", -1, nullptr, 0), 1);
  EXPECT_EQ(wide_char_to_multi_byte(platform::CP_GBK, u"ab\u4E2D", -1, nullptr, 0), 5);
  EXPECT_EQ(wide_char_to_multi_byte(platform::CP_UTF8, u"ab\u4E2D", -1, nullptr, 0), 6);
  EXPECT_EQ(wide_char_to_multi_byte(platform::CP_UTF8, u"ab\u4E2D", 3, nullptr, 0), 5);

  char16_t wide[4] = {u'x', u'x', u'x', u'x'};
  ASSERT_EQ(multi_byte_to_wide_char(platform::CP_ANSI, "a\xD6\xD0", -1, wide, 4), 3);
  EXPECT_EQ(std::u16string(wide, 4), std::u16string(u"a\u4E2D\0x", 4));

  char narrow[6] = "xxxxx";
  ASSERT_EQ(wide_char_to_multi_byte(platform::CP_ANSI, u"a\u4E2D", -1, narrow, 4), 4);
  EXPECT_EQ(std::string(narrow, 5), std::string("a\xD6\xD0\0x", 5));
}

TEST(CodePageCalls, NeverWriteBeyondTheCapacity) {
  // The output does not fit: the call fails and the units past the capacity stay as they were
  // (those within it may hold part of the output, as with the system calls).
  char16_t wide[6] = {u'#', u'#', u'#', u'#', u'#', u'#'};
  EXPECT_EQ(multi_byte_to_wide_char(platform::CP_GBK, "abcdef", -1, wide, 3), 0);
  EXPECT_EQ(std::u16string(wide + 3, 3), u"###");

  char narrow[8] = "#######";
  EXPECT_EQ(wide_char_to_multi_byte(platform::CP_UTF8, u"\u4E2D\u4E2D", -1, narrow, 4), 0);
  EXPECT_EQ(std::string(narrow + 4, 3), "###");
  char gbk[8] = "#######";
  EXPECT_EQ(wide_char_to_multi_byte(platform::CP_GBK, u"\u4E2D", -1, gbk, 2), 0);
  EXPECT_EQ(std::string(gbk + 2, 5), "#####");
}

TEST(CodePageCalls, RejectUnknownCodePagesAndBadArguments) {
  char16_t wide[4];
  char narrow[4];
  EXPECT_EQ(multi_byte_to_wide_char(1252, "a", -1, wide, 4), 0);
  EXPECT_EQ(wide_char_to_multi_byte(437, u"a", -1, narrow, 4), 0);
  EXPECT_EQ(multi_byte_to_wide_char(platform::CP_GBK, nullptr, -1, wide, 4), 0);
  EXPECT_EQ(multi_byte_to_wide_char(platform::CP_GBK, "a", -2, wide, 4), 0);
  EXPECT_EQ(wide_char_to_multi_byte(platform::CP_GBK, u"a", -1, narrow, -1), 0);
  EXPECT_EQ(multi_byte_to_wide_char(platform::CP_GBK, "a", 0, wide, 4), 0);
}

TEST(CodePageCalls, WholeStringConveniences) {
  EXPECT_EQ(platform::ansi_to_utf16("x\xD6\xD0\x80"), u"x\u4E2D\u20AC");
  EXPECT_EQ(platform::utf16_to_ansi(u"x\u4E2D\u20AC\u0E01"), "x\xD6\xD0\x80?");
  EXPECT_EQ(platform::ansi_to_utf16(""), u"");
  EXPECT_EQ(platform::utf16_to_ansi(u""), "");
}

std::u16string decode_utf8(std::string_view bytes) {
  const int size = static_cast<int>(bytes.size());
  const int needed = multi_byte_to_wide_char(platform::CP_UTF8, bytes.data(), size, nullptr, 0);
  std::u16string out(static_cast<size_t>(needed), u'\0');
  out.resize(static_cast<size_t>(
      multi_byte_to_wide_char(platform::CP_UTF8, bytes.data(), size, out.data(), needed)));
  return out;
}

template <typename String>
String repeated(const String& piece, int times) {
  String out;
  for (int i = 0; i < times; ++i) out += piece;
  return out;
}

// Plain characters take a table-driven path that hands over to the converter at the first one it
// does not know. A text of many thousand characters must convert exactly as its pieces do,
// whatever odd piece sits in its middle. (The pieces after an odd one start with a digit, which
// cannot be the second byte of a code page 936 pair.)
TEST(CodePageCalls, LongTextsConvertLikeTheirPieces) {
  const std::string gbk = repeated<std::string>("12345 ab\xD6\xD0xyz\x80\xFF", 1500);
  for (const std::string odd : {"\x81", "\x81\x7F", "\xA1", ""}) {
    SCOPED_TRACE(hex_of(odd));
    EXPECT_EQ(platform::ansi_to_utf16(gbk + odd + gbk),
              platform::ansi_to_utf16(gbk) + platform::ansi_to_utf16(odd) +
                  platform::ansi_to_utf16(gbk));
  }

  const std::u16string wide = repeated<std::u16string>(u"ab\u4E2Dxyz\u20AC 12345\uE000", 1500);
  for (const std::u16string odd : {u"\u00B2", u"\xD800", u"\U0001F600", u"\u0E01\u00AD"}) {
    SCOPED_TRACE(hex_of(odd));
    EXPECT_EQ(platform::utf16_to_ansi(wide + odd + wide),
              platform::utf16_to_ansi(wide) + platform::utf16_to_ansi(odd) +
                  platform::utf16_to_ansi(wide));
  }

  const std::string utf8 =
      repeated<std::string>("ab\xC3\xA9\xE4\xB8\xADxyz\xF0\x9F\x98\x80 12345", 1500);
  for (const std::string odd :
       {"\xFF", "\xE4\xB8", "\xED\xA0\x80", "\xC0\xAF", "\xF4\x90\x80\x80"}) {
    SCOPED_TRACE(hex_of(odd));
    EXPECT_EQ(decode_utf8(utf8 + odd + utf8),
              decode_utf8(utf8) + decode_utf8(odd) + decode_utf8(utf8));
  }
}

}  // namespace
