// Project call and floor call taken in turn, call by call, for benchmarks whose single call is long
// (a network exchange, a process start) and whose figures are compared as medians. Which side goes
// first swaps at every iteration, so the load of a shared machine, which drifts over seconds, falls
// on both alike.
//
//   std::vector<double> project, floor;
//   bool ok = true;
//   bench::alternate(state, [&] { project.push_back(bench::microseconds_of(post_a, ok)); },
//                           [&] { floor.push_back(bench::microseconds_of(post_b, ok)); });
//   state.counters["project_us"] = bench::median(project);
//   ...
//   int main(...) { bench::CounterReporter reporter; benchmark::RunSpecifiedBenchmarks(&reporter);
//                   reporter.counters["project_us"] ... }
#pragma once

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <map>
#include <string>
#include <vector>

namespace bench {

// The middle value (the upper one of an even count); 0 for no values.
inline double median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values.empty() ? 0 : values[values.size() / 2];
}

// Wall-clock time of one call of `call`; a call that returns false clears `ok`.
template <typename Call>
double microseconds_of(Call&& call, bool& ok) {
  const auto start = std::chrono::steady_clock::now();
  ok = call() && ok;
  return std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start)
      .count();
}

// One call of each side per iteration of `state`, the project first on even iterations.
template <typename Project, typename Floor>
void alternate(benchmark::State& state, Project&& project, Floor&& floor) {
  bool project_first = true;
  for (auto _ : state) {
    if (project_first) project();
    floor();
    if (!project_first) project();
    project_first = !project_first;
  }
}

// Keeps the last value of every counter that the benchmarks set, for a summary after the run.
class CounterReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) {
      for (const auto& [name, counter] : run.counters) counters[name] = counter.value;
    }
    ConsoleReporter::ReportRuns(runs);
  }
  std::map<std::string, double> counters;
};

}  // namespace bench
