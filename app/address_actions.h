// The two actions on the MP3 address box: "播放" opens whatever the box holds with the desktop's
// opener, "复制" copies it to the clipboard and confirms with "复制成功". Both take the box's text
// as it stands, typed by the user or put there by a synthesis, and check nothing.
//
//   handle_copy_click(address_box);  // clipboard = box text, then the "复制成功" box
#pragma once

class QLineEdit;

// An empty box hands the empty text to the opener; nothing is shown either way.
void handle_play_click(const QLineEdit& address_box);

// "复制成功" is shown whatever the clipboard did, also for an empty box.
void handle_copy_click(const QLineEdit& address_box);
