// A small HTTPS server for tests: it records every request byte for byte and answers as the test
// tells it, including misbehaving (a delay, silence, a body cut short).
//
// It listens on 127.0.0.1 on a port the system picks (or on a given one, for a program whose
// server address is compiled in), with a throwaway self-signed certificate
// for 127.0.0.1 made when it starts (clients must be told to accept an unknown authority). Each
// connection runs on its own thread; requests on one connection are served in turn.
//
//   tts_test::HttpsRecorder server;
//   server.set_answer("/redirect", {.status = 302, .header_lines = {"Location: /final"}});
//   server.set_answer("/final", {.body = "done"});
//   ... request server.url("/redirect") ...
//   EXPECT_EQ(server.requests().back().target, "/final");
#pragma once

#include <atomic>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace tts_test {

struct RecordedRequest {
  std::string method;
  std::string target;
  std::vector<std::string> header_lines;  // as received, in order, without CR LF
  std::string body;
  std::string raw;  // the request exactly as it arrived: head and body
  bool resumed_tls_session = false;  // the connection resumed an earlier TLS session

  // The value of the first header of that name (any letter case), blanks trimmed; "" if none.
  std::string header(std::string_view name) const;
  // The names of the header lines, in order.
  std::vector<std::string> header_names() const;
};

enum class Misbehaviour {
  none,
  silent,          // read the request, then never answer (until the client gives up)
  stall_mid_body,  // send the head and half the body, then fall silent
  close_mid_body,  // send the head and half the body, then close the connection
};

struct CannedAnswer {
  int status = 200;
  std::string reason = "OK";
  std::vector<std::string> header_lines{};  // "Name: value"; Content-Length is added
  std::string body{};
  int delay_ms = 0;  // before answering
  Misbehaviour misbehaviour = Misbehaviour::none;
};

class HttpsRecorder {
 public:
  // Port 0 lets the system pick a free port; any other port must be free (throws otherwise).
  explicit HttpsRecorder(int port = 0);
  ~HttpsRecorder();
  HttpsRecorder(const HttpsRecorder&) = delete;
  HttpsRecorder& operator=(const HttpsRecorder&) = delete;

  int port() const { return port_; }
  // "https://127.0.0.1:<port>" followed by the target.
  std::string url(std::string_view target = "/") const;

  // The answer for requests whose path (the target without its query) is `path`; requests to any
  // other path get the default answer (200, empty body, until changed).
  void set_answer(std::string_view path, CannedAnswer answer);
  void set_default_answer(CannedAnswer answer);
  // Called on the connection's thread with each request once it has been read in full.
  void set_observer(std::function<void(const RecordedRequest&)> observer);

  std::vector<RecordedRequest> requests() const;
  int connection_count() const { return connections_accepted_; }

 private:
  void accept_loop();
  void serve(int fd);
  CannedAnswer answer_for(std::string_view target) const;
  void record(const RecordedRequest& request);
  bool wait_while_running(int fd, int milliseconds) const;

  struct Tls;
  std::unique_ptr<Tls> tls_;
  int listener_ = -1;
  int port_ = 0;
  std::atomic<bool> stopping_{false};
  std::atomic<int> connections_accepted_{0};
  mutable std::mutex mutex_;
  std::map<std::string, CannedAnswer, std::less<>> answers_;
  CannedAnswer default_answer_;
  std::function<void(const RecordedRequest&)> observer_;
  std::vector<RecordedRequest> requests_;
  std::vector<int> open_sockets_;
  struct Worker {
    std::thread thread;
    std::shared_ptr<std::atomic<bool>> done;
  };
  void reap_finished_workers();
  std::vector<Worker> workers_;
  std::thread acceptor_;
};

}  // namespace tts_test
