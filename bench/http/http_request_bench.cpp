// http_request posting the synthesis form to a local HTTPS server, beside a bare libcurl easy
// handle doing the same POST with the same headers, call by call in turn. Both open a new
// connection (and a full TLS handshake) per call, as the program does; the request object, the
// late-bound calls and the header work should stay within 1.10x of the bare handle.
#include <benchmark/benchmark.h>
#include <curl/curl.h>

#include <cstdio>
#include <string>
#include <vector>

#include "bench/bare_curl_post.h"
#include "bench/paired_timing.h"
#include "http/http_request.h"
#include "https_recorder.h"
#include "platform/automation_host.h"

namespace {

constexpr std::string_view kAnswer = "{\"code\":0,\"data\":\"https://127.0.0.1/a.mp3\"}";
// The form body as the synthesis flow renders it (GBK in the program, UTF-8 on the wire).
const Text kFormBody = "value=欢迎使用语音合成工具，这是一段测试文本。&voice=zhiyu&volume=50"
                       "&speech_rate=0&pitch_rate=0&type=1";
const std::string kFormBodyUtf8 = reinterpret_cast<const char*>(
    u8"value=欢迎使用语音合成工具，这是一段测试文本。&voice=zhiyu&volume=50"
    u8"&speech_rate=0&pitch_rate=0&type=1");

tts_test::HttpsRecorder& server() {
  static tts_test::HttpsRecorder instance;
  static const bool answered = [] {
    instance.set_default_answer({.header_lines = {"Content-Type: application/json"},
                                 .body = std::string(kAnswer)});
    return true;
  }();
  (void)answered;
  return instance;
}

bool post_with_http_request(const std::string& url) {
  Text headers = "User-Agent: Mozilla/5.0";
  Bytes body = http_request(url, {.method = 1, .body_text = kFormBody, .headers = &headers});
  benchmark::DoNotOptimize(body.data());
  return body.size() == kAnswer.size();
}

void BM_http_request_vs_bare_curl(benchmark::State& state) {
  const std::string url = server().url("/functions/tts/text");
  const bench::BareCurlPost bare_post(url, "Mozilla/5.0");
  std::vector<double> project, floor;
  bool ok = true;
  auto project_post = [&] { return post_with_http_request(url); };
  auto floor_post = [&] { return bare_post.post(kFormBodyUtf8, kAnswer.size()); };
  bench::alternate(
      state, [&] { project.push_back(bench::microseconds_of(project_post, ok)); },
      [&] { floor.push_back(bench::microseconds_of(floor_post, ok)); });
  if (!ok) state.SkipWithError("a POST failed");
  state.counters["http_request_us"] = bench::median(project);
  state.counters["bare_curl_us"] = bench::median(floor);
  state.counters["ratio"] = bench::median(project) / bench::median(floor);
}

BENCHMARK(BM_http_request_vs_bare_curl)->Iterations(400)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  platform::ole_initialize();  // as start-up does
  curl_global_init(CURL_GLOBAL_DEFAULT);
  bench::CounterReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  double project = reporter.counters["http_request_us"];
  double floor = reporter.counters["bare_curl_us"];
  if (project > 0 && floor > 0) {
    std::printf("http_request / bare libcurl POST (medians): %.0f us / %.0f us = %.2fx\n", project,
                floor, project / floor);
  }
  return 0;
}
