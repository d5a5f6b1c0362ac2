// convert_charset of a UTF-8 service answer beside ICU converting the same bytes straight to
// code page 936. The conversion passes the text through UTF-16 twice and through the stream
// component's copies, so it should stay within about 3x of the direct conversion.
#include <benchmark/benchmark.h>
#include <unicode/ucnv.h>

#include <cstdio>
#include <map>
#include <string>

#include "encoding/convert_charset.h"
#include "platform/automation_host.h"

namespace {

// A JSON answer of about `size` bytes, half Chinese, the way the service words its answers.
Bytes utf8_answer(size_t size) {
  const std::u8string item =
      u8"{\"code\":\"0\",\"data\":\"https://tts.example/audio/合成结果-0123456789.mp3\","
      u8"\"msg\":\"语音合成成功，请在有效期内下载音频文件。\"},";
  std::u8string text = u8"[";
  while (text.size() + item.size() + 1 < size) text += item;
  text += u8"{}]";
  return Bytes(text.begin(), text.end());
}

void BM_convert_charset(benchmark::State& state) {
  const Bytes source = utf8_answer(static_cast<size_t>(state.range(0)));
  for (auto _ : state) {
    Bytes converted = convert_charset(source);
    benchmark::DoNotOptimize(converted.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * source.size()));
}

void BM_icu_direct(benchmark::State& state) {
  const Bytes source = utf8_answer(static_cast<size_t>(state.range(0)));
  for (auto _ : state) {
    std::string converted(source.size() + 16, '\0');
    UErrorCode status = U_ZERO_ERROR;
    const int32_t n = ucnv_convert("windows-936", "UTF-8", converted.data(),
                                   static_cast<int32_t>(converted.size()),
                                   reinterpret_cast<const char*>(source.data()),
                                   static_cast<int32_t>(source.size()), &status);
    if (U_FAILURE(status)) state.SkipWithError("ICU conversion failed");
    converted.resize(static_cast<size_t>(n));
    benchmark::DoNotOptimize(converted.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * source.size()));
}

BENCHMARK(BM_convert_charset)->Arg(64 << 10)->Arg(4 << 20)->Repetitions(5)
    ->ReportAggregatesOnly(true)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_icu_direct)->Arg(64 << 10)->Arg(4 << 20)->Repetitions(5)
    ->ReportAggregatesOnly(true)->Unit(benchmark::kMicrosecond);

// Keeps the medians so that the ratio of each size can be printed after the runs. CPU time, not
// wall time: other work on a shared machine stretches the wall time of either side unevenly.
class MedianReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) {
      if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "median") {
        medians[run.run_name.function_name][run.run_name.args] = run.GetAdjustedCPUTime();
      }
    }
    ConsoleReporter::ReportRuns(runs);
  }
  std::map<std::string, std::map<std::string, double>> medians;
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  platform::ole_initialize();  // as start-up does
  MedianReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  for (const auto& [size, project] : reporter.medians["BM_convert_charset"]) {
    const auto direct = reporter.medians["BM_icu_direct"].find(size);
    if (direct == reporter.medians["BM_icu_direct"].end() || direct->second <= 0) continue;
    std::printf("ratio convert_charset / ICU direct, %s bytes: %.2fx (target <= 3x)\n",
                size.c_str(), project / direct->second);
  }
  platform::ole_uninitialize();
  benchmark::Shutdown();
}
