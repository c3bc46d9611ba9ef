// A save in place compares the project with what its files hold. What it knows of its own files
// from the last load or save stands in for reading them while the folder is as it left them: a
// save after any kind of change writes exactly what a save that reads every file writes, and
// reads only the files it does not know.
#include "edit/clean.h"
#include "edit/drop.h"
#include "storage/domain.h"
#include "storage/project_document.h"
#include "storage/svd_file.h"
#include "support/faulty_file_system.h"
#include "support/fresh_store.h"
#include "support/project_builder.h"
#include "support/scoped_environment.h"
#include "support/scripted_sink.h"

#include <chrono>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <optional>
#include <string>
#include <vector>

using namespace Corv;
using namespace CorvTest;

namespace {

namespace fs = std::filesystem;
using Snapshot = std::vector<std::pair<std::string, Bytes>>;

// Every file gets bits of its own outside the parameters, so that a record area taken from the
// wrong file shows in the bytes written.
FileOptions Seeded(int kind, int number) {
    FileOptions options;
    options.seed = static_cast<std::uint32_t>(100 * (kind + 1) + number);
    return options;
}

// Project A has gaps in every list and a tone no patch uses (so a clean renumbers); B holds a
// patch to copy into A with its tone and wave.
void BuildProjects(const std::string& a, const std::string& b) {
    ProjectBuilder pa(a);
    const int patches[][3] = {{1, 1, 2}, {2, 2, 0}, {3, 4, 1}, {5, 4, 0}, {6, 1, 4}};
    for (const auto& [number, tone0, tone1] : patches)
        pa.Patch(number, "P" + std::to_string(number), tone0, tone1, Seeded(kPatchKind, number));
    pa.Tone(1, "T1", {1}, Seeded(kToneKind, 1)).Tone(2, "T2", {1, 3}, Seeded(kToneKind, 2));
    pa.Tone(3, "Spare", {}, Seeded(kToneKind, 3)).Tone(4, "T4", {3}, Seeded(kToneKind, 4));
    pa.Wave(1, "W1", 40).Wave(3, "W3", 30).SystemFiles();
    // Memo files as a save writes them (four lines for every slot): a save that changes no
    // memo leaves them alone.
    std::vector<std::string> patchMemos(512 * 4), toneMemos(896 * 4);
    patchMemos[0] = "first";
    patchMemos[4] = "second";
    toneMemos[0] = "tone";
    pa.Memos(kPatchKind, patchMemos).Memos(kToneKind, toneMemos);
    // The folders' times lie in the past, so that whatever a save changes below the project
    // folder shows in its own entries (a subfolder's time), however fast the test runs.
    for (const char* sub : {"", "Patch", "Tone", "Wave"})
        fs::last_write_time(a + sub, fs::last_write_time(a + sub) - std::chrono::hours(1));
    ProjectBuilder pb(b);
    pb.Patch(1, "Guest", 1, 0, Seeded(kPatchKind, 51)).Tone(1, "G1", {1}, Seeded(kToneKind, 51));
    pb.Wave(1, "GW", 20);
}

// The patch and tone files a save opened to read.
int AreaReads(const FaultyFileSystem& counted) {
    int reads = 0;
    for (const std::string& line : counted.Log())
        reads +=
            line.rfind("Open Read ", 0) == 0 && (line.ends_with(".d00") || line.ends_with(".p00"));
    return reads;
}

int UsedAreas(const CLumData& data) {
    return static_cast<int>(data.Patches().Size() + data.Tones().Size()) -
           data.CountEmpty(kPatchKind) - data.CountEmpty(kToneKind);
}

// Another program writes a new file in place of an old one (a new file renamed over it).
void ReplaceBehindTheBack(const std::string& path, const Bytes& bytes) {
    WriteBytes(path + ".tmp", bytes);
    fs::rename(path + ".tmp", path);
}

// What a run of a case did: the folders after its saves, and what the saves did.
struct Outcome {
    Snapshot folders;           // A/, B/ and work/
    int reads = 0;              // patch and tone files opened to read
    int used = 0;               // used patch and tone slots of A at each save, added up
    std::vector<int> changes;   // per save: writes, renames, removals and copies
    std::vector<int> questions; // asked by the saves
};

// Two open projects in a folder of their own, edited step by step; a save of A follows each
// step, counted. One at a time: the open documents are the process's.
class EditedProjects {
public:
    // `readEverything`: before each save the folder is made to look changed (the time of its
    // Wave folder moves on), so that the save trusts nothing it knows and reads every file.
    explicit EditedProjects(bool readEverything) : m_readEverything(readEverything) {
        BuildProjects(A(), B());
        m_sink = m_store.InstallSink(kAnswerYes);
        m_store.SetWorkFolder(m_work.Path() + "/");
        m_a = CProjectDocuments::Get().OpenProject(A());
        m_b = CProjectDocuments::Get().OpenProject(B());
    }
    EditedProjects(const EditedProjects&) = delete;
    EditedProjects& operator=(const EditedProjects&) = delete;

