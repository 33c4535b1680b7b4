#include "app/word_collector.h"

#include <algorithm>
#include <cmath>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <utility>

#include "app/thread_team.h"
#include "runtime/text_file.h"
#include "strgrid/big_buffer.h"

namespace quillet {
namespace {

constexpr char kEndOfTextByte = 0x1A;

// Block memory comes in huge pages where it is large enough: one page fault per 2 MiB.
struct FreeBytes {
  void operator()(char* bytes) const noexcept { std::free(bytes); }
};
using Bytes = std::unique_ptr<char[], FreeBytes>;

// Room for `size` bytes and the bytes the word table reads past a block's last word.
Bytes NewBytes(std::size_t size) {
  return Bytes(static_cast<char*>(AllocateBigBuffer(size + WordTable::kReadAhead)));
}

struct Block {
  Bytes data;
  std::size_t capacity = 0;
  std::size_t size = 0;
};

// Blocks on their way between the reading thread and the workers. At most `max_blocks`
// blocks exist; their lists never allocate. Stop wakes every waiting thread for good.
class BlockQueue {
 public:
  // Thrown to the reading thread when the queue was stopped (a worker failed meanwhile).
  struct Stopped {};

  explicit BlockQueue(std::size_t max_blocks) : max_blocks_(max_blocks) {
    ready_.reserve(max_blocks);
    spare_.reserve(max_blocks);
  }

  // An empty block of exactly `capacity` bytes: a returned one, or a new one while fewer
  // than the maximum exist; waits otherwise. Throws Stopped once the queue is stopped.
  Block TakeSpare(std::size_t capacity) {
    Block block;
    {
      std::unique_lock lock(mutex_);
      spare_cv_.wait(lock, [&] { return stopped_ || !spare_.empty() || made_ < max_blocks_; });
      if (stopped_) throw Stopped();
      if (spare_.empty()) {
        ++made_;
      } else {
        block = std::move(spare_.back());
        spare_.pop_back();
      }
    }
    if (block.capacity != capacity) {  // new, or grown for a long line
      block.data.reset();
      block.data = NewBytes(capacity);
      block.capacity = capacity;
    }
    block.size = 0;
    return block;
  }

  void Hand(Block block) {
    std::lock_guard lock(mutex_);
    ready_.push_back(std::move(block));
    ready_cv_.notify_one();
  }

  // For a worker: the next block to cut; false when no more will come.
  bool Next(Block& block) {
    std::unique_lock lock(mutex_);
    ready_cv_.wait(lock, [&] { return stopped_ || closed_ || !ready_.empty(); });
    if (stopped_ || ready_.empty()) return false;
    block = std::move(ready_.back());
    ready_.pop_back();
    return true;
  }

  void Return(Block block) {
    std::lock_guard lock(mutex_);
    spare_.push_back(std::move(block));
    spare_cv_.notify_one();
  }

  // No more blocks will be handed on; the workers finish the ones there are.
  void Close() {
    std::lock_guard lock(mutex_);
    closed_ = true;
    ready_cv_.notify_all();
  }

  void Stop() noexcept {
    std::lock_guard lock(mutex_);
    stopped_ = true;
    ready_cv_.notify_all();
    spare_cv_.notify_all();
  }

