#include "runtime/exceptions.h"

#include <gtest/gtest.h>

#include <new>

namespace quillet {
namespace {

TEST(EInOutError, CarriesCodeAndTableMessage) {
  const struct {
    int code;
    const char* message;
  } cases[] = {{2, "File not found"},        {3, "Invalid filename"},
               {4, "Too many open files"},   {5, "File access denied"},
               {100, "Read beyond end of file"}, {101, "Disk full"},
               {106, "Invalid numeric input"}, {32, "I/O error 32"},
               {5000, "I/O error 5000"}};
  for (const auto& c : cases) {
    const EInOutError error(c.code);
    EXPECT_EQ(error.ErrorCode(), c.code);
    EXPECT_STREQ(error.what(), c.message);
  }
}

TEST(Exceptions, FixedMessages) {
  EXPECT_STREQ(EOverflow().what(), "Floating point overflow");
  EXPECT_STREQ(EInvalidCast().what(), "Invalid class typecast");
  EXPECT_STREQ(EOutOfMemory().what(), "Out of memory");
  EXPECT_STREQ(MFileError("File a.txt not found").what(), "File a.txt not found");
}

TEST(MessageOf, BadAllocReadsOutOfMemory) {
  try {
    throw std::bad_alloc();
  } catch (...) {
    EXPECT_EQ(MessageOfCurrentException(), "Out of memory");
  }
  try {
    throw EListError("List index out of bounds");
  } catch (...) {
    EXPECT_EQ(MessageOfCurrentException(), "List index out of bounds");
  }
}

}  // namespace
}  // namespace quillet
