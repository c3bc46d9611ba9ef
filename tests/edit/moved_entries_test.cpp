// Entries moved between projects whose source is saved before their target: the work folder
// keeps their only copy listed until a save takes them in, and whatever is left is never
// deleted — it goes to the trash, or back into a project.
#include "edit/drop.h"
#include "edit/work_folder.h"
#include "storage/domain.h"
#include "storage/moved_entries.h"
#include "storage/project_document.h"
#include "support/fresh_store.h"
#include "support/project_builder.h"
#include "support/scoped_environment.h"
#include "support/scripted_sink.h"

#include <filesystem>
#include <gtest/gtest.h>

using namespace Corv;
using namespace CorvTest;

namespace {

namespace fs = std::filesystem;

class MovedEntriesTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_sink = m_store.InstallSink();
        m_workFolder = m_work.Path() + "/";
        m_store.SetWorkFolder(m_workFolder);
    }

    // A holds two patches on one tone; they are moved to rows 5-6 of an untitled project, and
    // A alone is saved: the moved patches' files leave A.
    CProjectDocument& MoveAndSaveSourceOnly() {
        ProjectBuilder a(m_dir / "A.prj/");
        a.Patch(1, "Lead", 1).Patch(2, "Pad", 1).Patch(3, "Keep", 1).Tone(1, "T", {});
        a.Memos(kPatchKind, {"night set", "", "", "", "warm"});
        CProjectDocument& source = *CProjectDocuments::Get().OpenProject(a.Folder());
        CProjectDocument& target = CProjectDocuments::Get().New();
        DropRequest request{&source.Data(), {0, 1}, kPatchKind, &target.Data(), 4, false, false};
        EXPECT_TRUE(
            PerformDrop(request, FreshStore::UndoStep(), AskOkCancel(FreshStore::Services())).done);
        source.SetModifiedFlag(true);
        target.SetModifiedFlag(true);
        EXPECT_EQ(CProjectDocuments::Get().UnsavedHolders(source),
                  std::vector<CProjectDocument*>{&target});
        EXPECT_TRUE(source.SaveProject(a.Folder())) << m_sink->Describe();
        EXPECT_FALSE(FileExists(a.Folder() + "Patch/001 Lead.d00"));
        return target;
    }

    TempDir m_dir;
    TempDir m_work;
    ScopedDataHome m_dataHome{m_dir.Path()};
    std::string m_workFolder;
    std::shared_ptr<SinkLog> m_sink;
    FreshStore m_store; // closes the documents before the folders go
};

TEST_F(MovedEntriesTest, TheOnlyCopyIsListedUntilASaveTakesItIn) {
    CProjectDocument& target = MoveAndSaveSourceOnly();
    const std::vector<MovedEntry> listed = ReadMovedEntries(m_workFolder);
    ASSERT_EQ(listed.size(), 2u);
    EXPECT_EQ(listed[0], (MovedEntry{"000 Lead.d00",
                                     kPatchKind,
                                     5,
                                     "Lead",
                                     {"night set", "", "", ""},
                                     m_dir / "A.prj/",
                                     "Patch/001 Lead.d00",
                                     "Untitled1"}));
    EXPECT_EQ(listed[1].name, "Pad");
    EXPECT_EQ(listed[1].number, 6);
    EXPECT_EQ(MovedEntriesText(listed), "Entries moved from A.prj into Untitled1 were not saved "
                                        "into Untitled1:\npatch 5 \"Lead\"\npatch 6 \"Pad\"");
    // Emptying the work folder (as an exit does) never takes them.
    EmptyWorkFolder(m_workFolder);
    EXPECT_EQ(ListFolder(m_work.Path()),
              (std::vector<std::string>{".corvane-moved", "000 Lead.d00", "001 Pad.d00"}));

    ASSERT_TRUE(target.SaveProject(m_dir / "B.prj")) << m_sink->Describe();
    EXPECT_TRUE(ReadMovedEntries(m_workFolder).empty());
    EXPECT_TRUE(FileExists(m_dir / "B.prj/Patch/005 Lead.d00"));
    EXPECT_EQ(TrashMovedEntries(m_workFolder), "");
}