 private:
  std::mutex mutex_;
  std::condition_variable ready_cv_;
  std::condition_variable spare_cv_;
  std::vector<Block> ready_;
  std::vector<Block> spare_;
  std::size_t made_ = 0;
  std::size_t max_blocks_;
  bool closed_ = false;
  bool stopped_ = false;
};

void CutBlocks(BlockQueue& queue, const WordCutter& cutter, WordTable& table) {
  Block block;
  CutScratch scratch;
  while (queue.Next(block)) {
    cutter.Cut(block.data.get(), block.size, table, scratch);
    queue.Return(std::move(block));
  }
}

// Reads into the block until it holds `want` bytes (at most its capacity) or the text ends;
// true when the text ended (at a 0x1A byte, which is not kept, or at the physical end).
bool Fill(TTextReader& reader, Block& block, std::size_t want) {
  while (block.size < want) {
    char* fresh = block.data.get() + block.size;
    const std::size_t n = reader.ReadBlock(fresh, want - block.size);
    if (n == 0) return true;
    if (const void* stop = std::memchr(fresh, kEndOfTextByte, n)) {
      block.size += static_cast<std::size_t>(static_cast<const char*>(stop) - fresh);
      return true;
    }
    block.size += n;
  }
  return false;
}

// The size of the block's part up to and with its last CR or LF; 0 when it holds none
// after its first `searched` bytes (which are known to hold none).
std::size_t AfterLastLineEnd(const Block& block, std::size_t searched) {
  for (std::size_t i = block.size; i > searched; --i) {
    const char c = block.data[i - 1];
    if (c == '\r' || c == '\n') return i;
  }
  return 0;
}

void Grow(Block& block) {
  Bytes larger = NewBytes(block.capacity * 2);
  std::memcpy(larger.get(), block.data.get(), block.size);
  block.data = std::move(larger);
  block.capacity *= 2;
}

// How many bytes a new block should hold before it is handed on: all it can, but never
// more than an eighth of a worker's share of what is left of a file of known size (and no
// less than a 32nd of a block), so that a small file is spread over all workers too and the
// workers get the last bytes in even shares and finish together. More than the block holds
// already.
std::size_t Want(const Block& block, std::size_t block_size, std::uint64_t file_size,
                 std::uint64_t bytes_read, unsigned workers) {
  std::uint64_t want = block.capacity;
  if (file_size > bytes_read) {
    const std::uint64_t share = (file_size - bytes_read) / (8 * workers);
    want = std::min<std::uint64_t>(want, std::max<std::uint64_t>(share, block_size / 32));
  }
  want = std::max<std::uint64_t>(want, block.size + 1);
  return static_cast<std::size_t>(std::min<std::uint64_t>(want, block.capacity));
}

// A block begins with the rest of the line the block before ended in (no line end in it).
// Bytes are searched for a line end once: a block that has none reads on, and grows when
// it is full.
void ReadBlocks(TTextReader& reader, BlockQueue& queue, std::size_t block_size, unsigned workers,
                const std::function<void(std::uint64_t)>& after_block) {
  Block block = queue.TakeSpare(block_size);
  std::size_t searched = 0;
  std::size_t want = Want(block, block_size, reader.FileSize(), reader.BytesConsumed(), workers);
  while (!Fill(reader, block, want)) {
    const std::size_t cut = AfterLastLineEnd(block, searched);
    if (cut == 0) {  // a line longer than what the block has read so far
      searched = block.size;
      if (block.size == block.capacity) Grow(block);
      want = block.capacity;
      continue;
    }
    const std::size_t rest = block.size - cut;
    Block next = queue.TakeSpare(std::max(block_size, rest));
    std::memcpy(next.data.get(), block.data.get() + cut, rest);
    next.size = searched = rest;
    block.size = cut;
    queue.Hand(std::move(block));
    block = std::move(next);
    want = Want(block, block_size, reader.FileSize(), reader.BytesConsumed(), workers);
    if (after_block) after_block(reader.BytesConsumed());
  }
  queue.Hand(std::move(block));
}

// About how many distinct words a worker meets in a text of `bytes` bytes: the vocabulary
// of running text grows about as the square root of its length (some 40,000 words in
// 10 MB of English, 120,000 in 100 MB), and every worker meets most of it. Sizing the
// tables for it spares them most of their growing. Past 100,000 words the tables grow as
// the words come, so that a long text of a small vocabulary takes no more memory.
std::size_t ExpectedWords(std::uint64_t bytes) {
  const double words = 8000.0 * std::sqrt(static_cast<double>(bytes) / 1e6);
  return static_cast<std::size_t>(std::min(words, 100000.0));
}

}  // namespace

WordCollector::WordCollector(const WordCutter& cutter, unsigned workers, std::size_t block_size)
    : cutter_(cutter),
      workers_(std::max(workers, 1u)),
      block_size_(std::max<std::size_t>(block_size, 1)) {}

void WordCollector::Collect(TTextReader& reader,
                            const std::function<void(std::uint64_t)>& after_block) {
  for (std::size_t k = tables_.size(); k < workers_; ++k) {
    tables_.emplace_back(ExpectedWords(reader.FileSize()));
  }
  BlockQueue queue(workers_ + 2);  // one being read, one taking its rest, one per worker
  RunTeam(
      workers_ + 1,
      [&](unsigned member) {
        if (member > 0) return CutBlocks(queue, cutter_, tables_[member - 1]);
        ReadBlocks(reader, queue, BlockSizeFor(reader.FileSize()), workers_, after_block);
        queue.Close();
      },
      [&] { queue.Stop(); });
}

// Blocks of a quarter of a worker's share of a file of known size, when that is less than
// the block size (but not below 64 KiB): a small file needs no large blocks.
std::size_t WordCollector::BlockSizeFor(std::uint64_t file_size) const {
  if (file_size == 0) return block_size_;
  const std::uint64_t share = std::max<std::uint64_t>(file_size / (4 * workers_), 64 << 10);
  return static_cast<std::size_t>(std::min<std::uint64_t>(block_size_, share));
}

WordTable WordCollector::Finish() {
  if (tables_.empty()) return WordTable();
  // The largest table takes in the others: the fewest words move.
  const auto largest = std::max_element(tables_.begin(), tables_.end(),
                                        [](const WordTable& a, const WordTable& b) {
                                          return a.Size() < b.Size();
                                        });
  WordTable result = std::move(*largest);
  for (auto it = tables_.begin(); it != tables_.end(); ++it) {
    if (it == largest) continue;
    result.Merge(*it);
    *it = WordTable();  // its memory goes before the next table grows the result
  }
  tables_.clear();
  return result;
}

}  // namespace quillet
