#pragma once
// The word-list conversion: reads a text file line by line, turns every filter byte into a
// blank, trims each line, folds it to lowercase or uppercase, cuts it at blanks into words,
// keeps the words longer than a minimum length in column 0 of a string table, sorts them
// there and writes every word once, in sorted order, one per line (CR LF), to an output
// file. It touches the window only through ConversionWindow, so it runs without one.
//
// A run (TWordListConversion::Run) goes through these steps:
//   1. last row := -1.
//   2. minimum length := ParseMinLength(window.MinLengthText()).
//   3. The filter text is trimmed and written back (SetFilterText); byte k of it goes into
//      filter slot k. Slots grow as needed and are never cleared, so a slot past the
//      current filter keeps a byte of an earlier, longer filter.
//   4. Empty input name: status "Input File Name InCorrect!", end (nothing else happens).
//   5. Empty output name: status "Output File Name InCorrect!", end.
//   6. Start hidden; status "Starting Convert, Please Wait...."; pending events.
//   7. The input name is read again and the file opened (it must exist).
//   8. Every line is worked on: filter, trim, fold, split, append kept words (below).
//   9. The input is closed.
//  10. Status "Convert Done! Sorting Data, Wait...."; pending events.
//  11. grid.SortCol(0).
//  12. Status "Sort Done! Delete Dupelication Data, Wait...."; pending events.
//  13. The output name is read again and the output created.
//  14. Row 0 is written; every later row that differs byte for byte from the word written
//      last is written; every row equal to it is set to the empty text.
//  15. Status "All Process Done! <count> Words Saved!"; pending events.
//  16. The output is closed.
//  17. Start shown again.
//
// Lines. The text-file layer ends a line at CR or CR LF and the input at 0x1A or the
// physical end. The conversion also ends a line at every LF byte: it cuts each line it
// reads at its LF bytes and works on the pieces as lines, in order. Files whose lines end
// in CR or CR LF give exactly the same words either way.
//
// Working on a line:
// - Filter: with L the length of the filter field's text when reading begins, every byte
//   held by one of the slots 1..L becomes a blank. A slot that holds a blank, and an empty
//   slot, change nothing.
// - Trim: every byte of value 0x20 or less goes from both ends.
// - Fold: uppercase (a-z -> A-Z) when UpperCaseChecked(), else lowercase (A-Z -> a-z);
//   no other byte changes, also not the second byte of a double-byte character.
// - Split: while the line is not empty, the bytes before its first blank (or all of it,
//   when it has no blank) form the next word, which is removed with its blank. A word
//   longer than the minimum length is appended; after an appended word the rest of the
//   line is trimmed, after a dropped one it is not.
// - Append: last row += 1; grid.SetRowCount(last row + 1); cell (0, last row) := word.
//
// The case choice and the filter length are taken once when reading begins; no pending
// events run while the input is read, so they are the values that hold for every line.
//
// Failures. Any exception ends the run where it happens and leaves Run(); the Start button
// then stays hidden (the window decides what it shows). Every file open at that moment is
// closed. The output is written to a temporary file that replaces the named file only when
// it is complete and closed, so a failed run leaves an existing output as it was, and with
// the same name in both fields the input survives every failure before the replacement.
// File failures are EInOutError with the text-file layer's code and message (a missing
// input: "File not found"). Memory exhaustion is std::bad_alloc ("Out of memory" through
// MessageOf); a table that would need more than 2147483647 rows raises EOutOfMemory.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace quillet {

class TmStrGrid;
class TTextWriter;

// The 40-byte default filter text (Button1Click puts it into the filter field).
inline constexpr std::string_view kDefaultFilterText =
    "1234567890~!@#$%^&*()|\\=-`;:\"><,./?{}[]+";

// Status texts of a run, byte for byte.
inline constexpr std::string_view kInputNameIncorrect = "Input File Name InCorrect!";
inline constexpr std::string_view kOutputNameIncorrect = "Output File Name InCorrect!";
inline constexpr std::string_view kStartingConvert = "Starting Convert, Please Wait....";
inline constexpr std::string_view kConvertDone = "Convert Done! Sorting Data, Wait....";
inline constexpr std::string_view kSortDone = "Sort Done! Delete Dupelication Data, Wait....";
// "All Process Done! <count> Words Saved!" with the count in decimal digits.
std::string AllProcessDoneText(int written_count);

// Run returns this when a name check (steps 4, 5) ended the run.
inline constexpr int kStoppedByNameCheck = -1;

