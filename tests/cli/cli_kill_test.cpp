// A save killed by the operating system at a chosen system call (strace injects SIGKILL) must
// leave a project that the next run opens as exactly the old or exactly the new state.
#include "cli_fixture.h"

#include <filesystem>

namespace CorvCliTest {
namespace {

namespace fs = std::filesystem;
using Snapshot = std::vector<std::pair<std::string, CorvTest::Bytes>>;

// The project state as the next run sees it: `corvane check` opens it (completing or undoing an
// interrupted save), then every file of the folder.
Snapshot Reopened(const std::string& folder) {
    RunCorvane({"check", folder});
    return CorvTest::FolderSnapshot(folder);
}

class CliKillTest : public CliTest {};

TEST_F(CliKillTest, ASaveKilledAtAnySystemCallReopensOldOrNew) {
    ASSERT_EQ(RunShell("command -v strace").status, 0) << "strace is needed (scripts/install-deps)";
    const std::string original = ProjectPath("Original");
    ASSERT_EQ(RunCorvane({"demo", original, "--seed", "3"}).status, 0);
    const std::string folder = ProjectPath("Song");
    const std::string work = m_temp / "work";
    const std::string steps = "open P " + Quoted(folder) +
                              "\nrename P patch 1 NewName\nmemo P tone 2 1 hello\n"
                              "drop P patch 2-4 P 20 move\ndelete P wave 3\nsave P\n";
    const std::string command =
        "env CORVANE_WORK_FOLDER=" + ShellQuoted(work) + " " + CommandLine({"script"});
    const auto reset = [&] {
        fs::remove_all(folder);
        fs::copy(original, folder, fs::copy_options::recursive);
    };
    reset();
    const Snapshot before = CorvTest::FolderSnapshot(folder);
    RunShell(command, steps);
    const Snapshot after = Reopened(folder);
    ASSERT_NE(before, after);

    // The k-th call of each kind that changes the disk, and every 23rd open, until the save no
    // longer makes that many and ends by itself.
    int stops = 0, old = 0, completed = 0;
    for (const auto& [call, step] :
         {std::pair{"rename", 1}, {"unlink", 1}, {"fsync", 1}, {"write", 1}, {"openat", 23}})
        for (int k = 1;; k += step) {
            SCOPED_TRACE("killed at " + std::string(call) + " " + std::to_string(k));
            reset();
            const RunResult killed =
                RunShell("strace -f -o /dev/null -e inject=" + std::string(call) +
                             ":signal=KILL:when=" + std::to_string(k) + " " + command,
                         steps);
            if (killed.status == 0)
                break;
            ++stops;
            const Snapshot state = Reopened(folder);
            EXPECT_TRUE(state == before || state == after)
                << "neither state: " << CorvTest::SnapshotDifference(state, before) << " / "
                << CorvTest::SnapshotDifference(state, after);
            old += state == before;
            completed += state == after;
            if (::testing::Test::HasFailure())
                return;
        }
    ASSERT_GT(stops, 40);
    std::printf("killed saves: %d, reopened old %d, new %d\n", stops, old, completed);
    EXPECT_GT(old, 0);
    EXPECT_GT(completed, 0);
}

} // namespace
} // namespace CorvCliTest
