#include "runtime/text_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <utility>

#include "runtime/exceptions.h"
#include "runtime/io_faults.h"

namespace quillet {
namespace {

using io_faults::Operation;

constexpr char kCr = '\r';
constexpr char kLf = '\n';
constexpr char kEndOfFileByte = 0x1A;
constexpr int kInvalidNameCode = 3;
constexpr int kAccessDeniedCode = 5;
constexpr int kMaxLinkHops = 40;
constexpr std::size_t kMaxTemporaryBaseBytes = 200;  // keeps ".<base>.quillet-XXXXXX" a valid name

// Runs `call` unless the fault seam makes this call of kind `op` fail; then sets errno and
// returns -1, as a failing system call does.
template <class Call>
auto Checked(Operation op, Call call) -> decltype(call()) {
  int err = 0;
  if (io_faults::ShouldFail(op, err)) {
    errno = err;
    return -1;
  }
  return call();
}

// A close that fails still releases the descriptor on this system, and so does an
// injected failure.
int CheckedClose(int fd) {
  int err = 0;
  const bool inject = io_faults::ShouldFail(Operation::kClose, err);
  int result = ::close(fd);
  if (result != 0 && errno == EINTR) result = 0;  // the descriptor is gone either way
  if (!inject) return result;
  errno = err;
  return -1;
}

// The part of `file_name` that names the file. Throws EInOutError(3) for an empty name or
// a NUL byte inside the used part.
std::string UsableName(const std::string& file_name) {
  std::string name = file_name.substr(0, kMaxFileNameBytes);
  if (name.empty() || name.find('\0') != std::string::npos) throw EInOutError(kInvalidNameCode);
  return name;
}

std::string FolderOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

bool FolderExists(const std::string& path) {
  struct stat st {};
  return ::stat(FolderOf(path).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// Raises the error of a failed open of `path`: a missing folder is an invalid name (3)
// rather than a missing file (2).
[[noreturn]] void ThrowOpenError(const std::string& path, int err) {
  if (err == ENOENT && !FolderExists(path)) throw EInOutError(kInvalidNameCode);
  ThrowIoError(err);
}

int OpenFile(const std::string& path, int flags) {
  int fd;
  do {
    fd = Checked(Operation::kOpen, [&] { return ::open(path.c_str(), flags | O_CLOEXEC, 0666); });
  } while (fd < 0 && errno == EINTR);
  return fd;
}

}  // namespace

namespace {

// The table code of an errno that has one, 0 for the others.
int MappedCode(int err) {
  switch (err) {
    case ENOENT: return 2;
    case ENOTDIR: case ENAMETOOLONG: case EINVAL: return 3;
    case EMFILE: case ENFILE: return 4;
    case EACCES: case EPERM: case EISDIR: case EROFS: return 5;
    case ENOSPC: case EDQUOT: return 101;
    default: return 0;
  }
}

}  // namespace

int IoErrorCodeFromErrno(int err) {
  const int code = MappedCode(err);
  return code != 0 ? code : err;
}

void ThrowIoError(int err) {
  const int code = MappedCode(err);
  if (code == 0) throw EInOutError::Unmapped(err);
  throw EInOutError(code);
}

// ---- TTextReader -----------------------------------------------------------------------

TTextReader::TTextReader() = default;

TTextReader::~TTextReader() { CloseQuietly(); }

TTextReader::TTextReader(TTextReader&& other) noexcept { *this = std::move(other); }

TTextReader& TTextReader::operator=(TTextReader&& other) noexcept {
  if (this == &other) return *this;
  CloseQuietly();
  fd_ = std::exchange(other.fd_, -1);
  buffer_ = std::move(other.buffer_);
  pos_ = std::exchange(other.pos_, 0);
  end_ = std::exchange(other.end_, 0);
  ended_ = std::exchange(other.ended_, false);
  bytes_read_ = std::exchange(other.bytes_read_, 0);
  file_size_ = std::exchange(other.file_size_, 0);
  return *this;
}

void TTextReader::Open(const std::string& file_name) {
  Close();
  const std::string path = UsableName(file_name);
  const int fd = OpenFile(path, O_RDONLY);
  if (fd < 0) ThrowOpenError(path, errno);
  struct stat st {};
  const int stat_err = ::fstat(fd, &st) == 0 ? 0 : errno;
  if (stat_err != 0 || S_ISDIR(st.st_mode)) {
    ::close(fd);
    if (stat_err != 0) ThrowIoError(stat_err);
    throw EInOutError(kAccessDeniedCode);  // a folder cannot be read as text
  }
  if (!buffer_) buffer_ = std::make_unique<char[]>(kBufferSize);
  fd_ = fd;
  pos_ = end_ = 0;
  ended_ = false;
  bytes_read_ = 0;
  file_size_ = S_ISREG(st.st_mode) ? static_cast<std::uint64_t>(st.st_size) : 0;
}

bool TTextReader::Fill() {
  if (ended_) return false;
  ssize_t n;
  do {
    n = Checked(Operation::kRead, [&] { return ::read(fd_, buffer_.get(), kBufferSize); });
  } while (n < 0 && errno == EINTR);
  if (n < 0) ThrowIoError(errno);
  pos_ = 0;
  end_ = static_cast<std::size_t>(n);
  bytes_read_ += end_;
  if (n == 0) ended_ = true;
  return n > 0;
}

bool TTextReader::Eof() {
  RequireOpen();
  if (ended_) return true;
  if (pos_ == end_ && !Fill()) return true;
  if (buffer_[pos_] == kEndOfFileByte) ended_ = true;
  return ended_;
}

void TTextReader::ReadLine(std::string& line) {
  RequireOpen();
  line.clear();
  while (!Eof()) {
    const char* start = buffer_.get() + pos_;
    const std::size_t available = end_ - pos_;
    const auto* cr = static_cast<const char*>(std::memchr(start, kCr, available));
    std::size_t span = cr != nullptr ? static_cast<std::size_t>(cr - start) : available;
    // A 0x1A before the CR ends the line there; the next Eof() sees it.
    if (const void* sub = std::memchr(start, kEndOfFileByte, span)) {
      cr = nullptr;
      span = static_cast<std::size_t>(static_cast<const char*>(sub) - start);
    }
    line.append(start, span);
    pos_ += span;
    if (cr != nullptr) {
      ++pos_;
      SwallowLfAfterCr();
      return;
    }
  }
}

std::size_t TTextReader::ReadBlock(char* buffer, std::size_t size) {
  RequireOpen();
  if (size == 0) return 0;
  if (pos_ < end_) {
    const std::size_t n = std::min(size, end_ - pos_);
    std::memcpy(buffer, buffer_.get() + pos_, n);
    pos_ += n;
    return n;
  }
  ssize_t n;
  do {
    n = Checked(Operation::kRead, [&] { return ::read(fd_, buffer, size); });
  } while (n < 0 && errno == EINTR);
  if (n < 0) ThrowIoError(errno);
  bytes_read_ += static_cast<std::uint64_t>(n);
  return static_cast<std::size_t>(n);
}

// An LF right after a CR belongs to the line end, also when it starts the next block.
void TTextReader::SwallowLfAfterCr() {
  if (pos_ == end_ && !Fill()) return;
  if (buffer_[pos_] == kLf) ++pos_;
}

void TTextReader::Close() {
  if (fd_ < 0) return;
  const int fd = std::exchange(fd_, -1);
  if (CheckedClose(fd) != 0) ThrowIoError(errno);
}

void TTextReader::CloseQuietly() noexcept {
  if (fd_ >= 0) ::close(std::exchange(fd_, -1));
}

void TTextReader::RequireOpen() const {
  if (fd_ < 0) throw EInOutError(kFileNotOpenCode);
}

// ---- TTextWriter -----------------------------------------------------------------------

struct TTextWriter::Target {
  std::string path;       // the file to write, links followed
  bool exists = false;
  bool regular = false;   // only regular files (and new names) are replaced
  struct stat st {};
};

namespace {

std::string LinkTarget(const std::string& link) {
  std::string target(256, '\0');
  for (;;) {
    const ssize_t n = ::readlink(link.c_str(), target.data(), target.size());
    if (n < 0) ThrowIoError(errno);
    if (static_cast<std::size_t>(n) < target.size()) {
      target.resize(static_cast<std::size_t>(n));
      break;
    }
    target.resize(target.size() * 2);
  }
  if (target.empty() || target.front() == '/' || link.find('/') == std::string::npos) return target;
  return FolderOf(link) + "/" + target;
}

// Where a name that does not exist yet will be created: a dangling link's final target.
std::string FollowDanglingLinks(std::string path) {
  for (int hop = 0; hop < kMaxLinkHops; ++hop) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return path;
    path = LinkTarget(path);
  }
  ThrowIoError(ELOOP);
}

// The umask, read without changing it where the system reports it.
mode_t CurrentUmask() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("Umask:", 0) == 0) return static_cast<mode_t>(std::strtoul(line.c_str() + 6, nullptr, 8));
  }
  const mode_t mask = ::umask(022);
  ::umask(mask);
  return mask;
}

