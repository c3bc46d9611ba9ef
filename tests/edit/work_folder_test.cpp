#include "edit/work_folder.h"
#include "storage/domain.h"
#include "support/faulty_file_system.h"
#include "support/project_builder.h"
#include "support/scripted_sink.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

const std::vector<std::string> kLevels = {"Brisko", "Corvane Librarian", "CorvWork"};

class WorkFolderTest : public ::testing::Test {
protected:
    void SetUp() override {
        Corv::CDomain::Reset();
        m_sink = CorvTest::InstallScriptedSink();
    }
    void TearDown() override { Corv::CDomain::Reset(); }

    std::string Expected() const { return m_base.Path() + "/Brisko/Corvane Librarian/CorvWork/"; }
    void Touch(const std::string& relative) { CorvTest::WriteBytes(m_base / relative, {1, 2, 3}); }

    CorvTest::TempDir m_base;
    std::shared_ptr<CorvTest::SinkLog> m_sink;
};

TEST_F(WorkFolderTest, CreatesEveryLevelAndFindsThemTheNextTime) {
    EXPECT_EQ(Corv::CreateWorkFolder(m_base.Path(), kLevels), Expected());
    EXPECT_TRUE(fs::is_directory(Expected()));
    Touch("Brisko/Corvane Librarian/CorvWork/000 Kick.wav");

    EXPECT_EQ(Corv::CreateWorkFolder(m_base.Path() + "/", kLevels), Expected());
    EXPECT_TRUE(CorvTest::FileExists(Expected() + "000 Kick.wav"))
        << "a second start keeps the folder";
    EXPECT_TRUE(m_sink->Calls().empty());
}

// A relative base is taken from the current folder; its ".." parts are the system's to resolve:
// through a link, ".." leads beside the link's target, not back to the link's own folder.
TEST_F(WorkFolderTest, GivesAnAbsolutePathWithForwardSlashes) {
    fs::create_directories(m_base / "elsewhere/inner");
    fs::create_directory_symlink(m_base / "elsewhere/inner", m_base / "link");
    const fs::path relative = fs::relative(m_base.Path(), fs::current_path()) / "link" / "..";
    ASSERT_TRUE(relative.is_relative());

    const std::string folder = Corv::CreateWorkFolder(relative.string(), {"Brisko"});
    EXPECT_EQ(folder, (fs::current_path() / relative).generic_string() + "/Brisko/");
    EXPECT_TRUE(fs::is_directory(m_base / "elsewhere/Brisko"));
    EXPECT_FALSE(fs::exists(m_base / "Brisko"));
}

TEST_F(WorkFolderTest, FailsWhenALevelCannotBeMade) {
    Touch("Brisko"); // a file where a folder must go
    EXPECT_EQ(Corv::CreateWorkFolder(m_base.Path(), kLevels), "");
    EXPECT_EQ(Corv::CreateWorkFolder(m_base / "missing/deeper", kLevels), "");

    CorvTest::InstalledFaultyFileSystem fileSystem;
    fileSystem.FailNth(CorvTest::FsOp::CreateDirectory, 2);
    EXPECT_EQ(Corv::CreateWorkFolder(m_base / "other", kLevels), "");
    EXPECT_FALSE(fs::exists(m_base / "other/Corvane Librarian/CorvWork"));
}

TEST_F(WorkFolderTest, EmptyingKeepsOtherFilesAndSubFolders) {
    const std::string work = Corv::CreateWorkFolder(m_base.Path(), kLevels);
    ASSERT_FALSE(work.empty());
    const std::vector<std::string> gone = {"001 A.d00", "002 T.P00", "Kick.wav", "Loop.aif",
                                           "y.AIFF",    "000 k.w00", "x.vpw"};
    const std::vector<std::string> kept = {"README", "a.vpwx", "notes.txt"};
    for (const std::string& name : gone)
        CorvTest::WriteBytes(work + name, {0});
    for (const std::string& name : kept)
        CorvTest::WriteBytes(work + name, {0});
    fs::create_directory(work + "sub.wav");
    CorvTest::WriteBytes(work + "sub.wav/inner.wav", {0});

    EXPECT_EQ(Corv::EmptyWorkFolder(work), static_cast<int>(gone.size()));

    EXPECT_EQ(CorvTest::ListFolder(work), kept);
    EXPECT_TRUE(CorvTest::FileExists(work + "sub.wav/inner.wav"));
    EXPECT_TRUE(m_sink->Calls().empty());
}

TEST_F(WorkFolderTest, AFailedDeletionIsReportedAndTheRestGoes) {
    const std::string work = m_base.Path() + "/";
    for (const char* name : {"a.wav", "b.wav", "c.wav", "notes.txt"})
        CorvTest::WriteBytes(work + name, {0});
    CorvTest::InstalledFaultyFileSystem fileSystem;
    fileSystem.FailNth(CorvTest::FsOp::Remove, 2);

    EXPECT_EQ(Corv::EmptyWorkFolder(m_base.Path()), 2);

    EXPECT_EQ(m_sink->Errors(), std::vector<int>{Corv::kMsgUndefinedError});
    EXPECT_EQ(Corv::MessageText(m_sink->Errors().at(0), false), "Undefined error.");
    EXPECT_EQ(fileSystem.Count(CorvTest::FsOp::Remove), 3);
    EXPECT_EQ(CorvTest::ListFolder(m_base.Path()).size(), 2u) << "one work file and the notes";
}

TEST_F(WorkFolderTest, NoFolderMeansNothingToEmpty) {
    CorvTest::InstalledFaultyFileSystem fileSystem;
    EXPECT_EQ(Corv::EmptyWorkFolder(""), 0);
    EXPECT_EQ(fileSystem.Count(), 0) << "an unset work folder must never mean the root";
    EXPECT_EQ(Corv::EmptyWorkFolder(m_base / "missing"), 0);
    EXPECT_TRUE(m_sink->Calls().empty());
}

} // namespace
