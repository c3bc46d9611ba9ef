#include <filesystem>

#include "storage/memo_file.h"
#include "storage/slot_file_name.h"
#include "storage/svd_file.h"
#include "storage_fixture.h"
#include "support/faulty_file_system.h"

using namespace Corv;
using namespace CorvTest;
namespace fs = std::filesystem;

namespace {

class SaveTest : public StorageTest {
protected:
    // A project with four patches on three tones, two waves, system files, memos and a file
    // that breaks the naming rule.
    ProjectBuilder Sample(const std::string& name) {
        ProjectBuilder b(Project(name));
        b.Patch(1, "A", 1).Patch(2, "B", 2).Patch(3, "C", 1, 3).Patch(4, "D", 0);
        b.Tone(1, "T1", {1}).Tone(2, "T2", {1, 2}).Tone(3, "T3", {});
        b.Wave(1, "W1", 100).Wave(2, "W2", 50, ".wav");
        b.SystemFiles().Memos(kPatchKind, {"memo of A"});
        return b;
    }
    bool Save(CProjectDocument& doc, const std::string& folder) { return doc.SaveProject(folder); }
    void Rename(CProjectDocument& doc, int slot, const std::string& name) {
        doc.Data().Patches()[static_cast<std::size_t>(slot)].SetName(name);
        doc.SetModifiedFlag(true);
    }
};

// The bytes of a file outside the record area of its kind.
Bytes Outside(Bytes bytes, std::size_t offset, std::size_t length) {
    bytes.erase(bytes.begin() + static_cast<std::ptrdiff_t>(offset),
                bytes.begin() + static_cast<std::ptrdiff_t>(offset + length));
    return bytes;
}

TEST_F(SaveTest, RenameInPlaceRenamesTheFileAndRewritesOnlyItsRecordArea) {
    ProjectBuilder b = Sample("Song");
    CProjectDocument& doc = Open(b.Folder());
    const Bytes before = ReadBytes(b.Folder() + "Patch/001 A.d00");
    const auto snapshot = FolderSnapshot(b.Folder());

    CPatch& patch = doc.Data().Patches()[0];
    patch.SetName("Lead");
    patch.Slot(1).SetP(5, 33); // a carried parameter changes too
    doc.SetModifiedFlag(true);
    ASSERT_TRUE(Save(doc, b.Folder()));

    EXPECT_FALSE(FileExists(b.Folder() + "Patch/001 A.d00"));
    const Bytes after = ReadBytes(b.Folder() + "Patch/001 Lead.d00");
    EXPECT_EQ(after.size(), before.size());
    EXPECT_EQ(Outside(after, kPatchAreaOffset, kPatchAreaBytes),
              Outside(before, kPatchAreaOffset, kPatchAreaBytes));
    CPatch reread;
    ASSERT_TRUE(ReadPatchFile(b.Folder() + "Patch/001 Lead.d00", reread));
    EXPECT_EQ(reread.Slot(1).P(5), 33);
    EXPECT_EQ(doc.Data().SlotPaths(kPatchKind)[0], b.Folder() + "Patch/001 Lead.d00");
    EXPECT_FALSE(doc.IsModified());
    for (const auto& [relative, bytes] : snapshot)
        if (relative != "Patch/001 A.d00" && relative.find("Memo") == std::string::npos) {
            EXPECT_EQ(ReadBytes(b.Folder() + relative), bytes) << relative;
        }
}

TEST_F(SaveTest, ExchangedSlotsSwapTheirFilesUnderTheNewNumbers) {
    ProjectBuilder b = Sample("Swap");
    CProjectDocument& doc = Open(b.Folder());
    const Bytes fileA = ReadBytes(b.Folder() + "Patch/001 A.d00");
    const Bytes fileB = ReadBytes(b.Folder() + "Patch/002 B.d00");
    CPatchArray& patches = doc.Data().Patches();
    auto first = CPatchArray::Copy(patches[0]);
    patches.PlaceClone(0, patches[1]);
    patches.Place(1, std::move(first));
    ASSERT_TRUE(Save(doc, b.Folder()));

    EXPECT_EQ(ListFolder(b.Folder() + "Patch"),
              (std::vector<std::string>{"001 B.d00", "002 A.d00", "003 C.d00", "004 D.d00"}));
    EXPECT_EQ(ReadBytes(b.Folder() + "Patch/001 B.d00"), fileB);
    EXPECT_EQ(ReadBytes(b.Folder() + "Patch/002 A.d00"), fileA);
    // The two files only changed places, by renames through hidden names: nothing was copied.
    EXPECT_TRUE(ListFolder(m_work.Path()).empty());
    EXPECT_EQ(CDomain::Get().m_workFileCounter, 0u);
}

TEST_F(SaveTest, EmptiedSlotLosesItsFileAndRejectedFilesGo) {
    ProjectBuilder b = Sample("Empty");
    b.File("Patch/Extra.d00", {1, 2, 3}).Patch(1, "Duplicate", 0);
    CProjectDocument& doc = Open(b.Folder());
    ASSERT_EQ(doc.RejectedFiles().size(), 2u);
    doc.Data().Patches()[1].ClearTexts();
    ASSERT_TRUE(Save(doc, b.Folder()));
    EXPECT_EQ(ListFolder(b.Folder() + "Patch"),
              (std::vector<std::string>{"001 A.d00", "003 C.d00", "004 D.d00"}));
    EXPECT_TRUE(doc.RejectedFiles().empty());
}

TEST_F(SaveTest, SaveAsCopiesEverythingAndLeavesTheOldFolderAlone) {
    ProjectBuilder b = Sample("Old");
    b.File("Patch/Extra.d00", {9});
    fs::remove(b.Folder() + "Corvane Palette.s00"); // a missing system file is no failure
    CProjectDocument& doc = Open(b.Folder());
    const auto before = FolderSnapshot(b.Folder());
    const std::string target = Project("New");
    ASSERT_TRUE(Save(doc, target));

    EXPECT_EQ(FolderSnapshot(b.Folder()), before);
    EXPECT_EQ(ListFolder(target + "Patch"),
              (std::vector<std::string>{"001 A.d00", "002 B.d00", "003 C.d00", "004 D.d00"}));
    EXPECT_EQ(ListFolder(target + "Wave"), (std::vector<std::string>{"001 W1.w00", "002 W2.wav"}));
    EXPECT_EQ(ListFolder(target).size(), 7u); // four system files and three memo files
    for (const auto& [relative, bytes] : FolderSnapshot(target))
        if (relative.find("Memo") == std::string::npos) {
            EXPECT_EQ(bytes, ReadBytes(b.Folder() + relative)) << relative;
        }
    EXPECT_EQ(doc.Data().Patches()[0].FilePath(), target + "Patch/001 A.d00");
    EXPECT_TRUE(Messages().empty());
    CProjectDocument& copy = Open(target);
    EXPECT_EQ(copy.Data().Patches()[0].Memo(1), "memo of A");
    EXPECT_EQ(copy.Data().Patches()[2].Slot(1).ToneNumber(), 3);
    EXPECT_EQ(copy.Data().Waves()[1].Users(), std::vector<std::int32_t>{1});
}

TEST_F(SaveTest, SaveAsOntoAnExistingProjectAsksBeforeReplacingIt) {
    ProjectBuilder b = Sample("Source");
    ProjectBuilder existing(Project("Existing"));
    existing.Patch(9, "Stale", 0).Wave(3, "Old", 10).SystemFiles().File("Other.s00", {1});
    existing.File("notes.txt", {2});
    CProjectDocument& doc = Open(b.Folder());
    const auto untouched = FolderSnapshot(existing.Folder());

    m_sink->QueueAnswers({kAnswerNo});
    EXPECT_FALSE(Save(doc, existing.Folder()));
    EXPECT_EQ(Messages(), std::vector<std::string>{"ask 2 7"});
    EXPECT_EQ(FolderSnapshot(existing.Folder()), untouched);
    EXPECT_EQ(doc.Data().ProjectFolder(), b.Folder());

    m_sink->QueueAnswers({kAnswerYes});
    ASSERT_TRUE(Save(doc, existing.Folder()));
    EXPECT_FALSE(FileExists(existing.Folder() + "Patch/009 Stale.d00"));
    EXPECT_FALSE(FileExists(existing.Folder() + "Wave/003 Old.w00"));
    EXPECT_FALSE(FileExists(existing.Folder() + "Other.s00"));
    EXPECT_TRUE(FileExists(existing.Folder() + "notes.txt"));
    EXPECT_TRUE(FileExists(existing.Folder() + "Patch/004 D.d00"));
}

TEST_F(SaveTest, RefusalsChangeNothing) {
    ProjectBuilder a = Sample("First");
    ProjectBuilder other = Sample("Second");
    CProjectDocument& doc = Open(a.Folder());
    Open(other.Folder());
    Rename(doc, 0, "Renamed");
    const auto snapshotA = FolderSnapshot(a.Folder());
    const auto snapshotB = FolderSnapshot(other.Folder());
    const std::string plain = m_dir.Path() + "/Samples"; // not a project: never emptied
    fs::create_directories(plain);
    WriteBytes(plain + "/Corvane System.s00", {4});

    EXPECT_FALSE(Save(doc, other.Folder())) << "another open project's folder";
    EXPECT_FALSE(Save(doc, plain)) << "not a .prj folder";
    {
        InstalledFaultyFileSystem faulty; // the file cannot take its new name
        faulty.FailAll(FsOp::Rename);
        EXPECT_FALSE(Save(doc, a.Folder()));
    }
    fs::remove(a.Folder() + "Tone/003 T3.p00"); // a record's file has gone
    EXPECT_FALSE(Save(doc, a.Folder()));
    fs::copy_file(other.Folder() + "Tone/003 T3.p00", a.Folder() + "Tone/003 T3.p00");

    EXPECT_EQ(Messages(), (std::vector<std::string>{"error 2", "error 2", "error 2", "error 2"}));
    EXPECT_EQ(FolderSnapshot(a.Folder()), snapshotA);
    EXPECT_EQ(FolderSnapshot(other.Folder()), snapshotB);
    EXPECT_EQ(ListFolder(plain), std::vector<std::string>{"Corvane System.s00"});
    EXPECT_TRUE(doc.IsModified());
    EXPECT_EQ(doc.Data().ProjectFolder(), a.Folder());
    EXPECT_TRUE(Save(doc, a.Folder())) << "and after all that a save still works";
}

// An open project's folder reached under another spelling (here through a link) is that
// project's folder: saving "elsewhere" into it is refused before the replace question could
// delete the files the project is made of.
TEST_F(SaveTest, OpenFolderUnderAnotherSpellingIsNeverReplaced) {
    ProjectBuilder a = Sample("Self"), other = Sample("Neighbour");
    CProjectDocument& doc = Open(a.Folder());
    Open(other.Folder());
    fs::create_directory_symlink(a.Folder(), m_dir.Path() + "/SelfLink.prj");
    fs::create_directory_symlink(other.Folder(), m_dir.Path() + "/NeighbourLink.prj");
    const auto snapshotA = FolderSnapshot(a.Folder());
    const auto snapshotB = FolderSnapshot(other.Folder());
    Rename(doc, 0, "Changed");

    EXPECT_FALSE(Save(doc, m_dir.Path() + "/SelfLink.prj"));
    EXPECT_FALSE(Save(doc, m_dir.Path() + "/NeighbourLink.prj/"));
    EXPECT_FALSE(Save(doc, m_dir.Path() + "/./Self.prj"));
    EXPECT_EQ(Messages(), (std::vector<std::string>{"error 2", "error 2", "error 2"}));
    EXPECT_EQ(FolderSnapshot(a.Folder()), snapshotA);
    EXPECT_EQ(FolderSnapshot(other.Folder()), snapshotB);
    EXPECT_TRUE(Save(doc, a.Folder())) << "its own spelling still saves in place";
}

TEST_F(SaveTest, NewProjectSavesOnlyThroughTheChooser) {
    ProjectBuilder b = Sample("Material");
    CProjectDocument& source = Open(b.Folder());
    CProjectDocument& doc = Docs().New();
    EXPECT_EQ(doc.Title(), "Untitled1");
    doc.Data().Patches().PlaceClone(0, source.Data().Patches()[3]);
    int asked = 0;
    EXPECT_FALSE(doc.DoSave(false, [&](std::string&) { return ++asked, false; }));
    EXPECT_EQ(asked, 1);
    const std::string target = Project("Fresh");
    ASSERT_TRUE(doc.DoSave(false, [&](std::string& folder) { return folder = target, true; }));
    EXPECT_EQ(doc.PathName(), target);
    EXPECT_EQ(ListFolder(target + "Patch"), std::vector<std::string>{"001 D.d00"});
    EXPECT_FALSE(FileExists(target + "Corvane System.s00")); // a new project has none to copy
}

// Undo is one step for the whole process: saving or closing its owner ends it.
TEST_F(SaveTest, SavingOrClosingTheOwnerClearsTheUndoStep) {
    ProjectBuilder a = Sample("UndoA"), other = Sample("UndoB");
    CProjectDocument& docA = Open(a.Folder());
    CProjectDocument& docB = Open(other.Folder());
    CDomain& domain = CDomain::Get();
    domain.ClearUndo();
    domain.RecordUndo(kUndoAllKinds, docA.Data());
    docA.Data().Patches()[0].ClearTexts();

    ASSERT_TRUE(Save(docB, other.Folder()));
    EXPECT_TRUE(domain.CanUndo());
    Docs().Undo();
    EXPECT_EQ(docA.Data().Patches()[0].Name(), "A");
    EXPECT_TRUE(docA.IsModified());
    Docs().Undo();
    EXPECT_TRUE(docA.Data().Patches()[0].IsEmpty());

    ASSERT_TRUE(Save(docA, a.Folder()));
    EXPECT_FALSE(domain.CanUndo());

    domain.RecordUndo(kPatchKind, docB.Data());
    Docs().Close(docB);
    EXPECT_FALSE(domain.CanUndo());
}

// A record copied from one project into another names the first project's file until the
// second is saved; it keeps working when the first project renames or closes.
TEST_F(SaveTest, CopiedRecordsFollowTheirFileWhenTheSourceIsSavedOrClosed) {
    ProjectBuilder a = Sample("Giver"), other = Sample("Taker");
    CProjectDocument& giver = Open(a.Folder());
    CProjectDocument& taker = Open(other.Folder());
    const Bytes original = ReadBytes(a.Folder() + "Patch/001 A.d00");
    taker.Data().Patches().PlaceClone(7, giver.Data().Patches()[0]);
    taker.Data().Patches().PlaceClone(8, giver.Data().Patches()[1]);

    Rename(giver, 0, "Renamed");
    ASSERT_TRUE(Save(giver, a.Folder()));
    EXPECT_EQ(taker.Data().Patches()[7].FilePath(), a.Folder() + "Patch/001 Renamed.d00");

    Docs().Close(giver);
    EXPECT_EQ(taker.Data().Patches()[7].FilePath().rfind(m_work.Path(), 0), 0u);
    EXPECT_EQ(taker.Data().Patches()[8].FilePath().rfind(m_work.Path(), 0), 0u);
    fs::remove_all(a.Folder()); // the giver's folder may even go away now

    ASSERT_TRUE(Save(taker, other.Folder()));
    EXPECT_EQ(ReadBytes(other.Folder() + "Patch/008 A.d00"), original);
    EXPECT_TRUE(FileExists(other.Folder() + "Patch/009 B.d00"));
}

// A copy within the project whose original is renamed: the copy must take its bytes from
// wherever the original's file is by then.
TEST_F(SaveTest, CopyThenRenameOriginalSavesBoth) {
    ProjectBuilder b = Sample("Within");
    CProjectDocument& doc = Open(b.Folder());
    const Bytes original = ReadBytes(b.Folder() + "Patch/001 A.d00");
    doc.Data().Patches().PlaceClone(9, doc.Data().Patches()[0]);
    Rename(doc, 0, "Renamed");
    ASSERT_TRUE(Save(doc, b.Folder()));
    EXPECT_EQ(ReadBytes(b.Folder() + "Patch/001 Renamed.d00"), original);
    EXPECT_EQ(ReadBytes(b.Folder() + "Patch/010 A.d00"), original);
    Rename(doc, 0, "Again");
    EXPECT_TRUE(Save(doc, b.Folder())) << "and later saves keep working";
}

// A failed save leaves the folder and every record as they were; records of other projects
// follow the file through the saves that succeed, and a close hands it over.
TEST_F(SaveTest, FailedSaveChangesNothingAndBorrowersFollowLaterSaves) {
    ProjectBuilder a = Sample("Halfway"), other = Sample("Borrower");
    CProjectDocument& doc = Open(a.Folder());
    CProjectDocument& borrower = Open(other.Folder());
    borrower.Data().Patches().PlaceClone(9, doc.Data().Patches()[0]);
    const auto before = FolderSnapshot(a.Folder());
    for (const char* name : {"Second", "Third", "Fourth"}) {
        Rename(doc, 0, name);
        InstalledFaultyFileSystem faulty;
        faulty.FailAll(FsOp::Rename, std::string(name) != "Third");
        EXPECT_EQ(Save(doc, a.Folder()), std::string(name) == "Third") << name;
        if (std::string(name) == "Second") {
            EXPECT_EQ(FolderSnapshot(a.Folder()), before);
        }
    }
    EXPECT_EQ(ListFolder(a.Folder() + "Patch"),
              (std::vector<std::string>{"001 Third.d00", "002 B.d00", "003 C.d00", "004 D.d00"}));
    Docs().Close(doc);
    EXPECT_EQ(borrower.Data().Patches()[9].FilePath(), m_work.Path() + "/000 Third.d00");
    EXPECT_TRUE(borrower.SourceFilesPresent());
}

TEST_F(SaveTest, RejectedFileNeverTakesTheSlotFileAlong) {
    ProjectBuilder b = Sample("Clash");
    b.File("Patch/001 B.d00", {7, 7, 7}); // a duplicate number: rejected
    CProjectDocument& doc = Open(b.Folder());
    const Bytes slotFile = ReadBytes(b.Folder() + "Patch/001 A.d00");
    ASSERT_EQ(doc.RejectedFiles().size(), 1u);
    Rename(doc, 0, "B");
    ASSERT_TRUE(Save(doc, b.Folder()));
    EXPECT_EQ(ReadBytes(b.Folder() + "Patch/001 B.d00"), slotFile);
    EXPECT_TRUE(doc.SourceFilesPresent());
}

// The undo step holds records too: they follow files that a save or a close moves.
TEST_F(SaveTest, UndoStepRecordsFollowMovedFiles) {
    ProjectBuilder a = Sample("Moves"), other = Sample("Holds");
    CProjectDocument& mover = Open(a.Folder());
    CProjectDocument& holder = Open(other.Folder());
    holder.Data().Patches().PlaceClone(5, mover.Data().Patches()[0]);
    CDomain::Get().ClearUndo();
    CDomain::Get().RecordUndo(kUndoAllKinds, holder.Data());
    holder.Data().Patches()[5].ClearTexts(); // the step that undo takes back

    Rename(mover, 0, "Moved");
    ASSERT_TRUE(Save(mover, a.Folder()));
    Docs().Undo();
    EXPECT_EQ(holder.Data().Patches()[5].FilePath(), a.Folder() + "Patch/001 Moved.d00");
    Docs().Undo();

    Docs().Close(mover);
    Docs().Undo();
    EXPECT_TRUE(holder.SourceFilesPresent());
    EXPECT_TRUE(Save(holder, other.Folder()));
    EXPECT_TRUE(FileExists(other.Folder() + "Patch/006 A.d00"));
}

TEST_F(SaveTest, UnwritableMemoFileIsReportedAndTheDocumentStaysModified) {
    ProjectBuilder b = Sample("Memo");
    CProjectDocument& doc = Open(b.Folder());
    doc.Data().Tones()[0].SetMemo(2, "keep me");
    doc.SetModifiedFlag(true);
    fs::create_directory(b.Folder() + "ToneMemo.txt"); // cannot be written as a file
    EXPECT_FALSE(Save(doc, b.Folder()));
    EXPECT_EQ(Messages(), std::vector<std::string>{"error 2"});
    EXPECT_TRUE(doc.IsModified());
}

} // namespace

