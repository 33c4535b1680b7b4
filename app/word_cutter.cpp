#include "app/word_cutter.h"

#include <algorithm>
#include <bit>
#include <string_view>

#if defined(__SSE2__)
#include <emmintrin.h>
#include <tmmintrin.h>
#endif

#include "app/word_table.h"

namespace quillet {
namespace {

using Byte = unsigned char;
using Mask = std::uint64_t;

constexpr Byte kBlank = 0x20;
constexpr std::size_t kGroup = 64;  // bytes per mask word

bool IsLineEnd(Byte c) { return c == '\r' || c == '\n'; }

// The masks of a group of 64 bytes, one bit per byte: printable (above 0x20), line end
// (CR, LF), separator (blank, CR, LF) and control (the other bytes of 0x20 or less: part of
// a word, but gone where the line is trimmed).
struct GroupMasks {
  Mask printable = 0;
  Mask line_end = 0;
  Mask separator = 0;
  Mask control = 0;

  void Set(Byte c, unsigned bit) {
    const Mask one = Mask{1} << bit;
    if (c > kBlank) printable |= one;
    if (IsLineEnd(c)) line_end |= one;
    if (c == kBlank || IsLineEnd(c)) separator |= one;
    if (c < kBlank && !IsLineEnd(c)) control |= one;
  }
};

// The masks of `count` bytes (at most 64) one by one; the bits past them read as line
// ends, so the end of the text ends a line.
GroupMasks MasksOf(const Byte* bytes, std::size_t count) {
  GroupMasks masks;
  for (unsigned i = 0; i < count; ++i) masks.Set(bytes[i], i);
  const Mask past = count == kGroup ? 0 : ~Mask{0} << count;
  masks.line_end |= past;
  masks.separator |= past;
  return masks;
}

#if defined(__SSE2__)
// Adds the masks of the 16 bytes of `v`, as bits `shift` .. `shift` + 15.
void AddMasks16(__m128i v, unsigned shift, GroupMasks& masks) {
  const __m128i blank = _mm_set1_epi8(kBlank);
  const __m128i low = _mm_cmpeq_epi8(_mm_min_epu8(v, blank), v);  // 0x20 or less
  const __m128i eol = _mm_or_si128(_mm_cmpeq_epi8(v, _mm_set1_epi8('\r')),
                                   _mm_cmpeq_epi8(v, _mm_set1_epi8('\n')));
  const __m128i separator = _mm_or_si128(_mm_cmpeq_epi8(v, blank), eol);
  masks.printable |= static_cast<Mask>(~_mm_movemask_epi8(low) & 0xFFFF) << shift;
  masks.line_end |= static_cast<Mask>(_mm_movemask_epi8(eol)) << shift;
  masks.separator |= static_cast<Mask>(_mm_movemask_epi8(separator)) << shift;
  masks.control |= static_cast<Mask>(_mm_movemask_epi8(_mm_andnot_si128(separator, low))) << shift;
}
#endif

// The masks of 64 bytes, 16 at a time.
GroupMasks MasksOf64(const Byte* bytes) {
#if defined(__SSE2__)
  GroupMasks masks;
  for (unsigned i = 0; i < kGroup; i += 16) {
    AddMasks16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + i)), i, masks);
  }
  return masks;
#else
  return MasksOf(bytes, kGroup);
#endif
}

