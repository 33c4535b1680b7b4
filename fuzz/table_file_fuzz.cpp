// Fuzzes the table text file. Mode 0 loads random file bytes with a random separator; mode 1
// fills a random table, saves it, checks the file byte for byte and loads it back. Either
// way the loaded table must be what a plain reading of the file gives: the non-empty lines
// (CR or CR LF ends a line, 0x1A ends the file) cut at each separator from the left, every
// other cell of a grid that held older texts emptied. Where no cell holds the separator, a
// CR or 0x1A and no line comes out empty, the reloaded table equals the saved one.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz/fuzz_support.h"
#include "runtime/exceptions.h"
#include "strgrid/mStrGrid.h"
#include "strgrid/table_file.h"

namespace quillet::fuzz {
namespace {

using Table = std::vector<std::vector<std::string>>;

constexpr int kJunkCols = 7, kJunkRows = 9;
constexpr std::size_t kMaxCellsCompared = 200000;

std::vector<std::string> FileLines(const std::string& file) {
  const std::string text = file.substr(0, file.find('\x1A'));
  std::vector<std::string> lines;
  std::size_t i = 0;
  while (i < text.size()) {
    const std::size_t cr = std::min(text.find('\r', i), text.size());
    lines.push_back(text.substr(i, cr - i));
    i = cr + 1;
    if (i < text.size() && text[i] == '\n') ++i;
  }
  return lines;
}

std::vector<std::string> Fields(const std::string& line, std::string_view separator) {
  if (separator.empty()) return {line};
  std::vector<std::string> fields;
  std::size_t start = 0;
  for (std::size_t at; (at = line.find(separator, start)) != std::string::npos; start = at + separator.size()) {
    fields.push_back(line.substr(start, at - start));
  }
  fields.push_back(line.substr(start));
  return fields;
}

Table ExpectedTable(const std::string& file, std::string_view separator) {
  Table table;
  for (const std::string& line : FileLines(file)) {
    if (!line.empty()) table.push_back(Fields(line, separator));
  }
  return table;
}

// A grid that already holds texts everywhere the load might leave them behind.
void FillWithJunk(TmStrGrid& grid, std::uint8_t fixed) {
  grid.SetColCount(kJunkCols);
  grid.SetRowCount(kJunkRows);
  grid.SetFixedCols(fixed % 3);
  grid.SetFixedRows((fixed / 3) % 3);
  for (int r = 0; r < kJunkRows; ++r) {
    for (int c = 0; c < kJunkCols; ++c) grid.SetCells(c, r, "junk");
  }
}

void CheckLoaded(const TmStrGrid& grid, const Table& expected) {
  std::size_t width = 1;
  for (const auto& row : expected) width = std::max(width, row.size());
  Check(grid.RowCount() == static_cast<int>(std::max<std::size_t>(expected.size(), 1)), "RowCount after a load");
  Check(grid.ColCount() == static_cast<int>(width), "ColCount after a load");
  Check(grid.FixedRows() < grid.RowCount() && grid.FixedCols() < grid.ColCount(), "fixed counts fit");
  for (std::size_t r = 0; r < expected.size(); ++r) {
    for (std::size_t c = 0; c < expected[r].size(); ++c) {
      Check(grid.CellView(static_cast<int>(c), static_cast<int>(r)) == expected[r][c], "loaded cell text");
    }
  }
  const int rows = std::max(grid.RowCount(), kJunkRows), cols = std::max(grid.ColCount(), kJunkCols);
  if (static_cast<std::size_t>(rows) * static_cast<std::size_t>(cols) > kMaxCellsCompared) return;
  for (int r = 0; r < rows; ++r) {
    const std::size_t provided = r < static_cast<int>(expected.size()) ? expected[r].size() : 0;
    for (int c = static_cast<int>(provided); c < cols; ++c) Check(grid.CellView(c, r).empty(), "cell not in the file is empty");
  }
}

std::string JoinedRow(const std::vector<std::string>& row, std::string_view separator) {
  std::string line;
  for (std::size_t c = 0; c < row.size(); ++c) line += (c > 0 ? std::string(separator) : "") + row[c];
  return line;
}

std::string JoinedFile(const Table& table, std::string_view separator) {
  std::string file;
  for (const auto& row : table) file += JoinedRow(row, separator) + "\r\n";
  return file;
}

bool SurvivesRoundTrip(const Table& table, std::string_view separator) {
  if (separator.find_first_of("\r\x1A") != std::string_view::npos) return false;
  for (const auto& row : table) {
    for (const std::string& cell : row) {
      if (cell.find_first_of("\r\x1A") != std::string::npos) return false;
    }
    const std::string line = JoinedRow(row, separator);
    if (line.empty() || Fields(line, separator) != row) return false;  // empty lines are skipped
  }
  return true;
}

Table RandomTable(FuzzInput& input) {
  const std::size_t cols = 1 + input.Byte() % 5, rows = 1 + input.Byte() % 6;
  Table table(rows, std::vector<std::string>(cols));
  for (auto& row : table) {
    for (std::string& cell : row) cell = input.Text(12);
  }
  return table;
}

void SaveAndReload(FuzzInput& input, const std::string& separator, std::uint8_t fixed) {
  const Table table = RandomTable(input);
  TmStrGrid source;
  source.SetColCount(static_cast<int>(table[0].size()));
  source.SetRowCount(static_cast<int>(table.size()));
  for (std::size_t r = 0; r < table.size(); ++r) {
    for (std::size_t c = 0; c < table[r].size(); ++c) source.SetCells(static_cast<int>(c), static_cast<int>(r), table[r][c]);
  }
  const std::string name = ScratchFolder() + "/table.txt";
  SaveTableFile(source, name, separator);
  const std::string file = ReadWholeFile(name);
  Check(file == JoinedFile(table, separator), "saved file: cells joined by the separator, CR LF after each row");
  TmStrGrid loaded;
  FillWithJunk(loaded, fixed);
  LoadTableFile(loaded, name, separator);
  CheckLoaded(loaded, ExpectedTable(file, separator));
  if (SurvivesRoundTrip(table, separator)) CheckLoaded(loaded, table);
}

void LoadRandomFile(FuzzInput& input, const std::string& separator, std::uint8_t fixed) {
  const std::string file = input.Rest();
  MemoryFile memory(file);
  TmStrGrid grid;
  FillWithJunk(grid, fixed);
  LoadTableFile(grid, memory.Name(), separator);
  CheckLoaded(grid, ExpectedTable(file, separator));
}

}  // namespace
}  // namespace quillet::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace quillet::fuzz;
  if (size > 8192) return 0;
  FuzzInput input(data, size);
  const std::uint8_t flags = input.Byte();
  const std::string separator = input.Text(4);
  if ((flags & 1) != 0) SaveAndReload(input, separator, flags >> 1);
  else LoadRandomFile(input, separator, flags >> 1);
  return 0;
}
