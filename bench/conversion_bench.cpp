// The word-list conversion on a made-up text: 16 MB of CR LF lines drawn from a vocabulary
// of 40,000 words (a few words very often, most rarely, some in capitals, some with
// punctuation after them). The whole run on 1 and 2 workers, and its two costly parts on
// one thread: cutting the text into a word table, and ordering the distinct words.
// The corpora of bench/make-corpus and bench/compare-peers give the figures against
// other tools; these runs tell which part moved.

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "app/conversion.h"
#include "app/word_cutter.h"
#include "app/word_order.h"
#include "app/word_table.h"

namespace quillet {
namespace {

constexpr std::size_t kTextBytes = 16 << 20;
constexpr int kVocabulary = 40000;

const std::string& Text() {
  static const std::string text = [] {
    std::mt19937 random(7);
    std::vector<std::string> words(kVocabulary);
    for (std::string& word : words) {
      for (std::size_t n = 2 + random() % 9; n > 0; --n) {
        word += static_cast<char>('a' + random() % 26);
      }
    }
    std::uniform_real_distribution<double> uniform(0.0, 1.0);
    std::string t;
    while (t.size() < kTextBytes) {
      for (int k = 0; k < 12; ++k) {
        const double u = uniform(random);
        std::string word = words[static_cast<std::size_t>(kVocabulary * u * u * u)];
        if (random() % 20 == 0) word[0] = static_cast<char>(word[0] - 0x20);
        t += word;
        t += random() % 10 == 0 ? ", " : " ";
      }
      t += "\r\n";
    }
    return t;
  }();
  return text;
}

const std::string& TextFile() {
  static const std::string path = [] {
    std::string name = "/tmp/quillet-bench-XXXXXX";
    const int fd = ::mkstemp(name.data());
    const std::string& text = Text();
    if (fd < 0 || ::write(fd, text.data(), text.size()) != static_cast<ssize_t>(text.size())) {
      std::abort();
    }
    ::close(fd);
    std::atexit([] { std::remove(TextFile().c_str()); });
    return name;
  }();
  return path;
}

void BM_Conversion(benchmark::State& state) {
  ConversionOptions options;
  options.input_name = TextFile();
  options.output_name = TextFile() + ".words";
  options.filter_text = std::string(kDefaultFilterText);
  options.threads = static_cast<unsigned>(state.range(0));
  PlainConversionHost host;
  for (auto _ : state) {
    TWordListConversion conversion;
    benchmark::DoNotOptimize(conversion.Run(options, host));
  }
  std::remove(options.output_name.c_str());
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(Text().size()));
}
BENCHMARK(BM_Conversion)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime();

WordCutter DefaultCutter() {
  std::vector<int> slots;
  for (const char c : kDefaultFilterText) slots.push_back(static_cast<unsigned char>(c));
  return WordCutter(slots, slots.size(), false, 3);
}

void BM_CutIntoTable(benchmark::State& state) {
  const WordCutter cutter = DefaultCutter();
  std::string text;
  CutScratch scratch;
  text.reserve(Text().size() + WordTable::kReadAhead);
  for (auto _ : state) {
    text = Text();
    WordTable table;
    cutter.Cut(text.data(), text.size(), table, scratch);
    benchmark::DoNotOptimize(table.Size());
  }
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(Text().size()));
}
BENCHMARK(BM_CutIntoTable)->Unit(benchmark::kMillisecond);

void BM_WriteOrder(benchmark::State& state) {
  const WordCutter cutter = DefaultCutter();
  std::string text = Text();
  text.reserve(text.size() + WordTable::kReadAhead);
  CutScratch scratch;
  WordTable table;
  cutter.Cut(text.data(), text.size(), table, scratch);
  for (auto _ : state) benchmark::DoNotOptimize(WriteOrder(table, 1));
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(table.Size()));
}
BENCHMARK(BM_WriteOrder)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace quillet

BENCHMARK_MAIN();
