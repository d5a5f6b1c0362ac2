// Misuse the program cannot survive ends it through the fatal-error path: a list index out of
// range, a remainder by zero, and memory that cannot be obtained. Each case runs in a child.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <new>
#include <string>

#include "runtime/text.h"

namespace {

using ::testing::ExitedWithCode;
using ::testing::HasSubstr;

constexpr int FATAL_EXIT_CODE = 255;  // exit code -1 as the parent sees it

TEST(FatalErrors, ListIndexBelowOne) {
  const TextArray list{"a"};
  EXPECT_EXIT(static_cast<void>(list.element(0)), ExitedWithCode(FATAL_EXIT_CODE),
              HasSubstr("数组成员引用下标必须大于等于1"));
  EXPECT_EXIT(static_cast<void>(list.element(-5)), ExitedWithCode(FATAL_EXIT_CODE),
              HasSubstr("数组成员引用下标必须大于等于1"));
}

TEST(FatalErrors, ListIndexAboveTheCount) {
  TextArray list{"a"};
  EXPECT_EXIT(static_cast<void>(list.element(2)), ExitedWithCode(FATAL_EXIT_CODE),
              HasSubstr("数组成员引用下标超出定义范围"));
  EXPECT_EXIT(list.element(2) = "x", ExitedWithCode(FATAL_EXIT_CODE),
              HasSubstr("数组成员引用下标超出定义范围"));
  EXPECT_EXIT(static_cast<void>(TextArray().element(1)), ExitedWithCode(FATAL_EXIT_CODE),
              HasSubstr("数组成员引用下标超出定义范围"));
}

TEST(FatalErrors, RemainderByZero) {
  EXPECT_EXIT(static_cast<void>(modulo(7, 0)), ExitedWithCode(FATAL_EXIT_CODE),
              HasSubstr("不能求余数于零"));
  EXPECT_EXIT(static_cast<void>(modulo(7, -0.0)), ExitedWithCode(FATAL_EXIT_CODE),
              HasSubstr("不能求余数于零"));
}

TEST(FatalErrors, MemoryThatCannotBeObtainedNamesTheRequestedSize) {
  // Far beyond any machine's memory, yet within what a byte buffer may ask for.
  constexpr std::size_t huge = std::size_t{1} << 60;
  EXPECT_EXIT(Bytes().reserve(huge), ExitedWithCode(FATAL_EXIT_CODE),
              HasSubstr("分配 " + std::to_string(huge) + " 字节内存失败!"));
}

TEST(FatalErrors, NothrowAllocationStillReportsFailureToItsCaller) {
  EXPECT_EQ(::operator new(std::size_t{1} << 60, std::nothrow), nullptr);
}

}  // namespace
