// The fatal-error text, and the end of a process through it where no box can be shown. Each end
// runs in a child process.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <source_location>
#include <string>

#include "runtime/fatal_error.h"
#include "tests/support/display_environment.h"

namespace {

using ::testing::EndsWith;
using ::testing::Eq;
using ::testing::ExitedWithCode;
using ::testing::Matcher;

constexpr int FATAL_EXIT_CODE = 255;  // exit code -1 as the parent sees it

TEST(FatalErrorText, CodeAndMessageLinesOnlyWhenPresentAndEveryLineEndsWithCrLf) {
  struct Case {
    int code;
    const char* message;
    Text head;  // the text before the location line
  };
  const Case cases[] = {
      {4, "数组成员引用下标必须大于等于1",
       "运行时出错!\r\n\r\n错误代码：4\r\n\r\n错误信息：数组成员引用下标必须大于等于1\r\n\r\n"},
      {0, "载入启动窗口失败", "运行时出错!\r\n\r\n错误信息：载入启动窗口失败\r\n\r\n"},
      {1, "", "运行时出错!\r\n\r\n错误代码：1\r\n\r\n"},
      {-7, "x", "运行时出错!\r\n\r\n错误代码：-7\r\n\r\n错误信息：x\r\n\r\n"},
      {0, "", "运行时出错!\r\n\r\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.code);
    const int line = __LINE__ + 1;
    const Text text = fatal_error_text(c.code, c.message);
    ASSERT_TRUE(text.starts_with(c.head)) << text;
    // The location line names this file and the line and column of the call.
    const Text place = "出错位置：window_fatal_error_test.cpp 第 " + std::to_string(line) + " 行 第 ";
    const Text end = " 列\r\n";
    const Text location = text.substr(c.head.size());
    ASSERT_TRUE(location.starts_with(place)) << location;
    ASSERT_TRUE(location.ends_with(end)) << location;
    const Text column = location.substr(place.size(), location.size() - place.size() - end.size());
    EXPECT_FALSE(column.empty());
    EXPECT_EQ(column.find_first_not_of("0123456789"), Text::npos) << column;
  }
}

TEST(FatalError, WithoutADisplayWritesTheWholeBoxTextToStandardErrorAndExitsWithMinusOne) {
  struct Environment {
    const char* name;
    const char* platform;  // QT_QPA_PLATFORM, or nullptr for unset
    const char* display;   // DISPLAY, or nullptr for unset
    bool exact;            // false where Qt reports its failed connection before the text
  };
  const Environment environments[] = {
      {"a headless platform asked for", "offscreen", ":9731", true},
      {"no display named", nullptr, nullptr, true},
      {"a display nobody serves", nullptr, ":9731", false},
  };
  const std::source_location where = std::source_location::current();
  const Text expected = fatal_error_text(4, "数组成员引用下标必须大于等于1", where);
  for (const Environment& e : environments) {
    SCOPED_TRACE(e.name);
    EXPECT_EXIT(
        {
          use_display_environment(e.platform, e.display);
          fatal_error(4, "数组成员引用下标必须大于等于1", where);
        },
        ExitedWithCode(FATAL_EXIT_CODE),
        e.exact ? Matcher<const std::string&>(Eq(expected)) : EndsWith(expected));
  }
}

}  // namespace