std::string TemporaryPattern(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  const std::string folder = slash == std::string::npos ? "" : path.substr(0, slash + 1);
  const std::string base = path.substr(slash == std::string::npos ? 0 : slash + 1);
  return folder + "." + base.substr(0, kMaxTemporaryBaseBytes) + ".quillet-XXXXXX";
}

}  // namespace

TTextWriter::TTextWriter() = default;

TTextWriter::~TTextWriter() { Abandon(); }

TTextWriter::TTextWriter(TTextWriter&& other) noexcept { *this = std::move(other); }

TTextWriter& TTextWriter::operator=(TTextWriter&& other) noexcept {
  if (this == &other) return *this;
  Abandon();
  fd_ = std::exchange(other.fd_, -1);
  mode_ = other.mode_;
  target_ = std::move(other.target_);
  temporary_ = std::move(other.temporary_);
  target_mode_ = other.target_mode_;
  target_uid_ = other.target_uid_;
  target_gid_ = other.target_gid_;
  keep_owner_ = other.keep_owner_;
  buffer_ = std::move(other.buffer_);
  used_ = std::exchange(other.used_, 0);
  other.Reset();
  return *this;
}

void TTextWriter::Create(const std::string& file_name) {
  Close();
  const Target target = ResolveTarget(UsableName(file_name));
  if (!buffer_) buffer_ = std::make_unique<char[]>(kBufferSize);
  used_ = 0;
  if (target.exists && !target.regular) return OpenDirect(target.path);
  // Replacing goes around the file's own permission: check it as opening it would.
  if (target.exists && ::faccessat(AT_FDCWD, target.path.c_str(), W_OK, AT_EACCESS) != 0) {
    ThrowIoError(errno);
  }
  OpenReplacement(target);
}

