// Charset conversion through the stream component. Narrow literals here are GBK; u8 ones UTF-8.
#include "encoding/convert_charset.h"

#include <gtest/gtest.h>

#include "platform/automation_host.h"
#include "platform/codepage.h"
#include "platform/stream_component.h"

namespace {

Bytes bytes_of(std::string_view text) { return Bytes(text.begin(), text.end()); }
Bytes bytes_of(std::u8string_view text) { return Bytes(text.begin(), text.end()); }

class ConvertCharsetTest : public ::testing::Test {
 protected:
  void SetUp() override { platform::ole_initialize(); }  // as start-up does
  void TearDown() override { platform::ole_uninitialize(); }
};

TEST_F(ConvertCharsetTest, ConvertsAsTheStreamDoes) {
  const Bytes chinese = bytes_of(u8"语音合成，中文！");
  const std::string_view gbk = "语音合成，中文！";
  struct Case {
    const char* name;
    Bytes source;
    std::string_view from;
    std::string_view to;
    std::optional<int> start;
    Bytes expected;
  };
  const Case cases[] = {
      {"UTF-8 Chinese to GBK", chinese, "", "", std::nullopt, bytes_of(gbk)},
      {"names in any case", chinese, "utf-8", "gbk", std::nullopt, bytes_of(gbk)},
      {"empty source", {}, "", "", std::nullopt, {}},
      {"start position", chinese, "", "", 4, bytes_of(gbk.substr(4))},
      {"start in a character", chinese, "", "", 1, bytes_of(gbk.substr(1))},
      {"start at the end", chinese, "", "", 16, {}},
      {"start past the end", chinese, "", "", 40, {}},
      {"start refused", chinese, "", "", -1, bytes_of(gbk)},
      {"euro of code page 936", bytes_of(u8"5€"), "", "", std::nullopt, {'5', 0x80}},
      // Thai and an emoji are not in the ANSI code page: one "?" each.
      {"characters GBK lacks", bytes_of(u8"aกb😀c"), "", "", std::nullopt, bytes_of("a?b?c")},
      {"GBK to UTF-8", bytes_of("中文"), "GBK", "UTF-8", std::nullopt, bytes_of(u8"中文")},
      // The stream refuses the name and keeps writing in the charset it had: the source's.
      {"unknown target", chinese, "", "klingon", std::nullopt, chinese},
      // Refused as a source, the stream reads in its first charset, little-endian UTF-16.
      {"unknown source", bytes_of("ab"), "klingon", "", std::nullopt,
       bytes_of(platform::utf16_to_ansi(u"\u6261"))},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(convert_charset(c.source, c.from, c.to, c.start), c.expected);
  }
}

TEST_F(ConvertCharsetTest, LeavesTheInitialisationCountAsItFoundIt) {
  EXPECT_EQ(platform::initialisation_count(), 1);
  convert_charset(bytes_of(u8"中"));
  EXPECT_EQ(platform::initialisation_count(), 1);
}

TEST_F(ConvertCharsetTest, WithoutAStreamTheResultIsEmpty) {
  platform::register_component("Adodb.Stream", "", [] { return platform::ObjectRef(); });
  EXPECT_TRUE(convert_charset(bytes_of(u8"中文")).empty());
  platform::register_component("Adodb.Stream", "", platform::make_stream_component);
  EXPECT_EQ(convert_charset(bytes_of(u8"中文")), bytes_of("中文"));
}

}  // namespace
