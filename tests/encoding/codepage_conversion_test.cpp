// Conversions between GBK text, UTF-16 and UTF-8 with the ANSI-code-page sizing.
#include "encoding/codepage_conversion.h"

#include <gtest/gtest.h>

namespace {

// UTF-8 literals are char8_t in C++20; the functions deal in byte strings.
Text utf8(std::u8string_view text) { return {text.begin(), text.end()}; }

Bytes utf16le(std::u16string_view units, bool terminated = true) {
  Bytes out;
  for (char16_t unit : units) {
    out.push_back(static_cast<std::uint8_t>(unit & 0xFF));
    out.push_back(static_cast<std::uint8_t>(unit >> 8));
  }
  if (terminated) out.insert(out.end(), {0, 0});
  return out;
}

TEST(ToUtf8, ConvertsGbkTexts) {
  struct Case {
    const char* what;
    Text gbk;
    Text utf8;
  };
  const Case cases[] = {
      {"empty", "", ""},
      {"ASCII unchanged", "Hello, world! ~/?&=", "Hello, world! ~/?&="},
      {"seven Chinese characters", "我是一只小小鸟", utf8(u8"我是一只小小鸟")},
      {"mixed", "a中b", utf8(u8"a中b")},
      {"full-width space", "\xA1\xA1", utf8(u8"\u3000")},
      {"user-defined area", "\xAA\xA1", utf8(u8"\uE000")},
      // One byte in GBK, three in UTF-8: more than twice the ANSI size, and still whole.
      {"euro signs", "\x80\x80\x80\x80", utf8(u8"€€€€")},
      {"0xFF", "\xFF\xFF\xFF", utf8(u8"\uF8F5\uF8F5\uF8F5")},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(to_utf8(c.gbk), c.utf8);
  }
  EXPECT_EQ(to_utf8("我是一只小小鸟").size(), 21u);
}

TEST(MultibyteToUtf16, IncludesTheTerminatorAndDefaultsToUtf8) {
  EXPECT_EQ(multibyte_to_utf16("ab"), (Bytes{0x61, 0, 0x62, 0, 0, 0}));
  EXPECT_EQ(multibyte_to_utf16(""), (Bytes{0, 0}));
  // The buffer is sized in the ANSI code page: the three UTF-8 bytes of 中 are two characters in
  // GBK, so one more zero unit than UTF-8 needs follows the terminator.
  EXPECT_EQ(multibyte_to_utf16(utf8(u8"中")), utf16le(std::u16string_view(u"\u4E2D\0", 2)));
  EXPECT_EQ(multibyte_to_utf16("中", 936), utf16le(u"\u4E2D"));
  EXPECT_EQ(multibyte_to_utf16("中\x80", 0), utf16le(u"\u4E2D\u20AC"));
  // GBK bytes read as UTF-8 are no text there: more units than the ANSI sizing gave room for,
  // each a replacement character, and nothing lost.
  EXPECT_EQ(multibyte_to_utf16("\xD6\xD0"), utf16le(u"\uFFFD\uFFFD"));
  EXPECT_EQ(multibyte_to_utf16("ab", 1252), Bytes{});
}

TEST(Utf16ToMultibyte, ReadsUpToTheFirstZeroUnitOnly) {
  struct Case {
    const char* what;
    Bytes wide;
    int code_page;
    Text text;
  };
  const Case cases[] = {
      {"ASCII to ANSI", {0x61, 0, 0x62, 0, 0, 0}, 0, "ab"},
      {"empty Bytes", {}, 0, ""},
      {"only a terminator", {0, 0}, 65001, ""},
      {"stops at the first zero unit", utf16le(std::u16string_view(u"ab\0cd", 5), false), 0, "ab"},
      {"no terminator: never past the end", utf16le(u"ab", false), 0, "ab"},
      {"odd last byte ignored", {0x61, 0, 0x62}, 0, "a"},
      {"to GBK", utf16le(u"中文"), 936, "中文"},
      {"what GBK cannot hold", utf16le(u"a\u0E01\U0001F600"), 936, "a??"},
      {"to UTF-8", utf16le(u"中\u20AC"), 65001, utf8(u8"中€")},
      // "?" in the ANSI code page, three bytes each in UTF-8: beyond the ANSI sizing.
      {"Thai to UTF-8", utf16le(u"\u0E01\u0E02\u0E03\u0E04"), 65001,
       utf8(u8"\u0E01\u0E02\u0E03\u0E04")},
      {"unknown code page", utf16le(u"ab"), 1252, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(utf16_to_multibyte(c.wide, c.code_page), c.text);
  }
}

TEST(Utf16ToMultibyte, RoundTripsWithMultibyteToUtf16) {
  for (const Text& text : {Text("ab"), Text("我是一只小小鸟"), Text("x\x80y\xAA\xA1z")}) {
    SCOPED_TRACE(text);
    EXPECT_EQ(utf16_to_multibyte(multibyte_to_utf16(text, 936)), text);
    EXPECT_EQ(utf16_to_multibyte(multibyte_to_utf16(to_utf8(text)), 936), text);
  }
}

}  // namespace
