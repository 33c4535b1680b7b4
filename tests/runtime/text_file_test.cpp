#include "runtime/text_file.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "runtime/exceptions.h"
#include "runtime/io_faults.h"
#include "tests/test_support.h"

namespace quillet {
namespace {

namespace fs = std::filesystem;
using io_faults::Operation;
using Lines = std::vector<std::string>;
using test_support::ExpectIoError;

class TextFileTest : public test_support::TempFolderTest {
 protected:
  std::string Put(const std::string& name, const std::string& bytes) const {
    WriteFile(PathOf(name), bytes);
    return PathOf(name);
  }
  // Names in the folder, to see that no temporary file is left behind.
  std::vector<std::string> Entries() const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir_)) names.push_back(entry.path().filename());
    return names;
  }
};

Lines ReadAll(const std::string& path) {
  TTextReader reader;
  reader.Open(path);
  Lines lines;
  std::string line;
  while (!reader.Eof()) {
    reader.ReadLine(line);
    lines.push_back(line);
  }
  reader.Close();
  return lines;
}

TEST_F(TextFileTest, ReaderSplitsLinesAtCrAndStopsAtEndOfFileByte) {
  const struct {
    std::string bytes;
    Lines lines;
  } cases[] = {
      {"", {}},
      {"\r\n", {""}},
      {"a\rb\r", {"a", "b"}},
      {"a\r\nb\r\n", {"a", "b"}},
      {"a\nb\r\nc", {"a\nb", "c"}},      // a lone LF is part of the line
      {"a\n\rb", {"a\n", "b"}},          // LF CR: the LF stays, the CR ends the line
      {"a\r\rb", {"a", "", "b"}},        // CR CR gives an empty line
      {"a\r\n\nb", {"a", "\nb"}},        // only one LF belongs to the line end
      {"ab\x1A" "cd\r\nef", {"ab"}},     // 0x1A ends the file inside a line
      {"ab\r\x1A" "cd", {"ab"}},         // 0x1A right after CR
      {"\x1A" "ab", {}},
      {"last", {"last"}},                // no final line end
      {std::string("a\0b\r", 4), {std::string("a\0b", 3)}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ReadAll(Put("in.txt", c.bytes)), c.lines) << "bytes: " << c.bytes;
  }
}

TEST_F(TextFileTest, LineEndsSplitAcrossBufferBoundaries) {
  constexpr std::size_t kSize = TTextReader::kBufferSize;
  for (std::size_t length = kSize - 3; length <= kSize + 1; ++length) {
    const std::string first(length, 'x');
    EXPECT_EQ(ReadAll(Put("in.txt", first + "\r\nnext")), (Lines{first, "next"})) << length;
    EXPECT_EQ(ReadAll(Put("in.txt", first + "\r\r\nz")), (Lines{first, "", "z"})) << length;
    EXPECT_EQ(ReadAll(Put("in.txt", first + "\x1A" "tail\r\n")), (Lines{first})) << length;
  }
}

TEST_F(TextFileTest, ReadsLinesOfSeveralMegabytes) {
  std::string big(6 * 1024 * 1024 + 7, 'w');
  for (std::size_t i = 1000; i < big.size(); i += 4099) big[i] = '\n';
  EXPECT_EQ(ReadAll(Put("in.txt", big + "\r\nend")), (Lines{big, "end"}));
}

TEST_F(TextFileTest, CrAtTheEndOfOnePipeReadSwallowsLfOfTheNext) {
  const std::string path = PathOf("fifo");
  ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0);
  std::thread writer([&] {
    std::ofstream out(path, std::ios::binary);
    out << "a\r" << std::flush;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    out << "\nb";
  });
  TTextReader reader;
  reader.Open(path);
  std::string line;
  reader.ReadLine(line);
  EXPECT_EQ(line, "a");
  reader.ReadLine(line);
  EXPECT_EQ(line, "b");
  EXPECT_TRUE(reader.Eof());
  EXPECT_EQ(reader.FileSize(), 0u);
  writer.join();
}

