// http_request end to end: the real request component against a recording HTTPS server and a
// real proxy on loopback, and a recording stand-in where the calls themselves are the point.
#include "http/http_request.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <time.h>

#include <memory>

#include "https_recorder.h"
#include "local_proxy.h"
#include "platform/automation_host.h"
#include "platform/http_request_component.h"
#include "recording_request.h"

namespace {

using tts_test::CannedAnswer;
using tts_test::RecordedRequest;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

Bytes bytes_of(std::string_view text) { return Bytes(text.begin(), text.end()); }

// <chrono> does not compile under the GBK execution charset, so time is read directly.
long long monotonic_ms() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return now.tv_sec * 1000LL + now.tv_nsec / 1000000;
}

class HttpRequestTest : public ::testing::Test {
 protected:
  void SetUp() override { platform::ole_initialize(); }
  void TearDown() override {
    platform::ole_uninitialize();
    EXPECT_EQ(platform::initialisation_count(), 0);  // every call undid its own raise
  }
  RecordedRequest last_request() const {
    std::vector<RecordedRequest> all = server_.requests();
    return all.empty() ? RecordedRequest{} : all.back();
  }

  tts_test::HttpsRecorder server_;
};

TEST_F(HttpRequestTest, TheSynthesisRequestOnTheWire) {
  server_.set_answer("/functions/tts/text", {.body = "{\"code\":0}"});
  const std::string url = server_.url("/functions/tts/text");
  Text headers = "User-Agent: Mozilla/5.0 (tts)";
  Bytes body = http_request(url, {.method = 1,
                                  .body_text = "value=你好&voice=x&volume=50",
                                  .headers = &headers});
  EXPECT_EQ(body, bytes_of("{\"code\":0}"));

  RecordedRequest wire = last_request();
  EXPECT_EQ(wire.method, "POST");
  EXPECT_EQ(wire.target, "/functions/tts/text");
  EXPECT_THAT(wire.header_names(), ElementsAre("Host", "User-Agent", "Accept", "Referer",
                                               "Accept-Language", "Content-Type",
                                               "Content-Length"));
  EXPECT_EQ(wire.header("User-Agent"), "Mozilla/5.0 (tts)");
  EXPECT_EQ(wire.header("Referer"), url);
  EXPECT_EQ(wire.header("Content-Type"), "application/x-www-form-urlencoded");
  EXPECT_EQ(wire.body, reinterpret_cast<const char*>(u8"value=你好&voice=x&volume=50"));
  // The caller's block is left exactly as it was handed over.
  EXPECT_EQ(headers, "User-Agent: Mozilla/5.0 (tts)\r\nAccept: */*\r\nReferer: " + url +
                         "\r\nAccept-Language: zh-cn\r\n"
                         "Content-Type: application/x-www-form-urlencoded");
}

TEST_F(HttpRequestTest, MethodTableWithOutOfRangeIndicesMeaningGet) {
  const std::pair<int, const char*> cases[] = {{-1, "GET"},    {0, "GET"},     {1, "POST"},
                                               {2, "HEAD"},    {3, "PUT"},     {4, "OPTIONS"},
                                               {5, "DELETE"},  {6, "TRACE"},   {7, "CONNECT"},
                                               {8, "GET"}};
  for (const auto& [index, method] : cases) {
    int status = 0;
    http_request(server_.url("/m"), {.method = index, .status_code = &status});
    RecordedRequest wire = last_request();
    EXPECT_EQ(wire.method, method) << "index " << index;
    EXPECT_EQ(status, 200) << "index " << index;
    // Only POST earns the form Content-Type default.
    EXPECT_EQ(wire.header("Content-Type").empty(), index != 1) << "index " << index;
  }
}

TEST_F(HttpRequestTest, TimeoutsPassedToTheObject) {
  const std::pair<std::optional<int>, const char*> cases[] = {
      {std::nullopt, "SetTimeouts(15000, 15000, 15000, 15000)"},
      {0, "SetTimeouts(15000, 15000, 15000, 15000)"},
      {-5, "SetTimeouts(15000, 15000, 15000, 15000)"},
      {30, "SetTimeouts(30000, 30000, 30000, 30000)"},
      {3000000, "SetTimeouts(2147483647, 2147483647, 2147483647, 2147483647)"},
      {-1, nullptr}};
  for (const auto& [seconds, expected] : cases) {
    auto recorder = std::make_shared<RecordingRequest>();
    AutomationObject object;
    object.reference() = recorder;
    HttpRequestOptions options{.request_object = &object};
    if (seconds) options.timeout_seconds = *seconds;
    http_request("https://h/", options);
    std::vector<std::string> wanted;
    if (expected) wanted.push_back(expected);
    EXPECT_EQ(recorder->calls_of("SetTimeouts"), wanted) << "seconds " << seconds.value_or(-999);
  }
}

