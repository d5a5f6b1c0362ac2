// The one abnormal end of the program: shows the fatal-error box ("错误", error icon, OK) and
// ends the process with exit code -1, without running the routines registered for a normal exit.
// Where no display can be opened, the same text goes to standard error instead.
//
//   fatal_error(4, "数组成员引用下标必须大于等于1");
#pragma once

#include <source_location>
#include <string_view>

#include "runtime/text.h"

// `where` defaults to the caller's place, which the box's location line names.
[[noreturn]] void fatal_error(int code, std::string_view message,
                              std::source_location where = std::source_location::current());

// The box text: "运行时出错!", then the code and message lines when present, then the location
// line; every line ends with CR LF.
Text fatal_error_text(int code, std::string_view message,
                      std::source_location where = std::source_location::current());
