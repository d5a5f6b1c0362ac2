#include "platform/http_exchange.h"

#include <sys/socket.h>

#include <algorithm>
#include <chrono>
#include <climits>
#include <optional>

#include "platform/curl_handles.h"
#include "platform/tls_session_cache.h"

namespace platform {
namespace {

using Clock = std::chrono::steady_clock;

bool is_token_char(unsigned char c) {
  if (c >= '0' && c <= '9') return true;
  if ((c | 0x20) >= 'a' && (c | 0x20) <= 'z') return true;
  return std::string_view("!#$%&'*+-.^_`|~").find(static_cast<char>(c)) != std::string_view::npos;
}

bool equals_ignoring_case(std::string_view a, std::string_view b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
    return (x >= 'A' && x <= 'Z' ? x | 0x20 : x) == (y >= 'A' && y <= 'Z' ? y | 0x20 : y);
  });
}

bool has_header(const std::vector<std::string>& lines, std::string_view name) {
  return std::any_of(lines.begin(), lines.end(), [name](const std::string& line) {
    std::string_view view(line);
    return view.size() > name.size() && (view[name.size()] == ':' || view[name.size()] == ';') &&
           equals_ignoring_case(view.substr(0, name.size()), name);
  });
}

std::string_view trim_blanks(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r' ||
                        s.back() == '\n')) {
    s.remove_suffix(1);
  }
  return s;
}

int saturating_sum(int a, int b) {
  long long sum = static_cast<long long>(std::max(a, 0)) + std::max(b, 0);
  return static_cast<int>(std::min<long long>(sum, INT_MAX));
}

// Watches for pauses once the connection stands: every byte in either direction, every header
// line and every body chunk counts as a sign of life.
struct Exchange {
  const HttpExchangeRequest* request = nullptr;
  HttpExchangeResponse* response = nullptr;
  bool connected = false;
  curl_socket_t socket = CURL_SOCKET_BAD;  // the latest connection's, until it stands
  std::optional<Clock::time_point> tcp_connected_at;
  Clock::time_point last_activity;
  long long uploaded = 0, downloaded = 0;

  void touch() { last_activity = Clock::now(); }

  // Milliseconds until the current phase's limit runs out; INT_MAX when no limit applies yet.
  // Between the TCP connection and the request (TLS handshake, proxy tunnel) the peer owes an
  // answer, so the receive limit runs from the moment the TCP connection is seen standing.
  long long milliseconds_left() {
    if (!connected) {
      const int limit = request->timeouts.receive_ms;
      if (limit <= 0 || socket == CURL_SOCKET_BAD) return INT_MAX;
      if (!tcp_connected_at) {
        sockaddr_storage peer{};
        socklen_t length = sizeof peer;
        if (getpeername(socket, reinterpret_cast<sockaddr*>(&peer), &length) != 0) return INT_MAX;
        tcp_connected_at = Clock::now();
      }
      return limit - std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() -
                                                                            *tcp_connected_at)
                         .count();
    }
    bool sending = uploaded < static_cast<long long>(request->body.size());
    int limit = sending ? request->timeouts.send_ms : request->timeouts.receive_ms;
    if (limit <= 0) return INT_MAX;
    auto idle = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - last_activity);
    return limit - idle.count();
  }
};

size_t on_body(char* data, size_t size, size_t count, void* user) {
  auto* exchange = static_cast<Exchange*>(user);
  exchange->touch();
  exchange->response->body.append(data, size * count);
  return size * count;
}

// libcurl hands over every response of a redirect chain (and any interim 1xx): a status line
// starts a new collection, so only the final response's lines remain.
size_t on_header(char* data, size_t size, size_t count, void* user) {
  auto* exchange = static_cast<Exchange*>(user);
  exchange->touch();
  std::string_view line(data, size * count);
  HttpExchangeResponse& response = *exchange->response;
  if (line.starts_with("HTTP/")) {
    response.header_lines.clear();
    std::string_view rest = trim_blanks(line);
    size_t after_version = rest.find(' ');
    size_t after_code = after_version == std::string_view::npos
                            ? std::string_view::npos
                            : rest.find(' ', after_version + 1);
    response.status_text = after_code == std::string_view::npos
                               ? ""
                               : std::string(trim_blanks(rest.substr(after_code)));
    return size * count;
  }
  if ((line.front() == ' ' || line.front() == '\t') && !response.header_lines.empty()) {
    std::string_view folded = trim_blanks(line);
    if (!folded.empty()) response.header_lines.back().append(" ").append(folded);
    return size * count;
  }
  size_t colon = line.find(':');
  if (colon == std::string_view::npos || colon == 0) return size * count;
  std::string normalised(line.substr(0, colon));
  normalised.append(": ").append(trim_blanks(line.substr(colon + 1)));
  response.header_lines.push_back(std::move(normalised));
  return size * count;
}

