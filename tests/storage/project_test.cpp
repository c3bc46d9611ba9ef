// Projects loaded from and saved to their folders, and the save sweeps: a save failing at any
// one operation leaves the folders and records as they were; a save stopped after any operation,
// then a power loss, leaves a folder that the next open turns into exactly the old or the new
// state, with no file lost.
#include "storage/domain.h"
#include "storage/folder_transaction.h"
#include "storage/move_out.h"
#include "storage/project_document.h"
#include "storage/undo_step.h"
#include "support/faulty_file_system.h"
#include "support/fresh_store.h"
#include "support/memory_file_system.h"
#include "support/project_builder.h"
#include "support/scoped_environment.h"
#include "support/scripted_sink.h"

#include <algorithm>
#include <array>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <map>
#include <memory>
#include <set>
#include <stdexcept>
#include <tuple>

using namespace Corv;
using namespace CorvTest;

namespace {

namespace fs = std::filesystem;
using Snapshot = std::vector<std::pair<std::string, Bytes>>;

// Starts the store afresh: no open documents, a sink that agrees to every question, and this
// work folder.
std::shared_ptr<SinkLog> Restart(FreshStore& store, const std::string& workFolder) {
    store.Renew();
    auto sink = store.InstallSink(kAnswerYes);
    store.SetWorkFolder(workFolder + "/");
    return sink;
}

// Each case starts from a fresh store with a work folder of its own.
class ProjectTest : public ::testing::Test {
protected:
    void SetUp() override { m_sink = Restart(m_store, m_work.Path()); }

    CProjectDocuments& Docs() { return CProjectDocuments::Get(); }
    std::string Project(const std::string& name) const { return m_dir / (name + ".prj/"); }
    CProjectDocument& Open(const std::string& folder) {
        CProjectDocument* document = Docs().OpenProject(folder);
        if (document == nullptr)
            throw std::runtime_error("project did not load: " + folder);
        return *document;
    }
    // What the user was told, as "error N" and "ask N".
    std::vector<std::string> Messages() const {
        std::vector<std::string> lines;
        for (const SinkCall& call : m_sink->Calls())
            lines.push_back((call.question ? "ask " : "error ") + std::to_string(call.code));
        return lines;
    }
    // Four patches on three tones, two waves, system files and memos.
    ProjectBuilder Sample(const std::string& name) {
        ProjectBuilder b(Project(name));
        b.Patch(1, "A", 1).Patch(2, "B", 2).Patch(3, "C", 1, 3).Patch(4, "D", 0);
        b.Tone(1, "T1", {1}).Tone(2, "T2", {1, 2}).Tone(3, "T3", {});
        b.Wave(1, "W1", 100).Wave(2, "W2", 50, ".wav");
        b.SystemFiles().Memos(kPatchKind, {"memo of A"});
        return b;
    }
    void Rename(CProjectDocument& doc, int slot, const std::string& name) {
        doc.Data().Patches()[static_cast<std::size_t>(slot)].SetName(name);
        doc.SetModifiedFlag(true);
    }

