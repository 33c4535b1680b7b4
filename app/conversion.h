#pragma once
// The word-list conversion: reads a text, turns every filter byte into a blank, trims each
// line, folds it to lowercase or uppercase, cuts it at blanks into words, keeps the words
// longer than a minimum length, and writes every distinct word once, in the order of the
// soString key, one per line (CR LF), to an output file. The window and the command-line
// tool run this one engine: the settings come in one ConversionOptions value, and the
// engine talks to its caller only through ConversionHost.
//
// A run (TWordListConversion::Run) goes through these steps:
//   1. The kept and written counts start at 0.
//   2. minimum length := ParseMinLength(min_length_text).
//   3. The filter text is trimmed; byte k of it goes into filter slot k. Slots grow as
//      needed and are never cleared, so a slot past the current filter keeps a byte of an
//      earlier, longer filter.
//   4. Empty input name: status "Input File Name InCorrect!", end (nothing else happens).
//   5. Empty output name: status "Output File Name InCorrect!", end.
//   6. Status "Starting Convert, Please Wait...."; pending events.
//   7. The input is opened by the name the options hold now (it must exist).
//   8. The input is read in blocks and cut into words on worker threads (WordCutter,
//      WordCollector); the distinct words are counted in one table. The case and the number
//      of filter slots applied (the filter text's length) are the options' values now.
//   9. The input is closed.
//  10. Status "Convert Done! Sorting Data, Wait...."; pending events.
//  11. The words are ordered (WriteOrder): by soString key, equal keys by bytes.
//  12. Status "Sort Done! Delete Dupelication Data, Wait...."; pending events.
//  13. The output is created by the name the options hold now.
//  14. Every distinct word is written once, in that order.
//  15. Status "All Process Done! <count> Words Saved!" (the lines written); pending events.
//  16. The output is closed.
// Pending events run only at steps 6, 10, 12 and 15: the host may change the options there
// (a window whose fields the user edits), and the run reads them again where said above.
//
// Failures. Any exception ends the run where it happens and leaves Run(), also one raised on
// a worker thread. Every file open at that moment is closed. The output is written to a
// temporary file that replaces the named file only when it is complete and closed, so a
// failed run leaves an existing output as it was, and with the same name for input and
// output the input survives every failure before the replacement. File failures are
// EInOutError with the text-file layer's code and message (a missing input: "File not
// found"); running out of memory is std::bad_alloc or EOutOfMemory, both "Out of memory"
// through MessageOf. A run the host cancels ends the same way, without an exception.

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace quillet {

class TmStrGrid;
class WordTable;

// The 40-byte default filter text.
inline constexpr std::string_view kDefaultFilterText =
    "1234567890~!@#$%^&*()|\\=-`;:\"><,./?{}[]+";

// Status texts of a run, byte for byte.
inline constexpr std::string_view kInputNameIncorrect = "Input File Name InCorrect!";
inline constexpr std::string_view kOutputNameIncorrect = "Output File Name InCorrect!";
inline constexpr std::string_view kStartingConvert = "Starting Convert, Please Wait....";
inline constexpr std::string_view kConvertDone = "Convert Done! Sorting Data, Wait....";
inline constexpr std::string_view kSortDone = "Sort Done! Delete Dupelication Data, Wait....";
// "All Process Done! <count> Words Saved!" with the count in decimal digits.
std::string AllProcessDoneText(std::uint64_t written_count);

// Run returns these instead of a count when a name check (steps 4, 5) ended the run, or
// when the host cancelled it.
inline constexpr std::int64_t kStoppedByNameCheck = -1;
inline constexpr std::int64_t kCancelled = -2;

// Parses a minimum-length text: blanks (0x20 only) at the start are skipped; then an
// optional "-" or "+" and decimal digits, or a "$" and hexadecimal digits (0-9, A-F, a-f).
// The parse stops at the first byte that is not a digit; the digits read so far are then
// the result and a minus sign is not applied. When the text ends right after its digits,
// the result is the number, negated after a minus sign. A number outside the signed
// 32-bit range saturates to 2147483647 or -2147483648 (the latter only for a negative
// number that ends the text). Examples: "" 0, "abc" 0, "-" 0, "3x" 3, "-2x" 2, "4 " 4,
// " 4" 4, "-1" -1, "$A" 10, "99999999999" 2147483647. Never throws.
std::int32_t ParseMinLength(std::string_view text) noexcept;

// `text` without the bytes of value 0x20 or less at both ends (how a filter text is
// trimmed).
std::string_view TrimBlanks(std::string_view text) noexcept;

// What a run needs to know, in one value.
struct ConversionOptions {
  std::string input_name;
  std::string output_name;
  std::string filter_text;             // the bytes that become blanks (trimmed at step 3)
  std::string min_length_text = "3";   // parsed at step 2
  bool upper_case = false;             // fold to uppercase instead of lowercase
  unsigned threads = 0;                // workers that cut the input; 0: one per core
  // Bytes read at a time (tests make it small). A block and the 16 bytes read past it make
  // 2 MiB, one huge page.
  std::size_t block_size = (2 << 20) - 16;
};

// The phases whose progress a run reports.
enum class ProgressPhase : std::uint8_t {
  kReading,  // done/total: bytes of the input read / its size (0 when it has none)
  kSorting,  // done/total: 0/words before the words are ordered, words/words after it
  kWriting,  // done/total: words written / words
};

// What the engine needs of its caller. Every call comes on the thread that called Run.
class ConversionHost {
 public:
  virtual ~ConversionHost() = default;
  // Shows a status text (steps 4, 5, 6, 10, 12, 15).
  virtual void SetStatusText(const std::string& text) = 0;
  // Runs every waiting window event, then returns (steps 6, 10, 12 and 15 only). A host
  // whose user may change the settings meanwhile puts them into `options`.
  virtual void ProcessPendingEvents(ConversionOptions& options) = 0;
  // Progress inside a phase: about once per block read and per million words written. It
  // must not run pending events; an exception from it ends the run.
  virtual void Progress(ProgressPhase /*phase*/, std::uint64_t /*done*/,
                        std::uint64_t /*total*/) {}
  // Asked as often as Progress; true ends the run (Run returns kCancelled).
  virtual bool CancelRequested() { return false; }
  // Each word right after it was written, in the order of the output.
  virtual void WordWritten(std::string_view /*word*/) {}
};

// The host of a run without a window (the command-line tool, tests, the fuzzer): each part
// does what its function says, and nothing when it is not set.
class PlainConversionHost final : public ConversionHost {
 public:
  std::function<void(const std::string& text)> on_status;
  std::function<void(ConversionOptions& options)> on_events;
  std::function<void(ProgressPhase phase, std::uint64_t done, std::uint64_t total)> on_progress;
  std::function<void(std::string_view word)> on_word;
  const std::atomic<bool>* cancel = nullptr;  // a run ends once it is true

  void SetStatusText(const std::string& text) override;
  void ProcessPendingEvents(ConversionOptions& options) override;
  void Progress(ProgressPhase phase, std::uint64_t done, std::uint64_t total) override;
  bool CancelRequested() override;
  void WordWritten(std::string_view word) override;
};

// Gives a string table the settings of the window's hidden word table: one column, no
// fixed rows or columns, 4 rows, key type soString, key position 1, key length
// 2147483647, ascending, UseFixed hfNot.
void ConfigureWordTable(TmStrGrid& grid);

// Removes every cell (text and object) from the grid's store, wherever it lies, and sets
// RowCount to 1: the word table before a run fills it again.
void EmptyWordTable(TmStrGrid& grid);

// The conversion and its run state, which lasts from one run to the next (the filter
// slots keep their bytes; the other items are set anew by every run).
class TWordListConversion {
 public:
  // Runs steps 1-16 with `options` and `host`. Returns the number of words written,
  // kStoppedByNameCheck or kCancelled. Throws whatever ends the run (see the file
  // comment); files are closed then and an existing output file is left as it was.
  std::int64_t Run(const ConversionOptions& options, ConversionHost& host);

  // Run state, for inspection.
  std::int32_t MinLength() const { return min_length_; }
  std::uint64_t KeptCount() const { return kept_count_; }  // kept words, duplicates included
  std::uint64_t WrittenCount() const { return written_count_; }
  // Slot k (1-based) is FilterSlots()[k - 1]: a byte 0..255, or -1 for an empty slot.
  const std::vector<int>& FilterSlots() const { return filter_slots_; }

 private:
  void FillFilterSlots(std::string_view trimmed_filter);
  WordTable ReadWords(ConversionOptions& options, ConversionHost& host);
  void WriteWords(ConversionOptions& options, ConversionHost& host, const WordTable& words,
                  const std::vector<std::uint32_t>& order);

  std::int32_t min_length_ = 0;
  std::uint64_t kept_count_ = 0;
  std::uint64_t written_count_ = 0;
  std::vector<int> filter_slots_;
};

}  // namespace quillet
