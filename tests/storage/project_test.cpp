// Projects loaded from and saved to their folders.
#include "storage/domain.h"
#include "storage/folder_transaction.h"
#include "storage/project_document.h"
#include "support/faulty_file_system.h"
#include "support/project_builder.h"
#include "support/scoped_environment.h"
#include "support/scripted_sink.h"

#include <algorithm>
#include <array>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <set>
#include <stdexcept>

using namespace Corv;
using namespace CorvTest;

namespace {

namespace fs = std::filesystem;
using Snapshot = std::vector<std::pair<std::string, Bytes>>;

// Each case starts from a fresh store and no open documents, with a recording sink installed
// and a work folder of its own.
class ProjectTest : public ::testing::Test {
protected:
    void SetUp() override {
        CProjectDocuments::Get().CloseAll();
        CDomain::Reset();
        m_sink = InstallScriptedSink(kAnswerYes);
        CDomain::Get().m_workFolder = m_work.Path() + "/";
    }
    void TearDown() override {
        CProjectDocuments::Get().CloseAll();
        CDomain::Reset();
    }

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
    CDomain::Get().ClearUndo();
    CDomain::Get().RecordUndo(kUndoAllKinds, taker.Data());
    patches[7].ClearTexts(); // the step that undo takes back

    Rename(giver, 0, "Renamed");
    ASSERT_TRUE(giver.SaveProject(a.Folder()));
    Docs().Undo();
    EXPECT_EQ(patches[7].FilePath(), a.Folder() + "Patch/001 Renamed.d00");
    Docs().Undo(); // patch 8 cleared again: the undo step holds its record

    Docs().Close(giver);
    Docs().Undo();
    EXPECT_EQ(patches[7].FilePath().rfind(m_work.Path(), 0), 0u);
    EXPECT_EQ(patches[8].FilePath().rfind(m_work.Path(), 0), 0u);
    fs::remove_all(a.Folder()); // the giver's folder may even go away now
    ASSERT_TRUE(taker.SaveProject(other.Folder()));
    EXPECT_EQ(ReadBytes(other.Folder() + "Patch/008 A.d00"), original);
    EXPECT_FALSE(CDomain::Get().CanUndo());
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
    struct Case {
        const char* change;
        std::function<void()> edit;
        WriteCount expected;
    };
    const Case cases[] = {
        {"nothing", [] {}, {0, 0, 0, 0, 0}},
        {"a patch renamed", [&] { data.Patches()[0].SetName("Renamed"); }, {0, 0, 1, 0, 0}},
        {"a tone memo", [&] { data.Tones()[4].SetMemo(3, "new memo"); }, {1, 1, 1, 0, 0}},
        // A new record area: a copy with the area written into it takes the file's name.
        {"a patch's tone slot", [&] { data.Patches()[2].ResetToneSlot(1); }, {1, 1, 1, 0, 1}},
        // File and memo change under a journal, the old memo file set aside first.
        {"a wave emptied", [&] { data.Waves()[9].ClearTexts(); }, {2, 2, 3, 3, 0}},
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
    }
}

} // namespace
