// tts-test-https-server: the recording HTTPS server as a program, for end-to-end tests.
//
// Serves one canned answer to every request and writes each request, exactly as it arrived, to
// <log-dir>/request-<n>.http (n from 1). Prints "port <n>" on its first line once it listens, and
// runs until SIGTERM or SIGINT.
//
//   tts-test-https-server --header "Content-Type: application/json"
//                         --body '{"code":0,"data":"https://x/a.mp3"}' --log-dir /tmp/requests
//
// Flags: --status N, --reason TEXT, --header "Name: value" (repeatable), --body TEXT,
// --body-file PATH, --delay-ms N, --silent, --log-dir DIR, --port-file PATH.
#include <signal.h>

#include <atomic>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <string_view>

#include "https_recorder.h"

namespace {

struct Settings {
  tts_test::CannedAnswer answer;
  std::string log_dir;
  std::string port_file;
};

bool parse(int argc, char** argv, Settings& settings) {
  for (int i = 1; i < argc; ++i) {
    std::string_view flag = argv[i];
    if (flag == "--silent") {
      settings.answer.misbehaviour = tts_test::Misbehaviour::silent;
      continue;
    }
    if (i + 1 >= argc) return false;
    std::string value = argv[++i];
    if (flag == "--status") {
      settings.answer.status = std::atoi(value.c_str());
    } else if (flag == "--reason") {
      settings.answer.reason = value;
    } else if (flag == "--header") {
      settings.answer.header_lines.push_back(value);
    } else if (flag == "--body") {
      settings.answer.body = value;
    } else if (flag == "--body-file") {
      std::ifstream file(value, std::ios::binary);
      if (!file) return false;
      std::stringstream content;
      content << file.rdbuf();
      settings.answer.body = content.str();
    } else if (flag == "--delay-ms") {
      settings.answer.delay_ms = std::atoi(value.c_str());
    } else if (flag == "--log-dir") {
      settings.log_dir = value;
    } else if (flag == "--port-file") {
      settings.port_file = value;
    } else {
      return false;
    }
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  Settings settings;
  if (!parse(argc, argv, settings)) {
    std::cerr << "usage: tts-test-https-server [--status N] [--reason TEXT] [--header LINE]... "
                 "[--body TEXT | --body-file PATH] [--delay-ms N] [--silent] [--log-dir DIR] "
                 "[--port-file PATH]\n";
    return 2;
  }
  sigset_t stop_signals;
  sigemptyset(&stop_signals);
  sigaddset(&stop_signals, SIGTERM);
  sigaddset(&stop_signals, SIGINT);
  pthread_sigmask(SIG_BLOCK, &stop_signals, nullptr);  // the server's threads inherit the mask

  tts_test::HttpsRecorder server;
  server.set_default_answer(settings.answer);
  std::atomic<int> count{0};
  if (!settings.log_dir.empty()) {
    server.set_observer([&](const tts_test::RecordedRequest& request) {
      std::string path = settings.log_dir + "/request-" + std::to_string(++count) + ".http";
      std::ofstream(path, std::ios::binary) << request.raw;
    });
  }
  if (!settings.port_file.empty()) std::ofstream(settings.port_file) << server.port() << "\n";
  std::cout << "port " << server.port() << std::endl;

  int received = 0;
  sigwait(&stop_signals, &received);
  return 0;
}
