// Fuzzes the text-file reader: the bytes become a file (in memory), which is read line by
// line and compared with a plain splitter: a line ends at CR, an LF right after a CR
// belongs to the line end, a lone LF is part of the line, 0x1A or the physical end ends the
// file, and the last line needs no line end. The first byte chooses whether the bytes are
// placed across the reader's block boundary (with a filler before them), so that CR, LF
// and 0x1A meet every boundary position.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz/fuzz_support.h"
#include "runtime/exceptions.h"
#include "runtime/text_file.h"

namespace quillet::fuzz {
namespace {

struct Line {
  std::string text;
  std::size_t end = 0;  // offset in the file just past the line and its line end
};

std::vector<Line> SplitLines(const std::string& file) {
  const std::size_t stop = std::min(file.find('\x1A'), file.size());
  std::vector<Line> lines;
  std::size_t i = 0;
  while (i < stop) {
    std::size_t cr = file.find('\r', i);
    if (cr == std::string::npos || cr >= stop) {
      lines.push_back({file.substr(i, stop - i), stop});
      break;
    }
    std::size_t next = cr + 1;
    if (next < stop && file[next] == '\n') ++next;
    lines.push_back({file.substr(i, cr - i), next});
    i = next;
  }
  return lines;
}

std::string BuildFile(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return {};
  const std::uint8_t mode = data[0];
  std::string body(reinterpret_cast<const char*>(data) + 1, size - 1);
  if ((mode & 1) == 0) return body;
  // The filler (short lines, which keep the run fast) ends (mode >> 1) % 32 bytes before
  // the boundary; its last byte is a CR when bit 6 is set, so a CR LF pair can straddle the
  // boundary too.
  const std::size_t before = (mode >> 1) % 32;
  const std::string filler_line = std::string(1022, 'x') + "\r\n";
  std::string file;
  file.reserve(TTextReader::kBufferSize + body.size());
  while (file.size() < TTextReader::kBufferSize - before) file += filler_line;
  file.resize(TTextReader::kBufferSize - before);
  file.back() = (mode & 0x40) != 0 ? '\r' : 'x';
  return file + body;
}

}  // namespace
}  // namespace quillet::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace quillet;
  using namespace quillet::fuzz;
  const std::string file = BuildFile(data, size);
  const std::vector<Line> expected = SplitLines(file);
  MemoryFile memory(file);
  TTextReader reader;
  reader.Open(memory.Name());
  Check(reader.FileSize() == file.size(), "FileSize is the size of the file");
  std::string line;
  std::size_t count = 0;
  while (!reader.Eof()) {
    Check(count < expected.size(), "no more lines than the splitter finds");
    reader.ReadLine(line);
    Check(line == expected[count].text, "line text as the splitter gives it");
    Check(reader.BytesConsumed() == expected[count].end, "BytesConsumed after each line");
    ++count;
  }
  Check(count == expected.size(), "every line is read");
  reader.ReadLine(line);
  Check(line.empty() && reader.Eof(), "reading at the end gives an empty line");
  reader.Close();
  return 0;
}
