// Runs a benchmark program's registered benchmarks and then prints, for each pair of a project
// operation and its floor (the same work done the plainest way: a memcpy of the same bytes, or a
// library converting the same text directly), the median throughput of both at each size, their
// ratio, and the project's time per byte at each size relative to the smallest size: about 1.0
// all the way up means the operation scales linearly.
//
//   BENCHMARK(BM_url_encode)->Apply(bench::sizes_64k_to_4m);
//   BENCHMARK(BM_memcpy)->Apply(bench::sizes_64k_to_4m);
//   int main(int argc, char** argv) {
//     return bench::run_with_ratios(argc, argv, {{"BM_url_encode", "BM_memcpy"}});
//   }
#pragma once

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <initializer_list>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace bench {

// 64 KiB, 256 KiB, 1 MiB and 4 MiB; five repetitions each, of which the median is reported.
inline void sizes_64k_to_4m(benchmark::internal::Benchmark* b) {
  b->RangeMultiplier(4)->Range(64 << 10, 4 << 20)->Repetitions(5)->ReportAggregatesOnly(true)
      ->MinTime(0.2)->Unit(benchmark::kMicrosecond);
}

// `piece` repeated up to `size` bytes, topped up with "x" to exactly `size`.
inline std::string text_of_size(std::string_view piece, size_t size) {
  std::string text;
  text.reserve(size);
  while (text.size() + piece.size() <= size) text += piece;
  return text.append(size - text.size(), 'x');
}

// The memcpy floor: copies `size` bytes from `data` in every iteration and reports them as
// processed.
inline void time_memcpy(benchmark::State& state, const void* data, size_t size) {
  std::vector<char> copy(size);
  for (auto _ : state) {
    std::memcpy(copy.data(), data, size);
    benchmark::DoNotOptimize(copy.data());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * size));
}

// Keeps the median throughput (bytes per second) of every benchmark and size.
class MedianReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) {
      if (run.run_type != Run::RT_Aggregate || run.aggregate_name != "median") continue;
      const auto rate = run.counters.find("bytes_per_second");
      if (rate == run.counters.end()) continue;
      const long size = std::stol(run.run_name.args);
      throughput[run.run_name.function_name][size] = rate->second.value;
    }
    ConsoleReporter::ReportRuns(runs);
  }
  std::map<std::string, std::map<long, double>> throughput;
};

struct ProjectAndFloor {
  const char* project;
  const char* floor;
};

inline int run_with_ratios(int argc, char** argv, std::initializer_list<ProjectAndFloor> pairs) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  MedianReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  std::printf("\n%-28s %9s %12s %12s %8s %14s\n", "operation (median)", "size KiB", "MB/s",
              "floor MB/s", "ratio", "ns/B vs 64KiB");
  for (const ProjectAndFloor& pair : pairs) {
    const auto& project = reporter.throughput[pair.project];
    const auto& floor = reporter.throughput[pair.floor];
    if (project.empty()) continue;
    const double first_rate = project.begin()->second;
    for (const auto& [size, rate] : project) {
      const auto floor_rate = floor.find(size);
      const double floor_mb = floor_rate == floor.end() ? 0 : floor_rate->second / 1e6;
      std::printf("%-28s %9ld %12.1f %12.1f %7.1fx %14.2f\n", pair.project, size >> 10,
                  rate / 1e6, floor_mb, rate > 0 ? floor_mb * 1e6 / rate : 0,
                  rate > 0 ? first_rate / rate : 0);
    }
  }
  return 0;
}

}  // namespace bench
