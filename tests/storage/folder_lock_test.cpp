// Project folders shared with other programs: the folder lock, saves over changes made behind
// the project's back, the reasons a failed save gives, and what interrupted Save As runs leave.
#include "storage/domain.h"
#include "storage/project_document.h"
#include "storage/project_lock.h"
#include "storage/staged_projects.h"
#include "support/faulty_file_system.h"
#include "support/fresh_store.h"
#include "support/project_builder.h"
#include "support/scoped_environment.h"
#include "support/scripted_sink.h"

#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <utility>

using namespace Corv;
using namespace CorvTest;

namespace {

namespace fs = std::filesystem;
constexpr std::chrono::milliseconds kNoWait{0};
using Outcome = CProjectLock::Outcome;

class FolderLockTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_sink = m_store.InstallSink(kAnswerNo);
        m_store.SetWorkFolder(m_work.Path() + "/");
        m_store.SetLockWait(std::chrono::milliseconds(50));
    }
    std::string Sample(const std::string& name) {
        ProjectBuilder b(m_dir / (name + ".prj/"));
        b.Patch(1, "A", 1).Patch(2, "B", 1).Tone(1, "T1", {1}).Wave(1, "W1", 100);
        return b.Folder();
    }
    CProjectDocument& Open(const std::string& folder) {
        CProjectDocument* document = CProjectDocuments::Get().OpenProject(folder);
        if (document == nullptr)
            throw std::runtime_error("did not load: " + m_sink->Describe());
        return *document;
    }
    static void Rename(CProjectDocument& document, const std::string& name) {
        document.Data().Patches()[0].SetName(name);
        document.SetModifiedFlag(true);
    }

    TempDir m_dir;
    TempDir m_work;
    ScopedDataHome m_dataHome{m_dir.Path()};
    std::shared_ptr<SinkLog> m_sink;
    FreshStore m_store; // closes the documents before the folders go
};

// Two holders of one folder's lock (two descriptors, as two programs have): shared ones go
// together, an exclusive one goes alone; a change of mode that cannot be made keeps the old one.
TEST_F(FolderLockTest, SharedLocksGoTogetherAndAnExclusiveOneAlone) {
    const std::string folder = Sample("Song");
    const struct {
        LockMode held, wanted;
        Outcome outcome;
    } cases[] = {{LockMode::Shared, LockMode::Shared, Outcome::Locked},
                 {LockMode::Shared, LockMode::Exclusive, Outcome::Busy},
                 {LockMode::Exclusive, LockMode::Shared, Outcome::Busy},
                 {LockMode::Exclusive, LockMode::Exclusive, Outcome::Busy}};
    for (const auto& c : cases) {
        CProjectLock first, second;
        ASSERT_EQ(first.Take(folder, c.held, kNoWait), Outcome::Locked);
        EXPECT_EQ(second.Take(folder, c.wanted, kNoWait), c.outcome);
        first.Release();
        EXPECT_EQ(second.Take(folder, c.wanted, kNoWait), Outcome::Locked);
    }
    CProjectLock reader, other;
    ASSERT_EQ(reader.Take(folder, LockMode::Shared, kNoWait), Outcome::Locked);
    ASSERT_EQ(other.Take(folder, LockMode::Shared, kNoWait), Outcome::Locked);
    EXPECT_EQ(reader.Change(LockMode::Exclusive, kNoWait), Outcome::Busy);
    EXPECT_TRUE(reader.Held());
    EXPECT_EQ(reader.Mode(), LockMode::Shared);
    other.Release();
    CProjectLock writer;
    EXPECT_EQ(writer.Take(folder, LockMode::Exclusive, kNoWait), Outcome::Busy); // still shared
}

// A loaded project holds its folder's lock: a writer elsewhere is refused while it is loaded,
// and the project's own save is refused, saying why, while another program holds the folder.
TEST_F(FolderLockTest, ALoadedProjectKeepsWritersOutAndIsKeptOutByThem) {
    const std::string folder = Sample("Song");
    CProjectDocument& document = Open(folder);
    CProjectLock writer;
    EXPECT_EQ(writer.Take(folder, LockMode::Exclusive, kNoWait), Outcome::Busy);
    CProjectLock reader;
    ASSERT_EQ(reader.Take(folder, LockMode::Shared, kNoWait), Outcome::Locked);
    const auto before = FolderSnapshot(folder);
    Rename(document, "Renamed");
    EXPECT_FALSE(document.SaveProject(folder));
    EXPECT_EQ(m_sink->Describe(), "error 2: " + OpenForChangesText(folder) + "\n");
    EXPECT_EQ(FolderSnapshot(folder), before);
    reader.Release();
    m_sink->Clear();
    EXPECT_TRUE(document.SaveProject(folder)) << m_sink->Describe();
    EXPECT_TRUE(FileExists(folder + "Patch/001 Renamed.d00"));
    // Back to shared after the save: another reader may come in again.
    EXPECT_EQ(reader.Take(folder, LockMode::Shared, kNoWait), Outcome::Locked);

    // A folder held exclusively (a save in flight) cannot be read.
    const std::string other = Sample("Other");
    ASSERT_EQ(writer.Take(other, LockMode::Exclusive, kNoWait), Outcome::Locked);
    m_sink->Clear();
    EXPECT_EQ(CProjectDocuments::Get().OpenProject(other), nullptr);
    EXPECT_EQ(m_sink->Describe(), "error 1: " + BeingSavedText(other) + "\n");
}

