#include "service/command_line.h"

#include <charconv>
#include <cstdlib>
#include <optional>

namespace service {
namespace {

std::filesystem::path default_data_folder() {
  if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg != nullptr && *xdg != '\0') {
    return std::filesystem::path(xdg) / "tts-service";
  }
  if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0') {
    return std::filesystem::path(home) / ".local/share/tts-service";
  }
  return "tts-service-data";
}

std::optional<long> read_number(const std::string& text, long low, long high) {
  long value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  if (value < low || value > high) return std::nullopt;
  return value;
}

CommandLineExit error(const std::string& message) {
  return {"tts-service: " + message + "\n" + std::string(usage_text()), 2};
}

}  // namespace

std::string_view usage_text() {
  return "usage: tts-service [--address HOST] [--port N] [--data DIR] [--cert FILE --key FILE]\n"
         "                   [--threads N] [--queue N]\n"
         "  --address HOST  address to listen on (default localhost, that is 127.0.0.1)\n"
         "  --port N        port (default 8443; 0 lets the system pick one, see the log)\n"
         "  --data DIR      audio store and generated certificate (default ~/.local/share/tts-service)\n"
         "  --cert, --key   PEM certificate and key (default: self-signed, made in DIR at first start)\n"
         "  --threads N     connections served at once (default 32)\n"
         "  --queue N       connections that may wait for a thread (default 64)\n";
}

std::variant<ServiceOptions, CommandLineExit> parse_command_line(const std::vector<std::string>& arguments) {
  ServiceOptions options;
  options.data_folder = default_data_folder();
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::string& flag = arguments[i];
    if (flag == "--help" || flag == "-h") return CommandLineExit{std::string(usage_text()), 0};
    if (i + 1 == arguments.size()) return error("unknown flag or missing value: " + flag);
    const std::string& value = arguments[++i];
    std::optional<long> number;
    if (flag == "--address") {
      options.address = value;
    } else if (flag == "--data") {
      options.data_folder = value;
    } else if (flag == "--cert") {
      options.certificate = value;
    } else if (flag == "--key") {
      options.private_key = value;
    } else if (flag == "--port" && (number = read_number(value, 0, 65535))) {
      options.port = static_cast<int>(*number);
    } else if (flag == "--threads" && (number = read_number(value, 1, 1024))) {
      options.threads = static_cast<std::size_t>(*number);
    } else if (flag == "--queue" && (number = read_number(value, 0, 100000))) {
      options.queue_limit = static_cast<std::size_t>(*number);
    } else {
      return error("unknown flag or bad value: " + flag + " " + value);
    }
  }
  if (options.address.empty() || options.data_folder.empty()) return error("empty address or data folder");
  if (options.certificate.empty() != options.private_key.empty()) {
    return error("--cert and --key go together");
  }
  return options;
}

}  // namespace service
