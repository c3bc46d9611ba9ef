// The save sweeps over a reference scenario: two open projects with every kind of pending change
// for project A, saved in place, into a new folder, or over another project. A save failing at
// any one operation leaves the folders and records as they were; a save stopped after any
// operation, then a power loss, leaves a folder that the next open turns into exactly the old or
// the new state, with no file lost.
#include "storage/domain.h"
#include "storage/folder_transaction.h"
#include "storage/project_document.h"
#include "support/faulty_file_system.h"
#include "support/memory_file_system.h"
#include "support/project_builder.h"
#include "support/scoped_environment.h"
#include "support/scripted_sink.h"

#include <algorithm>
#include <filesystem>
#include <gtest/gtest.h>
#include <map>
#include <tuple>

using namespace Corv;
using namespace CorvTest;

namespace {

constexpr const char* kRejected = "Patch/Extra.d00"; // a file of A that breaks the naming rule

enum class SaveTarget { InPlace, NewFolder, Replace };

inline const char* TargetName(SaveTarget target) {
    const char* const names[] = {"in place", "into a new folder", "over another project"};
    return names[static_cast<int>(target)];
}

// Records by where they are: (project or snapshot, kind, slot).
using RecordKey = std::tuple<std::string, int, std::size_t>;
using Snapshot = std::vector<std::pair<std::string, Bytes>>;

class SaveScenario {
public:
    ~SaveScenario() { CProjectDocuments::Get().CloseAll(); }

    const std::string& Root() const { return m_root.Path(); }
    const std::string& Work() const { return m_work.Path(); }
    std::string Folder(const char* name) const { return m_root.Path() + "/" + name + ".prj/"; }
    std::string Target(SaveTarget target) const {
        return Folder(target == SaveTarget::InPlace ? "A" : "A2");
    }

    // Projects A, B (and A2 to be replaced), and an imported wave in the work folder.
    void WriteFolders(SaveTarget target) const {
        ProjectBuilder a(Folder("A"));
        a.Patch(1, "One", 1).Patch(2, "Two", 2).Patch(3, "Three", 3).Patch(4, "Four", 1, 3);
        a.Patch(5, "Five", 2, 3);
        a.Tone(1, "T1", {1}).Tone(2, "T2", {2}).Tone(3, "T3", {1, 2});
        a.Wave(1, "W1", 40).Wave(2, "W2", 30, ".wav").SystemFiles();
        a.Memos(kPatchKind, {"one"}).File(kRejected, {1, 2, 3});
        ProjectBuilder b(Folder("B"));
        b.Patch(1, "Guest", 1).Tone(1, "G1", {1}).Wave(1, "GW", 20);
        if (target == SaveTarget::Replace) {
            ProjectBuilder old(Folder("A2"));
            old.Patch(7, "Old", 1).Tone(1, "OT", {}).Wave(3, "OW", 12).SystemFiles();
            old.Memos(kToneKind, {"old memo"}).File("notes.txt", {'k', 'e', 'e', 'p'});
        }
        WriteBytes(ImportedWave(), Bytes(77, 0x5A));
    }

    // Opens A and B and makes every kind of change to A, with an undo step holding A's records
    // as they were; with `oneRename`, only one patch is renamed (a save of one step).
    void OpenAndEdit(bool oneRename = false) {
        CProjectDocuments::Get().CloseAll();
        CDomain::Reset();
        m_sink = InstallScriptedSink(kAnswerYes);
        CDomain::Get().m_workFolder = m_work.Path() + "/";
        m_a = CProjectDocuments::Get().OpenProject(Folder("A"));
        m_b = CProjectDocuments::Get().OpenProject(Folder("B"));
        ASSERT_TRUE(m_a != nullptr && m_b != nullptr);

        CLumData& da = m_a->Data();
        if (!oneRename) {
            CDomain::Get().RecordUndo(kUndoAllKinds, da);
            m_b->Data().Patches().PlaceClone(1, da.Patches()[0]);
            da.Tones()[1].SetName("Tee");
            auto three = CPatchArray::Copy(da.Patches()[2]);
            da.Patches().PlaceClone(2, da.Patches()[3]);
            da.Patches().Place(3, std::move(three));
            da.Patches()[2].ResetToneSlot(1);
            da.Patches()[4].ResetToneSlot(1);
            da.Patches().PlaceClone(5, m_b->Data().Patches()[0]);
            da.Tones()[0].SetMemo(2, "tone memo");
            da.Waves()[4].SetFilePath(ImportedWave());
            da.Waves()[4].SetName("Imp");
            da.Patches()[1].ClearTexts();
        }
        da.Patches()[0].SetName("Renamed");
        m_a->SetModifiedFlag(true);
        m_expected = RecordBytes();
    }

