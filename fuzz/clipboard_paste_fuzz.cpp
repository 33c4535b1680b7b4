// Fuzzes the clipboard paste of the string grid: a random block text is pasted into a table
// of random size, from the current cell or from the selection's top-left cell, and the
// result is compared with a plain reading of the block text: the text up to its first NUL,
// lines cut at CR (an LF right after a CR belongs to the break, a CR at the very end is
// followed by one empty line), fields cut at TAB, fields written rightwards and lines
// downwards from the start cell, the table grown by one column (row) whenever a field
// (line) reaches its last one. No other cell changes; the current cell and the selection
// stay. A block text written as copying writes it must come back from CopyToClipboard.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz/fuzz_support.h"
#include "strgrid/grid_clipboard.h"
#include "strgrid/mStrGrid.h"

namespace quillet::fuzz {
namespace {

using Block = std::vector<std::vector<std::string>>;

constexpr char kJunk[] = "junk";

std::vector<std::string> Split(const std::string& text, char at) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  for (std::size_t i; (i = text.find(at, start)) != std::string::npos; start = i + 1) {
    parts.push_back(text.substr(start, i - start));
  }
  parts.push_back(text.substr(start));
  return parts;
}

Block ReadBlock(const std::string& clipboard_text) {
  const std::string text = clipboard_text.substr(0, clipboard_text.find('\0'));
  Block block;
  std::string line;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\r') {
      line += text[i];
      continue;
    }
    block.push_back(Split(line, '\t'));
    line.clear();
    if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
  }
  block.push_back(Split(line, '\t'));  // the last line, empty after a final line break
  return block;
}

// The text CopyToClipboard makes of `block`, or "" when the block is not rectangular.
std::string AsCopied(const Block& block) {
  std::string text;
  for (std::size_t r = 0; r < block.size(); ++r) {
    if (block[r].size() != block[0].size()) return "";
    for (std::size_t c = 0; c < block[r].size(); ++c) text += (c > 0 ? "\t" : "") + block[r][c];
    if (r + 1 < block.size()) text += "\r\n";
  }
  return text;
}

struct Setup {
  int cols, rows;
  TGridRect selection;
  bool to_cursor;
};

Setup RandomSetup(FuzzInput& input) {
  Setup s{};
  s.cols = 1 + input.Byte() % 6;
  s.rows = 1 + input.Byte() % 6;
  s.selection.Left = input.Byte() % s.cols;
  s.selection.Top = input.Byte() % s.rows;
  s.selection.Right = input.Byte() % s.cols;
  s.selection.Bottom = input.Byte() % s.rows;
  s.to_cursor = (input.Byte() & 1) != 0;
  return s;
}

void PrepareGrid(TmStrGrid& grid, const Setup& s) {
  grid.SetColCount(s.cols);
  grid.SetRowCount(s.rows);
  grid.SetFixedCols(0);
  grid.SetFixedRows(0);
  for (int r = 0; r < s.rows; ++r) {
    for (int c = 0; c < s.cols; ++c) grid.SetCells(c, r, kJunk);
  }
  grid.SetSelection(s.selection);
  grid.SetPasteToCursor(s.to_cursor);
}

// The text every cell of the region should hold after pasting `block` at (c0, r0).
std::string Expected(const Block& block, const Setup& s, int c0, int r0, int c, int r) {
  const int i = r - r0, j = c - c0;
  if (i >= 0 && i < static_cast<int>(block.size()) && j >= 0 && j < static_cast<int>(block[i].size())) {
    return block[i][j];
  }
  return c < s.cols && r < s.rows ? kJunk : "";
}

void CheckPasted(const TmStrGrid& grid, const Block& block, const Setup& s, int c0, int r0) {
  std::size_t widest = 0;
  for (const auto& line : block) widest = std::max(widest, line.size());
  const int right = c0 + static_cast<int>(widest), bottom = r0 + static_cast<int>(block.size());
  Check(grid.ColCount() == (right >= s.cols ? right + 1 : s.cols), "ColCount after the paste");
  Check(grid.RowCount() == (bottom >= s.rows ? bottom + 1 : s.rows), "RowCount after the paste");
  for (int r = 0; r < grid.RowCount(); ++r) {
    for (int c = 0; c < grid.ColCount(); ++c) {
      Check(grid.CellView(c, r) == Expected(block, s, c0, r0, c, r), "cell text after the paste");
    }
  }
}

}  // namespace
}  // namespace quillet::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace quillet;
  using namespace quillet::fuzz;
  if (size > 4096) return 0;
  FuzzInput input(data, size);
  const Setup setup = RandomSetup(input);
  const bool has_text = (input.Byte() & 1) != 0 || size < 8;
  const std::string text = input.Rest();
  TmStrGrid grid;
  TMemoryClipboard clipboard;
  grid.SetClipboard(&clipboard);
  PrepareGrid(grid, setup);
  if (has_text) clipboard.SetText(text);
  const TGridRect selection = grid.Selection();
  const int c0 = setup.to_cursor ? grid.Col() : selection.Left;
  const int r0 = setup.to_cursor ? grid.Row() : selection.Top;
  grid.PasteFromClipboard();
  Check(grid.Selection() == selection, "the selection stays");
  const Block block = has_text ? ReadBlock(text) : Block{};
  CheckPasted(grid, block, setup, c0, r0);
  const std::string copied = AsCopied(block);
  if (!has_text || copied != text || copied.empty()) return 0;
  const int last_col = c0 + static_cast<int>(block[0].size()) - 1;
  grid.SetSelection({c0, r0, last_col, r0 + static_cast<int>(block.size()) - 1});
  grid.CopyToClipboard();
  Check(clipboard.Text() == text, "copying the pasted block gives the block text back");
  return 0;
}
