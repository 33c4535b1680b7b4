#pragma once
// Shared by the test files: checks that an action throws one exception class with one exact
// message (and, for file errors, one error code), a fixture owning a fresh folder, running a
// part of a test as an ordinary user, and skipping that turns into failing under CI.

#include <grp.h>
#include <gtest/gtest.h>
#include <pwd.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <string_view>

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

// True under CI (CI=true), where every test has to run: one that cannot fails instead.
inline bool UnderCi() {
  const char* ci = std::getenv("CI");
  return ci != nullptr && std::string_view(ci) == "true";
}

// Gives `folder` and everything in it to `user`.
inline void HandOver(const std::filesystem::path& folder, const passwd& user) {
  ASSERT_EQ(::chown(folder.c_str(), user.pw_uid, user.pw_gid), 0) << folder;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(folder)) {
    ASSERT_EQ(::lchown(entry.path().c_str(), user.pw_uid, user.pw_gid), 0) << entry.path();
  }
}

// Runs `body` as an ordinary user, for whom permissions bind. Run as root, the test hands
// `folder` to the user nobody and runs `body` in a forked child that has become nobody; what
// fails there is reported there, and the child's exit status fails the test here.
inline void RunUnprivileged(const std::filesystem::path& folder, const std::function<void()>& body) {
  if (::geteuid() != 0) return body();
  const passwd* nobody = ::getpwnam("nobody");
  ASSERT_NE(nobody, nullptr) << "no user nobody to run as";
  HandOver(folder, *nobody);
  std::fflush(nullptr);
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    if (::setgroups(0, nullptr) != 0 || ::setgid(nobody->pw_gid) != 0 ||
        ::setuid(nobody->pw_uid) != 0) {
      std::perror("becoming nobody");
      ::_exit(2);
    }
    body();
    std::fflush(nullptr);
    ::_exit(::testing::Test::HasFailure() ? 1 : 0);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0)
      << "the part run as nobody failed (its messages are above), status " << status;
}

}  // namespace quillet::test_support

// Skips the running test for `reason`; under CI, where nothing may skip, fails it instead.
#define QUILLET_SKIP_OR_FAIL(reason)                                          \
  do {                                                                        \
    if (::quillet::test_support::UnderCi()) {                                 \
      FAIL() << (reason) << " (CI=true: a test that cannot run fails)";       \
    }                                                                         \
    GTEST_SKIP() << (reason);                                                 \
  } while (false)
