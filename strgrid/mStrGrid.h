#pragma once
// TmStrGrid: the sortable string table. A TStringGrid with sort settings, a sort key list
// (SortIndex) that cuts, compares and orders the keys, the sorts of one line or of every
// line, and an undo that toggles the last rearrangement back and forth.
//
// Every sort copies a line into a key list with each entry's position as its object, lets
// the list sort itself, and then moves the cells in place along the cycles of the
// permutation the objects describe (TCellStore's permutations): each cell that changes place
// is written once, one cell per cycle is held aside, cells that keep their place are not
// touched. Afterwards SortIndex holds, for each position before the sort, the position its
// content went to (object and decimal text), which is what UndoSort takes back. Every
// operation that changes cells tells the host once it is done (TGridHost::CellsChanged).
//
// Fixed lines take part according to UseFixed. The key skip is the number of leading
// entries of a sorted line that stay; the line skip the number of leading lines a sort of
// every line leaves alone. With FR = SavedFixedRows(), FC = SavedFixedCols():
//   SortCol      key skip FR / FR / 0 (hfNot / hfSmart / hfYes)
//   SortRow      key skip FC / FC / 0
//   SortAllRows  key skip FC / FC / 0, rows FR / 0 / 0 left alone
//   SortAllCols  key skip FR / FR / 0, columns FC / 0 / 0 left alone

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "strgrid/grid_clipboard.h"
#include "strgrid/grid_search.h"
#include "strgrid/mstrlist.h"
#include "strgrid/string_grid.h"

namespace quillet {

// How fixed (header) rows and columns take part in the grid's sorts and searches (see the
// top of this file and strgrid/grid_search.h).
enum class HandleFixed : std::uint8_t { hfNot, hfSmart, hfYes };

class TmStrGrid : public TStringGrid {
 public:
  // LastSortKind values: which rearrangement UndoSort repeats.
  static constexpr int kSortNone = 0;
  static constexpr int kSortCompleteRows = 1;
  static constexpr int kSortCompleteCols = 2;
  static constexpr int kSortColumn = 3;
  static constexpr int kSortRow = 4;
  static constexpr int kSortAllRows = 5;
  static constexpr int kSortAllCols = 6;

  // A 5 x 5 grid (one fixed row and column) with the creation values below and a new
  // SortIndex whose date-time settings become the grid's own copies.
  TmStrGrid();
  ~TmStrGrid() override;

  // ---- sort settings (plain fields; the key list validates them when a sort starts) --
  TMSortType KeyType() const noexcept { return key_type_; }            // soString
  void SetKeyType(TMSortType value) noexcept { key_type_ = value; }
  std::int32_t KeyPos() const noexcept { return key_pos_; }            // 1
  void SetKeyPos(std::int32_t value) noexcept { key_pos_ = value; }
  std::int32_t KeyLen() const noexcept { return key_len_; }            // 2147483647
  void SetKeyLen(std::int32_t value) noexcept { key_len_ = value; }
  HandleFixed UseFixed() const noexcept { return use_fixed_; }         // hfNot
  void SetUseFixed(HandleFixed value) noexcept { use_fixed_ = value; }
  bool SortDescending() const noexcept { return sort_descending_; }    // false
  void SetSortDescending(bool value) noexcept { sort_descending_ = value; }

  // The grid's key list, created with the grid and never replaced. After every sort and
  // undo it records the last rearrangement (see the sorts). Changing it from outside
  // changes what UndoSort does.
  TmStrList& SortIndex() noexcept { return sort_index_; }
  const TmStrList& SortIndex() const noexcept { return sort_index_; }

  // While FixedClickActive() is set: the saved count; otherwise FixedRows() (FixedCols()).
  int SavedFixedRows() const noexcept;
  int SavedFixedCols() const noexcept;
  // Sets the saved count only (0 at creation); nothing else changes.
  void SetSavedFixedRows(int value) noexcept { saved_fixed_rows_ = value; }
  void SetSavedFixedCols(int value) noexcept { saved_fixed_cols_ = value; }

