// The service's command line.
//
//   tts-service [--address HOST] [--port N] [--data DIR] [--cert FILE --key FILE]
//               [--threads N] [--queue N]
//
//   auto parsed = parse_command_line({"--port", "0", "--data", "/tmp/tts"});
//   std::get<ServiceOptions>(parsed).port == 0;
#pragma once

#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "service/tts_server.h"

namespace service {

// What to say and how to end instead of serving: the usage text for --help (exit 0), or an
// error followed by the usage (exit 2).
struct CommandLineExit {
  std::string message;
  int exit_code;
};

std::string_view usage_text();

// The data folder defaults to $XDG_DATA_HOME/tts-service, else ~/.local/share/tts-service, else
// ./tts-service-data. Numbers must be plain decimals in range (port 0..65535, threads 1..1024,
// queue 0..100000); an unknown flag, a flag without its value, or only one of --cert and --key
// is an error.
std::variant<ServiceOptions, CommandLineExit> parse_command_line(const std::vector<std::string>& arguments);

}  // namespace service
