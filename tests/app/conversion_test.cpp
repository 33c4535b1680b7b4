#include "app/conversion.h"

#include <dirent.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <climits>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "runtime/collation.h"
#include "runtime/exceptions.h"
#include "tests/test_support.h"

namespace quillet {
namespace {

using ::testing::ElementsAre;
using test_support::ExpectIoError;
using Words = std::vector<std::string>;

// A plain host that records what the conversion does with it. `on_events` runs inside the
// pending events, the way the user could act there; it gets the number of the event
// point, from 1, and the options the run reads again.
struct Recorder {
  Words statuses;
  int events = 0;
  std::function<void(int, ConversionOptions&)> on_events;
  std::vector<ProgressPhase> progress_phases;
  std::uint64_t last_reading_done = 0, last_reading_total = 0;
  PlainConversionHost host;

  Recorder() {
    host.on_status = [this](const std::string& text) { statuses.push_back(text); };
    host.on_events = [this](ConversionOptions& options) {
      ++events;
      if (on_events) on_events(events, options);
    };
    host.on_progress = [this](ProgressPhase phase, std::uint64_t done, std::uint64_t total) {
      progress_phases.push_back(phase);
      if (phase != ProgressPhase::kReading) return;
      last_reading_done = done;
      last_reading_total = total;
    };
  }
  Recorder(const Recorder&) = delete;
  Recorder& operator=(const Recorder&) = delete;

