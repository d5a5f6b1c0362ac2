// The program under test, started on a private display, and what a person does with its window:
// clicks on its controls, text pasted into the text box, a voice chosen with the keyboard, the
// address read back through "复制", a message box read with Ctrl+C and closed with Return.
//
//   ToolWindow tool(display, TTS_E2E_PROGRAM, folder);   // its output goes to folder/tts-tool.log
//   ASSERT_TRUE(tool.shown()) << tool.log();
//   tool.enter_text("a&b");
//   tool.press(Control::synthesize);
//   std::optional<ShownBox> box = tool.read_box();         // nothing when no box came
//   std::optional<std::string> address = tool.address();
//
// Texts go in and come out as UTF-8. Every wait is bounded; the bounds leave room for a
// sanitizer build on a busy machine and cost nothing when things go right.
#pragma once

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "child_process.h"
#include "x_display.h"

namespace tts_e2e {

// The window's controls, by what they do (their places are the window's fixed layout).
enum class Control { text_box, synthesize, voice_list, address_box, play, copy };

struct ShownBox {
  std::string title;
  std::string text;
};

inline constexpr std::chrono::seconds PATIENCE{60};

class ToolWindow {
 public:
  ToolWindow(XDisplay& display, const std::filesystem::path& program,
             const std::filesystem::path& log_folder);

  // Whether the main window came up.
  bool shown() const { return window_.has_value(); }
  bool running() { return process_.running(); }
  // What the program has written to its standard output and error so far.
  std::string log() const;

  bool press(Control control) const;
  // Replaces the text box's text with `utf8_text`, as pasting it over the selected text does.
  bool enter_text(const std::string& utf8_text);
  // Selects list position `position` with the arrow keys; the text the list then shows.
  std::optional<std::string> choose_voice(int position);
  // Waits for a message box, reads it and closes it.
  std::optional<ShownBox> read_box(std::chrono::milliseconds timeout = PATIENCE);
  // Presses "复制" and reads the clipboard; nothing unless the box that follows says "复制成功".
  std::optional<std::string> address();

 private:
  // The clipboard after the key combinations in `window`, once they have replaced what was there.
  std::optional<std::string> copied_by(const WindowId& window,
                                       const std::vector<std::string>& combinations);

  XDisplay& display_;
  std::filesystem::path log_path_;
  ChildProcess process_;
  std::optional<WindowId> window_;
};

}  // namespace tts_e2e
