// to_utf8 of a mostly Chinese GBK text beside ICU converting the same bytes from windows-936 to
// UTF-8 directly, from 64 KiB to 4 MiB. to_utf8 goes through UTF-16 and sizes each step first,
// so it does several passes where ICU does one.
#include <benchmark/benchmark.h>
#include <unicode/ucnv.h>

#include "bench/ratio_report.h"
#include "encoding/codepage_conversion.h"

namespace {

Text chinese_text(size_t size) {
  return bench::text_of_size("我是一只小小鸟，想要飞呀飞却飞也飞不高。Speech 2024! ", size);
}

void BM_to_utf8(benchmark::State& state) {
  const Text text = chinese_text(static_cast<size_t>(state.range(0)));
  for (auto _ : state) {
    Text utf8 = to_utf8(text);
    benchmark::DoNotOptimize(utf8.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}

void BM_icu_direct(benchmark::State& state) {
  const Text text = chinese_text(static_cast<size_t>(state.range(0)));
  for (auto _ : state) {
    Text utf8(text.size() * 2 + 16, '\0');
    UErrorCode status = U_ZERO_ERROR;
    const int32_t n = ucnv_convert("UTF-8", "windows-936", utf8.data(),
                                   static_cast<int32_t>(utf8.size()), text.data(),
                                   static_cast<int32_t>(text.size()), &status);
    if (U_FAILURE(status)) state.SkipWithError("ICU conversion failed");
    utf8.resize(static_cast<size_t>(n));
    benchmark::DoNotOptimize(utf8.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}

BENCHMARK(BM_to_utf8)->Apply(bench::sizes_64k_to_4m);
BENCHMARK(BM_icu_direct)->Apply(bench::sizes_64k_to_4m);

}  // namespace

int main(int argc, char** argv) {
  return bench::run_with_ratios(argc, argv, {{"BM_to_utf8", "BM_icu_direct"}});
}