// A file a record names that another program removed stops a save in place before it asks or
// changes anything, whatever kind it is (a wave's file is never read by a save).
TEST_F(FolderLockTest, ASaveInPlaceNamesAFileThatWentMissing) {
    for (const char* gone : {"Wave/001 W1.w00", "Tone/001 T1.p00"}) {
        SCOPED_TRACE(gone);
        const std::string folder = Sample(std::string("Song") + gone[0]);
        CProjectDocument& document = Open(folder);
        Rename(document, "Renamed");
        fs::remove(folder + gone);
        const auto before = FolderSnapshot(folder);
        m_sink->Clear();
        EXPECT_FALSE(document.SaveProject(folder));
        EXPECT_EQ(m_sink->Describe(),
                  "error 2: " + folder + gone + ": No such file or directory\n");
        EXPECT_EQ(FolderSnapshot(folder), before);
    }
}

// Each failed save says its own reason, never the one a save before it failed with.
TEST_F(FolderLockTest, EachFailedSaveSaysItsOwnReason) {
    const std::string folder = Sample("Song");
    CProjectDocument& document = Open(folder);
    Rename(document, "Renamed");
    {
        InstalledFaultyFileSystem faulty;
        faulty.FailNth(FsOp::Rename, 1);
        EXPECT_FALSE(document.SaveProject(folder));
    }
    CProjectLock reader;
    ASSERT_EQ(reader.Take(folder, LockMode::Shared, kNoWait), Outcome::Locked);
    m_sink->Clear();
    EXPECT_FALSE(document.SaveProject(folder));
    EXPECT_EQ(m_sink->Describe(), "error 2: " + OpenForChangesText(folder) + "\n");
}

// What another program changed in the folder is never saved over unseen: the save asks, and
// No leaves the folder as the other program left it. The project's own saves ask nothing.
TEST_F(FolderLockTest, ASaveOverChangesMadeBehindItsBackAsksFirst) {
    const std::function<void(const std::string&)> changes[] = {
        [](const std::string& folder) {
            WriteBytes(folder + "PatchMemo.txt", {'x', '\r', '\n'});
        },
        [](const std::string& folder) {
            fs::copy_file(folder + "Tone/001 T1.p00", folder + "Tone/002 U.p00");
        },
        [](const std::string& folder) { WriteBytes(folder + "Wave/002 New.w00", Bytes(10, 1)); }};
    int n = 0;
    for (const auto& change : changes) {
        const std::string folder = Sample("Song" + std::to_string(++n));
        CProjectDocument& document = Open(folder);
        Rename(document, "First");
        ASSERT_TRUE(document.SaveProject(folder));
        EXPECT_TRUE(m_sink->Calls().empty()) << m_sink->Describe();
        EXPECT_FALSE(document.ChangedOnDisk());
        change(folder);
        EXPECT_TRUE(document.ChangedOnDisk());
        const auto theirs = FolderSnapshot(folder);
        Rename(document, "Mine");
        m_sink->SetDefaultAnswer(kAnswerNo);
        EXPECT_FALSE(document.SaveProject(folder));
        EXPECT_EQ(m_sink->Describe(), "ask 2 12 -> 3\n");
        EXPECT_EQ(FolderSnapshot(folder), theirs);
        m_sink->SetDefaultAnswer(kAnswerYes);
        m_sink->Clear();
        EXPECT_TRUE(document.SaveProject(folder)) << m_sink->Describe();
        EXPECT_EQ(m_sink->Describe(), "ask 2 12 -> 2\n");
        EXPECT_TRUE(FileExists(folder + "Patch/001 Mine.d00"));
        EXPECT_FALSE(document.ChangedOnDisk());
        m_sink->Clear();
    }
}

