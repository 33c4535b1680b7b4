#pragma once
// TRowMarks: one bit per row of the cell store, set once any cell of the row has been
// written. The store needs it for one rule of reading: a negative column reads as empty until
// its row has been written and fails from then on. Blocks of 2^16 rows are made on first use,
// so marks on far rows cost little.

#include <cstdint>
#include <memory>
#include <vector>

namespace quillet {

class TRowMarks {
 public:
  bool Test(int row) const noexcept;
  // Marks `row` (>= 0). Throws std::bad_alloc when a new block cannot be made.
  void Set(int row);
  // Marks rows first..last (0 <= first <= last). Throws std::bad_alloc.
  void SetRange(int first, int last);

 private:
  static constexpr int kBlockBits = 1 << 16;
  std::vector<std::unique_ptr<std::uint64_t[]>> blocks_;
};

}  // namespace quillet
