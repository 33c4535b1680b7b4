#pragma once
// TmStrGrid: the sortable string table. A TStringGrid with sort settings, a sort key list
// (SortIndex) that cuts, compares and orders the keys, the sorts of one line or of every
// line, and an undo that toggles the last rearrangement back and forth.
//
// Every sort copies a line into a key list with each entry's position as its object, lets
// the list sort itself, and then moves the cells in place along the cycles of the
// permutation the objects describe: each cell that changes place is written once, one
// cell per cycle is held aside, cells that keep their place are not touched. Afterwards
// SortIndex holds, for each position before the sort, the position its content went to
// (object and decimal text), which is what UndoSort takes back.
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
#include <vector>

#include "strgrid/mstrlist.h"
#include "strgrid/string_grid.h"

namespace quillet {

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
  void SetReverseSearch(bool value) noexcept { reverse_search_ = value; }
  bool SearchExists() const noexcept { return search_exists_; }
  void SetSearchExists(bool value) noexcept { search_exists_ = value; }
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
  // undo that failed; kSortCompleteRows and kSortCompleteCols are replayed by the
  // whole-row and whole-column permutations (not part of this class yet: nothing for now). Throws EListError "List index out of bounds" if SortIndex does not
  // fit the current table (too few entries, a position outside its line); nothing moves
  // and SortIndex is unchanged then, and UndoSort does nothing until the next good sort.
  void UndoSort();

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
  void SortEveryLine(Axis axis);
  void RecordEveryLine(Axis axis, int first_line, int key_skip);
  std::vector<std::int32_t> SortIndexObjects() const;
  void CheckBlocks(const std::vector<std::int32_t>& objects, int lines, int block) const;
  void PermuteLine(Axis axis, int line);
  void PermuteEveryLine(Axis axis, int first_line);
  void InvertInto(const std::int32_t* moves, int count, int base);
  void FollowCycles(Axis axis, int line, std::vector<std::int32_t>& moves);
  TGridCell TakeLineCell(Axis axis, int line, int position);
  void MoveLineCell(Axis axis, int line, int from, int to);
  void PutLineCell(Axis axis, int line, int position, TGridCell cell);

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
  bool search_exists_ = false;
  bool enable_clipboard_shortcuts_ = false;
  bool paste_to_cursor_ = false;
  bool click_fixed_ = false;
  bool fixed_click_active_ = false;
  bool undo_available_ = false;
  int last_sort_kind_ = kSortNone;
  int sorted_line_ = 0;
  int first_moved_row_ = 0;
  int first_moved_col_ = 0;
};

}  // namespace quillet
