#pragma once
// A fault-injection seam for the text-file layer. Tests arm it to make the n-th system call
// of one kind fail with a chosen errno, so that failure paths (disk full, I/O errors, closes
// that fail) can be checked without a faulty disk. Unarmed, a check costs one relaxed load.

#include <atomic>
#include <cstdint>

namespace quillet::io_faults {

// The kinds of system call the layer reports before making them. kOpen covers opening a
// file and creating a temporary file; kFlush is the sync before a file is committed.
enum class Operation : std::uint8_t { kOpen, kRead, kWrite, kFlush, kClose };

// Makes the n-th call of kind `op` from now (counting from 1) fail with errno `err` instead
// of running; later calls run normally. Replaces an earlier arming of the same kind;
// n < 1 disarms that kind.
void FailNth(Operation op, int n, int err);

// Disarms every kind.
void Reset();

namespace detail {
inline std::atomic<int> armed_kinds{0};  // number of kinds with a pending failure
bool ConsumeSlow(Operation op, int& err);
}  // namespace detail

// Called by the layer right before a system call of kind `op`. Returns true (and sets `err`)
// when this call is the one that is to fail.
inline bool ShouldFail(Operation op, int& err) {
  if (detail::armed_kinds.load(std::memory_order_relaxed) == 0) return false;
  return detail::ConsumeSlow(op, err);
}

}  // namespace quillet::io_faults
