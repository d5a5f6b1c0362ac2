// Synthesis throughput in characters per second: the service answering requests it has not seen
// (over HTTPS, engine, encoder and store) beside the floor of the espeak-ng command piped into the
// lame command with the same voice and encoder settings on the same texts. Prints the ratio.
#include <benchmark/benchmark.h>
#include <httplib.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <thread>
#include <vector>

#include "service/speech_plan.h"
#include "service/tts_server.h"
#include "service/utf8.h"

namespace {

const std::vector<std::string>& texts() {
  static const std::vector<std::string> all = {
      "我是一只小小鸟",
      "今天天气很好，我们一起去公园散步吧。",
      "语音合成工具把一段文字变成声音，选择一个发音人，按下合成按钮，就能得到一个可以播放的地址。",
      "春眠不觉晓，处处闻啼鸟。夜来风雨声，花落知多少。床前明月光，疑是地上霜。举头望明月，低头思故乡。",
  };
  return all;
}

std::size_t total_characters() {
  std::size_t n = 0;
  for (const std::string& t : texts()) n += service::utf8_length(t).value_or(0);
  return n;
}

std::filesystem::path scratch_folder() {
  return std::filesystem::temp_directory_path() / ("tts-service-bench-" + std::to_string(::getpid()));
}

void set_rate(benchmark::State& state) {
  state.counters["chars/s"] = benchmark::Counter(
      static_cast<double>(total_characters() * state.iterations()), benchmark::Counter::kIsRate);
}

// Each round sends every text once; the store is emptied between rounds (untimed), so every
// request is synthesised.
void BM_ServiceSynthesis(benchmark::State& state) {
  const std::filesystem::path folder = scratch_folder();
  std::string error;
  auto server = service::TtsServer::create({.port = 0, .data_folder = folder}, error);
  if (!server) return state.SkipWithError(error.c_str());
  std::thread runner([&] { server->run(); });
  httplib::SSLClient client("localhost", server->port());
  client.enable_server_certificate_verification(false);
  client.set_keep_alive(true);
  for (auto _ : state) {
    for (const std::string& text : texts()) {
      const auto answer = client.Post("/functions/tts/text", "value=" + text + "&voice=Ruoxi", "text/plain");
      if (!answer || !answer->body.starts_with(R"({"code":0)")) state.SkipWithError("synthesis failed");
    }
    state.PauseTiming();
    std::filesystem::remove_all(folder / "audio");
    std::filesystem::create_directories(folder / "audio");
    state.ResumeTiming();
  }
  set_rate(state);
  client.stop();
  server->stop();
  runner.join();
  std::filesystem::remove_all(folder);
}

// The same texts, engine voice and encoder settings, by command.
void BM_EspeakPipedIntoLame(benchmark::State& state) {
  const std::filesystem::path out = scratch_folder().string() + "-floor.mp3";
  const std::string voice = service::engine_voice_for(*service::find_voice("Ruoxi")).name();
  for (auto _ : state) {
    for (const std::string& text : texts()) {
      const std::string command = "espeak-ng -v " + voice + " --stdout '" + text +
                                  "' | lame --quiet -m m -b 48 -q 5 - '" + out.string() + "'";
      if (std::system(command.c_str()) != 0) state.SkipWithError("espeak-ng | lame failed");
    }
  }
  set_rate(state);
  std::filesystem::remove(out);
}

// Repetitions of both, interleaved at random (see main), so that both face the same load on a
// shared machine; the medians are compared.
BENCHMARK(BM_ServiceSynthesis)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(1)->Repetitions(5);
BENCHMARK(BM_EspeakPipedIntoLame)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(1)->Repetitions(5);

class RateReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) {
      const auto it = run.counters.find("chars/s");
      if (run.aggregate_name == "median" && it != run.counters.end()) rates[run.run_name.function_name] = it->second.value;
    }
    ConsoleReporter::ReportRuns(runs);
  }
  std::map<std::string, double> rates;
};

}  // namespace

int main(int argc, char** argv) {
  std::vector<char*> args(argv, argv + argc);
  char interleave[] = "--benchmark_enable_random_interleaving=true";
  args.insert(args.begin() + 1, interleave);  // a flag given on the command line still wins
  int count = static_cast<int>(args.size());
  benchmark::Initialize(&count, args.data());
  RateReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  const double service = reporter.rates["BM_ServiceSynthesis"];
  const double floor = reporter.rates["BM_EspeakPipedIntoLame"];
  if (service > 0 && floor > 0) {
    std::printf("synthesis (medians): service %.0f chars/s, espeak-ng | lame %.0f chars/s, ratio %.2fx (target >= 1.5x)\n",
                service, floor, service / floor);
  }
  benchmark::Shutdown();
  return 0;
}
