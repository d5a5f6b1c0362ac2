#include "app/exit_routines.h"

#include <algorithm>
#include <cstddef>
#include <vector>

namespace {

std::vector<ExitRoutine>& registered_routines() {
  static std::vector<ExitRoutine> routines;
  return routines;
}

}  // namespace

void register_exit_routine(ExitRoutine routine) {
  std::vector<ExitRoutine>& routines = registered_routines();
  if (std::find(routines.begin(), routines.end(), routine) == routines.end()) {
    routines.push_back(routine);
  }
}

void run_exit_routines() {
  std::vector<ExitRoutine>& routines = registered_routines();
  // By index: a routine may register another, which would invalidate iterators.
  for (std::size_t i = 0; i < routines.size(); ++i) routines[i]();
  routines.clear();
}
