#include "child_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <utility>

extern char** environ;

namespace tts_e2e {
namespace {

using Clock = std::chrono::steady_clock;

// The argument and environment arrays are built before the fork: between fork and exec the child
// of a threaded test may call nothing that allocates.
struct ExecPlan {
  std::vector<std::string> arguments;
  std::vector<std::string> environment;
  std::vector<char*> argv;
  std::vector<char*> envp;

  ExecPlan(const std::vector<std::string>& args, const std::vector<std::string>& changes)
      : arguments(args) {
    for (char** entry = environ; *entry != nullptr; ++entry) environment.emplace_back(*entry);
    for (const std::string& change : changes) {
      const std::string name = change.substr(0, change.find('='));
      std::erase_if(environment, [&](const std::string& e) { return e.starts_with(name + "="); });
      if (change.find('=') != std::string::npos) environment.push_back(change);
    }
    for (std::string& a : arguments) argv.push_back(a.data());
    argv.push_back(nullptr);
    for (std::string& e : environment) envp.push_back(e.data());
    envp.push_back(nullptr);
  }

  // In the child: the child dies with the test process, gets default signal handling back and
  // becomes the program.
  [[noreturn]] void exec_in_child() {
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    ::signal(SIGPIPE, SIG_DFL);
    sigset_t none;
    sigemptyset(&none);
    ::sigprocmask(SIG_SETMASK, &none, nullptr);
    ::execvpe(argv[0], argv.data(), envp.data());
    ::_exit(127);
  }
};

int exit_code_of(int status) {
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

}  // namespace

ChildProcess::ChildProcess(const std::vector<std::string>& arguments, const ChildOptions& options) {
  ExecPlan plan(arguments, options.environment);
  const std::string log = options.log.empty() ? "/dev/null" : options.log.string();
  const int output = ::open(log.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
  const int input = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
  pid_ = ::fork();
  if (pid_ == 0) {
    ::dup2(input, STDIN_FILENO);
    ::dup2(output, STDOUT_FILENO);
    ::dup2(output, STDERR_FILENO);
    if (options.descriptor_3 == 3) {
      ::fcntl(3, F_SETFD, 0);
    } else if (options.descriptor_3 >= 0) {
      ::dup2(options.descriptor_3, 3);
    }
    plan.exec_in_child();
  }
  if (output >= 0) ::close(output);
  if (input >= 0) ::close(input);
}

ChildProcess::~ChildProcess() { stop(); }

ChildProcess::ChildProcess(ChildProcess&& other) noexcept
    : pid_(std::exchange(other.pid_, -1)), exit_code_(std::exchange(other.exit_code_, {})) {}

ChildProcess& ChildProcess::operator=(ChildProcess&& other) noexcept {
  if (this != &other) {
    stop();
    pid_ = std::exchange(other.pid_, -1);
    exit_code_ = std::exchange(other.exit_code_, {});
  }
  return *this;
}

bool ChildProcess::running() { return pid_ > 0 && !wait_for_exit(std::chrono::milliseconds(0)); }

std::optional<int> ChildProcess::wait_for_exit(std::chrono::milliseconds timeout) {
  if (pid_ <= 0 || exit_code_) return exit_code_;
  wait_until(
      [&] {
        int status = 0;
        if (::waitpid(pid_, &status, WNOHANG) != pid_) return false;
        exit_code_ = exit_code_of(status);
        return true;
      },
      timeout);
  return exit_code_;
}

void ChildProcess::stop() {
  if (pid_ <= 0 || exit_code_) return;
  ::kill(pid_, SIGTERM);
  if (!wait_for_exit(std::chrono::seconds(2))) {
    ::kill(pid_, SIGKILL);
    wait_for_exit(std::chrono::seconds(10));
  }
}

CommandResult run_command(const std::vector<std::string>& arguments,
                          const std::vector<std::string>& environment,
                          std::chrono::milliseconds timeout) {
  ExecPlan plan(arguments, environment);
  int pipe_fds[2];
  if (::pipe2(pipe_fds, O_CLOEXEC) != 0) return {};
  const int quiet = ::open("/dev/null", O_RDWR | O_CLOEXEC);
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::dup2(quiet, STDIN_FILENO);
    ::dup2(pipe_fds[1], STDOUT_FILENO);
    ::dup2(quiet, STDERR_FILENO);
    plan.exec_in_child();
  }
  ::close(pipe_fds[1]);
  if (quiet >= 0) ::close(quiet);

  CommandResult result;
  const auto deadline = Clock::now() + timeout;
  bool timed_out = false;
  for (;;) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    if (left.count() <= 0) {
      timed_out = true;
      break;
    }
    pollfd watch{pipe_fds[0], POLLIN, 0};
    if (::poll(&watch, 1, static_cast<int>(left.count())) <= 0) continue;
    char buffer[4096];
    const ssize_t n = ::read(pipe_fds[0], buffer, sizeof buffer);
    if (n <= 0) break;
    result.output.append(buffer, static_cast<size_t>(n));
  }
  ::close(pipe_fds[0]);
  if (timed_out) ::kill(pid, SIGKILL);
  int status = 0;
  ::waitpid(pid, &status, 0);
  result.exit_code = timed_out ? -1 : exit_code_of(status);
  return result;
}

}  // namespace tts_e2e
