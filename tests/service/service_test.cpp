// The service over real HTTPS, in this process on a port the system picks: answers, audio that an
// independent decoder plays, the store, byte ranges, and every voice of the table.
#include <gtest/gtest.h>
#include <httplib.h>
#include <mpg123.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <thread>

#include "service/tts_server.h"
#include "service/voices.h"

namespace service {
namespace {

struct Decoded {
  double seconds = 0;
  int peak = 0;  // largest absolute sample
};

// Decodes a whole MP3 with libmpg123 into 16-bit samples. Fails the test when it cannot.
Decoded decode_mp3(const std::string& mp3) {
  struct Deleter {
    void operator()(mpg123_handle* handle) const { mpg123_delete(handle); }
  };
  int error = 0;
  std::unique_ptr<mpg123_handle, Deleter> handle(mpg123_new(nullptr, &error));
  Decoded decoded;
  if (!handle) return ADD_FAILURE() << "mpg123_new", decoded;
  mpg123_handle* mh = handle.get();
  mpg123_param(mh, MPG123_ADD_FLAGS, MPG123_QUIET, 0);
  mpg123_format_none(mh);
  const long* rates = nullptr;
  std::size_t rate_count = 0;
  mpg123_rates(&rates, &rate_count);
  for (std::size_t i = 0; i < rate_count; ++i) mpg123_format(mh, rates[i], MPG123_MONO, MPG123_ENC_SIGNED_16);
  if (mpg123_open_feed(mh) != MPG123_OK) return ADD_FAILURE() << "mpg123_open_feed", decoded;
  long rate = 0;
  std::size_t samples = 0;
  std::vector<short> out(8192);
  const auto* input = reinterpret_cast<const unsigned char*>(mp3.data());
  std::size_t input_size = mp3.size();
  for (;;) {
    std::size_t done = 0;
    const int status = mpg123_decode(mh, input, input_size, reinterpret_cast<unsigned char*>(out.data()),
                                     out.size() * sizeof(short), &done);
    input = nullptr;
    input_size = 0;
    if (status == MPG123_NEW_FORMAT) {
      int channels = 0, encoding = 0;
      mpg123_getformat(mh, &rate, &channels, &encoding);
    }
    for (std::size_t i = 0; i < done / sizeof(short); ++i) decoded.peak = std::max(decoded.peak, std::abs(int{out[i]}));
    samples += done / sizeof(short);
    if (status == MPG123_NEED_MORE || status == MPG123_DONE) break;
    if (status != MPG123_OK && status != MPG123_NEW_FORMAT) return ADD_FAILURE() << "mpg123 status " << status, decoded;
  }
  EXPECT_GT(rate, 0);
  if (rate > 0) decoded.seconds = static_cast<double>(samples) / static_cast<double>(rate);
  return decoded;
}

class ServiceTest : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    folder_ = new std::filesystem::path(std::filesystem::temp_directory_path() /
                                        ("tts-service-test-" + std::to_string(::getpid())));
    std::string error;
    server_ = TtsServer::create({.port = 0, .data_folder = *folder_}, error).release();
    ASSERT_NE(server_, nullptr) << error;
    thread_ = new std::thread([] { server_->run(); });
  }
  static void TearDownTestSuite() {
    if (server_ != nullptr) {
      server_->stop();
      thread_->join();
    }
    delete thread_;
    delete server_;
    std::filesystem::remove_all(*folder_);
    delete folder_;
  }

  void SetUp() override {
    ASSERT_NE(server_, nullptr);
    client_ = std::make_unique<httplib::SSLClient>("localhost", server_->port());
    client_->enable_server_certificate_verification(false);
  }

  // POSTs the body exactly as given, as the program does; fails the test on a transport error.
  httplib::Result post(const std::string& body) {
    auto result = client_->Post("/functions/tts/text", body, "application/x-www-form-urlencoded");
    EXPECT_TRUE(result) << httplib::to_string(result.error());
    return result;
  }

