// Throughput of the walking text operations against the standard library doing the nearest same
// work on the same data (which ignores double-byte characters), on 1 MiB and 16 MiB of pure ASCII
// and of GBK-heavy text. After the runs a summary prints, per operation, the median throughput
// of both, their ratio, and how the time grows from 1 MiB to 16 MiB.
//
// Every pass starts with the processor caches emptied of the text. A 16 MiB text never fits in
// them, and a warm 1 MiB one would: the growth would then measure the cache, not the operation.
// Times are processor time, since other work shares this machine. Memory freed between passes is
// kept for the next, so neither size pays the system's page faults.
//
//   runtime_text_bench                       (all, ~1 minute)
//   runtime_text_bench --benchmark_filter=find_text
#include <benchmark/benchmark.h>
#include <malloc.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <limits>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "runtime/text.h"

namespace {

constexpr std::size_t MIB = std::size_t{1} << 20;
constexpr std::size_t SIZES[] = {1 * MIB, 16 * MIB};

enum class Kind { ascii, gbk };
const char* kind_name(Kind kind) { return kind == Kind::ascii ? "ascii" : "gbk"; }

// Needles that occur only at the end of the texts: the ASCII words never hold '=', and the GBK
// text never uses the lead byte of "中" (it may still appear across two characters, which the
// walk must reject).
const Text ASCII_NEEDLE = "e=end";
const Text GBK_NEEDLE = "中文";
const Text& needle_for(Kind kind) { return kind == Kind::ascii ? ASCII_NEEDLE : GBK_NEEDLE; }

class Random {
 public:
  std::uint32_t below(std::uint32_t n) {
    state_ = state_ * 6364136223846793005u + 1442695040888963407u;
    return static_cast<std::uint32_t>(state_ >> 33) % n;
  }

 private:
  std::uint64_t state_ = 42;
};

void append_character(Text& t, Kind kind, Random& random) {
  if (kind == Kind::ascii) {
    t += static_cast<char>('a' + random.below(26));
    return;
  }
  std::uint32_t lead = 0xB0 + random.below(0xF8 - 0xB0);
  if (lead == 0xD6) lead = 0xD7;
  if (random.below(4) == 0) {
    // An extension character whose second byte is in the ASCII range: 0x40-0x7E.
    t += static_cast<char>(0x81 + random.below(0xA0 - 0x81));
    t += static_cast<char>(0x40 + random.below(0x7F - 0x40));
  } else {
    t += static_cast<char>(lead);
    t += static_cast<char>(0xA1 + random.below(0xFF - 0xA1));
  }
}

// Words of 2-9 characters separated by ',' or ' ', with blanks at both ends and the needle last.
Text make_text(Kind kind, std::size_t size) {
  Random random;
  const Text edge = kind == Kind::ascii ? "    " : " \xA1\xA1 ";
  Text t = edge;
  while (t.size() + 32 < size) {
    for (std::uint32_t n = 2 + random.below(8); n > 0; --n) append_character(t, kind, random);
    t += random.below(3) == 0 ? ' ' : ',';
  }
  return t + needle_for(kind) + edge;
}

const Text& corpus(Kind kind, std::size_t size) {
  static std::map<std::pair<Kind, std::size_t>, Text> cache;
  auto [entry, added] = cache.try_emplace({kind, size});
  if (added) entry->second = make_text(kind, size);
  return entry->second;
}

// Reading a buffer well beyond any cache's size pushes the text and the last result out of them.
void empty_caches() {
  static const std::vector<unsigned char> scratch(256 * MIB, 1);
  unsigned sum = 0;
  for (std::size_t at = 0; at < scratch.size(); at += 64) sum += scratch[at];
  benchmark::DoNotOptimize(sum);
}

// The floors: the standard library's nearest equivalent of each operation.
Text plain_replace(const Text& t, const Text& find, const Text& replacement) {
  Text result;
  result.reserve(t.size());
  std::size_t copied_to = 0;
  for (std::size_t at = t.find(find); at != Text::npos; at = t.find(find, copied_to)) {
    result.append(t, copied_to, at - copied_to).append(replacement);
    copied_to = at + find.size();
  }
  return result.append(t, copied_to);
}

std::vector<Text> plain_split(const Text& t, const Text& delimiter) {
  std::vector<Text> pieces;
  std::size_t piece = 0;
  for (std::size_t at = t.find(delimiter); at != Text::npos; at = t.find(delimiter, piece)) {
    pieces.emplace_back(t, piece, at - piece);
    piece = at + delimiter.size();
  }
  if (piece < t.size()) pieces.emplace_back(t, piece);
  return pieces;
}

Text plain_trim(const Text& t) {
  const std::size_t begin = t.find_first_not_of(" \xA1");
  if (begin == Text::npos) return Text();
  return t.substr(begin, t.find_last_not_of(" \xA1") + 1 - begin);
}

Text plain_upper(const Text& t) {
  Text result(t);
  std::transform(result.begin(), result.end(), result.begin(), [](char c) {
    return static_cast<char>(c - (static_cast<unsigned char>(c - 'a') < 26 ? 'a' - 'A' : 0));
  });
  return result;
}

struct Operation {
  const char* name;
  const char* floor_name;
  std::function<void(const Text&, Kind)> project;
  std::function<void(const Text&, Kind)> floor;
};

const std::vector<Operation>& operations() {
  static const std::vector<Operation> list = {
      {"find_text", "std::string::find",
       [](const Text& t, Kind k) { benchmark::DoNotOptimize(find_text(t, needle_for(k))); },
       [](const Text& t, Kind k) { benchmark::DoNotOptimize(t.find(needle_for(k))); }},
      {"replace_text", "find+append loop",
       [](const Text& t, Kind) {
         benchmark::DoNotOptimize(replace_text(t, ",", ";;", std::nullopt, std::nullopt, true));
       },
       [](const Text& t, Kind) { benchmark::DoNotOptimize(plain_replace(t, ",", ";;")); }},
      {"split_text", "find+substr loop",
       [](const Text& t, Kind) { benchmark::DoNotOptimize(split_text(t, ",")); },
       [](const Text& t, Kind) { benchmark::DoNotOptimize(plain_split(t, ",")); }},
      {"trim_both", "find_first/last_not_of",
       [](const Text& t, Kind) { benchmark::DoNotOptimize(trim_both(t)); },
       [](const Text& t, Kind) { benchmark::DoNotOptimize(plain_trim(t)); }},
      {"to_upper", "transform a-z",
       [](const Text& t, Kind) { benchmark::DoNotOptimize(to_upper(t)); },
       [](const Text& t, Kind) { benchmark::DoNotOptimize(plain_upper(t)); }},
  };
  return list;
}

std::string benchmark_name(const Operation& op, Kind kind, std::size_t size, bool floor) {
  return std::string(op.name) + "/" + kind_name(kind) + "/" + std::to_string(size / MIB) +
         "MiB/" + (floor ? "floor" : "project");
}

void register_all() {
  for (const Operation& op : operations()) {
    for (const Kind kind : {Kind::ascii, Kind::gbk}) {
      for (const std::size_t size : SIZES) {
        for (const bool floor : {false, true}) {
          const auto& run = floor ? op.floor : op.project;
          benchmark::RegisterBenchmark(
              benchmark_name(op, kind, size, floor).c_str(),
              [&run, kind, size](benchmark::State& state) {
                const Text& t = corpus(kind, size);
                for (auto _ : state) {
                  state.PauseTiming();
                  empty_caches();
                  state.ResumeTiming();
                  run(t, kind);
                }
                state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                                        static_cast<std::int64_t>(t.size()));
              })
              ->Unit(benchmark::kMillisecond)
              ->Iterations(static_cast<benchmark::IterationCount>(32 * MIB / size))
              ->Repetitions(7)
              ->ReportAggregatesOnly(true);
        }
      }
    }
  }
}

