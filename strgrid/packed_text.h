#pragma once
// PackedText: a text of 8-bit bytes in 16 bytes. Texts of up to 15 bytes are held inline,
// longer ones on the heap. Used for cells and key list entries, of which a table can hold
// tens of millions, so it avoids the size and the allocation of std::string.
//
// Layout: byte 15 is the tag. A tag of 0..15 is the length of an inline text in bytes
// 0..14; kHeapTag means bytes 0..7 hold the heap pointer and bytes 8..11 the length.
// The members are plain bytes, so the type needs only 1-byte alignment and packs densely
// next to 4-byte fields.

#include <cstdint>
#include <cstring>
#include <new>
#include <string>
#include <string_view>

namespace quillet {

class PackedText {
 public:
  static constexpr std::size_t kInlineCapacity = 15;

  PackedText() noexcept { bytes_[kTagIndex] = 0; }
  explicit PackedText(std::string_view text) { Init(text); }
  PackedText(const PackedText& other) { Init(other.View()); }
  PackedText(PackedText&& other) noexcept {
    std::memcpy(bytes_, other.bytes_, sizeof bytes_);
    other.bytes_[kTagIndex] = 0;
  }
  PackedText& operator=(const PackedText& other) {
    if (this != &other) Assign(other.View());
    return *this;
  }
  PackedText& operator=(PackedText&& other) noexcept {
    if (this != &other) {
      Release();
      std::memcpy(bytes_, other.bytes_, sizeof bytes_);
      other.bytes_[kTagIndex] = 0;
    }
    return *this;
  }
  ~PackedText() { Release(); }

  // Replaces the text. Throws std::bad_alloc when a long text cannot be allocated; the
  // old text is then kept.
  void Assign(std::string_view text) {
    PackedText fresh(text);
    *this = std::move(fresh);
  }
  void Clear() noexcept {
    Release();
    bytes_[kTagIndex] = 0;
  }

  std::string_view View() const noexcept {
    if (!IsHeap()) return {reinterpret_cast<const char*>(bytes_), bytes_[kTagIndex]};
    return {HeapPointer(), HeapLength()};
  }
  std::string Str() const { return std::string(View()); }
  std::size_t Size() const noexcept { return IsHeap() ? HeapLength() : bytes_[kTagIndex]; }
  bool Empty() const noexcept { return Size() == 0; }

  friend void swap(PackedText& a, PackedText& b) noexcept {
    unsigned char tmp[sizeof a.bytes_];
    std::memcpy(tmp, a.bytes_, sizeof tmp);
    std::memcpy(a.bytes_, b.bytes_, sizeof tmp);
    std::memcpy(b.bytes_, tmp, sizeof tmp);
  }

 private:
  static constexpr std::size_t kTagIndex = 15;
  static constexpr unsigned char kHeapTag = 0xFF;

  bool IsHeap() const noexcept { return bytes_[kTagIndex] == kHeapTag; }
  char* HeapPointer() const noexcept {
    char* pointer;
    std::memcpy(&pointer, bytes_, sizeof pointer);
    return pointer;
  }
  std::uint32_t HeapLength() const noexcept {
    std::uint32_t length;
    std::memcpy(&length, bytes_ + 8, sizeof length);
    return length;
  }
  void Init(std::string_view text) {
    if (text.size() <= kInlineCapacity) {
      if (!text.empty()) std::memcpy(bytes_, text.data(), text.size());
      bytes_[kTagIndex] = static_cast<unsigned char>(text.size());
      return;
    }
    if (text.size() > UINT32_MAX) throw std::bad_alloc();  // lengths are held in 32 bits
    char* pointer = new char[text.size()];
    std::memcpy(pointer, text.data(), text.size());
    const auto length = static_cast<std::uint32_t>(text.size());
    std::memcpy(bytes_, &pointer, sizeof pointer);
    std::memcpy(bytes_ + 8, &length, sizeof length);
    bytes_[kTagIndex] = kHeapTag;
  }
  void Release() noexcept {
    if (IsHeap()) delete[] HeapPointer();
  }

  unsigned char bytes_[16];
};

static_assert(sizeof(PackedText) == 16);
static_assert(alignof(PackedText) == 1);

}  // namespace quillet
