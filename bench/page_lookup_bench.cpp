// Lookup latency of the translation page: 10 000 queries in both directions (exact words, inflected
// forms, three-word phrases, unknown words), each timed alone; median and 99th percentile reported,
// in-process and through HTTP on the loopback interface.
#include <benchmark/benchmark.h>
#include <httplib.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "page/dictionary_tables.h"
#include "page/morphology.h"
#include "page/page_service.h"
#include "page/phrase_translator.h"

namespace {

using brelvox::page::Direction;

constexpr int kQueries = 10000;

struct Fixture {
  brelvox::page::PageDictionary dictionary;
  std::vector<std::pair<Direction, std::string>> queries;
};

std::vector<std::string> SortedKeys(
    const std::unordered_map<std::string, std::vector<std::string>>& table) {
  std::vector<std::string> keys;
  for (const auto& [k, v] : table)
    keys.push_back(k);
  std::sort(keys.begin(), keys.end());
  return keys;
}

Fixture& Shared() {
  static Fixture* f = [] {
    auto* fx = new Fixture;
    std::string error;
    if (!brelvox::page::LoadPageDictionary(brelvox::page::DefaultDataDir(), &fx->dictionary,
                                           &error)) {
      std::fprintf(stderr, "%s\n", error.c_str());
      std::exit(1);
    }
    const auto en = SortedKeys(fx->dictionary.tables.english_to_bulgarian);
    const auto bg = SortedKeys(fx->dictionary.tables.bulgarian_to_english);
    std::mt19937 random(8);
    for (int i = 0; i < kQueries; ++i) {
      const bool to_bulgarian = i % 2 == 0;
      const auto& keys = to_bulgarian ? en : bg;
      auto pick = [&] { return keys[random() % keys.size()]; };
      std::string q = pick();
      switch (i % 10) {
        case 1:
        case 2:
          q += to_bulgarian ? "s" : "та";  // an inflected form, or an unknown word
          break;
        case 3:
          q += " " + pick() + " " + pick();  // a phrase, mostly word by word
          break;
        case 4:
          q = "zzqx" + q;  // unknown
          break;
        default:
          break;
      }
      fx->queries.emplace_back(
          to_bulgarian ? Direction::kEnglishToBulgarian : Direction::kBulgarianToEnglish, q);
    }
    return fx;
  }();
  return *f;
}

void Report(benchmark::State& state, std::vector<double>& micros) {
  std::sort(micros.begin(), micros.end());
  state.counters["median_us"] = micros[micros.size() / 2];
  state.counters["p99_us"] = micros[micros.size() * 99 / 100];
  state.counters["max_us"] = micros.back();
  state.counters["queries"] = static_cast<double>(micros.size());
}

void BM_PageLookupInProcess(benchmark::State& state) {
  Fixture& f = Shared();
  const brelvox::page::PhraseTranslator translator(f.dictionary);
  std::vector<double> micros;
  for (auto _ : state) {
    micros.clear();
    for (const auto& [direction, q] : f.queries) {
      const auto start = std::chrono::steady_clock::now();
      auto r = translator.Translate(direction, q);
      benchmark::DoNotOptimize(r);
      micros.push_back(
          std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start)
              .count());
    }
  }
  Report(state, micros);
}
BENCHMARK(BM_PageLookupInProcess)->Iterations(1)->Unit(benchmark::kMillisecond);

std::string Encode(const std::string& s) {
  static const char* hex = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : s) {
    if (std::isalnum(c)) {
      out.push_back(static_cast<char>(c));
    } else {
      out += '%';
      out += hex[c >> 4];
      out += hex[c & 15];
    }
  }
  return out;
}

void BM_PageLookupOverHttp(benchmark::State& state) {
  Fixture& f = Shared();
  brelvox::page::PageService service;
  std::string error;
  if (!service.Start({}, &error)) {
    state.SkipWithError(error.c_str());
    return;
  }
  httplib::Client client("127.0.0.1", service.Port());
  client.set_keep_alive(true);
  client.set_tcp_nodelay(true);
  std::vector<double> micros;
  for (auto _ : state) {
    micros.clear();
    for (const auto& [direction, q] : f.queries) {
      const std::string path =
          std::string("/api/translate?") +
          (direction == Direction::kEnglishToBulgarian ? "sl=en&tl=bg" : "sl=bg&tl=en") +
          "&q=" + Encode(q);
      const auto start = std::chrono::steady_clock::now();
      auto res = client.Get(path);
      micros.push_back(
          std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start)
              .count());
      if (!res || res->status != 200) {
        state.SkipWithError("a request failed");
        return;
      }
    }
  }
  Report(state, micros);
}
BENCHMARK(BM_PageLookupOverHttp)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
