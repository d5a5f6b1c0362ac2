// The HTTP request component against a recording HTTPS server and a real proxy on loopback.
#include "platform/http_request_component.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>

#include "https_recorder.h"
#include "local_proxy.h"
#include "platform/automation_host.h"

namespace {

using platform::InvokeKind;
using platform::Value;
using platform::ValueType;
using tts_test::CannedAnswer;
using tts_test::Misbehaviour;
using ::testing::ElementsAre;
using ::testing::HasSubstr;

Value text(std::u16string s) { return Value::make_string(std::move(s)); }
Value number(int n) { return Value::make_int(n); }
std::u16string wide(std::string_view ascii) { return {ascii.begin(), ascii.end()}; }

constexpr int kIgnoreAllCertificateErrors = 0x3300;

class HttpRequestComponentTest : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::ole_initialize();
    request_ = platform::create_object("winhttp.winhttprequest.5.1");
    ASSERT_NE(request_, nullptr);
  }
  void TearDown() override { platform::ole_uninitialize(); }

  bool invoke(std::string_view name, InvokeKind kind, std::vector<Value> args,
              Value* out = nullptr) {
    const platform::Member* member = platform::find_member(*request_, name, kind);
    if (member == nullptr) return false;
    Value result;
    bool ok = member->invoke(*request_, args, result);
    if (out) *out = result;
    return ok;
  }
  bool call(std::string_view name, std::vector<Value> args = {}) {
    return invoke(name, InvokeKind::method, std::move(args));
  }
  Value get(std::string_view name, std::vector<Value> args = {}) {
    Value result;
    invoke(name, InvokeKind::property_get, std::move(args), &result);
    return result;
  }
  bool set_option(int index, Value value) {
    return invoke("Option", InvokeKind::property_put, {number(index), std::move(value)});
  }
  // Opens a request that accepts the test server's throwaway certificate.
  bool open(std::string_view method, const std::string& url) {
    return call("Open", {text(wide(method)), text(wide(url)), Value::make_bool(false)}) &&
           set_option(4, number(kIgnoreAllCertificateErrors));
  }
  std::u16string all_headers() {
    Value result;
    invoke("GetAllResponseHeaders", InvokeKind::method, {}, &result);
    return result.string;
  }
  void expect_failed_exchange() {
    EXPECT_EQ(get("Status").int32, 0);
    EXPECT_TRUE(get("ResponseBody").bytes.empty());
    EXPECT_EQ(all_headers(), u"");
  }

  tts_test::HttpsRecorder server_;
  platform::ObjectRef request_;
};

TEST_F(HttpRequestComponentTest, HeadersGoOnTheWireInOrderAsGivenAndATextBodyAsUtf8) {
  ASSERT_TRUE(open("POST", server_.url("/form")));
  EXPECT_TRUE(call("SetRequestHeader", {text(u"x-LOWER"), text(u" padded ")}));
  EXPECT_TRUE(call("SetRequestHeader", {text(u"Accept"), text(u"*/*")}));
  EXPECT_TRUE(call("SetRequestHeader", {text(u"Cookie"), text(u"")}));
  EXPECT_TRUE(call("SetRequestHeader", {text(u"Content-Type"), text(u"text/plain")}));
  EXPECT_TRUE(call("Send", {text(u"a=\u4e2d\u6587")}));

  ASSERT_EQ(server_.requests().size(), 1u);
  const tts_test::RecordedRequest wire = server_.requests()[0];
  EXPECT_EQ(wire.method, "POST");
  EXPECT_EQ(wire.target, "/form");
  // libcurl adds only Host and the length; nothing of its own (no Expect, no default type).
  EXPECT_THAT(wire.header_lines,
              ElementsAre("Host: 127.0.0.1:" + std::to_string(server_.port()),
                          "x-LOWER:  padded ", "Accept: */*", "Cookie:",
                          "Content-Type: text/plain", "Content-Length: 8"));
  EXPECT_EQ(wire.body, "a=\xE4\xB8\xAD\xE6\x96\x87");
  EXPECT_EQ(get("Status").int32, 200);
}

