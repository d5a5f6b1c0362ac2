// Chooses, inside a test's child process, the window-system platform and X display the code under
// test will open: each null argument leaves that variable unset, and Wayland is never used.
//
//   EXPECT_EXIT({ use_display_environment("offscreen", nullptr); run_program(); }, ...);
#pragma once

#include <cstdlib>

inline void use_display_environment(const char* platform, const char* display) {
  unsetenv("WAYLAND_DISPLAY");
  platform ? setenv("QT_QPA_PLATFORM", platform, 1) : unsetenv("QT_QPA_PLATFORM");
  display ? setenv("DISPLAY", display, 1) : unsetenv("DISPLAY");
}
