// One synthesis as "合成" runs it (the window's text and voice, the form, the request, the answer's
// conversion and parsing, the address written into the box) against a local HTTPS server, beside a
// plain libcurl POST of the same request bytes to the same server. Both open a new connection per
// call; they alternate call by call. Target: at most 1.10x. The program's requests resume the TLS
// session of the one before, so a second floor does so too: its ratio is the program's own cost.
//
// The program's endpoint is compiled in (127.0.0.1 and a fixed port, see CMakeLists.txt), so the
// benchmark enters a network namespace of its own first, where that port is surely free and nothing
// else is reachable: it must run as root.
//
// Run:
//   cmake --build <build> --target app_synthesis_bench && sudo <build>/bench/app/app_synthesis_bench
#include <benchmark/benchmark.h>
#include <curl/curl.h>
#include <net/if.h>
#include <sched.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTimer>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "app/main_window.h"
#include "app/synthesis.h"
#include "app/voice_catalogue.h"
#include "bench/bare_curl_post.h"
#include "bench/paired_timing.h"
#include "https_recorder.h"
#include "platform/automation_host.h"
#include "runtime/window_system.h"

namespace {

const std::string kAddress = "https://x/a.mp3";
const std::string kAnswer = R"({"code":0,"data":")" + kAddress + R"("})";
// What the window sends as it starts: its text, in UTF-8 on the wire, and the voice at position 1.
const std::string kFormBodyUtf8 = reinterpret_cast<const char*>(
    u8"value=我是一只小小鸟&voice=Ruoxi&volume=50&speech_rate=0&pitch_rate=0&type=1");

// A network namespace with only its own loopback, up. False (with errno) when not permitted.
bool enter_private_network() {
  if (unshare(CLONE_NEWNET) != 0) return false;
  const int socket_fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  ifreq loopback{};
  std::strncpy(loopback.ifr_name, "lo", IFNAMSIZ - 1);
  const bool up = socket_fd >= 0 && ioctl(socket_fd, SIOCGIFFLAGS, &loopback) == 0 &&
                  (loopback.ifr_flags |= IFF_UP, ioctl(socket_fd, SIOCSIFFLAGS, &loopback) == 0);
  if (socket_fd >= 0) close(socket_fd);
  return up;
}

// The program's window as it starts: catalogue created, list filled, nothing shown.
struct Program {
  std::unique_ptr<QApplication> application = open_window_system();
  std::unique_ptr<MainWindow> window;
  QTimer box_closer;
  int boxes_shown = 0;

  Program() {
    create_voice_catalogue();
    window = std::make_unique<MainWindow>();
    handle_window_created(*window->voiceList());
    // A failed synthesis opens a message box and waits in its loop; close it and count it rather
    // than hang. The timer runs only inside such a loop, never during a successful synthesis.
    QObject::connect(&box_closer, &QTimer::timeout, &box_closer, [this] {
      if (QWidget* box = QApplication::activeModalWidget()) {
        ++boxes_shown;
        box->close();
      }
    });
    box_closer.start(50);
  }
  ~Program() {
    window.reset();
    destroy_voice_catalogue();
  }

  // Times one synthesis alone; the box is emptied before and checked after, untimed.
  double timed_synthesis(bool& ok) {
    window->addressBox()->clear();
    const double microseconds = bench::microseconds_of(
        [this] {
          synthesize(*window->textBox(), *window->voiceList(), *window->addressBox());
          return true;
        },
        ok);
    ok = ok && window->addressBox()->text().toStdString() == kAddress;
    return microseconds;
  }
};

tts_test::HttpsRecorder* g_server = nullptr;
Program* g_program = nullptr;

// Both sides must put the same bytes on the wire, or the comparison means nothing.
bool same_request_on_the_wire(const bench::BareCurlPost& bare_post) {
  const size_t before = g_server->requests().size();
  bool ok = true;
  g_program->timed_synthesis(ok);
  if (!ok || !bare_post.post(kFormBodyUtf8, kAnswer.size())) return false;
  const std::vector<tts_test::RecordedRequest> requests = g_server->requests();
  if (requests.size() != before + 2) return false;
  const std::string& program = requests[before].raw;
  const std::string& floor = requests[before + 1].raw;
  if (program == floor) return true;
  std::fprintf(stderr, "the requests differ:\n--- synthesize\n%s\n--- bare libcurl\n%s\n",
               program.c_str(), floor.c_str());
  return false;
}

// Alternates synthesis and `bare_post` and keeps their medians as "<floor>_us" and
// "<floor>_ratio" beside "synthesize_us".
void compare_with(benchmark::State& state, const bench::BareCurlPost& bare_post,
                  const std::string& floor_name) {
  if (!same_request_on_the_wire(bare_post)) {
    state.SkipWithError("the synthesis and the bare POST do not send the same request");
    for (auto _ : state) {
    }
    return;
  }
  std::vector<double> project, floor;
  bool ok = true;
  auto floor_post = [&] { return bare_post.post(kFormBodyUtf8, kAnswer.size()); };
  bench::alternate(
      state, [&] { project.push_back(g_program->timed_synthesis(ok)); },
      [&] { floor.push_back(bench::microseconds_of(floor_post, ok)); });
  if (!ok || g_program->boxes_shown != 0) state.SkipWithError("a synthesis or a POST failed");
  state.counters["synthesize_us"] = bench::median(project);
  state.counters[floor_name + "_us"] = bench::median(floor);
  state.counters[floor_name + "_ratio"] = bench::median(project) / bench::median(floor);
}

// The target's floor: every POST makes a full TLS handshake.
void BM_synthesize_vs_bare_curl(benchmark::State& state) {
  compare_with(state, bench::BareCurlPost(SYNTH_ENDPOINT, BROWSER_USER_AGENT), "bare_curl");
}

// Like for like: the program's requests resume the TLS session of the one before, so does this
// floor; what remains is the program's own work around the exchange.
void BM_synthesize_vs_resuming_curl(benchmark::State& state) {
  compare_with(state,
               bench::BareCurlPost(SYNTH_ENDPOINT, BROWSER_USER_AGENT,
                                   bench::BareCurlPost::resume_tls_sessions),
               "resuming_curl");
}

BENCHMARK(BM_synthesize_vs_bare_curl)->Iterations(400)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_synthesize_vs_resuming_curl)->Iterations(400)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  if (!enter_private_network()) {
    std::fprintf(stderr, "cannot enter a network namespace of its own (%s): run as root\n",
                 std::strerror(errno));
    return 1;
  }
  setenv("QT_QPA_PLATFORM", "offscreen", 1);
  platform::ole_initialize();  // as start-up does
  curl_global_init(CURL_GLOBAL_DEFAULT);
  tts_test::HttpsRecorder server(BENCH_SERVICE_PORT);
  server.set_default_answer({.header_lines = {"Content-Type: application/json"}, .body = kAnswer});
  g_server = &server;
  {
    Program program;
    g_program = &program;
    bench::CounterReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    for (const char* floor : {"bare_curl", "resuming_curl"}) {
      const double floor_us = reporter.counters[std::string(floor) + "_us"];
      const double ratio = reporter.counters[std::string(floor) + "_ratio"];
      if (floor_us <= 0 || ratio <= 0) continue;
      std::printf("synthesize / %s POST (medians): %.0f us / %.0f us = %.2fx%s\n", floor,
                  ratio * floor_us, floor_us, ratio,
                  std::string(floor) == "bare_curl" ? " (target <= 1.10x)" : "");
    }
  }
  platform::ole_uninitialize();
  return 0;
}
