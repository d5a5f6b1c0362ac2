// Window-system operations on real Qt controls (offscreen): texts across the GBK edge, the
// clipboard, and the drop-down list's items and selection rules.
#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>

#include "runtime/window_system.h"

// The system's font configuration library, which Qt loads for every widget with text, keeps its
// caches until the process ends; the leak checker of the sanitizer build reads this list.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }

namespace {

class WindowControls : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // One application for the whole process, reachable until exit.
    static QApplication* application = open_window_system().release();
    ASSERT_NE(application, nullptr);
  }

  // A drop-down holding items "0" .. "count - 1".
  static void fill(QComboBox& combo, int count) {
    for (int i = 0; i < count; ++i) combo_add_item(combo, std::to_string(i));
  }
};

TEST_F(WindowControls, TheOffscreenPlatformCountsAsNoDisplay) {
  EXPECT_FALSE(window_system_has_display());
}

TEST_F(WindowControls, TextsCrossIntoQtAndBackThroughGbk) {
  EXPECT_EQ(qstring_from_text("语音 ab"), QString::fromUtf8(u8"语音 ab"));
  EXPECT_EQ(text_from_qstring(QString::fromUtf8(u8"语音 ab")), "语音 ab");
  // A character GBK cannot hold comes back as one "?".
  EXPECT_EQ(text_from_qstring(QString::fromUtf8(u8"a\U0001F600b")), "a?b");
}

TEST_F(WindowControls, SingleLineBoxReadsBackWhatWasWritten) {
  QLineEdit box;
  EXPECT_EQ(read_control_text(box), "");
  for (const Text t : {"http://127.0.0.1:9/a.mp3", "文本 text", ""}) {
    write_control_text(box, t);
    EXPECT_EQ(read_control_text(box), t);
  }
}

TEST_F(WindowControls, MultiLineBoxBreaksLinesAtCrLfAndReadsThemBackAsCrLf) {
  QPlainTextEdit box;
  write_control_text(box, "第一行\r\n第二行\r\n");
  EXPECT_EQ(box.toPlainText(), QString::fromUtf8(u8"第一行\n第二行\n"));
  EXPECT_EQ(read_control_text(box), "第一行\r\n第二行\r\n");
  write_control_text(box, "a\nb");
  EXPECT_EQ(read_control_text(box), "a\r\nb");
  write_control_text(box, "");
  EXPECT_EQ(read_control_text(box), "");
}

TEST_F(WindowControls, ClipboardReceivesTheTextAlsoWhenEmpty) {
  for (const Text t : {"http://127.0.0.1:9/a.mp3", "复制的文本", ""}) {
    QGuiApplication::clipboard()->setText(QStringLiteral("stale"));
    EXPECT_TRUE(set_clipboard_text(t));
    EXPECT_EQ(text_from_qstring(QGuiApplication::clipboard()->text()), t);
  }
}

TEST_F(WindowControls, AddedItemsKeepTheirOrderAndDataAndLeaveTheSelectionAlone) {
  QComboBox combo;
  combo.setEditable(true);
  EXPECT_EQ(combo_add_item(combo, "标准女声"), 0);
  EXPECT_EQ(combo_add_item(combo, "a"), 1);
  EXPECT_EQ(combo_add_item(combo, "B"), 2);
  ASSERT_EQ(combo.count(), 3);
  EXPECT_EQ(text_from_qstring(combo.itemText(0)), "标准女声");
  EXPECT_EQ(text_from_qstring(combo.itemText(2)), "B");
  EXPECT_EQ(combo.itemData(1), QVariant(0));
  EXPECT_EQ(read_selection(combo), -1);
  EXPECT_EQ(combo.currentText(), QString());

  write_selection(combo, 1);
  EXPECT_EQ(combo_add_item(combo, "c"), 3);
  EXPECT_EQ(read_selection(combo), 1);
}

TEST_F(WindowControls, AListAtItsMaximumRefusesAnItem) {
  QComboBox combo;
  combo.setMaxCount(2);
  fill(combo, 2);
  EXPECT_EQ(combo_add_item(combo, "over"), -1);
  EXPECT_EQ(combo.count(), 2);
}

TEST_F(WindowControls, WriteSelectionClipsToTheLastItemAndBelowZeroSelectsNothing) {
  struct Case {
    int items;
    int position;
    int selected;
  };
  const Case cases[] = {
      {47, 1, 1},   {47, 0, 0},   {47, 46, 46}, {47, 47, 46}, {47, 100, 46},
      {47, -1, -1}, {47, -5, -1}, {0, 1, -1},   {0, 0, -1},   {0, -5, -1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.items << " items, position " << c.position);
    QComboBox combo;
    fill(combo, c.items);
    write_selection(combo, 3);
    write_selection(combo, c.position);
    EXPECT_EQ(read_selection(combo), c.selected);
  }
}

}  // namespace
