#include "platform/http_request_component.h"

#include <algorithm>
#include <optional>

#include "platform/unicode_text.h"

namespace platform {
namespace {

constexpr int kProxySettingDefault = 0;
constexpr int kProxySettingDirect = 1;
constexpr int kProxySettingNamed = 2;
constexpr int kCredentialsForServer = 0;
constexpr int kCredentialsForProxy = 1;
constexpr int kOptionIgnoredCertificateErrors = 4;
constexpr int kOptionEnableRedirects = 6;
constexpr int kIgnoreUnknownAuthority = 0x0100;
constexpr int kIgnoreWrongUsage = 0x0200;
constexpr int kIgnoreInvalidName = 0x1000;
constexpr int kIgnoreInvalidDate = 0x2000;

bool same_ascii_name(std::string_view a, std::string_view b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
    auto fold = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c | 0x20) : c; };
    return fold(x) == fold(y);
  });
}

const Value& argument(std::span<const Value> args, size_t index) {
  static const Value missing = Value::make_missing();
  return index < args.size() ? args[index] : missing;
}

bool is_missing(const Value& value) { return value.type == ValueType::missing; }

std::optional<int> int_argument(const Value& value) {
  std::optional<Value> converted = change_type(value, ValueType::int32);
  if (!converted) return std::nullopt;
  return converted->int32;
}

std::optional<bool> bool_argument(const Value& value) {
  std::optional<Value> converted = change_type(value, ValueType::boolean);
  if (!converted) return std::nullopt;
  return converted->boolean;
}

std::optional<std::u16string> string_argument(const Value& value) {
  if (is_missing(value)) return std::u16string();
  std::optional<Value> converted = change_type(value, ValueType::string);
  if (!converted) return std::nullopt;
  return std::move(converted->string);
}

// A body as it goes on the wire: a byte array as it is, anything else as its text in UTF-8.
std::optional<std::string> body_argument(const Value& value) {
  switch (value.type) {
    case ValueType::missing:
    case ValueType::empty:
    case ValueType::null:
      return std::string();
    case ValueType::byte_array:
      return std::string(value.bytes.begin(), value.bytes.end());
    default: {
      std::optional<std::u16string> text = string_argument(value);
      if (!text) return std::nullopt;
      return utf16_to_utf8(*text);
    }
  }
}

bool is_http_url(std::string_view url) {
  for (std::string_view scheme : {"http://", "https://"}) {
    if (url.size() > scheme.size() && same_ascii_name(url.substr(0, scheme.size()), scheme)) {
      return true;
    }
  }
  return false;
}

// The charset parameter of a Content-Type value, without quotes; empty when there is none.
std::string charset_of(std::string_view content_type) {
  std::string lowered(content_type);
  std::transform(lowered.begin(), lowered.end(), lowered.begin(),
                 [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c | 0x20) : c; });
  size_t at = lowered.find("charset=");
  if (at == std::string::npos) return {};
  std::string_view rest = std::string_view(content_type).substr(at + 8);
  rest = rest.substr(0, rest.find(';'));
  while (!rest.empty() && (rest.back() == ' ' || rest.back() == '"')) rest.remove_suffix(1);
  while (!rest.empty() && (rest.front() == ' ' || rest.front() == '"')) rest.remove_prefix(1);
  return std::string(rest);
}

// The value of the first header line with that name, if any.
std::optional<std::string_view> header_value(const std::vector<std::string>& lines,
                                             std::string_view name) {
  for (const std::string& line : lines) {
    std::string_view view(line);
    if (view.size() >= name.size() + 2 && view.substr(name.size(), 2) == ": " &&
        same_ascii_name(view.substr(0, name.size()), name)) {
      return view.substr(name.size() + 2);
    }
  }
  return std::nullopt;
}

HttpRequestComponent& as_request(Component& self) {
  return static_cast<HttpRequestComponent&>(self);
}

using Args = std::span<const Value>;

