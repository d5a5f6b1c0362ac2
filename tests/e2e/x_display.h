// A private X display (Xvfb on the first free display number) and the X clients that drive it
// the way a person would: xdotool for windows, the mouse and the keyboard, xclip for the
// clipboard.
//
//   XDisplay display(folder);                       // Xvfb's log goes to folder/xvfb.log
//   ... start a program with "DISPLAY=" + display.name() ...
//   std::optional<WindowId> window = display.wait_for_window("语音合成工具", 20s);
//   display.click(*window, 355, 99);                // client coordinates
//   display.set_clipboard("文本");
//   display.keys(*window, {"ctrl+a", "ctrl+v"});
//
// There is no window manager: windows have no frame, so a window's position plus a control's
// client position is where the control is on the screen, and focus is given by the test.
#pragma once

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "child_process.h"

namespace tts_e2e {

using WindowId = std::string;  // as xdotool prints it

class XDisplay {
 public:
  explicit XDisplay(const std::filesystem::path& log_folder);
  ~XDisplay();
  XDisplay(const XDisplay&) = delete;
  XDisplay& operator=(const XDisplay&) = delete;

  // ":<n>", or empty when Xvfb did not come up.
  const std::string& name() const { return name_; }
  // Whether Xvfb still runs (a program that cannot reach its display asks).
  bool running();
  // The environment change that points a program at this display.
  std::string display_variable() const { return "DISPLAY=" + name_; }

  // A visible window whose title is exactly `title`, once there is one.
  std::optional<WindowId> wait_for_window(const std::string& title,
                                          std::chrono::milliseconds timeout) const;
  bool wait_until_closed(const WindowId& window, std::chrono::milliseconds timeout) const;

  // A left click at the client coordinates of the window.
  bool click(const WindowId& window, int x, int y) const;
  // Gives the window the keyboard focus, then types each key combination ("ctrl+a", "Return",
  // "Up") in turn.
  bool keys(const WindowId& window, const std::vector<std::string>& combinations) const;

  // Owns the clipboard with a UTF-8 text until another client takes it; true once it is served.
  bool set_clipboard(const std::string& utf8_text);
  // The clipboard's text as UTF-8; nothing when no client owns it or it holds no text.
  std::optional<std::string> clipboard() const;

 private:
  // The visible windows whose title matches the extended regular expression.
  std::vector<WindowId> search(const std::string& pattern) const;
  CommandResult run(const std::vector<std::string>& arguments) const;

  std::filesystem::path log_folder_;
  std::string name_;
  ChildProcess server_;
  ChildProcess clipboard_owner_;
};

}  // namespace tts_e2e
