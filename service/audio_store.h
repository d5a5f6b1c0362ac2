// The service's store of finished MP3 files, one file per distinct request under
// <data folder>/audio/<key>.mp3, so that a repeated request is answered without synthesising.
// The key is a SHA-256 over the request's text, voice, volume, rate and pitch.
//
//   AudioStore store(data_folder / "audio");
//   std::string key = audio_key(request);
//   if (!store.contains(key)) store.put(key, mp3);
//   std::optional<std::string> bytes = store.read(key);
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "service/synthesis_request.h"

namespace service {

// 64 lower-case hex digits. Every field takes part, each with its length, so no two different
// requests share a key by shifting bytes between text and voice; a format version is mixed in
// so that audio made by an older way of speaking is not served for a newer one.
std::string audio_key(const SynthesisRequest& request);

// True for exactly the shape audio_key() produces; nothing else may become a file name.
bool is_audio_key(std::string_view key);

class AudioStore {
 public:
  // Creates the folder when it does not exist yet; check ok() for whether that worked.
  explicit AudioStore(std::filesystem::path folder);

  bool ok() const { return ok_; }
  bool contains(std::string_view key) const;

  // Writes under a temporary name and renames, so that a reader never sees half a file and two
  // writers of the same key both leave a whole one. False for an invalid key or a write failure.
  bool put(std::string_view key, std::string_view mp3);

  // The file's bytes, or nothing for an invalid or unknown key.
  std::optional<std::string> read(std::string_view key) const;

 private:
  std::filesystem::path path_of(std::string_view key) const;

  std::filesystem::path folder_;
  bool ok_;
};

}  // namespace service
