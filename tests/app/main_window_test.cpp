// The main window on the offscreen platform: its frame, its eight controls as the program's
// handlers find them, and the two address actions behind "播放" and "复制".
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QTemporaryDir>
#include <QThread>

#include "app/main_window.h"
#include "modal_box_watcher.h"
#include "runtime/window_system.h"

// The system's font configuration library, which Qt loads for every widget with text, keeps its
// caches until the process ends; the leak checker of the sanitizer build reads this list.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }

namespace {

class MainWindowTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // One application for the whole process, reachable until exit.
    static QApplication* application = open_window_system().release();
    ASSERT_NE(application, nullptr);
  }

  template <typename Control>
  Control* control(std::string_view name) {
    return window_.findChild<Control*>(qstring_from_text(name), Qt::FindDirectChildrenOnly);
  }

  MainWindow window_;
};

TEST_F(MainWindowTest, IsAFixedMinimisableWindowOfTheOuterSizeCentredOnTheScreen) {
  window_.show();
  EXPECT_EQ(text_from_qstring(window_.windowTitle()), "语音合成工具");
  const Qt::WindowFlags flags = window_.windowFlags();
  EXPECT_TRUE(flags.testFlag(Qt::WindowMinimizeButtonHint));
  EXPECT_TRUE(flags.testFlag(Qt::WindowCloseButtonHint));
  EXPECT_TRUE(flags.testFlag(Qt::WindowSystemMenuHint));
  EXPECT_FALSE(flags.testFlag(Qt::WindowMaximizeButtonHint));
  EXPECT_FALSE(flags.testFlag(Qt::WindowStaysOnTopHint));
  EXPECT_EQ(window_.minimumSize(), window_.maximumSize());
  EXPECT_EQ(window_.frameGeometry().size(), QSize(475, 314));
  const QPoint offset =
      window_.frameGeometry().center() - window_.screen()->availableGeometry().center();
  EXPECT_LE(offset.manhattanLength(), 1) << offset.x() << "," << offset.y();
}

TEST_F(MainWindowTest, HoldsTheEightControlsByNameAtTheirPlacesWithTheirTexts) {
  struct Expected {
    const char* name;
    const char* kind;
    QRect geometry;
    Text text;
  };
  const Expected expected[] = {
      {"标签2", "QLabel", {40, 24, 128, 24}, "请输入文本最多300字"},
      {"编辑框1", "QPlainTextEdit", {38, 56, 232, 88}, "我是一只小小鸟"},
      {"按钮1", "QPushButton", {310, 71, 90, 57}, "合成"},
      {"组合框1", "QComboBox", {39, 160, 225, 20}, ""},
      {"标签1", "QLabel", {45, 204, 64, 24}, "MP3地址"},
      {"编辑框2", "QLineEdit", {40, 233, 288, 23}, ""},
      {"按钮3", "QPushButton", {345, 234, 56, 24}, "播放"},
      {"按钮2", "QPushButton", {411, 234, 56, 24}, "复制"},
  };
  EXPECT_EQ(window_.findChildren<QWidget*>(Qt::FindDirectChildrenOnly).size(), 8);
  for (const Expected& e : expected) {
    SCOPED_TRACE(e.name);
    QWidget* widget = control<QWidget>(e.name);
    ASSERT_NE(widget, nullptr);
    EXPECT_STREQ(widget->metaObject()->className(), e.kind);
    EXPECT_EQ(widget->geometry(), e.geometry);
    Text text;
    if (auto* label = qobject_cast<QLabel*>(widget)) text = text_from_qstring(label->text());
    if (auto* button = qobject_cast<QPushButton*>(widget)) text = text_from_qstring(button->text());
    if (auto* box = qobject_cast<QLineEdit*>(widget)) text = read_control_text(*box);
    if (auto* box = qobject_cast<QPlainTextEdit*>(widget)) text = read_control_text(*box);
    if (auto* list = qobject_cast<QComboBox*>(widget)) {
      text = text_from_qstring(list->currentText());
    }
    EXPECT_EQ(text, e.text);
  }
  EXPECT_EQ(window_.textBox(), control<QPlainTextEdit>("编辑框1"));
  EXPECT_EQ(window_.voiceList(), control<QComboBox>("组合框1"));
  EXPECT_EQ(window_.addressBox(), control<QLineEdit>("编辑框2"));
  EXPECT_EQ(window_.synthesizeButton(), control<QPushButton>("按钮1"));
}

