// Runs the quillet-convert binary (path from the build) and checks its exit codes, its
// status lines on stdout, its messages on stderr and the files it writes.

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "tests/test_support.h"

namespace {

struct Result {
  int exit_code = -1;
  std::string out, err;
};

class QuilletConvertTest : public quillet::test_support::TempFolderTest {
 protected:

  // Runs the tool with `args`, stdout into a file, stderr into a file or, with
  // `stderr_terminal`, a pseudo-terminal; `memory_limit` bytes of address space when not 0.
  Result Run(const std::vector<std::string>& args, rlim_t memory_limit = 0,
             bool stderr_terminal = false) const {
    const int terminal = stderr_terminal ? posix_openpt(O_RDWR | O_NOCTTY) : -1;
    if (terminal >= 0 && (grantpt(terminal) != 0 || unlockpt(terminal) != 0)) return {};
    return Finish(Start(args, memory_limit, terminal >= 0 ? ptsname(terminal) : ""), terminal);
  }

  // Starts the tool as Run does, stderr into `err_path` (a file of the folder when empty).
  pid_t Start(const std::vector<std::string>& args, rlim_t memory_limit = 0,
              const std::string& err_path = "") const {
    const std::string out = PathOf("stdout");
    const std::string err = err_path.empty() ? PathOf("stderr") : err_path;
    std::vector<char*> argv{const_cast<char*>(QUILLET_CONVERT_PATH)};
    for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    const pid_t pid = fork();
    if (pid == 0) {
      dup2(open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644), STDOUT_FILENO);
      dup2(open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOCTTY, 0644), STDERR_FILENO);
      if (memory_limit != 0) {
        const rlimit limit{memory_limit, memory_limit};
        setrlimit(RLIMIT_AS, &limit);
      }
      execv(argv[0], argv.data());
      _exit(127);
    }
    return pid;
  }

  // Waits for the tool started by Start; `terminal` is the pseudo-terminal of its stderr,
  // or -1.
  Result Finish(pid_t pid, int terminal = -1) const {
    Result result;
    int status = 0;
    waitpid(pid, &status, 0);
    result.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    result.out = ReadFile(PathOf("stdout"));
    result.err = terminal >= 0 ? Drain(terminal) : ReadFile(PathOf("stderr"));
    return result;
  }

  // What is left to read on a pseudo-terminal whose other side has closed; closes it.
  static std::string Drain(int terminal) {
    std::string text;
    char buffer[4096];
    fcntl(terminal, F_SETFL, O_NONBLOCK);
    for (ssize_t n; (n = read(terminal, buffer, sizeof buffer)) > 0;) text.append(buffer, n);
    close(terminal);
    return text;
  }

};

constexpr const char* kPhases =
    "Starting Convert, Please Wait....\n"
    "Convert Done! Sorting Data, Wait....\n"
    "Sort Done! Delete Dupelication Data, Wait....\n";

TEST_F(QuilletConvertTest, CompletedRunPrintsEveryStatusAndExitsZero) {
  WriteFile(PathOf("in.txt"), "Hello, World! 42\r\nhello again\r\n");
  const Result r = Run({"--default-filter", "--progress", PathOf("in.txt"), PathOf("out.txt")});
  EXPECT_EQ(r.exit_code, 0);
  EXPECT_EQ(r.out, std::string(kPhases) + "All Process Done! 3 Words Saved!\n");
  EXPECT_EQ(r.err, "");  // no progress bar: stderr is not a terminal
  EXPECT_EQ(ReadFile(PathOf("out.txt")), "again\r\nhello\r\nworld\r\n");
}

TEST_F(QuilletConvertTest, ProgressBarGoesToATerminalOnStderrOnly) {
  WriteFile(PathOf("in.txt"), "some words for the bar\r\n");
  const std::vector<std::string> args{"--progress", PathOf("in.txt"), PathOf("out.txt")};
  const Result r = Run(args, 0, true);
  EXPECT_EQ(r.exit_code, 0);
  EXPECT_EQ(r.out, std::string(kPhases) + "All Process Done! 2 Words Saved!\n");
  EXPECT_NE(r.err.find("reading "), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("sorting "), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("100%"), std::string::npos) << r.err;
  const Result quiet = Run({PathOf("in.txt"), PathOf("out.txt")}, 0, true);  // no --progress
  EXPECT_EQ(quiet.err, "");
}

