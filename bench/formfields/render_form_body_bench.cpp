// render_form_body of a list whose plain body is 64 KiB to 4 MiB (fields of about 60 bytes, as a
// form of many short fields), without and with percent-encoding, beside a memcpy of the plain
// body's bytes. Throughput counts the plain body's bytes in all three.
#include <benchmark/benchmark.h>

#include <string>

#include "bench/ratio_report.h"
#include "formfields/form_field_list.h"

namespace {

FormFieldList fields_of(size_t body_size) {
  FormFieldList list;
  size_t rendered = 0;
  for (int k = 0; rendered < body_size; ++k) {
    const Text name = "field" + std::to_string(k);
    const Text value = "语音合成 value-" + std::to_string(k) + " 你好，世界 speech rate 0/50";
    list.add(name, value);
    rendered += name.size() + value.size() + 2;
  }
  return list;
}

void render(benchmark::State& state, bool url_encode) {
  const FormFieldList list = fields_of(static_cast<size_t>(state.range(0)));
  const size_t plain_size = list.render_form_body().size();
  for (auto _ : state) {
    Text body = list.render_form_body(url_encode);
    benchmark::DoNotOptimize(body.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * plain_size));
}

void BM_render_form_body(benchmark::State& state) { render(state, false); }
void BM_render_form_body_encoded(benchmark::State& state) { render(state, true); }

void BM_memcpy(benchmark::State& state) {
  const Text body = fields_of(static_cast<size_t>(state.range(0))).render_form_body();
  bench::time_memcpy(state, body.data(), body.size());
}

BENCHMARK(BM_render_form_body)->Apply(bench::sizes_64k_to_4m);
BENCHMARK(BM_render_form_body_encoded)->Apply(bench::sizes_64k_to_4m);
BENCHMARK(BM_memcpy)->Apply(bench::sizes_64k_to_4m);

}  // namespace

int main(int argc, char** argv) {
  return bench::run_with_ratios(argc, argv, {{"BM_render_form_body", "BM_memcpy"},
                                             {"BM_render_form_body_encoded", "BM_memcpy"}});
}
