#include "app/conversion.h"

#include <algorithm>
#include <climits>
#include <thread>
#include <utility>

#include "app/word_collector.h"
#include "app/word_cutter.h"
#include "app/word_order.h"
#include "app/word_table.h"
#include "runtime/text_file.h"
#include "strgrid/mStrGrid.h"

namespace quillet {
namespace {

constexpr std::uint64_t kWriteReportWords = 1 << 20;  // report writing every 1 M words

// Ends a run the host cancelled; Run turns it into kCancelled.
struct RunCancelled {};

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

void ShowPhase(ConversionHost& host, ConversionOptions& options, std::string_view status) {
  host.SetStatusText(std::string(status));
  host.ProcessPendingEvents(options);
}

void Report(ConversionHost& host, ProgressPhase phase, std::uint64_t done, std::uint64_t total) {
  host.Progress(phase, done, total);
  if (host.CancelRequested()) throw RunCancelled();
}

// Tells why a run cannot start, or nothing when both names are set.
const std::string_view* NameProblem(const ConversionOptions& options) {
  if (options.input_name.empty()) return &kInputNameIncorrect;
  if (options.output_name.empty()) return &kOutputNameIncorrect;
  return nullptr;
}

unsigned WorkerCount(unsigned threads) {
  if (threads > 0) return threads;
  return std::max(std::thread::hardware_concurrency(), 1u);
}

}  // namespace

std::string AllProcessDoneText(std::uint64_t written_count) {
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

std::string_view TrimBlanks(std::string_view text) noexcept {
  std::size_t begin = 0;
  std::size_t end = text.size();
  while (begin < end && static_cast<unsigned char>(text[begin]) <= 0x20) ++begin;
  while (end > begin && static_cast<unsigned char>(text[end - 1]) <= 0x20) --end;
  return text.substr(begin, end - begin);
}

// ---- PlainConversionHost ---------------------------------------------------------------

void PlainConversionHost::SetStatusText(const std::string& text) {
  if (on_status) on_status(text);
}

void PlainConversionHost::ProcessPendingEvents(ConversionOptions& options) {
  if (on_events) on_events(options);
}

void PlainConversionHost::Progress(ProgressPhase phase, std::uint64_t done, std::uint64_t total) {
  if (on_progress) on_progress(phase, done, total);
}

bool PlainConversionHost::CancelRequested() {
  return cancel != nullptr && cancel->load(std::memory_order_relaxed);
}

void PlainConversionHost::WordWritten(std::string_view word) {
  if (on_word) on_word(word);
}

// ---- the window's word table -----------------------------------------------------------

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

void EmptyWordTable(TmStrGrid& grid) {
  std::vector<std::pair<int, int>> cells;
  cells.reserve(grid.StoredCellCount());
  grid.ForEachStoredCell([&](int col, int row) { cells.emplace_back(col, row); });
  for (const auto& [col, row] : cells) grid.TakeCell(col, row);
  grid.SetRowCount(1);
}

// ---- TWordListConversion ---------------------------------------------------------------

std::int64_t TWordListConversion::Run(const ConversionOptions& given, ConversionHost& host) {
  ConversionOptions options = given;
  kept_count_ = 0;
  written_count_ = 0;
  min_length_ = ParseMinLength(options.min_length_text);
  options.filter_text = std::string(TrimBlanks(options.filter_text));
  FillFilterSlots(options.filter_text);
  if (const std::string_view* problem = NameProblem(options)) {
    host.SetStatusText(std::string(*problem));
    return kStoppedByNameCheck;
  }
  try {
    ShowPhase(host, options, kStartingConvert);
    const WordTable words = ReadWords(options, host);
    ShowPhase(host, options, kConvertDone);
    const std::uint64_t size = words.Size();
    Report(host, ProgressPhase::kSorting, 0, size);
    const std::vector<std::uint32_t> order = WriteOrder(words, WorkerCount(options.threads));
    Report(host, ProgressPhase::kSorting, size, size);
    ShowPhase(host, options, kSortDone);
    WriteWords(options, host, words, order);
  } catch (const RunCancelled&) {
    return kCancelled;
  }
  return static_cast<std::int64_t>(written_count_);
}

void TWordListConversion::FillFilterSlots(std::string_view trimmed_filter) {
  if (filter_slots_.size() < trimmed_filter.size()) {
    filter_slots_.resize(trimmed_filter.size(), -1);
  }
  for (std::size_t k = 0; k < trimmed_filter.size(); ++k) {
    filter_slots_[k] = static_cast<unsigned char>(trimmed_filter[k]);
  }
}

WordTable TWordListConversion::ReadWords(ConversionOptions& options, ConversionHost& host) {
  TTextReader reader;
  reader.Open(options.input_name);
  const WordCutter cutter(filter_slots_, options.filter_text.size(), options.upper_case,
                          min_length_);
  WordCollector collector(cutter, WorkerCount(options.threads), options.block_size);
  const std::uint64_t total = reader.FileSize();
  collector.Collect(reader, [&](std::uint64_t bytes_read) {
    Report(host, ProgressPhase::kReading, bytes_read, total);
  });
  reader.Close();
  Report(host, ProgressPhase::kReading, reader.BytesConsumed(), total);
  WordTable words = collector.Finish();
  kept_count_ = words.TotalCount();
  return words;
}

void TWordListConversion::WriteWords(ConversionOptions& options, ConversionHost& host,
                                     const WordTable& words,
                                     const std::vector<std::uint32_t>& order) {
  TTextWriter writer;
  writer.Create(options.output_name);
  const std::uint64_t size = order.size();
  constexpr std::uint64_t kAhead = 16;  // the words lie all over memory: ask for them early
  for (std::uint64_t k = 0; k < size; ++k) {
    if (k + kAhead < size) __builtin_prefetch(words.Word(order[k + kAhead]).data());
    const std::string_view word = words.Word(order[k]);
    writer.WriteLine(word);
    host.WordWritten(word);
    if ((k + 1) % kWriteReportWords == 0) Report(host, ProgressPhase::kWriting, k + 1, size);
  }
  Report(host, ProgressPhase::kWriting, size, size);
  written_count_ = size;
  ShowPhase(host, options, AllProcessDoneText(written_count_));
  writer.Close();
}

}  // namespace quillet
