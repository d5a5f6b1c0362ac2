// Closes the message boxes that the code under test opens, recording what each one showed, so that
// code which waits for a modal box can run in a test.
//
//   ModalBoxWatcher watcher;
//   button->click();                     // opens a box and waits for it
//   ASSERT_EQ(watcher.boxes().size(), 1u);
//   EXPECT_EQ(watcher.boxes()[0].text, "复制成功");
#pragma once

#include <vector>

#include <QApplication>
#include <QMessageBox>
#include <QTimer>

#include "runtime/text.h"
#include "runtime/window_system.h"

struct ShownBox {
  Text title;
  Text text;
  Qt::TextFormat format;
  QMessageBox::Icon icon;
  QMessageBox::StandardButtons buttons;
  Qt::WindowModality modality;
  bool has_owner;
};

class ModalBoxWatcher {
 public:
  ModalBoxWatcher() {
    // The box's own event loop runs the timer while the code under test waits for the box.
    QObject::connect(&timer_, &QTimer::timeout, &timer_, [this] { closeActiveBox(); });
    timer_.start(5);
  }

  const std::vector<ShownBox>& boxes() const { return boxes_; }

 private:
  void closeActiveBox() {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (box == nullptr || !box->isVisible()) return;
    boxes_.push_back({text_from_qstring(box->windowTitle()), text_from_qstring(box->text()),
                      box->textFormat(), box->icon(), box->standardButtons(), box->windowModality(),
                      box->parentWidget() != nullptr});
    box->done(QMessageBox::Ok);
  }

  QTimer timer_;
  std::vector<ShownBox> boxes_;
};
