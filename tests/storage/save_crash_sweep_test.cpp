// A save stopped after any operation, then a power loss, must leave a folder that the next open
// turns into exactly the old or the new state, with no file lost.
#include "save_scenario.h"
#include "support/faulty_file_system.h"

#include <filesystem>

using namespace Corv;
using namespace CorvTest;

namespace {

constexpr const char* kRejected = "Patch/Extra.d00";

// One run of the scenario in a memory file system, mirrored from the folders on disk.
struct MemoryRun {
    explicit MemoryRun(const SaveScenario& scenario) {
        memory.Mirror(scenario.Root());
        memory.Mirror(scenario.Work());
    }
    MemoryFileSystem memory;
    FaultyFileSystem faulty{memory};
    ScopedFileSystem scope{faulty};
};

// The files of a project folder after the next open (which completes or undoes a stopped save).
Snapshot Reopened(SaveScenario& scenario, const std::string& folder, bool& loaded) {
    CProjectDocuments::Get().CloseAll();
    CDomain::Reset();
    InstallScriptedSink(kAnswerYes);
    CDomain::Get().m_workFolder = scenario.Work() + "/";
    loaded = CProjectDocuments::Get().OpenProject(folder) != nullptr;
    Snapshot files = SnapshotThroughSeam(folder);
    std::erase_if(files, [](const auto& file) { return file.first == kRejected; });
    return files;
}

// True when a file with these bytes is in the folder or in the trash.
bool Kept(const SaveScenario& scenario, const std::string& folder, const Bytes& bytes) {
    Snapshot places = SnapshotThroughSeam(folder);
    for (auto& file : SnapshotThroughSeam(ScopedDataHome::TrashFiles(scenario.Root())))
        places.push_back(file);
    return std::any_of(places.begin(), places.end(),
                       [&](const auto& file) { return file.second == bytes; });
}

struct SweepResult {
    int cases = 0, old = 0, completed = 0;
};

// With `oneRename`, the save commits a single step: a folder without the rejected file and the
// memo file (which a save would rewrite in full), where only one patch is renamed.
SweepResult Sweep(SaveTarget target, bool oneRename) {
    SaveScenario scenario;
    scenario.WriteFolders(target);
    for (const char* file : {kRejected, "PatchMemo.txt"})
        if (oneRename)
            std::filesystem::remove(scenario.Folder("A") + file);
    const std::string folder = scenario.Target(target);
    Snapshot before, after, others;
    int operations = 0;
    {
        MemoryRun run(scenario);
        scenario.OpenAndEdit(oneRename);
        before = SnapshotThroughSeam(folder);
        std::erase_if(before, [](const auto& file) { return file.first == kRejected; });
        others = SnapshotThroughSeam(scenario.Folder(target == SaveTarget::InPlace ? "B" : "A"));
        const int start = run.faulty.Count();
        EXPECT_TRUE(scenario.A().SaveProject(folder));
        operations = run.faulty.Count() - start;
        bool loaded = false;
        after = Reopened(scenario, folder, loaded);
        EXPECT_TRUE(loaded);
    }
    SweepResult result;
    for (int k = 0; k <= operations; ++k) {
        SCOPED_TRACE(std::string("save ") + TargetName(target) + " stopped after operation " +
                     std::to_string(k));
        MemoryRun run(scenario);
        const Snapshot original = SnapshotThroughSeam(folder);
        scenario.OpenAndEdit(oneRename);
        run.faulty.StopAfter(k);
        const bool saved = scenario.A().SaveProject(folder);
        run.memory.PowerLoss();
        run.faulty.Reset();

        bool loaded = false;
        const Snapshot state = Reopened(scenario, folder, loaded);
        const bool isOld = state == before, isNew = state == after;
        EXPECT_TRUE(isOld || isNew) << "neither state: " << SnapshotDifference(state, before)
                                    << " / " << SnapshotDifference(state, after);
        EXPECT_TRUE(isNew || !saved) << "a save reported done was not made durable";
        EXPECT_EQ(loaded, target != SaveTarget::NewFolder || isNew);
        EXPECT_FALSE(SaveScenario::HasLeftovers(SnapshotThroughSeam(folder)));
        // Nothing outside the target changed, and nothing that left the folder was lost.
        EXPECT_EQ(SnapshotThroughSeam(scenario.Folder(target == SaveTarget::InPlace ? "B" : "A")),
                  others);
        // A rejected file and the files of a replaced project are moved out, never deleted.
        for (const auto& file : original) {
            if (target == SaveTarget::Replace || file.first == kRejected) {
                EXPECT_TRUE(Kept(scenario, folder, file.second)) << file.first << " was lost";
            }
        }
        result.cases++;
        result.old += isOld ? 1 : 0;
        result.completed += isNew ? 1 : 0;
        if (::testing::Test::HasFailure())
            break;
    }
    return result;
}

TEST(SaveCrashSweep, EveryStopLeavesTheOldOrTheNewState) {
    const std::pair<SaveTarget, bool> runs[] = {{SaveTarget::InPlace, false},
                                                {SaveTarget::NewFolder, false},
                                                {SaveTarget::Replace, false},
                                                {SaveTarget::InPlace, true}};
    for (const auto& [target, oneRename] : runs) {
        const SweepResult result = Sweep(target, oneRename);
        std::printf("save %s%s: %d stops, %d reopened in the old state, %d in the new one\n",
                    TargetName(target), oneRename ? " (one rename)" : "", result.cases, result.old,
                    result.completed);
        EXPECT_GT(result.old, 0);
        EXPECT_GT(result.completed, 0);
    }
}

} // namespace
