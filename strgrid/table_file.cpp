#include "strgrid/table_file.h"

#include <algorithm>
#include <cstddef>
#include <utility>
#include <vector>

#include "runtime/exceptions.h"
#include "runtime/text_file.h"
#include "strgrid/field_split.h"
#include "strgrid/mStrGrid.h"

namespace quillet {
namespace {

constexpr std::string_view kLineEnd = "\r\n";

// What a load has put into the table so far.
struct LoadedRows {
  std::vector<int> widths;   // fields of each loaded row, by row
  std::size_t filled = 0;    // fields with a non-empty text
  int Count() const { return static_cast<int>(widths.size()); }
  int Widest() const {
    return widths.empty() ? 0 : *std::max_element(widths.begin(), widths.end());
  }
  bool Provides(int col, int row) const { return row < Count() && col < widths[row]; }
};

// Stores the fields of `line` into row `row` from column 0; returns the number of fields.
int StoreFields(TmStrGrid& grid, int row, std::string_view line, std::string_view separator,
                std::size_t& filled) {
  int col = 0;
  return ForEachField(line, separator, [&](std::string_view field) {
    grid.SetCells(col++, row, field);
    filled += field.empty() ? 0 : 1;
  });
}

// Empties the text of every cell the file did not provide, wherever it lies. Every non-empty
// field is a stored cell, so when the store holds no more cells than that there is nothing
// to empty.
void EmptyUnprovidedTexts(TmStrGrid& grid, const LoadedRows& rows) {
  if (grid.StoredCellCount() == rows.filled) return;
  std::vector<std::pair<int, int>> stale;  // the visit must not change the store
  grid.ForEachStoredCell([&](int col, int row) {
    if (!rows.Provides(col, row) && !grid.CellView(col, row).empty()) stale.emplace_back(col, row);
  });
  for (const auto& [col, row] : stale) grid.SetCells(col, row, {});
}

void OpenForLoad(TTextReader& reader, const std::string& file_name) {
  try {
    reader.Open(file_name);
  } catch (const EInOutError&) {
    throw MFileError::FileNotFound(file_name);
  }
}

}  // namespace

void SaveTableFile(const TmStrGrid& grid, const std::string& file_name,
                   std::string_view separator) {
  TTextWriter writer;  // dropped without Close on a failure: the old file stays
  writer.Create(file_name);
  const int cols = grid.ColCount();
  const int rows = grid.RowCount();
  for (int row = 0; row < rows; ++row) {
    writer.Write(grid.CellView(0, row));
    for (int col = 1; col < cols; ++col) {
      writer.Write(separator);
      writer.Write(grid.CellView(col, row));
    }
    writer.Write(kLineEnd);
  }
  writer.Close();
}

void LoadTableFile(TmStrGrid& grid, const std::string& file_name, std::string_view separator) {
  TTextReader reader;  // closed quietly if reading fails
  OpenForLoad(reader, file_name);
  LoadedRows rows;
  std::string line;
  while (!reader.Eof()) {
    reader.ReadLine(line);
    if (line.empty()) continue;
    const int row = rows.Count();
    if (row > grid.SavedFixedRows()) grid.SetRowCount(row + 1);
    rows.widths.push_back(StoreFields(grid, row, line, separator, rows.filled));
  }
  grid.SetRowCount(rows.Count());
  grid.SetColCount(rows.Widest());
  EmptyUnprovidedTexts(grid, rows);
  reader.Close();
}

}  // namespace quillet
