#include "strgrid/string_grid.h"

#include <algorithm>
#include <utility>

#include "runtime/exceptions.h"

namespace quillet {

TStringGrid::TStringGrid() = default;
TStringGrid::~TStringGrid() = default;

void TStringGrid::CellsChanged() {
  if (TGridHost* host = Host()) host->CellsChanged();
}

TStringGridLine TStringGrid::Cols(int col) {
  if (col < 0) throw EListError::IndexOutOfBounds();
  return TStringGridLine(*this, TStringGridLine::Kind::kColumn, col);
}

TStringGridLine TStringGrid::Rows(int row) {
  if (row < 0) throw EListError::IndexOutOfBounds();
  return TStringGridLine(*this, TStringGridLine::Kind::kRow, row);
}

// ---- line views --------------------------------------------------------------------------

void TStringGridLine::CheckIndex(int index) const {
  if (index < 0 || index >= GetCount()) throw EListError::IndexOutOfBounds();
}

int TStringGridLine::GetCount() const {
  return kind_ == Kind::kColumn ? grid_->RowCount() : grid_->ColCount();
}

std::string TStringGridLine::Get(int index) const { return std::string(StringView(index)); }

std::string_view TStringGridLine::StringView(int index) const {
  CheckIndex(index);
  return grid_->CellView(ColOf(index), RowOf(index));
}

std::intptr_t TStringGridLine::GetObject(int index) const {
  CheckIndex(index);
  return grid_->Objects(ColOf(index), RowOf(index));
}

void TStringGridLine::Put(int index, const std::string& text) {
  CheckIndex(index);
  grid_->SetCells(ColOf(index), RowOf(index), text);
}

void TStringGridLine::PutObject(int index, std::intptr_t object) {
  CheckIndex(index);
  grid_->SetObjects(ColOf(index), RowOf(index), object);
}

void TStringGridLine::Clear() {
  if (kind_ == Kind::kRow)
    grid_->ClearRowCells(index_);
  else
    grid_->ClearColumnRange(index_, 0, grid_->RowCount() - 1);
  grid_->CellsChanged();
}

void TStringGridLine::Assign(const TStrings& source) {
  const int count = std::min(source.Count(), Count());
  for (int i = 0; i < count; ++i) {  // read afresh each time: source and line may share cells
    TGridCell cell;
    cell.text.Assign(source.StringView(i));
    cell.object = source.Objects(i);
    grid_->PutCell(ColOf(i), RowOf(i), std::move(cell));
  }
  grid_->CellsChanged();
}

void TStringGridLine::Exchange(int index1, int index2) {
  CheckIndex(index1);
  CheckIndex(index2);
  grid_->ExchangeCells(ColOf(index1), RowOf(index1), ColOf(index2), RowOf(index2));
  grid_->CellsChanged();
}

void TStringGridLine::Delete(int /*index*/) { throw EInvalidGridOperation::LineSizeFixed(); }

void TStringGridLine::Insert(int /*index*/, const std::string& /*text*/) {
  throw EInvalidGridOperation::LineSizeFixed();
}

void TStringGridLine::ForEachEntry(
    const std::function<void(std::string_view, std::intptr_t)>& visit) const {
  const int count = GetCount();
  if (kind_ == Kind::kColumn) return grid_->ForEachColumnCell(index_, count, visit);
  for (int k = 0; k < count; ++k) visit(grid_->CellView(k, index_), grid_->Objects(k, index_));
}

}  // namespace quillet