  // The audio address that a successful answer carries.
  std::string synthesize(const std::string& body) {
    const auto result = post(body);
    if (!result) return "";
    EXPECT_EQ(result->status, 200);
    const std::string prefix = R"({"code":0,"data":")";
    EXPECT_TRUE(result->body.starts_with(prefix)) << result->body;
    if (!result->body.starts_with(prefix)) return "";
    return result->body.substr(prefix.size(), result->body.size() - prefix.size() - 2);
  }

  // GETs the path part of an address the service gave out.
  std::string fetch_audio(const std::string& address) {
    const std::string path = address.substr(address.find("/audio/"));
    const auto result = client_->Get(path);
    EXPECT_TRUE(result);
    if (!result) return "";
    EXPECT_EQ(result->status, 200);
    EXPECT_EQ(result->get_header_value("Content-Type"), "audio/mpeg");
    return result->body;
  }

  static std::string body(std::string_view text, std::string_view voice = "Ruoxi", int volume = 50,
                          int rate = 0) {
    return "value=" + std::string(text) + "&voice=" + std::string(voice) + "&volume=" + std::to_string(volume) +
           "&speech_rate=" + std::to_string(rate) + "&pitch_rate=0&type=1";
  }

  static std::filesystem::path* folder_;
  static TtsServer* server_;
  static std::thread* thread_;
  std::unique_ptr<httplib::SSLClient> client_;
};

std::filesystem::path* ServiceTest::folder_ = nullptr;
TtsServer* ServiceTest::server_ = nullptr;
std::thread* ServiceTest::thread_ = nullptr;

TEST_F(ServiceTest, AnswersWithAnAddressOnTheRequestedHostWhoseAudioDecodes) {
  const std::string address = synthesize(body("我是一只小小鸟"));
  const std::string expected_prefix = "https://localhost:" + std::to_string(server_->port()) + "/audio/";
  EXPECT_TRUE(address.starts_with(expected_prefix)) << address;
  EXPECT_TRUE(address.ends_with(".mp3")) << address;
  const Decoded decoded = decode_mp3(fetch_audio(address));
  EXPECT_GT(decoded.seconds, 0.5);
  EXPECT_GT(decoded.peak, 1000);

  client_->set_default_headers({{"Host", "tts.example:8443"}});
  EXPECT_TRUE(synthesize(body("我是一只小小鸟")).starts_with("https://tts.example:8443/audio/"));
  client_->set_default_headers({{"Host", "evil\"host"}});  // not a host name: the bound address
  EXPECT_TRUE(synthesize(body("我是一只小小鸟")).starts_with("https://localhost:"));
}

TEST_F(ServiceTest, DurationGrowsWithTheTextAndFollowsTheRate) {
  const double short_text = decode_mp3(fetch_audio(synthesize(body("你好")))).seconds;
  const double long_text = decode_mp3(fetch_audio(synthesize(body("你好，今天天气很好，我们一起去公园散步吧。")))).seconds;
  EXPECT_GT(long_text, short_text * 2) << short_text << " " << long_text;

  const std::string sentence = "今天天气很好，我们一起去公园散步吧。";
  const double slow = decode_mp3(fetch_audio(synthesize(body(sentence, "Ruoxi", 50, -500)))).seconds;
  const double fast = decode_mp3(fetch_audio(synthesize(body(sentence, "Ruoxi", 50, 500)))).seconds;
  EXPECT_GT(slow, fast * 2.5) << slow << " " << fast;

  const int quiet = decode_mp3(fetch_audio(synthesize(body(sentence, "Ruoxi", 5)))).peak;
  const int loud = decode_mp3(fetch_audio(synthesize(body(sentence, "Ruoxi", 100)))).peak;
  EXPECT_GT(loud, quiet * 4) << quiet << " " << loud;
}