#if defined(__SSE2__)
// Maps 64 bytes 16 at a time with SSSE3's byte shuffle, and gives their masks. A byte is
// filtered when nibble_low[its low nibble] and nibble_high[its high nibble] share a bit
// (so only bytes below 0x80 can be); the fold flips 0x20 in the letters first..last.
[[gnu::target("ssse3")]] GroupMasks MapAndMask64(Byte* bytes, const Byte* nibble_low,
                                                 const Byte* nibble_high, char first,
                                                 char last) {
  const __m128i low_table = _mm_loadu_si128(reinterpret_cast<const __m128i*>(nibble_low));
  const __m128i high_table = _mm_loadu_si128(reinterpret_cast<const __m128i*>(nibble_high));
  const __m128i nibble = _mm_set1_epi8(0x0F);
  const __m128i blank = _mm_set1_epi8(kBlank);
  const __m128i before_first = _mm_set1_epi8(static_cast<char>(first - 1));
  const __m128i after_last = _mm_set1_epi8(static_cast<char>(last + 1));
  GroupMasks masks;
  for (unsigned i = 0; i < kGroup; i += 16) {
    auto* at = reinterpret_cast<__m128i*>(bytes + i);
    const __m128i v = _mm_loadu_si128(at);
    const __m128i hit = _mm_and_si128(
        _mm_shuffle_epi8(low_table, _mm_and_si128(v, nibble)),
        _mm_shuffle_epi8(high_table, _mm_and_si128(_mm_srli_epi16(v, 4), nibble)));
    const __m128i kept = _mm_cmpeq_epi8(hit, _mm_setzero_si128());
    const __m128i letter = _mm_and_si128(_mm_cmpgt_epi8(v, before_first),
                                         _mm_cmplt_epi8(v, after_last));
    const __m128i folded = _mm_xor_si128(v, _mm_and_si128(letter, blank));
    const __m128i mapped = _mm_or_si128(_mm_and_si128(kept, folded), _mm_andnot_si128(kept, blank));
    _mm_storeu_si128(at, mapped);
    AddMasks16(mapped, i, masks);
  }
  return masks;
}
#endif

// One kind of mask over a whole text: word g holds the bits of bytes 64g .. 64g + 63, and
// a last word after the text's groups ends every search.
class MaskRow {
 public:
  explicit MaskRow(const Mask* words) : words_(words) {}
  bool Test(std::size_t pos) const { return (words_[pos / kGroup] >> (pos % kGroup) & 1) != 0; }
  const Mask* Words() const { return words_; }

  // Whether a bit of positions first .. last - 1 is set.
  bool AnyIn(std::size_t first, std::size_t last) const {
    if (first >= last) return false;
    const std::size_t k_last = (last - 1) / kGroup;
    Mask word = words_[first / kGroup] & (~Mask{0} << (first % kGroup));
    for (std::size_t k = first / kGroup; k < k_last; word = words_[++k]) {
      if (word != 0) return true;
    }
    return (word & (~Mask{0} >> (kGroup - 1 - (last - 1) % kGroup))) != 0;
  }

 private:
  const Mask* words_;
};

// The first position at or after `pos` whose bit is set in `row`.
std::size_t NextSet(const MaskRow& row, std::size_t pos) {
  std::size_t k = pos / kGroup;
  Mask word = row.Words()[k] & (~Mask{0} << (pos % kGroup));
  while (word == 0) word = row.Words()[++k];
  return k * kGroup + static_cast<std::size_t>(std::countr_zero(word));
}

// The first position at or after `pos` whose bit is set in `a` or in `b`.
std::size_t NextSet(const MaskRow& a, const MaskRow& b, std::size_t pos) {
  std::size_t k = pos / kGroup;
  Mask word = (a.Words()[k] | b.Words()[k]) & (~Mask{0} << (pos % kGroup));
  while (word == 0) {
    ++k;
    word = a.Words()[k] | b.Words()[k];
  }
  return k * kGroup + static_cast<std::size_t>(std::countr_zero(word));
}

// Goes through the set bits of a row in order, a word at a time.
class BitWalker {
 public:
  BitWalker(const MaskRow& row, std::size_t pos) : words_(row.Words()) { MoveTo(pos); }

  // Continues with the first set bit at or after `pos`.
  void MoveTo(std::size_t pos) {
    k_ = pos / kGroup;
    word_ = words_[k_] & (~Mask{0} << (pos % kGroup));
  }
  std::size_t Next() {
    while (word_ == 0) word_ = words_[++k_];
    const std::size_t pos = k_ * kGroup + static_cast<std::size_t>(std::countr_zero(word_));
    word_ &= word_ - 1;
    return pos;
  }

