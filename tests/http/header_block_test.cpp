// The header block: defaults, normalisation, line parts and the hand-over to a request object.
#include "http/header_block.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>

#include "recording_request.h"

namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

constexpr const char* kUrl = "https://h:8443/functions/tts/text";
constexpr const char* kAllDefaultsForPost =
    "\r\nAccept: */*\r\nReferer: https://h:8443/functions/tts/text\r\nAccept-Language: zh-cn"
    "\r\nUser-Agent: Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)"
    "\r\nContent-Type: application/x-www-form-urlencoded";

TEST(AddDefaultHeaders, AppendsWhatTheBlockLacksInTableOrder) {
  struct Case {
    const char* block;
    int method;
    std::string expected;
  };
  const Case cases[] = {
      {"", 1, kAllDefaultsForPost},
      {"", 0,
       "\r\nAccept: */*\r\nReferer: https://h:8443/functions/tts/text\r\nAccept-Language: zh-cn"
       "\r\nUser-Agent: Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)"},
      // Probes ignore case and match anywhere, also inside a longer name or a value.
      {"accept: text/html\r\nX-Referer: a\r\nv: accept-language:\r\nUser-Agent: X\r\n"
       "CONTENT-TYPE: t",
       1,
       "accept: text/html\r\nX-Referer: a\r\nv: accept-language:\r\nUser-Agent: X\r\n"
       "CONTENT-TYPE: t"},
      {"User-Agent: X", 3,
       "User-Agent: X\r\nAccept: */*\r\nReferer: https://h:8443/functions/tts/text"
       "\r\nAccept-Language: zh-cn"},
  };
  for (const Case& c : cases) {
    Text block = c.block;
    add_default_headers(block, kUrl, c.method);
    EXPECT_EQ(block, c.expected) << "block: " << c.block << " method " << c.method;
  }
}

TEST(NormalizeHeaderBlock, CapitalisesNameWordsAndDropsLinesWithoutColon) {
  struct Case {
    const char* block;
    const char* expected;
  };
  const Case cases[] = {
      {"content-type: text/plain", "Content-Type: text/plain"},
      {"x-FOO-bar: 1", "X-FOO-Bar: 1"},
      {"user-agent:abc", "User-Agent:abc"},
      {"a--b-: 1", "A--B-: 1"},
      {"a\r\nb: 1\r\n\r\nc-d: 2", "B: 1\r\nC-D: 2"},
      {"referer: http://h:1/x-y", "Referer: http://h:1/x-y"},  // the value stays as it is
      {" x-y : v", " x-Y : v"},                                // a leading blank is the first byte
      {"中文-x: 值", "中文-X: 值"},
      {"no colon\r\n", ""},
      {"", ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(normalize_header_block(c.block), c.expected) << c.block;
  }
  Text defaults = kAllDefaultsForPost;
  EXPECT_EQ(normalize_header_block(defaults), defaults.substr(2));
}

TEST(HeaderLineParts, TrimmedNameAndValueAroundTheFirstColon) {
  struct Case {
    const char* line;
    const char* name;
    const char* value;
  };
  const Case cases[] = {
      {"X-Token:abc", "X-Token", "abc"},
      {"  Referer :  https://h:8443/x  ", "Referer", "https://h:8443/x"},
      {"\xA1\xA1Name\xA1\xA1: v", "Name", "v"},  // full-width blanks are trimmed too
      {"no colon", "", ""},
      {":", "", ""},
      {"", "", ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(header_line_name(c.line), c.name) << c.line;
    EXPECT_EQ(header_line_value(c.line), c.value) << c.line;
  }
  EXPECT_EQ(capitalize_first_letter(""), "");
  EXPECT_EQ(capitalize_first_letter("abc"), "Abc");
  EXPECT_EQ(capitalize_first_letter("中"), "中");
  EXPECT_EQ(capitalize_first_letter("1a"), "1a");
}

class HandOver : public ::testing::Test {
 protected:
  HandOver() { object.reference() = recorder; }
  std::vector<std::string> handed(std::string_view block) {
    recorder->calls.clear();
    hand_over_header_block(block, object);
    return recorder->calls_of("SetRequestHeader");
  }
  std::shared_ptr<RecordingRequest> recorder = std::make_shared<RecordingRequest>();
  AutomationObject object;
};

TEST_F(HandOver, OneCallPerLineSkippingEmptyLinesAndExactKeepAlive) {
  EXPECT_THAT(handed("Connection: keep-alive\r\nX: 1"), ElementsAre("SetRequestHeader(X, 1)"));
  EXPECT_THAT(handed("Connection: close\r\n\r\nconnection: keep-alive\r\nConnection: Keep-Alive"),
              ElementsAre("SetRequestHeader(Connection, close)",
                          "SetRequestHeader(connection, keep-alive)",
                          "SetRequestHeader(Connection, Keep-Alive)"));
  // A line without a colon still goes over, as an empty name and value.
  EXPECT_THAT(handed("\r\nbare\r\nA: 1"),
              ElementsAre("SetRequestHeader(, )", "SetRequestHeader(A, 1)"));
}

TEST_F(HandOver, ABlockWithoutLineBreakIsOneHeaderEvenWhenEmpty) {
  EXPECT_THAT(handed("X-Token:abc"), ElementsAre("SetRequestHeader(X-Token, abc)"));
  EXPECT_THAT(handed(""), ElementsAre("SetRequestHeader(, )"));
}

TEST_F(HandOver, ARefusedHeaderDoesNotStopTheLinesAfterIt) {
  recorder->refused_header_names = {u"Bad"};
  EXPECT_THAT(handed("Bad: 1\r\nGood: 2"),
              ElementsAre("SetRequestHeader(Bad, 1)", "SetRequestHeader(Good, 2)"));
  AutomationObject empty;
  hand_over_header_block("A: 1\r\nB: 2", empty);  // no object: nothing happens, nothing throws
  EXPECT_THAT(recorder->calls_of("Open"), IsEmpty());
}

}  // namespace
