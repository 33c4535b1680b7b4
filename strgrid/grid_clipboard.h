#pragma once
// The clipboard side of the string grid: TClipboard, the plain-text clipboard the grid's
// copy, cut and paste go through (an in-memory one here, the system clipboard in the Qt
// layer), and the block text that carries a block of cells.
//
// Block text: one line per row of the block, top to bottom; a line holds the texts of the
// row's cells left to right, each two neighbours separated by one TAB (0x09); lines are
// separated by CR LF, and no line break follows the last line. There is no quoting: a TAB,
// CR or LF inside a cell text goes into the block text unchanged. The text on a clipboard
// ends at its first NUL byte, so a cell text is copied only up to its first NUL byte.
// Two rows a, b and c, d read "a\tb\r\nc\td".

#include <string>
#include <string_view>

#include "strgrid/grid_types.h"

namespace quillet {

class TStringGrid;

// A clipboard holding plain text (8-bit text of the system code page).
class TClipboard {
 public:
  virtual ~TClipboard() = default;
  // Whether the clipboard holds plain text (an empty text counts).
  virtual bool HasText() const = 0;
  // The whole plain text, up to its first NUL byte; "" when it holds none.
  virtual std::string Text() const = 0;
  // Replaces the clipboard's content by `text`.
  virtual void SetText(std::string_view text) = 0;
};

// A clipboard in memory: empty (no text) until the first SetText.
class TMemoryClipboard final : public TClipboard {
 public:
  bool HasText() const override { return has_text_; }
  std::string Text() const override;
  void SetText(std::string_view text) override;
  // Back to holding no text.
  void Clear() noexcept;

 private:
  std::string text_;
  bool has_text_ = false;
};

// The clipboard of the process that grids use unless they are given one of their own: the
// one installed by SetDefaultClipboard, else an in-memory one shared by all grids.
TClipboard& DefaultClipboard();
// Installs `clipboard` (nullptr: the in-memory one again) and returns the one installed
// before (nullptr for the in-memory one). The clipboard must stay alive while installed.
TClipboard* SetDefaultClipboard(TClipboard* clipboard) noexcept;

// The block text of the cells of `block` (normalised, Left <= Right, Top <= Bottom), each
// cell's text as stored up to its first NUL byte. Cells outside the grid's counts are read
// like any other.
std::string BuildBlockText(const TStringGrid& grid, const TGridRect& block);

// Writes block text into the grid, starting at the current cell when `paste_to_cursor`,
// else at the selection's top-left cell. The text is used up to its first NUL byte and cut
// into lines at each CR; an LF right after a CR belongs to the line break, and after a CR
// at the very end one empty line follows. Each line is cut into fields at each TAB (a line
// without TAB is one field, an empty line one empty field); a field may be of any length.
// Fields go into the row's cells from the start column on, rows down from the start row.
// Writing into the last column raises ColCount by one, finishing a line in the last row
// raises RowCount by one, so a block always fits. The current cell and selection stay.
// Throws what writing a cell throws (nothing for cells inside the table).
void PasteBlockText(TStringGrid& grid, std::string_view text, bool paste_to_cursor);

}  // namespace quillet
