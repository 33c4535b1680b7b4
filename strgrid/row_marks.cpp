#include "strgrid/row_marks.h"

#include <algorithm>

namespace quillet {

void TRowMarks::SetRange(int first, int last) {
  for (int row = first;;) {
    const auto block = static_cast<std::size_t>(row / kBlockBits);
    if (block >= blocks_.size()) blocks_.resize(block + 1);
    if (!blocks_[block]) blocks_[block].reset(new std::uint64_t[kBlockBits / 64]());
    const std::int64_t block_end = (static_cast<std::int64_t>(block) + 1) * kBlockBits - 1;
    const int block_last = static_cast<int>(std::min<std::int64_t>(last, block_end));
    for (int bit = row % kBlockBits; bit <= block_last % kBlockBits; ++bit)
      blocks_[block][bit / 64] |= std::uint64_t{1} << (bit % 64);
    if (block_last == last) break;  // also keeps row from passing INT_MAX
    row = block_last + 1;
  }
}

}  // namespace quillet
