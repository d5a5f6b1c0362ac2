#include "app/main_window.h"

#include <limits>
#include <string_view>

#include <QComboBox>
#include <QEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QWindow>

#include "app/address_actions.h"
#include "app/synthesis.h"
#include "runtime/window_system.h"

namespace {

// The window's size as the user sees it, frame and title bar included.
constexpr QSize OUTER_SIZE(475, 314);

// Names the control and puts it at its place in client coordinates.
template <typename Control>
Control* placed(Control* control, std::string_view name, QRect geometry) {
  control->setObjectName(qstring_from_text(name));
  control->setGeometry(geometry);
  return control;
}

}  // namespace

MainWindow::MainWindow(QWidget* parent) : QWidget(parent) {
  setWindowTitle(qstring_from_text("语音合成工具"));
  setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                 Qt::WindowCloseButtonHint);
  // Without a frame the client area is the whole window; fitOuterSize shrinks it once the window
  // system reports the frame it drew.
  setFixedSize(OUTER_SIZE);
  createControls();
  createConnections();
  placeCentred();
}

bool MainWindow::event(QEvent* event) {
  // The frame is known only after the window manager has taken the window (it moves the client
  // into its frame), so the client size is settled on showing and on each move.
  if (event->type() == QEvent::Show || event->type() == QEvent::Move) fitOuterSize();
  return QWidget::event(event);
}

void MainWindow::createControls() {
  auto* prompt = placed(new QLabel(qstring_from_text("请输入文本最多300字"), this), "标签2",
                        {40, 24, 128, 24});
  prompt->setAlignment(Qt::AlignLeft | Qt::AlignTop);

  textBox_ = placed(new QPlainTextEdit(this), "编辑框1", {38, 56, 232, 88});
  textBox_->setLineWrapMode(QPlainTextEdit::WidgetWidth);
  textBox_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  textBox_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  write_control_text(*textBox_, "我是一只小小鸟");

  synthesizeButton_ =
      placed(new QPushButton(qstring_from_text("合成"), this), "按钮1", {310, 71, 90, 57});

  voiceList_ = placed(new QComboBox(this), "组合框1", {39, 160, 225, 20});
  voiceList_->setEditable(true);
  // Typed text stays in the edit field: it never becomes an item, and nothing completes it.
  voiceList_->setInsertPolicy(QComboBox::NoInsert);
  voiceList_->setCompleter(nullptr);

  auto* addressCaption =
      placed(new QLabel(qstring_from_text("MP3地址"), this), "标签1", {45, 204, 64, 24});
  addressCaption->setAlignment(Qt::AlignLeft | Qt::AlignTop);

  addressBox_ = placed(new QLineEdit(this), "编辑框2", {40, 233, 288, 23});
  addressBox_->setMaxLength(std::numeric_limits<int>::max());

  playButton_ = placed(new QPushButton(qstring_from_text("播放"), this), "按钮3", {345, 234, 56, 24});
  copyButton_ = placed(new QPushButton(qstring_from_text("复制"), this), "按钮2", {411, 234, 56, 24});
}

void MainWindow::createConnections() {
  connect(synthesizeButton_, &QPushButton::clicked, this,
          [this] { synthesize(*textBox_, *voiceList_, *addressBox_); });
  connect(playButton_, &QPushButton::clicked, this, [this] { handle_play_click(*addressBox_); });
  connect(copyButton_, &QPushButton::clicked, this, [this] { handle_copy_click(*addressBox_); });
}

// Centres the outer rectangle on the screen's free area. A top-level window's position is that of
// its frame, so the window stays centred when fitOuterSize later trades client area for frame.
void MainWindow::placeCentred() {
  const QScreen* screen = QGuiApplication::primaryScreen();
  if (screen == nullptr) return;
  QRect outer(QPoint(), OUTER_SIZE);
  outer.moveCenter(screen->availableGeometry().center());
  move(outer.topLeft());
}

void MainWindow::fitOuterSize() {
  const QMargins frame = windowHandle() != nullptr ? windowHandle()->frameMargins() : QMargins();
  const QSize client = OUTER_SIZE.shrunkBy(frame);
  if (client != size()) setFixedSize(client);
}
