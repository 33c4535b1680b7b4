// Fuzzes the whole word-list conversion: random input bytes, filter text, minimum-length
// text, case choice, number of workers and block size. The output file must be words each
// followed by CR LF, none empty, none holding a blank, each once, in locale order and
// words with equal keys in byte order; its set of words must be exactly the set of words a
// plain re-implementation of filter, trim, fold and split keeps; and Run must return the
// number of lines written. A second run with the same objects must write the same file.

#include <cstddef>
#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "app/conversion.h"
#include "fuzz/fuzz_support.h"
#include "runtime/collation.h"

namespace quillet::fuzz {
namespace {

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

// The words kept by filter, trim, fold and split as the run does them.
std::set<std::string> KeptWords(const std::string& file, const std::string& filter,
                                std::int32_t min_length, bool upper) {
  std::set<std::string> kept;
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
      kept.insert(word);
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

void CheckOutput(const std::vector<std::string>& lines, const std::set<std::string>& kept) {
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const std::string& word = lines[i];
    Check(!word.empty(), "no empty line");
    Check(word.find_first_of(" \r") == std::string::npos, "no blank or CR inside a word");
    Check(kept.count(word) == 1, "every written word was kept");
    if (i == 0) continue;
    const int order = CompareLocaleIgnoreCase(lines[i - 1], word);
    Check(order < 0 || (order == 0 && lines[i - 1] < word),
          "lines in locale order, equal keys in byte order, each once");
  }
  Check(lines.size() == kept.size(), "every kept word is written");
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
  // flags: bit 0 uppercase, bit 1 a second run, bits 2-3 workers - 1, bits 4-7 a block size
  // of 4n - 3 bytes (0: 4096 bytes, more than most inputs; the default's 2 MiB blocks would
  // only slow the fuzzer down)
  const std::uint8_t flags = bytes.Byte();
  ConversionOptions options;
  options.upper_case = (flags & 1) != 0;
  options.threads = 1u + (flags >> 2 & 3u);
  const unsigned n = flags >> 4;
  options.block_size = n > 0 ? 4 * n - 3 : 4096;
  options.filter_text = bytes.Text(60);
  options.min_length_text = bytes.Text(12);
  const std::string input = bytes.Rest();
  MemoryFile file(input);
  options.input_name = file.Name();
  options.output_name = ScratchFolder() + "/words.txt";

  PlainConversionHost host;
  TWordListConversion conversion;
  const std::int64_t written = conversion.Run(options, host);
  const std::string output = ReadWholeFile(options.output_name);
  const std::vector<std::string> lines = OutputLines(output);
  Check(written == static_cast<std::int64_t>(lines.size()),
        "Run returns the number of lines written");
  const std::string filter(TrimBlanks(options.filter_text));
  CheckOutput(lines, KeptWords(input, filter, ParseMinLength(options.min_length_text),
                               options.upper_case));
  if ((flags & 2) != 0) {
    Check(conversion.Run(options, host) == written, "a second run writes as many words");
    Check(ReadWholeFile(options.output_name) == output, "a second run writes the same file");
  }
  return 0;
}