TEST_F(HttpRequestTest, ASilentServerEndsTheCallAfterTheTimeout) {
  server_.set_answer("/silent", {.misbehaviour = tts_test::Misbehaviour::silent});
  int status = -1;
  Text response_headers = "old";
  long long start = monotonic_ms();
  Bytes body = http_request(server_.url("/silent"),
                            {.response_headers = &response_headers, .status_code = &status,
                             .timeout_seconds = 1});
  long long elapsed = monotonic_ms() - start;
  EXPECT_GE(elapsed, 900);
  EXPECT_LT(elapsed, 2000);
  EXPECT_THAT(body, IsEmpty());
  EXPECT_EQ(status, 0);
  EXPECT_EQ(response_headers, "");
}

TEST_F(HttpRequestTest, AnUnreachablePortGivesAnEmptyBodyAndStatusZeroQuickly) {
  int status = -1;
  long long start = monotonic_ms();
  std::string url = "https://127.0.0.1:" + std::to_string(tts_test::free_loopback_port()) + "/";
  Bytes body = http_request(url, {.method = 1, .body_text = "a=1", .status_code = &status});
  EXPECT_LT(monotonic_ms() - start, 1000);
  EXPECT_THAT(body, IsEmpty());
  EXPECT_EQ(status, 0);
}

TEST_F(HttpRequestTest, RedirectsFollowedUnlessDisabled) {
  server_.set_answer("/old", {.status = 301,
                              .reason = "Moved Permanently",
                              .header_lines = {"Location: /new"},
                              .body = "see /new"});
  server_.set_answer("/new", {.body = "here"});
  int status = 0;
  EXPECT_EQ(http_request(server_.url("/old"), {.status_code = &status}), bytes_of("here"));
  EXPECT_EQ(status, 200);
  EXPECT_EQ(http_request(server_.url("/old"), {.status_code = &status, .disable_redirects = true}),
            bytes_of("see /new"));
  EXPECT_EQ(status, 301);
}

TEST_F(HttpRequestTest, AnErrorStatusComesBackWithItsBodyAndHeaders) {
  server_.set_answer("/fail", {.status = 500,
                               .reason = "Internal Server Error",
                               .header_lines = {"X-Why: broken"},
                               .body = "{\"code\":1,\"data\":\"no\"}"});
  int status = 0;
  Text response_headers;
  Bytes body = http_request(server_.url("/fail"),
                            {.response_headers = &response_headers, .status_code = &status});
  EXPECT_EQ(body, bytes_of("{\"code\":1,\"data\":\"no\"}"));
  EXPECT_EQ(status, 500);
  EXPECT_EQ(response_headers, "X-Why: broken\r\nContent-Length: 22");
}

TEST_F(HttpRequestTest, ABytesBodyWinsOverTheText) {
  const Bytes bytes = {0x00, 0xD6, 0xD0, 0x0A};
  http_request(server_.url("/b"), {.method = 3, .body_text = "ignored", .body_bytes = bytes});
  EXPECT_EQ(last_request().body, std::string("\0\xD6\xD0\n", 4));
}

TEST_F(HttpRequestTest, CookiesCarryAcrossCallsAndMerge) {
  server_.set_answer("/login", {.header_lines = {"Set-Cookie: sid=abc; Path=/; HttpOnly",
                                                 "Set-Cookie: lang=zh"}});
  server_.set_answer("/logout", {.header_lines = {"Set-Cookie: sid=deleted; Max-Age=0"}});
  Text cookies = "cookie: keep=1";
  Text received = "stale";
  http_request(server_.url("/login"), {.cookies = &cookies, .received_cookies = &received});
  EXPECT_EQ(last_request().header("Cookie"), "keep=1");  // "cookie:" removed, its space trimmed
  EXPECT_EQ(cookies, "sid=abc; lang=zh; keep=1");
  EXPECT_EQ(received, cookies);

  http_request(server_.url("/logout"), {.cookies = &cookies, .received_cookies = &received});
  EXPECT_EQ(last_request().header("Cookie"), "sid=abc; lang=zh; keep=1");
  EXPECT_EQ(cookies, "lang=zh; keep=1");

  // Without merging the caller's string stays as sent; without cookies no header goes out.
  http_request(server_.url("/login"),
               {.cookies = &cookies, .received_cookies = &received, .merge_cookies = false});
  EXPECT_EQ(cookies, "lang=zh; keep=1");
  EXPECT_EQ(received, "sid=abc; lang=zh");
  http_request(server_.url("/login"), {.received_cookies = &received});
  EXPECT_THAT(last_request().header_names(), testing::Not(testing::Contains("Cookie")));
}

TEST_F(HttpRequestTest, CookieCallsOnTheObject) {
  auto recorder = std::make_shared<RecordingRequest>();
  AutomationObject object;
  object.reference() = recorder;
  Text cookies;  // supplied and empty: the header still goes, with an empty value
  Text headers = "A: 1";
  http_request("https://h/", {.cookies = &cookies, .headers = &headers,
                              .request_object = &object, .add_default_headers = false});
  EXPECT_THAT(recorder->calls_of("SetRequestHeader"),
              ElementsAre("SetRequestHeader(Cookie, )", "SetRequestHeader(A, 1)"));
}