// Parses a minimum-length text: blanks (0x20 only) at the start are skipped; then an
// optional "-" or "+" and decimal digits, or a "$" and hexadecimal digits (0-9, A-F, a-f).
// The parse stops at the first byte that is not a digit; the digits read so far are then
// the result and a minus sign is not applied. When the text ends right after its digits,
// the result is the number, negated after a minus sign. A number outside the signed
// 32-bit range saturates to 2147483647 or -2147483648 (the latter only for a negative
// number that ends the text). Examples: "" 0, "abc" 0, "-" 0, "3x" 3, "-2x" 2, "4 " 4,
// " 4" 4, "-1" -1, "$A" 10, "99999999999" 2147483647. Never throws.
std::int32_t ParseMinLength(std::string_view text) noexcept;

// The phases whose progress a run reports.
enum class ProgressPhase : std::uint8_t {
  kReading,  // done/total: bytes of the input consumed / input file size
  kSorting,  // done/total: 0/rows before the sort, rows/rows after it
  kWriting,  // done/total: rows worked on / rows
};

// What the conversion needs of the window. The window implements it on its widgets;
// tests and the command-line tool on plain values.
class ConversionWindow {
 public:
  virtual ~ConversionWindow() = default;
  virtual std::string InputFileName() = 0;   // Edit1 text (steps 4 and 7)
  virtual std::string OutputFileName() = 0;  // Edit2 text (steps 5 and 13)
  virtual std::string FilterText() = 0;      // Edit3 text (step 3; its length in step 8)
  virtual void SetFilterText(const std::string& text) = 0;  // Edit3 := trimmed filter
  virtual std::string MinLengthText() = 0;   // Edit4 text (step 2)
  virtual bool UpperCaseChecked() = 0;       // RadioButton2 checked (step 8)
  virtual void SetStatusText(const std::string& text) = 0;  // StatusBar1 simple text
  virtual void SetStartVisible(bool visible) = 0;           // SpeedButton2 shown/hidden
  // Runs every waiting window event, then returns (steps 6, 10, 12 and 15 only).
  virtual void ProcessPendingEvents() = 0;
  // Progress inside a phase, for a progress display. Called often (about every 1 MB of
  // input); it must not run pending window events. It should not throw; an exception from
  // it ends the run like any other failure. Default: nothing.
  virtual void Progress(ProgressPhase /*phase*/, std::uint64_t /*done*/,
                        std::uint64_t /*total*/) {}
};

// Gives a string table the settings of the window's hidden word table: one column, no
// fixed rows or columns, 4 rows, key type soString, key position 1, key length
// 2147483647, ascending, UseFixed hfNot.
void ConfigureWordTable(TmStrGrid& grid);

// The conversion and its run state, which lasts from one run to the next (the filter
// slots keep their bytes; last row and minimum length are set anew by every run).
class TWordListConversion {
 public:
  // Runs steps 1-17 with the window's fields and the string table `grid` (set up as by
  // ConfigureWordTable). Returns the number of words written, or kStoppedByNameCheck.
  // Throws whatever ends the run (see the file comment); files are closed then and an
  // existing output file is left as it was.
  int Run(ConversionWindow& window, TmStrGrid& grid);

  // Run state, for inspection.
  std::int32_t LastRow() const { return last_row_; }
  std::int32_t MinLength() const { return min_length_; }
  std::int32_t WrittenCount() const { return written_count_; }
  // Slot k (1-based) is FilterSlots()[k - 1]: a byte 0..255, or -1 for an empty slot.
  const std::vector<int>& FilterSlots() const { return filter_slots_; }

 private:
  void FillFilterSlots(ConversionWindow& window);
  bool NamesAreSet(ConversionWindow& window);
  void BuildByteMap(ConversionWindow& window);
  void ReadInput(ConversionWindow& window, TmStrGrid& grid);
  void WorkOnLinePieces(TmStrGrid& grid);
  void WorkOnLine(char* piece, std::size_t size, TmStrGrid& grid);
  void SplitIntoWords(std::string_view line, TmStrGrid& grid);
  bool IsKept(std::size_t word_length) const;
  void AppendWord(std::string_view word, TmStrGrid& grid);
  void WriteOutput(ConversionWindow& window, TmStrGrid& grid);
  void WriteDistinctRows(ConversionWindow& window, TmStrGrid& grid, TTextWriter& writer);

  std::string line_buffer_;   // the line being worked on
  std::string current_word_;  // while writing: the word written last
  std::int32_t last_row_ = -1;
  std::int32_t min_length_ = 0;
  std::int32_t written_count_ = 0;
  std::vector<int> filter_slots_;
  unsigned char byte_map_[256] = {};  // filter and fold of one byte, set when reading begins
};

}  // namespace quillet