  // ---- date-time settings, passed through to SortIndex ------------------------------
  // Reading gives the key list's current value. Writing does nothing if the value equals
  // the grid's own copy of the last value written through it; otherwise it stores the
  // value in the copy and hands it to the key list. SetDateTimeFormat throws
  // E_Format_Invalid from the key list for a format that does not parse (the copy then
  // already holds the new text).
  std::string DateTimeFormat() const;
  void SetDateTimeFormat(const std::string& format);
  bool ShortYearExpand() const;
  void SetShortYearExpand(bool value);
  std::int32_t ShortYearBorder() const;
  void SetShortYearBorder(std::int32_t value);

  // ---- settings of search, keyboard, mouse and clipboard (plain fields, false) -------
  bool SearchSubstring() const noexcept { return search_substring_; }
  void SetSearchSubstring(bool value) noexcept { search_substring_ = value; }
  bool ReverseSearch() const noexcept { return reverse_search_; }
  // Changes the search direction. With a search running, one FindNext is made at once in
  // the new direction (its result dropped), so the last hit is not returned twice; with the
  // search exhausted, the next FindNext scans the whole rectangle again from the new start.
  // May throw what FindNext throws (EConvertError, EOverflow).
  void SetReverseSearch(bool value);
  // False until the first FindFirst, FindFirstInRow or FindFirstInCol.
  bool SearchExists() const noexcept { return search_.SearchExists(); }

  // Searches: a first-search call sets up the rectangle (whole table, one row, one column,
  // by UseFixed) and returns the first hit; FindNext returns the following ones. On a hit
  // acol/arow receive the cell, otherwise -1, -1. Matching follows KeyType, KeyPos, KeyLen
  // and SearchSubstring (see strgrid/grid_search.h for the rules and failures).
  bool FindFirst(const std::string& value, bool by_rows, int& acol, int& arow) {
    return search_.FindFirst(*this, value, by_rows, acol, arow);
  }
  bool FindFirstInRow(const std::string& value, int in_row, int& acol, int& arow) {
    return search_.FindFirstInRow(*this, value, in_row, acol, arow);
  }
  bool FindFirstInCol(const std::string& value, int in_col, int& acol, int& arow) {
    return search_.FindFirstInCol(*this, value, in_col, acol, arow);
  }
  bool FindNext(int& acol, int& arow) { return search_.FindNext(*this, acol, arow); }

  // Table files (see strgrid/table_file.h): one row per line, cells separated by
  // `separator`, lines ending in CR LF. Save raises EInOutError; Load raises MFileError
  // "File <name> not found" when the file cannot be opened (the table untouched) and
  // EInOutError for failures while reading.
  void SaveToFile(const std::string& file_name, const std::string& separator) const;
  void LoadFromFile(const std::string& file_name, const std::string& separator);
  bool EnableClipboardShortcuts() const noexcept { return enable_clipboard_shortcuts_; }
  void SetEnableClipboardShortcuts(bool value) noexcept { enable_clipboard_shortcuts_ = value; }
  bool PasteToCursor() const noexcept { return paste_to_cursor_; }
  void SetPasteToCursor(bool value) noexcept { paste_to_cursor_ = value; }
  bool ClickFixed() const noexcept { return click_fixed_; }
  void SetClickFixed(bool value) noexcept { click_fixed_ = value; }

  // ---- internal state ---------------------------------------------------------------
  // Set by a click on a fixed cell, cleared at the mouse release (by the visible grid).
  bool FixedClickActive() const noexcept { return fixed_click_active_; }
  void SetFixedClickActive(bool value) noexcept { fixed_click_active_ = value; }
  // Which rearrangement UndoSort repeats: kSortNone .. kSortAllCols.
  int LastSortKind() const noexcept { return last_sort_kind_; }
  // The column of the last SortCol or the row of the last SortRow.
  int SortedLine() const noexcept { return sorted_line_; }
  // The first row (column) the last SortAllRows (SortAllCols) worked on.
  int FirstMovedRow() const noexcept { return first_moved_row_; }
  int FirstMovedCol() const noexcept { return first_moved_col_; }

