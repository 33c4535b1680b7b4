#include "runtime/exceptions.h"

#include <new>

namespace quillet {

std::string EInOutError::MessageFor(int error_code) {
  switch (error_code) {
    case 2: return "File not found";
    case 3: return "Invalid filename";
    case 4: return "Too many open files";
    case 5: return "File access denied";
    case 100: return "Read beyond end of file";
    case 101: return "Disk full";
    case 106: return "Invalid numeric input";
    default: return "I/O error " + std::to_string(error_code);
  }
}

EInOutError::EInOutError(int error_code)
    : Exception(MessageFor(error_code)), error_code_(error_code) {}

EInOutError EInOutError::Unmapped(int error_code) {
  return EInOutError(error_code, "I/O error " + std::to_string(error_code));
}

std::string MessageOf(const std::exception& error) noexcept {
  try {
    if (dynamic_cast<const std::bad_alloc*>(&error) != nullptr) return "Out of memory";
    return error.what();
  } catch (...) {
    return {};
  }
}

std::string MessageOfCurrentException() noexcept {
  try {
    throw;
  } catch (const std::exception& error) {
    return MessageOf(error);
  } catch (...) {
    return "Unknown exception";
  }
}

}  // namespace quillet
