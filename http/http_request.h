// http_request: one complete, synchronous HTTP exchange through the system's HTTP request object
// ("WinHttp.WinHttpRequest.5.1"), returning the response body.
//
// Parameters after the URL travel in `HttpRequestOptions`, named with designated initialisers in
// their fixed order. The caller's in/out and out variables are passed by pointer; a null pointer
// means "not supplied", which for `cookies` and `request_object` also changes what the call does.
//
//   Text headers = "User-Agent: tts";
//   Text cookies;                        // supplied, so a Cookie header goes out and is merged
//   int status = 0;
//   Bytes body = http_request("https://host/functions/tts/text",
//                             {.method = 1, .body_text = "value=...", .cookies = &cookies,
//                              .headers = &headers, .status_code = &status});
//
// Every request ignores server certificate errors. A failed exchange gives an empty body and
// status 0 and throws nothing; if the request object cannot be created no variable is written.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

#include "runtime/automation.h"
#include "runtime/text.h"

struct HttpRequestOptions {
  // Index into GET, POST, HEAD, PUT, OPTIONS, DELETE, TRACE, CONNECT; outside 0..7 means GET.
  int method = 0;
  std::string_view body_text = {};  // sent when body_bytes is empty
  // In/out: sent as the Cookie header (every "Cookie:" in it removed first, any case), then
  // merged with the received cookies. Null: no Cookie header and no merge.
  Text* cookies = nullptr;
  Text* received_cookies = nullptr;  // out: cookies the response set, or the merged string
  Text* headers = nullptr;           // in/out: the block, left as it was handed over
  Text* response_headers = nullptr;  // out: as GetAllResponseHeaders returned it
  int* status_code = nullptr;        // out: 0 when the exchange failed
  bool disable_redirects = false;
  std::span<const std::uint8_t> body_bytes = {};  // sent as they are when not empty
  std::string_view proxy = {};                    // empty: no proxy setting is made
  // -1 keeps the object's own time-outs; below 1 otherwise means 15 s. Values too large for
  // 32-bit milliseconds are held at the largest.
  int timeout_seconds = 0;
  std::string_view proxy_user = {};  // with a proxy: credentials and a Basic Proxy-Authorization
  std::string_view proxy_password = {};
  int credentials_target = 1;  // 1: the proxy (adds the header), 0: the server
  // An existing request object to use instead of a new one; the caller keeps it. A supplied but
  // empty object behaves like one on which every call fails.
  const AutomationObject* request_object = nullptr;
  bool merge_cookies = true;
  bool add_default_headers = true;
  bool normalize_headers = true;
};

Bytes http_request(std::string_view url, const HttpRequestOptions& options = {});
