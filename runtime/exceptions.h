#pragma once
// The exception classes of Quillet. Every failure is raised as one of these; each carries
// its message text, which what() returns byte for byte; a message raised from more than one
// place is made by a static factory of its class. Only the window's event dispatch and the
// command-line tool catch them (see MessageOf).

#include <exception>
#include <string>
#include <string_view>

namespace quillet {

// Base class of every Quillet exception: carries the message text.
class Exception : public std::exception {
 public:
  explicit Exception(std::string message) : message_(std::move(message)) {}
  const char* what() const noexcept override { return message_.c_str(); }
  const std::string& Message() const noexcept { return message_; }

 private:
  std::string message_;
};

// Text-file failures. Carries the error code of the I/O table:
// 2 "File not found", 3 "Invalid filename", 4 "Too many open files", 5 "File access denied",
// 100 "Read beyond end of file", 101 "Disk full", 106 "Invalid numeric input",
// any other code "I/O error <code>".
class EInOutError : public Exception {
 public:
  explicit EInOutError(int error_code);
  // An operating-system error that is not one of the table's: keeps its own number as the
  // code and always reads "I/O error <code>", also where that number is a table code
  // (EIO is 5, yet it is no access error).
  static EInOutError Unmapped(int error_code);
  int ErrorCode() const noexcept { return error_code_; }
  // The table's message for a code.
  static std::string MessageFor(int error_code);

 private:
  EInOutError(int error_code, std::string message)
      : Exception(std::move(message)), error_code_(error_code) {}
  int error_code_;
};

// List and cell indices, sorted-list and duplicate errors.
class EListError : public Exception {
 public:
  using Exception::Exception;
  // "List index out of bounds"
  static EListError IndexOutOfBounds();
  // "Operation not allowed on sorted string list"
  static EListError SortedListOperation();
  // "String list does not allow duplicates"
  static EListError DuplicatesNotAllowed();
};

// Grid dimensions, fixed counts and the current cell.
class EInvalidGridOperation : public Exception {
 public:
  using Exception::Exception;
  // "Grid index out of range"
  static EInvalidGridOperation IndexOutOfRange();
  // "Fixed column count must be less than column count"
  static EInvalidGridOperation TooManyFixedCols();
  // "Fixed row count must be less than row count"
  static EInvalidGridOperation TooManyFixedRows();
  // "Cannot insert or delete cells through a grid line"
  static EInvalidGridOperation LineSizeFixed();
};

// Objects attached to empty cells.
class EStringSparseListError : public Exception {
 public:
  using Exception::Exception;
  // "PutObject to undefined item"
  static EStringSparseListError PutObjectToUndefined();
};

// Date-time texts in searches.
class EConvertError : public Exception {
 public:
  using Exception::Exception;
  // "'<text>' is not a valid date and time"
  static EConvertError InvalidDateTime(std::string_view text);
};

// Numbers too large for the 6-byte real: "Floating point overflow".
class EOverflow : public Exception {
 public:
  EOverflow() : Exception("Floating point overflow") {}
};

// Invalid date-time formats and AM/PM markers.
class E_Format_Invalid : public Exception {
 public:
  using Exception::Exception;
};

// Table files and order lists.
class MFileError : public Exception {
 public:
  using Exception::Exception;
  // "File <file_name> not found"
  static MFileError FileNotFound(const std::string& file_name);
  // "Incorrect list length of Order Values"
  static MFileError OrderLengthWrong();
};

// An object of the wrong class where a particular class is needed: "Invalid class typecast".
class EInvalidCast : public Exception {
 public:
  EInvalidCast() : Exception("Invalid class typecast") {}
};

// Memory exhaustion: "Out of memory".
class EOutOfMemory : public Exception {
 public:
  EOutOfMemory() : Exception("Out of memory") {}
};

// The message a user is shown for an exception that ended an operation: the message of a
// Quillet exception, "Out of memory" for std::bad_alloc, what() for other standard
// exceptions. Never throws.
std::string MessageOf(const std::exception& error) noexcept;
// The same for whatever is in flight; call it only inside a catch block.
std::string MessageOfCurrentException() noexcept;

}  // namespace quillet