    std::string A() const { return m_root / "A.prj/"; }
    std::string B() const { return m_root / "B.prj/"; }
    CProjectDocument& DocA() { return *m_a; }
    CProjectDocument& DocB() { return *m_b; }
    bool Loaded() const { return m_a != nullptr && m_b != nullptr; }
    const SinkLog& Sink() const { return *m_sink; }

    // Saves A; false when the save failed.
    bool Save() {
        if (m_readEverything) {
            const fs::path wave = A() + "Wave";
            fs::last_write_time(wave, fs::last_write_time(wave) + std::chrono::hours(++m_moves));
        }
        m_a->SetModifiedFlag(true);
        m_outcome.used += UsedAreas(m_a->Data());
        InstalledFaultyFileSystem counted;
        counted.SetLogging(true);
        m_sink->Clear();
        const bool saved = m_a->SaveProject(A());
        for (const int question : m_sink->Questions())
            m_outcome.questions.push_back(question);
        m_outcome.reads += AreaReads(counted);
        // What the save itself changed is never taken for another program's change.
        EXPECT_FALSE(m_a->ChangedOnDisk());
        for (const FsOp op : {FsOp::Write, FsOp::Rename, FsOp::Remove, FsOp::CopyFile})
            m_outcome.changes.push_back(counted.Count(op));
        return saved;
    }

