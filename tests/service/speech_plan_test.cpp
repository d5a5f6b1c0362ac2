// Which espeak-ng voice speaks each voice of the table, and where it has to stand in.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "service/speech_plan.h"
#include "service/voices.h"

namespace service {
namespace {

TEST(VoiceTable, HoldsTheProgramsFortyEightVoices) {
  ASSERT_EQ(voice_table().size(), 48u);
  EXPECT_EQ(voice_table().front().id, "Xiaoyun");
  EXPECT_EQ(voice_table().back().label, "美语女声-文学场景-Annie-仅支持英语");
  std::set<std::string_view> ids;
  for (const Voice& voice : voice_table()) ids.insert(voice.id);
  EXPECT_EQ(ids.size(), 48u);
  ASSERT_NE(find_voice("Ruoxi"), nullptr);
  EXPECT_EQ(find_voice("Ruoxi")->label, "温柔女声-通用场景-若兮");
  EXPECT_EQ(find_voice("RUOXI"), nullptr);
}

TEST(EngineVoice, FollowsTheLabelsLanguageAndSpeaker) {
  struct Case {
    std::string_view id;
    std::string_view language;
    char gender;  // 'm', 'f', or 'c' for the child variant
    bool stands_in;
  };
  const Case cases[] = {
      {"Xiaogang", "cmn-latn-pinyin", 'm', false}, {"Ruoxi", "cmn-latn-pinyin", 'f', false},
      {"Sitong", "cmn-latn-pinyin", 'c', false},   {"Xiaobei", "cmn-latn-pinyin", 'c', false},
      {"Harry", "en", 'm', false},                 {"Emily", "en", 'f', false},
      {"Abby", "en-us", 'f', false},               {"Andy", "en-us", 'm', false},
      {"Annie", "en-us", 'f', false},              {"Shanshan", "yue", 'f', false},
      {"Tomoka", "ja", 'f', false},                {"Tomoya", "ja", 'm', false},
      {"Lydia", "cmn-latn-pinyin", 'f', false},    {"Xiaoyue", "cmn-latn-pinyin", 'f', true},
      {"Qingqing", "cmn-latn-pinyin", 'f', true},  {"Cuijie", "cmn-latn-pinyin", 'f', true},
      {"Xiaoze", "cmn-latn-pinyin", 'm', true},    {"Aina", "cmn-latn-pinyin", 'f', true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.id);
    const EngineVoice engine = engine_voice_for(*find_voice(c.id));
    EXPECT_EQ(engine.language, c.language);
    if (c.gender == 'c') {
      EXPECT_EQ(engine.variant, "f5");
    } else {
      EXPECT_EQ(engine.variant.front(), c.gender);
      EXPECT_NE(engine.variant, "f5");
    }
    EXPECT_EQ(!engine.fallback_note.empty(), c.stands_in) << engine.fallback_note;
  }
}

TEST(SpeechPlan, GivesKanjiToMandarinAndKanaToJapanese) {
  const SpeechPlan plan = plan_speech(*find_voice("Tomoka"), "今日はいい天気。");
  const std::string japanese = engine_voice_for(*find_voice("Tomoka")).name();
  const std::string mandarin = "cmn-latn-pinyin+" + engine_voice_for(*find_voice("Tomoka")).variant;
  ASSERT_EQ(plan.parts.size(), 4u);
  EXPECT_EQ(plan.parts[0].engine_voice, mandarin);
  EXPECT_EQ(plan.parts[0].text, "今日");
  EXPECT_EQ(plan.parts[1].engine_voice, japanese);
  EXPECT_EQ(plan.parts[1].text, "はいい");
  EXPECT_EQ(plan.parts[2].text, "天気");
  EXPECT_EQ(plan.parts[3].text, "。");
  EXPECT_FALSE(plan.fallback_note.empty());

  const SpeechPlan kana = plan_speech(*find_voice("Tomoya"), "こんにちは");
  ASSERT_EQ(kana.parts.size(), 1u);
  EXPECT_TRUE(kana.fallback_note.empty());
}

TEST(SpeechPlan, KeepsOtherVoicesWholeAndEmptyTextSilent) {
  const SpeechPlan plan = plan_speech(*find_voice("Ruoxi"), "你好 hello 123");
  ASSERT_EQ(plan.parts.size(), 1u);
  EXPECT_EQ(plan.parts[0].text, "你好 hello 123");
  EXPECT_TRUE(plan_speech(*find_voice("Tomoka"), "").parts.empty());
}

}  // namespace
}  // namespace service
