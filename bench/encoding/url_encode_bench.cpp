// url_encode of a mixed GBK and ASCII text (unreserved bytes kept, as form bodies use it) beside
// a memcpy of the same bytes, from 64 KiB to 4 MiB.
#include <benchmark/benchmark.h>


#include "bench/ratio_report.h"
#include "encoding/url_encode.h"

namespace {

Text mixed_text(size_t size) {
  return bench::text_of_size("语音合成 text-to-speech 1/2_~ 你好，世界! ", size);
}

void BM_url_encode(benchmark::State& state) {
  const Text text = mixed_text(static_cast<size_t>(state.range(0)));
  for (auto _ : state) {
    Text encoded = url_encode(text, true);
    benchmark::DoNotOptimize(encoded.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}

void BM_memcpy(benchmark::State& state) {
  const Text text = mixed_text(static_cast<size_t>(state.range(0)));
  bench::time_memcpy(state, text.data(), text.size());
}

BENCHMARK(BM_url_encode)->Apply(bench::sizes_64k_to_4m);
BENCHMARK(BM_memcpy)->Apply(bench::sizes_64k_to_4m);

}  // namespace

int main(int argc, char** argv) {
  return bench::run_with_ratios(argc, argv, {{"BM_url_encode", "BM_memcpy"}});
}
