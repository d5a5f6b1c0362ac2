// Start-up of the real program, until its window is on the screen with the voice list filled,
// beside the floor of a bare Qt window with the same eight controls (app_bare_window): each is
// started as a process and timed from the spawn until the X server sees the first paint of its
// top-level window; then its resident memory (VmRSS) is read. The two alternate launch by launch.
// Targets: at most 1.15x the floor's time, and at most 8 MiB more resident memory.
//
// The window is filled before it is shown (the created handler runs first), so its first paint
// shows the filled list. The paint is observed from outside through the X DAMAGE extension: the
// programs carry no hook for the benchmark.
//
// Run (needs Xvfb, started here on a free display; no display of your own is used):
//   cmake --build <build> --target app_startup_bench && <build>/bench/app/app_startup_bench
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#include <xcb/damage.h>
#include <xcb/xcb.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <optional>
#include <set>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "bench/paired_timing.h"

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

constexpr auto kStartTimeout = std::chrono::seconds(30);
// Memory is read a moment after the first paint, once start-up's work has settled.
constexpr auto kSettle = std::chrono::milliseconds(300);

// An Xvfb of our own on the first free display, stopped with the benchmark.
class VirtualDisplay {
 public:
  VirtualDisplay() {
    int ready[2];
    if (pipe(ready) != 0) throw std::runtime_error("pipe");
    pid_ = fork();
    if (pid_ == 0) {
      close(ready[0]);
      const int quiet = open("/dev/null", O_WRONLY);
      dup2(quiet, STDOUT_FILENO);
      dup2(quiet, STDERR_FILENO);
      const std::string fd = std::to_string(ready[1]);
      execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1280x1024x24",
             "-nolisten", "tcp", "-noreset", static_cast<char*>(nullptr));
      _exit(127);
    }
    close(ready[1]);
    // Xvfb writes the display number and a line break once it accepts clients.
    std::string number;
    char c;
    while (read(ready[0], &c, 1) == 1 && c != '\n') number += c;
    close(ready[0]);
    if (pid_ < 0 || number.empty()) throw std::runtime_error("Xvfb did not start");
    name_ = ":" + number;
  }
  ~VirtualDisplay() {
    kill(pid_, SIGTERM);
    waitpid(pid_, nullptr, 0);
  }
  VirtualDisplay(const VirtualDisplay&) = delete;
  VirtualDisplay& operator=(const VirtualDisplay&) = delete;

  const std::string& name() const { return name_; }

 private:
  pid_t pid_ = -1;
  std::string name_;
};

// A client of the display that learns of every new top-level window and is told by the DAMAGE
// extension when something is first drawn into one that is mapped.
class PaintWatcher {
 public:
  explicit PaintWatcher(const std::string& display)
      : connection_(xcb_connect(display.c_str(), nullptr)) {
    if (xcb_connection_has_error(connection_)) throw std::runtime_error("cannot open the display");
    root_ = xcb_setup_roots_iterator(xcb_get_setup(connection_)).data->root;
    const xcb_query_extension_reply_t* damage = xcb_get_extension_data(connection_, &xcb_damage_id);
    if (damage == nullptr || !damage->present) throw std::runtime_error("no DAMAGE extension");
    damage_notify_ = damage->first_event + XCB_DAMAGE_NOTIFY;
    free(xcb_damage_query_version_reply(
        connection_, xcb_damage_query_version(connection_, XCB_DAMAGE_MAJOR_VERSION,
                                              XCB_DAMAGE_MINOR_VERSION),
        nullptr));
    const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_change_window_attributes(connection_, root_, XCB_CW_EVENT_MASK, &mask);
    xcb_flush(connection_);
  }
  ~PaintWatcher() { xcb_disconnect(connection_); }
  PaintWatcher(const PaintWatcher&) = delete;
  PaintWatcher& operator=(const PaintWatcher&) = delete;

  // The time of the first drawing into a mapped top-level window created since the last call,
  // or nothing when `child` ends first or none comes in time.
  std::optional<Clock::time_point> wait_for_first_paint(pid_t child) {
    const Clock::time_point deadline = Clock::now() + kStartTimeout;
    std::set<xcb_window_t> created, mapped;
    std::vector<xcb_damage_damage_t> damages;
    std::optional<Clock::time_point> painted;
    while (!painted && Clock::now() < deadline && waitpid(child, nullptr, WNOHANG) == 0) {
      pollfd readable{xcb_get_file_descriptor(connection_), POLLIN, 0};
      if (poll(&readable, 1, 50) < 0) break;
      while (xcb_generic_event_t* event = xcb_poll_for_event(connection_)) {
        const Clock::time_point now = Clock::now();
        const uint8_t type = event->response_type & 0x7f;
        if (type == XCB_CREATE_NOTIFY) {
          auto* create = reinterpret_cast<xcb_create_notify_event_t*>(event);
          if (create->parent == root_ && created.insert(create->window).second) {
            damages.push_back(xcb_generate_id(connection_));
            xcb_damage_create(connection_, damages.back(), create->window,
                              XCB_DAMAGE_REPORT_LEVEL_NON_EMPTY);
            xcb_flush(connection_);
          }
        } else if (type == XCB_MAP_NOTIFY) {
          auto* map = reinterpret_cast<xcb_map_notify_event_t*>(event);
          if (created.count(map->window) != 0) mapped.insert(map->window);
        } else if (type == damage_notify_ && !painted) {
          auto* damage = reinterpret_cast<xcb_damage_notify_event_t*>(event);
          if (mapped.count(damage->drawable) != 0) painted = now;
        }
        free(event);
      }
    }
    for (xcb_damage_damage_t damage : damages) xcb_damage_destroy(connection_, damage);
    xcb_flush(connection_);
    return painted;
  }

