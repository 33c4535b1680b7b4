#pragma once
// WordTable: the distinct words of a run, each with the number of times it was kept.
//
// A word is a byte string of any length (NUL and every other byte included). Each distinct
// word is stored once, in an arena of large chunks. An open-addressing index of 32-byte
// slots finds it again: a slot holds the word's first 16 bytes, its length and its count,
// so counting a word of up to 16 bytes touches one slot and nothing else. The memory grows
// with the vocabulary, not with the number of words counted.
//
// Not thread-safe: each worker fills a table of its own, and Merge joins them.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

#include "strgrid/big_buffer.h"

namespace quillet {

class WordTable {
 public:
  // An empty table with room for about `expected_words` distinct words before its index
  // grows (each growth moves every entry and touches new memory).
  explicit WordTable(std::size_t expected_words = 0);
  WordTable(WordTable&&) noexcept;
  WordTable& operator=(WordTable&&) noexcept;
  ~WordTable();
  WordTable(const WordTable&) = delete;
  WordTable& operator=(const WordTable&) = delete;

  // Counts one more of `word`, adding it when it is new. Throws std::bad_alloc when memory
  // runs out and EOutOfMemory past 2^32 - 2 distinct words; the table is unchanged then.
  void Add(std::string_view word);
  // Adds `count` words one after the other, as Add would, faster: the index is read for
  // several words at the same time, and each word is read as 16 bytes from its start, so
  // that many bytes must be readable there also where the word is shorter (what lies past
  // its end is not used).
  static constexpr std::size_t kReadAhead = 16;
  void AddMany(const std::string_view* words, std::size_t count);

  // Adds every word of `other` with its count. Throws as Add; the words added before the
  // failure stay.
  void Merge(const WordTable& other);

  // Number of distinct words.
  std::size_t Size() const noexcept { return entries_.size(); }
  // Word i (0 <= i < Size()); a word keeps its number while the table lives, and the words
  // of one Add after another are numbered in that order. Valid while the table lives.
  std::string_view Word(std::size_t i) const noexcept {
    return {entries_[i].data, entries_[i].length};
  }
  // How often word i was counted.
  std::uint64_t Count(std::size_t i) const noexcept;
  // The sum of all counts (words kept, duplicates included).
  std::uint64_t TotalCount() const noexcept { return total_count_; }

 private:
  struct Entry {
    const char* data;
    std::size_t length;
    std::uint64_t hash;
  };
  // The first 16 bytes of a word, zero-padded, and its length (saturated at 2^32 - 1).
  struct Head {
    std::uint64_t low;
    std::uint64_t high;
    std::uint32_t length;
  };
  struct Slot {  // 32 bytes
    std::uint64_t low;
    std::uint64_t high;
    std::uint32_t length;
    std::uint32_t entry;  // entry number + 1; 0: the slot is empty
    std::uint64_t count;
  };

  static Head HeadOf(std::string_view word) noexcept;
  static Head HeadOfReadable(std::string_view word) noexcept;
  static std::uint64_t HashOf(std::string_view word, const Head& head) noexcept;
  void AddHashed(std::string_view word, const Head& head, std::uint64_t hash,
                 std::uint64_t count);
  std::size_t FindSlot(std::string_view word, const Head& head,
                       std::uint64_t hash) const noexcept;
  void Insert(std::size_t slot, std::string_view word, const Head& head, std::uint64_t hash,
              std::uint64_t count);
  void GrowIndex();
  const char* Store(std::string_view word);

  // Large arrays live in huge pages: few page faults, few address translation misses.
  std::vector<Entry, BigBufferAllocator<Entry>> entries_;
  std::vector<Slot, BigBufferAllocator<Slot>> slots_;
  std::size_t mask_ = 0;
  struct FreeChunk {
    void operator()(char* chunk) const noexcept;
  };
  std::vector<std::unique_ptr<char[], FreeChunk>> chunks_;
  char* free_ = nullptr;  // unused room of the newest chunk
  std::size_t room_ = 0;
  std::uint64_t total_count_ = 0;
};

}  // namespace quillet
