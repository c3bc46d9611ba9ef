// A save that fails at any single file-system operation must leave the folders as they were,
// every record naming a file that holds its bytes, the document modified with its message
// shown, and a later save that yields exactly what a save without the fault yields.
#include "save_scenario.h"
#include "support/faulty_file_system.h"

using namespace Corv;
using namespace CorvTest;

namespace {

// Runs the save once without faults (counting operations), then once for every operation k
// with k failing; returns the number of operations of the fault-free save.
int Sweep(SaveTarget target) {
    Snapshot reference;
    int operations = 0;
    {
        SaveScenario clean;
        clean.WriteFolders(target);
        clean.OpenAndEdit();
        InstalledFaultyFileSystem counting;
        EXPECT_TRUE(clean.A().SaveProject(clean.Target(target)));
        operations = counting.Count();
        reference = FolderSnapshot(clean.Target(target));
    }
    EXPECT_GT(operations, 50);
    for (int k = 1; k <= operations; ++k) {
        SCOPED_TRACE(std::string(TargetName(target)) + ", failing operation " + std::to_string(k));
        InstalledFaultyFileSystem faulty; // syncs are counted but not passed on, for speed
        faulty.PassSyncs(false);
        SaveScenario run;
        run.WriteFolders(target);
        // The folders before (a rejected file may leave A even when the save fails).
        const auto folders = [&] {
            std::vector<Snapshot> all;
            for (const char* name : {"A", "B", "A2"})
                all.push_back(FolderSnapshot(run.Folder(name)));
            std::erase_if(all[0], [](const auto& file) { return file.first == "Patch/Extra.d00"; });
            return all;
        };
        const std::vector<Snapshot> before = folders();
        run.OpenAndEdit();
        faulty.FailOperation(k);
        const bool saved = run.A().SaveProject(run.Target(target));
        EXPECT_EQ(faulty.Failures(), 1);
        faulty.FailOperation(0);
        const Snapshot after = FolderSnapshot(run.Target(target));
        if (saved && (!run.A().RejectedFiles().empty() || SaveScenario::HasLeftovers(after))) {
            // A rejected file that could not be moved out stays, as does a file of the save
            // that could not be removed; the user is told, and the next save finishes the work.
            EXPECT_NE(run.Notices().back().find("could not be"), std::string::npos);
            EXPECT_TRUE(run.A().SaveProject(run.Target(target)));
        }
        if (!saved) {
            EXPECT_TRUE(run.A().IsModified());
            EXPECT_EQ(run.Messages().back(), "error 2");
            run.CheckRecordsSurvived();
            const std::vector<Snapshot> now = folders(); // as they were
            for (std::size_t i = 0; i < now.size(); ++i)
                EXPECT_EQ(SnapshotDifference(now[i], before[i]), "");
            EXPECT_TRUE(run.A().SaveProject(run.Target(target)));
        }
        EXPECT_FALSE(run.A().IsModified());
        EXPECT_EQ(SnapshotDifference(FolderSnapshot(run.Target(target)), reference), "");
        if (::testing::Test::HasFailure())
            break; // one reported case is enough to debug; the rest would repeat it
    }
    return operations;
}

TEST(SaveFaultSweep, EveryTarget) {
    for (const SaveTarget target :
         {SaveTarget::InPlace, SaveTarget::NewFolder, SaveTarget::Replace}) {
        const int operations = Sweep(target);
        std::printf("save %s: %d file-system operations, %d fault cases\n", TargetName(target),
                    operations, operations);
    }
}

} // namespace
