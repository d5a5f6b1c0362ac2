#include "service/mp3_encoder.h"

#include <lame/lame.h>

#include <algorithm>
#include <memory>
#include <vector>

namespace service {
namespace {

struct LameCloser {
  void operator()(lame_global_flags* flags) const { lame_close(flags); }
};
using Lame = std::unique_ptr<lame_global_flags, LameCloser>;

// Speech at the engine's 22 kHz needs no more; quality 5 keeps encoding well ahead of synthesis.
constexpr int kBitRate = 48;
constexpr int kQuality = 5;
constexpr int kChunkSamples = 8192;

Lame open_encoder(int sample_rate) {
  Lame lame(lame_init());
  if (!lame) return nullptr;
  lame_global_flags* f = lame.get();
  const bool ok = lame_set_in_samplerate(f, sample_rate) == 0 && lame_set_num_channels(f, 1) == 0 &&
                  lame_set_mode(f, MONO) == 0 && lame_set_brate(f, kBitRate) == 0 &&
                  lame_set_quality(f, kQuality) == 0 && lame_set_bWriteVbrTag(f, 1) == 0 &&
                  lame_init_params(f) >= 0;
  return ok ? std::move(lame) : nullptr;
}

}  // namespace

std::optional<std::string> encode_mp3(std::span<const std::int16_t> samples, int sample_rate) {
  Lame lame = open_encoder(sample_rate);
  if (!lame) return std::nullopt;
  std::string mp3;
  // LAME's documented worst case for one call: 1.25 * samples + 7200 bytes.
  std::vector<unsigned char> buffer(kChunkSamples * 5 / 4 + 7200);
  for (std::size_t at = 0; at < samples.size(); at += kChunkSamples) {
    const std::size_t count = std::min<std::size_t>(kChunkSamples, samples.size() - at);
    // LAME's API takes non-const pointers but only reads the input.
    auto* input = const_cast<short*>(samples.data() + at);
    const int written = lame_encode_buffer(lame.get(), input, nullptr, static_cast<int>(count),
                                           buffer.data(), static_cast<int>(buffer.size()));
    if (written < 0) return std::nullopt;
    mp3.append(reinterpret_cast<const char*>(buffer.data()), static_cast<std::size_t>(written));
  }
  const int flushed = lame_encode_flush(lame.get(), buffer.data(), static_cast<int>(buffer.size()));
  if (flushed < 0) return std::nullopt;
  mp3.append(reinterpret_cast<const char*>(buffer.data()), static_cast<std::size_t>(flushed));
  // The first frame was written as a placeholder; now that the length is known, fill it in.
  const std::size_t tag_size = lame_get_lametag_frame(lame.get(), buffer.data(), buffer.size());
  if (tag_size > 0 && tag_size <= mp3.size()) {
    mp3.replace(0, tag_size, reinterpret_cast<const char*>(buffer.data()), tag_size);
  }
  return mp3;
}

}  // namespace service
