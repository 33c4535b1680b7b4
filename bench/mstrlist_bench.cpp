// Sorting speed of the key list: one million entries of English-like words (about 50,000
// distinct, Zipf-like repetition) by locale text, by bytes and as numbers, against std::sort
// of the same entries' ICU sort keys.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "runtime/collation.h"
#include "strgrid/mstrlist.h"
#include "strgrid/t_strings.h"

namespace quillet {
namespace {

constexpr int kEntries = 1'000'000;
constexpr int kDistinct = 50'000;

// A word of `length` letters alternating loosely between consonants and vowels.
std::string MakeWord(std::mt19937& rng, int length) {
  static const char kConsonants[] = "bcdfghklmnprstvwyzbcdlmnrst";
  static const char kVowels[] = "aeiouaeioy";
  std::string word;
  for (int k = 0; k < length; ++k) {
    const bool vowel = (k % 2 == 1) != (rng() % 5 == 0);
    word += vowel ? kVowels[rng() % (sizeof kVowels - 1)]
                  : kConsonants[rng() % (sizeof kConsonants - 1)];
  }
  if (rng() % 20 == 0) word[0] = static_cast<char>(word[0] - 'a' + 'A');
  return word;
}

std::vector<std::string> DistinctWords() {
  std::mt19937 rng(42);
  // Lengths 2..14, most around 5-8, as in running English text.
  std::discrete_distribution<int> length({0, 0, 3, 6, 9, 11, 11, 10, 8, 6, 4, 3, 2, 1, 1});
  std::vector<std::string> words;
  while (static_cast<int>(words.size()) < kDistinct) words.push_back(MakeWord(rng, length(rng)));
  std::sort(words.begin(), words.end());
  words.erase(std::unique(words.begin(), words.end()), words.end());
  std::shuffle(words.begin(), words.end(), rng);
  return words;
}

// kEntries texts drawn from `pool` with Zipf weights 1/rank.
std::vector<std::string> ZipfDraw(const std::vector<std::string>& pool, unsigned seed) {
  std::vector<double> cumulative(pool.size());
  double sum = 0;
  for (std::size_t r = 0; r < pool.size(); ++r) cumulative[r] = sum += 1.0 / double(r + 1);
  std::mt19937 rng(seed);
  std::uniform_real_distribution<double> uniform(0, sum);
  std::vector<std::string> texts;
  texts.reserve(kEntries);
  for (int i = 0; i < kEntries; ++i) {
    const auto at = std::lower_bound(cumulative.begin(), cumulative.end(), uniform(rng));
    texts.push_back(pool[std::min<std::size_t>(at - cumulative.begin(), pool.size() - 1)]);
  }
  return texts;
}

const std::vector<std::string>& Words() {
  static const std::vector<std::string> words = ZipfDraw(DistinctWords(), 7);
  return words;
}

const std::vector<std::string>& Numbers() {
  static const std::vector<std::string> numbers = [] {
    std::mt19937 rng(11);
    std::vector<std::string> pool;
    for (int i = 0; i < kDistinct; ++i) {
      const double value = std::ldexp(double(rng() % 1000000) - 500000, -int(rng() % 8));
      pool.push_back(std::to_string(value) + (rng() % 4 == 0 ? "kg" : ""));
    }
    return ZipfDraw(pool, 13);
  }();
  return numbers;
}

void FillList(TmStrList& list, const std::vector<std::string>& texts) {
  list.Clear();
  for (int i = 0; i < static_cast<int>(texts.size()); ++i) list.AddObject(texts[i], i);
}

void SortBench(benchmark::State& state, TMSortType type, const std::vector<std::string>& texts) {
  TmStrList list;
  list.SetKeyType(type);
  for (auto _ : state) {
    state.PauseTiming();
    FillList(list, texts);
    state.ResumeTiming();
    list.Sort();
    benchmark::DoNotOptimize(list.Objects(0));
  }
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(texts.size()));
}

void BM_KeyListSortString(benchmark::State& state) {
  SortBench(state, TMSortType::soString, Words());
}
void BM_KeyListSortCaseSensitive(benchmark::State& state) {
  SortBench(state, TMSortType::soStringCaseSensitive, Words());
}
void BM_KeyListSortNumeric(benchmark::State& state) {
  SortBench(state, TMSortType::soNumeric, Numbers());
}

// std::sort of the entries' ICU sort keys, the keys made beforehand.
void BM_StdSortOfSortKeys(benchmark::State& state) {
  std::vector<std::string> keys;
  for (const std::string& word : Words()) keys.push_back(LocaleSortKey(word));
  for (auto _ : state) {
    state.PauseTiming();
    std::vector<std::string> copy = keys;
    state.ResumeTiming();
    std::sort(copy.begin(), copy.end());
    benchmark::DoNotOptimize(copy.data());
  }
}

// The same, with making the sort keys timed too.
void BM_SortKeysMadeAndStdSorted(benchmark::State& state) {
  for (auto _ : state) {
    std::vector<std::string> keys;
    keys.reserve(Words().size());
    for (const std::string& word : Words()) keys.push_back(LocaleSortKey(word));
    std::sort(keys.begin(), keys.end());
    benchmark::DoNotOptimize(keys.data());
  }
}

BENCHMARK(BM_KeyListSortString)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_KeyListSortCaseSensitive)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_KeyListSortNumeric)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_StdSortOfSortKeys)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_SortKeysMadeAndStdSorted)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
}  // namespace quillet

BENCHMARK_MAIN();
