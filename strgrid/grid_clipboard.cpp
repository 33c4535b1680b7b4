#include "strgrid/grid_clipboard.h"

#include "strgrid/field_split.h"
#include "strgrid/string_grid.h"

namespace quillet {

namespace {
constexpr std::string_view kFieldSeparator = "\t";
constexpr char kCR = '\r';
constexpr char kLF = '\n';

TClipboard* installed_default = nullptr;

std::string_view UpToNul(std::string_view text) { return text.substr(0, text.find('\0')); }

// Writes one line's fields from column `col` of row `row`, growing ColCount as it goes.
void PasteLine(TStringGrid& grid, std::string_view line, int col, int row) {
  ForEachField(line, kFieldSeparator, [&](std::string_view field) {
    grid.SetCells(col, row, field);
    ++col;
    if (col == grid.ColCount()) grid.SetColCount(col + 1);
  });
}
}  // namespace

std::string TMemoryClipboard::Text() const { return std::string(UpToNul(text_)); }

void TMemoryClipboard::SetText(std::string_view text) {
  text_.assign(text);
  has_text_ = true;
}

void TMemoryClipboard::Clear() noexcept {
  text_.clear();
  has_text_ = false;
}

TClipboard& DefaultClipboard() {
  static TMemoryClipboard shared;
  return installed_default != nullptr ? *installed_default : shared;
}

TClipboard* SetDefaultClipboard(TClipboard* clipboard) noexcept {
  TClipboard* before = installed_default;
  installed_default = clipboard;
  return before;
}

std::string BuildBlockText(const TStringGrid& grid, const TGridRect& block) {
  std::string text;
  for (int row = block.Top; row <= block.Bottom; ++row) {
    if (row > block.Top) text += "\r\n";
    for (int col = block.Left; col <= block.Right; ++col) {
      if (col > block.Left) text += kFieldSeparator;
      text += UpToNul(grid.CellView(col, row));
    }
  }
  return text;
}

void PasteBlockText(TStringGrid& grid, std::string_view text, bool paste_to_cursor) {
  text = UpToNul(text);
  // The start column is read afresh for every line, as the current cell or selection says.
  const auto start_col = [&] { return paste_to_cursor ? grid.Col() : grid.Selection().Left; };
  int row = paste_to_cursor ? grid.Row() : grid.Selection().Top;
  for (;;) {
    const std::size_t cr = text.find(kCR);
    PasteLine(grid, text.substr(0, cr), start_col(), row);
    ++row;
    if (row == grid.RowCount()) grid.SetRowCount(row + 1);
    if (cr == std::string_view::npos) return;
    text.remove_prefix(cr + 1);  // never past the end: a final CR leaves an empty line
    if (!text.empty() && text.front() == kLF) text.remove_prefix(1);
  }
}

}  // namespace quillet
