// The real program, under Xvfb, against a recording HTTPS server on the address compiled into it:
// what "合成" sends, and how each kind of answer shows in the window.
#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "https_recorder.h"
#include "test_folder.h"
#include "tool_window.h"

namespace {

using namespace std::chrono_literals;
using tts_e2e::Control;
using tts_e2e::PATIENCE;
using tts_e2e::ShownBox;

constexpr int SERVICE_PORT = 18443;  // the program's test build posts to localhost:18443

const std::string USER_AGENT =
    "Mozilla/5.0 (Windows NT 6.1; WOW64) AppleWebKit/537.36 (KHTML, like Gecko) "
    "Chrome/50.0.2661.87 Safari/537.36";
const std::string FIXED_FIELDS = "&volume=50&speech_rate=0&pitch_rate=0&type=1";

tts_test::CannedAnswer json_answer(std::string body) {
  return {.header_lines = {"Content-Type: application/json"}, .body = std::move(body)};
}

class ToolAgainstRecorder : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(display_.name().empty()) << "Xvfb did not start";
    recorder_->set_default_answer(json_answer(R"({"code":0,"data":"https://x.invalid/a.mp3"})"));
    tool_ = std::make_unique<tts_e2e::ToolWindow>(display_, TTS_E2E_PROGRAM, folder_.path());
    ASSERT_TRUE(tool_->shown()) << tool_->log() << "Xvfb running: " << display_.running();
  }

  void TearDown() override {
    if (tool_) {
      EXPECT_TRUE(tool_->running()) << "the program ended early:\n" << tool_->log();
    }
    if (HasFailure() && recorder_) {
      int n = 0;
      for (const tts_test::RecordedRequest& request : recorder_->requests()) {
        std::ofstream(folder_.path() / ("request-" + std::to_string(++n) + ".http")) << request.raw;
      }
    }
  }

  bool wait_for_requests(size_t count) const {
    return tts_e2e::wait_until([&] { return recorder_->requests().size() >= count; }, PATIENCE);
  }

  // Presses "合成" and returns the request it sent once its answer has been handled.
  std::optional<tts_test::RecordedRequest> synthesize_successfully(std::string address) {
    const size_t before = recorder_->requests().size();
    recorder_->set_default_answer(json_answer(R"({"code":0,"data":")" + address + R"("})"));
    if (!tool_->press(Control::synthesize) || !wait_for_requests(before + 1)) return std::nullopt;
    EXPECT_EQ(tool_->address(), address);
    return recorder_->requests().back();
  }

  tts_e2e::TestFolder folder_;
  tts_e2e::XDisplay display_{folder_.path()};
  std::unique_ptr<tts_test::HttpsRecorder> recorder_ =
      std::make_unique<tts_test::HttpsRecorder>(SERVICE_PORT);
  std::unique_ptr<tts_e2e::ToolWindow> tool_;
};

TEST_F(ToolAgainstRecorder, TheWindowAsItStartsPostsOneFormAndEachAnswerShowsAsItShould) {
  const std::string first_address = "https://localhost:18443/audio/first.mp3";
  recorder_->set_default_answer(json_answer(R"({"code":0,"data":")" + first_address + R"("})"));
  ASSERT_TRUE(tool_->press(Control::synthesize));
  ASSERT_TRUE(wait_for_requests(1)) << tool_->log();
  EXPECT_EQ(tool_->address(), first_address);

  const std::vector<tts_test::RecordedRequest> requests = recorder_->requests();
  ASSERT_EQ(requests.size(), 1u);
  const tts_test::RecordedRequest& request = requests[0];
  EXPECT_EQ(request.method, "POST");
  EXPECT_EQ(request.target, "/functions/tts/text");
  // The transport's own Host and Content-Length aside, the headers the program hands over, in order.
  std::vector<std::string> names = request.header_names();
  std::erase_if(names, [](const std::string& n) { return n == "Host" || n == "Content-Length"; });
  EXPECT_EQ(names, (std::vector<std::string>{"User-Agent", "Accept", "Referer", "Accept-Language",
                                             "Content-Type"}))
      << request.raw;
  EXPECT_EQ(request.header("User-Agent"), USER_AGENT);
  EXPECT_EQ(request.header("Accept"), "*/*");
  EXPECT_EQ(request.header("Referer"), "https://localhost:18443/functions/tts/text");
  EXPECT_EQ(request.header("Accept-Language"), "zh-cn");
  EXPECT_EQ(request.header("Content-Type"), "application/x-www-form-urlencoded");
  EXPECT_EQ(request.body, "value=我是一只小小鸟&voice=Ruoxi" + FIXED_FIELDS);

  // Every answer but a success leaves the address of the last success in the box.
  struct Case {
    const char* name;
    tts_test::CannedAnswer answer;
    std::string address;                // after the answer
    std::optional<std::string> box;     // the text of the box the answer shows, if it shows one
  };
  const std::string second_address = "https://localhost:18443/audio/second.mp3";
  const Case cases[] = {
      {"code as a string", json_answer(R"({"code":"0","data":")" + second_address + R"("})"),
       second_address, std::nullopt},
      {"the service's message", json_answer(R"({"code":1,"data":"文本过长，请分段合成"})"),
       second_address, "文本过长，请分段合成"},
      {"an HTML error page",
       {.status = 500,
        .reason = "Internal Server Error",
        .header_lines = {"Content-Type: text/html"},
        .body = "<!DOCTYPE html><html><body><h1>500 Internal Server Error</h1></body></html>"},
       second_address, ""},
      {"a script that runs forever", json_answer("(function(){for(;;){}})()"), second_address, ""},
      {"a script that allocates without end",
       json_answer("(function(){var kept=[],s='x';for(;;){s=s+s;kept.push(s)}})()"),
       second_address, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const size_t before = recorder_->requests().size();
    recorder_->set_default_answer(c.answer);
    const auto pressed = std::chrono::steady_clock::now();
    ASSERT_TRUE(tool_->press(Control::synthesize));
    ASSERT_TRUE(wait_for_requests(before + 1)) << tool_->log();
    if (c.box) {
      const std::optional<ShownBox> box = tool_->read_box();
      ASSERT_TRUE(box) << tool_->log();
      const auto waited = std::chrono::duration_cast<std::chrono::milliseconds>(
          std::chrono::steady_clock::now() - pressed);
      std::cout << c.name << ": box read after " << waited.count() << " ms" << std::endl;
      // The script engine stops an answer's script after two seconds; the rest is room for a
      // sanitizer build on a busy machine.
      EXPECT_LT(waited, 20s);
      EXPECT_EQ(box->title, "信息：");
      EXPECT_EQ(box->text, *c.box);
    }
    // "复制" answering again shows that the window took input again.
    EXPECT_EQ(tool_->address(), c.address);
    EXPECT_EQ(recorder_->requests().size(), before + 1);
  }

  // Nobody listens any more: the exchange fails and shows the empty box.
  recorder_.reset();
  ASSERT_TRUE(tool_->press(Control::synthesize));
  const std::optional<ShownBox> box = tool_->read_box();
  ASSERT_TRUE(box) << tool_->log();
  EXPECT_EQ(box->text, "");
  EXPECT_EQ(tool_->address(), second_address);
}

TEST_F(ToolAgainstRecorder, TheChosenVoiceAndTheTextAsTypedAreSent) {
  struct Voice {
    int position;
    std::string name;
    std::string identifier;
  };
  const Voice voices[] = {
      {0, "标准男声-通用场景-小刚", "Xiaogang"},
      {46, "美语女声-文学场景-Annie-仅支持英语", "Annie"},
      {1, "温柔女声-通用场景-若兮", "Ruoxi"},
  };
  for (const Voice& v : voices) {
    SCOPED_TRACE(v.position);
    EXPECT_EQ(tool_->choose_voice(v.position), v.name);
    const auto request = synthesize_successfully("https://x.invalid/" + v.identifier + ".mp3");
    ASSERT_TRUE(request) << tool_->log();
    EXPECT_EQ(request->body, "value=我是一只小小鸟&voice=" + v.identifier + FIXED_FIELDS);
  }

  std::string long_text;
  for (int i = 0; i < 32; ++i) long_text += "我是一只小小鸟，想要飞。";  // 384 characters
  struct Text {
    const char* name;
    std::string typed;  // as pasted into the box (UTF-8, LF line breaks)
    std::string sent;   // the "value" field on the wire
  };
  const Text texts[] = {
      {"form characters, line breaks, more than 300 characters",
       "a&b=c 100% 1+1\n第二行\n" + long_text, "a&b=c 100% 1+1\r\n第二行\r\n" + long_text},
      {"characters the code page cannot hold", "x😀y한z€", "x?y?z€"},
  };
  for (const Text& t : texts) {
    SCOPED_TRACE(t.name);
    ASSERT_TRUE(tool_->enter_text(t.typed));
    const auto request = synthesize_successfully("https://x.invalid/text.mp3");
    ASSERT_TRUE(request) << tool_->log();
    EXPECT_EQ(request->body, "value=" + t.sent + "&voice=Ruoxi" + FIXED_FIELDS);
  }
}

}  // namespace
