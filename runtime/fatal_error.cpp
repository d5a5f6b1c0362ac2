#include "runtime/fatal_error.h"

#include <cstdio>
#include <cstdlib>
#include <string>

#include "runtime/window_system.h"

namespace {

// The file's own name: enough to find the place, without the build machine's directories.
std::string_view base_name(std::string_view path) {
  const std::size_t slash = path.find_last_of('/');
  return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

}  // namespace

Text fatal_error_text(int code, std::string_view message, std::source_location where) {
  Text text = "运行时出错!\r\n";
  if (code != 0) text.append("\r\n错误代码：").append(std::to_string(code)).append("\r\n");
  if (!message.empty()) text.append("\r\n错误信息：").append(message).append("\r\n");
  text.append("\r\n出错位置：")
      .append(base_name(where.file_name()))
      .append(" 第 ")
      .append(std::to_string(where.line()))
      .append(" 行 第 ")
      .append(std::to_string(where.column()))
      .append(" 列\r\n");
  return text;
}

void fatal_error(int code, std::string_view message, std::source_location where) {
  fatal_error_box(fatal_error_text(code, message, where));
  // _Exit skips the exit routines, atexit handlers and static destructors alike: after a fatal
  // error nothing of the program's state is trusted to run again.
  std::fflush(nullptr);
  std::_Exit(-1);
}
