#include "runtime/io_faults.h"

#include <array>
#include <mutex>

namespace quillet::io_faults {
namespace {

struct Pending {
  int countdown = 0;  // 0: not armed; otherwise calls left until the failing one
  int err = 0;
};

std::mutex mutex;
std::array<Pending, 5> pending;

void SetArmed(Pending& slot, int countdown, int err) {
  const bool was_armed = slot.countdown > 0;
  slot = Pending{countdown, err};
  const bool is_armed = countdown > 0;
  if (was_armed != is_armed) detail::armed_kinds.fetch_add(is_armed ? 1 : -1);
}

}  // namespace

void FailNth(Operation op, int n, int err) {
  std::lock_guard lock(mutex);
  SetArmed(pending[static_cast<std::size_t>(op)], n > 0 ? n : 0, err);
}

void Reset() {
  std::lock_guard lock(mutex);
  for (Pending& slot : pending) SetArmed(slot, 0, 0);
}

bool detail::ConsumeSlow(Operation op, int& err) {
  std::lock_guard lock(mutex);
  Pending& slot = pending[static_cast<std::size_t>(op)];
  if (slot.countdown == 0) return false;
  if (slot.countdown > 1) {
    --slot.countdown;
    return false;
  }
  err = slot.err;
  SetArmed(slot, 0, 0);
  return true;
}

}  // namespace quillet::io_faults
