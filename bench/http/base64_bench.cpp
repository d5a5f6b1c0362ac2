// base64_encode of random bytes beside a memcpy of the same bytes, from 64 KiB to 4 MiB.
#include <benchmark/benchmark.h>

#include <random>

#include "bench/ratio_report.h"
#include "http/base64.h"

namespace {

Bytes random_bytes(size_t size) {
  std::mt19937 random(7);
  Bytes data(size);
  for (auto& b : data) b = static_cast<std::uint8_t>(random());
  return data;
}

void BM_base64_encode(benchmark::State& state) {
  const Bytes data = random_bytes(static_cast<size_t>(state.range(0)));
  for (auto _ : state) {
    Text encoded = base64_encode(data);
    benchmark::DoNotOptimize(encoded.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * data.size()));
}

void BM_memcpy(benchmark::State& state) {
  const Bytes data = random_bytes(static_cast<size_t>(state.range(0)));
  bench::time_memcpy(state, data.data(), data.size());
}

BENCHMARK(BM_base64_encode)->Apply(bench::sizes_64k_to_4m);
BENCHMARK(BM_memcpy)->Apply(bench::sizes_64k_to_4m);

}  // namespace

int main(int argc, char** argv) {
  return bench::run_with_ratios(argc, argv, {{"BM_base64_encode", "BM_memcpy"}});
}
