// Fuzzes the whole word-list conversion: random input bytes, filter text, minimum-length
// text and case choice. The output file must be words each followed by CR LF, none empty,
// none holding a blank, adjacent words different, in non-descending locale order; its set
// of words must be exactly the set of words a plain re-implementation of filter, trim,
// fold and split keeps, no word more often than it was kept; and Run must return the
// number of lines written. A second run with the same objects must write the same file.

#include <cstddef>
#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "app/conversion.h"
#include "fuzz/fuzz_support.h"
#include "runtime/collation.h"
#include "strgrid/mStrGrid.h"

namespace quillet::fuzz {
namespace {

class FieldsWindow final : public ConversionWindow {
 public:
  std::string input, output, filter, min_length;
  bool upper = false;

  std::string InputFileName() override { return input; }
  std::string OutputFileName() override { return output; }
  std::string FilterText() override { return filter; }
  void SetFilterText(const std::string& text) override { filter = text; }
  std::string MinLengthText() override { return min_length; }
  bool UpperCaseChecked() override { return upper; }
  void SetStatusText(const std::string&) override {}
  void SetStartVisible(bool) override {}
  void ProcessPendingEvents() override {}
};

std::string Trimmed(const std::string& text) {
  std::size_t begin = 0, end = text.size();
  while (begin < end && static_cast<unsigned char>(text[begin]) <= 0x20) ++begin;
  while (end > begin && static_cast<unsigned char>(text[end - 1]) <= 0x20) --end;
  return text.substr(begin, end - begin);
}

// The lines of the input as the text-file layer gives them, each cut again at LF.
std::vector<std::string> InputPieces(const std::string& file) {
  const std::string text = file.substr(0, file.find('\x1A'));
  std::vector<std::string> pieces;
  std::string piece;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c != '\r' && c != '\n') {
      piece += c;
      continue;
    }
    if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;  // CR LF is one end
    pieces.push_back(piece);
    piece.clear();
  }
  if (!piece.empty()) pieces.push_back(piece);
  return pieces;
}

void Fold(std::string& line, bool upper) {
  for (char& c : line) {
    if (upper && c >= 'a' && c <= 'z') c = static_cast<char>(c - 0x20);
    if (!upper && c >= 'A' && c <= 'Z') c = static_cast<char>(c + 0x20);
  }
}

// How often each word is kept, by filter, trim, fold and split as the run does them.
std::map<std::string, int> KeptWords(const std::string& file, const std::string& filter,
                                     std::int32_t min_length, bool upper) {
  std::map<std::string, int> kept;
  for (std::string line : InputPieces(file)) {
    for (char f : filter) {
      for (char& c : line) if (c == f) c = ' ';
    }
    line = Trimmed(line);
    Fold(line, upper);
    while (!line.empty()) {
      const std::size_t blank = line.find(' ');
      const std::string word = line.substr(0, blank);
      line = blank == std::string::npos ? std::string() : line.substr(blank + 1);
      if (static_cast<std::int64_t>(word.size()) <= min_length) continue;
      ++kept[word];
      line = Trimmed(line);
    }
  }
  return kept;
}

std::vector<std::string> OutputLines(const std::string& output) {
  std::vector<std::string> lines;
  std::size_t i = 0;
  while (i < output.size()) {
    const std::size_t cr = output.find("\r\n", i);
    Check(cr != std::string::npos, "every output line ends in CR LF");
    lines.push_back(output.substr(i, cr - i));
    i = cr + 2;
  }
  return lines;
}

void CheckOutput(const std::vector<std::string>& lines, const std::map<std::string, int>& kept) {
  std::set<std::string> seen;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const std::string& word = lines[i];
    Check(!word.empty(), "no empty line");
    Check(word.find_first_of(" \r") == std::string::npos, "no blank or CR inside a word");
    const auto found = kept.find(word);
    Check(found != kept.end(), "every written word was kept");
    seen.insert(word);
    if (i == 0) continue;
    Check(word != lines[i - 1], "adjacent lines differ");
    Check(CompareLocaleIgnoreCase(lines[i - 1], word) <= 0, "lines in locale order");
  }
  Check(seen.size() == kept.size(), "every kept word is written");
  std::map<std::string, int> written;
  for (const std::string& word : lines) ++written[word];
  for (const auto& [word, count] : written) Check(count <= kept.at(word), "no word written more often than kept");
}

}  // namespace
}  // namespace quillet::fuzz

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  quillet::fuzz::UseFixedLocale();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace quillet;
  using namespace quillet::fuzz;
  if (size > 65536) return 0;
  FuzzInput bytes(data, size);
  const std::uint8_t flags = bytes.Byte();
  FieldsWindow window;
  window.upper = (flags & 1) != 0;
  window.filter = bytes.Text(60);
  window.min_length = bytes.Text(12);
  const std::string input = bytes.Rest();
  MemoryFile file(input);
  window.input = file.Name();
  window.output = ScratchFolder() + "/words.txt";

  TmStrGrid grid;
  ConfigureWordTable(grid);
  TWordListConversion conversion;
  const int written = conversion.Run(window, grid);
  const std::string output = ReadWholeFile(window.output);
  const std::vector<std::string> lines = OutputLines(output);
  Check(written == static_cast<int>(lines.size()), "Run returns the number of lines written");
  Check(window.filter == Trimmed(window.filter), "the filter field holds the trimmed filter");
  CheckOutput(lines, KeptWords(input, window.filter, ParseMinLength(window.min_length), window.upper));
  if ((flags & 2) != 0) {
    Check(conversion.Run(window, grid) == written, "a second run writes as many words");
    Check(ReadWholeFile(window.output) == output, "a second run writes the same file");
  }
  return 0;
}
