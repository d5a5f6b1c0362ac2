// Percent-encoding in both modes, every byte value, and the UTF-8 option.
#include "encoding/url_encode.h"

#include <gtest/gtest.h>

#include <cstdio>

namespace {

TEST(UrlEncode, Examples) {
  struct Case {
    Text text;
    bool keep_unreserved;
    bool to_utf8;
    Text encoded;
  };
  const Case cases[] = {
      {"a b", true, false, "a%20b"},
      {"A-Z_a.z~", true, false, "A-Z%5Fa.z%7E"},
      {"1/2", true, false, "1%2F2"},
      {"*+,", true, false, "%2A%2B%2C"},
      {"ab", false, false, "%61%62"},
      {"\n", true, false, "%0A"},
      {"中", true, false, "%D6%D0"},
      {"中", false, false, "%D6%D0"},
      {"中", true, true, "%E4%B8%AD"},
      {"a中", false, true, "%61%E4%B8%AD"},
      {"x\x80", true, true, "x%E2%82%AC"},
      {"", false, false, ""},
      {"", true, true, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "'" << c.text << "' keep=" << c.keep_unreserved
                                    << " utf8=" << c.to_utf8);
    EXPECT_EQ(url_encode(c.text, c.keep_unreserved, c.to_utf8), c.encoded);
  }
}

TEST(UrlEncode, EveryByteValueInBothModes) {
  for (int b = 1; b < 256; ++b) {
    SCOPED_TRACE(b);
    const Text text(1, static_cast<char>(b));
    char escape[4];
    std::snprintf(escape, sizeof escape, "%%%02X", b);
    const bool unreserved = b == '-' || b == '.' || (b >= '0' && b <= '9') ||
                            (b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z');
    EXPECT_EQ(url_encode(text, false), escape);
    EXPECT_EQ(url_encode(text, true), unreserved ? text : Text(escape));
  }
  // 64 bytes pass unencoded: "-", ".", ten digits and 2 x 26 letters.
  Text all;
  for (int b = 1; b < 256; ++b) all.push_back(static_cast<char>(b));
  EXPECT_EQ(url_encode(all, true).size(), 64u + 3u * (255u - 64u));
  EXPECT_EQ(url_encode(all, false).size(), 3u * 255u);
}

}  // namespace