    CProjectDocument& A() { return *m_a; }
    const SinkLog& Sink() const { return *m_sink; }

    // A file of the save's own (hidden names, journal) is in the folder.
    static bool HasLeftovers(const Snapshot& files) {
        return std::any_of(files.begin(), files.end(), [](const auto& file) {
            return file.first.find(".corvane-") != std::string::npos;
        });
    }

    // Every record of both projects and of the undo step, with the bytes of its file.
    std::map<RecordKey, Bytes> RecordBytes() const {
        std::map<RecordKey, Bytes> bytes;
        const auto add = [&](const std::string& where, int kind, const CParameterArray& records) {
            for (std::size_t i = 0; i < records.Size(); ++i)
                if (!records.Item(i).IsEmpty())
                    bytes[{where, kind, i}] = ReadThroughSeam(records.Item(i).FilePath());
        };
        for (int kind = kPatchKind; kind <= kWaveKind; ++kind) {
            add("A", kind, m_a->Data().Records(kind));
            add("B", kind, m_b->Data().Records(kind));
        }
        const CDomain::Snapshot& undo = CDomain::Get().m_undo[0];
        if (undo.owner != nullptr) {
            add("undo", kPatchKind, undo.patches);
            add("undo", kToneKind, undo.tones);
            add("undo", kWaveKind, undo.waves);
        }
        return bytes;
    }

    // Every record still names a file that holds its bytes (the undo step may have gone).
    void CheckRecordsSurvived() const {
        auto expected = m_expected;
        if (CDomain::Get().m_undo[0].owner == nullptr)
            std::erase_if(expected,
                          [](const auto& record) { return std::get<0>(record.first) == "undo"; });
        EXPECT_TRUE(RecordBytes() == expected);
    }

private:
    std::string ImportedWave() const { return m_work.Path() + "/999 Imp.wav"; }

    TempDir m_root;
    TempDir m_work;
    ScopedDataHome m_dataHome{m_root.Path()};
    std::shared_ptr<SinkLog> m_sink;
    CProjectDocument* m_a = nullptr;
    CProjectDocument* m_b = nullptr;
    std::map<RecordKey, Bytes> m_expected;
};

// Runs the save without faults, then with each of its operations failing; returns their count.
int FaultSweep(SaveTarget target) {
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
        // Every folder but the trash; A's rejected file may leave even when the save fails.
        const auto folders = [&] {
            Snapshot all = FolderSnapshot(run.Root());
            std::erase_if(all, [](const auto& file) {
                return file.first.starts_with("data-home/") ||
                       file.first == "A.prj/" + std::string(kRejected);
            });
            return all;
        };
        const Snapshot before = folders();
        run.OpenAndEdit();
        faulty.FailOperation(k);
        const bool saved = run.A().SaveProject(run.Target(target));
        EXPECT_EQ(faulty.Failures(), 1);
        faulty.FailOperation(0);
        const Snapshot after = FolderSnapshot(run.Target(target));
        if (saved && (!run.A().RejectedFiles().empty() || SaveScenario::HasLeftovers(after))) {
            // A file that could not be moved out or removed stays; the next save finishes.
            EXPECT_NE(run.Sink().Notices().back().find("could not be"), std::string::npos);
            EXPECT_TRUE(run.A().SaveProject(run.Target(target)));
        }
        if (!saved) {
            EXPECT_TRUE(run.A().IsModified());
            EXPECT_EQ(run.Sink().Calls().back().code, 2);
            run.CheckRecordsSurvived();
            EXPECT_EQ(SnapshotDifference(folders(), before), ""); // as they were
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
         {SaveTarget::InPlace, SaveTarget::NewFolder, SaveTarget::Replace})
        std::printf("save %s: %d fault cases\n", TargetName(target), FaultSweep(target));
}

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
    int old = 0, completed = 0; // stops after which the folder reopened in either state
};

// With `oneRename`, the save commits a single step: a folder without the rejected file and the
// memo file (which a save would rewrite in full), where only one patch is renamed.
SweepResult CrashSweep(SaveTarget target, bool oneRename) {
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
        const SweepResult result = CrashSweep(target, oneRename);
        std::printf("save %s%s: %d stops reopened in the old state, %d in the new one\n",
                    TargetName(target), oneRename ? " (one rename)" : "", result.old,
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