TEST_F(QuilletConvertTest, OptionsReachTheConversion) {
  struct Case { std::vector<std::string> options; const char* output; };
  const Case cases[] = {
      {{}, "abcd\r\nbcd,e\r\n"},                                   // min length 3, no filter
      {{"--min-length", "0"}, "a\r\nabcd\r\nbcd,e\r\n"},
      {{"--filter", " ,"}, "abcd\r\n"},                            // trimmed to ","
      {{"--upper", "--min-length", "-1"}, "A\r\nABCD\r\nBCD,E\r\n"},
      {{"--threads", "3"}, "abcd\r\nbcd,e\r\n"},
      {{"--", "--filter"}, nullptr},                               // three names
  };
  WriteFile(PathOf("in.txt"), "a abcd bcd,e\r\n");
  for (const Case& c : cases) {
    std::vector<std::string> args = c.options;
    args.push_back(PathOf("in.txt"));
    args.push_back(PathOf("out.txt"));
    const Result r = Run(args);
    if (c.output == nullptr) {
      EXPECT_EQ(r.exit_code, 2);
      continue;
    }
    EXPECT_EQ(r.exit_code, 0) << r.err;
    EXPECT_EQ(ReadFile(PathOf("out.txt")), c.output) << args.front();
  }
}

TEST_F(QuilletConvertTest, EmptyNamesStopAfterTheirStatusLine) {
  WriteFile(PathOf("in.txt"), "words\r\n");
  Result r = Run({"", PathOf("out.txt")});
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_EQ(r.out, "Input File Name InCorrect!\n");
  EXPECT_EQ(r.err, "");
  r = Run({PathOf("in.txt"), ""});
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_EQ(r.out, "Output File Name InCorrect!\n");
  EXPECT_FALSE(std::filesystem::exists(PathOf("out.txt")));
}

TEST_F(QuilletConvertTest, FailurePrintsTheMessageWithAFullStop) {
  WriteFile(PathOf("out.txt"), "old\r\n");
  Result r = Run({PathOf("missing.txt"), PathOf("out.txt")});
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_EQ(r.out, "Starting Convert, Please Wait....\n");
  EXPECT_EQ(r.err, "File not found.\n");
  EXPECT_EQ(ReadFile(PathOf("out.txt")), "old\r\n");

  WriteFile(PathOf("in.txt"), "words\r\n");
  r = Run({PathOf("in.txt"), PathOf("no-folder/out.txt")});
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_EQ(r.out, kPhases);
  EXPECT_EQ(r.err, "Invalid filename.\n");
}

#if !QUILLET_SANITIZED  // the sanitizers reserve more address space than the limit allows
TEST_F(QuilletConvertTest, MemoryExhaustionEndsTheRunWithOutOfMemory) {
  {
    std::ofstream input(PathOf("in.txt"), std::ios::binary);  // 400000 distinct words, one line
    for (long i = 0; i < 400000; ++i) input << 'w' << i * 7919 << "x ";
  }
  const Result r = Run({"--min-length", "0", PathOf("in.txt"), PathOf("out.txt")}, 48u << 20);
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_EQ(r.err, "Out of memory.\n");
  EXPECT_FALSE(std::filesystem::exists(PathOf("out.txt")));
}
#endif

// Reading a FIFO: an interrupt while the input is still open ends the run once its reading
// stops, exit 130, with the older output as it was.
TEST_F(QuilletConvertTest, InterruptEndsTheRunAndKeepsTheOldOutput) {
  const std::string fifo = PathOf("input.fifo");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  WriteFile(PathOf("out.txt"), "old\r\n");
  const pid_t pid = Start({fifo, PathOf("out.txt")});
  {
    std::ofstream input(fifo, std::ios::binary);  // opens once the tool reads
    for (int i = 0; i < 300000; ++i) input << "some words of a stream\r\n";  // 7 MB
    input.flush();
    kill(pid, SIGINT);
  }
  const Result r = Finish(pid);
  EXPECT_EQ(r.exit_code, 130);
  EXPECT_EQ(r.out, "Starting Convert, Please Wait....\n");
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(ReadFile(PathOf("out.txt")), "old\r\n");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir_), {}), 4);  // no temporary
}

TEST_F(QuilletConvertTest, HelpAndUsageErrors) {
  const Result help = Run({"--help"});
  EXPECT_EQ(help.exit_code, 0);
  EXPECT_EQ(help.out.rfind("usage: quillet-convert", 0), 0u);
  EXPECT_EQ(help.err, "");

  const std::vector<std::vector<std::string>> misuses = {
      {}, {"in.txt"}, {"a", "b", "c"}, {"--bogus", "a", "b"}, {"a", "b", "--filter"},
      {"--min-length"}, {"--filter", "x", "--default-filter", "a", "b"},
      {"--threads", "0", "a", "b"}, {"--threads", "two", "a", "b"}};
  for (const auto& args : misuses) {
    const Result r = Run(args);
    EXPECT_EQ(r.exit_code, 2) << args.size();
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err.rfind("quillet-convert: ", 0), 0u) << r.err;
  }
}

}  // namespace
