#include "storage_fixture.h"
#include "support/faulty_file_system.h"

#include <filesystem>

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
    void Rename(CProjectDocument& doc, int slot, const std::string& name) {
        doc.Data().Patches()[static_cast<std::size_t>(slot)].SetName(name);
        doc.SetModifiedFlag(true);
    }
};

TEST_F(SaveTest, RefusalsChangeNothing) {
    ProjectBuilder a = Sample("First");
    ProjectBuilder other = Sample("Second");
    CProjectDocument& doc = Open(a.Folder());
    Open(other.Folder());
    Rename(doc, 0, "Renamed");
    const auto snapshotA = FolderSnapshot(a.Folder());
    const auto snapshotB = FolderSnapshot(other.Folder());
    fs::create_directory_symlink(a.Folder(), m_dir.Path() + "/SelfLink.prj");
    fs::create_directory_symlink(other.Folder(), m_dir.Path() + "/OtherLink.prj");
    const std::string plain = m_dir.Path() + "/Samples"; // not a project: never emptied
    fs::create_directories(plain);
    WriteBytes(plain + "/Corvane System.s00", {4});

    EXPECT_FALSE(doc.SaveProject(other.Folder())) << "another open project's folder";
    // An open project's folder under another spelling is that project's: never replaced.
    for (const char* link : {"/SelfLink.prj", "/OtherLink.prj/", "/./First.prj"})
        EXPECT_FALSE(doc.SaveProject(m_dir.Path() + link)) << link;
    EXPECT_FALSE(doc.SaveProject(plain)) << "not a .prj folder";
    fs::remove(a.Folder() + "Tone/003 T3.p00"); // a record's file has gone
    EXPECT_FALSE(doc.SaveProject(a.Folder()));
    fs::copy_file(other.Folder() + "Tone/003 T3.p00", a.Folder() + "Tone/003 T3.p00");

    EXPECT_EQ(Messages(), std::vector<std::string>(6, "error 2"));
    EXPECT_EQ(FolderSnapshot(a.Folder()), snapshotA);
    EXPECT_EQ(FolderSnapshot(other.Folder()), snapshotB);
    EXPECT_EQ(ListFolder(plain), std::vector<std::string>{"Corvane System.s00"});
    EXPECT_TRUE(doc.IsModified());
    EXPECT_TRUE(doc.SaveProject(a.Folder())) << "and after all that a save still works";
}

// A record copied from one project into another names the first project's file until the
// second is saved; it follows the file when the first project renames or closes, and so does
// the record the undo step holds. The step lasts until its owner is saved.
TEST_F(SaveTest, CopiedRecordsFollowTheirFileWhenTheSourceIsSavedOrClosed) {
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
    ASSERT_TRUE(doc.SaveProject(a.Folder()));
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
        EXPECT_FALSE(doc.SaveProject(target)) << into;
        EXPECT_EQ(Messages(), std::vector<std::string>{"error 2"});
        EXPECT_EQ(FolderSnapshot(into), source);
    }
}

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
    ASSERT_TRUE(doc.SaveProject(a.Folder()));
    EXPECT_EQ(ReadBytes(borrower.Data().Patches()[8].FilePath()), first);
    EXPECT_EQ(ReadBytes(borrower.Data().Patches()[9].FilePath()), second);
    EXPECT_EQ(ReadBytes(a.Folder() + "Patch/001 Same.d00"), second);
}

// Files the loader refused leave the project before the save writes, together with the other
// changes: a memo file too large to be one is replaced, and a file with a slot's number never
// takes the slot's file along when the slot is renamed to its name.
TEST_F(SaveTest, RefusedFilesAreMovedOutAndNeverTakeASlotFileAlong) {
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
    const std::string trash = ScopedDataHome::TrashFiles(m_dir.Path());
    EXPECT_EQ(ReadBytes(trash + "ToneMemo.txt").size(), 4u << 20);
    EXPECT_EQ(ReadBytes(trash + "001 B.d00"), (Bytes{7, 7, 7}));
    EXPECT_EQ(ReadBytes(b.Folder() + "Patch/001 B.d00"), slotFile);
    EXPECT_TRUE(doc.SourceFilesPresent());
}

} // namespace