  // ---- single-line sorts --------------------------------------------------------------
  // Sorts the cells of column `col` over rows 0..RowCount()-1 by their keys (KeyType,
  // KeyPos, KeyLen, SortDescending); rows inside the key skip stay. Text and object of a
  // cell move together, in place. Afterwards SortIndex holds RowCount() entries, entry r
  // naming (object and decimal text) the row that row r's content went to; SortedLine() is
  // `col` and LastSortKind() kSortColumn. A column at or past ColCount() is sorted like
  // any other. The relative order of equal keys is the key list's.
  // Throws EListError "List index out of bounds" for col < 0, after SortedLine is set and
  // SortIndex emptied; errors of the key list's sort (EOverflow, E_Format_Invalid) pass
  // through. On any error no cell moves, LastSortKind keeps its value and UndoSort does
  // nothing until the next sort that succeeds.
  void SortCol(int col);
  // The same along row `row` over columns 0..ColCount()-1; LastSortKind kSortRow.
  void SortRow(int row);
  // Sorts the cells of each row from FirstMovedRow() (FR for hfNot, else 0) to
  // RowCount()-1 by themselves over ColCount() columns, with a temporary key list that
  // keeps the default date-time settings (not the grid's). SortIndex then holds one block
  // of ColCount() entries per row worked on, in row order; entry k of a block names the
  // column that the cell in column k of that row went to. LastSortKind kSortAllRows.
  // Errors as for SortCol: on an error of the key list no cell has moved.
  void SortAllRows();
  // The same with rows and columns exchanged: blocks of RowCount() entries per column from
  // FirstMovedCol(); LastSortKind kSortAllCols.
  void SortAllCols();
  // Reverses the rearrangement recorded by the last sort (by position, on the current
  // table and the current SortIndex) and records the way forward in SortIndex, so that a
  // second call sorts again. Does nothing for LastSortKind() kSortNone and after a sort or
  // undo that failed. kSortCompleteRows moves whole rows back (columns from
  // FirstMovedCol() on), kSortCompleteCols whole columns (rows from FirstMovedRow() on).
  // Throws EListError "List index out of bounds" if SortIndex does not fit the current
  // table (too few entries, a position outside its line); no cell moves then. SortIndex is
  // unchanged for the single-line kinds and rewritten up to the bad entry for the
  // whole-line kinds; UndoSort does nothing until the next good sort.
  void UndoSort();

  // ---- whole-row and whole-column sorts ---------------------------------------------------
  // These treat the table as records and are stable: rows (columns) with equal keys keep
  // their earlier relative order, in both directions. Rows inside the key skip stay; the
  // columns before FirstMovedCol() (the rows before FirstMovedRow()) are never touched:
  //   SortCompleteRows, ReorderCompleteRows  key skip FR / FR / 0, FirstMovedCol FC / 0 / 0
  //   SortCompleteColumns                    key skip FC / FC / 0, FirstMovedRow FR / 0 / 0
  // Whole lines move in place along the cycles of the permutation: one line is held aside
  // per cycle and every line that changes place is copied once. Afterwards SortIndex holds
  // one entry per row (column), entry k naming (object and decimal text) where the line that
  // stood at k went. On any error no cell moves, LastSortKind keeps its value and UndoSort
  // does nothing until the next sort that succeeds.

  // Sorts rows 0..RowCount()-1 by the keys in column `col` (KeyType, KeyPos, KeyLen,
  // SortDescending) and moves each row whole. Sets FirstMovedCol(); LastSortKind()
  // becomes kSortCompleteRows; SortedLine() is left alone. A column at or past ColCount()
  // is a key column like any other.
  // Throws EListError "List index out of bounds" for col < 0 (after FirstMovedCol is set
  // and SortIndex emptied); errors of the key list's sort (EOverflow, E_Format_Invalid)
  // pass through.
  void SortCompleteRows(int col);
  // The same with rows and columns exchanged: sorts the columns by the keys in row `row`;
  // sets FirstMovedRow(); LastSortKind() becomes kSortCompleteCols.
  void SortCompleteColumns(int row);
  // Puts the rows below the key skip into the order that `order` gives, from the top down,
  // as key values: row position key_skip + k receives the first row (from 0) whose key in
  // column `col` equals order text k. The keys are cut and compared with SortIndex's
  // present settings (those of the last sort that prepared it, or the defaults), not with
  // the grid's. Sets FirstMovedCol(); LastSortKind() becomes kSortCompleteRows.
  // Each text should find a distinct row below the key skip; if not, rows still only
  // rotate along chains (none is lost or doubled) but do not end in the requested order.
  // Each order text is looked up by a scan of the key column.
  // Throws, with no cell moved and LastSortKind kept:
  //   MFileError "Incorrect list length of Order Values" unless order.Count() equals
  //     RowCount() - key skip (only FirstMovedCol has changed then);
  //   EListError "List index out of bounds" for col < 0 (after SortIndex is emptied), and
  //     when an order text matches no row (SortIndex is then partly rewritten);
  //   EOverflow / E_Format_Invalid from a numeric or date key.
  void ReorderCompleteRows(int col, const TStrings& order);

