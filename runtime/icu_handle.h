#pragma once
// What every unit that calls ICU shares: IcuHandle, the owner of one ICU handle, the
// failure of an ICU call as an exception, and the check of a length handed to ICU.

#include <unicode/utypes.h>

#include <climits>
#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>

#include "runtime/exceptions.h"

namespace quillet {

// Owns one ICU handle; copy deleted, move empties the source, closes quietly.
template <typename T, void (*Close)(T*)>
class IcuHandle {
 public:
  IcuHandle() = default;
  explicit IcuHandle(T* handle) : handle_(handle) {}
  IcuHandle(const IcuHandle&) = delete;
  IcuHandle& operator=(const IcuHandle&) = delete;
  IcuHandle(IcuHandle&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}
  IcuHandle& operator=(IcuHandle&& other) noexcept {
    if (this != &other) {
      Reset();
      handle_ = std::exchange(other.handle_, nullptr);
    }
    return *this;
  }
  ~IcuHandle() { Reset(); }
  T* get() const { return handle_; }

 private:
  void Reset() noexcept {
    if (handle_ != nullptr) Close(handle_);
    handle_ = nullptr;
  }
  T* handle_ = nullptr;
};

// ICU's memory shortage is "Out of memory" like everywhere else; any other failure names
// the call and ICU's error.
[[noreturn]] inline void ThrowIcu(const char* what, UErrorCode status) {
  if (status == U_MEMORY_ALLOCATION_ERROR) throw EOutOfMemory();
  throw Exception(std::string(what) + ": " + u_errorName(status));
}

// ICU counts in int32_t: a longer text cannot be handed to it (EOutOfMemory).
inline int32_t IcuLength(std::size_t length) {
  if (length > static_cast<std::size_t>(INT32_MAX)) throw EOutOfMemory();
  return static_cast<int32_t>(length);
}

}  // namespace quillet
