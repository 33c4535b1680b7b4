#pragma once
// WordCutter: the byte rules that turn lines of text into kept words.
//
// A line ends at every CR and every LF byte (so CR LF ends a line and leaves an empty one,
// which gives no word); the text's end ends its last line. Each line is worked on by
// itself:
// - Filter: every byte held by one of the applied filter slots becomes a blank (0x20).
// - Trim: every byte of value 0x20 or less goes from both ends.
// - Fold: to uppercase (a-z -> A-Z) or lowercase (A-Z -> a-z); no other byte changes, also
//   not the second byte of a double-byte character.
// - Split: while the line is not empty, the bytes before its first blank (or all of it when
//   it has none) form the next word, which is removed with its blank. A word longer than
//   the minimum length is kept; after a kept word the rest of the line is trimmed, after a
//   dropped one it is not (so a dropped word may be followed by an empty word, or by a
//   word of control bytes).
// Filter and fold are one byte table: a filtered byte becomes a blank, which the fold
// leaves alone, and the fold keeps every byte above 0x20 above it, so mapping every byte
// before the trim gives what filter, trim, fold give in that order. CR and LF always map
// to themselves: they end lines before any filter could see them.
//
// Since every line stands alone, a text may be cut at any CR or LF byte and the pieces cut
// separately (in any order, on any thread) into the same words.
//
// Cut works in two passes: it maps the bytes and notes, for each group of 64, which are
// printable, which end lines, which are separators and which are control bytes (one bit
// each); then it walks from word to word over those bits, without looking at the bytes in
// between.

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace quillet {

class WordTable;

// Room Cut works in: one per thread, kept from one Cut to the next.
using CutScratch = std::vector<std::uint64_t>;

class WordCutter {
 public:
  // `filter_slots` as TWordListConversion keeps them (a byte 0..255, or -1 for an empty
  // slot); the first `applied` of them (fewer when there are fewer) are applied.
  WordCutter(const std::vector<int>& filter_slots, std::size_t applied, bool upper_case,
             std::int32_t min_length);

  // Cuts the `size` bytes at `text` into words and adds every kept word to `table`. Maps
  // the bytes in place (filter and fold). The WordTable::kReadAhead bytes after the text
  // must be readable (WordTable::AddMany reads them). Throws std::bad_alloc, and what
  // WordTable::Add throws.
  void Cut(char* text, std::size_t size, WordTable& table, CutScratch& scratch) const;

 private:
  // Kept words wait here, a few at a time, until the table takes them.
  class Batch;

  void MapAndMask(unsigned char* bytes, std::size_t size, CutScratch& scratch) const;
  void Walk(const unsigned char* bytes, std::size_t size, const CutScratch& scratch,
            Batch& batch) const;
  void WalkLineStepByStep(const unsigned char* bytes, std::size_t begin, std::size_t end,
                          const CutScratch& scratch, Batch& batch) const;
  bool IsKept(std::size_t length) const {
    return static_cast<std::int64_t>(length) > min_length_;
  }

  unsigned char map_[256];  // filter and fold of every byte
  // The same for 16 bytes at a time, where the processor can and the filter holds no byte
  // of 0x80 or more: a filtered byte has a common bit in nibble_low_[low nibble] and
  // nibble_high_[high nibble]; the fold flips 0x20 in the letters fold_first_..fold_last_.
  unsigned char nibble_low_[16] = {};
  unsigned char nibble_high_[16] = {};
  char fold_first_ = 'A';
  char fold_last_ = 'Z';
  bool vector_map_ = false;
  std::int64_t min_length_;
};

}  // namespace quillet
