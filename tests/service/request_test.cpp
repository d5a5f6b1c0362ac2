// Reading the synthesis request: the program's raw form body, a browser's encoded one, and every
// way a request is refused.
#include <gtest/gtest.h>

#include <string>

#include "service/synthesis_request.h"

namespace service {
namespace {

constexpr std::string_view kTail = "&voice=Ruoxi&volume=50&speech_rate=0&pitch_rate=0&type=1";

std::string client_body(std::string_view text) { return "value=" + std::string(text) + std::string(kTail); }

std::string repeated(std::string_view piece, int times) {
  std::string out;
  for (int i = 0; i < times; ++i) out += piece;
  return out;
}

TEST(SynthesisRequest, ReadsTheTextAsTheProgramAndABrowserSendIt) {
  struct Case {
    std::string body;
    std::string text;
  };
  const Case cases[] = {
      {client_body("我是一只小小鸟"), "我是一只小小鸟"},
      // The program sends its text unencoded: all of it up to the last "&voice=" is the text.
      {client_body("a&b=c"), "a&b=c"},
      {client_body("100% 对+错"), "100% 对+错"},
      {client_body("第一行\r\n第二行&voice=x"), "第一行\r\n第二行&voice=x"},
      {client_body("%E4%BD%A0 raw"), "%E4%BD%A0 raw"},  // a space: nothing an encoder would write
      // A browser encodes, possibly in another order.
      {"value=%E4%BD%A0%E5%A5%BD+a%26b%3Dc" + std::string(kTail), "你好 a&b=c"},
      {"voice=Ruoxi&value=%E4%BD%A0&volume=50", "你"},
      {"type=1&value=x&voice=Ruoxi&", "x"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.body);
    const auto read = read_synthesis_request(c.body);
    ASSERT_TRUE(std::holds_alternative<SynthesisRequest>(read)) << std::get<Failure>(read).message;
    EXPECT_EQ(std::get<SynthesisRequest>(read).text, c.text);
    EXPECT_EQ(std::get<SynthesisRequest>(read).voice->id, "Ruoxi");
  }
}

TEST(SynthesisRequest, TakesTheNumbersAndDefaultsTheMissingOnes) {
  const auto full = std::get<SynthesisRequest>(
      read_synthesis_request("value=x&voice=Harry&volume=0&speech_rate=-500&pitch_rate=500&type=1"));
  EXPECT_EQ(full.volume, 0);
  EXPECT_EQ(full.speech_rate, -500);
  EXPECT_EQ(full.pitch_rate, 500);
  const auto bare = std::get<SynthesisRequest>(read_synthesis_request("value=x&voice=Harry"));
  EXPECT_EQ(bare.volume, 50);
  EXPECT_EQ(bare.speech_rate, 0);
  EXPECT_EQ(bare.pitch_rate, 0);
}

TEST(SynthesisRequest, RefusesWhatItCannotSpeakWithAMessage) {
  struct Case {
    std::string body;
    Failure expected;
  };
  const Case cases[] = {
      {"", kMalformedBody},
      {"value=x", kMalformedBody},
      {"voice=Ruoxi", kMalformedBody},
      {"value=x&voice=Ruoxi&volume", kMalformedBody},
      {"voice=Ruoxi&value=x&voice=Harry", kMalformedBody},
      {"value=x&voice=Ruoxi&=1", kMalformedBody},
      {client_body("\xC4\xE3\xBA\xC3"), kTextNotUtf8},  // GBK bytes of "你好"
      {"value=%FF&voice=Ruoxi", kTextNotUtf8},
      {client_body(""), kEmptyText},
      {client_body(repeated("语", 5001)), kTextTooLong},
      {client_body(repeated("a", 5001)), kTextTooLong},
      {"value=x&voice=ruoxi", kUnknownVoice},
      {"value=x&voice=", kUnknownVoice},
      {"value=x&voice=Ruoxi&volume=101", kVolumeOutOfRange},
      {"value=x&voice=Ruoxi&volume=-1", kVolumeOutOfRange},
      {"value=x&voice=Ruoxi&volume=5.0", kVolumeOutOfRange},
      {"value=x&voice=Ruoxi&volume=", kVolumeOutOfRange},
      {"value=x&voice=Ruoxi&volume=99999999999999999999", kVolumeOutOfRange},
      {"value=x&voice=Ruoxi&speech_rate=501", kSpeechRateOutOfRange},
      {"value=x&voice=Ruoxi&speech_rate=+1", kSpeechRateOutOfRange},
      {"value=x&voice=Ruoxi&pitch_rate=-501", kPitchRateOutOfRange},
      {"value=x&voice=Ruoxi&pitch_rate= 0", kPitchRateOutOfRange},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.body.substr(0, 80));
    const auto read = read_synthesis_request(c.body);
    ASSERT_TRUE(std::holds_alternative<Failure>(read));
    EXPECT_EQ(std::get<Failure>(read).code, c.expected.code);
  }
}

TEST(SynthesisRequest, AcceptsExactlyFiveThousandCharacters) {
  const auto read = read_synthesis_request(client_body(repeated("语", 5000)));
  ASSERT_TRUE(std::holds_alternative<SynthesisRequest>(read));
}

TEST(Answers, EscapeWhatJsonCannotHoldRaw) {
  EXPECT_EQ(success_answer("https://h/a\"b\\c\n"), R"({"code":0,"data":"https://h/a\"b\\c\u000a"})");
  EXPECT_EQ(failure_answer(kEmptyText), R"({"code":1003,"data":"文本不能为空"})");
}

}  // namespace
}  // namespace service