int on_progress(void* user, curl_off_t, curl_off_t downloaded, curl_off_t, curl_off_t uploaded) {
  auto* exchange = static_cast<Exchange*>(user);
  if (downloaded != exchange->downloaded || uploaded != exchange->uploaded) {
    exchange->downloaded = downloaded;
    exchange->uploaded = uploaded;
    exchange->touch();
  }
  return 0;
}

int on_socket(void* user, curl_socket_t socket, curlsocktype) {
  auto* exchange = static_cast<Exchange*>(user);
  exchange->socket = socket;
  exchange->tcp_connected_at.reset();
  return CURL_SOCKOPT_OK;
}

// Called on each new request once its connection stands (proxy tunnel and TLS included).
int on_connected(void* user, char*, char*, int, int) {
  auto* exchange = static_cast<Exchange*>(user);
  exchange->connected = true;
  exchange->uploaded = 0;
  exchange->touch();
  return CURL_PREREQFUNC_OK;
}

// Collects the first failing curl_easy_setopt; later ones are skipped.
class Options {
 public:
  explicit Options(CURL* easy) : easy_(easy) {}
  template <typename T>
  void set(CURLoption option, T value) {
    if (ok_ && curl_library().easy_setopt(easy_, option, value) != CURLE_OK) ok_ = false;
  }
  bool ok() const { return ok_; }

 private:
  CURL* easy_;
  bool ok_ = true;
};

bool build_header_lists(const HttpExchangeRequest& request, CurlHeaderList& server,
                        CurlHeaderList& proxy) {
  for (const std::string& line : request.server_headers) {
    if (!server.append(line.c_str())) return false;
  }
  // libcurl would otherwise add headers of its own that the caller never set.
  if (!has_header(request.server_headers, "Accept") && !server.append("Accept:")) return false;
  if (!has_header(request.server_headers, "Expect") && !server.append("Expect:")) return false;
  if (!has_header(request.server_headers, "Content-Type") && !server.append("Content-Type:")) {
    return false;
  }
  for (const std::string& line : request.proxy_headers) {
    if (!proxy.append(line.c_str())) return false;
  }
  return true;
}

void set_method_and_body(Options& options, const HttpExchangeRequest& request) {
  const std::string& method = request.method;
  if (!request.body.empty() || method == "POST") {
    options.set(CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(request.body.size()));
    options.set(CURLOPT_POSTFIELDS, request.body.data());
    if (method != "POST") options.set(CURLOPT_CUSTOMREQUEST, method.c_str());
  } else if (method == "HEAD") {
    options.set(CURLOPT_NOBODY, 1L);
  } else if (method != "GET") {
    options.set(CURLOPT_CUSTOMREQUEST, method.c_str());
  }
}