namespace {

// Links are never written through: a slot file that is a link gets a file of its own when its
// record area changes, and a folder whose subfolders lead elsewhere is never replaced.
TEST_F(SaveTest, LinksAreReplacedNeverWrittenThrough) {
    ProjectBuilder a = Sample("Linked"), other = Sample("Target");
    const std::string linked = a.Folder() + "Patch/003 C.d00";
    fs::remove(linked);
    fs::create_symlink(other.Folder() + "Patch/003 C.d00", linked);
    const Bytes theirs = ReadBytes(other.Folder() + "Patch/003 C.d00");
    CProjectDocument& doc = Open(a.Folder());
    doc.Data().Patches()[2].ResetToneSlot(1);
    doc.SetModifiedFlag(true);
    ASSERT_TRUE(Save(doc, a.Folder()));
    EXPECT_FALSE(fs::is_symlink(linked));
    EXPECT_NE(ReadBytes(linked), theirs);
    EXPECT_EQ(ReadBytes(other.Folder() + "Patch/003 C.d00"), theirs);

    // Save As over folders whose "Patch" leads into this project or anywhere else.
    for (const std::string& into : {a.Folder() + "Patch", other.Folder() + "Patch"}) {
        const std::string target = Project("Trap");
        fs::remove_all(target);
        fs::create_directories(target + "Tone");
        fs::create_directory_symlink(into, target + "Patch");
        const auto source = FolderSnapshot(into);
        m_sink->Clear();
        EXPECT_FALSE(Save(doc, target)) << into;
        EXPECT_EQ(Messages(), std::vector<std::string>{"error 2"});
        EXPECT_EQ(FolderSnapshot(into), source);
    }
}

// A missing memo file reads as empty memos, so while they are empty none is written.
TEST_F(SaveTest, UnchangedSaveOfAProjectWithoutMemoFilesWritesNone) {
    ProjectBuilder b(Project("Bare"));
    b.Patch(1, "A", 0);
    CProjectDocument& doc = Open(b.Folder());
    doc.SetModifiedFlag(true);
    InstalledFaultyFileSystem counting;
    ASSERT_TRUE(Save(doc, b.Folder()));
    EXPECT_EQ(counting.Count(FsOp::Write) + counting.Count(FsOp::Rename), 0);
    EXPECT_FALSE(FileExists(b.Folder() + "PatchMemo.txt"));
}

} // namespace

