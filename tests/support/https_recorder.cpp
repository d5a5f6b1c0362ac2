#include "https_recorder.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <openssl/ec.h>
#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <charconv>
#include <chrono>
#include <csignal>
#include <stdexcept>

namespace tts_test {
namespace {

std::string lowered(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

std::string_view trimmed(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  return text;
}

template <typename T, void (*Free)(T*)>
struct Freer {
  void operator()(T* p) const { Free(p); }
};
using Key = std::unique_ptr<EVP_PKEY, Freer<EVP_PKEY, EVP_PKEY_free>>;
using Certificate = std::unique_ptr<X509, Freer<X509, X509_free>>;
using Context = std::unique_ptr<SSL_CTX, Freer<SSL_CTX, SSL_CTX_free>>;
using Connection = std::unique_ptr<SSL, Freer<SSL, SSL_free>>;
using Extension = std::unique_ptr<X509_EXTENSION, Freer<X509_EXTENSION, X509_EXTENSION_free>>;

// A self-signed certificate for 127.0.0.1 and localhost, valid from an hour ago for a day.
Context make_context() {
  Key key(EVP_EC_gen("P-256"));
  Certificate cert(X509_new());
  Context context(SSL_CTX_new(TLS_server_method()));
  if (!key || !cert || !context) throw std::runtime_error("TLS set-up failed");
  X509_set_version(cert.get(), 2);
  ASN1_INTEGER_set(X509_get_serialNumber(cert.get()), 1);
  X509_gmtime_adj(X509_getm_notBefore(cert.get()), -3600);
  X509_gmtime_adj(X509_getm_notAfter(cert.get()), 86400);
  X509_set_pubkey(cert.get(), key.get());
  X509_NAME* name = X509_get_subject_name(cert.get());
  X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC,
                             reinterpret_cast<const unsigned char*>("127.0.0.1"), -1, -1, 0);
  X509_set_issuer_name(cert.get(), name);
  X509V3_CTX v3;
  X509V3_set_ctx_nodb(&v3);
  X509V3_set_ctx(&v3, cert.get(), cert.get(), nullptr, nullptr, 0);
  Extension alt_names(
      X509V3_EXT_conf_nid(nullptr, &v3, NID_subject_alt_name, "IP:127.0.0.1,DNS:localhost"));
  if (!alt_names || !X509_add_ext(cert.get(), alt_names.get(), -1) ||
      !X509_sign(cert.get(), key.get(), EVP_sha256()) ||
      SSL_CTX_use_certificate(context.get(), cert.get()) != 1 ||
      SSL_CTX_use_PrivateKey(context.get(), key.get()) != 1) {
    throw std::runtime_error("certificate set-up failed");
  }
  return context;
}

// Reads from the connection into `buffer` until it holds at least `size` bytes; false at the end
// of the stream or on an error.
bool read_at_least(SSL* ssl, std::string& buffer, size_t size) {
  char chunk[16384];
  while (buffer.size() < size) {
    int n = SSL_read(ssl, chunk, sizeof chunk);
    if (n <= 0) return false;
    buffer.append(chunk, static_cast<size_t>(n));
  }
  return true;
}

bool write_all(SSL* ssl, std::string_view data) {
  while (!data.empty()) {
    int n = SSL_write(ssl, data.data(), static_cast<int>(data.size()));
    if (n <= 0) return false;
    data.remove_prefix(static_cast<size_t>(n));
  }
  return true;
}

// Reads one request (head, then a Content-Length body) from the front of `buffer`, reading more
// from the connection as needed; the bytes of later requests stay in `buffer`.
bool read_request(SSL* ssl, std::string& buffer, RecordedRequest& request) {
  size_t head_end;
  while ((head_end = buffer.find("\r\n\r\n")) == std::string::npos) {
    if (!read_at_least(ssl, buffer, buffer.size() + 1)) return false;
  }
  std::string_view head(buffer.data(), head_end);
  size_t line_end = head.find("\r\n");
  std::string_view request_line = head.substr(0, line_end);
  size_t first_space = request_line.find(' ');
  size_t second_space = request_line.find(' ', first_space + 1);
  request.method = std::string(request_line.substr(0, first_space));
  request.target =
      std::string(request_line.substr(first_space + 1, second_space - first_space - 1));
  while (line_end != std::string_view::npos && line_end < head.size()) {
    size_t start = line_end + 2;
    line_end = head.find("\r\n", start);
    request.header_lines.emplace_back(head.substr(start, line_end - start));
  }
  std::string length_text = request.header("Content-Length");
  size_t body_length = 0;
  std::from_chars(length_text.data(), length_text.data() + length_text.size(), body_length);
  size_t total = head_end + 4 + body_length;
  if (!read_at_least(ssl, buffer, total)) return false;
  request.body = buffer.substr(head_end + 4, body_length);
  request.raw = buffer.substr(0, total);
  buffer.erase(0, total);
  return true;
}

std::string answer_head(const CannedAnswer& answer) {
  std::string head = "HTTP/1.1 " + std::to_string(answer.status) + " " + answer.reason + "\r\n";
  for (const std::string& line : answer.header_lines) head += line + "\r\n";
  head += "Content-Length: " + std::to_string(answer.body.size()) + "\r\n\r\n";
  return head;
}

}  // namespace

std::string RecordedRequest::header(std::string_view name) const {
  std::string wanted = lowered(name);
  for (const std::string& line : header_lines) {
    size_t colon = line.find(':');
    if (colon != std::string::npos && lowered(std::string_view(line).substr(0, colon)) == wanted) {
      return std::string(trimmed(std::string_view(line).substr(colon + 1)));
    }
  }
  return {};
}

std::vector<std::string> RecordedRequest::header_names() const {
  std::vector<std::string> names;
  for (const std::string& line : header_lines) names.push_back(line.substr(0, line.find(':')));
  return names;
}

struct HttpsRecorder::Tls {
  Context context = make_context();
};

HttpsRecorder::HttpsRecorder(int port) : tls_(std::make_unique<Tls>()) {
  std::signal(SIGPIPE, SIG_IGN);  // a client that hangs up must not end the test process
  listener_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  // A fixed port is taken again by the next server of the same test while connections of the
  // last one linger in TIME_WAIT.
  int reuse = 1;
  if (port != 0) setsockopt(listener_, SOL_SOCKET, SO_REUSEADDR, &reuse, sizeof reuse);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = htons(static_cast<uint16_t>(port));
  socklen_t length = sizeof address;
  if (listener_ < 0 || bind(listener_, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
      listen(listener_, 64) != 0 ||
      getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
    if (listener_ >= 0) close(listener_);
    throw std::runtime_error("cannot listen on 127.0.0.1");
  }
  port_ = ntohs(address.sin_port);
  acceptor_ = std::thread([this] { accept_loop(); });
}

HttpsRecorder::~HttpsRecorder() {
  stopping_ = true;
  shutdown(listener_, SHUT_RDWR);  // wakes the blocked accept
  acceptor_.join();
  close(listener_);
  {
    std::lock_guard lock(mutex_);
    for (int fd : open_sockets_) shutdown(fd, SHUT_RDWR);  // wakes blocked reads and writes
  }
  for (Worker& worker : workers_) worker.thread.join();
}

// Called with the mutex held. A worker that has flagged itself done is about to return.
void HttpsRecorder::reap_finished_workers() {
  std::erase_if(workers_, [](Worker& worker) {
    if (!*worker.done) return false;
    worker.thread.join();
    return true;
  });
}

std::string HttpsRecorder::url(std::string_view target) const {
  return "https://127.0.0.1:" + std::to_string(port_) + std::string(target);
}

void HttpsRecorder::set_answer(std::string_view path, CannedAnswer answer) {
  std::lock_guard lock(mutex_);
  answers_[std::string(path)] = std::move(answer);
}

void HttpsRecorder::set_default_answer(CannedAnswer answer) {
  std::lock_guard lock(mutex_);
  default_answer_ = std::move(answer);
}

void HttpsRecorder::set_observer(std::function<void(const RecordedRequest&)> observer) {
  std::lock_guard lock(mutex_);
  observer_ = std::move(observer);
}

std::vector<RecordedRequest> HttpsRecorder::requests() const {
  std::lock_guard lock(mutex_);
  return requests_;
}

CannedAnswer HttpsRecorder::answer_for(std::string_view target) const {
  std::lock_guard lock(mutex_);
  auto found = answers_.find(target.substr(0, target.find('?')));
  return found == answers_.end() ? default_answer_ : found->second;
}

void HttpsRecorder::record(const RecordedRequest& request) {
  std::function<void(const RecordedRequest&)> observer;
  {
    std::lock_guard lock(mutex_);
    requests_.push_back(request);
    observer = observer_;
  }
  if (observer) observer(request);
}

void HttpsRecorder::accept_loop() {
  for (;;) {
    int fd = accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
    if (stopping_) {
      if (fd >= 0) close(fd);
      return;
    }
    if (fd < 0) continue;
    int on = 1;  // answers go out at once, not after the client's delayed acknowledgement
    setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    ++connections_accepted_;
    std::lock_guard lock(mutex_);
    reap_finished_workers();
    open_sockets_.push_back(fd);
    auto done = std::make_shared<std::atomic<bool>>(false);
    workers_.push_back({std::thread([this, fd, done] {
                          serve(fd);
                          *done = true;
                        }),
                        done});
  }
}

// Waits while the client keeps the connection open, up to `milliseconds` (-1: as long as it
// does). False once the client has gone or the server is stopping.
bool HttpsRecorder::wait_while_running(int fd, int milliseconds) const {
  for (int waited = 0; milliseconds < 0 || waited < milliseconds; waited += 10) {
    if (stopping_) return false;
    pollfd watch{.fd = fd, .events = POLLIN, .revents = 0};
    if (poll(&watch, 1, 10) > 0) {
      char byte;
      if (recv(fd, &byte, 1, MSG_PEEK | MSG_DONTWAIT) <= 0) return false;
      std::this_thread::sleep_for(std::chrono::milliseconds(10));  // bytes pending: do not spin
    }
  }
  return !stopping_;
}

void HttpsRecorder::serve(int fd) {
  Connection ssl(SSL_new(tls_->context.get()));
  if (ssl && SSL_set_fd(ssl.get(), fd) == 1 && SSL_accept(ssl.get()) == 1) {
    std::string buffer;
    RecordedRequest request;
    while (read_request(ssl.get(), buffer, request)) {
      request.resumed_tls_session = SSL_session_reused(ssl.get()) == 1;
      record(request);
      CannedAnswer answer = answer_for(request.target);
      if (answer.delay_ms > 0 && !wait_while_running(fd, answer.delay_ms)) break;
      std::string head = answer_head(answer);
      std::string_view half = std::string_view(answer.body).substr(0, answer.body.size() / 2);
      if (answer.misbehaviour == Misbehaviour::silent) {
        wait_while_running(fd, -1);
        break;
      }
      if (answer.misbehaviour != Misbehaviour::none) {
        if (write_all(ssl.get(), head) && write_all(ssl.get(), half) &&
            answer.misbehaviour == Misbehaviour::stall_mid_body) {
          wait_while_running(fd, -1);
        }
        break;
      }
      bool keep = write_all(ssl.get(), head) &&
                  (request.method == "HEAD" || write_all(ssl.get(), answer.body));
      if (!keep || lowered(request.header("Connection")) == "close") break;
      request = {};
    }
    SSL_shutdown(ssl.get());
  }
  ERR_clear_error();
  std::lock_guard lock(mutex_);
  open_sockets_.erase(std::find(open_sockets_.begin(), open_sockets_.end(), fd));
  close(fd);
}

}  // namespace tts_test
