// Window-system operations: how the program's handlers reach message boxes, the clipboard, the
// desktop's address opener and the texts and selections of its controls. The program's texts are
// GBK `Text`; they cross into Qt's UTF-16 only here.
//
//   std::unique_ptr<QApplication> application = open_window_system();
//   write_control_text(address_box, "http://example.invalid/a.mp3");
//   open_url(read_control_text(address_box));
//   message_box("复制成功");
#pragma once

#include <memory>
#include <string_view>

#include "runtime/text.h"

// Declared only, so that code calling fatal_error_box or message_box compiles without Qt.
class QApplication;
class QComboBox;
class QLineEdit;
class QPlainTextEdit;
class QString;

// Starts the window system on the platform the environment asks for (QT_QPA_PLATFORM, otherwise
// the X display), falling back to the offscreen platform where no display can be reached instead
// of aborting. Call once, before any window exists; window_system_has_display tells the outcome.
std::unique_ptr<QApplication> open_window_system();

// True when an application object exists on a platform a person can see and operate. The
// offscreen and minimal platforms count as no display: a modal box there could never be closed.
bool window_system_has_display();

// GBK text to Qt and back; characters GBK cannot hold come back as "?".
QString qstring_from_text(std::string_view text);
Text text_from_qstring(const QString& text);

// A modal box titled "信息：" with the message, one OK button and no icon, owned by no window;
// returns when it is closed. The message is shown as plain text, never as markup; an empty
// message gives a box with no text. Without an application object the message goes to standard
// error instead.
void message_box(std::string_view message);

// Puts t on the clipboard as plain text (the empty text gives an empty clipboard text). False,
// and nothing placed, when there is no application object to own the clipboard.
bool set_clipboard_text(std::string_view t);

// The fatal-error box: the text, the title "错误", the error icon and one OK button, modal, owned
// by no window; returns when it is closed. Where no display can be had (none named in the
// environment, none reachable, or a headless platform) the text goes unchanged, as GBK bytes, to
// standard error instead. With no application object yet, one is started only for the box.
void fatal_error_box(std::string_view text);

// Hands the address to the desktop's opener (xdg-open) as one program argument, never through a
// shell; an empty text or one that is no address is handed over unchanged. The opener's answer is
// not examined.
void open_url(std::string_view address);

// Appends an item with data 0 without changing the selection. Returns its 0-based position, or -1
// when the list refuses it (it holds its maximum count already).
int combo_add_item(QComboBox& combo, std::string_view item);

// The box's current text (empty when it holds none). Line breaks of the multi-line box read as
// CR LF, as the program's texts write them.
Text read_control_text(const QLineEdit& box);
Text read_control_text(const QPlainTextEdit& box);

// Replaces the box's text with t. In the multi-line box CR LF (or a bare LF) breaks the line.
void write_control_text(QLineEdit& box, std::string_view t);
void write_control_text(QPlainTextEdit& box, std::string_view t);

// The 0-based position of the selected item; -1 when none is selected.
int read_selection(const QComboBox& combo);

// Selects the item at the position. A position beyond the last item selects the last item; a
// position below 0 and any position on an empty list select nothing.
void write_selection(QComboBox& combo, int position);
