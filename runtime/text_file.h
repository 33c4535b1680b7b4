#pragma once
// The text-file layer: reading files as lines and writing lines, with every failure raised
// as EInOutError carrying the code of the I/O error table.
//
// File names are used up to their first kMaxFileNameBytes bytes. An empty name, or one that
// holds a NUL byte within those bytes, is an invalid name (code 3).

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include <sys/types.h>

namespace quillet {

// Bytes of a file name that are used; the rest is ignored.
inline constexpr std::size_t kMaxFileNameBytes = 259;
// The code raised when a closed reader or writer is asked to read or write.
inline constexpr int kFileNotOpenCode = 103;

// Maps an errno value to the I/O table code: ENOENT 2; ENOTDIR, ENAMETOOLONG, EINVAL 3;
// EMFILE, ENFILE 4; EACCES, EPERM, EISDIR, EROFS 5; ENOSPC, EDQUOT 101; any other errno
// keeps its own number.
int IoErrorCodeFromErrno(int err);

// Raises the EInOutError for an errno: a mapped code with the table's message, any other
// errno as EInOutError::Unmapped(err) ("I/O error <err>").
[[noreturn]] void ThrowIoError(int err);

// Reads a file as text lines. A line ends at CR (0x0D); an LF (0x0A) directly after that CR
// belongs to the line end; a lone LF is an ordinary byte of the line. A byte 0x1A ends the
// file (it and all after it are ignored) and so does the physical end. The last line needs
// no line end; lines may be of any length. Reading is buffered in blocks of kBufferSize.
// Copying is not allowed; moving leaves the source closed. The destructor closes quietly.
class TTextReader {
 public:
  static constexpr std::size_t kBufferSize = 256 * 1024;

  TTextReader();
  ~TTextReader();
  TTextReader(const TTextReader&) = delete;
  TTextReader& operator=(const TTextReader&) = delete;
  TTextReader(TTextReader&& other) noexcept;
  TTextReader& operator=(TTextReader&& other) noexcept;

  // Opens `file_name` (its first 259 bytes) for reading; an open reader is closed first.
  // Throws EInOutError: 2 "File not found" for a missing file, 3 "Invalid filename" for an
  // empty or NUL-holding name or a missing folder, 4 "Too many open files", 5 "File access
  // denied" for no permission or a directory, any other errno as "I/O error <errno>".
  void Open(const std::string& file_name);

  bool IsOpen() const { return fd_ >= 0; }

  // True when the next byte is 0x1A or there is none. May read from the file.
  // Throws EInOutError for a read failure, 103 when the reader is not open.
  bool Eof();

  // Replaces `line` with the next line, without its line end; at the end of the file
  // gives "". Throws EInOutError for a read failure, 103 when the reader is not open.
  void ReadLine(std::string& line);

  // Reads up to `size` bytes of the file as they are, without looking for line ends or
  // 0x1A (the caller ends the text there), into `buffer`: bytes the reader has buffered
  // first, then one read of the file. Returns the number of bytes given, 0 only at the
  // physical end. Throws EInOutError for a read failure, 103 when the reader is not open.
  std::size_t ReadBlock(char* buffer, std::size_t size);

  // Closes the file; does nothing when not open. Throws EInOutError when the close fails
  // (the reader is closed all the same).
  void Close();

  // Bytes of the file taken by ReadLine so far, line ends included (for progress reports).
  std::uint64_t BytesConsumed() const { return bytes_read_ - (end_ - pos_); }
  // The file's size when it was opened; 0 when it has none (a pipe, a device).
  std::uint64_t FileSize() const { return file_size_; }

 private:
  bool Fill();  // reads the next block when the buffer is used up; false at the physical end
  void SwallowLfAfterCr();
  void CloseQuietly() noexcept;
  void RequireOpen() const;

  int fd_ = -1;
  std::unique_ptr<char[]> buffer_;
  std::size_t pos_ = 0;  // next unread byte in buffer_
  std::size_t end_ = 0;  // bytes of buffer_ that hold data
  bool ended_ = false;   // 0x1A or the physical end has been reached
  std::uint64_t bytes_read_ = 0;
  std::uint64_t file_size_ = 0;
};

// Writes text: each WriteLine appends the text and CR LF. Output is buffered in blocks of
// kBufferSize; nothing is final before Close().
//
// A regular file, or a name that does not exist yet, is replaced safely: the text goes to a
// temporary file ".<name>.quillet-XXXXXX" in the same folder, which Close() flushes to disk,
// gives the old file's permission bits (0666 less the umask for a new file) and owner, and
// renames over the target. A symbolic link is followed and its target replaced; the link
// stays. A failure part-way, Abandon() or destruction without Close() removes the temporary
// file and leaves the old file as it was (or no file, for a new name). A regular file is
// never written in place: when its folder refuses the temporary file, Create() fails with
// that error (5 "File access denied" for a folder without write permission) and the file
// keeps its text.
// A target that exists and is not a regular file (a device, a FIFO) has no text to keep: it
// is written directly and never replaced. A failure part-way leaves on it the bytes written
// out before the failure (they go out in blocks of up to kBufferSize bytes).
// Copying is not allowed; moving leaves the source closed.
class TTextWriter {
 public:
  static constexpr std::size_t kBufferSize = 256 * 1024;

  TTextWriter();
  ~TTextWriter();
  TTextWriter(const TTextWriter&) = delete;
  TTextWriter& operator=(const TTextWriter&) = delete;
  TTextWriter(TTextWriter&& other) noexcept;
  TTextWriter& operator=(TTextWriter&& other) noexcept;

  // Starts writing `file_name` (its first 259 bytes); an open writer is closed (committed)
  // first. Throws EInOutError: 3 "Invalid filename" for an empty or NUL-holding name or a
  // missing folder, 5 "File access denied" for a file or folder without write permission
  // (also a writable file in a folder that takes no temporary file) or a directory, other
  // errnos as for ThrowIoError. A failed Create() leaves the target untouched.
  void Create(const std::string& file_name);

  bool IsOpen() const { return fd_ >= 0; }

  // Appends the bytes of `text` as they are.
  // Throws EInOutError when a write fails (the writer is then abandoned), 103 when not open.
  void Write(std::string_view text);

  // Appends `text` and CR LF. Throws as Write.
  void WriteLine(std::string_view text);

  // Writes out what is buffered and commits the file (see the class comment); does nothing
  // when not open. Throws EInOutError (101 "Disk full", ...) on failure; the writer is then
  // abandoned and the old file is unchanged (for a replaced file).
  void Close();

  // Drops what has been written: removes the temporary file and keeps the old file. A device
  // or FIFO written directly keeps what has reached it. Does nothing when not open.
  void Abandon() noexcept;

 private:
  enum class Mode : std::uint8_t { kReplace, kDirect };

  struct Target;
  static Target ResolveTarget(const std::string& name);
  void OpenReplacement(const Target& target);
  void OpenDirect(const std::string& path);
  void FlushBuffer();
  void WriteAll(const char* data, std::size_t size);
  void Commit();
  [[noreturn]] void Fail(int err);
  void Reset() noexcept;

  int fd_ = -1;
  Mode mode_ = Mode::kDirect;
  std::string target_;     // the file that is replaced (links followed)
  std::string temporary_;  // the temporary file while replacing
  mode_t target_mode_ = 0;
  uid_t target_uid_ = 0;
  gid_t target_gid_ = 0;
  bool keep_owner_ = false;
  std::unique_ptr<char[]> buffer_;
  std::size_t used_ = 0;
};

}  // namespace quillet
