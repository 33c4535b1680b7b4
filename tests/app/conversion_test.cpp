#include "app/conversion.h"

#include <dirent.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "runtime/exceptions.h"
#include "strgrid/mStrGrid.h"
#include "tests/test_support.h"

namespace quillet {
namespace {

using ::testing::ElementsAre;
using test_support::ExpectIoError;
using Words = std::vector<std::string>;

// A window made of plain values that records what the conversion does to it. Hooks run
// inside ProcessPendingEvents, the way the user could act during the pending events.
class FakeWindow : public ConversionWindow {
 public:
  std::string input, output, filter, min_length = "3";
  bool upper = false;
  Words statuses;
  std::vector<std::string> filter_writes;
  std::vector<bool> start_visible_changes;
  int events = 0;
  std::function<void(int)> on_events;  // gets the number of the event point, from 1
  std::vector<ProgressPhase> progress_phases;
  std::uint64_t last_reading_done = 0, last_reading_total = 0;

  std::string InputFileName() override { return input; }
  std::string OutputFileName() override { return output; }
  std::string FilterText() override { return filter; }
  void SetFilterText(const std::string& text) override {
    filter = text;
    filter_writes.push_back(text);
  }
  std::string MinLengthText() override { return min_length; }
  bool UpperCaseChecked() override { return upper; }
  // Forgets what earlier runs recorded.
  void ClearRecords() {
    statuses.clear();
    filter_writes.clear();
    start_visible_changes.clear();
    progress_phases.clear();
    events = 0;
  }
  void SetStatusText(const std::string& text) override { statuses.push_back(text); }
  void SetStartVisible(bool visible) override { start_visible_changes.push_back(visible); }
  void ProcessPendingEvents() override {
    ++events;
    if (on_events) on_events(events);
  }
  void Progress(ProgressPhase phase, std::uint64_t done, std::uint64_t total) override {
    progress_phases.push_back(phase);
    if (phase == ProgressPhase::kReading) {
      last_reading_done = done;
      last_reading_total = total;
    }
  }
};

int OpenFileCount() {
  int count = 0;
  DIR* dir = opendir("/proc/self/fd");
  while (readdir(dir) != nullptr) ++count;
  closedir(dir);
  return count;
}

class ConversionTest : public test_support::TempFolderTest {
 protected:
  void SetUp() override {
    TempFolderTest::SetUp();
    ConfigureWordTable(grid_);
    window_.input = PathOf("in.txt");
    window_.output = PathOf("out.txt");
  }
  static bool Exists(const std::string& path) {
    struct stat info;
    return stat(path.c_str(), &info) == 0;
  }
  // Output lines of a run (each ends in CR LF, which the check also verifies).
  Words OutputWords() const {
    const std::string bytes = ReadFile(window_.output);
    Words words;
    std::size_t start = 0;
    while (start < bytes.size()) {
      const std::size_t end = bytes.find("\r\n", start);
      if (end == std::string::npos) {
        ADD_FAILURE() << "output does not end in CR LF";
        break;
      }
      words.push_back(bytes.substr(start, end - start));
      start = end + 2;
    }
    return words;
  }
  // Converts `input` with the window's other fields; returns the words written.
  Words Convert(const std::string& input) {
    WriteFile(window_.input, input);
    window_.ClearRecords();
    const int written = conversion_.Run(window_, grid_);
    Words words = OutputWords();
    EXPECT_EQ(written, static_cast<int>(words.size()));
    return words;
  }

