// Whole-row sorts and row editing on a table of 1,000,000 rows x 5 columns of realistic
// text: a name, an amount, a date, a city and a short remark per row.
//
// Each sort runs on the unsorted table: between iterations UndoSort (not timed) puts the
// rows back. InsertRows(0, 1) and DeleteRows(0, 1) are timed separately, each undoing the
// other outside the timing.

#include <benchmark/benchmark.h>

#include <cstdint>
#include <memory>
#include <string>

#include "strgrid/mStrGrid.h"

namespace quillet {
namespace {

constexpr int kRows = 1'000'000;
constexpr int kCols = 5;

class Random {
 public:
  std::uint32_t Next() {
    state_ = state_ * 6364136223846793005ULL + 1442695040888963407ULL;
    return static_cast<std::uint32_t>(state_ >> 33);
  }
  int Below(int n) { return static_cast<int>(Next() % static_cast<std::uint32_t>(n)); }

 private:
  std::uint64_t state_ = 2024;
};

std::string Word(Random& random, int min_length, int max_length, bool capital) {
  std::string word(static_cast<std::size_t>(min_length + random.Below(max_length - min_length + 1)),
                   'a');
  for (char& c : word) c = static_cast<char>('a' + random.Below(26));
  if (capital) word[0] = static_cast<char>(word[0] - 'a' + 'A');
  return word;
}

std::string Amount(Random& random) {
  return std::to_string(random.Below(100000)) + "." + std::to_string(10 + random.Below(90));
}

std::string Date(Random& random) {
  const int month = 1 + random.Below(12);
  const int day = 1 + random.Below(28);
  return std::to_string(1990 + random.Below(35)) + (month < 10 ? "-0" : "-") +
         std::to_string(month) + (day < 10 ? "-0" : "-") + std::to_string(day);
}

// The table is built once per process and shared by the benchmarks.
TmStrGrid& Table() {
  static std::unique_ptr<TmStrGrid> grid = [] {
    auto table = std::make_unique<TmStrGrid>();
    table->SetFixedRows(0);
    table->SetFixedCols(0);
    table->SetColCount(kCols);
    table->SetRowCount(kRows);
    Random random;
    for (int r = 0; r < kRows; ++r) {
      table->SetCells(0, r, Word(random, 3, 8, true) + " " + Word(random, 4, 10, true));
      table->SetCells(1, r, Amount(random));
      table->SetCells(2, r, Date(random));
      table->SetCells(3, r, Word(random, 4, 12, true));
      table->SetCells(4, r, Word(random, 3, 9, false) + " " + Word(random, 2, 7, false) + " " +
                                Word(random, 4, 11, false));
    }
    return table;
  }();
  return *grid;
}

void SortRowsBy(benchmark::State& state, int col, TMSortType key_type) {
  TmStrGrid& grid = Table();
  grid.SetKeyType(key_type);
  for (auto _ : state) {
    grid.SortCompleteRows(col);
    state.PauseTiming();
    grid.UndoSort();  // back to the unsorted table
    state.ResumeTiming();
  }
  state.counters["rows"] = kRows;
}

void BM_SortCompleteRowsString(benchmark::State& state) {
  SortRowsBy(state, 0, TMSortType::soString);
}
BENCHMARK(BM_SortCompleteRowsString)->Iterations(3)->Unit(benchmark::kMillisecond);

void BM_SortCompleteRowsNumeric(benchmark::State& state) {
  SortRowsBy(state, 1, TMSortType::soNumeric);
}
BENCHMARK(BM_SortCompleteRowsNumeric)->Iterations(3)->Unit(benchmark::kMillisecond);

void BM_UndoSortCompleteRows(benchmark::State& state) {
  TmStrGrid& grid = Table();
  grid.SetKeyType(TMSortType::soStringCaseSensitive);
  grid.SortCompleteRows(3);
  for (auto _ : state) grid.UndoSort();  // alternates between the two arrangements
  if (state.iterations() % 2 == 1) grid.UndoSort();
  grid.UndoSort();
}
BENCHMARK(BM_UndoSortCompleteRows)->Iterations(4)->Unit(benchmark::kMillisecond);

void BM_InsertRowsAtTop(benchmark::State& state) {
  TmStrGrid& grid = Table();
  for (auto _ : state) {
    grid.InsertRows(0, 1);
    state.PauseTiming();
    grid.DeleteRows(0, 1);
    state.ResumeTiming();
  }
}
BENCHMARK(BM_InsertRowsAtTop)->Iterations(10)->Unit(benchmark::kMillisecond);

void BM_DeleteRowsAtTop(benchmark::State& state) {
  TmStrGrid& grid = Table();
  for (auto _ : state) {
    state.PauseTiming();
    grid.InsertRows(0, 1);
    state.ResumeTiming();
    grid.DeleteRows(0, 1);
  }
}
BENCHMARK(BM_DeleteRowsAtTop)->Iterations(10)->Unit(benchmark::kMillisecond);

void BM_InsertColsAtLeft(benchmark::State& state) {
  TmStrGrid& grid = Table();
  for (auto _ : state) {
    grid.InsertCols(0, 1);
    state.PauseTiming();
    grid.DeleteCols(0, 1);
    state.ResumeTiming();
  }
}
BENCHMARK(BM_InsertColsAtLeft)->Iterations(10)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace quillet

BENCHMARK_MAIN();
