#include "tool_window.h"

#include <fstream>
#include <sstream>

namespace tts_e2e {
namespace {

struct Place {
  int x;
  int y;
};

// A point inside each control, in client coordinates of the window's fixed layout.
Place place_of(Control control) {
  switch (control) {
    case Control::text_box: return {38 + 20, 56 + 20};
    case Control::synthesize: return {310 + 45, 71 + 28};
    case Control::voice_list: return {39 + 60, 160 + 10};  // the edit field, not the arrow
    case Control::address_box: return {40 + 20, 233 + 11};
    case Control::play: return {345 + 28, 234 + 12};
    case Control::copy: return {411 + 28, 234 + 12};
  }
  return {0, 0};
}

const std::string BOX_TITLE = "信息：";
const std::string MAIN_TITLE = "语音合成工具";
const std::string NOTHING_COPIED = "(nothing copied yet)";

// A box copies itself as separator lines around its title, its text and its buttons.
ShownBox parse_copied_box(const std::string& copied) {
  const std::string separator = "---------------------------\n";
  std::vector<std::string> parts;
  for (size_t start = 0;;) {
    const size_t next = copied.find(separator, start);
    parts.push_back(copied.substr(start, next - start));
    if (next == std::string::npos) break;
    start = next + separator.size();
  }
  const auto line = [](std::string part) {
    if (part.ends_with('\n')) part.pop_back();
    return part;
  };
  if (parts.size() < 4) return {.title = "(not a box)", .text = copied};
  return {.title = line(parts[1]), .text = line(parts[2])};
}

}  // namespace

ToolWindow::ToolWindow(XDisplay& display, const std::filesystem::path& program,
                       const std::filesystem::path& log_folder)
    : display_(display), log_path_(log_folder / "tts-tool.log") {
  process_ = ChildProcess({program.string()},
                          {.environment = {display.display_variable(), "QT_QPA_PLATFORM",
                                           "WAYLAND_DISPLAY", "LC_ALL=C.UTF-8"},
                           .log = log_path_});
  wait_until(
      [&] {
        window_ = display_.wait_for_window(MAIN_TITLE, std::chrono::milliseconds(0));
        return window_ || !process_.running();
      },
      PATIENCE);
}

std::string ToolWindow::log() const {
  std::ifstream file(log_path_, std::ios::binary);
  std::stringstream text;
  text << file.rdbuf();
  return text.str();
}

bool ToolWindow::press(Control control) const {
  const Place place = place_of(control);
  return window_ && display_.click(*window_, place.x, place.y);
}

bool ToolWindow::enter_text(const std::string& utf8_text) {
  return window_ && display_.set_clipboard(utf8_text) && press(Control::text_box) &&
         display_.keys(*window_, {"ctrl+a", "ctrl+v"});
}

std::optional<std::string> ToolWindow::choose_voice(int position) {
  if (!window_ || !press(Control::voice_list)) return std::nullopt;
  // Up stops at the first item; Down then counts positions from there.
  std::vector<std::string> steps(47, "Up");
  steps.insert(steps.end(), static_cast<size_t>(position), "Down");
  if (!display_.keys(*window_, steps)) return std::nullopt;
  return copied_by(*window_, {"ctrl+a", "ctrl+c"});
}

std::optional<ShownBox> ToolWindow::read_box(std::chrono::milliseconds timeout) {
  const std::optional<WindowId> box = display_.wait_for_window(BOX_TITLE, timeout);
  if (!box) return std::nullopt;
  const std::optional<std::string> copied = copied_by(*box, {"ctrl+c"});
  if (!copied || !display_.keys(*box, {"Return"}) || !display_.wait_until_closed(*box, PATIENCE)) {
    return std::nullopt;
  }
  return parse_copied_box(*copied);
}

std::optional<std::string> ToolWindow::address() {
  if (!press(Control::copy) || !display_.wait_for_window(BOX_TITLE, PATIENCE)) return std::nullopt;
  // The address is on the clipboard before the box shows; reading the box replaces it.
  const std::optional<std::string> copied = display_.clipboard();
  const std::optional<ShownBox> box = read_box();
  if (!box || box->title != BOX_TITLE || box->text != "复制成功") return std::nullopt;
  return copied;
}

std::optional<std::string> ToolWindow::copied_by(const WindowId& window,
                                                 const std::vector<std::string>& combinations) {
  if (!display_.set_clipboard(NOTHING_COPIED) || !display_.keys(window, combinations)) {
    return std::nullopt;
  }
  std::optional<std::string> copied;
  wait_until([&] { return (copied = display_.clipboard()) && *copied != NOTHING_COPIED; }, PATIENCE);
  if (!copied || *copied == NOTHING_COPIED) return std::nullopt;
  return copied;
}

}  // namespace tts_e2e
