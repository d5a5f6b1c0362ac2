// The program's one window, "语音合成工具": the text box, the voice list, "合成", and the MP3
// address box with "播放" and "复制". Its outer size, frame included, is 475 x 314 and it opens
// centred; the user can move and minimise it but not resize or maximise it. Controls sit at fixed
// client positions and carry their names ("编辑框1", "组合框1", "按钮1", ...) as object names.
//
//   MainWindow window;
//   window.show();
//   write_control_text(*window.addressBox(), "http://example.invalid/a.mp3");
#pragma once

#include <QWidget>

class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

class MainWindow : public QWidget {
  Q_OBJECT

 public:
  explicit MainWindow(QWidget* parent = nullptr);

  // The controls the program's handlers read and write.
  QPlainTextEdit* textBox() const { return textBox_; }
  QComboBox* voiceList() const { return voiceList_; }
  QLineEdit* addressBox() const { return addressBox_; }
  QPushButton* synthesizeButton() const { return synthesizeButton_; }

 protected:
  bool event(QEvent* event) override;

 private:
  void createControls();
  void createConnections();
  void placeCentred();
  void fitOuterSize();

  QPlainTextEdit* textBox_ = nullptr;
  QComboBox* voiceList_ = nullptr;
  QLineEdit* addressBox_ = nullptr;
  QPushButton* synthesizeButton_ = nullptr;
  QPushButton* playButton_ = nullptr;
  QPushButton* copyButton_ = nullptr;
};
