// One HTTP exchange on libcurl: the engine behind the HTTP request component.
//
// Each call opens its own connection and closes it afterwards. The time-outs follow the request
// component's model rather than libcurl's: resolving and connecting (TCP) share one limit; the
// receive limit bounds the TLS handshake and any proxy tunnel after that, then the send limit any
// pause while the request goes out and the receive limit any pause while the answer comes in. A
// server that accepts and then falls silent, also mid-body, fails the exchange that long after
// its last byte.
//
//   platform::HttpExchangeRequest request{.method = "POST", .url = "https://127.0.0.1:8443/x",
//                                         .server_headers = {"Accept: */*"}, .body = "a=1"};
//   platform::HttpExchangeResponse response;
//   if (platform::perform_http_exchange(request, response)) use(response.status, response.body);
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace platform {

// Milliseconds; 0 or below means no limit of our own for that phase (libcurl's connect default of
// 300 s still bounds connecting).
struct HttpTimeouts {
  int resolve_ms = 0;
  int connect_ms = 60000;
  int send_ms = 30000;
  int receive_ms = 30000;
};

struct HttpExchangeRequest {
  std::string method = "GET";
  std::string url;  // UTF-8; http or https only
  // Header lines "Name: value" in the order they go on the wire. Those for the server never reach
  // a tunnelling proxy; those for the proxy never reach the server.
  std::vector<std::string> server_headers;
  std::vector<std::string> proxy_headers;
  std::string body;  // bytes as they go on the wire; sent when non-empty, and always for POST
  std::string proxy;         // "host:port"; empty: connect directly
  std::string proxy_bypass;  // host names that skip the proxy, comma-separated
  std::string server_user, server_password;  // offered when the server asks (user non-empty)
  std::string proxy_user, proxy_password;    // offered when the proxy asks (user non-empty)
  HttpTimeouts timeouts;
  bool follow_redirects = true;
  bool verify_peer = true;  // the certificate chain and its dates
  bool verify_host = true;  // the certificate's name
};

struct HttpExchangeResponse {
  int status = 0;
  std::string status_text;
  std::vector<std::string> header_lines;  // the final response's, each "Name: value"
  std::string body;
};

// True when a response arrived. On failure `response` is left empty (status 0).
bool perform_http_exchange(const HttpExchangeRequest& request, HttpExchangeResponse& response);

// A header the request component accepts: a non-empty name of token characters and a value
// without CR, LF or NUL (which would let a value smuggle in further header lines).
bool is_valid_header(std::string_view name, std::string_view value);

// The wire line for a header: "Name: value", or "Name;" for an empty value, which is how libcurl
// is told to send a header with nothing after its colon.
std::string header_wire_line(std::string_view name, std::string_view value);

}  // namespace platform
