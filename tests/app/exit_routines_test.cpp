// The routines registered for a normal exit: each once, in registration order.
#include <gtest/gtest.h>

#include <string>

#include "app/exit_routines.h"

namespace {

std::string ran;

void first() { ran += "1"; }
void second() { ran += "2"; }
void third() { ran += "3"; }
void registers_third() {
  ran += "r";
  register_exit_routine(third);
  register_exit_routine(first);
}

TEST(ExitRoutines, RunOnceInRegistrationOrderAndADuplicateKeepsItsFirstPlace) {
  ran.clear();
  register_exit_routine(second);
  register_exit_routine(first);
  register_exit_routine(second);
  register_exit_routine(first);
  run_exit_routines();
  EXPECT_EQ(ran, "21");
  run_exit_routines();
  EXPECT_EQ(ran, "21");
}

TEST(ExitRoutines, ARoutineRegisteredWhileTheyRunRunsAfterThemInTheSameRun) {
  ran.clear();
  register_exit_routine(first);
  register_exit_routine(registers_third);
  run_exit_routines();
  EXPECT_EQ(ran, "1r3");
}

}  // namespace