TEST_F(TextFileTest, EofAndProgress) {
  TTextReader reader;
  reader.Open(Put("in.txt", "one\r\ntwo\x1A" "junk"));
  EXPECT_EQ(reader.FileSize(), 13u);
  EXPECT_FALSE(reader.Eof());
  std::string line = "stale";
  reader.ReadLine(line);
  EXPECT_EQ(line, "one");
  EXPECT_EQ(reader.BytesConsumed(), 5u);
  EXPECT_FALSE(reader.Eof());
  reader.ReadLine(line);
  EXPECT_EQ(line, "two");
  EXPECT_TRUE(reader.Eof());
  reader.ReadLine(line);  // reading at the end gives an empty line
  EXPECT_EQ(line, "");
  EXPECT_TRUE(reader.Eof());
  reader.Close();
  EXPECT_FALSE(reader.IsOpen());
  ExpectIoError([&] { reader.Eof(); }, 103, "I/O error 103");
}

TEST_F(TextFileTest, MovedReaderGoesOnAndLeavesTheSourceClosed) {
  TTextReader first;
  first.Open(Put("in.txt", "a\rb\r"));
  std::string line;
  first.ReadLine(line);
  TTextReader second(std::move(first));
  EXPECT_FALSE(first.IsOpen());
  second.ReadLine(line);
  EXPECT_EQ(line, "b");
  ExpectIoError([&] { first.ReadLine(line); }, 103, "I/O error 103");
}

TEST_F(TextFileTest, OpenForReadingFailuresCarryTableCodes) {
  Put("file", "x");
  const struct {
    std::string name;
    int code;
    const char* message;
  } cases[] = {
      {PathOf("missing.txt"), 2, "File not found"},
      {PathOf("no-folder/a.txt"), 3, "Invalid filename"},
      {PathOf("file/a.txt"), 3, "Invalid filename"},  // a file used as a folder
      {"", 3, "Invalid filename"},
      {std::string("a\0b", 3), 3, "Invalid filename"},
      {dir_.string(), 5, "File access denied"},
  };
  for (const auto& c : cases) {
    TTextReader reader;
    ExpectIoError([&] { reader.Open(c.name); }, c.code, c.message);
    EXPECT_FALSE(reader.IsOpen()) << c.name;
  }
}

TEST_F(TextFileTest, UnreadableFileIsAccessDenied) {
  const std::string path = Put("secret.txt", "x");
  test_support::RunUnprivileged(dir_, [&] {
    fs::permissions(path, fs::perms::none);
    TTextReader reader;
    ExpectIoError([&] { reader.Open(path); }, 5, "File access denied");
  });
}

TEST_F(TextFileTest, InjectedReaderFailures) {
  const std::string path = Put("in.txt", "a\r");
  TTextReader reader;
  io_faults::FailNth(Operation::kOpen, 1, EMFILE);
  ExpectIoError([&] { reader.Open(path); }, 4, "Too many open files");
  io_faults::FailNth(Operation::kOpen, 1, EACCES);
  ExpectIoError([&] { reader.Open(path); }, 5, "File access denied");
  reader.Open(path);
  io_faults::FailNth(Operation::kRead, 1, EIO);
  ExpectIoError([&] { reader.Eof(); }, EIO, "I/O error 5");
  io_faults::FailNth(Operation::kClose, 1, EIO);
  ExpectIoError([&] { reader.Close(); }, EIO, "I/O error 5");
  EXPECT_FALSE(reader.IsOpen());
}

TEST_F(TextFileTest, FileNamesAreCutAfter259Bytes) {
  std::string name = dir_.string() + "/";
  name += std::string(kMaxFileNameBytes - name.size(), 'n');
  ASSERT_EQ(name.size(), 259u);
  TTextWriter writer;
  writer.Create(name + "ignored");
  writer.WriteLine("cut");
  writer.Close();
  EXPECT_EQ(ReadFile(name), "cut\r\n");
  EXPECT_EQ(ReadAll(name + "/also ignored"), (Lines{"cut"}));
}

