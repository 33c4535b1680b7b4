// Throughput of table files: saving and loading a table of 1,000,000 rows x 5 columns.

#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>

#include "strgrid/mStrGrid.h"
#include "strgrid/table_file.h"

namespace quillet {
namespace {

constexpr int kRows = 1000000;
constexpr int kCols = 5;

std::string TempPath(const std::string& suffix) {
  return (std::filesystem::temp_directory_path() /
          ("quillet-table-bench-" + std::to_string(::getpid()) + suffix)).string();
}

// Cell texts of 3 to 14 bytes, the size of words and short numbers.
std::string CellText(int col, int row) {
  std::string text = std::to_string(row * 7 + col);
  text.append(static_cast<std::size_t>((row + col) % 9), static_cast<char>('a' + (row + col) % 26));
  return text;
}

// The filled table and its saved file, made once per process; the file is removed at exit.
struct Sample {
  Sample() : path(TempPath(".txt")) {
    grid.SetRowCount(kRows);
    grid.SetColCount(kCols);
    for (int col = 0; col < kCols; ++col)
      for (int row = 0; row < kRows; ++row) grid.SetCells(col, row, CellText(col, row));
    SaveTableFile(grid, path, ";");
    bytes = static_cast<std::int64_t>(std::filesystem::file_size(path));
  }
  ~Sample() { std::remove(path.c_str()); }
  TmStrGrid grid;
  std::string path;
  std::int64_t bytes = 0;
};

Sample& TheSample() {
  static Sample sample;
  return sample;
}

void BM_SaveTable(benchmark::State& state) {
  Sample& sample = TheSample();
  const std::string path = TempPath(".out");
  for (auto _ : state) SaveTableFile(sample.grid, path, ";");
  std::remove(path.c_str());
  state.SetBytesProcessed(state.iterations() * sample.bytes);
}
BENCHMARK(BM_SaveTable)->Unit(benchmark::kMillisecond);

// Loads into a new grid each time (the grid's release is not timed).
void BM_LoadTableIntoNewGrid(benchmark::State& state) {
  Sample& sample = TheSample();
  for (auto _ : state) {
    auto grid = std::make_unique<TmStrGrid>();
    LoadTableFile(*grid, sample.path, ";");
    benchmark::DoNotOptimize(grid->RowCount());
    state.PauseTiming();
    grid.reset();
    state.ResumeTiming();
  }
  state.SetBytesProcessed(state.iterations() * sample.bytes);
}
BENCHMARK(BM_LoadTableIntoNewGrid)->Unit(benchmark::kMillisecond);

// Loads over the table it came from: every cell is written again.
void BM_LoadTableOverItself(benchmark::State& state) {
  Sample& sample = TheSample();
  for (auto _ : state) LoadTableFile(sample.grid, sample.path, ";");
  state.SetBytesProcessed(state.iterations() * sample.bytes);
}
BENCHMARK(BM_LoadTableOverItself)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace quillet

BENCHMARK_MAIN();
