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

EListError EListError::IndexOutOfBounds() { return EListError("List index out of bounds"); }

EListError EListError::SortedListOperation() {
  return EListError("Operation not allowed on sorted string list");
}

EListError EListError::DuplicatesNotAllowed() {
  return EListError("String list does not allow duplicates");
}

EInvalidGridOperation EInvalidGridOperation::IndexOutOfRange() {
  return EInvalidGridOperation("Grid index out of range");
}

EInvalidGridOperation EInvalidGridOperation::TooManyFixedCols() {
  return EInvalidGridOperation("Fixed column count must be less than column count");
}

EInvalidGridOperation EInvalidGridOperation::TooManyFixedRows() {
  return EInvalidGridOperation("Fixed row count must be less than row count");
}

EInvalidGridOperation EInvalidGridOperation::LineSizeFixed() {
  return EInvalidGridOperation("Cannot insert or delete cells through a grid line");
}

EStringSparseListError EStringSparseListError::PutObjectToUndefined() {
  return EStringSparseListError("PutObject to undefined item");
}

EConvertError EConvertError::InvalidDateTime(std::string_view text) {
  return EConvertError("'" + std::string(text) + "' is not a valid date and time");
}

MFileError MFileError::FileNotFound(const std::string& file_name) {
  return MFileError("File " + file_name + " not found");
}

MFileError MFileError::OrderLengthWrong() {
  return MFileError("Incorrect list length of Order Values");
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
