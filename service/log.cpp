#include "service/log.h"

#include <cstdio>
#include <ctime>
#include <mutex>
#include <string>

namespace service {

void log_line(std::string_view message) {
  static std::mutex mutex;
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char stamp[32];
  std::strftime(stamp, sizeof stamp, "%Y-%m-%d %H:%M:%S", &local);
  const std::string line = "tts-service " + std::string(stamp) + " " + std::string(message) + "\n";
  const std::lock_guard lock(mutex);
  std::fwrite(line.data(), 1, line.size(), stderr);
  std::fflush(stderr);
}

}  // namespace service