 private:
  const Mask* words_;
  std::size_t k_ = 0;
  Mask word_ = 0;
};

}  // namespace

// Words wait here until the table takes them, many at a time. A word is written in any
// case and counted only when kept: no branch on the length, which is as good as random.
class WordCutter::Batch {
 public:
  explicit Batch(WordTable& table) : table_(table) {}

  void Offer(const Byte* start, std::size_t length, bool kept) {
    words_[size_] = {reinterpret_cast<const char*>(start), length};
    size_ += kept ? 1 : 0;
    if (size_ == kSize) Flush();
  }
  void Flush() {
    table_.AddMany(words_, size_);
    size_ = 0;
  }

 private:
  static constexpr std::size_t kSize = 64;
  WordTable& table_;
  std::string_view words_[kSize];
  std::size_t size_ = 0;
};

WordCutter::WordCutter(const std::vector<int>& filter_slots, std::size_t applied,
                       bool upper_case, std::int32_t min_length)
    : min_length_(min_length) {
  for (int b = 0; b < 256; ++b) {
    int folded = b;
    if (upper_case && b >= 'a' && b <= 'z') folded = b - 0x20;
    if (!upper_case && b >= 'A' && b <= 'Z') folded = b + 0x20;
    map_[b] = static_cast<Byte>(folded);
  }
  const std::size_t count = std::min(applied, filter_slots.size());
  bool only_low_filter_bytes = true;
  for (std::size_t k = 0; k < count; ++k) {
    const int slot = filter_slots[k];
    if (slot < 0 || IsLineEnd(static_cast<Byte>(slot))) continue;
    map_[slot] = kBlank;
    if (slot >= 0x80) only_low_filter_bytes = false;
    nibble_low_[slot & 0x0F] = static_cast<Byte>(nibble_low_[slot & 0x0F] | 1 << (slot >> 4));
  }
  for (int h = 0; h < 8; ++h) nibble_high_[h] = static_cast<Byte>(1 << h);
  fold_first_ = upper_case ? 'a' : 'A';
  fold_last_ = upper_case ? 'z' : 'Z';
#if defined(__SSE2__)
  vector_map_ = only_low_filter_bytes && __builtin_cpu_supports("ssse3");
#else
  (void)only_low_filter_bytes;
#endif
}

void WordCutter::Cut(char* text, std::size_t size, WordTable& table,
                     CutScratch& scratch) const {
  auto* bytes = reinterpret_cast<Byte*>(text);
  MapAndMask(bytes, size, scratch);
  Batch batch(table);
  Walk(bytes, size, scratch, batch);
  batch.Flush();
}

