#pragma once
// RunTeam: runs the members of a team of threads and waits for all of them, so that a
// failure on any thread ends the whole piece of work and reaches the caller.

#include <functional>

namespace quillet {

// Runs task(0) on the calling thread and task(1) .. task(size - 1) on threads of their own
// (size >= 1), and returns when every one has ended. When a task throws, `stop` is called
// (it must not throw) so that the others can give up, and once all have ended the first
// failure passes on as it was raised (std::bad_alloc stays std::bad_alloc). A thread that
// cannot be started is EOutOfMemory: `stop` is called and task(0) does not run.
void RunTeam(unsigned size, const std::function<void(unsigned member)>& task,
             const std::function<void()>& stop);

}  // namespace quillet