TEST_F(TextFileTest, WrittenLinesEndInCrLf) {
  const std::string path = PathOf("out.txt");
  const std::string big(TTextWriter::kBufferSize + 10, 'b');
  TTextWriter writer;
  writer.Create(path);
  writer.WriteLine("alpha");
  writer.Write("be");
  writer.WriteLine("ta");
  writer.WriteLine("");
  writer.Write(std::string_view());  // an empty cell's view may have no data pointer
  writer.WriteLine(big);
  writer.Close();
  EXPECT_EQ(ReadFile(path), "alpha\r\nbeta\r\n\r\n" + big + "\r\n");
  EXPECT_EQ(Entries(), (std::vector<std::string>{"out.txt"}));
  ExpectIoError([&] { writer.Write("x"); }, 103, "I/O error 103");
}

TEST_F(TextFileTest, FailedReplaceKeepsOldFileAndRemovesTemporary) {
  const struct {
    Operation op;
    int err;
    int code;
    const char* message;
  } cases[] = {
      {Operation::kWrite, ENOSPC, 101, "Disk full"},
      {Operation::kFlush, ENOSPC, 101, "Disk full"},
      {Operation::kClose, ENOSPC, 101, "Disk full"},
      {Operation::kWrite, EIO, EIO, "I/O error 5"},
      {Operation::kFlush, EIO, EIO, "I/O error 5"},
      {Operation::kClose, EACCES, 5, "File access denied"},
      {Operation::kFlush, EDQUOT, 101, "Disk full"},
  };
  for (const auto& c : cases) {
    const std::string path = Put("out.txt", "old\r\n");
    TTextWriter writer;
    writer.Create(path);
    writer.WriteLine("new");
    io_faults::FailNth(c.op, 1, c.err);
    ExpectIoError([&] { writer.Close(); }, c.code, c.message);
    EXPECT_FALSE(writer.IsOpen());
    EXPECT_EQ(ReadFile(path), "old\r\n") << c.message;
    EXPECT_EQ(Entries(), (std::vector<std::string>{"out.txt"})) << c.message;
  }
}

TEST_F(TextFileTest, FailedWriteOfALargeBlockAbandonsAtOnce) {
  const std::string path = Put("out.txt", "old");
  TTextWriter writer;
  writer.Create(path);
  io_faults::FailNth(Operation::kWrite, 1, ENOSPC);
  ExpectIoError([&] { writer.Write(std::string(TTextWriter::kBufferSize + 1, 'x')); }, 101,
                "Disk full");
  EXPECT_FALSE(writer.IsOpen());
  EXPECT_EQ(ReadFile(path), "old");
  EXPECT_EQ(Entries(), (std::vector<std::string>{"out.txt"}));
}

TEST_F(TextFileTest, UnclosedWriterLeavesOldFileOrNoFile) {
  const std::string old_path = Put("old.txt", "old");
  {
    TTextWriter writer;
    writer.Create(old_path);
    writer.WriteLine(std::string(TTextWriter::kBufferSize * 2, 'x'));  // reaches the temporary
    TTextWriter moved(std::move(writer));
    EXPECT_FALSE(writer.IsOpen());
    EXPECT_TRUE(moved.IsOpen());
  }
  EXPECT_EQ(ReadFile(old_path), "old");
  TTextWriter writer;
  writer.Create(PathOf("new.txt"));
  writer.Write("y");
  writer.Abandon();
  EXPECT_FALSE(writer.IsOpen());
  EXPECT_EQ(Entries(), (std::vector<std::string>{"old.txt"}));
}

TEST_F(TextFileTest, CreatingAgainCommitsTheOpenFile) {
  TTextWriter writer;
  writer.Create(PathOf("a.txt"));
  writer.WriteLine("first");
  writer.Create(PathOf("b.txt"));
  EXPECT_EQ(ReadFile(PathOf("a.txt")), "first\r\n");
  writer.Close();
  EXPECT_EQ(ReadFile(PathOf("b.txt")), "");
}