// Maps every byte, and keeps the four mask rows one after the other; each row ends with a
// word that reads as line ends (not printable, no control byte), so that every search ends.
void WordCutter::MapAndMask(Byte* bytes, std::size_t size, CutScratch& scratch) const {
  const std::size_t groups = size / kGroup + 1;
  const std::size_t row = groups + 1;
  scratch.resize(4 * row);
  Mask* masks = scratch.data();
  for (std::size_t g = 0; g < groups; ++g) {
    Byte* group = bytes + g * kGroup;
    const std::size_t count = std::min(kGroup, size - g * kGroup);
    GroupMasks m;
#if defined(__SSE2__)
    if (count == kGroup && vector_map_) {
      m = MapAndMask64(group, nibble_low_, nibble_high_, fold_first_, fold_last_);
    } else if (count == kGroup) {
#else
    if (count == kGroup) {
#endif
#pragma GCC unroll 16
      for (std::size_t i = 0; i < kGroup; ++i) group[i] = map_[group[i]];
      m = MasksOf64(group);
    } else {
      for (std::size_t i = 0; i < count; ++i) group[i] = map_[group[i]];
      m = MasksOf(group, count);
    }
    masks[g] = m.printable;
    masks[row + g] = m.line_end;
    masks[2 * row + g] = m.separator;
    masks[3 * row + g] = m.control;
  }
  masks[groups] = 0;
  masks[row + groups] = ~Mask{0};
  masks[2 * row + groups] = ~Mask{0};
  masks[3 * row + groups] = 0;
}

// Goes through the lines. In a line without control bytes the rules come down to this:
// the words are the stretches between two separators (blank, CR, LF), and each is kept when
// it is longer than the minimum length and not empty. (A trim only skips blanks there,
// which would give empty words, and empty words are never kept: with a negative minimum
// every word is kept and trimmed after, so no empty word arises.) So such a line needs
// one step per separator. A line with control bytes goes by the rules step by step.
void WordCutter::Walk(const Byte* bytes, std::size_t size, const CutScratch& scratch,
                      Batch& batch) const {
  const std::size_t row = size / kGroup + 2;
  const MaskRow line_end_row(scratch.data() + row);
  const MaskRow separator_row(scratch.data() + 2 * row);
  const MaskRow control_row(scratch.data() + 3 * row);
  const auto threshold = static_cast<std::size_t>(std::max<std::int64_t>(min_length_, 0));
  BitWalker separators(separator_row, 0);
  for (std::size_t begin = 0; begin < size;) {
    const std::size_t end = std::min(NextSet(line_end_row, begin), size);
    if (control_row.AnyIn(begin, end)) {
      WalkLineStepByStep(bytes, begin, end, scratch, batch);
      begin = end + 1;
      separators.MoveTo(begin);
      continue;
    }
    std::size_t stop;
    do {
      stop = separators.Next();  // the line's end is a separator too
      const std::size_t length = stop - begin;
      batch.Offer(bytes + begin, length, length > threshold);
      begin = stop + 1;
    } while (stop < end);
  }
}

// The rules step by step, for the line begin .. end - 1. At its start and after a kept word
// the bytes of 0x20 or less are skipped (the trim). Its trailing bytes of 0x20 or less are
// found lazily: after a blank that is not followed by a printable byte, the next printable
// byte or line end is looked up (and remembered in `printable`); when the line ends first,
// the word before the blank is the line's last, and its own trailing control bytes belong
// to the trimmed end.
void WordCutter::WalkLineStepByStep(const Byte* bytes, std::size_t begin, std::size_t end,
                                    const CutScratch& scratch, Batch& batch) const {
  const std::size_t row = (scratch.size() / 4);
  const MaskRow printable_row(scratch.data());
  const MaskRow line_end_row(scratch.data() + row);
  BitWalker separators(MaskRow(scratch.data() + 2 * row), begin);
  bool trimming = true;           // at the line's start or after a kept word
  std::size_t printable = begin;  // a printable byte known to lie ahead in the line
  for (;;) {
    std::size_t start = begin;
    if (!printable_row.Test(begin) && trimming) {  // `trimming`, as good as random, last
      start = NextSet(printable_row, line_end_row, begin);
      if (start >= end) return;
      separators.MoveTo(start);
    }
    std::size_t stop = separators.Next();
    if (stop < end && !printable_row.Test(stop + 1) && printable <= stop) {
      const std::size_t next = NextSet(printable_row, line_end_row, stop + 1);
      if (next < end) printable = next;
      else stop = end;  // nothing printable follows: the word is the line's last
    }
    if (stop >= end) {
      std::size_t last = std::min(stop, end);
      while (last > start && bytes[last - 1] <= kBlank) --last;  // the line's end trimmed
      if (last > start) batch.Offer(bytes + start, last - start, IsKept(last - start));
      return;
    }
    trimming = IsKept(stop - start);  // after a kept word the rest is trimmed
    batch.Offer(bytes + start, stop - start, trimming);
    begin = stop + 1;
  }
}

}  // namespace quillet