const Member kMembers[] = {
    {"SetTimeouts", InvokeKind::method, 4, 0, false,
     [](Component& self, Args args, Value&) {
       std::optional<int> values[4];
       for (size_t i = 0; i < 4; ++i) {
         values[i] = int_argument(argument(args, i));
         if (!values[i]) return false;
       }
       return as_request(self).set_timeouts(*values[0], *values[1], *values[2], *values[3]);
     }},
    {"SetProxy", InvokeKind::method, 3, 2, false,
     [](Component& self, Args args, Value&) {
       std::optional<int> setting = int_argument(argument(args, 0));
       std::optional<std::u16string> server = string_argument(argument(args, 1));
       std::optional<std::u16string> bypass = string_argument(argument(args, 2));
       return setting && server && bypass && as_request(self).set_proxy(*setting, *server, *bypass);
     }},
    {"Open", InvokeKind::method, 3, 1, false,
     [](Component& self, Args args, Value&) {
       std::optional<std::u16string> method = string_argument(argument(args, 0));
       std::optional<std::u16string> url = string_argument(argument(args, 1));
       const Value& async_value = argument(args, 2);
       std::optional<bool> async = is_missing(async_value) ? false : bool_argument(async_value);
       return method && url && async && as_request(self).open(*method, *url, *async);
     }},
    {"Option", InvokeKind::property_get, 1, 0, false,
     [](Component& self, Args args, Value& result) {
       std::optional<int> index = int_argument(argument(args, 0));
       return index && as_request(self).read_option(*index, result);
     }},
    {"Option", InvokeKind::property_put, 2, 0, false,
     [](Component& self, Args args, Value&) {
       std::optional<int> index = int_argument(argument(args, 0));
       return index && as_request(self).write_option(*index, argument(args, 1));
     }},
    {"SetCredentials", InvokeKind::method, 3, 0, false,
     [](Component& self, Args args, Value&) {
       std::optional<std::u16string> user = string_argument(argument(args, 0));
       std::optional<std::u16string> password = string_argument(argument(args, 1));
       std::optional<int> target = int_argument(argument(args, 2));
       return user && password && target &&
              as_request(self).set_credentials(*user, *password, *target);
     }},
    {"SetRequestHeader", InvokeKind::method, 2, 0, false,
     [](Component& self, Args args, Value&) {
       std::optional<std::u16string> name = string_argument(argument(args, 0));
       std::optional<std::u16string> value = string_argument(argument(args, 1));
       return name && value && as_request(self).set_request_header(*name, *value);
     }},
    {"Send", InvokeKind::method, 1, 1, false,
     [](Component& self, Args args, Value&) {
       std::optional<std::string> body = body_argument(argument(args, 0));
       return body && as_request(self).send(std::move(*body));
     }},
    {"ResponseBody", InvokeKind::property_get, 0, 0, false,
     [](Component& self, Args, Value& result) {
       const std::string& body = as_request(self).response().body;
       result = Value::make_bytes(std::vector<std::uint8_t>(body.begin(), body.end()));
       return true;
     }},
    {"ResponseText", InvokeKind::property_get, 0, 0, false,
     [](Component& self, Args, Value& result) {
       result = Value::make_string(as_request(self).response_text());
       return true;
     }},
    {"GetAllResponseHeaders", InvokeKind::method, 0, 0, false,
     [](Component& self, Args, Value& result) {
       result = Value::make_string(as_request(self).all_response_headers());
       return true;
     }},
    {"GetResponseHeader", InvokeKind::method, 1, 0, false,
     [](Component& self, Args args, Value& result) {
       std::optional<std::u16string> name = string_argument(argument(args, 0));
       std::u16string value;
       if (!name || !as_request(self).response_header(*name, value)) return false;
       result = Value::make_string(std::move(value));
       return true;
     }},
    {"Status", InvokeKind::property_get, 0, 0, false,
     [](Component& self, Args, Value& result) {
       result = Value::make_int(as_request(self).response().status);
       return true;
     }},
    {"StatusText", InvokeKind::property_get, 0, 0, false,
     [](Component& self, Args, Value& result) {
       result = Value::make_string(decode_text(as_request(self).response().status_text, "UTF-8"));
       return true;
     }},
};

}  // namespace

std::span<const Member> HttpRequestComponent::members() const { return kMembers; }

bool HttpRequestComponent::set_timeouts(int resolve_ms, int connect_ms, int send_ms,
                                        int receive_ms) {
  request_.timeouts = {.resolve_ms = resolve_ms, .connect_ms = connect_ms, .send_ms = send_ms,
                       .receive_ms = receive_ms};
  return true;
}

bool HttpRequestComponent::set_proxy(int setting, const std::u16string& server,
                                     const std::u16string& bypass) {
  if (setting == kProxySettingDefault || setting == kProxySettingDirect) {
    request_.proxy.clear();
    request_.proxy_bypass.clear();
    return true;
  }
  if (setting != kProxySettingNamed || server.empty()) return false;
  request_.proxy = utf16_to_utf8(server);
  request_.proxy_bypass = utf16_to_utf8(bypass);
  return true;
}