  FakeWindow window_;
  TmStrGrid grid_;
  TWordListConversion conversion_;
};

// ---- phases --------------------------------------------------------------------------

TEST_F(ConversionTest, CompletedRunReportsEveryPhaseAndShowsStartAgain) {
  window_.on_events = [&](int point) {
    EXPECT_EQ(window_.statuses.size(), static_cast<std::size_t>(point));  // status first
  };
  window_.filter = std::string(kDefaultFilterText);
  EXPECT_THAT(Convert("Hello, World! 42\r\n"), ElementsAre("hello", "world"));
  EXPECT_THAT(window_.statuses,
              ElementsAre("Starting Convert, Please Wait....", "Convert Done! Sorting Data, Wait....",
                          "Sort Done! Delete Dupelication Data, Wait....",
                          "All Process Done! 2 Words Saved!"));
  EXPECT_EQ(window_.events, 4);
  EXPECT_THAT(window_.start_visible_changes, ElementsAre(false, true));
  EXPECT_EQ(conversion_.WrittenCount(), 2);
  EXPECT_EQ(conversion_.LastRow(), 1);
}

TEST_F(ConversionTest, ProgressCoversTheWholeInputAndTheSort) {
  const std::string input = "alpha beta gamma\r\ndelta\r\n";
  Convert(input);
  EXPECT_EQ(window_.last_reading_done, input.size());
  EXPECT_EQ(window_.last_reading_total, input.size());
  EXPECT_EQ(std::count(window_.progress_phases.begin(), window_.progress_phases.end(),
                       ProgressPhase::kSorting), 2);
}

// ---- name checks ---------------------------------------------------------------------

TEST_F(ConversionTest, EmptyNamesStopTheRunAfterTheFilterIsTrimmed) {
  struct Case { bool input_empty, output_empty; const char* status; };
  for (const Case& c : {Case{true, false, "Input File Name InCorrect!"},
                        Case{true, true, "Input File Name InCorrect!"},
                        Case{false, true, "Output File Name InCorrect!"}}) {
    SCOPED_TRACE(c.status);
    FakeWindow window;
    window.input = c.input_empty ? "" : PathOf("in.txt");
    window.output = c.output_empty ? "" : PathOf("out.txt");
    window.filter = " \t,;\x01 ";
    WriteFile(PathOf("in.txt"), "words here\r\n");
    WriteFile(PathOf("out.txt"), "old output");
    EXPECT_EQ(conversion_.Run(window, grid_), kStoppedByNameCheck);
    EXPECT_THAT(window.statuses, ElementsAre(c.status));
    EXPECT_THAT(window.filter_writes, ElementsAre(",;"));
    EXPECT_EQ(window.events, 0);
    EXPECT_TRUE(window.start_visible_changes.empty());
    EXPECT_EQ(ReadFile(PathOf("out.txt")), "old output");
  }
}

TEST_F(ConversionTest, NamesAreReadAgainWhenTheFilesAreOpened) {
  WriteFile(PathOf("other.txt"), "second file\r\n");
  window_.on_events = [&](int point) {
    if (point == 1) window_.input = PathOf("other.txt");
    if (point == 3) window_.output = PathOf("elsewhere.txt");
  };
  WriteFile(window_.input, "first file\r\n");
  EXPECT_EQ(conversion_.Run(window_, grid_), 2);
  EXPECT_EQ(ReadFile(PathOf("elsewhere.txt")), "file\r\nsecond\r\n");
  EXPECT_FALSE(Exists(PathOf("out.txt")));
}

// ---- filters -------------------------------------------------------------------------

TEST_F(ConversionTest, FilterBytesBecomeBlanks) {
  struct Case { const char* filter; const char* input; Words words; };
  const Case cases[] = {
      {"1234567890~!@#$%^&*()|\\=-`;:\"><,./?{}[]+", "Hello, World! 42", {"hello", "world"}},
      {"", "don't_stop", {"don't_stop"}},
      {"a b", "wxyzawxyz pqrsbpqrs", {"pqrs", "wxyz"}},  // the inner blank filters nothing
      {"\xD6\xD0", "abcd\xD6zzzz\xD0wxyz", {"abcd", "wxyz", "zzzz"}},  // one slot per byte
      {"\xD0", "abcd\xD6\xD0wxyz", {"abcd\xD6", "wxyz"}},  // splits a double-byte character
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.input);
    window_.filter = c.filter;
    EXPECT_EQ(Convert(std::string(c.input) + "\r\n"), c.words);
  }
}

TEST_F(ConversionTest, DoubleByteFilterFillsOneSlotPerByte) {
  window_.filter = "\xD6\xD0";
  Convert("");
  EXPECT_THAT(conversion_.FilterSlots(), ElementsAre(0xD6, 0xD0));
}

TEST_F(ConversionTest, EveryByteOfAFilterLongerThanFiftyBytesIsApplied) {
  window_.filter = std::string(50, '#') + "xq";
  window_.min_length = "0";
  EXPECT_THAT(Convert("axb#cqd\r\n"), ElementsAre("a", "b", "c", "d"));
  EXPECT_EQ(conversion_.FilterSlots().size(), 52u);
}

TEST_F(ConversionTest, SlotsKeepBytesOfEarlierRunsForALongerFilterField) {
  window_.filter = "xyz";
  Convert("");
  window_.filter = "q";
  window_.on_events = [&](int point) {
    if (point == 1) window_.filter = "qrs";  // lengthened while the run starts
  };
  window_.min_length = "0";
  EXPECT_THAT(Convert("aqbyczd\r\n"), ElementsAre("a", "b", "c", "d"));
  EXPECT_THAT(conversion_.FilterSlots(), ElementsAre('q', 'y', 'z'));
}

// The classic filter: for each slot in order, replace its first occurrence by a blank as
// long as there is one (slots holding a blank are skipped, as the conversion does).
std::string ClassicFilter(std::string line, const std::vector<int>& slots, std::size_t length) {
  for (std::size_t k = 0; k < length && k < slots.size(); ++k) {
    if (slots[k] < 0 || slots[k] == ' ') continue;
    std::size_t at;
    while ((at = line.find(static_cast<char>(slots[k]))) != std::string::npos) line[at] = ' ';
  }
  return line;
}

std::string ClassicTrim(const std::string& text) {
  std::size_t b = 0, e = text.size();
  while (b < e && static_cast<unsigned char>(text[b]) <= 0x20) ++b;
  while (e > b && static_cast<unsigned char>(text[e - 1]) <= 0x20) --e;
  return text.substr(b, e - b);
}

// Words of one line by the classic steps, the line already cut at LF.
void ClassicWords(std::string line, const std::vector<int>& slots, std::size_t filter_length,
                  bool upper, int min_length, std::set<std::string>& words) {
  line = ClassicTrim(ClassicFilter(line, slots, filter_length));
  for (char& c : line) {
    if (upper && c >= 'a' && c <= 'z') c = static_cast<char>(c - 0x20);
    if (!upper && c >= 'A' && c <= 'Z') c = static_cast<char>(c + 0x20);
  }
  while (!line.empty()) {
    const std::size_t p = line.find(' ');
    const std::string word = line.substr(0, p);
    line = p == std::string::npos ? "" : line.substr(p + 1);
    if (static_cast<long>(word.size()) > min_length) {
      words.insert(word);
      line = ClassicTrim(line);
    }
  }
}

TEST_F(ConversionTest, ByteTablesGiveTheWordsOfTheClassicSlotLoop) {
  const std::string alphabet = "abAB xyz\t\n,;\x01\xC4\xE4\xD6\xD0";
  std::mt19937 random(20240611);
  auto pick = [&](std::size_t n) { return random() % n; };
  for (int run = 0; run < 12; ++run) {
    std::string filter;  // may hold blanks, may be longer than the slots of earlier runs
    for (std::size_t n = pick(6); n > 0; --n) filter += alphabet[pick(alphabet.size())];
    window_.filter = filter;
    window_.upper = pick(2) == 1;
    window_.min_length = std::to_string(static_cast<int>(pick(4)) - 1);
    std::string input;
    for (int line = 0; line < 40; ++line) {
      for (std::size_t n = pick(30); n > 0; --n) input += alphabet[pick(alphabet.size())];
      input += "\r\n";
    }
    SCOPED_TRACE("filter '" + filter + "' run " + std::to_string(run));
    const Words written = Convert(input);
    std::set<std::string> expected;
    std::istringstream pieces(input);  // the conversion cuts lines at LF; CR LF leaves a CR
    for (std::string piece; std::getline(pieces, piece, '\n');) {
      if (!piece.empty() && piece.back() == '\r') piece.pop_back();
      ClassicWords(piece, conversion_.FilterSlots(), window_.filter.size(), window_.upper,
                   std::stoi(window_.min_length), expected);
    }
    EXPECT_EQ(std::set<std::string>(written.begin(), written.end()), expected);
  }
}

// ---- minimum length ------------------------------------------------------------------

TEST(ParseMinLength, ReadsTheLeadingNumber) {
  struct Case { const char* text; std::int32_t value; };
  const Case cases[] = {
      {"", 0}, {"abc", 0}, {"-", 0}, {"+", 0}, {"$", 0}, {"3", 3}, {"3x", 3}, {"-2x", 2},
      {"4 ", 4}, {" 4", 4}, {"  -7", -7}, {"+5", 5}, {"-1", -1}, {"$A", 10}, {"$ff", 255},
      {"$G", 0}, {"-$A", 0}, {"\t4", 0}, {"007", 7},
      {"2147483647", INT32_MAX}, {"2147483648", INT32_MAX}, {"99999999999999999999", INT32_MAX},
      {"-2147483648", INT32_MIN}, {"-2147483649", INT32_MIN}, {"-99999999999999999999", INT32_MIN},
      {"-99999999999x", INT32_MAX}, {"$7FFFFFFF", INT32_MAX}, {"$80000000", INT32_MAX},
      {"$FFFFFFFFFFFFFFFFFFFF", INT32_MAX},
  };
  for (const Case& c : cases) EXPECT_EQ(ParseMinLength(c.text), c.value) << '"' << c.text << '"';
}

TEST_F(ConversionTest, KeepsWordsLongerThanTheMinimumLength) {
  struct Case { const char* min_length; const char* input; Words words; };
  const Case cases[] = {
      {"3", "The cat", {}},
      {"3", "cat fish", {"fish"}},
      {"-1", "a b c", {"a", "b", "c"}},
      {"3x", "abcd abc", {"abcd"}},
      {"99999999999", "abcd", {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.input);
    window_.min_length = c.min_length;
    EXPECT_EQ(Convert(std::string(c.input) + "\r\n"), c.words);
  }
}

// ---- folding and splitting -----------------------------------------------------------

TEST_F(ConversionTest, FoldsOnlyTheAsciiLetters) {
  window_.min_length = "0";
  EXPECT_THAT(Convert("MiXeD\xC4\xE4z\r\n"), ElementsAre("mixed\xC4\xE4z"));
  window_.upper = true;
  EXPECT_THAT(Convert("MiXeD\xC4\xE4z\r\n"), ElementsAre("MIXED\xC4\xE4Z"));
}

TEST_F(ConversionTest, TrimsTheRestOfTheLineOnlyAfterAKeptWord) {
  struct Case { const char* min_length; const char* input; Words words; };
  const Case cases[] = {
      {"3", "ab \tcdef", {"\tcdef"}},
      {"1", "ab \tcdef", {"ab", "cdef"}},
      {"0", "a  \x01z", {"a", "z"}},    // after a kept word control bytes go too
      {"1", "a  bcde", {"bcde"}},       // "a" dropped: an empty word, then "bcde"
      {"1", "  abcd  \t ef  ", {"abcd", "ef"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.input);
    window_.min_length = c.min_length;
    EXPECT_EQ(Convert(std::string(c.input) + "\r\n"), c.words);
  }
}

// ---- duplicates ----------------------------------------------------------------------

TEST_F(ConversionTest, DropsByteEqualNeighboursAndClearsTheirCells) {
  EXPECT_THAT(Convert("Apple apple APPLE\r\n"), ElementsAre("apple"));
  EXPECT_EQ(window_.statuses.back(), "All Process Done! 1 Words Saved!");
  EXPECT_EQ(grid_.Cells(0, 0), "apple");
  EXPECT_EQ(grid_.Cells(0, 1), "");
  EXPECT_EQ(grid_.Cells(0, 2), "");
  EXPECT_EQ(grid_.RowCount(), 3);
}

TEST_F(ConversionTest, WritesEveryByteVariantOfWordsThatSortAsEqual) {
  // É (C3 89) and é (C3 A9) differ only in case, outside A-Z: the fold leaves them and the
  // sort keeps them together in input order, so the second "éclair" follows "Éclair".
  EXPECT_THAT(Convert("\xC3\xA9" "clair \xC3\x89" "clair \xC3\xA9" "clair\r\n"),
              ElementsAre("\xC3\xA9" "clair", "\xC3\x89" "clair", "\xC3\xA9" "clair"));
}

// ---- line ends -----------------------------------------------------------------------

TEST_F(ConversionTest, LinesEndAtCrCrLfAndLoneLf) {
  struct Case { const char* name; std::string input; Words words; };
  const Case cases[] = {
      {"CR", "alpha\rbeta\rgamma", {"alpha", "beta", "gamma"}},
      {"CR LF", "alpha\r\nbeta\r\ngamma\r\n", {"alpha", "beta", "gamma"}},
      {"lone LF", "alpha\nbeta\r\ngam\nma", {"alpha", "beta"}},
      {"LF inside a word", "wordy\nword", {"word", "wordy"}},
      {"0x1A mid-line", "alpha beta\x1Agamma\r\ndelta\r\n", {"alpha", "beta"}},
      {"no final line end", "alpha\r\nomega", {"alpha", "omega"}},
      {"blank lines", "\r\n\r\n  \r\nzeta\r\n\r\n", {"zeta"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(Convert(c.input), c.words);
  }
}

TEST_F(ConversionTest, EmptyInputGivesAnEmptyOutput) {
  WriteFile(window_.output, "old words\r\n");
  EXPECT_TRUE(Convert("").empty());
  EXPECT_EQ(ReadFile(window_.output), "");
  EXPECT_EQ(window_.statuses.back(), "All Process Done! 0 Words Saved!");
  EXPECT_EQ(conversion_.LastRow(), -1);
}

// ---- runs in a row, same file --------------------------------------------------------

TEST_F(ConversionTest, ASecondRunWritesOnlyItsOwnWords) {
  EXPECT_THAT(Convert("zebra yak xenops\r\n"), ElementsAre("xenops", "zebra"));
  EXPECT_THAT(Convert("aardvark\r\n"), ElementsAre("aardvark"));
  EXPECT_EQ(conversion_.LastRow(), 0);
}

TEST_F(ConversionTest, SameFileInAndOutIsReplacedByItsWordList) {
  window_.output = window_.input;
  EXPECT_THAT(Convert("second first\r\nthird\r\n"), ElementsAre("first", "second", "third"));
}

// ---- failures ------------------------------------------------------------------------

TEST_F(ConversionTest, FileFailuresCloseEveryFileAndKeepTheOldOutput) {
  struct Case { const char* input; const char* output; const char* message; int code;
                const char* last_status; };
  const Case cases[] = {
      {"missing.txt", "out.txt", "File not found", 2, "Starting Convert, Please Wait...."},
      {"in.txt", "no-such-folder/out.txt", "Invalid filename", 3,
       "Sort Done! Delete Dupelication Data, Wait...."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.message);
    FakeWindow window;
    window.input = PathOf(c.input);
    window.output = PathOf(c.output);
    WriteFile(PathOf("in.txt"), "words\r\n");
    WriteFile(PathOf("out.txt"), "old words\r\n");
    const int open_files = OpenFileCount();
    ExpectIoError([&] { conversion_.Run(window, grid_); }, c.code, c.message);
    EXPECT_EQ(ReadFile(PathOf("out.txt")), "old words\r\n");
    EXPECT_EQ(window.statuses.back(), c.last_status);
    EXPECT_THAT(window.start_visible_changes, ElementsAre(false));
    EXPECT_EQ(OpenFileCount(), open_files);
  }
}

TEST_F(ConversionTest, FailureWhileReadingClosesTheInput) {
  struct ReadFailure {};
  struct FailingWindow : FakeWindow {
    void Progress(ProgressPhase phase, std::uint64_t, std::uint64_t) override {
      if (phase == ProgressPhase::kReading) throw ReadFailure();
    }
  } window;
  window.input = window_.input;
  window.output = window_.output;
  WriteFile(window.input, "words\r\n");
  const int open_files = OpenFileCount();
  EXPECT_THROW(conversion_.Run(window, grid_), ReadFailure);
  EXPECT_EQ(OpenFileCount(), open_files);
  EXPECT_FALSE(Exists(window.output));
}

TEST_F(ConversionTest, FailureBeforeTheOutputIsClosedKeepsTheOldFile) {
  // Out of memory at the last pending events, with the output written but not closed.
  for (const bool same_file : {false, true}) {
    SCOPED_TRACE(same_file ? "same file" : "separate files");
    FakeWindow window;
    window.input = window_.input;
    window.output = same_file ? window.input : window_.output;
    WriteFile(window_.input, "fresh words\r\n");
    WriteFile(window_.output, "old words\r\n");
    window.on_events = [](int point) {
      if (point == 4) throw std::bad_alloc();
    };
    const int open_files = OpenFileCount();
    try {
      conversion_.Run(window, grid_);
      FAIL() << "no exception";
    } catch (const std::bad_alloc& error) {
      EXPECT_EQ(MessageOf(error), "Out of memory");
    }
    EXPECT_EQ(window.statuses.back(), "All Process Done! 2 Words Saved!");
    EXPECT_EQ(ReadFile(window_.input), "fresh words\r\n");
    if (!same_file) {
      EXPECT_EQ(ReadFile(window_.output), "old words\r\n");
    }
    EXPECT_THAT(window.start_visible_changes, ElementsAre(false));
    EXPECT_EQ(OpenFileCount(), open_files);
  }
}

}  // namespace
}  // namespace quillet