  // Forgets what earlier runs recorded.
  void Clear() {
    statuses.clear();
    progress_phases.clear();
    events = 0;
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
    options_.input_name = PathOf("in.txt");
    options_.output_name = PathOf("out.txt");
  }
  static bool Exists(const std::string& path) {
    struct stat info;
    return stat(path.c_str(), &info) == 0;
  }
  // Output lines of a run (each ends in CR LF, which the check also verifies).
  Words OutputWords() const {
    const std::string bytes = ReadFile(options_.output_name);
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
  // Converts `input` with the other options; returns the words written.
  Words Convert(const std::string& input) {
    WriteFile(options_.input_name, input);
    recorder_.Clear();
    const std::int64_t written = conversion_.Run(options_, recorder_.host);
    Words words = OutputWords();
    EXPECT_EQ(written, static_cast<std::int64_t>(words.size()));
    return words;
  }

  ConversionOptions options_;
  Recorder recorder_;
  TWordListConversion conversion_;
};

// ---- phases --------------------------------------------------------------------------

TEST_F(ConversionTest, CompletedRunReportsEveryPhase) {
  recorder_.on_events = [&](int point, ConversionOptions&) {
    EXPECT_EQ(recorder_.statuses.size(), static_cast<std::size_t>(point));  // status first
  };
  options_.filter_text = std::string(kDefaultFilterText);
  EXPECT_THAT(Convert("Hello, World! 42\r\n"), ElementsAre("hello", "world"));
  EXPECT_THAT(recorder_.statuses,
              ElementsAre("Starting Convert, Please Wait....", "Convert Done! Sorting Data, Wait....",
                          "Sort Done! Delete Dupelication Data, Wait....",
                          "All Process Done! 2 Words Saved!"));
  EXPECT_EQ(recorder_.events, 4);
  EXPECT_EQ(conversion_.WrittenCount(), 2u);
  EXPECT_EQ(conversion_.KeptCount(), 2u);
}

TEST_F(ConversionTest, ProgressCoversTheWholeInputAndTheSort) {
  const std::string input = "alpha beta gamma\r\ndelta\r\n";
  Convert(input);
  EXPECT_EQ(recorder_.last_reading_done, input.size());
  EXPECT_EQ(recorder_.last_reading_total, input.size());
  EXPECT_EQ(std::count(recorder_.progress_phases.begin(), recorder_.progress_phases.end(),
                       ProgressPhase::kSorting), 2);
}

// ---- name checks ---------------------------------------------------------------------

TEST_F(ConversionTest, EmptyNamesStopTheRunAfterTheFilterIsTrimmed) {
  struct Case { bool input_empty, output_empty; const char* status; };
  for (const Case& c : {Case{true, false, "Input File Name InCorrect!"},
                        Case{true, true, "Input File Name InCorrect!"},
                        Case{false, true, "Output File Name InCorrect!"}}) {
    SCOPED_TRACE(c.status);
    Recorder recorder;
    ConversionOptions options;
    options.input_name = c.input_empty ? "" : PathOf("in.txt");
    options.output_name = c.output_empty ? "" : PathOf("out.txt");
    options.filter_text = " \t,;\x01 ";
    WriteFile(PathOf("in.txt"), "words here\r\n");
    WriteFile(PathOf("out.txt"), "old output");
    TWordListConversion conversion;
    EXPECT_EQ(conversion.Run(options, recorder.host), kStoppedByNameCheck);
    EXPECT_THAT(recorder.statuses, ElementsAre(c.status));
    EXPECT_THAT(conversion.FilterSlots(), ElementsAre(',', ';'));
    EXPECT_EQ(recorder.events, 0);
    EXPECT_EQ(ReadFile(PathOf("out.txt")), "old output");
  }
  EXPECT_EQ(TrimBlanks(" \t,;\x01 "), ",;");
}

TEST_F(ConversionTest, NamesAreReadAgainWhenTheFilesAreOpened) {
  WriteFile(PathOf("other.txt"), "second file\r\n");
  recorder_.on_events = [&](int point, ConversionOptions& options) {
    if (point == 1) options.input_name = PathOf("other.txt");
    if (point == 3) options.output_name = PathOf("elsewhere.txt");
  };
  WriteFile(options_.input_name, "first file\r\n");
  EXPECT_EQ(conversion_.Run(options_, recorder_.host), 2);
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
    options_.filter_text = c.filter;
    EXPECT_EQ(Convert(std::string(c.input) + "\r\n"), c.words);
  }
}

TEST_F(ConversionTest, DoubleByteFilterFillsOneSlotPerByte) {
  options_.filter_text = "\xD6\xD0";
  Convert("");
  EXPECT_THAT(conversion_.FilterSlots(), ElementsAre(0xD6, 0xD0));
}

TEST_F(ConversionTest, EveryByteOfAFilterLongerThanFiftyBytesIsApplied) {
  options_.filter_text = std::string(50, '#') + "xq";
  options_.min_length_text = "0";
  EXPECT_THAT(Convert("axb#cqd\r\n"), ElementsAre("a", "b", "c", "d"));
  EXPECT_EQ(conversion_.FilterSlots().size(), 52u);
}

TEST_F(ConversionTest, SlotsKeepBytesOfEarlierRunsForALongerFilterField) {
  options_.filter_text = "xyz";
  Convert("");
  options_.filter_text = "q";
  recorder_.on_events = [&](int point, ConversionOptions& options) {
    if (point == 1) options.filter_text = "qrs";  // lengthened while the run starts
  };
  options_.min_length_text = "0";
  EXPECT_THAT(Convert("aqbyczd\r\n"), ElementsAre("a", "b", "c", "d"));
  EXPECT_THAT(conversion_.FilterSlots(), ElementsAre('q', 'y', 'z'));
}

// ---- the rules, step by step ------------------------------------------------------------

// A plain reference of what a run writes, written from the rules and not from the engine:
// the input ends at its first 0x1A; a line ends at every CR and every LF; filter slot k
// (for k up to the filter field's length) turns its byte into a blank, one occurrence at a
// time; the line is trimmed, folded and split, the rest trimmed only after a kept word;
// the distinct kept words are written in soString order, equal keys by bytes.
class Reference {
 public:
  // The filter as the field holds it when the run starts, trimmed: its bytes go into the
  // slots, which keep what earlier runs put past them.
  void Start(const std::string& filter) {
    const std::string trimmed = Trim(filter);
    if (slots_.size() < trimmed.size()) slots_.resize(trimmed.size(), -1);
    for (std::size_t k = 0; k < trimmed.size(); ++k) {
      slots_[k] = static_cast<unsigned char>(trimmed[k]);
    }
  }

  std::string Output(const std::string& input, std::size_t applied, bool upper,
                     int min_length) const {
    std::set<std::string> words;
    std::string line;
    for (const char c : input.substr(0, input.find('\x1A'))) {
      if (c == '\r' || c == '\n') {
        AddWords(line, applied, upper, min_length, words);
        line.clear();
      } else {
        line += c;
      }
    }
    AddWords(line, applied, upper, min_length, words);
    std::vector<std::string> sorted(words.begin(), words.end());  // byte order already
    std::stable_sort(sorted.begin(), sorted.end(), [](const std::string& a, const std::string& b) {
      return CompareLocaleIgnoreCase(a, b) < 0;
    });
    std::string output;
    for (const std::string& word : sorted) output += word + "\r\n";
    return output;
  }

 private:
  static std::string Trim(const std::string& text) {
    std::size_t b = 0, e = text.size();
    while (b < e && static_cast<unsigned char>(text[b]) <= 0x20) ++b;
    while (e > b && static_cast<unsigned char>(text[e - 1]) <= 0x20) --e;
    return text.substr(b, e - b);
  }