// Passes every result on to the console and keeps the median processor time of one pass, in
// seconds, for the summary.
class MedianCollector : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
      if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "median" && run.iterations) {
        medians_[run.run_name.function_name] =
            run.cpu_accumulated_time / static_cast<double>(run.iterations);
      }
    }
  }

  // 0 when the benchmark did not run (filtered out).
  double median(const std::string& name) const {
    const auto found = medians_.find(name);
    return found == medians_.end() ? 0 : found->second;
  }

 private:
  std::map<std::string, double> medians_;
};

void print_summary(const MedianCollector& results) {
  std::printf("\nMedians. MB/s = 10^6 bytes per second; ratio = project's throughput / floor's;\n"
              "growth = time on 16 MiB / time on 1 MiB (16 is linear; the target is at most 18).\n");
  std::printf("%-13s %-5s | %20s %6s | %20s %6s | %15s | %s\n", "", "", "1 MiB: project, floor",
              "ratio", "16 MiB: project, floor", "ratio", "growth: pr, fl", "floor");
  for (const Operation& op : operations()) {
    for (const Kind kind : {Kind::ascii, Kind::gbk}) {
      double seconds[2][2] = {};  // [size][project, floor]
      for (int size = 0; size < 2; ++size) {
        for (int floor = 0; floor < 2; ++floor) {
          seconds[size][floor] = results.median(benchmark_name(op, kind, SIZES[size], floor));
        }
      }
      if (seconds[0][0] * seconds[0][1] * seconds[1][0] * seconds[1][1] == 0) continue;
      std::printf("%-13s %-5s", op.name, kind_name(kind));
      for (int size = 0; size < 2; ++size) {
        const double bytes = static_cast<double>(corpus(kind, SIZES[size]).size());
        std::printf(" | %10.0f %9.0f %6.2f", bytes / seconds[size][0] / 1e6,
                    bytes / seconds[size][1] / 1e6, seconds[size][1] / seconds[size][0]);
      }
      std::printf(" | %7.1f %7.1f | %s\n", seconds[1][0] / seconds[0][0],
                  seconds[1][1] / seconds[0][1], op.floor_name);
    }
  }
}

}  // namespace

int main(int argc, char** argv) {
  // Freed results stay with the process. Otherwise every pass over 16 MiB would take fresh pages
  // from the system (page faults and zeroing) while 1 MiB results are reused from the heap.
  mallopt(M_MMAP_MAX, 0);
  mallopt(M_TRIM_THRESHOLD, std::numeric_limits<int>::max());
  // Runs of project and floor are interleaved, so that load from elsewhere on the machine falls
  // on both alike.
  std::vector<char*> arguments(argv, argv + argc);
  std::string interleave = "--benchmark_enable_random_interleaving=true";
  arguments.insert(arguments.begin() + 1, interleave.data());
  int count = static_cast<int>(arguments.size());
  benchmark::Initialize(&count, arguments.data());
  if (benchmark::ReportUnrecognizedArguments(count, arguments.data())) return 1;
  register_all();
  MedianCollector results;
  benchmark::RunSpecifiedBenchmarks(&results);
  benchmark::Shutdown();
  print_summary(results);
  return 0;
}
