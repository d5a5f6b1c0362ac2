#include "service/speech_engine.h"

#include <espeak-ng/espeak_ng.h>

#include <cmath>

#include "service/log.h"

namespace service {
namespace {

// espeak-ng hands over its output in pieces; the vector to fill travels as the events' user data.
int collect_samples(short* samples, int count, espeak_EVENT* events) {
  auto* out = static_cast<std::vector<std::int16_t>*>(events->user_data);
  if (samples != nullptr && count > 0) out->insert(out->end(), samples, samples + count);
  return 0;
}

std::string status_message(espeak_ng_STATUS status) {
  char buffer[512] = {};
  espeak_ng_GetStatusCodeMessage(status, buffer, sizeof buffer);
  return buffer;
}

espeak_ng_STATUS apply_prosody(const Prosody& prosody) {
  const int volume = prosody.volume * 2;  // the engine's 100 is its normal loudness
  const int rate = static_cast<int>(std::lround(espeakRATE_NORMAL * std::exp2(prosody.speech_rate / 500.0)));
  const int pitch = 50 + prosody.pitch_rate / 10;
  espeak_ng_STATUS status = espeak_ng_SetParameter(espeakVOLUME, volume, 0);
  if (status == ENS_OK) status = espeak_ng_SetParameter(espeakRATE, rate, 0);
  if (status == ENS_OK) status = espeak_ng_SetParameter(espeakPITCH, pitch, 0);
  return status;
}

}  // namespace

std::unique_ptr<SpeechEngine> SpeechEngine::load(std::string& error) {
  espeak_ng_InitializePath(nullptr);
  espeak_ng_ERROR_CONTEXT context = nullptr;
  espeak_ng_STATUS status = espeak_ng_Initialize(&context);
  espeak_ng_ClearErrorContext(&context);
  if (status == ENS_OK) status = espeak_ng_InitializeOutput(ENOUTPUT_MODE_SYNCHRONOUS, 0, nullptr);
  if (status != ENS_OK) {
    error = "espeak-ng: " + status_message(status);
    return nullptr;
  }
  espeak_SetSynthCallback(collect_samples);
  return std::unique_ptr<SpeechEngine>(new SpeechEngine(espeak_ng_GetSampleRate()));
}

SpeechEngine* SpeechEngine::shared(std::string& error) {
  static std::string load_error;
  static const std::unique_ptr<SpeechEngine> engine = load(load_error);
  if (!engine) error = load_error;
  return engine.get();
}

std::optional<std::vector<std::int16_t>> SpeechEngine::synthesize(const SpeechPlan& plan,
                                                                  const Prosody& prosody) {
  std::vector<std::int16_t> samples;
  const std::lock_guard lock(mutex_);
  for (const SpeechPart& part : plan.parts) {
    espeak_ng_STATUS status = espeak_ng_SetVoiceByName(part.engine_voice.c_str());
    // Prosody after the voice: loading a voice may reset the engine's parameters.
    if (status == ENS_OK) status = apply_prosody(prosody);
    if (status == ENS_OK) {
      status = espeak_ng_Synthesize(part.text.c_str(), part.text.size() + 1, 0, POS_CHARACTER, 0,
                                    espeakCHARS_UTF8, nullptr, &samples);
    }
    if (status != ENS_OK) {
      log_line("espeak-ng with voice " + part.engine_voice + ": " + status_message(status));
      return std::nullopt;
    }
  }
  return samples;
}

}  // namespace service
