#include "local_proxy.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>

extern char** environ;

namespace tts_test {
namespace {

bool accepts_connections(int port) {
  int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = htons(static_cast<uint16_t>(port));
  bool ok = fd >= 0 && connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
  if (fd >= 0) close(fd);
  return ok;
}

}  // namespace

int free_loopback_port() {
  int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  bool ok = fd >= 0 && bind(fd, reinterpret_cast<sockaddr*>(&address), length) == 0 &&
            getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) == 0;
  if (fd >= 0) close(fd);
  if (!ok) throw std::runtime_error("no free port on 127.0.0.1");
  return ntohs(address.sin_port);
}

LocalProxy::LocalProxy(const std::string& user, const std::string& password) {
  std::string pattern = (std::filesystem::temp_directory_path() / "tts-proxy-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("no temporary directory");
  directory_ = pattern;
  chmod(directory_.c_str(), 0777);  // tinyproxy may write its log as another user
  port_ = free_loopback_port();
  std::string config = directory_ + "/tinyproxy.conf";
  std::ofstream(config) << "Port " << port_ << "\nListen 127.0.0.1\nTimeout 30\nMaxClients 20\n"
                        << "LogFile \"" << directory_ << "/tinyproxy.log\"\nLogLevel Info\n"
                        << "DisableViaHeader Yes\nBasicAuth " << user << " " << password << "\n";
  std::string program = "tinyproxy";
  std::string foreground = "-d";
  std::string config_flag = "-c";
  char* argv[] = {program.data(), foreground.data(), config_flag.data(), config.data(), nullptr};
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  std::string output = directory_ + "/stdout.txt";
  posix_spawn_file_actions_addopen(&actions, 1, output.c_str(), O_WRONLY | O_CREAT, 0644);
  posix_spawn_file_actions_addopen(&actions, 2, output.c_str(), O_WRONLY | O_CREAT, 0644);
  int failed = posix_spawnp(&pid_, program.c_str(), &actions, nullptr, argv, environ);
  posix_spawn_file_actions_destroy(&actions);
  if (failed != 0) throw std::runtime_error("cannot start tinyproxy");
  for (int attempt = 0; !accepts_connections(port_); ++attempt) {
    int exit_status = 0;
    if (waitpid(pid_, &exit_status, WNOHANG) == pid_) pid_ = -1;  // it gave up: reaped
    if (pid_ < 0 || attempt == 500) {
      std::ifstream said(output);
      std::stringstream text;
      text << said.rdbuf();
      stop();
      throw std::runtime_error("tinyproxy did not start: " + text.str());
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
}

LocalProxy::~LocalProxy() { stop(); }

void LocalProxy::stop() {
  if (pid_ > 0) {
    kill(pid_, SIGTERM);
    waitpid(pid_, nullptr, 0);
    pid_ = -1;
  }
  std::error_code ignored;
  std::filesystem::remove_all(directory_, ignored);
}

std::string LocalProxy::address() const { return "127.0.0.1:" + std::to_string(port_); }

std::string LocalProxy::log() const {
  std::ifstream file(directory_ + "/tinyproxy.log");
  std::stringstream text;
  text << file.rdbuf();
  return text.str();
}

}  // namespace tts_test
