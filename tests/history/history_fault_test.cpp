// A save with history on, failed at every single file operation in turn (the save's and the
// history's alike): the project is as it was or as saved, the history holds complete versions
// only, each the folder as it was, and a save whose version failed still saved and said so.
#include "edit/cell_edit.h"
#include "history/store_files.h"
#include "history/version_access.h"
#include "history_fixture.h"
#include "support/faulty_file_system.h"
#include "support/memory_file_system.h"

using namespace Corv;
using namespace CorvTest;
using namespace CorvHistoryTest;

namespace {

// A memo change and a rename, saved: the save replaces the memo file and renames a file.
void Edit(CProjectDocument& document) {
    ASSERT_TRUE(SetMemos(document.Data(), kPatchKind, {3}, 3, "faulty", FreshStore::UndoStep()));
    ASSERT_TRUE(SetNames(document.Data(), kWaveKind, {1}, "Sine 2", FreshStore::UndoStep()));
}

// The folder a fault-free save of the edit leaves.
Snapshot SavedState() {
    HistoryWorld world;
    EXPECT_NE(world.Open(), nullptr);
    Edit(world.Document());
    EXPECT_TRUE(world.Save());
    return world.Folder();
}

struct SweepCase {
    const char* name;
    bool failOne; // fail the k-th operation only, or stop at it as a kill would
};

class FaultSweep : public ::testing::TestWithParam<SweepCase> {};

TEST_P(FaultSweep, LeavesTheProjectOldOrNewAndTheHistoryWhole) {
    const Snapshot saved = SavedState();
    int withoutVersion = 0, failedSaves = 0;
    for (int k = 1;; ++k) {
        HistoryWorld world;
        ASSERT_NE(world.Open(), nullptr);
        const Snapshot before = world.Folder();
        Edit(world.Document());
        bool savedOk = false;
        int failures = 0;
        {
            InstalledFaultyFileSystem faulty;
            faulty.PassSyncs(false);
            if (GetParam().failOne)
                faulty.FailOperation(k);
            else
                faulty.StopAfter(k - 1);
            savedOk = world.Save();
            failures = faulty.Failures();
        }
        if (failures == 0) {
            EXPECT_TRUE(savedOk);
            break;
        }
        // The next open completes or undoes what an interrupted save left.
        world.CloseAll();
        ASSERT_NE(world.Open(), nullptr) << "k=" << k;
        world.CloseAll();
        const Snapshot after = world.Folder();
        if (savedOk)
            EXPECT_EQ(SnapshotDifference(after, saved), "") << "k=" << k;
        else
            EXPECT_TRUE(after == before || after == saved) << "k=" << k;
        failedSaves += savedOk ? 0 : 1;
        // Every version listed is complete and is the folder before the save.
        const auto versions = world.Versions();
        ASSERT_LE(versions.size(), 1u) << "k=" << k;
        for (const auto& version : versions) {
            EXPECT_EQ(version.problem, "") << "k=" << k;
            EXPECT_EQ(SnapshotDifference(world.Exported(version.id), before), "") << "k=" << k;
        }
        bool told = false;
        for (const std::string& notice : world.Sink().Notices())
            told = told || notice.rfind("This save has no version: ", 0) == 0;
        if (savedOk && versions.empty()) {
            EXPECT_TRUE(told) << "k=" << k << " a save without a version says so";
            ++withoutVersion;
        }
        // Nothing of the history lies in the project folder.
        for (const auto& [path, bytes] : after)
            EXPECT_EQ(path.find(".tmp-"), std::string::npos) << path;
        ASSERT_LT(k, 5000) << "the sweep does not end";
    }
    // A stop ends the save too; a single failure in the history leaves the save going.
    if (GetParam().failOne) {
        EXPECT_GT(withoutVersion, 0) << "some fault hit the history alone";
    }
    EXPECT_GT(failedSaves, 0) << "some fault hit the save";
}

// The same save in a file system that knows what a power loss keeps, stopped after every
// operation and the power lost then: the project is old or new, and the history read afresh (as
// the next run of the program reads it) holds no version or a complete one of the folder
// before — its objects in a pack or in files of their own, whichever the stop left.
TEST(PowerLoss, LeavesTheProjectOldOrNewAndNoVersionOrAWholeOne) {
    const Snapshot saved = SavedState();
    int operations = 0, withVersion = 0;
    for (int k = 0;; ++k) {
        HistoryWorld world;
        MemoryFileSystem memory;
        memory.Mirror(world.Temp());
        FaultyFileSystem faulty{memory};
        ScopedFileSystem scope{faulty};
        ASSERT_NE(world.Open(), nullptr);
        const Snapshot before = SnapshotThroughSeam(world.Project());
        Edit(world.Document());
        const int start = faulty.Count();
        faulty.StopAfter(k);
        world.Save();
        world.Recorder().WaitForBackground();
        operations = std::max(operations, faulty.Count() - start);
        memory.PowerLoss();
        faulty.Reset();
        world.CloseAll();
        ASSERT_NE(world.Open(), nullptr) << "k=" << k;
        world.CloseAll();
        const Snapshot after = SnapshotThroughSeam(world.Project());
        EXPECT_TRUE(after == before || SnapshotDifference(after, saved).empty()) << "k=" << k;
        const History::CHistoryStore store(world.History());
        for (const History::VersionInfo& version : store.List(world.Project())) {
            EXPECT_EQ(version.problem, "") << "k=" << k;
            const std::string target = world.Temp() + "/export" + std::to_string(k) + ".prj";
            std::vector<std::string> missing;
            std::string why;
            ASSERT_TRUE(
                History::ExportVersion(store, world.Project(), version.id, target, missing, why))
                << "k=" << k << ": " << why;
            EXPECT_EQ(SnapshotDifference(SnapshotThroughSeam(target + "/"), before), "")
                << "k=" << k;
            ++withVersion;
        }
        if (k > operations + 1)
            break;
        ASSERT_LT(k, 5000) << "the sweep does not end";
    }
    EXPECT_GT(withVersion, 0) << "some stops come after the version is durable";
}

INSTANTIATE_TEST_SUITE_P(History, FaultSweep,
                         ::testing::Values(SweepCase{"FailOne", true}, SweepCase{"Stop", false}),
                         [](const ::testing::TestParamInfo<SweepCase>& test) {
                             return std::string(test.param.name);
                         });

} // namespace
