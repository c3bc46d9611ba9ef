#pragma once

#include <cstddef>
#include <functional>

namespace Corv {

// Runs `task(0)` to `task(count - 1)`, tasks that each work on files of their own (reading
// slot files, writing staged copies), and returns the lowest index whose task failed, or
// `count` when none did. Where the file system allows it, the tasks run on a small pool of
// threads: on a medium where every operation waits (a memory card, a network share) the waits
// overlap, and so do the syncs of a disk. Every task below the returned index has run, as it
// would one after the other; tasks above a failure may run or not. Otherwise the tasks run in
// order and stop at the first failure. An exception thrown by a task is thrown again here,
// after every thread ended. A thread is started for every `tasksPerThread` tasks (fewer for
// tasks that each do much, such as listing a whole folder). `progress`, when given, is told
// the number of tasks finished so far, on the calling thread only (so that it may show it),
// after each task that thread ran.
std::size_t RunSideBySide(std::size_t count, const std::function<bool(std::size_t)>& task,
                          std::size_t tasksPerThread = 32,
                          const std::function<void(std::size_t)>& progress = {});

} // namespace Corv