 private:
  xcb_connection_t* connection_;
  xcb_window_t root_ = 0;
  uint8_t damage_notify_ = 0;
};

struct Launch {
  double milliseconds = 0;
  double resident_mib = 0;
};

double resident_mib(pid_t pid) {
  std::ifstream status("/proc/" + std::to_string(pid) + "/status");
  for (std::string line; std::getline(status, line);) {
    if (line.rfind("VmRSS:", 0) == 0) return std::strtod(line.c_str() + 6, nullptr) / 1024;
  }
  return 0;
}

// The environment of the started programs: ours, with the display set and any request for
// another window-system platform removed.
std::vector<std::string> program_environment(const std::string& display) {
  std::vector<std::string> texts;
  for (char** entry = environ; *entry != nullptr; ++entry) {
    const std::string text = *entry;
    if (text.rfind("DISPLAY=", 0) != 0 && text.rfind("QT_QPA_PLATFORM=", 0) != 0 &&
        text.rfind("WAYLAND_DISPLAY=", 0) != 0) {
      texts.push_back(text);
    }
  }
  texts.push_back("DISPLAY=" + display);
  return texts;
}

class Launcher {
 public:
  explicit Launcher(const VirtualDisplay& display)
      : watcher_(display.name()), environment_texts_(program_environment(display.name())) {
    for (std::string& text : environment_texts_) environment_.push_back(text.data());
    environment_.push_back(nullptr);
  }

  // Starts `program`, waits for its first paint and its memory, and ends it.
  std::optional<Launch> launch(const char* program) {
    char* argv[] = {const_cast<char*>(program), nullptr};
    pid_t pid = 0;
    const Clock::time_point start = Clock::now();
    if (posix_spawn(&pid, program, nullptr, nullptr, argv, environment_.data()) != 0) {
      return std::nullopt;
    }
    std::optional<Launch> result;
    if (const auto painted = watcher_.wait_for_first_paint(pid)) {
      std::this_thread::sleep_for(kSettle);
      result = Launch{std::chrono::duration<double, std::milli>(*painted - start).count(),
                      resident_mib(pid)};
    }
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    return result;
  }

 private:
  PaintWatcher watcher_;
  std::vector<std::string> environment_texts_;
  std::vector<char*> environment_;
};

std::unique_ptr<Launcher> g_launcher;

void BM_startup_vs_bare_window(benchmark::State& state) {
  // The first start of each warms the font and file caches; it is not counted.
  if (!g_launcher->launch(TTS_TOOL_PROGRAM) || !g_launcher->launch(BARE_WINDOW_PROGRAM)) {
    state.SkipWithError("a program did not show its window");
    for (auto _ : state) {
    }
    return;
  }
  std::vector<double> program_ms, floor_ms, program_mib, floor_mib;
  bool ok = true;
  auto record = [&](const char* program, std::vector<double>& ms, std::vector<double>& mib) {
    const std::optional<Launch> launch = g_launcher->launch(program);
    ok = ok && launch.has_value();
    if (!launch) return;
    ms.push_back(launch->milliseconds);
    mib.push_back(launch->resident_mib);
  };
  bench::alternate(
      state, [&] { record(TTS_TOOL_PROGRAM, program_ms, program_mib); },
      [&] { record(BARE_WINDOW_PROGRAM, floor_ms, floor_mib); });
  if (!ok) state.SkipWithError("a program did not show its window");
  state.counters["tts_tool_ms"] = bench::median(program_ms);
  state.counters["bare_window_ms"] = bench::median(floor_ms);
  state.counters["ratio"] = bench::median(program_ms) / bench::median(floor_ms);
  state.counters["tts_tool_MiB"] = bench::median(program_mib);
  state.counters["bare_window_MiB"] = bench::median(floor_mib);
}

BENCHMARK(BM_startup_vs_bare_window)->Iterations(25)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  const VirtualDisplay display;
  g_launcher = std::make_unique<Launcher>(display);
  bench::CounterReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  g_launcher.reset();
  const double program_ms = reporter.counters["tts_tool_ms"];
  const double floor_ms = reporter.counters["bare_window_ms"];
  const double program_mib = reporter.counters["tts_tool_MiB"];
  const double floor_mib = reporter.counters["bare_window_MiB"];
  if (program_ms > 0 && floor_ms > 0) {
    std::printf("start-up to first paint, tts-tool / bare window (medians): %.1f ms / %.1f ms = "
                "%.2fx (target <= 1.15x)\n",
                program_ms, floor_ms, program_ms / floor_ms);
    std::printf("resident memory once shown, tts-tool - bare window (medians): %.1f MiB - %.1f MiB "
                "= %+.1f MiB (target <= 8 MiB)\n",
                program_mib, floor_mib, program_mib - floor_mib);
  }
  return 0;
}
