#include "service/speech_plan.h"

#include <array>

#include "service/utf8.h"

namespace service {
namespace {

constexpr std::string_view kMandarin = "cmn-latn-pinyin";
constexpr std::string_view kJapanese = "ja";

struct LanguageRule {
  std::string_view label_word;
  std::string_view language;
  std::string_view fallback_note;
};

// Names are espeak-ng voice file names, which is what selecting a voice by name matches.
// First match wins; a label matching none is Mandarin (the bilingual voice included: the Mandarin
// voice switches to English for English words by itself).
constexpr std::array<LanguageRule, 10> kLanguageRules{{
    {"粤语", "yue", ""},
    {"日语", kJapanese, ""},
    {"英音", "en", ""},  // espeak-ng names its British English voice file "en", not "en-gb"
    {"美音", "en-us", ""},
    {"美语", "en-us", ""},
    {"四川话", kMandarin, "espeak-ng has no Sichuanese voice; Mandarin instead"},
    {"台湾话", kMandarin, "espeak-ng has no Taiwanese voice; Mandarin instead"},
    {"东北话", kMandarin, "espeak-ng has no Northeastern Mandarin voice; standard Mandarin instead"},
    {"湖南", kMandarin, "espeak-ng has no Hunan-accented voice; standard Mandarin instead"},
    {"浙普", kMandarin, "espeak-ng has no Zhejiang-accented voice; standard Mandarin instead"},
}};

constexpr std::array<std::string_view, 7> kMaleVariants{"m1", "m2", "m3", "m4", "m5", "m6", "m7"};
constexpr std::array<std::string_view, 4> kFemaleVariants{"f1", "f2", "f3", "f4"};
constexpr std::string_view kChildVariant = "f5";  // the highest-pitched variant

bool contains(std::string_view text, std::string_view word) {
  return text.find(word) != std::string_view::npos;
}

template <std::size_t N>
std::string_view pick(const std::array<std::string_view, N>& variants, std::string_view id) {
  std::size_t sum = 0;
  for (char c : id) sum += static_cast<unsigned char>(c);
  return variants[sum % N];
}

}  // namespace

EngineVoice engine_voice_for(const Voice& voice) {
  EngineVoice result{std::string(kMandarin), "", ""};
  for (const LanguageRule& rule : kLanguageRules) {
    if (contains(voice.label, rule.label_word)) {
      result.language = rule.language;
      result.fallback_note = rule.fallback_note;
      break;
    }
  }
  if (contains(voice.label, "儿童") || contains(voice.label, "萝莉")) {
    result.variant = kChildVariant;
  } else if (contains(voice.label, "男")) {
    result.variant = pick(kMaleVariants, voice.id);
  } else {
    result.variant = pick(kFemaleVariants, voice.id);
  }
  return result;
}

SpeechPlan plan_speech(const Voice& voice, std::string_view text) {
  const EngineVoice engine = engine_voice_for(voice);
  SpeechPlan plan{{}, engine.fallback_note};
  if (text.empty()) return plan;
  if (engine.language != kJapanese) {
    plan.parts.push_back({engine.name(), std::string(text)});
    return plan;
  }
  const std::string kanji_voice = std::string(kMandarin) + "+" + engine.variant;
  std::size_t pos = 0;
  char32_t c = 0;
  while (pos < text.size()) {
    const std::size_t start = pos;
    if (!next_code_point(text, pos, c)) pos = start + 1;  // a stray byte stays with its neighbours
    const std::string& wanted = is_han_character(c) ? kanji_voice : engine.name();
    if (plan.parts.empty() || plan.parts.back().engine_voice != wanted) {
      plan.parts.push_back({wanted, ""});
    }
    plan.parts.back().text.append(text.substr(start, pos - start));
    c = 0;
  }
  if (plan.parts.size() > 1 || plan.parts.front().engine_voice == kanji_voice) {
    plan.fallback_note = "espeak-ng reads no kanji; the Mandarin voice reads them";
  }
  return plan;
}

}  // namespace service