namespace {

// Two files that exchange their names (same name, numbers swapped): records of another project
// follow each file to where it went, not to the file that now has the old name.
TEST_F(SaveTest, BorrowersFollowFilesThatExchangedTheirNames) {
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
    ASSERT_TRUE(Save(doc, a.Folder()));
    EXPECT_EQ(ReadBytes(borrower.Data().Patches()[8].FilePath()), first);
    EXPECT_EQ(ReadBytes(borrower.Data().Patches()[9].FilePath()), second);
    EXPECT_EQ(ReadBytes(a.Folder() + "Patch/001 Same.d00"), second);
}

} // namespace

namespace {

// A memo file the loader refused (too large to be one) leaves the project before the save
// writes a new one, together with the other changes.
TEST_F(SaveTest, RefusedMemoFileIsMovedOutAndReplaced) {
    ProjectBuilder b = Sample("BigMemo");
    b.File("ToneMemo.txt", Bytes(4u << 20, 'x'));
    CProjectDocument& doc = Open(b.Folder());
    Rename(doc, 0, "Renamed");
    doc.Data().Tones()[0].SetMemo(1, "fresh");
    ASSERT_TRUE(Save(doc, b.Folder()));
    const Bytes memo = ReadBytes(b.Folder() + "ToneMemo.txt");
    EXPECT_EQ(std::string(memo.begin(), memo.begin() + 7), "fresh\r\n");
    EXPECT_EQ(ReadBytes(ScopedDataHome::TrashFiles(m_dir.Path()) + "ToneMemo.txt").size(), 4u << 20);
    EXPECT_TRUE(FileExists(b.Folder() + "Patch/001 Renamed.d00"));
}

} // namespace
