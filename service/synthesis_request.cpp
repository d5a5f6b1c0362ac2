#include "service/synthesis_request.h"

#include <charconv>
#include <optional>

#include "service/form_body.h"
#include "service/utf8.h"

namespace service {
namespace {

std::optional<int> read_integer(const FormFields& fields, std::string_view name, int absent,
                                int low, int high) {
  const auto it = fields.find(name);
  if (it == fields.end()) return absent;
  const std::string& text = it->second;
  int value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  if (value < low || value > high) return std::nullopt;
  return value;
}

}  // namespace

std::variant<SynthesisRequest, Failure> read_synthesis_request(std::string_view body) {
  const std::optional<FormFields> fields = parse_form_body(body);
  if (!fields || !fields->contains("value") || !fields->contains("voice")) return kMalformedBody;
  const std::string& text = fields->at("value");
  const std::optional<std::size_t> length = utf8_length(text);
  if (!length) return kTextNotUtf8;
  if (*length == 0) return kEmptyText;
  if (*length > kMaxTextCharacters) return kTextTooLong;
  const Voice* voice = find_voice(fields->at("voice"));
  if (voice == nullptr) return kUnknownVoice;
  const std::optional<int> volume = read_integer(*fields, "volume", 50, 0, 100);
  if (!volume) return kVolumeOutOfRange;
  const std::optional<int> speech_rate = read_integer(*fields, "speech_rate", 0, -500, 500);
  if (!speech_rate) return kSpeechRateOutOfRange;
  const std::optional<int> pitch_rate = read_integer(*fields, "pitch_rate", 0, -500, 500);
  if (!pitch_rate) return kPitchRateOutOfRange;
  return SynthesisRequest{text, voice, *volume, *speech_rate, *pitch_rate};
}

}  // namespace service
