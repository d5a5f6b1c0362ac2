// http_request posting the synthesis form to a local HTTPS server, beside a bare libcurl easy
// handle doing the same POST with the same headers. Both open a new connection (and a full TLS
// handshake) per call, as the program does; the request object, the late-bound calls and the
// header work should stay within 1.10x of the bare handle.
#include <benchmark/benchmark.h>
#include <curl/curl.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

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

void BM_http_request(benchmark::State& state) {
  const std::string url = server().url("/functions/tts/text");
  for (auto _ : state) {
    Text headers = "User-Agent: Mozilla/5.0";
    Bytes body = http_request(url, {.method = 1, .body_text = kFormBody, .headers = &headers});
    if (body.size() != kAnswer.size()) state.SkipWithError("http_request failed");
    benchmark::DoNotOptimize(body.data());
  }
}

size_t collect(char* data, size_t size, size_t count, void* user) {
  static_cast<std::string*>(user)->append(data, size * count);
  return size * count;
}

void BM_bare_curl(benchmark::State& state) {
  const std::string url = server().url("/functions/tts/text");
  const std::string referer = "Referer: " + url;
  curl_slist* headers = nullptr;
  for (const char* line : {"User-Agent: Mozilla/5.0", "Accept: */*", referer.c_str(),
                           "Accept-Language: zh-cn",
                           "Content-Type: application/x-www-form-urlencoded", "Expect:"}) {
    headers = curl_slist_append(headers, line);
  }
  for (auto _ : state) {
    CURL* easy = curl_easy_init();
    std::string body;
    bool ok = easy && curl_easy_setopt(easy, CURLOPT_URL, url.c_str()) == CURLE_OK &&
              curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L) == CURLE_OK &&
              curl_easy_setopt(easy, CURLOPT_HTTPHEADER, headers) == CURLE_OK &&
              curl_easy_setopt(easy, CURLOPT_POSTFIELDSIZE, static_cast<long>(kFormBodyUtf8.size())) == CURLE_OK &&
              curl_easy_setopt(easy, CURLOPT_POSTFIELDS, kFormBodyUtf8.c_str()) == CURLE_OK &&
              curl_easy_setopt(easy, CURLOPT_SSL_VERIFYPEER, 0L) == CURLE_OK &&
              curl_easy_setopt(easy, CURLOPT_SSL_VERIFYHOST, 0L) == CURLE_OK &&
              curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, collect) == CURLE_OK &&
              curl_easy_setopt(easy, CURLOPT_WRITEDATA, &body) == CURLE_OK &&
              curl_easy_perform(easy) == CURLE_OK;
    curl_easy_cleanup(easy);
    if (!ok || body.size() != kAnswer.size()) state.SkipWithError("bare curl failed");
    benchmark::DoNotOptimize(body.data());
  }
  curl_slist_free_all(headers);
}

BENCHMARK(BM_http_request)->Repetitions(15)->ReportAggregatesOnly(true)
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_bare_curl)->Repetitions(15)->ReportAggregatesOnly(true)
    ->Unit(benchmark::kMicrosecond);

class MedianReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) {
      if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "median") {
        medians[run.run_name.function_name] = run.GetAdjustedRealTime();
      }
    }
    ConsoleReporter::ReportRuns(runs);
  }
  std::map<std::string, double> medians;
};

}  // namespace

int main(int argc, char** argv) {
  // Network round trips on a shared machine drift; interleaving the repetitions of the two
  // benchmarks lets both see the same drift. A flag on the command line still wins.
  static char interleave[] = "--benchmark_enable_random_interleaving=true";
  std::vector<char*> args(argv, argv + argc);
  args.insert(args.begin() + 1, interleave);
  int count = static_cast<int>(args.size());
  benchmark::Initialize(&count, args.data());
  platform::ole_initialize();  // as start-up does
  curl_global_init(CURL_GLOBAL_DEFAULT);
  MedianReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  double project = reporter.medians["BM_http_request"];
  double floor = reporter.medians["BM_bare_curl"];
  if (project > 0 && floor > 0) {
    std::printf("http_request / bare libcurl POST (medians): %.0f us / %.0f us = %.2fx\n", project,
                floor, project / floor);
  }
  return 0;
}
