// Runs a whole conversion of a small input again and again, making the N-th allocation
// (through operator new) after arming throw std::bad_alloc, for N = 1, 2, 3, ... until a
// run gets through without reaching the failing allocation. Every run must either end
// with "Out of memory" or complete with the right output; a failed run must leave the older
// output file byte for byte and no temporary file in the folder. Crashes and leaks are
// caught by the sanitizers the test tree is built with.

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>
#include <set>
#include <string>

#include "app/conversion.h"
#include "runtime/exceptions.h"
#include "tests/robustness/robustness_support.h"

namespace {

std::atomic<long> allocations_left{0};  // 0: not armed
std::atomic<bool> failure_reached{false};

bool ShouldFailAllocation() {
  if (allocations_left.load(std::memory_order_relaxed) == 0) return false;
  if (allocations_left.fetch_sub(1) != 1) return false;
  failure_reached = true;
  return true;
}

void* Allocate(std::size_t size) {
  if (ShouldFailAllocation()) throw std::bad_alloc();
  if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
  throw std::bad_alloc();
}

void* AllocateAligned(std::size_t size, std::align_val_t align) {
  if (ShouldFailAllocation()) throw std::bad_alloc();
  const auto alignment = static_cast<std::size_t>(align);
  const std::size_t rounded = (size + alignment - 1) / alignment * alignment;
  if (void* p = std::aligned_alloc(alignment, rounded == 0 ? alignment : rounded)) return p;
  throw std::bad_alloc();
}

}  // namespace

void* operator new(std::size_t size) { return Allocate(size); }
void* operator new[](std::size_t size) { return Allocate(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  try { return Allocate(size); } catch (const std::bad_alloc&) { return nullptr; }
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
  try { return Allocate(size); } catch (const std::bad_alloc&) { return nullptr; }
}
void* operator new(std::size_t size, std::align_val_t align) { return AllocateAligned(size, align); }
void* operator new[](std::size_t size, std::align_val_t align) { return AllocateAligned(size, align); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
void operator delete(void* p, std::align_val_t) noexcept { std::free(p); }
void operator delete[](void* p, std::align_val_t) noexcept { std::free(p); }
void operator delete(void* p, std::size_t, std::align_val_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t, std::align_val_t) noexcept { std::free(p); }

namespace quillet::robustness {
namespace {

struct RunOutcome {
  bool completed = false;
  bool failure_reached = false;
  std::string message;  // MessageOf the exception that ended the run
};

// One conversion with the n-th allocation failing, on whichever thread it comes; the
// conversion is made inside the armed stretch too, as the command-line tool makes it for
// every run.
RunOutcome RunWithFailingAllocation(PlainRun& run, long n) {
  RunOutcome outcome;
  failure_reached = false;
  allocations_left = n;
  try {
    TWordListConversion conversion;
    conversion.Run(run.options, run.host);
    outcome.completed = true;
  } catch (...) {
    outcome.message = MessageOfCurrentException();
  }
  allocations_left = 0;
  outcome.failure_reached = failure_reached;
  return outcome;
}

// Where the run writes: over an older output, over its own input, or a new file.
enum class OutputKind { kOlderFile, kSameAsInput, kNewFile };

class AllocationFailureTest : public ::testing::TestWithParam<OutputKind> {};

TEST_P(AllocationFailureTest, EveryFailingAllocationEndsTheRunCleanly) {
  const OutputKind kind = GetParam();
  ScratchFolder folder;
  const std::string input = folder.Path("input.txt");
  const std::string output = kind == OutputKind::kSameAsInput ? input : folder.Path("output.txt");
  const std::set<std::string> before = kind == OutputKind::kOlderFile
                                           ? std::set<std::string>{"input.txt", "output.txt"}
                                           : std::set<std::string>{"input.txt"};
  const std::set<std::string> after{"input.txt", kind == OutputKind::kSameAsInput ? "input.txt" : "output.txt"};
  long n = 1;
  for (;; ++n) {
    ASSERT_LT(n, 100000) << "the runs never get through";
    folder.RemoveAllBut({});
    WriteFile(input, kSmallInput);
    if (kind == OutputKind::kOlderFile) WriteFile(output, kOldOutput);
    PlainRun run;
    run.options.input_name = input;
    run.options.output_name = output;
    const RunOutcome outcome = RunWithFailingAllocation(run, n);
    SCOPED_TRACE("allocation " + std::to_string(n) + " failed");
    if (outcome.completed) {
      EXPECT_EQ(folder.Entries(), after);
      EXPECT_EQ(ReadFile(output), kSmallOutput);
      EXPECT_EQ(run.last_status, AllProcessDoneText(9));
      if (!outcome.failure_reached) break;
    } else {
      EXPECT_TRUE(outcome.failure_reached) << outcome.message;
      EXPECT_EQ(outcome.message, "Out of memory");
      EXPECT_EQ(folder.Entries(), before) << "a temporary or partial file was left";
      if (kind == OutputKind::kOlderFile) {
        EXPECT_EQ(ReadFile(output), kOldOutput);
      }
      EXPECT_EQ(ReadFile(input), kSmallInput);
    }
    if (HasFailure()) break;
  }
  EXPECT_GT(n, 10) << "a conversion allocates more than this";
  RecordProperty("failing_allocations_tried", static_cast<int>(n - 1));
}

INSTANTIATE_TEST_SUITE_P(Output, AllocationFailureTest,
                         ::testing::Values(OutputKind::kOlderFile, OutputKind::kSameAsInput,
                                           OutputKind::kNewFile),
                         [](const auto& param_info) {
                           switch (param_info.param) {
                             case OutputKind::kOlderFile: return "OlderFile";
                             case OutputKind::kSameAsInput: return "SameAsInput";
                             case OutputKind::kNewFile: return "NewFile";
                           }
                           return "";
                         });

}  // namespace
}  // namespace quillet::robustness
