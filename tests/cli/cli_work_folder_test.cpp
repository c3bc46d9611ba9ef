// The temporary work folders of runs: a run that was killed leaves its folder behind, and the
// next run that makes one removes it, never the folder of a run that still lives.

#include "cli_fixture.h"

#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <set>
#include <sys/file.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace CorvCliTest {
namespace {

namespace fs = std::filesystem;

// A `corvane script` run that waits for its script on a pipe: it lives until the pipe is closed
// or it is killed.
class WaitingRun {
public:
    explicit WaitingRun(const std::string& tmp) {
        int ends[2];
        if (::pipe(ends) != 0 || (m_pid = ::fork()) < 0)
            throw std::runtime_error("cannot start a run");
        if (m_pid == 0) {
            ::dup2(ends[0], STDIN_FILENO);
            ::close(ends[1]);
            ::setenv("TMPDIR", tmp.c_str(), 1);
            ::unsetenv("CORVANE_WORK_FOLDER");
            ::execl(CORVANE_PATH, CORVANE_PATH, "script", static_cast<char*>(nullptr));
            ::_exit(127);
        }
        ::close(ends[0]);
        m_script = ends[1];
    }
    ~WaitingRun() { End(true); }
    WaitingRun(const WaitingRun&) = delete;
    WaitingRun& operator=(const WaitingRun&) = delete;

    // Ends the script, or kills the run as a crash would; the exit status.
    int End(bool kill = false) {
        if (m_pid <= 0)
            return -1;
        if (kill)
            ::kill(m_pid, SIGKILL);
        ::close(m_script);
        int status = 0;
        ::waitpid(m_pid, &status, 0);
        m_pid = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

private:
    pid_t m_pid = -1;
    int m_script = -1;
};

// The entries of `tmp`, and among them those whose lock file another process holds.
struct Folders {
    std::set<std::string> all, locked;
};
Folders Look(const std::string& tmp) {
    Folders folders;
    for (const fs::directory_entry& entry : fs::directory_iterator(tmp)) {
        folders.all.insert(entry.path().string());
        const int fd = ::open((entry.path() / ".lock").c_str(), O_RDONLY);
        if (fd < 0)
            continue;
        if (::flock(fd, LOCK_EX | LOCK_NB) != 0)
            folders.locked.insert(entry.path().string());
        ::close(fd);
    }
    return folders;
}
// Waits up to ten seconds for `count` held folders.
std::set<std::string> AwaitLocked(const std::string& tmp, std::size_t count) {
    for (int attempt = 0; attempt < 1000 && Look(tmp).locked.size() != count; ++attempt)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    return Look(tmp).locked;
}

TEST_F(CliTest, AKilledRunsWorkFolderIsRemovedByTheNextRunAndALiveRunsStays) {
    ProjectBuilder p(ProjectPath("P"));
    p.Patch(1, "A", 0);
    const std::string tmp = m_temp / "tmp";
    fs::create_directories(tmp);
    WaitingRun live(tmp);
    const std::set<std::string> held = AwaitLocked(tmp, 1);
    ASSERT_EQ(held.size(), 1u);
    // What a killed run leaves: its folder with a lock file that nobody holds any more (the
    // lock goes with the process). A folder without a lock file may be a run that is starting.
    const std::string killed = tmp + "/corvane-Killed", starting = tmp + "/corvane-NoLock";
    fs::create_directories(starting);
    fs::create_directories(killed);
    CorvTest::WriteBytes(killed + "/.lock", {});

    ExpectRun(
        RunCorvane({"list", p.Folder(), "patch"}, {{"TMPDIR", tmp}, {"CORVANE_WORK_FOLDER", ""}}),
        0, {"   1  A             _/_"});
    EXPECT_EQ(Look(tmp).all, (std::set<std::string>{starting, *held.begin()}));
    EXPECT_EQ(live.End(), 0);
    EXPECT_EQ(Look(tmp).all, std::set<std::string>{starting});
}

} // namespace
} // namespace CorvCliTest
