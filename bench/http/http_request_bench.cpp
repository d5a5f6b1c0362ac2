// http_request posting the synthesis form to a local HTTPS server, beside a bare libcurl easy
// handle doing the same POST with the same headers, call by call in turn. Both open a new
// connection (and a full TLS handshake) per call, as the program does; the request object, the
// late-bound calls and the header work should stay within 1.10x of the bare handle.
#include <benchmark/benchmark.h>
#include <curl/curl.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
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

bool post_with_http_request(const std::string& url) {
  Text headers = "User-Agent: Mozilla/5.0";
  Bytes body = http_request(url, {.method = 1, .body_text = kFormBody, .headers = &headers});
  benchmark::DoNotOptimize(body.data());
  return body.size() == kAnswer.size();
}

size_t collect(char* data, size_t size, size_t count, void* user) {
  static_cast<std::string*>(user)->append(data, size * count);
  return size * count;
}

// The same POST with the same header lines on a fresh easy handle, so a fresh connection.
bool post_with_bare_curl(const std::string& url, curl_slist* headers) {
  CURL* easy = curl_easy_init();
  std::string body;
  bool ok = easy && curl_easy_setopt(easy, CURLOPT_URL, url.c_str()) == CURLE_OK &&
            curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L) == CURLE_OK &&
            curl_easy_setopt(easy, CURLOPT_HTTPHEADER, headers) == CURLE_OK &&
            curl_easy_setopt(easy, CURLOPT_POSTFIELDSIZE,
                             static_cast<long>(kFormBodyUtf8.size())) == CURLE_OK &&
            curl_easy_setopt(easy, CURLOPT_POSTFIELDS, kFormBodyUtf8.c_str()) == CURLE_OK &&
            curl_easy_setopt(easy, CURLOPT_SSL_VERIFYPEER, 0L) == CURLE_OK &&
            curl_easy_setopt(easy, CURLOPT_SSL_VERIFYHOST, 0L) == CURLE_OK &&
            curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, collect) == CURLE_OK &&
            curl_easy_setopt(easy, CURLOPT_WRITEDATA, &body) == CURLE_OK &&
            curl_easy_perform(easy) == CURLE_OK;
  curl_easy_cleanup(easy);
  benchmark::DoNotOptimize(body.data());
  return ok && body.size() == kAnswer.size();
}

double microseconds_of(const std::function<bool()>& post, bool& ok) {
  auto start = std::chrono::steady_clock::now();
  ok = post() && ok;
  return std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start)
      .count();
}

double median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values.empty() ? 0 : values[values.size() / 2];
}

// The two sides alternate call by call (and swap who goes first), so the load of a shared
// machine, which drifts over seconds, falls on both alike.
void BM_http_request_vs_bare_curl(benchmark::State& state) {
  const std::string url = server().url("/functions/tts/text");
  const std::string referer = "Referer: " + url;
  curl_slist* headers = nullptr;
  for (const char* line : {"User-Agent: Mozilla/5.0", "Accept: */*", referer.c_str(),
                           "Accept-Language: zh-cn",
                           "Content-Type: application/x-www-form-urlencoded", "Expect:"}) {
    headers = curl_slist_append(headers, line);
  }
  std::vector<double> project, floor;
  bool ok = true;
  bool project_first = true;
  for (auto _ : state) {
    auto project_post = [&] { return post_with_http_request(url); };
    auto floor_post = [&] { return post_with_bare_curl(url, headers); };
    if (project_first) project.push_back(microseconds_of(project_post, ok));
    floor.push_back(microseconds_of(floor_post, ok));
    if (!project_first) project.push_back(microseconds_of(project_post, ok));
    project_first = !project_first;
  }
  curl_slist_free_all(headers);
  if (!ok) state.SkipWithError("a POST failed");
  state.counters["http_request_us"] = median(project);
  state.counters["bare_curl_us"] = median(floor);
  state.counters["ratio"] = median(project) / median(floor);
}

BENCHMARK(BM_http_request_vs_bare_curl)->Iterations(400)->Unit(benchmark::kMillisecond);

class CounterReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) {
      for (const auto& [name, counter] : run.counters) counters[name] = counter.value;
    }
    ConsoleReporter::ReportRuns(runs);
  }
  std::map<std::string, double> counters;
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  platform::ole_initialize();  // as start-up does
  curl_global_init(CURL_GLOBAL_DEFAULT);
  CounterReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  double project = reporter.counters["http_request_us"];
  double floor = reporter.counters["bare_curl_us"];
  if (project > 0 && floor > 0) {
    std::printf("http_request / bare libcurl POST (medians): %.0f us / %.0f us = %.2fx\n", project,
                floor, project / floor);
  }
  return 0;
}
