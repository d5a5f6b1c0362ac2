// convert_charset of a UTF-8 service answer beside ICU converting the same bytes straight to
// code page 936, from 64 KiB to 4 MiB. The conversion passes the text through UTF-16 twice and
// through the stream component's copies, so it should stay within about 3x of the direct one.
#include <benchmark/benchmark.h>
#include <unicode/ucnv.h>

#include "bench/ratio_report.h"
#include "encoding/convert_charset.h"
#include "platform/automation_host.h"

namespace {

// A JSON answer of `size` bytes, about half of it Chinese, worded the way the service answers.
Bytes utf8_answer(size_t size) {
  const std::u8string_view item =
      u8"{\"code\":\"0\",\"data\":\"https://tts.example/audio/合成结果-0123456789.mp3\","
      u8"\"msg\":\"语音合成成功，请在有效期内下载音频文件。\"},";
  const std::string text = bench::text_of_size(
      std::string_view(reinterpret_cast<const char*>(item.data()), item.size()), size);
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

BENCHMARK(BM_convert_charset)->Apply(bench::sizes_64k_to_4m);
BENCHMARK(BM_icu_direct)->Apply(bench::sizes_64k_to_4m);

}  // namespace

int main(int argc, char** argv) {
  platform::ole_initialize();  // as start-up does
  return bench::run_with_ratios(argc, argv, {{"BM_convert_charset", "BM_icu_direct"}});
}
