#include "app/word_table.h"

#include <algorithm>
#include <bit>
#include <cstdlib>
#include <cstring>

#include "runtime/exceptions.h"

static_assert(std::endian::native == std::endian::little, "word heads are little-endian");

namespace quillet {
namespace {

constexpr std::size_t kFirstSlots = 1024;
constexpr std::size_t kMaxFirstSlots = std::size_t{1} << 22;
constexpr std::size_t kChunkBytes = kHugePageBytes;
// Words at least this long get a chunk of their own, so a long word wastes no chunk room.
constexpr std::size_t kOwnChunkBytes = kChunkBytes / 8;
constexpr std::uint64_t kMaxEntries = 0xFFFFFFFEu;  // entry number + 1 fits in 32 bits
constexpr std::size_t kHeadBytes = 16;

constexpr std::uint64_t kSeed0 = 0x9E3779B97F4A7C15u;
constexpr std::uint64_t kSeed1 = 0xBF58476D1CE4E5B9u;
constexpr std::uint64_t kSeed2 = 0x94D049BB133111EBu;

std::uint64_t Load64(const char* p) noexcept {
  std::uint64_t v;
  std::memcpy(&v, p, sizeof v);
  return v;
}

std::uint64_t Load32(const char* p) noexcept {
  std::uint32_t v;
  std::memcpy(&v, p, sizeof v);
  return v;
}

std::uint64_t ByteAt(const char* p, std::size_t i) noexcept {
  return static_cast<unsigned char>(p[i]);
}

// Bytes 0..n-1 (n <= 8) of `p` as a little-endian number, the rest zero. Overlapping
// loads read every byte once or twice, never one past the end.
std::uint64_t LoadPadded(const char* p, std::size_t n) noexcept {
  if (n >= 8) return Load64(p);
  if (n >= 4) return Load32(p) | Load32(p + n - 4) << (8 * (n - 4));
  if (n == 0) return 0;
  return ByteAt(p, 0) | ByteAt(p, n >> 1) << (8 * (n >> 1)) | ByteAt(p, n - 1) << (8 * (n - 1));
}

// Multiplies to 128 bits and folds the halves: every input bit reaches every output bit.
std::uint64_t Mix(std::uint64_t a, std::uint64_t b) noexcept {
  const unsigned __int128 product = static_cast<unsigned __int128>(a) * b;
  return static_cast<std::uint64_t>(product) ^ static_cast<std::uint64_t>(product >> 64);
}

}  // namespace

WordTable::WordTable(std::size_t expected_words) {
  std::size_t slots = kFirstSlots;
  while (slots < 2 * expected_words && slots < kMaxFirstSlots) slots *= 2;
  slots_.assign(slots, Slot{});
  mask_ = slots - 1;
  entries_.reserve(slots / 2);
}
WordTable::WordTable(WordTable&&) noexcept = default;
WordTable& WordTable::operator=(WordTable&&) noexcept = default;
WordTable::~WordTable() = default;

// The hot path of counting a word, inlined into its callers.

[[gnu::always_inline]] inline WordTable::Head WordTable::HeadOf(
    std::string_view word) noexcept {
  const char* p = word.data();
  const std::size_t n = word.size();
  const auto length = static_cast<std::uint32_t>(std::min<std::size_t>(n, UINT32_MAX));
  if (n <= 8) return {LoadPadded(p, n), 0, length};
  if (n >= kHeadBytes) return {Load64(p), Load64(p + 8), length};
  return {Load64(p), Load64(p + n - 8) >> (8 * (kHeadBytes - n)), length};
}

// HeadOf without a branch on the length, for a word followed by readable bytes.
[[gnu::always_inline]] inline WordTable::Head WordTable::HeadOfReadable(
    std::string_view word) noexcept {
  static constexpr std::uint64_t kKeep[9] = {
      0, 0xFF, 0xFFFF, 0xFFFFFF, 0xFFFFFFFF, 0xFFFFFFFFFF, 0xFFFFFFFFFFFF, 0xFFFFFFFFFFFFFF,
      ~std::uint64_t{0}};
  const std::size_t n = word.size();
  const auto length = static_cast<std::uint32_t>(std::min<std::size_t>(n, UINT32_MAX));
  const std::size_t low_bytes = std::min<std::size_t>(n, 8);
  const std::size_t high_bytes = std::min<std::size_t>(n - low_bytes, 8);
  return {Load64(word.data()) & kKeep[low_bytes], Load64(word.data() + 8) & kKeep[high_bytes],
          length};
}

// Words of up to 16 bytes are hashed from their head alone; longer ones also by 16-byte
// steps over the rest, the last step overlapping the one before.
[[gnu::always_inline]] inline std::uint64_t WordTable::HashOf(std::string_view word,
                                                              const Head& head) noexcept {
  std::uint64_t seed = kSeed0 ^ word.size();
  if (word.size() > kHeadBytes) {
    const char* p = word.data() + kHeadBytes;
    std::size_t n = word.size() - kHeadBytes;
    for (; n > kHeadBytes; p += kHeadBytes, n -= kHeadBytes) {
      seed = Mix(Load64(p) ^ kSeed1, Load64(p + 8) ^ seed);
    }
    p += n;  // the last 16 bytes of the word
    seed = Mix(Load64(p - 16) ^ kSeed2, Load64(p - 8) ^ seed);
  }
  return Mix(head.low ^ kSeed1, head.high ^ seed ^ kSeed2);
}

[[gnu::always_inline]] inline std::size_t WordTable::FindSlot(
    std::string_view word, const Head& head, std::uint64_t hash) const noexcept {
  for (std::size_t i = static_cast<std::size_t>(hash) & mask_;; i = (i + 1) & mask_) {
    const Slot& slot = slots_[i];
    if (slot.entry == 0) return i;
    if (slot.low != head.low || slot.high != head.high || slot.length != head.length) continue;
    if (word.size() <= kHeadBytes) return i;
    const Entry& entry = entries_[slot.entry - 1];
    if (entry.length == word.size() &&
        std::memcmp(entry.data + kHeadBytes, word.data() + kHeadBytes,
                    word.size() - kHeadBytes) == 0) {
      return i;
    }
  }
}

[[gnu::always_inline]] inline void WordTable::AddHashed(
    std::string_view word, const Head& head, std::uint64_t hash, std::uint64_t count) {
  const std::size_t slot = FindSlot(word, head, hash);
  if (slots_[slot].entry == 0) return Insert(slot, word, head, hash, count);
  slots_[slot].count += count;
  total_count_ += count;
}

void WordTable::Add(std::string_view word) {
  const Head head = HeadOf(word);
  AddHashed(word, head, HashOf(word, head), 1);
}

// The slot of each word is asked for kAhead words before it is needed, so that many reads
// of the index are on their way at once.
void WordTable::AddMany(const std::string_view* words, std::size_t count) {
  constexpr std::size_t kBatch = 64;
  constexpr std::size_t kAhead = 32;
  Head heads[kBatch];
  std::uint64_t hashes[kBatch];
  for (std::size_t first = 0; first < count; first += kBatch) {
    const std::size_t n = std::min(kBatch, count - first);
    for (std::size_t k = 0; k < n; ++k) {
      heads[k] = HeadOfReadable(words[first + k]);
      hashes[k] = HashOf(words[first + k], heads[k]);
    }
    for (std::size_t k = 0; k < std::min(kAhead, n); ++k) {
      __builtin_prefetch(&slots_[hashes[k] & mask_]);
    }
    for (std::size_t k = 0; k < n; ++k) {
      if (k + kAhead < n) __builtin_prefetch(&slots_[hashes[k + kAhead] & mask_]);
      AddHashed(words[first + k], heads[k], hashes[k], 1);
    }
  }
}

void WordTable::Merge(const WordTable& other) {
  for (const Slot& slot : other.slots_) {
    if (slot.entry == 0) continue;
    const Entry& entry = other.entries_[slot.entry - 1];
    const std::string_view word(entry.data, entry.length);
    AddHashed(word, HeadOf(word), entry.hash, slot.count);
  }
}

std::uint64_t WordTable::Count(std::size_t i) const noexcept {
  const std::string_view word = Word(i);
  return slots_[FindSlot(word, HeadOf(word), entries_[i].hash)].count;
}

// Stores the word before the entry and the slot, so a failure leaves the table as it was
// (at most some unused arena room and a larger index).
void WordTable::Insert(std::size_t slot, std::string_view word, const Head& head,
                       std::uint64_t hash, std::uint64_t count) {
  if (entries_.size() >= kMaxEntries) throw EOutOfMemory();
  if ((entries_.size() + 1) * 2 > slots_.size()) {  // at most half full: short probes
    GrowIndex();
    slot = FindSlot(word, head, hash);
  }
  const char* data = Store(word);
  entries_.push_back({data, word.size(), hash});
  slots_[slot] = {head.low, head.high, head.length,
                  static_cast<std::uint32_t>(entries_.size()), count};
  total_count_ += count;
}

void WordTable::GrowIndex() {
  std::vector<Slot, BigBufferAllocator<Slot>> slots(slots_.size() * 2, Slot{});
  const std::size_t mask = slots.size() - 1;
  for (const Slot& slot : slots_) {
    if (slot.entry == 0) continue;
    std::size_t i = static_cast<std::size_t>(entries_[slot.entry - 1].hash) & mask;
    while (slots[i].entry != 0) i = (i + 1) & mask;
    slots[i] = slot;
  }
  slots_.swap(slots);
  mask_ = mask;
}

void WordTable::FreeChunk::operator()(char* chunk) const noexcept { std::free(chunk); }

const char* WordTable::Store(std::string_view word) {
  if (word.empty()) return "";
  const auto new_chunk = [this](std::size_t bytes) {
    chunks_.reserve(chunks_.size() + 1);
    chunks_.emplace_back(static_cast<char*>(AllocateBigBuffer(bytes)));
    return chunks_.back().get();
  };
  if (word.size() >= kOwnChunkBytes) {
    char* data = new_chunk(word.size());
    std::memcpy(data, word.data(), word.size());
    return data;
  }
  if (word.size() > room_) {
    free_ = new_chunk(kChunkBytes);
    room_ = kChunkBytes;
  }
  char* data = free_;
  std::memcpy(data, word.data(), word.size());
  free_ += word.size();
  room_ -= word.size();
  return data;
}

}  // namespace quillet
