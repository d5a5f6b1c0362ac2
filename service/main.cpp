// tts-service: the speech service of the program, on this machine. See `tts-service --help`.
#include <pthread.h>
#include <signal.h>

#include <atomic>
#include <cstdio>
#include <thread>

#include "service/command_line.h"
#include "service/log.h"
#include "service/tts_server.h"

int main(int argc, char** argv) {
  // SIGINT and SIGTERM are taken by one waiting thread (blocked everywhere else, also in the
  // server's threads started later), which stops the server outside any signal handler.
  sigset_t stop_signals;
  sigemptyset(&stop_signals);
  sigaddset(&stop_signals, SIGINT);
  sigaddset(&stop_signals, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &stop_signals, nullptr);
  signal(SIGPIPE, SIG_IGN);  // a client that hangs up must not end the service

  const auto parsed = service::parse_command_line(std::vector<std::string>(argv + 1, argv + argc));
  if (const auto* exit = std::get_if<service::CommandLineExit>(&parsed)) {
    std::fputs(exit->message.c_str(), exit->exit_code == 0 ? stdout : stderr);
    return exit->exit_code;
  }
  const auto& options = std::get<service::ServiceOptions>(parsed);
  std::string error;
  const auto server = service::TtsServer::create(options, error);
  if (!server) {
    service::log_line(error);
    return 1;
  }

  std::atomic<bool> signalled{false};
  std::thread waiter([&] {
    int received = 0;
    sigwait(&stop_signals, &received);
    signalled = true;
    service::log_line(received == SIGINT ? "SIGINT: stopping" : "SIGTERM: stopping");
    server->stop();
  });
  service::log_line("listening on https://" + options.address + ":" + std::to_string(server->port()) +
                    " with data in " + options.data_folder.string());
  server->run();
  if (!signalled) pthread_kill(waiter.native_handle(), SIGTERM);  // wake the waiter to join it
  waiter.join();
  service::log_line("stopped");
  return 0;
}
