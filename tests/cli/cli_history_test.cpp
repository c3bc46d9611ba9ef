#include "cli_fixture.h"

#include <filesystem>

namespace CorvCliTest {
namespace {

// A demo project edited by one-shot commands, each save keeping a version in the test's own
// history folder (given by CORVANE_HISTORY to the edits, by --history to the history command).
class HistoryCli : public CliTest {
protected:
    void SetUp() override {
        ASSERT_EQ(RunCorvane({"demo", Song()}).status, 0);
        m_original = CorvTest::FolderSnapshot(Song());
        ASSERT_EQ(Edit({"rename", Song(), "patch", "1", "Renamed"}).status, 0);
        m_renamed = CorvTest::FolderSnapshot(Song());
        ASSERT_EQ(Edit({"memo", Song(), "tone", "2", "1", "new memo"}).status, 0);
    }
    std::string Song() const { return m_temp / "Song.prj"; }
    std::string Store() const { return m_temp / "History"; }
    RunResult Edit(const Strings& arguments) {
        return RunCorvane(arguments, {{"CORVANE_HISTORY", Store()}});
    }
    RunResult History(Strings arguments) {
        arguments.insert(arguments.begin(), {"history", "--history", Store()});
        return RunCorvane(arguments);
    }

    std::vector<std::pair<std::string, CorvTest::Bytes>> m_original, m_renamed;
};

TEST_F(HistoryCli, ListsTheVersionsNewestFirst) {
    const RunResult list = History({Song(), "--json"});
    ASSERT_EQ(list.status, 0) << list.err;
    const Json versions = Json::parse(list.out);
    ASSERT_EQ(versions.size(), 2u);
    EXPECT_EQ(versions[0]["id"], "2");
    EXPECT_EQ(versions[0]["summary"], "changed memos of tone 2");
    EXPECT_EQ(versions[1]["id"], "1");
    EXPECT_EQ(versions[1]["summary"], "renamed patch 1");
    for (const char* key : {"id", "time", "summary", "bytes"})
        EXPECT_TRUE(versions[0].contains(key)) << key;
    const RunResult people = History({Song()});
    ASSERT_EQ(people.Lines().size(), 2u);
    EXPECT_EQ(people.Lines()[0].rfind("2  ", 0), 0u) << people.out;
    // The environment names the history as well as --history does.
    EXPECT_EQ(RunCorvane({"history", Song()}, {{"CORVANE_HISTORY", Store()}}).Lines(),
              people.Lines());
}

TEST_F(HistoryCli, ShowPrintsTheDifferenceLines) {
    const RunResult now = History({"show", Song(), "2"});
    EXPECT_EQ(now.status, 1) << now.err;
    EXPECT_EQ(now.Lines().size(), 1u);
    EXPECT_NE(now.out.find("tone 2: memo 1 "), std::string::npos) << now.out;
    const RunResult between = History({"show", Song(), "1", "--against", "2"});
    EXPECT_EQ(between.status, 1);
    EXPECT_EQ(between.Lines().size(), 1u);
    EXPECT_NE(between.out.find("patch 1: name "), std::string::npos) << between.out;
    const RunResult json = History({"show", Song(), "1", "--json"});
    EXPECT_EQ(Json::parse(json.out).size(), 2u);
}

TEST_F(HistoryCli, RestoreBringsTheVersionBackAndCanBeTakenBack) {
    const auto edited = CorvTest::FolderSnapshot(Song());
    const RunResult dry = History({"restore", Song(), "1", "--dry-run"});
    EXPECT_EQ(dry.status, 0) << dry.err;
    EXPECT_NE(dry.out.find("patch 1: name "), std::string::npos);
    EXPECT_EQ(CorvTest::FolderSnapshot(Song()), edited) << "a dry run changes nothing";

    const RunResult restore = Edit({"history", "restore", Song(), "1"});
    ASSERT_EQ(restore.status, 0) << restore.out << restore.err;
    EXPECT_EQ(CorvTest::SnapshotDifference(CorvTest::FolderSnapshot(Song()), m_original), "");
    EXPECT_EQ(History({"restore", Song(), "1"}).status, 1) << "nothing to do";

    const Json versions = Json::parse(History({Song(), "--json"}).out);
    ASSERT_EQ(versions.size(), 3u);
    EXPECT_EQ(versions[0]["note"], "before restore");
    ASSERT_EQ(History({"export", Song(), "3", m_temp / "Back.prj"}).status, 0);
    EXPECT_EQ(RunCorvane({"diff", m_temp / "Back.prj", Song()}).status, 1);
    ASSERT_EQ(History({"restore", Song(), "3"}).status, 0);
    EXPECT_EQ(CorvTest::SnapshotDifference(CorvTest::FolderSnapshot(Song()), edited), "");
}

TEST_F(HistoryCli, ExportIsTheProjectAsItWas) {
    ASSERT_EQ(History({"export", Song(), "1", m_temp / "One.prj"}).status, 0);
    EXPECT_EQ(
        CorvTest::SnapshotDifference(CorvTest::FolderSnapshot(m_temp / "One.prj"), m_original), "");
    const RunResult diff = RunCorvane({"diff", m_temp / "One.prj", Song()});
    EXPECT_EQ(diff.status, 1);
    ASSERT_EQ(History({"export", Song(), "2", m_temp / "Two.prj"}).status, 0);
    EXPECT_EQ(CorvTest::SnapshotDifference(CorvTest::FolderSnapshot(m_temp / "Two.prj"), m_renamed),
              "");
    EXPECT_EQ(History({"export", Song(), "2", m_temp / "Two.prj"}).status, 2) << "it exists";
}

struct ExitCase {
    const char* name;
    Strings arguments; // after "history --history STORE"; "SONG" stands for the project
    int status;
};

class HistoryExit : public HistoryCli, public ::testing::WithParamInterface<ExitCase> {};

TEST_P(HistoryExit, FollowsTheExitStatusContract) {
    Strings arguments = GetParam().arguments;
    for (std::string& argument : arguments)
        if (argument == "SONG")
            argument = Song();
        else if (argument == "OTHER")
            argument = m_temp / "Other.prj";
    ASSERT_EQ(RunCorvane({"demo", m_temp / "Other.prj"}).status, 0);
    const RunResult result = History(arguments);
    EXPECT_EQ(result.status, GetParam().status) << result.out << result.err;
}

INSTANTIATE_TEST_SUITE_P(
    Cli, HistoryExit,
    ::testing::Values(ExitCase{"List", {"SONG"}, 0}, ExitCase{"NoVersions", {"OTHER"}, 1},
                      ExitCase{"NoFolder", {"/nonexistent/X.prj"}, 2}, ExitCase{"NoProject", {}, 2},
                      ExitCase{"ShowUnknown", {"show", "SONG", "3"}, 2},
                      ExitCase{"ShowEqual", {"show", "SONG", "2", "--against", "2"}, 0},
                      ExitCase{"BadNumber", {"show", "SONG", "x"}, 2},
                      ExitCase{"UnknownVersion", {"restore", "SONG", "9"}, 2},
                      ExitCase{"Prune", {"prune", "SONG", "--keep", "1"}, 0}),
    [](const ::testing::TestParamInfo<ExitCase>& test) { return std::string(test.param.name); });

TEST_F(HistoryCli, PruneKeepsTheNewest) {
    const RunResult prune = History({"prune", Song(), "--keep", "1"});
    EXPECT_EQ(prune.Lines(), Strings{"dropped 1 version"});
    const Json versions = Json::parse(History({Song(), "--json"}).out);
    ASSERT_EQ(versions.size(), 1u);
    EXPECT_EQ(versions[0]["id"], "2");
}

// A project moved to another folder takes its history along, once; a folder that matches no
// history, or has one, gets none.
TEST_F(HistoryCli, AttachGivesAMovedProjectItsHistory) {
    const std::string moved = m_temp / "Sets/Song.prj";
    std::filesystem::create_directories(m_temp / "Sets");
    std::filesystem::rename(Song(), moved);
    ExpectRun(History({"attach", moved}), 0,
              {"attached the history of " + Song() + "/ (2 versions)"});
    EXPECT_EQ(Json::parse(History({moved, "--json"}).out).size(), 2u);
    EXPECT_EQ(History({"attach", moved}).status, 1); // it has one now
    const std::string other = m_temp / "Other.prj";
    ASSERT_EQ(RunCorvane({"demo", other, "--seed", "9"}).status, 0);
    EXPECT_EQ(History({"attach", other}).status, 1);
    EXPECT_EQ(History({other}).Lines(), Strings{});
}

} // namespace
} // namespace CorvCliTest
