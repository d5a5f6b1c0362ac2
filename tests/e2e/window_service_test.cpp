// The real program, under Xvfb, against the project's own speech service on the address compiled
// into it: a synthesis gives an address that serves MP3.
#include <curl/curl.h>
#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <optional>
#include <sstream>
#include <string>

#include "test_folder.h"
#include "tool_window.h"

namespace {

using tts_e2e::Control;
using tts_e2e::PATIENCE;

struct Download {
  long status = 0;
  std::string content_type;
  std::string body;
};

// A GET that accepts the service's throwaway certificate, as the program's own requests do.
std::optional<Download> download(const std::string& address) {
  const std::unique_ptr<CURL, decltype(&curl_easy_cleanup)> curl(curl_easy_init(), curl_easy_cleanup);
  if (!curl) return std::nullopt;
  Download result;
  const auto append = +[](char* data, size_t size, size_t count, void* body) {
    static_cast<std::string*>(body)->append(data, size * count);
    return size * count;
  };
  if (curl_easy_setopt(curl.get(), CURLOPT_URL, address.c_str()) != CURLE_OK ||
      curl_easy_setopt(curl.get(), CURLOPT_SSL_VERIFYPEER, 0L) != CURLE_OK ||
      curl_easy_setopt(curl.get(), CURLOPT_SSL_VERIFYHOST, 0L) != CURLE_OK ||
      curl_easy_setopt(curl.get(), CURLOPT_TIMEOUT, 60L) != CURLE_OK ||
      curl_easy_setopt(curl.get(), CURLOPT_WRITEFUNCTION, append) != CURLE_OK ||
      curl_easy_setopt(curl.get(), CURLOPT_WRITEDATA, &result.body) != CURLE_OK ||
      curl_easy_perform(curl.get()) != CURLE_OK) {
    return std::nullopt;
  }
  const char* content_type = nullptr;
  curl_easy_getinfo(curl.get(), CURLINFO_RESPONSE_CODE, &result.status);
  curl_easy_getinfo(curl.get(), CURLINFO_CONTENT_TYPE, &content_type);
  result.content_type = content_type ? content_type : "";
  return result;
}

std::string read_file(const std::filesystem::path& path) {
  std::ifstream file(path, std::ios::binary);
  std::stringstream text;
  text << file.rdbuf();
  return text.str();
}

// An MP3 file opens with an ID3 tag or with the sync bits of an MPEG audio frame.
bool looks_like_mp3(const std::string& data) {
  return data.starts_with("ID3") ||
         (data.size() > 1 && static_cast<unsigned char>(data[0]) == 0xFF &&
          (static_cast<unsigned char>(data[1]) & 0xE0) == 0xE0);
}

TEST(ToolAgainstTheService, SynthesisPutsAnAddressIntoTheBoxThatServesMp3) {
  tts_e2e::TestFolder folder;
  tts_e2e::XDisplay display(folder.path());
  ASSERT_FALSE(display.name().empty()) << "Xvfb did not start";
  // A data folder of its own: the service makes its throwaway certificate there.
  const std::filesystem::path log = folder.path() / "tts-service.log";
  tts_e2e::ChildProcess service({TTS_SERVICE_PROGRAM, "--address", "localhost", "--port", "18443",
                                 "--data", (folder.path() / "data").string()},
                                {.log = log});
  ASSERT_TRUE(tts_e2e::wait_until(
      [&] { return read_file(log).find("listening on") != std::string::npos; }, PATIENCE))
      << read_file(log);

  tts_e2e::ToolWindow tool(display, TTS_E2E_PROGRAM, folder.path());
  ASSERT_TRUE(tool.shown()) << tool.log() << "Xvfb running: " << display.running();
  ASSERT_TRUE(tool.press(Control::synthesize));
  const std::optional<std::string> address = tool.address();
  ASSERT_TRUE(address) << tool.log() << read_file(log);
  EXPECT_TRUE(address->starts_with("https://localhost:18443/audio/")) << *address;
  EXPECT_TRUE(address->ends_with(".mp3")) << *address;

  const std::optional<Download> audio = download(*address);
  ASSERT_TRUE(audio) << read_file(log);
  EXPECT_EQ(audio->status, 200);
  EXPECT_EQ(audio->content_type, "audio/mpeg");
  EXPECT_GT(audio->body.size(), 1000u);
  EXPECT_TRUE(looks_like_mp3(audio->body));
  EXPECT_TRUE(tool.running()) << tool.log();
}

}  // namespace
