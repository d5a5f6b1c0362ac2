// The start-up benchmark's floor: a plain Qt window with the program's eight controls, their texts,
// kinds and places, the same fixed outer size and the same centring, and nothing else (no voice
// catalogue, no automation, no handlers). Started by app_startup_bench; runs until it is killed.
#include <QApplication>
#include <QComboBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QWidget>

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  QWidget window;
  window.setWindowTitle(QString::fromUtf8(u8"语音合成工具"));
  window.setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                        Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                        Qt::WindowCloseButtonHint);
  const QSize outer_size(475, 314);
  window.setFixedSize(outer_size);

  (new QLabel(QString::fromUtf8(u8"请输入文本最多300字"), &window))->setGeometry(40, 24, 128, 24);
  auto* text_box = new QPlainTextEdit(QString::fromUtf8(u8"我是一只小小鸟"), &window);
  text_box->setGeometry(38, 56, 232, 88);
  text_box->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  text_box->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  (new QPushButton(QString::fromUtf8(u8"合成"), &window))->setGeometry(310, 71, 90, 57);
  auto* voice_list = new QComboBox(&window);
  voice_list->setGeometry(39, 160, 225, 20);
  voice_list->setEditable(true);
  (new QLabel(QString::fromUtf8(u8"MP3地址"), &window))->setGeometry(45, 204, 64, 24);
  (new QLineEdit(&window))->setGeometry(40, 233, 288, 23);
  (new QPushButton(QString::fromUtf8(u8"播放"), &window))->setGeometry(345, 234, 56, 24);
  (new QPushButton(QString::fromUtf8(u8"复制"), &window))->setGeometry(411, 234, 56, 24);

  QRect outer(QPoint(), outer_size);
  outer.moveCenter(QGuiApplication::primaryScreen()->availableGeometry().center());
  window.move(outer.topLeft());
  window.show();
  return application.exec();
}
