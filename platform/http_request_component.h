// The HTTP request component ("WinHttp.WinHttpRequest.5.1"), on libcurl.
//
// Late-bound callers drive it through its member table: SetTimeouts, SetProxy, Open, Option
// (indexed, read and write), SetCredentials, SetRequestHeader, Send, then ResponseBody,
// ResponseText, GetAllResponseHeaders, GetResponseHeader, Status and StatusText. Only synchronous
// use is offered: Open refuses async = true, and Send returns when the exchange has ended.
//
//   Open("POST", "https://host/x", false); Option(4) = 0x3300; SetRequestHeader("A", "1");
//   Send("text=中文");   // a text body goes out as UTF-8, a byte array as it is
//   Status → 200; ResponseBody → the body bytes
//
// Certificates are verified unless Option 4 carries the ignore flags: 0x0100 | 0x0200 | 0x2000
// together (unknown authority, wrong usage, bad date) turn off the chain check, 0x1000 the name
// check. Option 6 = false stops redirects from being followed. A failed exchange makes Send fail
// and leaves Status 0, StatusText, the headers and ResponseBody empty.
#pragma once

#include <span>

#include "platform/automation_host.h"
#include "platform/http_exchange.h"

namespace platform {

inline constexpr std::string_view kHttpRequestProgId = "WinHttp.WinHttpRequest.5.1";

class HttpRequestComponent : public Component {
 public:
  std::span<const Member> members() const override;

  // The members' work, with arguments already in their types; false when the call is refused.
  bool set_timeouts(int resolve_ms, int connect_ms, int send_ms, int receive_ms);
  bool set_proxy(int setting, const std::u16string& server, const std::u16string& bypass);
  bool open(const std::u16string& method, const std::u16string& url, bool async);
  bool set_credentials(const std::u16string& user, const std::u16string& password, int target);
  bool set_request_header(const std::u16string& name, const std::u16string& value);
  bool send(std::string body);
  bool read_option(int index, Value& result) const;
  bool write_option(int index, const Value& value);
  std::u16string all_response_headers() const;
  bool response_header(const std::u16string& name, std::u16string& value) const;
  std::u16string response_text() const;
  const HttpExchangeResponse& response() const { return response_; }

 private:
  HttpExchangeRequest request_;
  HttpExchangeResponse response_;
  bool opened_ = false;
  int ignored_certificate_errors_ = 0;
};

ObjectRef make_http_request_component();

}  // namespace platform