TEST_F(MainWindowTest, ControlSettingsTheHandlersRelyOn) {
  QPlainTextEdit& text_box = *window_.textBox();
  EXPECT_EQ(text_box.lineWrapMode(), QPlainTextEdit::WidgetWidth);
  EXPECT_EQ(text_box.verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
  EXPECT_EQ(text_box.horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
  EXPECT_EQ(text_box.frameShadow(), QFrame::Sunken);
  EXPECT_FALSE(text_box.isReadOnly());

  QComboBox& voices = *window_.voiceList();
  EXPECT_TRUE(voices.isEditable());
  EXPECT_EQ(voices.insertPolicy(), QComboBox::NoInsert);
  EXPECT_EQ(voices.completer(), nullptr);
  EXPECT_EQ(voices.count(), 0);
  EXPECT_EQ(read_selection(voices), -1);

  // Neither box limits the length: beyond the single-line box's usual 32767 characters, and a
  // text far over the prompt's 300 characters, both come back whole.
  const Text long_address(40000, 'a');
  write_control_text(*window_.addressBox(), long_address);
  EXPECT_EQ(read_control_text(*window_.addressBox()), long_address);
  Text long_text;
  for (int i = 0; i < 400; ++i) long_text += "鸟";
  write_control_text(text_box, long_text);
  EXPECT_EQ(read_control_text(text_box), long_text);
}

TEST_F(MainWindowTest, CopyPutsTheAddressBoxTextOnTheClipboardAndConfirms) {
  for (const Text address : {"http://127.0.0.1:9/a.mp3?x=1&y=2", "", "用户输入的 文本"}) {
    SCOPED_TRACE(address);
    QGuiApplication::clipboard()->setText(QStringLiteral("stale"));
    write_control_text(*window_.addressBox(), address);
    ModalBoxWatcher watcher;
    control<QPushButton>("按钮2")->click();
    EXPECT_EQ(text_from_qstring(QGuiApplication::clipboard()->text()), address);
    ASSERT_EQ(watcher.boxes().size(), 1u);
    const ShownBox& box = watcher.boxes()[0];
    EXPECT_EQ(box.title, "信息：");
    EXPECT_EQ(box.text, "复制成功");
    EXPECT_EQ(box.icon, QMessageBox::NoIcon);
    EXPECT_EQ(box.buttons, QMessageBox::Ok);
    EXPECT_EQ(box.modality, Qt::ApplicationModal);
    EXPECT_FALSE(box.has_owner);
  }
}

TEST_F(MainWindowTest, MessageBoxShowsItsMessageAsPlainTextLineByLine) {
  struct Case {
    Text message;
    Text shown;
  };
  const Case cases[] = {
      {"", ""},
      {"<b>服务</b> & <i>消息</i>\r\n第二行", "<b>服务</b> & <i>消息</i>\n第二行"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.message);
    ModalBoxWatcher watcher;
    message_box(c.message);
    ASSERT_EQ(watcher.boxes().size(), 1u);
    EXPECT_EQ(watcher.boxes()[0].title, "信息：");
    EXPECT_EQ(watcher.boxes()[0].text, c.shown);
    EXPECT_EQ(watcher.boxes()[0].format, Qt::PlainText);
  }
}

// A stand-in for the desktop's opener, found first on PATH, that writes its argument count and
// arguments, each ended by a zero byte, to a file.
class FakeOpener {
 public:
  FakeOpener() : saved_path_(qgetenv("PATH")) {
    record_ = dir_.filePath(QStringLiteral("arguments"));
    QFile script(dir_.filePath(QStringLiteral("xdg-open")));
    EXPECT_TRUE(script.open(QIODevice::WriteOnly));
    script.write("#!/bin/sh\n"
                 "printf '%s\\0' \"$#\" \"$@\" > \"$0.part\" && /bin/mv \"$0.part\" \"" +
                 QFile::encodeName(record_) + "\"\n");
    script.close();
    script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    // Only the stand-in is reachable, so a test can never start a real browser.
    qputenv("PATH", QFile::encodeName(dir_.path()));
  }
  ~FakeOpener() { qputenv("PATH", saved_path_); }

  // The arguments of the one run, or nothing when the opener did not run within a few seconds.
  std::vector<QByteArray> arguments() const {
    QDeadlineTimer deadline(5000);
    while (!QFile::exists(record_) && !deadline.hasExpired()) QThread::msleep(10);
    QFile file(record_);
    if (!file.open(QIODevice::ReadOnly)) return {};
    QList<QByteArray> fields = file.readAll().split('\0');
    fields.removeLast();  // after the last terminator
    if (fields.isEmpty() || fields.takeFirst().toInt() != fields.size()) return {};
    return {fields.begin(), fields.end()};
  }

 private:
  QTemporaryDir dir_;
  QString record_;
  QByteArray saved_path_;
};

TEST_F(MainWindowTest, PlayHandsTheAddressBoxTextToTheOpenerUnchangedAsOneArgument) {
  for (const Text address : {
           "http://127.0.0.1:9/a.mp3?x=1&y=2",
           "",
           "not an address; $(touch x) `id` 'single' \"double\" | > < * \\",
           "  地址 带空格  ",
       }) {
    SCOPED_TRACE(address);
    FakeOpener opener;
    write_control_text(*window_.addressBox(), address);
    ModalBoxWatcher watcher;
    control<QPushButton>("按钮3")->click();
    const std::vector<QByteArray> expected = {qstring_from_text(address).toUtf8()};
    EXPECT_EQ(opener.arguments(), expected);
    EXPECT_TRUE(watcher.boxes().empty());
  }
}

}  // namespace