  // ---- editing of whole lines ---------------------------------------------------------------
  // Fixed lines are shifted and filled like any other (only the RowCount/ColCount setters
  // adjust the fixed counts); SortIndex and LastSortKind are left alone. Moved cells keep
  // text and object together, also a cell with an object and an empty text. Every failure
  // is raised before anything changes.

  // Inserts `count` empty rows before row `row` (row == RowCount() appends): RowCount
  // grows by `count`, the first ColCount() cells of rows row.. move down by `count`
  // (cells past ColCount() stay where they are), row `row` is emptied completely (also past
  // ColCount()) and the other new rows in their first ColCount() cells.
  // Throws EListError "List index out of bounds" unless count >= 1, 0 <= row <= RowCount()
  // and RowCount() + count fits in 32 bits.
  void InsertRows(int row, int count);
  // The same with columns: the first RowCount() cells of columns col.. move right; the new
  // columns are emptied in their first RowCount() cells.
  void InsertCols(int col, int count);
  // Removes `count` rows from row `row` on (a count past the end is cut to the rows that
  // exist; 0 deletes nothing): the first ColCount() cells of the rows below move up and the
  // rows freed at the end receive what lies just past the table (normally nothing); then
  // RowCount is lowered through its setter (at least 1, FixedRows lowered to fit).
  // Throws EListError "List index out of bounds" for row < 0, count < 0 or
  // row > RowCount() - 1.
  void DeleteRows(int row, int count);
  // The same with columns, ColCount and FixedCols.
  void DeleteCols(int col, int count);
  // Cuts `line` at every occurrence of `separator` (n occurrences give n + 1 fields, the
  // last possibly empty; an empty separator gives the whole line as one field) and writes
  // the field texts into row `row` from column 0 on, keeping the cells' objects and the
  // cells after the last field. Counts do not change: fields past ColCount() (and a row
  // past RowCount()) go into cells outside the table. Returns the number of fields.
  // Throws EListError "List index out of bounds" for row < 0.
  int ModifyRow(int row, std::string_view line, std::string_view separator);
  // The same down column `col` from row 0 on.
  int ModifyCol(int col, std::string_view line, std::string_view separator);
  // RowCount grows by one, then ModifyRow on the new last row with the one-character
  // separator. Throws EListError "List index out of bounds" when RowCount() is already
  // the largest 32-bit value.
  void AddRow(std::string_view line, char separator);
  // ColCount grows by one, then ModifyCol on the new last column.
  void AddCol(std::string_view line, char separator);

 protected:
  // Key skip and line skip of a sort, from SavedFixedRows/Cols and UseFixed.
  int KeySkip(int saved_fixed) const noexcept;
  int LineSkip(int saved_fixed) const noexcept;
  // Clear, SetKeyPos, SetKeyLen, SetKeyType, StartIndex := key_skip, SortDescending.
  void PrepareSortList(TmStrList& list, int key_skip) const;
  // Whether the record in SortIndex may be replayed by UndoSort.
  bool UndoAvailable() const noexcept { return undo_available_; }
  void SetUndoAvailable(bool value) noexcept { undo_available_ = value; }
  void SetLastSortKind(int kind) noexcept { last_sort_kind_ = kind; }