TEST_F(HttpRequestComponentTest, AByteBodyGoesOutAsItIs) {
  ASSERT_TRUE(open("PUT", server_.url("/bytes")));
  std::vector<std::uint8_t> bytes = {0x00, 0xFF, 0x80, 'a', 0x00};
  EXPECT_TRUE(call("Send", {Value::make_bytes(bytes)}));
  ASSERT_EQ(server_.requests().size(), 1u);
  EXPECT_EQ(server_.requests()[0].method, "PUT");
  EXPECT_EQ(server_.requests()[0].body, std::string("\0\xFF\x80" "a\0", 5));
  EXPECT_EQ(server_.requests()[0].header("Content-Type"), "");
}

TEST_F(HttpRequestComponentTest, ARefusedHeaderFailsOnlyItsOwnCall) {
  ASSERT_TRUE(open("GET", server_.url("/")));
  for (std::u16string name : {u"", u"Bad Name", u"X:Y", u"\u4e2d"}) {
    EXPECT_FALSE(call("SetRequestHeader", {text(name), text(u"v")})) << "name: " << name.size();
  }
  EXPECT_FALSE(call("SetRequestHeader", {text(u"X-Split"), text(u"a\r\nInjected: 1")}));
  EXPECT_TRUE(call("SetRequestHeader", {text(u"X-After"), text(u"1")}));
  EXPECT_TRUE(call("Send"));
  ASSERT_EQ(server_.requests().size(), 1u);
  EXPECT_THAT(server_.requests()[0].header_names(), ElementsAre("Host", "X-After"));
}

TEST_F(HttpRequestComponentTest, CallsBeforeOpenAndAsynchronousOpenAreRefused) {
  EXPECT_FALSE(call("SetRequestHeader", {text(u"A"), text(u"1")}));
  EXPECT_FALSE(call("Send"));
  EXPECT_FALSE(call("Open", {text(u"GET"), text(wide(server_.url())), Value::make_bool(true)}));
  EXPECT_FALSE(call("Open", {text(u"GET"), text(u"ftp://127.0.0.1/")}));
  EXPECT_TRUE(call("Open", {text(u"GET"), text(wide(server_.url()))}));  // async left out
}

TEST_F(HttpRequestComponentTest, CertificatesAreVerifiedUnlessTheErrorsAreIgnored) {
  ASSERT_TRUE(call("Open", {text(u"GET"), text(wide(server_.url())), Value::make_bool(false)}));
  EXPECT_EQ(get("Option", {number(4)}).int32, 0);
  EXPECT_FALSE(call("Send"));
  expect_failed_exchange();
  EXPECT_TRUE(server_.requests().empty());

  EXPECT_TRUE(set_option(4, number(kIgnoreAllCertificateErrors)));
  EXPECT_EQ(get("Option", {number(4)}).int32, kIgnoreAllCertificateErrors);
  EXPECT_TRUE(call("Send"));
  EXPECT_EQ(get("Status").int32, 200);
}

// Every request object makes a connection of its own, but a later one to the same server resumes
// the TLS session of an earlier one, as long as it checks certificates the same way.
TEST_F(HttpRequestComponentTest, LaterRequestsResumeTheTlsSessionMadeWithTheSameChecks) {
  for (int i = 0; i < 2; ++i) {
    request_ = platform::create_object("WinHttp.WinHttpRequest.5.1");
    ASSERT_TRUE(open("GET", server_.url()) && call("Send"));
  }
  const std::vector<tts_test::RecordedRequest> requests = server_.requests();
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_FALSE(requests[0].resumed_tls_session);
  EXPECT_TRUE(requests[1].resumed_tls_session);

  // The session was made without checks: a request that checks must not slip past them on it.
  request_ = platform::create_object("WinHttp.WinHttpRequest.5.1");
  ASSERT_TRUE(call("Open", {text(u"GET"), text(wide(server_.url())), Value::make_bool(false)}));
  EXPECT_FALSE(call("Send"));
  EXPECT_EQ(server_.requests().size(), 2u);
}

