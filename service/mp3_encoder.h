// MP3 encoding of the engine's output with LAME: mono, constant bit rate, with the LAME/Info tag
// in the first frame so that players and decoders know the exact length.
//
//   std::optional<std::string> mp3 = encode_mp3(samples, 22050);
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace service {

// The whole MP3 file as bytes; no samples give a valid file that holds little more than the tag.
// Nothing when LAME rejects the sample rate or fails.
std::optional<std::string> encode_mp3(std::span<const std::int16_t> samples, int sample_rate);

}  // namespace service