  void AddWords(std::string line, std::size_t applied, bool upper, int min_length,
                std::set<std::string>& words) const {
    for (std::size_t k = 0; k < applied && k < slots_.size(); ++k) {
      if (slots_[k] < 0 || slots_[k] == ' ') continue;  // empty, or a loop that would not end
      std::size_t at;
      while ((at = line.find(static_cast<char>(slots_[k]))) != std::string::npos) line[at] = ' ';
    }
    line = Trim(line);
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
        line = Trim(line);
      }
    }
  }

  std::vector<int> slots_;
};

// Random texts of words that differ only where the collation does not look (case outside
// A-Z, an ignorable soft hyphen), blanks, control bytes, CR, LF, rare 0x1A bytes and any
// byte at all, cut into blocks of 1 to 64 bytes (so line ends and 0x1A bytes fall on
// block and worker boundaries and lines outgrow their blocks), on 1 to 4 workers.
TEST_F(ConversionTest, EngineMatchesAStepByStepReference) {
  const std::vector<std::string> pieces = {
      "\xC3\x9C" "ber", "\xC3\xBC" "ber", "\xC3\x89" "cole", "\xC3\xA9" "cole", "Apple",
      "apple", "co\xC2\xAD" "op", "coop", "ab", "Word", "word", " ", " ", "  ", "\t",
      "\r", "\n", "\r\n", ",", ";", "42", "x"};
  const std::string filter_bytes = "ab ,;\t\x01\xC3\xA9" "4";
  std::mt19937 random(20240611);
  const auto pick = [&](std::size_t n) { return static_cast<std::size_t>(random() % n); };
  Reference reference;
  for (int run = 0; run < 60; ++run) {
    std::string input;
    for (std::size_t n = pick(400); n > 0; --n) {
      const std::size_t choice = pick(pieces.size() + 40);
      if (choice < pieces.size()) input += pieces[choice];
      else if (choice == pieces.size()) input += pick(8) == 0 ? "\x1A" : "z";
      else input += static_cast<char>(pick(256));
    }
    std::string filter;  // may hold blanks; may be longer than the slots of earlier runs
    for (std::size_t n = pick(6); n > 0; --n) filter += filter_bytes[pick(filter_bytes.size())];
    const std::string lengthened = pick(4) == 0 ? std::string(pick(4), 'q') : "";
    options_.filter_text = filter;
    options_.upper_case = pick(2) == 1;
    options_.min_length_text = std::to_string(static_cast<int>(pick(5)) - 1);
    options_.threads = static_cast<unsigned>(1 + pick(4));
    options_.block_size = 1 + pick(64);
    recorder_.on_events = [&](int point, ConversionOptions& options) {
      if (point == 1) options.filter_text += lengthened;
    };
    SCOPED_TRACE("run " + std::to_string(run) + ", " + std::to_string(options_.threads) +
                 " workers, blocks of " + std::to_string(options_.block_size));
    WriteFile(options_.input_name, input);
    recorder_.Clear();
    const std::int64_t written = conversion_.Run(options_, recorder_.host);
    reference.Start(filter);
    const std::string expected =
        reference.Output(input, TrimBlanks(filter).size() + lengthened.size(),
                         options_.upper_case, std::stoi(options_.min_length_text));
    ASSERT_EQ(ReadFile(options_.output_name), expected);
    EXPECT_EQ(written, std::count(expected.begin(), expected.end(), '\n'));
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
    options_.min_length_text = c.min_length;
    EXPECT_EQ(Convert(std::string(c.input) + "\r\n"), c.words);
  }
}

// ---- folding and splitting -----------------------------------------------------------

TEST_F(ConversionTest, FoldsOnlyTheAsciiLetters) {
  options_.min_length_text = "0";
  EXPECT_THAT(Convert("MiXeD\xC4\xE4z\r\n"), ElementsAre("mixed\xC4\xE4z"));
  options_.upper_case = true;
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
    options_.min_length_text = c.min_length;
    EXPECT_EQ(Convert(std::string(c.input) + "\r\n"), c.words);
  }
}

// ---- each word once ------------------------------------------------------------------

TEST_F(ConversionTest, WritesEachWordOnceAndCountsTheLines) {
  EXPECT_THAT(Convert("Apple apple APPLE\r\n"), ElementsAre("apple"));
  EXPECT_EQ(recorder_.statuses.back(), "All Process Done! 1 Words Saved!");
  EXPECT_EQ(conversion_.KeptCount(), 3u);
}