TTextWriter::Target TTextWriter::ResolveTarget(const std::string& name) {
  Target target;
  if (::stat(name.c_str(), &target.st) != 0) {
    if (errno != ENOENT) ThrowOpenError(name, errno);
    target.path = FollowDanglingLinks(name);
    return target;
  }
  target.exists = true;
  target.regular = S_ISREG(target.st.st_mode);
  target.path = name;  // devices and FIFOs are opened by the name given
  if (!target.regular) return target;
  std::unique_ptr<char, decltype(&std::free)> real(::realpath(name.c_str(), nullptr), &std::free);
  if (real == nullptr) ThrowIoError(errno);
  target.path = real.get();
  return target;
}

void TTextWriter::OpenReplacement(const Target& target) {
  // Everything that may allocate happens before the file exists, so that a failure can
  // never leave a temporary file behind that nothing knows about.
  std::string temporary = TemporaryPattern(target.path);
  std::string target_path = target.path;
  const int fd = Checked(Operation::kOpen, [&] { return ::mkostemp(temporary.data(), O_CLOEXEC); });
  // No fallback to writing the file in place: emptying it first would lose the old text
  // when a later write fails.
  if (fd < 0) ThrowOpenError(target.path, errno);
  fd_ = fd;
  mode_ = Mode::kReplace;
  target_ = std::move(target_path);
  temporary_ = std::move(temporary);
  keep_owner_ = target.exists;
  target_mode_ = target.exists ? (target.st.st_mode & 07777) : (0666 & ~CurrentUmask());
  target_uid_ = target.st.st_uid;
  target_gid_ = target.st.st_gid;
}

