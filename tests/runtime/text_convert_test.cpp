// Numbers as text, byte-count pieces of texts, byte buffers, comparisons and number operations.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <utility>

#include "runtime/text.h"

namespace {

TEST(ToText, RealsAsPercentPoint13gWithAThreeDigitExponent) {
  const std::pair<double, Text> cases[] = {
      {2.0, "2"},
      {48.0, "48"},
      {0.5, "0.5"},
      {-0.5, "-0.5"},
      {0.0, "0"},
      {1.0 / 3.0, "0.3333333333333"},
      {2.0 / 3.0, "0.6666666666667"},
      {1e20, "1e+020"},
      {-1e20, "-1e+020"},
      {1.5e-5, "1.5e-005"},
      {0.0001, "0.0001"},
      {1e12, "1000000000000"},
      {9999999999999.0, "9999999999999"},
      {1e13, "1e+013"},
      {12345678901234.0, "1.234567890123e+013"},
      {1.7976931348623157e308, "1.797693134862e+308"},
      {5e-324, "4.940656458412e-324"},
      {123.456, "123.456"},
  };
  for (const auto& [value, expected] : cases) {
    SCOPED_TRACE(expected);
    EXPECT_EQ(to_text(value), expected);
  }
}

TEST(ToText, IntegersBuffersAndTexts) {
  EXPECT_EQ(to_text(-7), "-7");
  EXPECT_EQ(to_text(0), "0");
  EXPECT_EQ(to_text(std::numeric_limits<int>::min()), "-2147483648");
  EXPECT_EQ(to_text(Bytes{0x41, 0x00, 0x42}), "A");
  EXPECT_EQ(to_text(Bytes{0x41, 0x42}), "AB");
  EXPECT_EQ(to_text(Bytes{}), "");
  EXPECT_EQ(to_text(static_cast<const char*>(nullptr)), "");
  EXPECT_EQ(to_text(std::string_view("中文")), "中文");
}

TEST(ToHexText, UpperCaseDigitsOfTheUnsignedValue) {
  const std::pair<int, Text> cases[] = {
      {10, "A"}, {255, "FF"}, {0, "0"}, {-1, "FFFFFFFF"}, {0x1234abcd, "1234ABCD"}};
  for (const auto& [value, expected] : cases) EXPECT_EQ(to_hex_text(value), expected);
}

TEST(ToInt, TruncatesTowardZeroKeepingTheLow32Bits) {
  EXPECT_EQ(to_int(2.9), 2);
  EXPECT_EQ(to_int(-2.9), -2);
  EXPECT_EQ(to_int(2147483648.0), std::numeric_limits<int>::min());
  EXPECT_EQ(to_int(4294967297.5), 1);
  EXPECT_EQ(to_int(-4294967295.0), 1);
  EXPECT_EQ(to_int(1e300), 0);
  EXPECT_EQ(to_int(std::nan("")), 0);
  EXPECT_EQ(to_byte(0x1FF), 0xFF);
  EXPECT_EQ(to_byte(-1), 0xFF);
}

TEST(Characters, CodesBlanksAndCase) {
  EXPECT_EQ(char_code("\xB0\xA1"), -80);
  EXPECT_EQ(char_code("="), 61);
  EXPECT_EQ(char_code(""), 0);
  EXPECT_EQ(char_from_code(0x41), "A");
  EXPECT_EQ(char_from_code(0xB0), "\xB0");
  EXPECT_EQ(char_from_code(0), "");
  EXPECT_EQ(blank_text(3), "   ");
  EXPECT_EQ(blank_text(0), "");
  EXPECT_EQ(blank_text(-2), "");
}

TEST(TextParts, ByteCountsAreClipped) {
  EXPECT_EQ(text_mid("hello", 2, 3), "ell");
  EXPECT_EQ(text_mid("hello", 6, 1), "");
  EXPECT_EQ(text_mid("hello", 2, 99), "ello");
  EXPECT_EQ(text_mid("hello", 0, 2), "");
  EXPECT_EQ(text_mid("hello", 1, 0), "");
  EXPECT_EQ(text_left("abc", 5), "abc");
  EXPECT_EQ(text_left("abc", 2), "ab");
  EXPECT_EQ(text_left("abc", -1), "");
  EXPECT_EQ(text_right("abc", 0), "");
  EXPECT_EQ(text_right("abc", 2), "bc");
  EXPECT_EQ(text_right("abc", 9), "abc");
  EXPECT_EQ(text_length("中a"), 3);
  EXPECT_EQ(text_length(""), 0);
}

TEST(TextComparison, ByteWiseWithUnsignedBytes) {
  EXPECT_EQ(compare_text(std::string_view(), ""), 0);
  EXPECT_EQ(compare_text("abc", "abc"), 0);
  EXPECT_EQ(compare_text("ab", "abc"), -1);
  EXPECT_EQ(compare_text("abc", "ab"), 1);
  EXPECT_EQ(compare_text("\xB0", "a"), 1);  // 0xB0 is above 'a' as an unsigned byte
  EXPECT_EQ(compare_text("A", "a"), -1);
  EXPECT_TRUE(starts_with("abc", ""));
  EXPECT_TRUE(starts_with("abc", "ab"));
  EXPECT_FALSE(starts_with("abc", "abcd"));
  EXPECT_FALSE(starts_with("abc", "AB"));
  EXPECT_EQ(concat_text({"a", "", "中"}), "a中");
  EXPECT_EQ(concat_text({""}), "");
}

TEST(ByteBuffers, PiecesJoiningAndEquality) {
  const Bytes five{1, 2, 3, 4, 5};
  EXPECT_EQ(bytes_mid(five, 0, 2), (Bytes{1, 2}));
  EXPECT_EQ(bytes_mid(five, 9, 2), Bytes{});
  EXPECT_EQ(bytes_mid(five, 4, 9), (Bytes{4, 5}));
  EXPECT_EQ(bytes_mid(five, 6, 1), Bytes{});
  EXPECT_EQ(bytes_mid(five, 2, -3), Bytes{});
  EXPECT_EQ(bytes_mid(Bytes{}, 1, 1), Bytes{});
  EXPECT_EQ(bytes_length(five), 5);
  EXPECT_EQ(blank_bytes(3), (Bytes{0, 0, 0}));
  EXPECT_EQ(blank_bytes(-1), Bytes{});
  EXPECT_EQ(concat_bytes({five, Bytes{}, Bytes{0, 9}}), (Bytes{1, 2, 3, 4, 5, 0, 9}));
  EXPECT_EQ(concat_bytes({Bytes{}, Bytes{}}), Bytes{});
  EXPECT_TRUE(compare_bytes(Bytes{}, Bytes{}));
  EXPECT_TRUE(compare_bytes(Bytes{0, 1}, Bytes{0, 1}));
  EXPECT_FALSE(compare_bytes(Bytes{0, 1}, Bytes{0, 1, 0}));
  EXPECT_FALSE(compare_bytes(Bytes{0, 1}, Bytes{0, 2}));
  EXPECT_EQ(to_bytes("A\xB0"), (Bytes{0x41, 0xB0}));
  EXPECT_EQ(to_bytes(""), Bytes{});
}

TEST(Numbers, RemainderAndBits) {
  EXPECT_EQ(modulo(7, 3), 1);
  EXPECT_EQ(modulo(-7, 3), -1);
  EXPECT_EQ(modulo(7, -3), 1);
  EXPECT_DOUBLE_EQ(modulo(5.5, 2), 1.5);
  EXPECT_EQ(bit_and(0x0F0F, 0x00FF), 0x000F);
  EXPECT_EQ(bit_and(-1, 0x80000000), std::numeric_limits<int>::min());
  EXPECT_EQ(shift_right(-8, 1), -4);
  EXPECT_EQ(shift_right(-1, 31), -1);
  EXPECT_EQ(shift_right(16, 33), 8);
  EXPECT_EQ(shift_left(1, 33), 2);
  EXPECT_EQ(shift_left(1, 31), std::numeric_limits<int>::min());
  EXPECT_EQ(shift_left(3, -1), std::numeric_limits<int>::min());  // -1 mod 32 is 31
}

TEST(TextArrays, AppendCopiesAndElementsCountFromOne) {
  TextArray list;
  EXPECT_EQ(list.count(), 0);
  Text source = "a";
  list.append(source);
  source = "changed";
  list.append("");
  EXPECT_EQ(list.count(), 2);
  EXPECT_EQ(list.element(1), "a");
  EXPECT_EQ(list.element(2), "");
  list.element(2) = "b";
  EXPECT_EQ(list, (TextArray{"a", "b"}));
}

}  // namespace
