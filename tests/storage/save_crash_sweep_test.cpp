// A save stopped after any operation, then a power loss, must leave a folder that the next open
// turns into exactly the old or the new state, with no file lost.
#include "save_scenario.h"
#include "storage/folder_transaction.h"
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

// A save stopped after setting an original aside, its first-phase journal in the folder: the
// next open completes it when the staged file is there, and puts the original back when the
// staged file is gone (going forward would leave the slot without any file).
TEST(Recovery, CompletesWithItsStagedFileAndPutsTheOriginalBackWithout) {
    for (const bool stagedThere : {true, false}) {
        SCOPED_TRACE(stagedThere ? "staged file there" : "staged file gone");
        TempDir dir;
        const std::string folder = dir.Path() + "/Song.prj/";
        std::filesystem::create_directories(folder + "Patch");
        const std::string slot = "Patch/001 A.d00";
        const std::string aside = std::string("Patch/") + kAsidePrefix + "1";
        const std::string staged = std::string("Patch/") + kStagedPrefix + "1";
        const Bytes original = {'o', 'l', 'd'}, fresh = {'n', 'e', 'w'};
        WriteBytes(folder + aside, original); // already set aside
        if (stagedThere)
            WriteBytes(folder + staged, fresh);
        const std::string journal = JournalText({{CommitStep::Kind::Aside, slot, aside},
                                                 {CommitStep::Kind::Place, staged, slot},
                                                 {CommitStep::Kind::Remove, aside, {}}});
        WriteBytes(folder + kJournalName, Bytes(journal.begin(), journal.end()));

        std::string problem;
        const auto keep = [](const auto& files) { return std::vector<bool>(files.size(), false); };
        EXPECT_EQ(RecoverProjectFolder(folder, keep, problem),
                  stagedThere ? Recovery::Completed : Recovery::Undone)
            << problem;
        EXPECT_EQ(ReadBytes(folder + slot), stagedThere ? fresh : original);
        EXPECT_EQ(ListFolder(folder + "Patch"), std::vector<std::string>{"001 A.d00"});
        EXPECT_FALSE(FileExists(folder + kJournalName));
    }
}

} // namespace
