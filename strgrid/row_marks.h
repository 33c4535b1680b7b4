#pragma once
// TRowMarks: one bit per row of the cell store, set once any cell of the row has been
// written. The store needs it for one rule of reading: a negative column reads as empty until
// its row has been written and fails from then on. Blocks of 2^16 rows are made on first use,
// so marks on far rows cost little.

#include <cstdint>
#include <memory>
#include <vector>

namespace quillet {

// Test and Set are inline: every cell write and move marks its row.
class TRowMarks {
 public:
  bool Test(int row) const noexcept {
    const std::uint64_t* block = BlockOf(row);
    return block != nullptr && ((block[WordOf(row)] >> BitOf(row)) & 1u) != 0;
  }
  // Marks `row` (>= 0). Throws std::bad_alloc when a new block cannot be made.
  void Set(int row) {
    std::uint64_t* block = BlockOf(row);
    if (block == nullptr) return SetRange(row, row);
    block[WordOf(row)] |= std::uint64_t{1} << BitOf(row);
  }
  // Marks rows first..last (0 <= first <= last). Throws std::bad_alloc.
  void SetRange(int first, int last);

 private:
  static constexpr int kBlockBits = 1 << 16;

  // The block of `row`, or nullptr while it has not been made.
  std::uint64_t* BlockOf(int row) const noexcept {
    const auto block = static_cast<std::size_t>(row / kBlockBits);
    return block < blocks_.size() ? blocks_[block].get() : nullptr;
  }
  static int WordOf(int row) noexcept { return row % kBlockBits / 64; }
  static int BitOf(int row) noexcept { return row % 64; }

  std::vector<std::unique_ptr<std::uint64_t[]>> blocks_;
};

}  // namespace quillet