    TempDir m_dir;
    TempDir m_work;
    ScopedDataHome m_dataHome{m_dir.Path()};
    std::shared_ptr<SinkLog> m_sink;
    FreshStore m_store; // closes the documents before the folders go
};

TEST_F(ProjectTest, PlacesFilesBySlotNumberAndRejectsWhatBreaksTheNamingRule) {
    ProjectBuilder b(Project("Song"));
    b.Patch(1, "A", 0).Patch(1, "B", 0).Patch(2, "ABCDEFGHIJKL", 0).Patch(513, "Far", 0);
    std::set<std::string> expected = {b.Folder() + "Patch/001 B.d00"};
    for (const char* name :
         {"000 Zero.d00", "1 Short.d00", "003 ABCDEFGHIJKLM.d00", "004X.d00", "Extra.d00"}) {
        b.File(std::string("Patch/") + name, PatchFileBytes(MakePatch("", 0)));
        expected.insert(b.Folder() + "Patch/" + name);
    }
    b.File("Patch/005 Notes.txt", {1, 2, 3});
    CProjectDocument& doc = Open(b.Folder());
    const CLumData& data = doc.Data();
    EXPECT_EQ(data.Patches()[0].FilePath(), b.Folder() + "Patch/001 A.d00");
    EXPECT_EQ(data.Patches()[1].Name(), "ABCDEFGHIJKL");
    EXPECT_EQ(data.CountEmpty(kPatchKind), 510);
    // 513 is dropped without a trace, the .txt is never listed
    EXPECT_EQ(std::set<std::string>(doc.RejectedFiles().begin(), doc.RejectedFiles().end()),
              expected);
    EXPECT_FALSE(doc.IsModified());
    EXPECT_TRUE(Messages().empty());
}

// Each of these folders is refused with message 1, which says why and names the first file or
// folder concerned (a file by its place in the project folder); no document is left and the disk
// is as it was.
TEST_F(ProjectTest, BrokenProjectsAreRefusedWithTheReasonWithoutChangingTheDisk) {
    const Bytes journal = {'n', 'o', 't', ' ', 'o', 'n', 'e'};
    ProjectBuilder(Project("Swapped")).File("Patch/012 Lead.d00", ToneFileBytes(MakeTone("", {})));
    ProjectBuilder(Project("Journal")).File(kPlacingJournalName, journal);
    ProjectBuilder(m_dir / "Plain/"); // a project folder without ".prj"
    const std::pair<std::string, std::string> cases[] = {
        {Project("Swapped"), "Patch/012 Lead.d00: not a patch file"},
        {Project("Journal"),
         "an interrupted save could not be completed: its save journal is damaged"},
        {m_dir / "Nothing.prj", Project("Nothing") + " is missing"},
        {m_dir / "Plain", m_dir / "Plain/ is not a folder named *.prj"}};
    const auto before = FolderSnapshot(m_dir.Path());
    for (const auto& [path, detail] : cases) {
        m_sink->Clear();
        EXPECT_EQ(Docs().OpenProject(path), nullptr) << path;
        ASSERT_EQ(Messages(), std::vector<std::string>{"error 1"});
        EXPECT_EQ(m_sink->Calls().front().detail, detail);
    }
    EXPECT_TRUE(Docs().Documents().empty());
    EXPECT_TRUE(m_sink->Notices().empty()); // the reason is the error's, not a notice's
    EXPECT_EQ(FolderSnapshot(m_dir.Path()), before);
}

// One folder under other spellings is one open project, and opening it again brings that
// project forward; another folder, or one that is not there, is not it.
TEST_F(ProjectTest, AnOpenFolderIsFoundUnderEverySpelling) {
    ProjectBuilder b(Project("Twice")), other(Project("Other"));
    const std::string base = m_dir.Path() + "/";
    fs::create_directory(base + "sub");
    fs::create_directory_symlink(base + "Twice.prj", base + "Link.prj");
    CProjectDocument& first = Open(base + "Twice.prj//"); // as a shell completes it
    EXPECT_EQ(first.Data().ProjectFolder(), b.Folder());
    std::string backslashed = base + "Twice.prj\\";
    std::replace(backslashed.begin(), backslashed.end(), '/', '\\');
    for (const std::string& same : {base + "./Twice.prj/", base + "sub//..//Twice.prj//",
                                    base + "sub/../Link.prj/", backslashed}) {
        EXPECT_EQ(Docs().FindOpenProject(same), &first) << same;
        EXPECT_EQ(Docs().OpenProject(same), &first) << same;
    }
    for (const std::string& elsewhere : {base + "Other.prj", base + "Gone.prj", base + "sub"})
        EXPECT_EQ(Docs().FindOpenProject(elsewhere), nullptr) << elsewhere;
    EXPECT_EQ(Docs().Documents().size(), 1u);
    EXPECT_EQ(NormaliseFolderPath("C:\\\\Work\\\\Song.PRJ"), "C:/Work/Song.PRJ/");
}

TEST(ProjectFolderName, EndsInPrjInAnyCaseWithOrWithoutSeparators) {
    for (const char* name : {"Song.prj", "Song.PRJ/", "a/b/Live.Prj//", "C:\\Song.prj\\", ".prj"})
        EXPECT_TRUE(IsProjectFolderName(name)) << name;
    for (const char* name : {"", "prj", "/", "Song.prj.bak", "Song.prjx/", "Song_prj", "Song.pr"})
        EXPECT_FALSE(IsProjectFolderName(name)) << name;
}

TEST_F(ProjectTest, RefusalsChangeNothing) {
    ProjectBuilder a = Sample("First");
    ProjectBuilder other = Sample("Second");
    CProjectDocument& doc = Open(a.Folder());
    Open(other.Folder());
    Rename(doc, 0, "Renamed");
    fs::create_directory_symlink(a.Folder(), m_dir / "SelfLink.prj");
    fs::create_directory_symlink(other.Folder(), m_dir / "OtherLink.prj");
    const std::string plain = m_dir / "Samples"; // not a project: never emptied
    fs::create_directories(plain);
    WriteBytes(plain + "/Corvane System.s00", {4});
    // Folders whose "Patch" leads into this project or anywhere else: never replaced.
    for (const std::string& into : {a.Folder() + "Patch", plain}) {
        const std::string trap = Project(into == plain ? "Trap2" : "Trap1");
        fs::create_directories(trap + "Tone");
        fs::create_directory_symlink(into, trap + "Patch");
    }
    const auto before = FolderSnapshot(m_dir.Path()); // links are not followed

    EXPECT_FALSE(doc.SaveProject(other.Folder())) << "another open project's folder";
    // Open projects' folders under other spellings, and the traps.
    for (const char* link :
         {"/SelfLink.prj", "/OtherLink.prj/", "/./First.prj", "/Trap1.prj", "/Trap2.prj"})
        EXPECT_FALSE(doc.SaveProject(m_dir.Path() + link)) << link;
    EXPECT_FALSE(doc.SaveProject(plain)) << "not a .prj folder";
    fs::remove(a.Folder() + "Tone/003 T3.p00"); // a record's file has gone
    EXPECT_FALSE(doc.SaveProject(a.Folder()));
    fs::copy_file(other.Folder() + "Tone/003 T3.p00", a.Folder() + "Tone/003 T3.p00");

    EXPECT_EQ(Messages(), std::vector<std::string>(8, "error 2"));
    EXPECT_EQ(FolderSnapshot(m_dir.Path()), before);
    EXPECT_TRUE(doc.IsModified());
    EXPECT_TRUE(doc.SaveProject(a.Folder())) << "and after all that a save still works";
}

// A copied record names its source's file until saved, and follows that file when the source
// renames or closes, as does the record the undo step holds.
TEST_F(ProjectTest, CopiedRecordsFollowTheirFileWhenTheSourceIsSavedOrClosed) {
    ProjectBuilder a = Sample("Giver"), other = Sample("Taker");
    CProjectDocument& giver = Open(a.Folder());
    CProjectDocument& taker = Open(other.Folder());
    const Bytes original = ReadBytes(a.Folder() + "Patch/001 A.d00");
    CPatchArray& patches = taker.Data().Patches();
    patches.PlaceClone(7, giver.Data().Patches()[0]);
    patches.PlaceClone(8, giver.Data().Patches()[1]);
    FreshStore::UndoStep().Clear();
    FreshStore::UndoStep().Record(KindSet::All(), taker.Data());
    patches[7].ClearTexts(); // the step that undo takes back
    EXPECT_FALSE(FreshStore::UndoStep().CanRedo());

    Rename(giver, 0, "Renamed");
    ASSERT_TRUE(giver.SaveProject(a.Folder()));
    Docs().Undo();
    EXPECT_EQ(patches[7].FilePath(), a.Folder() + "Patch/001 Renamed.d00");
    EXPECT_TRUE(FreshStore::UndoStep().CanRedo()); // right after an Undo, the step redoes
    Docs().Undo(); // patch 8 cleared again: the undo step holds its record
    EXPECT_FALSE(FreshStore::UndoStep().CanRedo());

    Docs().Close(giver);
    Docs().Undo();
    EXPECT_EQ(patches[7].FilePath().rfind(m_work.Path(), 0), 0u);
    EXPECT_EQ(patches[8].FilePath().rfind(m_work.Path(), 0), 0u);
    fs::remove_all(a.Folder()); // the giver's folder may even go away now
    ASSERT_TRUE(taker.SaveProject(other.Folder()));
    EXPECT_EQ(ReadBytes(other.Folder() + "Patch/008 A.d00"), original);
    EXPECT_FALSE(FreshStore::UndoStep().CanUndo());
}

// A slot file that is a link gets a file of its own when its record area changes: a link is
// never written through.
TEST_F(ProjectTest, LinksAreReplacedNeverWrittenThrough) {
    ProjectBuilder a = Sample("Linked"), other = Sample("Target");
    const std::string linked = a.Folder() + "Patch/003 C.d00";
    fs::remove(linked);
    fs::create_symlink(other.Folder() + "Patch/003 C.d00", linked);
    const Bytes theirs = ReadBytes(other.Folder() + "Patch/003 C.d00");
    CProjectDocument& doc = Open(a.Folder());
    doc.Data().Patches()[2].ResetToneSlot(1);
    doc.SetModifiedFlag(true);
    ASSERT_TRUE(doc.SaveProject(a.Folder()));
    EXPECT_FALSE(fs::is_symlink(linked));
    EXPECT_NE(ReadBytes(linked), theirs);
    EXPECT_EQ(ReadBytes(other.Folder() + "Patch/003 C.d00"), theirs);
}

// Records of another project follow two files that exchanged their names to where each went.
TEST_F(ProjectTest, BorrowersFollowFilesThatExchangedTheirNames) {
    ProjectBuilder a(Project("Twins")), other = Sample("Borrows");
    a.Patch(1, "Same", 1).Patch(2, "Same", 2).Tone(1, "T1", {}).Tone(2, "T2", {});
    CProjectDocument& doc = Open(a.Folder());
    CProjectDocument& borrower = Open(other.Folder());
    CPatchArray& patches = doc.Data().Patches();
    borrower.Data().Patches().PlaceClone(8, patches[0]);
    borrower.Data().Patches().PlaceClone(9, patches[1]);
    const Bytes first = ReadBytes(patches[0].FilePath()), second = ReadBytes(patches[1].FilePath());
    auto firstPatch = CPatchArray::Copy(patches[0]);
    patches.PlaceClone(0, patches[1]);
    patches.Place(1, std::move(firstPatch));
    doc.SetModifiedFlag(true);
    ASSERT_TRUE(doc.SaveProject(a.Folder()));
    EXPECT_EQ(ReadBytes(borrower.Data().Patches()[8].FilePath()), first);
    EXPECT_EQ(ReadBytes(borrower.Data().Patches()[9].FilePath()), second);
    EXPECT_EQ(ReadBytes(a.Folder() + "Patch/001 Same.d00"), second);
}

// Files the loader refused are moved out by the save; one with a slot's number never takes the
// slot's file along when the slot is renamed to its name.
TEST_F(ProjectTest, RefusedFilesAreMovedOutAndNeverTakeASlotFileAlong) {
    ProjectBuilder b = Sample("Refused");
    b.File("ToneMemo.txt", Bytes(4u << 20, 'x')).File("Patch/001 B.d00", {7, 7, 7});
    CProjectDocument& doc = Open(b.Folder());
    ASSERT_EQ(doc.RejectedFiles().size(), 2u);
    const Bytes slotFile = ReadBytes(b.Folder() + "Patch/001 A.d00");
    Rename(doc, 0, "B");
    doc.Data().Tones()[0].SetMemo(1, "fresh");
    ASSERT_TRUE(doc.SaveProject(b.Folder()));
    const Bytes memo = ReadBytes(b.Folder() + "ToneMemo.txt");
    EXPECT_EQ(std::string(memo.begin(), memo.begin() + 7), "fresh\r\n");
    EXPECT_EQ(FolderSnapshot(ScopedDataHome::TrashFiles(m_dir.Path())),
              (Snapshot{{"001 B.d00", {7, 7, 7}}, {"ToneMemo.txt", Bytes(4u << 20, 'x')}}));
    EXPECT_EQ(ReadBytes(b.Folder() + "Patch/001 B.d00"), slotFile);
    EXPECT_TRUE(doc.SourceFilesPresent());
}

// Opens in Write or Update mode, writes, renames, removes, copies.
using WriteCount = std::array<int, 5>;

// A save of a full project writes only files whose bytes change; a new name is only a rename.
TEST_F(ProjectTest, ASaveWritesOnlyWhatChanged) {
    const std::string folder = Project("Full");
    BuildFullProject(folder);
    CProjectDocument& doc = Open(folder);
    CLumData& data = doc.Data();
    // The file operations counted, and what the save tells people it did (written, renamed,
    // removed).
    struct Case {
        const char* change;
        std::function<void()> edit;
        WriteCount expected;
        std::array<int, 3> said;
    };
    const Case cases[] = {
        {"nothing", [] {}, {0, 0, 0, 0, 0}, {0, 0, 0}},
        {"a patch renamed",
         [&] { data.Patches()[0].SetName("Renamed"); },
         {0, 0, 1, 0, 0},
         {0, 1, 0}},
        {"a tone memo",
         [&] { data.Tones()[4].SetMemo(3, "new memo"); },
         {1, 1, 1, 0, 0},
         {1, 0, 0}},
        // A new record area: a copy with the area written into it takes the file's name.
        {"a patch's tone slot",
         [&] { data.Patches()[2].ResetToneSlot(1); },
         {1, 1, 1, 0, 1},
         {1, 0, 0}},
        // File and memo change under a journal, the old memo file set aside first.
        {"a wave emptied", [&] { data.Waves()[9].ClearTexts(); }, {2, 2, 3, 3, 0}, {1, 0, 1}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.change);
        c.edit();
        doc.SetModifiedFlag(true);
        InstalledFaultyFileSystem counting;
        counting.SetLogging(true);
        ASSERT_TRUE(doc.SaveProject(folder));
        WriteCount count = {0, counting.Count(FsOp::Write), counting.Count(FsOp::Rename),
                            counting.Count(FsOp::Remove), counting.Count(FsOp::CopyFile)};
        for (const std::string& line : counting.Log())
            count[0] += line.rfind("Open Write", 0) == 0 || line.rfind("Open Update", 0) == 0;
        EXPECT_EQ(count, c.expected);
        const auto& said = doc.LastSaveCounts();
        EXPECT_EQ((std::array<int, 3>{said.written, said.renamed, said.removed}), c.said);
    }
}

// The save sweeps run over a reference scenario: two open projects with every kind of pending
// change for project A, saved in place, into a new folder, or over another project.
constexpr const char* kRejected = "Patch/Extra.d00"; // a file of A that breaks the naming rule

enum class SaveTarget { InPlace, NewFolder, Replace };

inline const char* TargetName(SaveTarget target) {
    const char* const names[] = {"in place", "into a new folder", "over another project"};
    return names[static_cast<int>(target)];
}

// Records by where they are: (project or snapshot, kind, slot).
using RecordKey = std::tuple<std::string, int, std::size_t>;

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
        m_sink = ::Restart(m_store, m_work.Path());
        m_a = CProjectDocuments::Get().OpenProject(Folder("A"));
        m_b = CProjectDocuments::Get().OpenProject(Folder("B"));
        ASSERT_TRUE(m_a != nullptr && m_b != nullptr);

