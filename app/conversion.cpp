#include "app/conversion.h"

#include <algorithm>
#include <climits>
#include <cstring>

#include "runtime/exceptions.h"
#include "runtime/text_file.h"
#include "strgrid/mStrGrid.h"

namespace quillet {
namespace {

constexpr std::int32_t kMaxRowCount = INT32_MAX;
constexpr std::uint64_t kReadReportBytes = 1u << 20;     // report reading every 1 MB
constexpr std::int32_t kWriteReportRows = 1 << 20;       // and writing every 1 M rows

std::string_view Trim(std::string_view text) {
  std::size_t begin = 0;
  std::size_t end = text.size();
  while (begin < end && static_cast<unsigned char>(text[begin]) <= 0x20) ++begin;
  while (end > begin && static_cast<unsigned char>(text[end - 1]) <= 0x20) --end;
  return text.substr(begin, end - begin);
}

std::string_view TrimStart(std::string_view text) {
  std::size_t begin = 0;
  while (begin < text.size() && static_cast<unsigned char>(text[begin]) <= 0x20) ++begin;
  return text.substr(begin);
}

int DigitValue(char c, bool hex) {
  if (c >= '0' && c <= '9') return c - '0';
  if (!hex) return -1;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

std::int32_t Saturate(std::int64_t value) {
  if (value > INT32_MAX) return INT32_MAX;
  if (value < INT32_MIN) return INT32_MIN;
  return static_cast<std::int32_t>(value);
}

void ShowPhase(ConversionWindow& window, std::string_view status) {
  window.SetStatusText(std::string(status));
  window.ProcessPendingEvents();
}

}  // namespace

std::string AllProcessDoneText(int written_count) {
  return "All Process Done! " + std::to_string(written_count) + " Words Saved!";
}

std::int32_t ParseMinLength(std::string_view text) noexcept {
  std::size_t i = 0;
  while (i < text.size() && text[i] == ' ') ++i;
  bool negative = false;
  bool hex = false;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) {
    negative = text[i] == '-';
    ++i;
  } else if (i < text.size() && text[i] == '$') {
    hex = true;
    ++i;
  }
  // Values past the 32-bit range only need to stay past it: cap the magnitude early.
  constexpr std::int64_t kCap = std::int64_t{1} << 40;
  std::int64_t value = 0;
  for (; i < text.size(); ++i) {
    const int digit = DigitValue(text[i], hex);
    if (digit < 0) return Saturate(value);  // stopped early: the sign is not applied
    value = value * (hex ? 16 : 10) + digit;
    if (value > kCap) value = kCap;
  }
  return Saturate(negative ? -value : value);
}

void ConfigureWordTable(TmStrGrid& grid) {
  grid.SetColCount(1);
  grid.SetFixedCols(0);
  grid.SetRowCount(4);
  grid.SetFixedRows(0);
  grid.SetKeyType(TMSortType::soString);
  grid.SetKeyPos(1);
  grid.SetKeyLen(2147483647);
  grid.SetSortDescending(false);
  grid.SetUseFixed(HandleFixed::hfNot);
}

int TWordListConversion::Run(ConversionWindow& window, TmStrGrid& grid) {
  last_row_ = -1;
  min_length_ = ParseMinLength(window.MinLengthText());
  FillFilterSlots(window);
  if (!NamesAreSet(window)) return kStoppedByNameCheck;
  window.SetStartVisible(false);
  ShowPhase(window, kStartingConvert);
  ReadInput(window, grid);
  ShowPhase(window, kConvertDone);
  const auto rows = static_cast<std::uint64_t>(last_row_ + 1);
  window.Progress(ProgressPhase::kSorting, 0, rows);
  grid.SortCol(0);
  window.Progress(ProgressPhase::kSorting, rows, rows);
  ShowPhase(window, kSortDone);
  WriteOutput(window, grid);
  window.SetStartVisible(true);
  return written_count_;
}

void TWordListConversion::FillFilterSlots(ConversionWindow& window) {
  const std::string trimmed(Trim(window.FilterText()));
  window.SetFilterText(trimmed);
  if (filter_slots_.size() < trimmed.size()) filter_slots_.resize(trimmed.size(), -1);
  for (std::size_t k = 0; k < trimmed.size(); ++k) {
    filter_slots_[k] = static_cast<unsigned char>(trimmed[k]);
  }
}

bool TWordListConversion::NamesAreSet(ConversionWindow& window) {
  if (window.InputFileName().empty()) {
    window.SetStatusText(std::string(kInputNameIncorrect));
    return false;
  }
  if (window.OutputFileName().empty()) {
    window.SetStatusText(std::string(kOutputNameIncorrect));
    return false;
  }
  return true;
}

// One table does the filter and the fold: filtering turns a byte into a blank, which the
// fold leaves alone, and the fold keeps every byte above 0x20 above it, so mapping before
// the trim gives what filter, trim, fold give in that order.
void TWordListConversion::BuildByteMap(ConversionWindow& window) {
  const bool upper = window.UpperCaseChecked();
  for (int b = 0; b < 256; ++b) {
    int folded = b;
    if (upper && b >= 'a' && b <= 'z') folded = b - 0x20;
    if (!upper && b >= 'A' && b <= 'Z') folded = b + 0x20;
    byte_map_[b] = static_cast<unsigned char>(folded);
  }
  const std::size_t applied = std::min(window.FilterText().size(), filter_slots_.size());
  for (std::size_t k = 0; k < applied; ++k) {
    if (filter_slots_[k] >= 0) byte_map_[filter_slots_[k]] = ' ';
  }
}

void TWordListConversion::ReadInput(ConversionWindow& window, TmStrGrid& grid) {
  TTextReader reader;
  reader.Open(window.InputFileName());
  BuildByteMap(window);
  const std::uint64_t total = reader.FileSize();
  std::uint64_t next_report = 0;
  while (!reader.Eof()) {
    reader.ReadLine(line_buffer_);
    WorkOnLinePieces(grid);
    if (reader.BytesConsumed() >= next_report) {
      window.Progress(ProgressPhase::kReading, reader.BytesConsumed(), total);
      next_report = reader.BytesConsumed() + kReadReportBytes;
    }
  }
  reader.Close();
  window.Progress(ProgressPhase::kReading, reader.BytesConsumed(), total);
}

void TWordListConversion::WorkOnLinePieces(TmStrGrid& grid) {
  char* const data = line_buffer_.data();
  const std::size_t size = line_buffer_.size();
  std::size_t start = 0;
  for (;;) {
    const void* lf = std::memchr(data + start, '\n', size - start);
    const std::size_t end = lf ? static_cast<const char*>(lf) - data : size;
    WorkOnLine(data + start, end - start, grid);
    if (lf == nullptr) return;
    start = end + 1;
  }
}

void TWordListConversion::WorkOnLine(char* piece, std::size_t size, TmStrGrid& grid) {
  for (std::size_t i = 0; i < size; ++i) {
    piece[i] = static_cast<char>(byte_map_[static_cast<unsigned char>(piece[i])]);
  }
  SplitIntoWords(Trim(std::string_view(piece, size)), grid);
}

void TWordListConversion::SplitIntoWords(std::string_view line, TmStrGrid& grid) {
  while (!line.empty()) {
    const std::size_t blank = line.find(' ');
    if (blank == std::string_view::npos) {
      if (IsKept(line.size())) AppendWord(line, grid);
      return;
    }
    const std::string_view word = line.substr(0, blank);
    line.remove_prefix(blank + 1);
    if (IsKept(word.size())) {
      AppendWord(word, grid);
      line = TrimStart(line);  // the line's end is trimmed already
    }
  }
}

bool TWordListConversion::IsKept(std::size_t word_length) const {
  return static_cast<std::int64_t>(word_length) > min_length_;
}

void TWordListConversion::AppendWord(std::string_view word, TmStrGrid& grid) {
  if (last_row_ + 1 >= kMaxRowCount) throw EOutOfMemory();  // RowCount must stay an int32
  ++last_row_;
  grid.SetRowCount(last_row_ + 1);
  grid.SetCells(0, last_row_, word);
}

void TWordListConversion::WriteOutput(ConversionWindow& window, TmStrGrid& grid) {
  TTextWriter writer;
  writer.Create(window.OutputFileName());
  written_count_ = 0;
  if (last_row_ >= 0) {
    current_word_ = grid.Cells(0, 0);
    writer.WriteLine(current_word_);
    written_count_ = 1;
    WriteDistinctRows(window, grid, writer);
  }
  ShowPhase(window, AllProcessDoneText(written_count_));
  writer.Close();
}

void TWordListConversion::WriteDistinctRows(ConversionWindow& window, TmStrGrid& grid,
                                            TTextWriter& writer) {
  const auto rows = static_cast<std::uint64_t>(last_row_) + 1;
  for (std::int32_t r = 1; r <= last_row_; ++r) {
    const std::string_view cell = grid.CellView(0, r);
    if (cell != current_word_) {
      current_word_.assign(cell);
      writer.WriteLine(current_word_);
      ++written_count_;
    } else {
      grid.SetCells(0, r, std::string_view());
    }
    if (r % kWriteReportRows == 0) window.Progress(ProgressPhase::kWriting, r, rows);
  }
  window.Progress(ProgressPhase::kWriting, rows, rows);
}

}  // namespace quillet