TEST_F(ServiceTest, ARepeatedRequestComesFromTheStore) {
  const std::string text = "重复的请求 " + std::to_string(::getpid());
  const std::string first = synthesize(body(text));
  const std::size_t syntheses = server_->syntheses();
  EXPECT_EQ(synthesize(body(text)), first);
  EXPECT_EQ(server_->syntheses(), syntheses);
  // The same text percent-encoded, as a browser sends it, is the same request.
  EXPECT_EQ(synthesize("voice=Ruoxi&value=%E9%87%8D%E5%A4%8D%E7%9A%84%E8%AF%B7%E6%B1%82+" +
                       std::to_string(::getpid()) + "&volume=50&speech_rate=0&pitch_rate=0"),
            first);
  EXPECT_EQ(server_->syntheses(), syntheses);
  synthesize(body(text, "Harry"));
  EXPECT_EQ(server_->syntheses(), syntheses + 1);
}

TEST_F(ServiceTest, TheProgramsRawTextWithFormCharactersIsSpokenWhole) {
  const std::string raw = synthesize(body("a&b=c 50%+1\r\n第二行"));
  const std::string cut = synthesize(body("a"));
  EXPECT_NE(raw, cut);
  EXPECT_GT(decode_mp3(fetch_audio(raw)).seconds, decode_mp3(fetch_audio(cut)).seconds * 2);
}

TEST_F(ServiceTest, BadInputGetsACodeAndAChineseMessageWithStatus200) {
  const std::string bodies[] = {
      body(""),
      body("你好", "Nobody"),
      body("你好", "Ruoxi", 101),
      body("你好", "Ruoxi", 50, -501),
      "value=x&voice=Ruoxi&pitch_rate=600",
      body(std::string(5001, 'a')),
      "not a form",
      body("\xC4\xE3"),
  };
  for (const std::string& b : bodies) {
    SCOPED_TRACE(b.substr(0, 60));
    const auto result = post(b);
    ASSERT_TRUE(result);
    EXPECT_EQ(result->status, 200);
    EXPECT_EQ(result->get_header_value("Content-Type"), "application/json; charset=utf-8");
    EXPECT_TRUE(result->body.starts_with(R"({"code":1)")) << result->body;
    const std::size_t data = result->body.find(R"("data":")");
    ASSERT_NE(data, std::string::npos) << result->body;
    const auto lead = static_cast<unsigned char>(result->body[data + 8]);
    EXPECT_TRUE(lead >= 0xE4 && lead <= 0xE9) << result->body;  // the message opens with a hanzi
  }
}

TEST_F(ServiceTest, ServesByteRangesAndNothingOutsideTheStore) {
  const std::string address = synthesize(body("范围请求"));
  const std::string whole = fetch_audio(address);
  const std::string path = address.substr(address.find("/audio/"));
  const auto part = client_->Get(path, {{"Range", "bytes=10-109"}});
  ASSERT_TRUE(part);
  EXPECT_EQ(part->status, 206);
  EXPECT_EQ(part->body, whole.substr(10, 100));
  EXPECT_EQ(part->get_header_value("Content-Range"), "bytes 10-109/" + std::to_string(whole.size()));

  const std::string missing[] = {"/audio/" + std::string(64, '0') + ".mp3", "/audio/../cert.pem",
                                 "/audio/" + std::string(64, 'A') + ".mp3", "/", "/functions/tts/text",
                                 "/key.pem"};
  for (const std::string& p : missing) {
    const auto result = client_->Get(p);
    ASSERT_TRUE(result);
    EXPECT_EQ(result->status, 404) << p;
  }
}

TEST_F(ServiceTest, EveryVoiceOfTheTableSpeaks) {
  for (const Voice& voice : voice_table()) {
    SCOPED_TRACE(voice.id);
    const std::string address = synthesize(body("你好 hello こんにちは", voice.id));
    ASSERT_FALSE(address.empty());
    EXPECT_GT(decode_mp3(fetch_audio(address)).seconds, 0.3);
  }
}

}  // namespace
}  // namespace service
