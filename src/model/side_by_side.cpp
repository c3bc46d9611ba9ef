#include "model/side_by_side.h"

#include "model/file_system.h"

#include <algorithm>
#include <atomic>
#include <exception>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

namespace Corv {

namespace {

// Enough threads to keep a slow medium busy; a few files are worked on by fewer.
constexpr std::size_t kMostThreads = 8;

} // namespace

std::size_t RunSideBySide(std::size_t count, const std::function<bool(std::size_t)>& task,
                          std::size_t tasksPerThread,
                          const std::function<void(std::size_t)>& progress) {
    const std::size_t threads =
        std::min(kMostThreads, count / std::max<std::size_t>(1, tasksPerThread));
    if (threads < 2 || !FileSystem().AllowsParallelWork()) {
        for (std::size_t i = 0; i < count; ++i) {
            if (!task(i))
                return i;
            if (progress)
                progress(i + 1);
        }
        return count;
    }
    // Indexes are handed out in increasing order, so when the lowest failure is known every
    // index below it has been handed out and finishes; indexes above it are skipped.
    std::atomic<std::size_t> next{0};
    std::atomic<std::size_t> lowestFailure{count};
    std::mutex thrownLock;
    std::exception_ptr thrown;
    std::atomic<std::size_t> finished{0};
    const auto work = [&](bool caller) {
        for (std::size_t i = next++; i < count; i = next++) {
            if (i > lowestFailure.load())
                continue;
            bool ok = false;
            try {
                ok = task(i);
            } catch (...) {
                const std::lock_guard<std::mutex> lock(thrownLock);
                if (!thrown)
                    thrown = std::current_exception();
            }
            std::size_t seen = lowestFailure.load();
            while (!ok && i < seen && !lowestFailure.compare_exchange_weak(seen, i)) {
            }
            const std::size_t done = ++finished;
            if (caller && progress)
                progress(done);
        }
    };
    {
        std::vector<std::jthread> pool;
        pool.reserve(threads - 1);
        for (std::size_t t = 1; t < threads; ++t) {
            try {
                pool.emplace_back(work, false);
            } catch (const std::system_error&) {
                break; // no more threads to be had: the threads running share the tasks
            }
        }
        work(true);
    }
    if (thrown)
        std::rethrow_exception(thrown);
    return lowestFailure.load();
}

} // namespace Corv