bool configure(CURL* easy, const HttpExchangeRequest& request, Exchange& exchange,
               const CurlHeaderList& server_headers, const CurlHeaderList& proxy_headers) {
  Options options(easy);
  options.set(CURLOPT_NOSIGNAL, 1L);
  options.set(CURLOPT_URL, request.url.c_str());
  options.set(CURLOPT_PROTOCOLS_STR, "http,https");
  options.set(CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
  options.set(CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_1));
  set_method_and_body(options, request);
  options.set(CURLOPT_HEADEROPT, static_cast<long>(CURLHEADER_SEPARATE));
  options.set(CURLOPT_HTTPHEADER, server_headers.get());
  options.set(CURLOPT_PROXYHEADER, proxy_headers.get());
  options.set(CURLOPT_FOLLOWLOCATION, request.follow_redirects ? 1L : 0L);
  options.set(CURLOPT_MAXREDIRS, 10L);
  options.set(CURLOPT_SSL_VERIFYPEER, request.verify_peer ? 1L : 0L);
  options.set(CURLOPT_SSL_VERIFYHOST, request.verify_host ? 2L : 0L);
  if (CURLSH* sessions = tls_session_cache()) options.set(CURLOPT_SHARE, sessions);
  // An empty proxy also keeps libcurl from taking one from the environment.
  options.set(CURLOPT_PROXY, request.proxy.c_str());
  options.set(CURLOPT_SUPPRESS_CONNECT_HEADERS, 1L);
  if (!request.proxy_bypass.empty()) options.set(CURLOPT_NOPROXY, request.proxy_bypass.c_str());
  constexpr long kOfferedAuth = CURLAUTH_BASIC | CURLAUTH_DIGEST;
  if (!request.proxy_user.empty()) {
    options.set(CURLOPT_PROXYUSERNAME, request.proxy_user.c_str());
    options.set(CURLOPT_PROXYPASSWORD, request.proxy_password.c_str());
    options.set(CURLOPT_PROXYAUTH, kOfferedAuth);
  }
  if (!request.server_user.empty()) {
    options.set(CURLOPT_USERNAME, request.server_user.c_str());
    options.set(CURLOPT_PASSWORD, request.server_password.c_str());
    options.set(CURLOPT_HTTPAUTH, kOfferedAuth);
  }
  const HttpTimeouts& timeouts = request.timeouts;
  if (timeouts.connect_ms > 0) {
    options.set(CURLOPT_CONNECTTIMEOUT_MS,
                static_cast<long>(saturating_sum(timeouts.resolve_ms, timeouts.connect_ms)));
  }
  options.set(CURLOPT_WRITEFUNCTION, on_body);
  options.set(CURLOPT_WRITEDATA, &exchange);
  options.set(CURLOPT_HEADERFUNCTION, on_header);
  options.set(CURLOPT_HEADERDATA, &exchange);
  options.set(CURLOPT_NOPROGRESS, 0L);
  options.set(CURLOPT_XFERINFOFUNCTION, on_progress);
  options.set(CURLOPT_XFERINFODATA, &exchange);
  options.set(CURLOPT_SOCKOPTFUNCTION, on_socket);
  options.set(CURLOPT_SOCKOPTDATA, &exchange);
  options.set(CURLOPT_PREREQFUNCTION, on_connected);
  options.set(CURLOPT_PREREQDATA, &exchange);
  return options.ok();
}

// Keeps the easy handle in the multi handle for the length of one transfer.
class Attached {
 public:
  Attached(CURLM* multi, CURL* easy)
      : multi_(multi), easy_(easy), ok_(curl_library().multi_add_handle(multi, easy) == CURLM_OK) {}
  Attached(const Attached&) = delete;
  Attached& operator=(const Attached&) = delete;
  ~Attached() {
    if (ok_) curl_library().multi_remove_handle(multi_, easy_);
  }
  bool ok() const { return ok_; }

 private:
  CURLM* multi_;
  CURL* easy_;
  bool ok_;
};

// Drives the transfer, waking at least once a second and exactly when the pause limit runs out.
bool run_transfer(CURLM* multi, CURL* easy, Exchange& exchange) {
  Attached attached(multi, easy);
  if (!attached.ok()) return false;
  for (;;) {
    int running = 0;
    if (curl_library().multi_perform(multi, &running) != CURLM_OK) return false;
    if (running == 0) break;
    long long left = exchange.milliseconds_left();
    if (left <= 0) return false;
    int wait = static_cast<int>(std::min<long long>(left, 1000));
    if (curl_library().multi_poll(multi, nullptr, 0, wait, nullptr) != CURLM_OK) return false;
  }
  int queued = 0;
  while (CURLMsg* message = curl_library().multi_info_read(multi, &queued)) {
    if (message->msg == CURLMSG_DONE && message->easy_handle == easy) {
      return message->data.result == CURLE_OK;
    }
  }
  return false;
}

}  // namespace

bool is_valid_header(std::string_view name, std::string_view value) {
  if (name.empty()) return false;
  if (!std::all_of(name.begin(), name.end(), [](char c) { return is_token_char(c); })) {
    return false;
  }
  return value.find_first_of(std::string_view("\r\n\0", 3)) == std::string_view::npos;
}

std::string header_wire_line(std::string_view name, std::string_view value) {
  std::string line(name);
  if (value.empty()) return line.append(";");
  return line.append(": ").append(value);
}

bool perform_http_exchange(const HttpExchangeRequest& request, HttpExchangeResponse& response) {
  response = {};
  CurlEasy easy = make_curl_easy();
  CurlMulti multi = make_curl_multi();
  CurlHeaderList server_headers, proxy_headers;
  Exchange exchange;
  exchange.request = &request;
  exchange.response = &response;
  bool ok = easy && multi && build_header_lists(request, server_headers, proxy_headers) &&
            configure(easy.get(), request, exchange, server_headers, proxy_headers) &&
            run_transfer(multi.get(), easy.get(), exchange);
  long status = 0;
  if (ok) ok = curl_library().easy_getinfo(easy.get(), CURLINFO_RESPONSE_CODE, &status) == CURLE_OK;
  if (!ok || status == 0) {
    response = {};
    return false;
  }
  response.status = static_cast<int>(status);
  return true;
}

}  // namespace platform
