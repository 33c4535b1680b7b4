#pragma once
// Shared pieces of the fuzz harnesses: a reader that cuts the fuzzer's bytes into the
// inputs of one run, a check that aborts (which the fuzzer records as a crash), and files
// in memory or in a private scratch folder.

#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

namespace quillet::fuzz {

// Aborts with `what` when `condition` is false. Used for the invariants a harness checks;
// the abort is what the fuzzer reports and what the replay test fails on.
inline void Check(bool condition, const char* what) {
  if (condition) return;
  std::fprintf(stderr, "fuzz invariant broken: %s\n", what);
  std::abort();
}

// Cuts a run's bytes into pieces: a piece is one length byte followed by up to that many
// bytes (fewer when the input ends); Rest() takes what is left. Never reads past the end.
class FuzzInput {
 public:
  FuzzInput(const std::uint8_t* data, std::size_t size)
      : data_(reinterpret_cast<const char*>(data)), size_(size) {}

  // One byte, 0 when the input is used up.
  std::uint8_t Byte() {
    if (pos_ >= size_) return 0;
    return static_cast<std::uint8_t>(data_[pos_++]);
  }
  // A piece of at most `max_length` bytes (the length byte is taken modulo max_length + 1).
  std::string Text(std::size_t max_length = 255) {
    const std::size_t wanted = Byte() % (max_length + 1);
    return Take(wanted);
  }
  std::string Rest() { return Take(size_ - pos_); }

 private:
  std::string Take(std::size_t wanted) {
    const std::size_t n = wanted < size_ - pos_ ? wanted : size_ - pos_;
    std::string piece(data_ + pos_, n);
    pos_ += n;
    return piece;
  }

  const char* data_;
  std::size_t size_;
  std::size_t pos_ = 0;
};

// An anonymous in-memory file holding `bytes`, opened by name through /proc/self/fd.
// The descriptor is closed with the object.
class MemoryFile {
 public:
  explicit MemoryFile(std::string_view bytes) {
    fd_ = ::memfd_create("quillet-fuzz", MFD_CLOEXEC);
    Check(fd_ >= 0, "memfd_create");
    std::size_t done = 0;
    while (done < bytes.size()) {
      const ssize_t n = ::write(fd_, bytes.data() + done, bytes.size() - done);
      Check(n > 0, "write to memfd");
      done += static_cast<std::size_t>(n);
    }
    name_ = "/proc/self/fd/" + std::to_string(fd_);
  }
  ~MemoryFile() { ::close(fd_); }
  MemoryFile(const MemoryFile&) = delete;
  MemoryFile& operator=(const MemoryFile&) = delete;

  const std::string& Name() const { return name_; }

 private:
  int fd_ = -1;
  std::string name_;
};

// A scratch folder for the process, /dev/shm/quillet-fuzz-<pid> (/tmp when there is no
// /dev/shm), made on first use and removed at exit together with what is left in it; the
// folders of ended processes are removed when a new one is made.
const std::string& ScratchFolder();

// The whole content of a file; aborts when it cannot be read.
std::string ReadWholeFile(const std::string& path);

// The environment every harness runs in: a fixed locale, so that collation is the same
// from run to run.
void UseFixedLocale();

}  // namespace quillet::fuzz