        CLumData& da = m_a->Data();
        if (!oneRename) {
            FreshStore::UndoStep().Record(KindSet::All(), da);
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
    // The store afresh, as a new run of the program finds it.
    void Restart() { ::Restart(m_store, m_work.Path()); }
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
        const CUndoStep::Snapshot& undo = FreshStore::UndoStep().Slots()[0];
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
        if (FreshStore::UndoStep().Slots()[0].owner == nullptr)
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
    FreshStore m_store; // closes the documents before the folders go
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
    scenario.Restart();
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

// A save stopped after setting an original aside: the next open completes it when the staged
// file is there, and puts the original back when it is gone (else the slot would have no file).
// What a completed journal removes goes to the trash under the name it had in the project.
TEST(Recovery, CompletesWithItsStagedFileAndMovesOutWhatItRemoves) {
    using Kind = CommitStep::Kind;
    const std::string slot = "Patch/001 A.d00", other = "Patch/002 B.d00";
    const std::string aside = std::string("Patch/") + kAsidePrefix + "1";
    const std::string staged = std::string("Patch/") + kStagedPrefix + "1";
    const Bytes original = {'o', 'l', 'd'}, fresh = {'n', 'e', 'w'};
    struct Case {
        const char* what;
        std::vector<CommitStep> steps;
        std::vector<std::pair<std::string, Bytes>> files; // in the folder before
        Recovery expected;
        Snapshot patches, trash; // after
    };
    const std::vector<CommitStep> replace = {
        {Kind::Aside, slot, aside}, {Kind::Place, staged, slot}, {Kind::Remove, aside, {}}};
    const Case cases[] = {
        {"staged file there",
         replace,
         {{aside, original}, {staged, fresh}},
         Recovery::Completed,
         {{"001 A.d00", fresh}},
         {{"001 A.d00", original}}},
        {"staged file gone",
         replace,
         {{aside, original}},
         Recovery::Undone,
         {{"001 A.d00", original}},
         {}},
        {"a slot file removed",
         {{Kind::Place, staged, other}, {Kind::Remove, slot, {}}},
         {{slot, original}, {staged, fresh}},
         Recovery::Completed,
         {{"002 B.d00", fresh}},
         {{"001 A.d00", original}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TempDir dir;
        ScopedDataHome dataHome(dir.Path());
        const std::string folder = dir.Path() + "/Song.prj/";
        std::filesystem::create_directories(folder + "Patch");
        for (const auto& [path, bytes] : c.files)
            WriteBytes(folder + path, bytes);
        const std::string journal = JournalText(c.steps);
        WriteBytes(folder + kJournalName, Bytes(journal.begin(), journal.end()));

        std::string problem;
        CMoveOutReport report;
        EXPECT_EQ(RecoverProjectFolder(folder, MoveOutInto(folder, report), problem), c.expected)
            << problem;
        EXPECT_EQ(FolderSnapshot(folder + "Patch"), c.patches);
        EXPECT_EQ(FolderSnapshot(ScopedDataHome::TrashFiles(dir.Path())), c.trash);
        EXPECT_FALSE(FileExists(folder + kJournalName));
    }
}

} // namespace
