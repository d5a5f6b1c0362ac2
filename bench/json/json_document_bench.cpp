// JsonDocument on the work the program gives it, beside nlohmann-json doing the same work as the
// floor: the voice catalogue (construct, parse the 48-row table, read all 47 listed names), a
// service answer (construct, parse, read "code" and "data"), and parsing 1 MiB of JSON. Every
// document and every parse starts a new script engine, so the floor is far below; the targets
// are medians under 1 ms for the answer and under 1.5 ms for the voice table.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <nlohmann/json.hpp>
#include <string>

#include "json/json_document.h"
#include "platform/codepage.h"
#include "platform/unicode_text.h"

namespace {

// The voice table as the program embeds it (GBK, compact).
const Text VOICE_TABLE_JSON =
    "[{\"name\":\"标准女声-通用场景-小云\",\"value\":\"Xiaoyun\",\"type\":\"aliyun\"}"
    ",{\"name\":\"标准男声-通用场景-小刚\",\"value\":\"Xiaogang\",\"type\":\"aliyun\"}"
    ",{\"name\":\"温柔女声-通用场景-若兮\",\"value\":\"Ruoxi\",\"type\":\"aliyun\"}"
    ",{\"name\":\"温柔女声-通用场景-思琪\",\"value\":\"Siqi\",\"type\":\"aliyun\"}"
    ",{\"name\":\"标准女声-通用场景-思佳\",\"value\":\"Sijia\",\"type\":\"aliyun\"}"
    ",{\"name\":\"标准男声-通用场景-思诚\",\"value\":\"Sicheng\",\"type\":\"aliyun\"}"
    ",{\"name\":\"温柔女声-通用场景-艾琪\",\"value\":\"Aiqi\",\"type\":\"aliyun\"}"
    ",{\"name\":\"标准女声-通用场景-艾佳\",\"value\":\"Aijia\",\"type\":\"aliyun\"}"
    ",{\"name\":\"标准男声-通用场景-艾诚\",\"value\":\"Aicheng\",\"type\":\"aliyun\"}"
    ",{\"name\":\"标准男声-通用场景-艾达\",\"value\":\"Aida\",\"type\":\"aliyun\"}"
    ",{\"name\":\"标准女声-通用场景-宁儿\",\"value\":\"Ninger\",\"type\":\"aliyun\"}"
    ",{\"name\":\"标准女声-通用场景-瑞琳\",\"value\":\"Ruilin\",\"type\":\"aliyun\"}"
    ",{\"name\":\"温柔女声-客服场景-思悦\",\"value\":\"Siyue\",\"type\":\"aliyun\"}"
    ",{\"name\":\"严厉女声-客服场景-艾雅\",\"value\":\"Aiya\",\"type\":\"aliyun\"}"
    ",{\"name\":\"亲和女声-客服场景-艾夏\",\"value\":\"Aixia\",\"type\":\"aliyun\"}"
    ",{\"name\":\"甜美女声-客服场景-艾美\",\"value\":\"Aimei\",\"type\":\"aliyun\"}"
    ",{\"name\":\"自然女声-客服场景-艾雨\",\"value\":\"Aiyu\",\"type\":\"aliyun\"}"
    ",{\"name\":\"温柔女声-客服场景-艾悦\",\"value\":\"Aiyue\",\"type\":\"aliyun\"}"
    ",{\"name\":\"严厉女声-客服场景-艾婧\",\"value\":\"Aijing\",\"type\":\"aliyun\"}"
    ",{\"name\":\"甜美女声-客服场景-小美\",\"value\":\"Xiaomei\",\"type\":\"aliyun\"}"
    ",{\"name\":\"浙普女声-客服场景-艾娜\",\"value\":\"Aina\",\"type\":\"aliyun\"}"
    ",{\"name\":\"浙普女声-客服场景-伊娜\",\"value\":\"Yina\",\"type\":\"aliyun\"}"
    ",{\"name\":\"严厉女声-客服场景-思婧\",\"value\":\"Sijing\",\"type\":\"aliyun\"}"
    ",{\"name\":\"儿童音-童声场景-思彤\",\"value\":\"Sitong\",\"type\":\"aliyun\"}"
    ",{\"name\":\"萝莉女声-童声场景-小北\",\"value\":\"Xiaobei\",\"type\":\"aliyun\"}"
    ",{\"name\":\"儿童音-童声场景-艾彤\",\"value\":\"Aitong\",\"type\":\"aliyun\"}"
    ",{\"name\":\"萝莉女声-童声场景-艾薇\",\"value\":\"Aiwei\",\"type\":\"aliyun\"}"
    ",{\"name\":\"萝莉女声-童声场景-艾宝\",\"value\":\"Aibao\",\"type\":\"aliyun\"}"
    ",{\"name\":\"英音男声-英文场景-Harry-仅支持英语\",\"value\":\"Harry\",\"type\":\"aliyun\"}"
    ",{\"name\":\"美音女声-英文场景-Abby-仅支持英语\",\"value\":\"Abby\",\"type\":\"aliyun\"}"
    ",{\"name\":\"美音男声-英文场景-Andy-仅支持英语\",\"value\":\"Andy\",\"type\":\"aliyun\"}"
    ",{\"name\":\"英音男声-英文场景-Eric-仅支持英语\",\"value\":\"Eric\",\"type\":\"aliyun\"}"
    ",{\"name\":\"英音女声-英文场景-Emily-仅支持英语\",\"value\":\"Emily\",\"type\":\"aliyun\"}"
    ",{\"name\":\"英音女声-英文场景-Luna-仅支持英语\",\"value\":\"Luna\",\"type\":\"aliyun\"}"
    ",{\"name\":\"英音男声-英文场景-Luca-仅支持英语\",\"value\":\"Luca\",\"type\":\"aliyun\"}"
    ",{\"name\":\"英音女声-英文场景-Wendy-仅支持英语\",\"value\":\"Wendy\",\"type\":\"aliyun\"}"
    ",{\"name\":\"英音男声-英文场景-William-仅支持英语\",\"value\":\"William\",\"type\":\"aliyun\"}"
    ",{\"name\":\"英音女声-英文场景-Olivia-仅支持英语\",\"value\":\"Olivia\",\"type\":\"aliyun\"}"
    ",{\"name\":\"粤语女声-方言场景-姗姗\",\"value\":\"Shanshan\",\"type\":\"aliyun\"}"
    ",{\"name\":\"四川话女声-方言场景-小玥\",\"value\":\"Xiaoyue\",\"type\":\"aliyun\"}"
    ",{\"name\":\"英中双语女声-英文场景-Lydia\",\"value\":\"Lydia\",\"type\":\"aliyun\"}"
    ",{\"name\":\"自然男声-客服场景-艾硕\",\"value\":\"Aishuo\",\"type\":\"aliyun\"}"
    ",{\"name\":\"台湾话女声-方言场景-青青\",\"value\":\"Qingqing\",\"type\":\"aliyun\"}"
    ",{\"name\":\"东北话女声-方言场景-翠姐\",\"value\":\"Cuijie\",\"type\":\"aliyun\"}"
    ",{\"name\":\"湖南重口音男声-方言场景-小泽\",\"value\":\"Xiaoze\",\"type\":\"aliyun\"}"
    ",{\"name\":\"日语女声-文学场景-智香\",\"value\":\"Tomoka\",\"type\":\"aliyun\"}"
    ",{\"name\":\"日语男声-文学场景-智也\",\"value\":\"Tomoya\",\"type\":\"aliyun\"}"
    ",{\"name\":\"美语女声-文学场景-Annie-仅支持英语\",\"value\":\"Annie\",\"type\":\"aliyun\"}]";

const Text ANSWER_JSON =
    "{\"code\":0,\"data\":\"https://tts.example/audio/20240101/0123456789abcdef.mp3\"}";

std::string to_utf8(const Text& gbk) { return platform::utf16_to_utf8(platform::ansi_to_utf16(gbk)); }

// About 1 MiB: an array of small records, ASCII only so that both sides read the same bytes.
Text large_json() {
  Text text = "[";
  for (int i = 0; text.size() < (1 << 20); ++i) {
    if (i > 0) text += ",";
    text += "{\"id\":" + std::to_string(i) + ",\"name\":\"voice-" + std::to_string(i) +
            "\",\"rate\":0.5,\"tags\":[\"a\",\"b\"],\"on\":true}";
  }
  return text + "]";
}

void BM_document_voice_table(benchmark::State& state) {
  for (auto _ : state) {
    JsonDocument catalogue;
    catalogue.parse(VOICE_TABLE_JSON);
    for (int i = 1; i <= 47; ++i) {
      Text name = catalogue.get_text("[" + std::to_string(i) + "].name");
      benchmark::DoNotOptimize(name.data());
    }
  }
}

void BM_nlohmann_voice_table(benchmark::State& state) {
  const std::string table = to_utf8(VOICE_TABLE_JSON);
  for (auto _ : state) {
    const nlohmann::json catalogue = nlohmann::json::parse(table);
    for (int i = 1; i <= 47; ++i) {
      std::string name = catalogue[i]["name"].get<std::string>();
      benchmark::DoNotOptimize(name.data());
    }
  }
}

void BM_document_answer(benchmark::State& state) {
  for (auto _ : state) {
    JsonDocument answer;
    answer.parse(ANSWER_JSON);
    Text code = answer.get_text("code");
    Text data = answer.get_text("data");
    benchmark::DoNotOptimize(code.data());
    benchmark::DoNotOptimize(data.data());
  }
}

void BM_nlohmann_answer(benchmark::State& state) {
  for (auto _ : state) {
    const nlohmann::json answer = nlohmann::json::parse(ANSWER_JSON);
    std::string code = answer["code"].dump();
    std::string data = answer["data"].get<std::string>();
    benchmark::DoNotOptimize(code.data());
    benchmark::DoNotOptimize(data.data());
  }
}

void BM_document_parse_1mib(benchmark::State& state) {
  const Text text = large_json();
  JsonDocument document;
  for (auto _ : state) {
    if (!document.parse(text)) state.SkipWithError("parse failed");
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}

void BM_nlohmann_parse_1mib(benchmark::State& state) {
  const Text text = large_json();
  for (auto _ : state) {
    nlohmann::json document = nlohmann::json::parse(text);
    benchmark::DoNotOptimize(&document);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}

#define JSON_BENCH(name) \
  BENCHMARK(name)->Repetitions(5)->ReportAggregatesOnly(true)->Unit(benchmark::kMicrosecond)
JSON_BENCH(BM_document_voice_table);
JSON_BENCH(BM_nlohmann_voice_table);
JSON_BENCH(BM_document_answer);
JSON_BENCH(BM_nlohmann_answer);
JSON_BENCH(BM_document_parse_1mib);
JSON_BENCH(BM_nlohmann_parse_1mib);

// Keeps the medians so that each case can be printed beside its floor after the runs. CPU time
// is printed too: on a busy machine it is the steadier of the two.
class MedianReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) {
      if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "median") {
        medians[run.run_name.function_name] = {run.GetAdjustedRealTime(), run.GetAdjustedCPUTime()};
      }
    }
    ConsoleReporter::ReportRuns(runs);
  }
  struct Median {
    double real = 0;
    double cpu = 0;
  };
  std::map<std::string, Median> medians;
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  platform::ole_initialize();  // as start-up does
  MedianReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  const struct {
    const char* work;
    const char* target;
  } cases[] = {{"voice_table", "target < 1500 us"}, {"answer", "target < 1000 us"},
               {"parse_1mib", "no target"}};
  for (const auto& c : cases) {
    const auto document = reporter.medians["BM_document_" + std::string(c.work)];
    const auto floor = reporter.medians["BM_nlohmann_" + std::string(c.work)];
    if (document.real <= 0 || floor.real <= 0 || floor.cpu <= 0) continue;
    std::printf(
        "%-11s median JsonDocument %9.1f us (cpu %9.1f), nlohmann-json %8.1f us (cpu %8.1f), "
        "ratio %6.1fx (%s)\n",
        c.work, document.real, document.cpu, floor.real, floor.cpu, document.real / floor.real,
        c.target);
  }
  platform::ole_uninitialize();
  benchmark::Shutdown();
}