TEST_F(TextFileTest, ReplaceKeepsPermissionBitsAndOwner) {
  const std::string path = Put("out.txt", "old");
  ASSERT_EQ(::chmod(path.c_str(), 0640), 0);
  const bool root = ::geteuid() == 0;
  if (root) {
    ASSERT_EQ(::chown(path.c_str(), 4321, 4322), 0);
  }
  TTextWriter writer;
  writer.Create(path);
  writer.WriteLine("new");
  writer.Close();
  struct stat st {};
  ASSERT_EQ(::stat(path.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0640u);
  if (root) {
    EXPECT_EQ(st.st_uid, 4321u);
    EXPECT_EQ(st.st_gid, 4322u);
  }
  EXPECT_EQ(ReadFile(path), "new\r\n");
}

TEST_F(TextFileTest, NewFileGetsPermissionsFromUmask) {
  const mode_t old_mask = ::umask(027);
  TTextWriter writer;
  writer.Create(PathOf("fresh.txt"));
  writer.Close();
  ::umask(old_mask);
  struct stat st {};
  ASSERT_EQ(::stat(PathOf("fresh.txt").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0640u);
}

TEST_F(TextFileTest, SymbolicLinkTargetIsReplacedAndLinkKept) {
  const std::string target = Put("target.txt", "old");
  fs::create_directory(dir_ / "sub");
  fs::create_symlink("../target.txt", dir_ / "sub" / "link");
  fs::create_symlink("sub/link", dir_ / "chain");
  fs::create_symlink("dangling.txt", dir_ / "dangle");
  for (const char* name : {"sub/link", "chain", "dangle"}) {
    TTextWriter writer;
    writer.Create(PathOf(name));
    writer.WriteLine(name);
    writer.Close();
    EXPECT_TRUE(fs::is_symlink(dir_ / name)) << name;
  }
  EXPECT_EQ(ReadFile(target), "chain\r\n");
  EXPECT_EQ(ReadFile(PathOf("dangling.txt")), "dangle\r\n");
  EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(dir_ / "target.txt")));
}

TEST_F(TextFileTest, DevicesAreWrittenDirectly) {
  TTextWriter writer;
  writer.Create("/dev/null");
  writer.WriteLine("gone");
  writer.Close();
  EXPECT_TRUE(fs::is_character_file("/dev/null"));

  ExpectIoError(
      [&] {
        writer.Create("/dev/full");
        writer.WriteLine("no room");
        writer.Close();
      },
      101, "Disk full");
  EXPECT_FALSE(writer.IsOpen());
  EXPECT_TRUE(fs::is_character_file("/dev/full"));
}

TEST_F(TextFileTest, PipeBehindAProcessLinkIsWrittenDirectly) {
  int fds[2];
  ASSERT_EQ(::pipe(fds), 0);
  TTextWriter writer;
  writer.Create("/proc/self/fd/" + std::to_string(fds[1]));
  writer.WriteLine("piped");
  writer.Close();
  ::close(fds[1]);
  char bytes[16] = {};
  EXPECT_EQ(::read(fds[0], bytes, sizeof bytes), 7);
  EXPECT_EQ(std::string(bytes), "piped\r\n");
  ::close(fds[0]);
}

TEST_F(TextFileTest, CreateFailuresCarryTableCodes) {
  Put("file", "x");
  const struct {
    std::string name;
    int code;
    const char* message;
  } cases[] = {
      {"", 3, "Invalid filename"},
      {PathOf("no-folder/out.txt"), 3, "Invalid filename"},
      {PathOf("file/out.txt"), 3, "Invalid filename"},
      {dir_.string(), 5, "File access denied"},
  };
  for (const auto& c : cases) {
    TTextWriter writer;
    ExpectIoError([&] { writer.Create(c.name); }, c.code, c.message);
    EXPECT_FALSE(writer.IsOpen()) << c.name;
  }
  EXPECT_EQ(Entries(), (std::vector<std::string>{"file"}));
}