TEST_F(MovedEntriesTest, WhatNoSaveTookGoesToTheTrashOrBackIntoAProject) {
    MoveAndSaveSourceOnly();
    CProjectDocuments::Get().CloseAll(); // the untitled target is closed unsaved (or the run died)

    // Open them: a new project holds them at their numbers, with their names and memos.
    CProjectDocument* reopened = CProjectDocuments::Get().OpenMovedEntries(m_workFolder);
    ASSERT_NE(reopened, nullptr);
    EXPECT_TRUE(reopened->IsModified());
    const CPatchArray& patches = reopened->Data().Patches();
    EXPECT_EQ(patches[4].Name(), "Lead");
    EXPECT_EQ(patches[4].Memo(1), "night set");
    EXPECT_EQ(patches[4].FilePath(), m_workFolder + "000 Lead.d00");
    EXPECT_EQ(patches[5].Name(), "Pad");
    EXPECT_EQ(reopened->Data().CountEmpty(kPatchKind), 510);
    EXPECT_GT(FreshStore::Services().m_workFileCounter,
              1u); // new work files never take their names
    CProjectDocuments::Get().CloseAll();

    // Put them in the trash: filed under the place they had in A.
    const std::string trash = ScopedDataHome::TrashFiles(m_dir.Path());
    EXPECT_EQ(TrashMovedEntries(m_workFolder),
              "Entries moved from A.prj into Untitled1 were not saved into Untitled1. Their files "
              "are in the trash:\npatch 5 \"Lead\" of Untitled1 -> " +
                  trash + "001 Lead.d00\npatch 6 \"Pad\" of Untitled1 -> " + trash + "002 Pad.d00");
    EXPECT_EQ(ReadBytes(trash + "001 Lead.d00").size(),
              PatchFileBytes(MakePatch("Lead", 1)).size());
    EXPECT_NE(ReadBytes(m_dir / "data-home/Trash/info/001 Lead.d00.trashinfo").size(), 0u);
    EXPECT_TRUE(ReadMovedEntries(m_workFolder).empty());
    EXPECT_EQ(CProjectDocuments::Get().OpenMovedEntries(m_workFolder), nullptr);
}

// The list keeps any bytes of names, memos and paths; a line that is not the program's, or
// names a file outside the work folder, is left out.
TEST_F(MovedEntriesTest, TheListKeepsEveryByteAndRefusesForeignLines) {
    const MovedEntry odd{
        "007 A%B.w00",   kWaveKind,          999,        "Tab\tName", {"a\nb", "50%", "\r", ""},
        "/x/Odd\t.prj/", "Wave/007 A%B.w00", "/y/B.prj/"};
    ASSERT_TRUE(WriteMovedEntries(m_workFolder, {odd, odd}));
    EXPECT_EQ(ReadMovedEntries(m_workFolder), (std::vector<MovedEntry>{odd, odd}));
    std::string text = "corvane-moved 1\n";
    for (const char* file : {"../escape.d00", "sub/x.d00", "..", ""})
        text += std::string(file) + "\tpatch\t1\tN\t\t\t\t\t/a.prj/\tPatch/001 N.d00\tB\n";
    text += "001 ok.d00\tpatch\t1000\tN\t\t\t\t\t/a.prj/\tPatch/001 N.d00\tB\n"; // no such slot
    text += "001 ok.d00\tsound\t1\tN\t\t\t\t\t/a.prj/\tPatch/001 N.d00\tB\n";
    text +=
        "001 ok.d00\tpatch\t1\tN\t\t\t\t\t/a.prj/\tPatch/001 N.d00\tB"; // not written to its end
    WriteBytes(m_workFolder + kMovedEntriesName, Bytes(text.begin(), text.end()));
    EXPECT_TRUE(ReadMovedEntries(m_workFolder).empty());
}

} // namespace
