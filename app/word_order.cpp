#include "app/word_order.h"

#include <algorithm>
#include <atomic>
#include <string>
#include <string_view>

#include "app/thread_team.h"
#include "app/word_table.h"
#include "runtime/collation.h"

namespace quillet {
namespace {

// Below this many words per thread another thread is not worth starting.
constexpr std::size_t kWordsPerThread = 4096;

// A word to sort, with the first 8 bytes of its key as a big-endian number (zero-padded:
// keys hold no zero byte, so a key that is a prefix of another still comes first). Most
// comparisons end at these numbers, without reading the keys.
struct SortItem {
  std::uint64_t head;
  std::uint32_t word;
};

std::uint64_t KeyHead(std::string_view key) {
  std::uint64_t head = 0;
  for (std::size_t i = 0; i < 8; ++i) {
    head = head << 8 | (i < key.size() ? static_cast<unsigned char>(key[i]) : 0u);
  }
  return head;
}

// Key first, then the word's bytes.
struct ItemLess {
  const WordTable* table;
  const std::vector<std::string_view>* keys;

  bool operator()(const SortItem& a, const SortItem& b) const {
    if (a.head != b.head) return a.head < b.head;
    const int by_key = (*keys)[a.word].compare((*keys)[b.word]);
    return by_key != 0 ? by_key < 0 : table->Word(a.word) < table->Word(b.word);
  }
};

// Orders the words of a table. The keys are made in chunks of words that the threads take
// one after the other (words differ much in what their keys cost: a Chinese phrase costs
// many times an English word), each chunk's keys in an arena of its own. Then each thread
// sorts one stretch of the words, and the sorted stretches are merged.
class Ordering {
 public:
  Ordering(const WordTable& table, unsigned threads)
      : table_(table),
        keys_(table.Size()),
        items_(table.Size()),
        arenas_((table.Size() + kChunkWords - 1) / kChunkWords) {
    const std::size_t useful = table.Size() / kWordsPerThread + 1;
    const std::size_t count = std::min<std::size_t>(std::max(threads, 1u), useful);
    for (std::size_t k = 0; k <= count; ++k) bounds_.push_back(table.Size() * k / count);
  }

  std::vector<std::uint32_t> Order() {
    const auto count = static_cast<unsigned>(bounds_.size() - 1);
    RunTeam(count, [this](unsigned) { MakeKeys(); }, [this] { next_chunk_ = arenas_.size(); });
    RunTeam(count, [this](unsigned member) { SortStretch(member); }, [] {});
    for (unsigned k = 1; k < count; ++k) {
      std::inplace_merge(items_.begin(), items_.begin() + Bound(k), items_.begin() + Bound(k + 1),
                         ItemLess{&table_, &keys_});
    }
    std::vector<std::uint32_t> order(items_.size());
    for (std::size_t i = 0; i < items_.size(); ++i) order[i] = items_[i].word;
    return order;
  }

 private:
  static constexpr std::size_t kChunkWords = 1024;

  std::ptrdiff_t Bound(unsigned k) const { return static_cast<std::ptrdiff_t>(bounds_[k]); }

  void MakeKeys() {
    std::vector<std::size_t> ends;
    for (std::size_t c; (c = next_chunk_++) < arenas_.size();) {
      const std::size_t first = c * kChunkWords;
      const std::size_t last = std::min(first + kChunkWords, table_.Size());
      std::string& arena = arenas_[c];
      ends.clear();
      for (std::size_t i = first; i < last; ++i) {
        arena += LocaleSortKey(table_.Word(i));
        ends.push_back(arena.size());
      }
      std::size_t begin = 0;
      for (std::size_t i = first; i < last; ++i) {  // the arena is complete: views stay valid
        keys_[i] = std::string_view(arena).substr(begin, ends[i - first] - begin);
        begin = ends[i - first];
        items_[i] = {KeyHead(keys_[i]), static_cast<std::uint32_t>(i)};
      }
    }
  }

  void SortStretch(unsigned member) {
    std::sort(items_.begin() + Bound(member), items_.begin() + Bound(member + 1),
              ItemLess{&table_, &keys_});
  }

  const WordTable& table_;
  std::vector<std::size_t> bounds_;  // stretch k is words bounds_[k] .. bounds_[k + 1] - 1
  std::vector<std::string_view> keys_;
  std::vector<SortItem> items_;
  std::vector<std::string> arenas_;  // the keys of chunk c, one after the other
  std::atomic<std::size_t> next_chunk_{0};
};

}  // namespace

std::vector<std::uint32_t> WriteOrder(const WordTable& table, unsigned threads) {
  return Ordering(table, threads).Order();
}

}  // namespace quillet