    Outcome Result() {
        for (const auto& [prefix, folder] : {std::pair<std::string, std::string>{"A/", A()},
                                             {"B/", B()},
                                             {"work/", m_work.Path()}})
            for (auto& [name, bytes] : FolderSnapshot(folder))
                m_outcome.folders.emplace_back(prefix + name, std::move(bytes));
        return m_outcome;
    }

private:
    TempDir m_root;
    TempDir m_work;
    FreshStore m_store;
    ScopedDataHome m_dataHome{m_root.Path()};
    std::shared_ptr<SinkLog> m_sink;
    CProjectDocument* m_a = nullptr;
    CProjectDocument* m_b = nullptr;
    bool m_readEverything;
    int m_moves = 0;
    Outcome m_outcome;
};

using Step = std::function<void(EditedProjects&)>;

void Drop(CLumData& from, std::vector<int> rows, int kind, CLumData& to, int at, bool copy) {
    EXPECT_TRUE(PerformDrop({&from, std::move(rows), kind, &to, at, false, copy},
                            FreshStore::UndoStep(), AskOkCancel(FreshStore::Services()))
                    .done);
}

struct Case {
    const char* change;
    std::vector<Step> steps; // each followed by a save
    // Patch and tone files the saves read in all: those not known from the last load or save.
    int reads;
    bool asks = false; // question 12: the folder changed behind the project's back
    Step check = {};   // after the saves
};

TEST(SaveAfterEdit, WritesWhatAFullReadWritesAndReadsOnlyWhatItDoesNotKnow) {
    std::optional<CPatchTone> slot;
    const std::vector<Case> cases = {
        {"a rename",
         {[](EditedProjects& r) { r.DocA().Data().Patches()[0].SetName("Renamed"); }},
         0},
        {"memos only",
         {[](EditedProjects& r) { r.DocA().Data().Tones()[1].SetMemo(2, "new"); }},
         0},
        {"drops within the project",
         {[](EditedProjects& r) {
             CLumData& a = r.DocA().Data();
             Drop(a, {0, 1}, kPatchKind, a, 6, false);
             Drop(a, {0}, kToneKind, a, 5, false); // its patches' areas change
         }},
         0},
        // The copied patch and its tone are files of B: the only ones read.
        {"a copy from another open project",
         {[](EditedProjects& r) {
             Drop(r.DocB().Data(), {0}, kPatchKind, r.DocA().Data(), 7, true);
         }},
         2},
        {"an undo",
         {[](EditedProjects& r) {
             CLumData& a = r.DocA().Data();
             a.Patches()[2].SetName("Kept");
             Drop(a, {2, 4}, kPatchKind, a, 0, false);
             CProjectDocuments::Get().Undo();
         }},
         0},
        {"a clean", {[](EditedProjects& r) { CleanProject(r.DocA().Data(), {}, FreshStore::UndoStep()); }}, 0},
        // The second save compares with what the first one wrote: it puts back what the
        // first one changed.
        {"a save after a save",
         {[&](EditedProjects& r) {
              CLumData& a = r.DocA().Data();
              slot = a.Patches()[1].Slot(0); // the same in both runs
              a.Patches()[1].ResetToneSlot(0);
              a.Patches()[1].SetMemo(1, "changed");
              Drop(a, {1}, kPatchKind, a, 7, true);
          },
          [&](EditedProjects& r) {
              CLumData& a = r.DocA().Data();
              a.Patches()[1].Slot(0) = *slot;
              a.Patches()[1].SetMemo(1, "second"); // as loaded
              a.Patches()[7].SetName("Copy");
          }},
         0},
        {"a change by another program",
         {[](EditedProjects& r) {
             ReplaceBehindTheBack(r.A() + "Patch/003 P3.d00",
                                  PatchFileBytes(MakePatch("P3", 2, 2), Seeded(kPatchKind, 3)));
             r.DocA().Data().Patches()[0].SetName("Renamed");
         }},
         9,
         true,
         // Saved over with Yes: the file holds the project's patch, not the other program's.
         [](EditedProjects& r) {
             CPatch saved;
             EXPECT_TRUE(ReadPatchFile(r.A() + "Patch/003 P3.d00", saved));
             EXPECT_EQ(saved.Slot(0).ToneNumber(), 4);
             EXPECT_EQ(saved.Slot(1).ToneNumber(), 1);
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.change);
        Outcome outcomes[2];
        for (const bool readEverything : {false, true}) {
            EditedProjects projects(readEverything);
            ASSERT_TRUE(projects.Loaded());
            for (const Step& step : c.steps) {
                step(projects);
                ASSERT_TRUE(projects.Save()) << projects.Sink().Describe();
            }
            if (c.check)
                c.check(projects);
            outcomes[readEverything ? 1 : 0] = projects.Result();
        }
        const Outcome& known = outcomes[0];
        const Outcome& everything = outcomes[1];
        EXPECT_EQ(SnapshotDifference(known.folders, everything.folders), "");
        EXPECT_EQ(known.changes, everything.changes);
        EXPECT_EQ(known.reads, c.reads);
        EXPECT_EQ(everything.reads, everything.used); // the reference read them all
        EXPECT_EQ(known.questions,
                  c.asks ? std::vector<int>{kMsgChangedOnDisk} : std::vector<int>{});
    }
}

} // namespace
