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

    CorvTest::TempDir m_base;
    std::shared_ptr<CorvTest::SinkLog> m_sink;
};

TEST_F(WorkFolderTest, CreatesEveryLevelKeepsItTheNextTimeAndFailsWhenALevelCannotBeMade) {
    const std::string expected = m_base.Path() + "/Brisko/Corvane Librarian/CorvWork/";
    EXPECT_EQ(Corv::CreateWorkFolder(m_base.Path(), kLevels), expected);
    CorvTest::WriteBytes(expected + "000 Kick.wav", {1});
    EXPECT_EQ(Corv::CreateWorkFolder(m_base.Path() + "/", kLevels), expected);
    EXPECT_TRUE(CorvTest::FileExists(expected + "000 Kick.wav"));

    CorvTest::WriteBytes(m_base / "file", {1}); // a file where a folder must go
    EXPECT_EQ(Corv::CreateWorkFolder(m_base / "file", kLevels), "");
    CorvTest::InstalledFaultyFileSystem fileSystem;
    fileSystem.FailNth(CorvTest::FsOp::CreateDirectory, 2);
    EXPECT_EQ(Corv::CreateWorkFolder(m_base / "other", kLevels), "");
    EXPECT_FALSE(fs::exists(m_base / "other/Corvane Librarian/CorvWork"));
    EXPECT_TRUE(m_sink->Calls().empty());
}

// Only work files go: records and audio files by their extensions, never sub-folders; a failed
// deletion is reported and the rest goes.
TEST_F(WorkFolderTest, EmptyingRemovesOnlyWorkFilesAndReportsAFailure) {
    const std::string work = m_base.Path() + "/";
    const std::vector<std::string> gone = {"001 A.d00", "002 T.P00", "Kick.wav", "Loop.aif",
                                           "y.AIFF",    "000 k.w00", "x.vpw"};
    const std::vector<std::string> kept = {"README", "a.vpwx", "notes.txt"};
    for (const std::string& name : gone)
        CorvTest::WriteBytes(work + name, {0});
    for (const std::string& name : kept)
        CorvTest::WriteBytes(work + name, {0});
    fs::create_directory(work + "sub.wav");
    EXPECT_EQ(Corv::EmptyWorkFolder(work), static_cast<int>(gone.size()));
    EXPECT_EQ(CorvTest::ListFolder(work), kept);
    EXPECT_TRUE(fs::is_directory(work + "sub.wav"));
    EXPECT_TRUE(m_sink->Calls().empty());

    for (const char* name : {"a.wav", "b.wav", "c.wav"})
        CorvTest::WriteBytes(work + name, {0});
    CorvTest::InstalledFaultyFileSystem fileSystem;
    fileSystem.FailNth(CorvTest::FsOp::Remove, 2);
    EXPECT_EQ(Corv::EmptyWorkFolder(work), 2);
    EXPECT_EQ(m_sink->Errors(), std::vector<int>{Corv::kMsgUndefinedError});
    EXPECT_EQ(CorvTest::ListFolder(work).size(), kept.size() + 1);
}

TEST_F(WorkFolderTest, NoFolderMeansNothingToEmpty) {
    CorvTest::InstalledFaultyFileSystem fileSystem;
    EXPECT_EQ(Corv::EmptyWorkFolder(""), 0);
    EXPECT_EQ(fileSystem.Count(), 0) << "an unset work folder must never mean the root";
    EXPECT_EQ(Corv::EmptyWorkFolder(m_base / "missing"), 0);
    EXPECT_TRUE(m_sink->Calls().empty());
}

} // namespace
