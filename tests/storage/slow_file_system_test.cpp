#include "support/memory_file_system.h"
#include "support/project_builder.h"
#include "support/slow_file_system.h"

#include <gtest/gtest.h>
#include <thread>

// The slow medium that the benchmarks measure loading and saving on: every call reaches the file
// system underneath, and exactly the operations a slow medium makes wait are charged.

namespace {

using Corv::OpenMode;
using CorvTest::Bytes;
using CorvTest::SlowFileSystem;
using CorvTest::SlowOp;
using std::chrono::microseconds;

// A slow medium over memory whose waits are only added up.
struct Medium {
    CorvTest::MemoryFileSystem memory;
    SlowFileSystem slow{memory, microseconds(250)};
    SlowFileSystem::Duration waited{};

    Medium() {
        slow.SetSleep([this](SlowFileSystem::Duration wait) { waited += wait; });
        memory.CreateDirectory("/m");
    }
    // The waits per operation, in SlowOp order.
    std::vector<int> Delays() const {
        std::vector<int> delays;
        for (const SlowOp op :
             {SlowOp::Open, SlowOp::Read, SlowOp::Write, SlowOp::Rename, SlowOp::ListFolder})
            delays.push_back(slow.Delays(op));
        return delays;
    }
    bool Put(const std::string& path, const Bytes& bytes) {
        auto file = memory.Open(path, OpenMode::Write);
        return file && file->Write(bytes.data(), bytes.size()) && file->Close();
    }
};

TEST(SlowFileSystem, PassesEveryCallOnAndMakesTheMediumsOperationsWait) {
    Medium m;
    Corv::IFileSystem& fs = m.slow;
    struct Step {
        const char* name;
        std::function<bool()> run; // true when the call did its work underneath
        std::vector<int> delays;   // Open, Read, Write, Rename, ListFolder
    };
    const std::vector<Step> steps = {
        {"write a file",
         [&] {
             auto file = fs.Open("/m/a", OpenMode::Write);
             return file && file->Write("hello", 5) && file->Sync() && file->Close();
         },
         {1, 0, 1, 0, 0}},
        {"read it",
         [&] {
             auto file = fs.Open("/m/a", OpenMode::Read);
             char text[8] = {};
             return file && file->Seek(1) && file->Size() == 5 && file->Read(text, 8) == 4 &&
                    std::string(text) == "ello" && file->Close();
         },
         {1, 1, 0, 0, 0}},
        {"rename",
         [&] { return fs.Rename("/m/a", "/m/b") && m.memory.IsDirectory("/m"); },
         {0, 0, 0, 1, 0}},
        {"list",
         [&] {
             std::vector<Corv::DirEntry> entries;
             return fs.ListFolder("/m", entries) && entries.size() == 1 && entries[0].name == "b";
         },
         {0, 0, 0, 0, 1}},
        {"calls that do not wait",
         [&] {
             return fs.CreateDirectory("/m/d") == Corv::CreateDirResult::Created &&
                    fs.IsDirectory("/m/d") && fs.Status("/m/b").size == 5 &&
                    fs.SyncDirectory("/m") && fs.SameDirectory("/m/d", "/m/d") &&
                    fs.RemoveDirectory("/m/d") && fs.Remove("/m/b") &&
                    !m.memory.IsDirectory("/m/d") &&
                    m.memory.Status("/m/b").type == Corv::FileType::Missing;
         },
         {0, 0, 0, 0, 0}},
        {"an open that fails still waits",
         [&] { return fs.Open("/m/b", OpenMode::Read) == nullptr; },
         {1, 0, 0, 0, 0}},
    };
    int waits = 0;
    for (const Step& step : steps) {
        m.slow.ResetCounts();
        EXPECT_TRUE(step.run()) << step.name;
        EXPECT_EQ(m.Delays(), step.delays) << step.name;
        waits += m.slow.Delays();
    }
    EXPECT_EQ(waits, 7);
    EXPECT_EQ(m.waited, waits * microseconds(250)); // one latency for every wait counted
}

TEST(SlowFileSystem, CopyFilePaysTwoOpensAndAReadAndAWritePerChunk) {
    constexpr std::size_t kChunk = SlowFileSystem::kCopyChunk;
    const struct {
        std::size_t size;
        int chunks;
    } cases[] = {{0, 0}, {1, 1}, {kChunk, 1}, {kChunk + 1, 2}, {3 * kChunk - 7, 3}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.size);
        Medium m;
        const Bytes content = CorvTest::Bytes(c.size, 0x5a);
        ASSERT_TRUE(m.Put("/m/in", content));
        EXPECT_TRUE(m.slow.CopyFile("/m/in", "/m/out", true));
        EXPECT_EQ(m.Delays(), (std::vector<int>{2, c.chunks, c.chunks, 0, 0}));
        EXPECT_EQ(m.memory.Status("/m/out").size, c.size);
    }
    Medium m; // a copy of nothing fails underneath after the open that found nothing
    EXPECT_FALSE(m.slow.CopyFile("/m/missing", "/m/out", false));
    EXPECT_EQ(m.Delays(), (std::vector<int>{1, 0, 0, 0, 0}));
    EXPECT_EQ(m.memory.Status("/m/out").type, Corv::FileType::Missing);
}

TEST(SlowFileSystem, OneRequestAtATimeQueuesTheWaitsOfConcurrentCallers) {
    SlowFileSystem slow(Corv::RealFileSystem(), microseconds(200));
    slow.SetOneRequestAtATime(true);
    std::atomic<int> inside{0};
    std::atomic<int> most{0};
    slow.SetSleep([&](SlowFileSystem::Duration wait) {
        const int now = ++inside;
        most = std::max(most.load(), now);
        std::this_thread::sleep_for(wait);
        --inside;
    });
    auto wait = [&] {
        for (int i = 0; i < 20; ++i)
            slow.Delay(SlowOp::Read);
    };
    std::thread first(wait);
    std::thread second(wait);
    first.join();
    second.join();
    EXPECT_EQ(slow.Delays(), 40);
    EXPECT_EQ(most.load(), 1);
}

} // namespace
