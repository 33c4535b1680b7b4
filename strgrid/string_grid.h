#pragma once
// TStringGrid: the base grid, a TCellStore (the cells, strgrid/cell_store.h) with a
// TGridViewState (dimensions, current cell, selection, scrolling, editor, keys and mouse,
// strgrid/grid_view_state.h); and TStringGridLine, the string-list view of one column or row
// of it. Cell access is not bounded by ColCount and RowCount: cells outside the bounds are
// kept and show again when the bounds grow, and changing the counts never erases, moves or
// clears a cell.
//
// The grid tells its host of every change: of its look (TGridHost::GridChanged) and of the
// content of its cells (TGridHost::CellsChanged), so a window that shows it never needs to
// be told to repaint.

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "strgrid/cell_store.h"
#include "strgrid/grid_view_state.h"
#include "strgrid/t_strings.h"

namespace quillet {

class TStringGrid;

// The view of one line of a grid: a column (RowCount entries, entry r = cell (col, r)) or a
// row (ColCount entries, entry k = cell (k, row)). Reading and writing an entry reads and
// writes the cell; the count follows the grid's current counts. The view refers to the
// grid and must not outlive it. Obtain it through TStringGrid::Cols or Rows.
class TStringGridLine final : public TStrings {
 public:
  enum class Kind : std::uint8_t { kColumn, kRow };

  // Needs index >= 0 (the grid checks it before building a view).
  TStringGridLine(TStringGrid& grid, Kind kind, int index) noexcept
      : grid_(&grid), kind_(kind), index_(index) {}

  Kind LineKind() const noexcept { return kind_; }
  int Index() const noexcept { return index_; }

  // Empties the line's cells, text and object: a row view every stored cell of the row,
  // also past ColCount; a column view the column's first RowCount cells.
  void Clear() override;
  // Copies the first min(source.Count(), Count()) entries of `source`, text and object
  // together, into the line from index 0, one by one (an entry may read a cell that an
  // earlier one has just written); cells past them keep their content. An entry with an
  // empty text and an object is copied like any other (no PutObject error).
  void Assign(const TStrings& source) override;
  // Swaps two cells of the line, text and object. Throws EListError
  // "List index out of bounds" unless both indices are in 0..Count()-1.
  void Exchange(int index1, int index2) override;
  // A view neither inserts nor deletes entries. Both throw EInvalidGridOperation
  // "Cannot insert or delete cells through a grid line"; nothing changes.
  void Delete(int index) override;
  void Insert(int index, const std::string& text) override;
  // The cell's text without a copy; index errors as Strings.
  std::string_view StringView(int index) const override;
  // Reads the cells straight from the store, a column chunk by chunk.
  void ForEachEntry(
      const std::function<void(std::string_view, std::intptr_t)>& visit) const override;

 protected:
  // Entry access; an index outside 0..Count()-1 throws EListError
  // "List index out of bounds". PutObject follows TStringGrid::SetObjects.
  std::string Get(int index) const override;
  int GetCount() const override;
  std::intptr_t GetObject(int index) const override;
  void Put(int index, const std::string& text) override;
  void PutObject(int index, std::intptr_t object) override;

 private:
  void CheckIndex(int index) const;
  int ColOf(int index) const noexcept { return kind_ == Kind::kColumn ? index_ : index; }
  int RowOf(int index) const noexcept { return kind_ == Kind::kColumn ? index : index_; }

  TStringGrid* grid_;
  Kind kind_;
  int index_;
};

class TStringGrid : public TCellStore, public TGridViewState {
 public:
  // A grid of 5 columns and 5 rows with one fixed column and one fixed row, no cells.
  TStringGrid();
  ~TStringGrid() override;

  // The line views (see TStringGridLine). Throw EListError "List index out of bounds" for
  // a negative index.
  TStringGridLine Cols(int col);
  TStringGridLine Rows(int row);

 protected:
  // Tells the host that cells changed.
  void CellsChanged() override;
  TStringGrid& Sender() noexcept override { return *this; }

 private:
  friend class TStringGridLine;  // announces the changes its Clear, Assign and Exchange make
};

}  // namespace quillet