TEST_F(TextFileTest, ReadOnlyFileOrFolderIsAccessDenied) {
  const std::string path = Put("ro.txt", "old");
  test_support::RunUnprivileged(dir_, [&] {
    fs::permissions(path, fs::perms::owner_read);
    TTextWriter writer;
    ExpectIoError([&] { writer.Create(path); }, 5, "File access denied");
    EXPECT_EQ(ReadFile(path), "old");
    fs::permissions(dir_, fs::perms::owner_read | fs::perms::owner_exec);
    ExpectIoError([&] { writer.Create(PathOf("new.txt")); }, 5, "File access denied");
  });
}

TEST_F(TextFileTest, FolderWithoutRoomForTemporaryRefusesAndKeepsTheFile) {
  const std::string path = Put("out.txt", "old old old");
  for (const std::string& name : {path, PathOf("absent.txt")}) {
    io_faults::FailNth(Operation::kOpen, 1, EACCES);  // the temporary file cannot be made
    TTextWriter writer;
    ExpectIoError([&] { writer.Create(name); }, 5, "File access denied");
    EXPECT_FALSE(writer.IsOpen()) << name;
  }
  EXPECT_EQ(ReadFile(path), "old old old");
  EXPECT_EQ(Entries(), (std::vector<std::string>{"out.txt"}));
}

TEST_F(TextFileTest, SameFileReadFullyThenReplaced) {
  const std::string path = Put("words.txt", "b\r\na\r\n");
  Lines lines = ReadAll(path);
  std::sort(lines.begin(), lines.end());
  TTextWriter writer;
  writer.Create(path);
  for (const std::string& line : lines) writer.WriteLine(line);
  writer.Close();
  EXPECT_EQ(ReadFile(path), "a\r\nb\r\n");
}

TEST(IoErrorCodeFromErrno, MapsErrnoToTableCodes) {
  const struct {
    int err;
    int code;
    const char* message;
  } cases[] = {
      {ENOENT, 2, "File not found"},         {ENOTDIR, 3, "Invalid filename"},
      {ENAMETOOLONG, 3, "Invalid filename"}, {EINVAL, 3, "Invalid filename"},
      {EMFILE, 4, "Too many open files"},    {ENFILE, 4, "Too many open files"},
      {EACCES, 5, "File access denied"},     {EPERM, 5, "File access denied"},
      {EISDIR, 5, "File access denied"},     {EROFS, 5, "File access denied"},
      {ENOSPC, 101, "Disk full"},            {EDQUOT, 101, "Disk full"},
      {EIO, EIO, "I/O error 5"},             {ENXIO, ENXIO, "I/O error 6"},
      {EFAULT, EFAULT, "I/O error 14"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(IoErrorCodeFromErrno(c.err), c.code) << c.err;
    ExpectIoError([&] { ThrowIoError(c.err); }, c.code, c.message);
  }
}

TEST(IoFaults, FailsOnlyTheNthCallOfItsKind) {
  io_faults::Reset();
  io_faults::FailNth(Operation::kWrite, 2, ENOSPC);
  int err = 0;
  EXPECT_FALSE(io_faults::ShouldFail(Operation::kRead, err));
  EXPECT_FALSE(io_faults::ShouldFail(Operation::kWrite, err));
  EXPECT_TRUE(io_faults::ShouldFail(Operation::kWrite, err));
  EXPECT_EQ(err, ENOSPC);
  EXPECT_FALSE(io_faults::ShouldFail(Operation::kWrite, err));
  io_faults::FailNth(Operation::kOpen, 1, EIO);
  io_faults::Reset();
  EXPECT_FALSE(io_faults::ShouldFail(Operation::kOpen, err));
}

}  // namespace
}  // namespace quillet
