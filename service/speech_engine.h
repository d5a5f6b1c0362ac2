// espeak-ng inside the service. The library keeps its state in globals and is not thread-safe, so
// a process has one engine and it speaks one text at a time: synthesize() holds a lock for the
// whole synthesis, while threads that answer from the store or serve audio never touch it.
//
//   std::string error;
//   SpeechEngine* engine = SpeechEngine::shared(error);
//   auto samples = engine->synthesize(plan_speech(*find_voice("Ruoxi"), "你好"), {50, 0, 0});
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "service/speech_plan.h"

namespace service {

// The request's ranges: volume 0..100 (50 is the engine's normal loudness), speech_rate and
// pitch_rate -500..500 (0 is normal; -500 halves the speed, 500 doubles it; pitch spans the
// engine's whole 0..100 scale).
struct Prosody {
  int volume;
  int speech_rate;
  int pitch_rate;
};

class SpeechEngine {
 public:
  // The process's engine, loaded at the first call and kept until the process ends: espeak-ng
  // 1.51 deadlocks when it is initialised again after being terminated. nullptr with the reason
  // in `error` when its data cannot be loaded (then every later call gives the same).
  static SpeechEngine* shared(std::string& error);
  SpeechEngine(const SpeechEngine&) = delete;
  SpeechEngine& operator=(const SpeechEngine&) = delete;

  int sample_rate() const { return sample_rate_; }

  // 16-bit mono samples at sample_rate() for all parts of the plan, one after another. Nothing
  // when a part's engine voice cannot be loaded or the engine fails. An empty plan: no samples.
  std::optional<std::vector<std::int16_t>> synthesize(const SpeechPlan& plan, const Prosody& prosody);

 private:
  explicit SpeechEngine(int sample_rate) : sample_rate_(sample_rate) {}
  static std::unique_ptr<SpeechEngine> load(std::string& error);

  std::mutex mutex_;
  const int sample_rate_;
};

}  // namespace service
