// A save killed by the operating system at a chosen system call (strace injects SIGKILL) must
// leave a project that the next run opens as exactly the old or exactly the new state.
#include <filesystem>
#include <map>

#include "cli_fixture.h"

namespace CorvCliTest {
namespace {

namespace fs = std::filesystem;
using Snapshot = std::vector<std::pair<std::string, CorvTest::Bytes>>;

// The system calls a save changes the disk with, and how often a save makes each.
std::map<std::string, int> CountCalls(const std::string& command, const std::string& input,
                                      const std::string& scratch) {
    const std::string counts = scratch + "/counts.txt";
    RunShell("strace -f -c -o " + ShellQuoted(counts) + " " + command, input);
    std::map<std::string, int> calls;
    const CorvTest::Bytes bytes = CorvTest::ReadBytes(counts);
    std::istringstream lines(std::string(bytes.begin(), bytes.end()));
    for (std::string line; std::getline(lines, line);) {
        std::istringstream fields(line);
        std::vector<std::string> words;
        for (std::string word; fields >> word;)
            words.push_back(word);
        // "% time  seconds  usecs/call  calls  [errors]  syscall"
        if (words.size() >= 5 && std::isdigit(static_cast<unsigned char>(words[3][0])))
            calls[words.back()] = std::stoi(words[3]);
    }
    return calls;
}

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
    const std::string command = "env CORVANE_WORK_FOLDER=" + ShellQuoted(work) + " " +
                                CommandLine({"script"});
    const auto reset = [&] {
        fs::remove_all(folder);
        fs::copy(original, folder, fs::copy_options::recursive);
    };
    reset();
    const Snapshot before = CorvTest::FolderSnapshot(folder);
    const std::map<std::string, int> calls = CountCalls(command, steps, m_temp.Path());
    const Snapshot after = Reopened(folder);
    ASSERT_NE(before, after);

    // Every rename, removal, sync and write of the save; a spread of the opens.
    std::vector<std::pair<std::string, int>> stops;
    for (const char* call : {"rename", "unlink", "fsync", "write"})
        for (int k = 1; calls.count(call) != 0 && k <= calls.at(call); ++k)
            stops.emplace_back(call, k);
    const int opens = calls.count("openat") != 0 ? calls.at("openat") : 0;
    for (int k = 1; k <= opens; k += std::max(1, opens / 16))
        stops.emplace_back("openat", k);
    ASSERT_GT(stops.size(), 40u);

    int old = 0, completed = 0;
    for (const auto& [call, k] : stops) {
        SCOPED_TRACE("killed at " + call + " " + std::to_string(k));
        reset();
        const RunResult killed = RunShell("strace -f -o /dev/null -e inject=" + call +
                                              ":signal=KILL:when=" + std::to_string(k) + " " + command,
                                          steps);
        EXPECT_NE(killed.status, 0);
        const Snapshot state = Reopened(folder);
        EXPECT_TRUE(state == before || state == after)
            << "neither state: " << CorvTest::SnapshotDifference(state, before) << " / "
            << CorvTest::SnapshotDifference(state, after);
        old += state == before;
        completed += state == after;
        if (::testing::Test::HasFailure())
            break;
    }
    std::printf("killed saves: %zu, reopened old %d, new %d\n", stops.size(), old, completed);
    EXPECT_GT(old, 0);
    EXPECT_GT(completed, 0);
}

} // namespace
} // namespace CorvCliTest
