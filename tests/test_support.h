#pragma once
// Shared by the test files: checks that an action throws one exception class with one exact
// message (and, for file errors, one error code), and a fixture owning a fresh folder.

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>

#include "runtime/exceptions.h"
#include "runtime/io_faults.h"

namespace quillet::test_support {

// Runs `action`; it must throw E whose what() is exactly `message`.
template <typename E>
void ExpectError(const std::function<void()>& action, const std::string& message) {
  try {
    action();
    ADD_FAILURE() << "no exception, expected: " << message;
  } catch (const E& error) {
    EXPECT_EQ(std::string(error.what()), message);
  }
}

// Runs `action`; it must throw EInOutError with `code` and exactly `message`.
inline void ExpectIoError(const std::function<void()>& action, int code,
                          const std::string& message) {
  try {
    action();
    ADD_FAILURE() << "no EInOutError, expected " << message;
  } catch (const EInOutError& error) {
    EXPECT_EQ(error.ErrorCode(), code);
    EXPECT_EQ(std::string(error.what()), message);
  }
}

// A fresh folder per test, removed afterwards (owner permissions are restored first, so a
// test may lock entries away); the I/O fault seam is disarmed on both ends.
class TempFolderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    io_faults::Reset();
    std::string pattern =
        (std::filesystem::temp_directory_path() / "quillet-test-XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    dir_ = pattern;
  }
  void TearDown() override {
    io_faults::Reset();
    if (dir_.empty()) return;
    std::filesystem::permissions(dir_, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add);
    std::filesystem::remove_all(dir_);
  }

  std::string PathOf(const std::string& name) const { return (dir_ / name).string(); }
  static void WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
  }
  // The whole file; empty when it cannot be read.
  static std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
  }

  std::filesystem::path dir_;
};

}  // namespace quillet::test_support