TEST_F(HttpRequestTest, ProxyCredentialCalls) {
  struct Case {
    const char* proxy;
    std::optional<int> target;
    std::vector<std::string> expected;
  };
  const Case cases[] = {
      {"127.0.0.1:3128", std::nullopt,
       {"SetProxy(2, 127.0.0.1:3128)", "SetCredentials(us, pw, 1)",
        "SetRequestHeader(Proxy-Authorization, Basic dXM6cHc=)"}},
      {"127.0.0.1:3128", 0, {"SetProxy(2, 127.0.0.1:3128)", "SetCredentials(us, pw, 0)"}},
      {"", std::nullopt, {}},  // no proxy: the user name alone does nothing
  };
  for (const Case& c : cases) {
    auto recorder = std::make_shared<RecordingRequest>();
    AutomationObject object;
    object.reference() = recorder;
    HttpRequestOptions options{.proxy = c.proxy, .proxy_user = "us", .proxy_password = "pw",
                               .request_object = &object, .add_default_headers = false};
    if (c.target) options.credentials_target = *c.target;
    http_request("https://h/", options);
    std::vector<std::string> seen;
    for (const std::string& call : recorder->calls) {
      if (call.starts_with("SetProxy") || call.starts_with("SetCredentials") ||
          call.starts_with("SetRequestHeader(Proxy")) {
        seen.push_back(call);
      }
    }
    EXPECT_EQ(seen, c.expected) << "proxy " << c.proxy;
  }
}

TEST_F(HttpRequestTest, ThroughARealProxyWithBasicAuthentication) {
  tts_test::LocalProxy proxy("tts", "secret1");
  int status = 0;
  Bytes body;
  server_.set_answer("/p", {.body = "through"});
  body = http_request(server_.url("/p"), {.status_code = &status, .proxy = proxy.address(),
                                          .proxy_user = "tts", .proxy_password = "secret1"});
  EXPECT_EQ(body, bytes_of("through")) << proxy.log();
  EXPECT_EQ(status, 200);
  EXPECT_EQ(last_request().header("Proxy-Authorization"), "");  // stays with the proxy

  const std::pair<const char*, int> refused[] = {{"wrong", 1}, {"secret1", 0}};
  for (const auto& [password, target] : refused) {
    body = http_request(server_.url("/p"), {.status_code = &status, .proxy = proxy.address(),
                                            .proxy_user = "tts", .proxy_password = password,
                                            .credentials_target = target});
    EXPECT_THAT(body, IsEmpty()) << "target " << target;
    EXPECT_EQ(status, 0) << "target " << target;
  }
  EXPECT_EQ(server_.requests().size(), 1u);
}

TEST_F(HttpRequestTest, ASuppliedObjectIsUsedAndStaysWithItsOwner) {
  AutomationObject object;
  ASSERT_TRUE(object_create(object, "WinHttp.WinHttpRequest.5.1"));
  const platform::Component* held = object.reference().get();
  server_.set_answer("/one", {.body = "1"});
  server_.set_answer("/two", {.body = "2"});
  EXPECT_EQ(http_request(server_.url("/one"), {.request_object = &object}), bytes_of("1"));
  EXPECT_EQ(http_request(server_.url("/two"), {.request_object = &object}), bytes_of("2"));
  EXPECT_EQ(object.reference().get(), held);
  EXPECT_EQ(object.reference().use_count(), 1);
  EXPECT_EQ(object_get_number(object, "Status"), 200);  // still the caller's, still working

  AutomationObject empty;  // supplied but empty: nothing is created, nothing is sent
  int status = -1;
  EXPECT_THAT(http_request(server_.url("/one"), {.status_code = &status, .request_object = &empty}),
              IsEmpty());
  EXPECT_EQ(status, 0);
  EXPECT_TRUE(object_is_empty(empty));
  EXPECT_EQ(server_.requests().size(), 2u);
}

TEST_F(HttpRequestTest, CreationFailureLeavesTheCallersVariablesAlone) {
  platform::register_component(platform::kHttpRequestProgId, "", [] { return nullptr; });
  Text cookies = "Cookie: a=1", received = "r", headers = "h: 1", response_headers = "rh";
  int status = 7;
  Bytes body = http_request(server_.url("/"),
                            {.method = 1, .cookies = &cookies, .received_cookies = &received,
                             .headers = &headers, .response_headers = &response_headers,
                             .status_code = &status});
  platform::register_component(platform::kHttpRequestProgId, "",
                               platform::make_http_request_component);
  EXPECT_THAT(body, IsEmpty());
  EXPECT_EQ(cookies, "Cookie: a=1");
  EXPECT_EQ(received, "r");
  EXPECT_EQ(headers, "h: 1");
  EXPECT_EQ(response_headers, "rh");
  EXPECT_EQ(status, 7);
  EXPECT_THAT(server_.requests(), IsEmpty());
}

}  // namespace