// Another program that takes no locks (or a file system that has none) changes a subfolder while
// a save runs: what the save did not write is still compared with how the save found it — in
// another subfolder, or a file rewritten in place beside the one the save renamed — so the
// change is seen and the next save asks first.
TEST_F(FolderLockTest, AChangeMadeWhileASaveRunsIsStillSeen) {
    // Changes the folder once, right after the save's first rename.
    class Intruder : public FaultyFileSystem {
    public:
        explicit Intruder(std::function<void()> change) : m_change(std::move(change)) {}
        bool Rename(const std::string& from, const std::string& to) override {
            const bool renamed = FaultyFileSystem::Rename(from, to);
            if (m_change)
                std::exchange(m_change, nullptr)();
            return renamed;
        }

    private:
        std::function<void()> m_change;
    };
    const std::function<void(const std::string&)> changes[] = {
        [](const std::string& folder) { WriteBytes(folder + "Wave/002 New.w00", Bytes(10, 1)); },
        [](const std::string& folder) {
            WriteBytes(folder + "Tone/001 T1.p00", ToneFileBytes(MakeTone("T1", {2})));
        },
        [](const std::string& folder) { WriteBytes(folder + "Patch/002 B.d00", Bytes(10, 2)); }};
    int n = 0;
    for (const auto& change : changes) {
        const std::string folder = Sample("Song" + std::to_string(++n));
        CProjectDocument& document = Open(folder);
        Rename(document, "First"); // the save renames one file in Patch/
        {
            Intruder intruder([&] { change(folder); });
            const ScopedFileSystem scope(intruder);
            ASSERT_TRUE(document.SaveProject(folder)) << m_sink->Describe();
        }
        EXPECT_TRUE(document.ChangedOnDisk()) << "change " << n;
        Rename(document, "Second");
        m_sink->Clear();
        EXPECT_FALSE(document.SaveProject(folder));
        EXPECT_EQ(m_sink->Describe(), "ask 2 12 -> 3\n");
    }
}

// A save that fails says which file and the system's reason after "This project could not be
// saved.", wherever it fails.
TEST_F(FolderLockTest, AFailedSaveNamesTheFileAndTheReason) {
    const std::string folder = Sample("Song");
    const struct {
        FsOp op;
        bool saveAs;
    } cases[] = {{FsOp::Write, false}, {FsOp::Rename, false},         {FsOp::Open, false},
                 {FsOp::Sync, false},  {FsOp::CreateDirectory, true}, {FsOp::CopyFile, true},
                 {FsOp::Rename, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(FsOpName(c.op)) + (c.saveAs ? " save as" : " in place"));
        CProjectDocument& document = Open(folder);
        Rename(document, "New");
        document.Data().Patches()[1].SetName("Other"); // more than one step: a journal
        InstalledFaultyFileSystem faulty;
        faulty.FailNth(c.op, 1);
        m_sink->Clear();
        const std::string target = c.saveAs ? m_dir / "Copy.prj" : folder;
        EXPECT_FALSE(document.SaveProject(target));
        ASSERT_EQ(m_sink->Errors(), std::vector<int>{kMsgSaveFailed});
        const std::string detail = m_sink->Calls().front().detail;
        EXPECT_NE(detail.find(": Input/output error"), std::string::npos) << detail;
        EXPECT_EQ(detail.rfind(c.saveAs ? m_dir.Path() : folder, 0), 0u)
            << detail; // the file concerned
        CProjectDocuments::Get().CloseAll();
    }
}

// Hidden folders of Save As runs that were killed: the next run that looks beside them moves
// them to the trash; one that a run is building (locked), a link, or another name stays.
TEST_F(FolderLockTest, UnfinishedSaveAsFoldersGoToTheTrashUnlessInUse) {
    const std::string parent = m_dir / "Sets/";
    for (const char* name : {".Old.prj.corvane-save", ".Busy.prj.corvane-save", ".Other"})
        fs::create_directories(parent + name + "/Patch");
    WriteBytes(parent + ".Old.prj.corvane-save/Patch/001 A.d00", {1, 2, 3});
    fs::create_directory_symlink(m_dir / "Sets/.Other", parent + ".Link.prj.corvane-save");
    CProjectLock building;
    ASSERT_EQ(building.Take(parent + ".Busy.prj.corvane-save", LockMode::Exclusive, kNoWait),
              Outcome::Locked);
    const std::string notice = ClearStagedProjects(parent);
    const std::string trashed = ScopedDataHome::TrashFiles(m_dir.Path()) + ".Old.prj.corvane-save";
    EXPECT_EQ(notice, "A Save As that was interrupted left its unfinished project folder behind; "
                      "it has been cleared:\n" +
                          parent + ".Old.prj.corvane-save -> " + trashed);
    EXPECT_EQ(ReadBytes(trashed + "/Patch/001 A.d00"), (Bytes{1, 2, 3}));
    for (const char* stays : {".Busy.prj.corvane-save", ".Link.prj.corvane-save", ".Other"})
        EXPECT_TRUE(fs::exists(parent + stays)) << stays;
    EXPECT_EQ(ClearStagedProjects(parent), "");

    // A Save As to the name of one that a run is building is refused, never into its files.
    const std::string source = Sample("Song");
    CProjectDocument& document = Open(source);
    m_sink->Clear();
    EXPECT_FALSE(document.SaveProject(parent + "Busy.prj"));
    EXPECT_EQ(m_sink->Describe(), "error 2: " + parent +
                                      ".Busy.prj.corvane-save is in the way: "
                                      "another program may be saving into " +
                                      parent + "Busy.prj\n");
}

} // namespace
