// sortcol_phases: times the steps of a one-column sort on the words of a text file.
//
//   sortcol_phases FILE
//
// Loads the blank-separated words of FILE (lowercased, longer than 3 bytes) into column 0
// of a TmStrGrid the way the conversion appends them, then repeats the steps of SortCol(0)
// on a TmStrList of its own and times each: AddStrings of the column, NumberEntries, the
// sort (QuickSort of all entries), reading the objects, StorePositions (the inversion with
// decimal texts) and PermuteColumn. Finally times SortCol(0) as a whole on a second grid
// and checks that both grids end with the same column.

#include <chrono>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "strgrid/mStrGrid.h"

namespace {

using Clock = std::chrono::steady_clock;

double SecondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

std::vector<std::string> ReadWords(const char* name) {
  std::ifstream in(name, std::ios::binary);
  std::vector<std::string> words;
  std::string word;
  for (std::istreambuf_iterator<char> it(in), end; it != end; ++it) {
    const unsigned char c = static_cast<unsigned char>(*it);
    if (c > 0x20) {
      word += static_cast<char>(c >= 'A' && c <= 'Z' ? c + 0x20 : c);
      continue;
    }
    if (word.size() > 3) words.push_back(word);
    word.clear();
  }
  if (word.size() > 3) words.push_back(word);
  return words;
}

void Load(quillet::TmStrGrid& grid, const std::vector<std::string>& words) {
  grid.SetColCount(1);
  grid.SetFixedCols(0);
  grid.SetFixedRows(0);
  grid.SetUseFixed(quillet::HandleFixed::hfNot);
  for (std::size_t r = 0; r < words.size(); ++r) {
    grid.SetRowCount(static_cast<int>(r) + 1);
    grid.SetCells(0, static_cast<int>(r), words[r]);
  }
}

template <class Step>
void Time(const char* name, Step step) {
  const auto start = Clock::now();
  step();
  std::printf("%-22s %8.3f s\n", name, SecondsSince(start));
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: sortcol_phases FILE\n");
    return 2;
  }
  const std::vector<std::string> words = ReadWords(argv[1]);
  std::printf("%zu words\n", words.size());
  quillet::TmStrGrid grid;
  Time("append cells", [&] { Load(grid, words); });
  quillet::TmStrList list;
  list.SetQuietBulkSteps(true);  // as the grid sets it on its own key list
  std::vector<std::int32_t> moves;
  Time("AddStrings", [&] { list.AddStrings(grid.Cols(0)); });
  Time("NumberEntries", [&] { list.NumberEntries(); });
  Time("QuickSort", [&] { list.QuickSort(0, list.Count() - 1); });
  Time("read objects", [&] {
    moves.resize(static_cast<std::size_t>(list.Count()));
    for (int i = 0; i < list.Count(); ++i) moves[i] = list.Objects(i);
  });
  Time("StorePositions", [&] { list.StorePositions(moves.data(), list.Count(), 0); });
  Time("PermuteColumn", [&] { grid.PermuteColumn(0, moves); });
  quillet::TmStrGrid whole;
  Load(whole, words);
  Time("SortCol(0) whole", [&] { whole.SortCol(0); });
  for (int r = 0; r < whole.RowCount(); ++r) {
    if (whole.CellView(0, r) != grid.CellView(0, r)) {
      std::fprintf(stderr, "the step-by-step sort differs at row %d\n", r);
      return 1;
    }
  }
  return 0;
}
