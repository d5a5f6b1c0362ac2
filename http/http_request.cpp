#include "http/http_request.h"

#include <climits>
#include <optional>

#include "http/base64.h"
#include "http/cookies.h"
#include "http/header_block.h"

namespace {

constexpr std::string_view kRequestProgId = "WinHttp.WinHttpRequest.5.1";
constexpr std::string_view kMethods[] = {"GET",     "POST",   "HEAD",  "PUT",
                                         "OPTIONS", "DELETE", "TRACE", "CONNECT"};
constexpr int kDefaultTimeoutMs = 15000;
constexpr int kProxySettingNamed = 2;
constexpr int kOptionEnableRedirects = 6;
constexpr int kOptionIgnoredCertificateErrors = 4;
constexpr int kIgnoreAllCertificateErrors = 0x3300;
constexpr int kCredentialsForProxy = 1;

// One raise of the thread's automation initialisation, undone on every way out of the call. It
// is declared before the request object, so the object is released first.
class AutomationScope {
 public:
  AutomationScope() : raised_(co_initialize()) {}
  AutomationScope(const AutomationScope&) = delete;
  AutomationScope& operator=(const AutomationScope&) = delete;
  ~AutomationScope() {
    if (raised_) co_uninitialize();
  }

 private:
  bool raised_;
};

int timeout_milliseconds(int seconds) {
  if (seconds < 1) return kDefaultTimeoutMs;
  return seconds > INT_MAX / 1000 ? INT_MAX : seconds * 1000;
}

void send_proxy_credentials(const AutomationObject& request, const HttpRequestOptions& options) {
  object_call(request, "SetCredentials",
              {options.proxy_user, options.proxy_password, options.credentials_target});
  if (options.credentials_target != kCredentialsForProxy) return;
  Text pair = concat_text({options.proxy_user, ":", options.proxy_password});
  object_call(request, "SetRequestHeader",
              {"Proxy-Authorization", concat_text({"Basic ", base64_encode(to_bytes(pair))})});
}

void send_cookie_header(const AutomationObject& request, Text& cookies) {
  if (!cookies.empty() && find_text(cookies, "Cookie:", std::nullopt, true) != -1) {
    cookies = replace_text(cookies, "Cookie:", "", std::nullopt, std::nullopt, false);
  }
  object_call(request, "SetRequestHeader", {"Cookie", cookies});
}

void send_body(const AutomationObject& request, const HttpRequestOptions& options) {
  if (options.body_bytes.empty()) {
    object_call(request, "Send", {options.body_text});
    return;
  }
  Variant body;
  variant_assign(body, Bytes(options.body_bytes.begin(), options.body_bytes.end()));
  object_call(request, "Send", {body});
}

}  // namespace

Bytes http_request(std::string_view url, const HttpRequestOptions& options) {
  AutomationScope automation;
  const int method = options.method < 0 || options.method > 7 ? 0 : options.method;

  AutomationObject request;
  if (options.request_object != nullptr) {
    object_copy(request, *options.request_object);
  } else if (!object_create(request, kRequestProgId)) {
    return {};
  }

  if (options.timeout_seconds != -1) {
    const int ms = timeout_milliseconds(options.timeout_seconds);
    object_call(request, "SetTimeouts", {ms, ms, ms, ms});
  }
  if (!options.proxy.empty()) object_call(request, "SetProxy", {kProxySettingNamed, options.proxy});
  object_call(request, "Open", {kMethods[method], url, false});
  if (options.disable_redirects) object_set(request, "Option", {kOptionEnableRedirects, 0});
  object_set(request, "Option", {kOptionIgnoredCertificateErrors, kIgnoreAllCertificateErrors});

  Text own_headers;
  Text& headers = options.headers != nullptr ? *options.headers : own_headers;
  if (options.add_default_headers) add_default_headers(headers, url, method);
  if (options.normalize_headers) headers = normalize_header_block(headers);
  if (!options.proxy.empty() && !options.proxy_user.empty()) {
    send_proxy_credentials(request, options);
  }
  if (options.cookies != nullptr) send_cookie_header(request, *options.cookies);
  hand_over_header_block(headers, request);
  send_body(request, options);

  Bytes body = variant_get_bytes(object_get(request, "ResponseBody"));
  Text own_response_headers;
  Text& response_headers =
      options.response_headers != nullptr ? *options.response_headers : own_response_headers;
  response_headers = object_get_text(request, "GetAllResponseHeaders");
  const int status = to_int(object_get_number(request, "Status"));
  if (options.status_code != nullptr) *options.status_code = status;
  Text own_received_cookies;
  Text& received_cookies =
      options.received_cookies != nullptr ? *options.received_cookies : own_received_cookies;
  received_cookies = collect_received_cookies(response_headers);
  if (options.merge_cookies && options.cookies != nullptr) {
    received_cookies = merge_cookie_strings(*options.cookies, received_cookies);
  }

  object_clear(request);
  return body;
}
