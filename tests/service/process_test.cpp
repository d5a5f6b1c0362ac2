// The tts-service program itself, started as a child on a port the system picks: its throwaway
// certificate, its busy answer beyond the connection pool, and a clean end on SIGTERM and SIGINT.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <httplib.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

namespace {

using namespace std::chrono_literals;

// One running tts-service. Its standard error is read until it says where it listens.
class ServiceProcess {
 public:
  ServiceProcess(const std::filesystem::path& data, std::vector<std::string> extra) {
    std::vector<std::string> args = {TTS_BUILD_DIR "/service/tts-service", "--port", "0", "--data", data.string()};
    args.insert(args.end(), extra.begin(), extra.end());
    int pipe_fds[2];
    if (::pipe2(pipe_fds, O_CLOEXEC) != 0) return;
    pid_ = ::fork();
    if (pid_ == 0) {
      ::prctl(PR_SET_PDEATHSIG, SIGKILL);  // no service outlives a test process that crashed
      ::dup2(pipe_fds[1], STDERR_FILENO);
      std::vector<char*> argv;
      for (std::string& a : args) argv.push_back(a.data());
      argv.push_back(nullptr);
      ::execv(argv[0], argv.data());
      ::_exit(127);
    }
    ::close(pipe_fds[1]);
    log_fd_ = pipe_fds[0];
    const std::string marker = "listening on https://localhost:";
    const auto deadline = std::chrono::steady_clock::now() + 20s;
    while (port_ == 0 && std::chrono::steady_clock::now() < deadline && read_log(200)) {
      if (const std::size_t at = log_.find(marker); at != std::string::npos) {
        port_ = std::atoi(log_.c_str() + at + marker.size());
      }
    }
  }
  ~ServiceProcess() {
    if (pid_ > 0) {
      ::kill(pid_, SIGKILL);
      ::waitpid(pid_, nullptr, 0);
    }
    if (log_fd_ >= 0) ::close(log_fd_);
  }

  int port() const { return port_; }
  // Everything the service has logged so far.
  const std::string& log() {
    while (read_log(0)) {
    }
    return log_;
  }

  // Sends the signal and waits up to 10 s; the exit status, or -1 when it did not end normally.
  int stop(int signal) {
    ::kill(pid_, signal);
    const auto deadline = std::chrono::steady_clock::now() + 10s;
    int status = 0;
    while (std::chrono::steady_clock::now() < deadline) {
      if (::waitpid(pid_, &status, WNOHANG) == pid_) {
        pid_ = -1;
        while (read_log(0)) {
        }
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
      }
      read_log(50);
    }
    return -1;
  }

 private:
  // Reads what the child wrote within the wait; false at the end of its output.
  bool read_log(int wait_ms) {
    pollfd p{log_fd_, POLLIN, 0};
    if (::poll(&p, 1, wait_ms) <= 0) return wait_ms > 0;  // nothing yet: wait on, unless asked not to
    char buffer[4096];
    const ssize_t n = ::read(log_fd_, buffer, sizeof buffer);
    if (n <= 0) return false;
    log_.append(buffer, static_cast<std::size_t>(n));
    return true;
  }

  pid_t pid_ = -1;
  int log_fd_ = -1;
  int port_ = 0;
  std::string log_;
};

class ProcessTest : public testing::Test {
 protected:
  void SetUp() override {
    ::signal(SIGPIPE, SIG_IGN);  // as any HTTP client does: a closed connection is an error, not an end
    const auto* info = testing::UnitTest::GetInstance()->current_test_info();
    folder_ = std::filesystem::temp_directory_path() /
              ("tts-service-process-" + std::string(info->name()) + "-" + std::to_string(::getpid()));
    std::filesystem::remove_all(folder_);
  }
  void TearDown() override { std::filesystem::remove_all(folder_); }

  static std::unique_ptr<httplib::SSLClient> client(int port) {
    auto c = std::make_unique<httplib::SSLClient>("localhost", port);
    c->enable_server_certificate_verification(false);
    return c;
  }

  static std::string read_file(const std::filesystem::path& path) {
    std::ifstream in(path);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }

  std::filesystem::path folder_;
};

TEST_F(ProcessTest, MakesItsCertificateOnceAndStopsCleanlyOnEitherSignal) {
  std::string certificate;
  for (int signal : {SIGTERM, SIGINT}) {
    SCOPED_TRACE(signal);
    ServiceProcess service(folder_, {});
    ASSERT_GT(service.port(), 0) << service.log();
    const auto answer = client(service.port())->Post("/functions/tts/text", "value=你好&voice=Aida", "text/plain");
    ASSERT_TRUE(answer) << service.log();
    EXPECT_TRUE(answer->body.starts_with(R"({"code":0,)")) << answer->body;

    struct stat key_info {};
    ASSERT_EQ(::stat((folder_ / "key.pem").c_str(), &key_info), 0);
    EXPECT_EQ(key_info.st_mode & 0777, 0600u);
    const std::string now = read_file(folder_ / "cert.pem");
    EXPECT_TRUE(now.starts_with("-----BEGIN CERTIFICATE-----"));
    if (!certificate.empty()) {
      EXPECT_EQ(now, certificate) << "the second start made a new certificate";
    }
    certificate = now;

    EXPECT_EQ(service.stop(signal), 0) << service.log();
    EXPECT_NE(service.log().find("stopped"), std::string::npos) << service.log();
  }
}

TEST_F(ProcessTest, AConnectionBeyondThePoolAndItsQueueIsToldTheServiceIsBusy) {
  ServiceProcess service(folder_, {"--threads", "1", "--queue", "0"});
  ASSERT_GT(service.port(), 0) << service.log();
  auto holder = client(service.port());
  holder->set_keep_alive(true);  // keeps the one worker on this connection
  ASSERT_TRUE(holder->Get("/held"));  // 404, on a connection that stays open

  const auto busy = client(service.port())->Post("/functions/tts/text", "value=x&voice=Aida", "text/plain");
  ASSERT_TRUE(busy);
  EXPECT_EQ(busy->status, 503) << service.log();
  EXPECT_EQ(busy->body, R"({"code":2001,"data":"服务繁忙，请稍后再试"})");

  holder.reset();  // the worker is free again once it sees the connection close
  bool served = false;
  for (int attempt = 0; attempt < 50 && !served; ++attempt) {
    const auto answer = client(service.port())->Post("/functions/tts/text", "value=x&voice=Aida", "text/plain");
    served = answer && answer->status == 200;
    if (!served) std::this_thread::sleep_for(100ms);
  }
  EXPECT_TRUE(served) << service.log();
  EXPECT_EQ(service.stop(SIGTERM), 0) << service.log();
}

}  // namespace
