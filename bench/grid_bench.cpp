// The grid as the word-list conversion uses it: append short words one row at a time into
// column 0, then SortCol(0). Reports the time of each phase and the peak resident memory
// per word (VmHWM of /proc/self/status over the resident size before the grid existed),
// also with the word bytes themselves taken off: "held" once every word is in the grid,
// "peak" after the sort (which adds the key list's copy of the column and its sort data).
//
// VmHWM is the high-water mark of the whole process and freed memory may stay resident,
// so the benchmark runs one size once per process.

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdint>
#include <fstream>
#include <string>

#include "strgrid/mStrGrid.h"

namespace quillet {
namespace {

// A status field of /proc/self/status in bytes ("VmHWM:   1234 kB"), 0 if unreadable.
std::int64_t StatusBytes(const std::string& field) {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line))
    if (line.rfind(field + ":", 0) == 0) return std::stoll(line.substr(field.size() + 1)) * 1024;
  return 0;
}

// Deterministic lower-case words of 2 to 11 letters, made one at a time so that no second
// copy of the word list sits in memory.
class WordSource {
 public:
  const std::string& Next() {
    state_ = state_ * 6364136223846793005ULL + 1442695040888963407ULL;
    std::uint64_t bits = state_ >> 16;
    word_.assign(2 + bits % 10, 'a');
    bits /= 10;
    for (char& c : word_) {
      c = static_cast<char>('a' + bits % 26);
      bits = bits / 26 + (bits % 7) * 0x9E3779B9ULL;
    }
    return word_;
  }

 private:
  std::uint64_t state_ = 42;
  std::string word_;
};

double SecondsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void BM_AppendWordsAndSortCol(benchmark::State& state) {
  const auto words = static_cast<int>(state.range(0));
  for (auto _ : state) {
    const std::int64_t rss_before = StatusBytes("VmRSS");
    auto start = std::chrono::steady_clock::now();
    TmStrGrid grid;
    grid.SetColCount(1);
    grid.SetFixedRows(0);
    grid.SetRowCount(1);
    WordSource source;
    std::int64_t word_bytes = 0;
    for (int i = 0; i < words; ++i) {
      const std::string& word = source.Next();
      word_bytes += static_cast<std::int64_t>(word.size());
      if (i > 0) grid.SetRowCount(grid.RowCount() + 1);
      grid.SetCells(0, grid.RowCount() - 1, word);
    }
    const double append_seconds = SecondsSince(start);
    const double held = static_cast<double>(StatusBytes("VmHWM") - rss_before);
    start = std::chrono::steady_clock::now();
    grid.SortCol(0);
    const double sort_seconds = SecondsSince(start);
    benchmark::DoNotOptimize(grid.CellView(0, 0));

    const double peak = static_cast<double>(StatusBytes("VmHWM") - rss_before);
    state.counters["append_s"] = append_seconds;
    state.counters["sort_s"] = sort_seconds;
    state.counters["held_bytes_per_word"] = held / words;
    state.counters["held_bytes_per_word_over_word_bytes"] =
        (held - static_cast<double>(word_bytes)) / words;
    state.counters["peak_bytes_per_word"] = peak / words;
    state.counters["peak_bytes_per_word_over_word_bytes"] =
        (peak - static_cast<double>(word_bytes)) / words;
    state.counters["word_bytes_avg"] = static_cast<double>(word_bytes) / words;
  }
}
BENCHMARK(BM_AppendWordsAndSortCol)
    ->Arg(10'000'000)
    ->Iterations(1)
    ->Unit(benchmark::kSecond);

}  // namespace
}  // namespace quillet

BENCHMARK_MAIN();
