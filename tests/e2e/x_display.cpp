#include "x_display.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <sstream>

namespace tts_e2e {
namespace {

using namespace std::chrono_literals;

// Reads the display number that Xvfb writes once it accepts clients.
std::string read_display_number(int fd, std::chrono::milliseconds timeout) {
  std::string text;
  wait_until(
      [&] {
        pollfd watch{fd, POLLIN, 0};
        if (::poll(&watch, 1, 20) <= 0) return false;
        char buffer[32];
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n <= 0) return true;  // Xvfb gave up
        text.append(buffer, static_cast<size_t>(n));
        return text.find('\n') != std::string::npos;
      },
      timeout);
  return text.find('\n') == std::string::npos ? std::string() : text.substr(0, text.find('\n'));
}

// The title as an anchored extended regular expression that matches only itself.
std::string exactly(const std::string& title) {
  std::string pattern = "^";
  for (char c : title) {
    if (std::string_view("\\^$.|?*+()[]{}").find(c) != std::string_view::npos) pattern += '\\';
    pattern += c;
  }
  return pattern + "$";
}

}  // namespace

XDisplay::XDisplay(const std::filesystem::path& log_folder) : log_folder_(log_folder) {
  int pipe_fds[2];
  if (::pipe2(pipe_fds, O_CLOEXEC) != 0) return;
  // No reset when the last client leaves: the test's own short-lived clients (xdotool, xclip)
  // would otherwise make the server start over while the program under test connects.
  server_ = ChildProcess({"Xvfb", "-displayfd", "3", "-nolisten", "tcp", "-noreset", "-screen",
                          "0", "1024x768x24"},
                         {.log = log_folder / "xvfb.log", .descriptor_3 = pipe_fds[1]});
  ::close(pipe_fds[1]);
  const std::string number = read_display_number(pipe_fds[0], 30s);
  ::close(pipe_fds[0]);
  if (number.empty()) return;
  // The display counts once a client of the test's own has been served on it.
  const auto serves_a_client = [&] {
    return run_command({"xdotool", "getdisplaygeometry"}, {"DISPLAY=:" + number}).exit_code == 0;
  };
  if (wait_until(serves_a_client, 30s)) name_ = ":" + number;
}

bool XDisplay::running() { return server_.running(); }

XDisplay::~XDisplay() {
  clipboard_owner_.stop();
  server_.stop();
}

CommandResult XDisplay::run(const std::vector<std::string>& arguments) const {
  return run_command(arguments, {display_variable(), "LC_ALL=C.UTF-8"});
}

std::vector<WindowId> XDisplay::search(const std::string& pattern) const {
  const CommandResult found = run({"xdotool", "search", "--onlyvisible", "--name", pattern});
  std::vector<WindowId> windows;
  std::istringstream lines(found.exit_code == 0 ? found.output : "");
  for (std::string line; std::getline(lines, line);) {
    if (!line.empty()) windows.push_back(line);
  }
  return windows;
}

std::optional<WindowId> XDisplay::wait_for_window(const std::string& title,
                                                  std::chrono::milliseconds timeout) const {
  std::vector<WindowId> found;
  wait_until([&] { return !(found = search(exactly(title))).empty(); }, timeout);
  if (found.empty()) return std::nullopt;
  return found.front();
}

bool XDisplay::wait_until_closed(const WindowId& window, std::chrono::milliseconds timeout) const {
  return wait_until(
      [&] {
        const std::vector<WindowId> visible = search(".");
        return std::find(visible.begin(), visible.end(), window) == visible.end();
      },
      timeout);
}

bool XDisplay::click(const WindowId& window, int x, int y) const {
  return run({"xdotool", "mousemove", "--sync", "--window", window, std::to_string(x),
              std::to_string(y), "click", "1"})
             .exit_code == 0;
}

bool XDisplay::keys(const WindowId& window, const std::vector<std::string>& combinations) const {
  std::vector<std::string> command = {"xdotool", "windowfocus", "--sync", window,
                                      "key",     "--delay",     "20"};
  command.insert(command.end(), combinations.begin(), combinations.end());
  return run(command).exit_code == 0;
}

bool XDisplay::set_clipboard(const std::string& utf8_text) {
  const std::filesystem::path file = log_folder_ / "clipboard.txt";
  std::ofstream(file, std::ios::binary) << utf8_text;
  clipboard_owner_ = ChildProcess(
      {"xclip", "-quiet", "-selection", "clipboard", "-target", "UTF8_STRING", "-in", file.string()},
      {.environment = {display_variable()}});
  return wait_until([&] { return clipboard() == utf8_text; }, 10s);
}

std::optional<std::string> XDisplay::clipboard() const {
  CommandResult read = run({"xclip", "-selection", "clipboard", "-target", "UTF8_STRING", "-out"});
  if (read.exit_code != 0) return std::nullopt;
  return read.output;
}

}  // namespace tts_e2e
