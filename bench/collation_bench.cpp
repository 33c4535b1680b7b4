// Per-call cost of the key comparisons that sorts make: the locale comparison, sort keys
// and reading numeric keys.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "runtime/collation.h"
#include "runtime/locale_settings.h"
#include "runtime/real48.h"

namespace {

std::vector<std::string> Words(bool accented) {
  std::mt19937 random(7);
  std::uniform_int_distribution<int> letter(0, 25);
  std::uniform_int_distribution<int> length(3, 12);
  std::vector<std::string> words;
  for (int i = 0; i < 1024; ++i) {
    std::string word;
    for (int n = length(random); n > 0; --n) {
      word.push_back(static_cast<char>('a' + letter(random)));
    }
    if (accented && i % 2 == 0) word.insert(1, "\xC3\xA9");
    if (i % 3 == 0) word[0] = static_cast<char>(word[0] - 'a' + 'A');
    words.push_back(word);
  }
  return words;
}

void UseUtf8Locale() {
  setenv("LC_ALL", "en_US.UTF-8", 1);
  quillet::LocaleSettings::Reload();
}

void BM_CompareAsciiWords(benchmark::State& state) {
  UseUtf8Locale();
  const std::vector<std::string> words = Words(false);
  std::size_t i = 0;
  for (auto _ : state) {
    const std::string& a = words[i & 1023];
    const std::string& b = words[(i + 1) & 1023];
    benchmark::DoNotOptimize(quillet::CompareLocaleIgnoreCase(a, b));
    ++i;
  }
}
BENCHMARK(BM_CompareAsciiWords);

void BM_CompareAccentedWords(benchmark::State& state) {
  UseUtf8Locale();
  const std::vector<std::string> words = Words(true);
  std::size_t i = 0;
  for (auto _ : state) {
    const std::string& a = words[i & 1023];
    const std::string& b = words[(i + 1) & 1023];
    benchmark::DoNotOptimize(quillet::CompareLocaleIgnoreCase(a, b));
    ++i;
  }
}
BENCHMARK(BM_CompareAccentedWords);

void BM_SortKeyAsciiWords(benchmark::State& state) {
  UseUtf8Locale();
  const std::vector<std::string> words = Words(false);
  std::size_t i = 0;
  for (auto _ : state) benchmark::DoNotOptimize(quillet::LocaleSortKey(words[i++ & 1023]));
}
BENCHMARK(BM_SortKeyAsciiWords);

void BM_NumericKeyValue(benchmark::State& state, const char* text) {
  for (auto _ : state) benchmark::DoNotOptimize(quillet::NumericKeyValue(text));
}
BENCHMARK_CAPTURE(BM_NumericKeyValue, ShortInteger, "12345");
BENCHMARK_CAPTURE(BM_NumericKeyValue, Decimal, "3.14159kg");
BENCHMARK_CAPTURE(BM_NumericKeyValue, NotANumber, "apple");
BENCHMARK_CAPTURE(BM_NumericKeyValue, LongDigits, "0.12345678901234567890123456789");
BENCHMARK_CAPTURE(BM_NumericKeyValue, LargeExponent, "6.02214076e23");

}  // namespace

BENCHMARK_MAIN();
