// One synthesis as a caller asks for it, read from the form body and checked: a text of 1 to 5000
// characters of UTF-8, a voice of the table, volume 0..100 and speech_rate/pitch_rate -500..500.
//
//   auto r = read_synthesis_request("value=你好&voice=Ruoxi&volume=50&speech_rate=0&pitch_rate=0&type=1");
//   std::get<SynthesisRequest>(r).voice->id == "Ruoxi";
//   std::get<Failure>(read_synthesis_request("value=&voice=Ruoxi")).code == kEmptyText.code;
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <variant>

#include "service/answers.h"
#include "service/voices.h"

namespace service {

inline constexpr std::size_t kMaxTextCharacters = 5000;

struct SynthesisRequest {
  std::string text;  // UTF-8, 1 to kMaxTextCharacters characters
  const Voice* voice;
  int volume;       // 0..100, 50 when absent
  int speech_rate;  // -500..500, 0 when absent
  int pitch_rate;   // -500..500, 0 when absent
};

// Fields other than value, voice, volume, speech_rate and pitch_rate ("type" among them: the
// answer is always MP3) are ignored. Numbers are plain decimal integers: no sign but '-', no
// spaces, no fraction. The first failing check decides the answer, in the order: body, text
// encoding, empty text, text length, voice, volume, speech_rate, pitch_rate.
std::variant<SynthesisRequest, Failure> read_synthesis_request(std::string_view body);

}  // namespace service
