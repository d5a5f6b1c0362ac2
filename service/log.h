// The service's log: one line per event on standard error, with the time, written whole even
// when several threads log at once.
//
//   log_line("voice Xiaoyue: espeak-ng has no Sichuanese voice; Mandarin instead");
#pragma once

#include <string_view>

namespace service {

void log_line(std::string_view message);

}  // namespace service
