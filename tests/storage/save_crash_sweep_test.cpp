// A save stopped after any operation, followed by a power loss (everything not synced is
// lost), must leave a folder that the next open turns into exactly the old or exactly the new
// state, with nothing lost: not a record, not a memo, not a byte of a file, not a rejected or
// replaced file.
#include "save_scenario.h"
#include "support/faulty_file_system.h"

#include <filesystem>

using namespace Corv;
using namespace CorvTest;

namespace {

constexpr const char* kRejected = "Patch/Extra.d00";

// One run of the scenario in memory: the folders written once to disk are mirrored into a
// fresh memory file system that the core uses while the run lives.
class MemoryRun {
public:
    explicit MemoryRun(const SaveScenario& scenario) : m_faulty(m_memory), m_scope(m_faulty) {
        m_memory.Mirror(scenario.Root());
        m_memory.Mirror(scenario.Work());
    }
    FaultyFileSystem& Faulty() { return m_faulty; }
    MemoryFileSystem& Memory() { return m_memory; }

private:
    MemoryFileSystem m_memory;
    FaultyFileSystem m_faulty;
    ScopedFileSystem m_scope;
};

// The state of a project folder as the next open sees it: opened with a fresh store (which
// completes or undoes an interrupted save), then every file. Empty when the folder is missing.
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

// True when a file with these bytes is in the folder or in the trash that files moved out of a
// project go to.
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
        const int start = run.Faulty().Count();
        EXPECT_TRUE(scenario.A().SaveProject(folder));
        operations = run.Faulty().Count() - start;
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
        run.Faulty().StopAfter(k);
        const bool saved = scenario.A().SaveProject(folder);
        run.Memory().PowerLoss();
        run.Faulty().Reset();

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
        // What leaves the folder is moved out, never deleted: a rejected file, and the files
        // of a project that is replaced.
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
