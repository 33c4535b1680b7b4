#include "app/thread_team.h"

#include <exception>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

#include "runtime/exceptions.h"

namespace quillet {

void RunTeam(unsigned size, const std::function<void(unsigned member)>& task,
             const std::function<void()>& stop) {
  std::mutex mutex;
  std::exception_ptr failure;
  const auto fail = [&](std::exception_ptr error) noexcept {
    {
      std::lock_guard lock(mutex);
      if (!failure) failure = std::move(error);
    }
    stop();
  };
  const auto run = [&](unsigned member) noexcept {
    try {
      task(member);
    } catch (...) {
      fail(std::current_exception());
    }
  };
  std::vector<std::thread> threads;
  bool started = false;
  try {
    threads.reserve(size > 0 ? size - 1 : 0);
    for (unsigned member = 1; member < size; ++member) threads.emplace_back(run, member);
    started = true;
  } catch (const std::system_error&) {
    fail(std::make_exception_ptr(EOutOfMemory()));  // no room for another thread
  } catch (...) {
    fail(std::current_exception());
  }
  if (started) run(0);
  for (std::thread& thread : threads) thread.join();
  if (failure) std::rethrow_exception(failure);
}

}  // namespace quillet
