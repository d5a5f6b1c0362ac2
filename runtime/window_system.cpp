#include "runtime/window_system.h"

#include <algorithm>
#include <cstdio>

#include <QAbstractButton>
#include <QApplication>
#include <QByteArray>
#include <QClipboard>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProcess>

#include "platform/codepage.h"

namespace {

// Platforms that draw into memory only: nobody sees their windows or could close a modal box.
bool is_headless_platform(QByteArrayView platform) {
  const qsizetype colon = platform.indexOf(':');
  const QByteArrayView name = colon < 0 ? platform : platform.first(colon);
  return name == "offscreen" || name == "minimal";
}

// Whether the environment names a display worth trying; without one we stay off Qt entirely, so
// a fatal error in a headless test or tool costs no platform start-up.
bool display_named() {
  const QByteArray requested = qgetenv("QT_QPA_PLATFORM");
  if (!requested.isEmpty()) return !is_headless_platform(requested);
  return qEnvironmentVariableIsSet("DISPLAY") || qEnvironmentVariableIsSet("WAYLAND_DISPLAY");
}

bool application_exists() {
  return qobject_cast<QApplication*>(QCoreApplication::instance()) != nullptr;
}

// Qt lays out LF line breaks; the program's texts carry CR LF.
QString lines_for_qt(std::string_view text) {
  return qstring_from_text(text).replace(QLatin1String("\r\n"), QLatin1String("\n"));
}

void write_to_standard_error(std::string_view text) {
  std::fwrite(text.data(), 1, text.size(), stderr);
  std::fflush(stderr);
}

// Ctrl+C copies the whole box as plain text, as message boxes on the program's home platform do
// (Qt does it there only): title, message and buttons between separator lines. Users paste a
// service's message into a report this way, and end-to-end tests read the box with it.
class CopyableMessageBox : public QMessageBox {
 public:
  using QMessageBox::QMessageBox;

 protected:
  void keyPressEvent(QKeyEvent* event) override {
    if (!event->matches(QKeySequence::Copy)) {
      QMessageBox::keyPressEvent(event);
      return;
    }
    const QString separator = QStringLiteral("---------------------------\n");
    QString copied = separator + windowTitle() + '\n' + separator + text() + '\n' + separator;
    for (const QAbstractButton* button : buttons()) copied += button->text() + QStringLiteral("   ");
    QGuiApplication::clipboard()->setText(copied + '\n' + separator);
  }
};

void show_box(QMessageBox::Icon icon, std::string_view title, std::string_view text) {
  CopyableMessageBox box(icon, qstring_from_text(title), lines_for_qt(text), QMessageBox::Ok);
  box.setTextFormat(Qt::PlainText);
  box.setWindowModality(Qt::ApplicationModal);
  box.exec();
}

}  // namespace

std::unique_ptr<QApplication> open_window_system() {
  // The application keeps references to its argument count and vector for its whole life, and
  // rewrites both as it consumes its options: they are rebuilt at each call.
  static int argc;
  static char program[] = "tts-tool";
  static char platform_option[] = "-platform";
  static QByteArray platforms;
  static char* argv[4];
  const QByteArray requested = qgetenv("QT_QPA_PLATFORM");
  platforms = (requested.isEmpty() ? QByteArray("xcb") : requested) + ";offscreen";
  argc = 3;
  argv[0] = program;
  argv[1] = platform_option;
  argv[2] = platforms.data();
  argv[3] = nullptr;
  return std::make_unique<QApplication>(argc, argv);
}

bool window_system_has_display() {
  return application_exists() && !is_headless_platform(QGuiApplication::platformName().toLatin1());
}

QString qstring_from_text(std::string_view text) {
  return QString::fromStdU16String(platform::ansi_to_utf16(text));
}

Text text_from_qstring(const QString& text) {
  return platform::utf16_to_ansi(
      std::u16string_view(reinterpret_cast<const char16_t*>(text.utf16()), text.size()));
}

void message_box(std::string_view message) {
  if (!application_exists()) {
    write_to_standard_error(Text("信息：").append(message).append("\r\n"));
    return;
  }
  show_box(QMessageBox::NoIcon, "信息：", message);
}

void fatal_error_box(std::string_view text) {
  if (QCoreApplication::instance() == nullptr && display_named()) {
    // Never destroyed: the process ends right after the box.
    open_window_system().release();
  }
  if (!window_system_has_display()) {
    write_to_standard_error(text);
    return;
  }
  show_box(QMessageBox::Critical, "错误", text);
}

bool set_clipboard_text(std::string_view t) {
  if (!application_exists()) return false;
  QGuiApplication::clipboard()->setText(qstring_from_text(t));
  return true;
}

void open_url(std::string_view address) {
  QProcess::startDetached(QStringLiteral("xdg-open"), {qstring_from_text(address)});
}

int combo_add_item(QComboBox& combo, std::string_view item) {
  const int position = combo.count();
  const int selection = combo.currentIndex();
  const QString edit_text = combo.currentText();
  combo.addItem(qstring_from_text(item), 0);
  if (combo.count() == position) return -1;
  // Qt selects the first item added to an empty list; the program expects no selection until it
  // makes one.
  if (combo.currentIndex() != selection) {
    combo.setCurrentIndex(selection);
    if (combo.isEditable()) combo.setEditText(edit_text);
  }
  return position;
}

Text read_control_text(const QLineEdit& box) { return text_from_qstring(box.text()); }

Text read_control_text(const QPlainTextEdit& box) {
  return text_from_qstring(box.toPlainText().replace(QLatin1Char('\n'), QLatin1String("\r\n")));
}

void write_control_text(QLineEdit& box, std::string_view t) { box.setText(qstring_from_text(t)); }

void write_control_text(QPlainTextEdit& box, std::string_view t) {
  box.setPlainText(lines_for_qt(t));
}

int read_selection(const QComboBox& combo) { return combo.currentIndex(); }

void write_selection(QComboBox& combo, int position) {
  combo.setCurrentIndex(std::max(std::min(position, combo.count() - 1), -1));
}
