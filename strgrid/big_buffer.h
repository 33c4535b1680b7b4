#pragma once
// BigBufferAllocator: a standard allocator for arrays that may grow to hundreds of
// megabytes (the key list's entries, a sort's cached values). Blocks of at least 2 MiB are
// aligned to 2 MiB and offered to the kernel for huge pages, which saves a page fault per
// 4 KiB when the array is first written and most of the address translation misses when it
// is read in random order. Smaller blocks come from malloc. Contents are left
// uninitialised like std::allocator's.

#include <sys/mman.h>

#include <cstddef>
#include <cstdlib>
#include <new>

namespace quillet {

inline constexpr std::size_t kHugePageBytes = std::size_t{2} << 20;

// Allocates `bytes` (huge-page backed when large). Throws std::bad_alloc.
inline void* AllocateBigBuffer(std::size_t bytes) {
  if (bytes < kHugePageBytes) {
    void* block = std::malloc(bytes == 0 ? 1 : bytes);
    if (block == nullptr) throw std::bad_alloc();
    return block;
  }
  const std::size_t rounded = (bytes + kHugePageBytes - 1) / kHugePageBytes * kHugePageBytes;
  void* block = std::aligned_alloc(kHugePageBytes, rounded);
  if (block == nullptr) throw std::bad_alloc();
  madvise(block, rounded, MADV_HUGEPAGE);  // only a hint: failure changes nothing
  return block;
}

template <class T>
struct BigBufferAllocator {
  using value_type = T;
  BigBufferAllocator() noexcept = default;
  template <class U>
  BigBufferAllocator(const BigBufferAllocator<U>&) noexcept {}

  T* allocate(std::size_t n) {
    if (n > static_cast<std::size_t>(-1) / 2 / sizeof(T)) throw std::bad_alloc();
    return static_cast<T*>(AllocateBigBuffer(n * sizeof(T)));
  }
  void deallocate(T* block, std::size_t) noexcept { std::free(block); }

  template <class U>
  bool operator==(const BigBufferAllocator<U>&) const noexcept {
    return true;
  }
};

}  // namespace quillet