// Opening starts a new request: headers, credentials and the last response are dropped, while
// time-outs, proxy and options stay with the object.
bool HttpRequestComponent::open(const std::u16string& method, const std::u16string& url,
                                bool async) {
  std::string method_text = utf16_to_utf8(method);
  std::string url_text = utf16_to_utf8(url);
  if (async || !is_valid_header(method_text, "") || !is_http_url(url_text)) return false;
  request_.method = std::move(method_text);
  request_.url = std::move(url_text);
  request_.server_headers.clear();
  request_.proxy_headers.clear();
  request_.server_user.clear();
  request_.server_password.clear();
  request_.proxy_user.clear();
  request_.proxy_password.clear();
  request_.body.clear();
  response_ = {};
  opened_ = true;
  return true;
}

bool HttpRequestComponent::set_credentials(const std::u16string& user,
                                           const std::u16string& password, int target) {
  if (!opened_) return false;
  if (target == kCredentialsForServer) {
    request_.server_user = utf16_to_utf8(user);
    request_.server_password = utf16_to_utf8(password);
    return true;
  }
  if (target == kCredentialsForProxy) {
    request_.proxy_user = utf16_to_utf8(user);
    request_.proxy_password = utf16_to_utf8(password);
    return true;
  }
  return false;
}

// Proxy-Authorization is meant for the proxy: it goes there and never on to the server, so the
// proxy's credentials do not leak to every site reached through it.
bool HttpRequestComponent::set_request_header(const std::u16string& name,
                                              const std::u16string& value) {
  std::string name_text = utf16_to_utf8(name);
  std::string value_text = utf16_to_utf8(value);
  if (!opened_ || !is_valid_header(name_text, value_text)) return false;
  std::vector<std::string>& list = same_ascii_name(name_text, "Proxy-Authorization")
                                       ? request_.proxy_headers
                                       : request_.server_headers;
  list.push_back(header_wire_line(name_text, value_text));
  return true;
}

bool HttpRequestComponent::send(std::string body) {
  if (!opened_) return false;
  request_.body = std::move(body);
  constexpr int kChainErrors = kIgnoreUnknownAuthority | kIgnoreWrongUsage | kIgnoreInvalidDate;
  request_.verify_peer = (ignored_certificate_errors_ & kChainErrors) != kChainErrors;
  request_.verify_host = (ignored_certificate_errors_ & kIgnoreInvalidName) == 0;
  return perform_http_exchange(request_, response_);
}

bool HttpRequestComponent::read_option(int index, Value& result) const {
  if (index == kOptionIgnoredCertificateErrors) {
    result = Value::make_int(ignored_certificate_errors_);
    return true;
  }
  if (index == kOptionEnableRedirects) {
    result = Value::make_bool(request_.follow_redirects);
    return true;
  }
  return false;
}

bool HttpRequestComponent::write_option(int index, const Value& value) {
  if (index == kOptionIgnoredCertificateErrors) {
    std::optional<int> flags = int_argument(value);
    if (!flags) return false;
    ignored_certificate_errors_ = *flags;
    return true;
  }
  if (index == kOptionEnableRedirects) {
    std::optional<bool> follow = bool_argument(value);
    if (!follow) return false;
    request_.follow_redirects = *follow;
    return true;
  }
  return false;
}

std::u16string HttpRequestComponent::all_response_headers() const {
  std::string joined;
  for (const std::string& line : response_.header_lines) {
    if (!joined.empty()) joined.append("\r\n");
    joined.append(line);
  }
  return decode_text(joined, "UTF-8");
}

bool HttpRequestComponent::response_header(const std::u16string& name,
                                           std::u16string& value) const {
  std::optional<std::string_view> found =
      header_value(response_.header_lines, utf16_to_utf8(name));
  if (!found) return false;
  value = decode_text(*found, "UTF-8");
  return true;
}

std::u16string HttpRequestComponent::response_text() const {
  std::optional<std::string_view> content_type =
      header_value(response_.header_lines, "Content-Type");
  return decode_text(response_.body, content_type ? charset_of(*content_type) : "");
}

ObjectRef make_http_request_component() { return std::make_shared<HttpRequestComponent>(); }

}  // namespace platform
