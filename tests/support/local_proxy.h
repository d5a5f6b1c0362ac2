// A real forwarding proxy for tests: tinyproxy, started on 127.0.0.1 on a free port with Basic
// authentication, and stopped (by its process id) when the object goes.
//
//   tts_test::LocalProxy proxy("user", "secret");
//   ... SetProxy 2, proxy.address() ...
//   EXPECT_THAT(proxy.log(), HasSubstr("CONNECT"));
#pragma once

#include <sys/types.h>

#include <string>

namespace tts_test {

class LocalProxy {
 public:
  LocalProxy(const std::string& user, const std::string& password);
  ~LocalProxy();
  LocalProxy(const LocalProxy&) = delete;
  LocalProxy& operator=(const LocalProxy&) = delete;

  int port() const { return port_; }
  std::string address() const;  // "127.0.0.1:<port>"
  std::string log() const;       // tinyproxy's log so far, to read when a test fails

 private:
  void stop();

  std::string directory_;
  int port_ = 0;
  pid_t pid_ = -1;
};

// A TCP port on 127.0.0.1 that was free a moment ago.
int free_loopback_port();

}  // namespace tts_test
