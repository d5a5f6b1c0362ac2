#include "service/audio_store.h"

#include <openssl/evp.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <memory>

namespace service {
namespace {

// Changing how a voice is spoken must change this, or the store serves the old sound.
constexpr std::string_view kFormatVersion = "tts-service audio 1";

struct DigestFree {
  void operator()(EVP_MD_CTX* context) const { EVP_MD_CTX_free(context); }
};

void add_field(EVP_MD_CTX* context, std::string_view field) {
  const std::string length = std::to_string(field.size()) + ":";
  EVP_DigestUpdate(context, length.data(), length.size());
  EVP_DigestUpdate(context, field.data(), field.size());
}

}  // namespace

std::string audio_key(const SynthesisRequest& request) {
  std::unique_ptr<EVP_MD_CTX, DigestFree> context(EVP_MD_CTX_new());
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int size = 0;
  if (!context || EVP_DigestInit_ex(context.get(), EVP_sha256(), nullptr) != 1) return {};
  for (std::string_view field : {kFormatVersion, std::string_view(request.text), request.voice->id}) {
    add_field(context.get(), field);
  }
  for (int number : {request.volume, request.speech_rate, request.pitch_rate}) {
    add_field(context.get(), std::to_string(number));
  }
  if (EVP_DigestFinal_ex(context.get(), digest, &size) != 1) return {};
  std::string key;
  for (unsigned int i = 0; i < size; ++i) {
    char hex[3];
    std::snprintf(hex, sizeof hex, "%02x", digest[i]);
    key.append(hex);
  }
  return key;
}

bool is_audio_key(std::string_view key) {
  return key.size() == 64 && key.find_first_not_of("0123456789abcdef") == std::string_view::npos;
}

AudioStore::AudioStore(std::filesystem::path folder) : folder_(std::move(folder)) {
  std::error_code error;
  std::filesystem::create_directories(folder_, error);
  ok_ = std::filesystem::is_directory(folder_, error);
}

std::filesystem::path AudioStore::path_of(std::string_view key) const {
  return folder_ / (std::string(key) + ".mp3");
}

bool AudioStore::contains(std::string_view key) const {
  std::error_code error;
  return is_audio_key(key) && std::filesystem::is_regular_file(path_of(key), error);
}

bool AudioStore::put(std::string_view key, std::string_view mp3) {
  if (!is_audio_key(key)) return false;
  static std::atomic<unsigned> counter{0};
  const std::filesystem::path final_path = path_of(key);
  std::filesystem::path temporary = final_path;
  temporary += ".tmp" + std::to_string(::getpid()) + "-" + std::to_string(counter++);
  {
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    out.write(mp3.data(), static_cast<std::streamsize>(mp3.size()));
    if (!out.flush()) {
      std::error_code ignored;
      std::filesystem::remove(temporary, ignored);
      return false;
    }
  }
  std::error_code error;
  std::filesystem::rename(temporary, final_path, error);
  if (error) std::filesystem::remove(temporary, error);
  return std::filesystem::is_regular_file(final_path, error);
}

std::optional<std::string> AudioStore::read(std::string_view key) const {
  if (!is_audio_key(key)) return std::nullopt;
  std::ifstream in(path_of(key), std::ios::binary);
  if (!in) return std::nullopt;
  std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (in.bad()) return std::nullopt;
  return bytes;
}

}  // namespace service
