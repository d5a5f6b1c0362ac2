// Start-up where no window can be shown, and the fatal path past the exit routines. Each case
// runs in a child process.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include <unistd.h>

#include "app/exit_routines.h"
#include "runtime/fatal_error.h"
#include "tests/support/display_environment.h"

namespace {

using ::testing::AllOf;
using ::testing::EndsWith;
using ::testing::ExitedWithCode;
using ::testing::HasSubstr;
using ::testing::Not;

constexpr int FATAL_EXIT_CODE = 255;  // exit code -1 as the parent sees it

[[noreturn]] void run_program() {
  const std::string program = TTS_BUILD_DIR "/app/tts-tool";
  execl(program.c_str(), program.c_str(), static_cast<char*>(nullptr));
  std::perror("exec");
  std::_Exit(1);
}

TEST(StartUp, WithoutADisplayTheWindowCannotBeCreatedAndTheProgramEndsFatally) {
  struct Environment {
    const char* name;
    const char* platform;  // QT_QPA_PLATFORM, or nullptr for unset
    const char* display;   // DISPLAY, or nullptr for unset
  };
  const Environment environments[] = {
      {"no display named", nullptr, nullptr},
      {"a display nobody serves", nullptr, ":9731"},
      {"a headless platform asked for", "offscreen", nullptr},
  };
  // The location line names the program's own start-up file.
  const std::string fatal_text =
      "运行时出错!\r\n\r\n错误信息：载入启动窗口失败\r\n\r\n出错位置：main.cpp 第 ";
  for (const Environment& e : environments) {
    SCOPED_TRACE(e.name);
    EXPECT_EXIT(
        {
          use_display_environment(e.platform, e.display);
          run_program();
        },
        ExitedWithCode(FATAL_EXIT_CODE), AllOf(HasSubstr(fatal_text), EndsWith(" 列\r\n")));
  }
}

void announce_exit_routine() { std::fputs("exit routine ran", stderr); }

TEST(StartUp, AFatalErrorSkipsTheRegisteredExitRoutines) {
  EXPECT_EXIT(
      {
        register_exit_routine(announce_exit_routine);
        fatal_error(0, "x");
      },
      ExitedWithCode(FATAL_EXIT_CODE), AllOf(HasSubstr("x"), Not(HasSubstr("exit routine ran"))));
}

}  // namespace
