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
// or it is killed. `workFolder` is its CORVANE_WORK_FOLDER (none when empty).
class WaitingRun {
public:
    WaitingRun(const std::string& tmp, const std::string& workFolder = "") {
        int ends[2];
        if (::pipe(ends) != 0 || (m_pid = ::fork()) < 0)
            throw std::runtime_error("cannot start a run");
        if (m_pid == 0) {
            ::dup2(ends[0], STDIN_FILENO);
            ::close(ends[1]);
            ::setenv("TMPDIR", tmp.c_str(), 1);
            if (workFolder.empty())
                ::unsetenv("CORVANE_WORK_FOLDER");
            else
                ::setenv("CORVANE_WORK_FOLDER", workFolder.c_str(), 1);
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
    const std::string tmp = m_temp / "tmp", noLock = tmp + "/corvane-NoLock"; // a run starting?
    fs::create_directories(noLock);
    const std::map<std::string, std::string> temporary = {{"TMPDIR", tmp},
                                                          {"CORVANE_WORK_FOLDER", ""}};
    WaitingRun live(tmp);
    const std::set<std::string> first = AwaitLocked(tmp, 1);
    ASSERT_EQ(first.size(), 1u);
    const std::string liveFolder = *first.begin();
    WaitingRun killed(tmp);
    std::set<std::string> both = AwaitLocked(tmp, 2);
    ASSERT_EQ(both.size(), 2u);
    both.erase(liveFolder);
    const std::string killedFolder = *both.begin();
    killed.End(true);
    ASSERT_TRUE(fs::exists(killedFolder + "/.lock")); // left behind, its lock free

    // A run that works in the left folder by name holds it: other runs leave it alone.
    WaitingRun named(tmp, killedFolder);
    ASSERT_EQ(AwaitLocked(tmp, 2).size(), 2u);
    ExpectRun(RunCorvane({"list", p.Folder(), "patch"}, temporary), 0, {"   1  A             _/_"});
    EXPECT_TRUE(fs::is_directory(killedFolder));
    EXPECT_EQ(named.End(), 0);

    EXPECT_EQ(RunCorvane({"info", p.Folder()}, temporary).status, 0);
    EXPECT_EQ(Look(tmp).all, (std::set<std::string>{noLock, liveFolder}));
    EXPECT_EQ(live.End(), 0);
    EXPECT_EQ(Look(tmp).all, std::set<std::string>{noLock});
}

} // namespace
} // namespace CorvCliTest