void TTextWriter::OpenDirect(const std::string& path) {
  std::string target_path = path;  // allocate before the file is opened
  const int fd = OpenFile(path, O_WRONLY | O_CREAT | O_TRUNC);
  if (fd < 0) ThrowOpenError(path, errno);
  fd_ = fd;
  mode_ = Mode::kDirect;
  target_ = std::move(target_path);
}

void TTextWriter::Write(std::string_view text) {
  if (fd_ < 0) throw EInOutError(kFileNotOpenCode);
  if (text.empty()) return;  // an empty view may carry a null pointer, which memcpy must not get
  if (text.size() > kBufferSize - used_) {
    FlushBuffer();
    if (text.size() >= kBufferSize) return WriteAll(text.data(), text.size());
  }
  std::memcpy(buffer_.get() + used_, text.data(), text.size());
  used_ += text.size();
}

void TTextWriter::WriteLine(std::string_view text) {
  Write(text);
  Write("\r\n");
}

void TTextWriter::FlushBuffer() {
  if (used_ == 0) return;
  const std::size_t size = std::exchange(used_, 0);
  WriteAll(buffer_.get(), size);
}

void TTextWriter::WriteAll(const char* data, std::size_t size) {
  while (size > 0) {
    const ssize_t n = Checked(Operation::kWrite, [&] { return ::write(fd_, data, size); });
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) Fail(errno);
    if (n == 0) Fail(ENOSPC);  // a write that takes nothing makes no progress
    data += n;
    size -= static_cast<std::size_t>(n);
  }
}

void TTextWriter::Close() {
  if (fd_ < 0) return;
  FlushBuffer();
  if (mode_ == Mode::kReplace) Commit();
  const int fd = std::exchange(fd_, -1);
  if (CheckedClose(fd) != 0) Fail(errno);
  if (mode_ == Mode::kReplace && ::rename(temporary_.c_str(), target_.c_str()) != 0) Fail(errno);
  Reset();
}

// Makes the temporary file durable and gives it the old file's owner and permissions
// before it takes the old file's place.
void TTextWriter::Commit() {
  if (Checked(Operation::kFlush, [&] { return ::fsync(fd_); }) != 0) Fail(errno);
  if (keep_owner_ && (target_uid_ != ::geteuid() || target_gid_ != ::getegid())) {
    (void)::fchown(fd_, target_uid_, target_gid_);  // best effort: only root may give files away
  }
  if (::fchmod(fd_, target_mode_) != 0) Fail(errno);
}

void TTextWriter::Fail(int err) {
  Abandon();
  ThrowIoError(err);
}

void TTextWriter::Abandon() noexcept {
  if (fd_ >= 0) ::close(fd_);
  if (mode_ == Mode::kReplace && !temporary_.empty()) ::unlink(temporary_.c_str());
  Reset();
}

void TTextWriter::Reset() noexcept {
  fd_ = -1;
  mode_ = Mode::kDirect;
  target_.clear();
  temporary_.clear();
  keep_owner_ = false;
  used_ = 0;
}

}  // namespace quillet
