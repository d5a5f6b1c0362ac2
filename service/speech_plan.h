// How a voice of the program's table is spoken by espeak-ng. The label decides: its language or
// accent picks the engine's language, "男"/"女"/child words pick a variant. Where espeak-ng has
// nothing for the label (Sichuanese, Taiwanese, Northeastern, Hunan- or Zhejiang-accented speech,
// kanji for the Japanese voices) the nearest voice it has takes over and the plan says so, for the
// log.
//
//   SpeechPlan plan = plan_speech(*find_voice("Tomoka"), "今日はいい天気");
//   // parts: {"cmn-latn-pinyin+f2", "今日"}, {"ja+f2", "はいい"}, {"cmn-latn-pinyin+f2", "天気"}
//   // plan.fallback_note: "espeak-ng reads no kanji; the Mandarin voice reads them"
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "service/voices.h"

namespace service {

struct EngineVoice {
  std::string language;       // an espeak-ng voice name, e.g. "cmn-latn-pinyin", "yue", "en"
  std::string variant;        // an espeak-ng variant, e.g. "f2", "m3"
  std::string fallback_note;  // empty when the label's speech is available as such
  std::string name() const { return language + "+" + variant; }
};

struct SpeechPart {
  std::string engine_voice;  // EngineVoice::name() form, as espeak-ng's voice selection takes it
  std::string text;
};

struct SpeechPlan {
  std::vector<SpeechPart> parts;  // in text order; together they hold the whole text
  std::string fallback_note;      // empty when nothing had to be substituted
};

// The engine voice for a row of the voice table. The same voice always gets the same variant, so
// different voices of one gender tend to sound different from each other.
EngineVoice engine_voice_for(const Voice& voice);

// Splits the text among engine voices. Only the Japanese voices ever get more than one part:
// runs of kanji go to the Mandarin voice with the same variant. Empty text gives no parts.
SpeechPlan plan_speech(const Voice& voice, std::string_view text);

}  // namespace service