TEST_F(ConversionTest, WordsWithEqualKeysAreEachWrittenOnceInByteOrder) {
  // É (C3 89) and é (C3 A9) differ only in case, outside A-Z: the fold leaves them and
  // their keys are equal, so the bytes decide, however the words come.
  EXPECT_THAT(Convert("\xC3\xA9" "clair \xC3\x89" "clair \xC3\xA9" "clair\r\n"),
              ElementsAre("\xC3\x89" "clair", "\xC3\xA9" "clair"));
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
  WriteFile(options_.output_name, "old words\r\n");
  EXPECT_TRUE(Convert("").empty());
  EXPECT_EQ(ReadFile(options_.output_name), "");
  EXPECT_EQ(recorder_.statuses.back(), "All Process Done! 0 Words Saved!");
  EXPECT_EQ(conversion_.KeptCount(), 0u);
}

// ---- runs in a row, same file --------------------------------------------------------

TEST_F(ConversionTest, ASecondRunWritesOnlyItsOwnWords) {
  EXPECT_THAT(Convert("zebra yak xenops\r\n"), ElementsAre("xenops", "zebra"));
  EXPECT_THAT(Convert("aardvark\r\n"), ElementsAre("aardvark"));
  EXPECT_EQ(conversion_.KeptCount(), 1u);
}

TEST_F(ConversionTest, SameFileInAndOutIsReplacedByItsWordList) {
  options_.output_name = options_.input_name;
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
    Recorder recorder;
    ConversionOptions options;
    options.input_name = PathOf(c.input);
    options.output_name = PathOf(c.output);
    WriteFile(PathOf("in.txt"), "words\r\n");
    WriteFile(PathOf("out.txt"), "old words\r\n");
    const int open_files = OpenFileCount();
    ExpectIoError([&] { conversion_.Run(options, recorder.host); }, c.code, c.message);
    EXPECT_EQ(ReadFile(PathOf("out.txt")), "old words\r\n");
    EXPECT_EQ(recorder.statuses.back(), c.last_status);
    EXPECT_EQ(OpenFileCount(), open_files);
  }
}

TEST_F(ConversionTest, FailureWhileReadingClosesTheInput) {
  struct ReadFailure {};
  recorder_.host.on_progress = [](ProgressPhase phase, std::uint64_t, std::uint64_t) {
    if (phase == ProgressPhase::kReading) throw ReadFailure();
  };
  options_.block_size = 4;  // progress after every block
  WriteFile(options_.input_name, "words\r\nmore words\r\n");
  const int open_files = OpenFileCount();
  EXPECT_THROW(conversion_.Run(options_, recorder_.host), ReadFailure);
  EXPECT_EQ(OpenFileCount(), open_files);
  EXPECT_FALSE(Exists(options_.output_name));
}

TEST_F(ConversionTest, CancelledRunLeavesTheOldOutput) {
  for (const ProgressPhase phase : {ProgressPhase::kReading, ProgressPhase::kWriting}) {
    SCOPED_TRACE(phase == ProgressPhase::kReading ? "reading" : "writing");
    std::atomic<bool> cancel{false};
    recorder_.host.cancel = &cancel;
    recorder_.host.on_progress = [&](ProgressPhase at, std::uint64_t, std::uint64_t) {
      if (at == phase) cancel = true;
    };
    options_.block_size = 4;
    WriteFile(options_.input_name, "fresh words\r\nand more\r\n");
    WriteFile(options_.output_name, "old words\r\n");
    EXPECT_EQ(conversion_.Run(options_, recorder_.host), kCancelled);
    EXPECT_EQ(ReadFile(options_.output_name), "old words\r\n");
    const auto entries = std::distance(std::filesystem::directory_iterator(dir_), {});
    EXPECT_EQ(entries, 2) << "a temporary file was left";
  }
}

TEST_F(ConversionTest, FailureBeforeTheOutputIsClosedKeepsTheOldFile) {
  // Out of memory at the last pending events, with the output written but not closed.
  for (const bool same_file : {false, true}) {
    SCOPED_TRACE(same_file ? "same file" : "separate files");
    Recorder recorder;
    ConversionOptions options = options_;
    options.output_name = same_file ? options.input_name : options_.output_name;
    WriteFile(options_.input_name, "fresh words\r\n");
    WriteFile(options_.output_name, "old words\r\n");
    recorder.on_events = [](int point, ConversionOptions&) {
      if (point == 4) throw std::bad_alloc();
    };
    const int open_files = OpenFileCount();
    try {
      conversion_.Run(options, recorder.host);
      FAIL() << "no exception";
    } catch (const std::bad_alloc& error) {
      EXPECT_EQ(MessageOf(error), "Out of memory");
    }
    EXPECT_EQ(recorder.statuses.back(), "All Process Done! 2 Words Saved!");
    EXPECT_EQ(ReadFile(options_.input_name), "fresh words\r\n");
    if (!same_file) {
      EXPECT_EQ(ReadFile(options_.output_name), "old words\r\n");
    }
    EXPECT_EQ(OpenFileCount(), open_files);
  }
}

}  // namespace
}  // namespace quillet
