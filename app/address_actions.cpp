#include "app/address_actions.h"

#include "runtime/window_system.h"

void handle_play_click(const QLineEdit& address_box) { open_url(read_control_text(address_box)); }

void handle_copy_click(const QLineEdit& address_box) {
  set_clipboard_text(read_control_text(address_box));
  message_box("复制成功");
}