 private:
  enum class Axis : std::uint8_t { kColumn, kRow };  // the line's cells run down / across
  void SortLine(Axis axis, int line);
  void LoadSortIndex(Axis axis, int line, int key_skip);
  static void SortOnce(TmStrList& list);
  void SortCompleteLines(Axis key_axis, int key_line);
  // PermuteCompleteRows (key_axis kColumn: rows move) and PermuteCompleteColumns (kRow).
  void PermuteCompleteLines(Axis key_axis);
  int WriteFields(Axis axis, int line, std::string_view text, std::string_view separator);
  void SortEveryLine(Axis axis);
  void RecordEveryLine(Axis axis, int first_line, int key_skip);
  std::vector<std::int32_t> SortIndexObjects() const;
  void CheckBlocks(const std::vector<std::int32_t>& objects, int lines, int block) const;
  void PermuteLine(Axis axis, int line);
  void PermuteEveryLine(Axis axis, int first_line);
  void InvertInto(const std::int32_t* moves, int count, int base);
  void FollowCycles(Axis axis, int line, std::vector<std::int32_t>& moves);

  TmStrList sort_index_;
  TMSortType key_type_ = TMSortType::soString;
  std::int32_t key_pos_ = 1;
  std::int32_t key_len_ = 2147483647;
  HandleFixed use_fixed_ = HandleFixed::hfNot;
  bool sort_descending_ = false;
  int saved_fixed_rows_ = 0;
  int saved_fixed_cols_ = 0;
  std::string date_time_format_copy_;
  bool short_year_expand_copy_ = true;
  std::int32_t short_year_border_copy_ = 10;
  bool search_substring_ = false;
  bool reverse_search_ = false;
  TGridSearch search_;
  bool enable_clipboard_shortcuts_ = false;
  bool paste_to_cursor_ = false;
  bool click_fixed_ = false;
  bool fixed_click_active_ = false;
  bool undo_available_ = false;
  int last_sort_kind_ = kSortNone;
  int sorted_line_ = 0;
  int first_moved_row_ = 0;
  int first_moved_col_ = 0;

  // ==== keyboard, mouse and clipboard =====================================================
 public:
  // The clipboard that CopyToClipboard, CutToClipboard and PasteFromClipboard use: the one
  // set here, or DefaultClipboard() while none is set (nullptr). It must outlive its use.
  TClipboard& Clipboard() const;
  void SetClipboard(TClipboard* clipboard) noexcept { clipboard_ = clipboard; }

  // Puts the selected block on the clipboard as block text (grid_clipboard.h).
  void CopyToClipboard();
  // CopyToClipboard, then empties the texts of the selected cells (objects stay); the
  // counts stay.
  void CutToClipboard();
  // Does nothing if the clipboard holds no text; otherwise writes it into the table as a
  // block (PasteBlockText) from the current cell (PasteToCursor) or the selection's
  // top-left cell, growing the table so that the block fits.
  void PasteFromClipboard();

  // Unless the cell editor is open, with EnableClipboardShortcuts character 3 copies, 22
  // pastes and 24 cuts; then, in every case, the standard key-press handling follows with
  // the same character (OnKeyPress sees the shortcut after its operation ran).
  void KeyPress(char& key) override;
  // Takes the focus as the standard handling does (if the grid is then not the active
  // control, only the standard handling follows). A left double press raises OnDblClick,
  // then the standard handling (without a second OnDblClick). A single left press that is
  // not on a sizing line and hits a fixed cell while ClickFixed is set is a fixed click:
  // saves the fixed counts (SavedFixedRows/Cols), writes FixedRows = 0 then FixedCols = 0,
  // sets FixedClickActive, writes Row = R then Col = C along the standard path (OnSelectCell
  // and OnClick for each change) and writes the fixed counts back; no OnMouseDown. A press
  // on a fixed line whose other coordinate lies beyond the table does nothing. A failure in
  // a handler writes the fixed counts back and passes on; FixedClickActive stays set until
  // the release. Every other press (right, middle, sizing line, scrolled cell) gets the
  // standard handling.
  void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
  // Clears FixedClickActive, then the standard release handling (OnMouseUp).
  void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;

 private:
  void FixedClick(int col, int row);
  // Writes the saved fixed counts back, each only as far as the table still allows.
  void RestoreFixedCounts();

  TClipboard* clipboard_ = nullptr;
};

}  // namespace quillet
