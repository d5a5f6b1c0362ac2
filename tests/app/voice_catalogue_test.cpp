// The voice catalogue in the window as it starts: the list offers table rows 1 to 47 by position,
// and every selection maps back to a row's identifier; plus the synthesis flow's failure path.
#include "app/voice_catalogue.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

#include "app/main_window.h"
#include "app/synthesis.h"
#include "modal_box_watcher.h"
#include "platform/automation_host.h"
#include "platform/codepage.h"
#include "runtime/window_system.h"

extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }

namespace {

class VoiceCatalogueTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static QApplication* application = open_window_system().release();
    ASSERT_NE(application, nullptr);
    platform::ole_initialize();
  }

  void SetUp() override {
    create_voice_catalogue();
    handle_window_created(*window_.voiceList());
  }
  void TearDown() override { destroy_voice_catalogue(); }

  Text item(int position) { return text_from_qstring(window_.voiceList()->itemText(position)); }

  MainWindow window_;
};

TEST(VoiceTableTest, IsTheCompactTableOf48RowsInGbk) {
  const Text table = VOICE_TABLE_JSON;
  EXPECT_EQ(table.size(), 3335u);
  EXPECT_EQ(platform::ansi_to_utf16(table).size(), 2818u);
  EXPECT_EQ(table.find_first_of(" \t\r\n"), Text::npos);
  EXPECT_TRUE(starts_with(table, R"([{"name":"标准女声-通用场景-小云","value":"Xiaoyun","type":"aliyun"},)"));
  EXPECT_EQ(text_right(table, 10), R"("aliyun"}])");
}

TEST_F(VoiceCatalogueTest, ListOffersRowsOneTo47WithTheSecondSelected) {
  ASSERT_EQ(window_.voiceList()->count(), 47);
  EXPECT_EQ(item(0), "标准男声-通用场景-小刚");
  EXPECT_EQ(item(46), "美语女声-文学场景-Annie-仅支持英语");
  EXPECT_EQ(window_.voiceList()->findText(qstring_from_text("标准女声-通用场景-小云")), -1);
  EXPECT_EQ(read_selection(*window_.voiceList()), 1);
  EXPECT_EQ(text_from_qstring(window_.voiceList()->currentText()), "温柔女声-通用场景-若兮");
}

TEST_F(VoiceCatalogueTest, SelectionMapsToTheRowAfterIt) {
  const struct {
    int selection;
    const char* voice;
  } cases[] = {{-1, "Xiaoyun"}, {0, "Xiaogang"}, {1, "Ruoxi"}, {37, "Shanshan"}, {46, "Annie"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.selection);
    EXPECT_EQ(voice_for_selection(c.selection), c.voice);
  }
}

TEST_F(VoiceCatalogueTest, UnreachableServiceShowsAnEmptyBoxAndKeepsTheAddress) {
  write_control_text(*window_.addressBox(), "https://host/earlier.mp3");
  ModalBoxWatcher watcher;
  window_.synthesizeButton()->click();
  ASSERT_EQ(watcher.boxes().size(), 1u);
  EXPECT_EQ(watcher.boxes()[0].title, "信息：");
  EXPECT_EQ(watcher.boxes()[0].text, "");
  EXPECT_EQ(read_control_text(*window_.addressBox()), "https://host/earlier.mp3");
}

TEST(SynthesisEndpointTest, IsHttpsOnTheConfiguredHostAtTheTextPath) {
  EXPECT_STREQ(SYNTH_ENDPOINT, "https://127.0.0.1:1/functions/tts/text");
}

}  // namespace
