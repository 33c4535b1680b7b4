// Makes the N-th open, read, write, flush or close of the text-file layer fail with ENOSPC,
// EIO or EACCES during a whole conversion, for N = 1, 2, ... until a run gets through
// without reaching the failure. A failed run must raise EInOutError with the right code and
// message, leave the older output byte for byte, leave no temporary file and close every
// file it opened.

#include <gtest/gtest.h>

#include <cerrno>
#include <set>
#include <string>

#include "app/conversion.h"
#include "runtime/exceptions.h"
#include "runtime/io_faults.h"
#include "tests/robustness/robustness_support.h"

namespace quillet::robustness {
namespace {

using io_faults::Operation;

struct FaultCase {
  const char* name;
  Operation op;
  int err;
  int code;             // the EInOutError code expected
  const char* message;  // and its message
};

const FaultCase kFaultCases[] = {
    {"OpenDiskFull", Operation::kOpen, ENOSPC, 101, "Disk full"},
    {"OpenIoError", Operation::kOpen, EIO, 5, "I/O error 5"},
    {"OpenAccessDenied", Operation::kOpen, EACCES, 5, "File access denied"},
    {"ReadDiskFull", Operation::kRead, ENOSPC, 101, "Disk full"},
    {"ReadIoError", Operation::kRead, EIO, 5, "I/O error 5"},
    {"ReadAccessDenied", Operation::kRead, EACCES, 5, "File access denied"},
    {"WriteDiskFull", Operation::kWrite, ENOSPC, 101, "Disk full"},
    {"WriteIoError", Operation::kWrite, EIO, 5, "I/O error 5"},
    {"WriteAccessDenied", Operation::kWrite, EACCES, 5, "File access denied"},
    {"FlushDiskFull", Operation::kFlush, ENOSPC, 101, "Disk full"},
    {"FlushIoError", Operation::kFlush, EIO, 5, "I/O error 5"},
    {"FlushAccessDenied", Operation::kFlush, EACCES, 5, "File access denied"},
    {"CloseDiskFull", Operation::kClose, ENOSPC, 101, "Disk full"},
    {"CloseIoError", Operation::kClose, EIO, 5, "I/O error 5"},
    {"CloseAccessDenied", Operation::kClose, EACCES, 5, "File access denied"},
};

struct RunOutcome {
  bool completed = false;
  bool fault_consumed = false;
  int code = 0;
  std::string message;
};

RunOutcome RunWithFault(PlainRun& run, const FaultCase& fault, int n) {
  RunOutcome outcome;
  io_faults::FailNth(fault.op, n, fault.err);
  try {
    TWordListConversion conversion;
    conversion.Run(run.options, run.host);
    outcome.completed = true;
  } catch (const EInOutError& error) {
    outcome.code = error.ErrorCode();
    outcome.message = error.Message();
  } catch (...) {
    outcome.message = "unexpected: " + MessageOfCurrentException();
  }
  // An armed kind that was not consumed is still counted as armed.
  outcome.fault_consumed = io_faults::detail::armed_kinds.load() == 0;
  io_faults::Reset();
  return outcome;
}

class IoFailureTest : public ::testing::TestWithParam<FaultCase> {
 protected:
  void TearDown() override { io_faults::Reset(); }
};

TEST_P(IoFailureTest, FailedRunReportsTheErrorAndLeavesTheOldOutput) {
  const FaultCase& fault = GetParam();
  ScratchFolder folder;
  const std::string input = folder.Path("input.txt");
  const std::string output = folder.Path("output.txt");
  int failed_runs = 0;
  int n = 1;
  for (;; ++n) {
    ASSERT_LT(n, 1000) << "the runs never get through";
    WriteFile(input, kSmallInput);
    WriteFile(output, kOldOutput);
    PlainRun run;
    run.options.input_name = input;
    run.options.output_name = output;
    const int descriptors = OpenDescriptorCount();
    const RunOutcome outcome = RunWithFault(run, fault, n);
    SCOPED_TRACE("call " + std::to_string(n) + " failed");
    EXPECT_EQ(OpenDescriptorCount(), descriptors) << "a file was left open";
    EXPECT_EQ(folder.Entries(), (std::set<std::string>{"input.txt", "output.txt"}));
    EXPECT_EQ(ReadFile(input), kSmallInput);
    if (!outcome.completed) {
      ++failed_runs;
      EXPECT_TRUE(outcome.fault_consumed);
      EXPECT_EQ(outcome.code, fault.code);
      EXPECT_EQ(outcome.message, fault.message);
      EXPECT_EQ(ReadFile(output), kOldOutput);
    } else {
      // The layer has no fallback: no run gets through an injected failure.
      EXPECT_FALSE(outcome.fault_consumed);
      EXPECT_EQ(ReadFile(output), kSmallOutput);
      if (!outcome.fault_consumed) break;
    }
    if (HasFailure()) break;
  }
  EXPECT_GE(failed_runs, 1) << "no call of this kind failed a run";
}

INSTANTIATE_TEST_SUITE_P(Faults, IoFailureTest, ::testing::ValuesIn(kFaultCases),
                         [](const auto& param_info) { return std::string(param_info.param.name); });

}  // namespace
}  // namespace quillet::robustness
