#include "strgrid/table_file.h"

#include <algorithm>
#include <cstddef>
#include <functional>
#include <utility>
#include <vector>

#include "runtime/exceptions.h"
#include "runtime/text_file.h"
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
  auto store = [&](std::string_view field) {
    grid.SetCells(col++, row, field);
    filled += field.empty() ? 0 : 1;
  };
  if (!separator.empty()) {
    const bool one_byte = separator.size() == 1;  // memchr is quicker for the usual case
    for (;;) {
      const std::size_t at = one_byte ? line.find(separator[0]) : line.find(separator);
      if (at == std::string_view::npos) break;
      store(line.substr(0, at));
      line.remove_prefix(at + separator.size());
    }
  }
  store(line);
  return col;
}

// Whether the cell store can list its stored cells (a visit of every cell holding a text or
// an object). Without it only the cells within the old and new counts can be reached.
template <class Grid>
concept VisitsStoredCells = requires(const Grid& grid) {
  grid.ForEachStoredCell(std::function<void(int, int)>());
};

template <class Grid>
void EmptyStaleTexts(Grid& grid, const LoadedRows& rows, int /*old_cols*/, int /*old_rows*/)
  requires VisitsStoredCells<Grid>
{
  std::vector<std::pair<int, int>> stale;
  grid.ForEachStoredCell(std::function<void(int, int)>([&](int col, int row) {
    if (!rows.Provides(col, row) && !grid.CellView(col, row).empty()) stale.emplace_back(col, row);
  }));
  for (const auto& [col, row] : stale) grid.SetCells(col, row, {});
}

template <class Grid>
void EmptyStaleTexts(Grid& grid, const LoadedRows& rows, int old_cols, int old_rows) {
  const int cols = std::max(old_cols, rows.Widest());
  const int last_rows = std::max(old_rows, rows.Count());
  for (int row = 0; row < last_rows; ++row) {
    for (int col = row < rows.Count() ? rows.widths[row] : 0; col < cols; ++col)
      if (!grid.CellView(col, row).empty()) grid.SetCells(col, row, {});
  }
}

// Empties the text of every cell the file did not provide. Every non-empty field is a stored
// cell, so when the store holds no more cells than that there is nothing to empty.
void EmptyUnprovidedTexts(TmStrGrid& grid, const LoadedRows& rows, int old_cols, int old_rows) {
  if (grid.StoredCellCount() == rows.filled) return;
  EmptyStaleTexts(grid, rows, old_cols, old_rows);
}

void OpenForLoad(TTextReader& reader, const std::string& file_name) {
  try {
    reader.Open(file_name);
  } catch (const EInOutError&) {
    throw MFileError("File " + file_name + " not found");
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
  const int old_cols = grid.ColCount();
  const int old_rows = grid.RowCount();
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
  EmptyUnprovidedTexts(grid, rows, old_cols, old_rows);
  reader.Close();
}

}  // namespace quillet
