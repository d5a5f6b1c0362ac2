// Programs that end-to-end tests start: servers and the program under test that run beside the
// test (ChildProcess), and short commands whose output the test reads (run_command).
//
//   ChildProcess server({"tts-service", "--port", "18443"}, {.log = folder / "service.log"});
//   CommandResult windows = run_command({"xdotool", "search", "--name", "^x$"}, {"DISPLAY=:5"});
//   if (windows.exit_code == 0) ... windows.output ...
//
// Every child dies with the test process (a crashed test leaves nothing running) and is told to
// stop when its owner goes: SIGTERM, then SIGKILL after a grace period.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace tts_e2e {

struct ChildOptions {
  // "NAME=value" sets a variable, a bare "NAME" removes it; the rest of the test's environment
  // is passed on.
  std::vector<std::string> environment = {};
  // Standard output and standard error go to this file (appended); empty: to /dev/null.
  std::filesystem::path log = {};
  // A descriptor of the test's that the child gets as descriptor 3 (-1: none).
  int descriptor_3 = -1;
};

class ChildProcess {
 public:
  ChildProcess() = default;
  // The program is looked up on PATH unless it holds a slash. A program that cannot be started
  // leaves a child that ends at once with exit code 127.
  ChildProcess(const std::vector<std::string>& arguments, const ChildOptions& options);
  ~ChildProcess();
  ChildProcess(ChildProcess&& other) noexcept;
  ChildProcess& operator=(ChildProcess&& other) noexcept;
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  pid_t pid() const { return pid_; }
  bool running();
  // Waits up to `timeout` for the child to end by itself: its exit code (128 + the signal when a
  // signal ended it), or nothing while it still runs.
  std::optional<int> wait_for_exit(std::chrono::milliseconds timeout);
  // SIGTERM, up to two seconds' grace, then SIGKILL; harmless when it has already ended.
  void stop();

 private:
  pid_t pid_ = -1;
  std::optional<int> exit_code_;
};

struct CommandResult {
  int exit_code = -1;  // -1 when the command had to be killed at its time-out
  std::string output;  // standard output only
};

// Runs a command to its end, killing it after `timeout`. Its standard error is dropped.
CommandResult run_command(const std::vector<std::string>& arguments,
                          const std::vector<std::string>& environment,
                          std::chrono::milliseconds timeout = std::chrono::seconds(20));

// Polls `condition` every 20 ms until it holds or `timeout` has passed; its last answer.
template <typename Condition>
bool wait_until(Condition condition, std::chrono::milliseconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (!condition()) {
    if (std::chrono::steady_clock::now() >= deadline) return condition();
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return true;
}

}  // namespace tts_e2e