TEST_F(HttpRequestComponentTest, ResponseHeadersStatusAndText) {
  server_.set_answer("/gbk", {.status = 404,
                              .reason = "Not Found",
                              .header_lines = {"Content-Type: text/plain; charset=GBK",
                                               "Set-Cookie: a=1; Path=/", "X-Spaced:   v  "},
                              .body = "\xD6\xD0\xCE\xC4"});
  ASSERT_TRUE(open("GET", server_.url("/gbk")));
  EXPECT_TRUE(call("Send"));
  EXPECT_EQ(get("Status").int32, 404);
  EXPECT_EQ(get("StatusText").string, u"Not Found");
  EXPECT_EQ(get("ResponseBody").bytes, (std::vector<std::uint8_t>{0xD6, 0xD0, 0xCE, 0xC4}));
  EXPECT_EQ(get("ResponseText").string, u"\u4e2d\u6587");
  EXPECT_EQ(all_headers(),
            u"Content-Type: text/plain; charset=GBK\r\nSet-Cookie: a=1; Path=/\r\n"
            u"X-Spaced: v\r\nContent-Length: 4");
  Value header;
  EXPECT_TRUE(invoke("GetResponseHeader", InvokeKind::method, {text(u"set-cookie")}, &header));
  EXPECT_EQ(header.string, u"a=1; Path=/");
  EXPECT_FALSE(invoke("GetResponseHeader", InvokeKind::method, {text(u"X-None")}, &header));
}

TEST_F(HttpRequestComponentTest, RedirectsAreFollowedUnlessOptionSixIsOff) {
  server_.set_answer("/from", {.status = 302,
                               .reason = "Found",
                               .header_lines = {"Location: /to", "X-Hop: 1"},
                               .body = "moved"});
  server_.set_answer("/to", {.header_lines = {"X-Final: 1"}, .body = "arrived"});

  ASSERT_TRUE(open("GET", server_.url("/from")));
  EXPECT_EQ(get("Option", {number(6)}).boolean, true);
  EXPECT_TRUE(call("Send"));
  EXPECT_EQ(get("Status").int32, 200);
  EXPECT_EQ(get("ResponseText").string, u"arrived");
  EXPECT_EQ(all_headers(), u"X-Final: 1\r\nContent-Length: 7");

  ASSERT_TRUE(open("GET", server_.url("/from")));
  EXPECT_TRUE(set_option(6, number(0)));
  EXPECT_TRUE(call("Send"));
  EXPECT_EQ(get("Status").int32, 302);
  EXPECT_EQ(get("ResponseText").string, u"moved");
  EXPECT_NE(all_headers().find(u"Location: /to"), std::u16string::npos);
  EXPECT_EQ(server_.requests().size(), 3u);
}

// The receive limit holds while the server is silent before answering, mid-body and in the TLS
// handshake; a closed connection or a refused port fails at once. Every failure leaves status 0
// and an empty body.
TEST_F(HttpRequestComponentTest, BrokenExchangesFailWithinTheirLimits) {
  struct Case {
    const char* path;
    Misbehaviour misbehaviour;
    int max_ms;
  };
  const Case cases[] = {{"/silent", Misbehaviour::silent, 2000},
                        {"/stall", Misbehaviour::stall_mid_body, 2000},
                        {"/closed", Misbehaviour::close_mid_body, 500}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    server_.set_answer(c.path, {.body = std::string(4096, 'x'), .misbehaviour = c.misbehaviour});
    ASSERT_TRUE(open("GET", server_.url(c.path)));
    EXPECT_TRUE(call("SetTimeouts", {number(1000), number(1000), number(1000), number(1000)}));
    auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(call("Send"));
    auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now() - start);
    EXPECT_LT(elapsed.count(), c.max_ms);
    if (c.misbehaviour != Misbehaviour::close_mid_body) {
      EXPECT_GE(elapsed.count(), 900);
    }
    expect_failed_exchange();
  }

  // The kernel completes the TCP connection from the backlog; no TLS answer ever comes.
  int mute = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  ASSERT_EQ(bind(mute, reinterpret_cast<sockaddr*>(&address), length), 0);
  ASSERT_EQ(listen(mute, 4), 0);
  ASSERT_EQ(getsockname(mute, reinterpret_cast<sockaddr*>(&address), &length), 0);
  ASSERT_TRUE(open("GET", "https://127.0.0.1:" + std::to_string(ntohs(address.sin_port)) + "/"));
  EXPECT_TRUE(call("SetTimeouts", {number(1000), number(5000), number(1000), number(1000)}));
  auto mute_start = std::chrono::steady_clock::now();
  EXPECT_FALSE(call("Send"));
  EXPECT_LT(std::chrono::steady_clock::now() - mute_start, std::chrono::milliseconds(2000));
  expect_failed_exchange();
  close(mute);

  int closed_port = tts_test::free_loopback_port();
  ASSERT_TRUE(open("GET", "https://127.0.0.1:" + std::to_string(closed_port) + "/"));
  auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(call("Send"));
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(500));
  expect_failed_exchange();
}

