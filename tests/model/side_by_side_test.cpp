#include "model/side_by_side.h"
#include "support/faulty_file_system.h"

#include <atomic>
#include <gtest/gtest.h>
#include <mutex>
#include <numeric>
#include <set>
#include <stdexcept>
#include <vector>

using namespace Corv;
using namespace CorvTest;

namespace {

// Side by side on the real file system, or one after the other where the file system counts
// its operations: the lowest failing task is found, and every task below it ran exactly once.
// In order, nothing runs after the first failure.
TEST(RunSideBySide, FindsTheLowestFailureAfterRunningEveryTaskBelowIt) {
    const struct {
        std::size_t count;
        std::set<std::size_t> failing;
        std::size_t lowest;
    } cases[] = {{0, {}, 0}, {1000, {}, 1000}, {1000, {0}, 0}, {1000, {700, 301, 999}, 301}};
    for (const bool inOrder : {false, true}) {
        for (const auto& c : cases) {
            SCOPED_TRACE(testing::Message() << c.count << " reads, in order " << inOrder);
            std::unique_ptr<InstalledFaultyFileSystem> counting;
            if (inOrder)
                counting = std::make_unique<InstalledFaultyFileSystem>();
            std::vector<std::atomic<int>> runs(c.count);
            std::mutex orderLock;
            std::vector<std::size_t> order;
            const std::size_t lowest = RunSideBySide(c.count, [&](std::size_t i) {
                ++runs[i];
                const std::lock_guard<std::mutex> lock(orderLock);
                order.push_back(i);
                return c.failing.count(i) == 0;
            });
            EXPECT_EQ(lowest, c.lowest);
            for (std::size_t i = 0; i < c.lowest && i < c.count; ++i)
                ASSERT_EQ(runs[i], 1) << "read " << i;
            if (inOrder) {
                std::vector<std::size_t> expected(std::min(c.count, c.lowest + 1));
                std::iota(expected.begin(), expected.end(), std::size_t{0});
                EXPECT_EQ(order, expected);
            }
        }
    }
}

} // namespace