TEST_F(HttpRequestComponentTest, ServerCredentialsAnswerTheChallenge) {
  server_.set_answer("/private", {.status = 401,
                                  .reason = "Unauthorized",
                                  .header_lines = {"WWW-Authenticate: Basic realm=\"t\""}});
  ASSERT_TRUE(open("GET", server_.url("/private")));
  EXPECT_TRUE(call("SetCredentials", {text(u"user"), text(u"pw"), number(0)}));
  EXPECT_FALSE(call("SetCredentials", {text(u"user"), text(u"pw"), number(7)}));
  EXPECT_TRUE(call("Send"));
  std::vector<tts_test::RecordedRequest> requests = server_.requests();
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_EQ(requests[0].header("Authorization"), "");
  EXPECT_EQ(requests[1].header("Authorization"), "Basic dXNlcjpwdw==");  // user:pw
}

class HttpRequestThroughProxyTest : public HttpRequestComponentTest {
 protected:
  bool send_through_proxy(const std::u16string& user, const std::u16string& password,
                          const std::u16string& authorization) {
    EXPECT_TRUE(call("SetProxy", {number(2), text(wide(proxy_.address()))}));
    EXPECT_TRUE(open("GET", server_.url("/via")));
    if (!user.empty()) {
      EXPECT_TRUE(call("SetCredentials", {text(user), text(password), number(1)}));
    }
    if (!authorization.empty()) {
      EXPECT_TRUE(call("SetRequestHeader", {text(u"Proxy-Authorization"), text(authorization)}));
    }
    return call("Send");
  }

  tts_test::LocalProxy proxy_{"proxyuser", "secret"};
};

TEST_F(HttpRequestThroughProxyTest, CredentialsOrTheHeaderOpenTheProxy) {
  const std::u16string good = u"Basic cHJveHl1c2VyOnNlY3JldA==";  // proxyuser:secret
  struct Case {
    std::u16string user, password, authorization;
    bool passes;
  };
  const Case cases[] = {{u"proxyuser", u"secret", u"", true},
                        {u"", u"", good, true},
                        {u"proxyuser", u"secret", good, true},
                        {u"proxyuser", u"wrong", u"", false},
                        {u"", u"", u"", false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "user " << c.user.size() << " header "
                                    << c.authorization.size());
    size_t before = server_.requests().size();
    EXPECT_EQ(send_through_proxy(c.user, c.password, c.authorization), c.passes)
        << proxy_.log();
    EXPECT_EQ(get("Status").int32, c.passes ? 200 : 0);
    EXPECT_EQ(server_.requests().size(), before + (c.passes ? 1 : 0));
  }
  // The proxy's credentials stay with the proxy.
  for (const tts_test::RecordedRequest& request : server_.requests()) {
    EXPECT_EQ(request.header("Proxy-Authorization"), "");
  }
  EXPECT_THAT(proxy_.log(), HasSubstr("CONNECT"));
}

}  // namespace
