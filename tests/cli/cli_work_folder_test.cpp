// The temporary work folders of runs: a run that was killed leaves its folder behind, and the
// next run that makes one removes it, never the folder of a run that still lives.

#include "cli_fixture.h"

#include <algorithm>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
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
        int pipeEnds[2];
        if (::pipe(pipeEnds) != 0)
            throw std::runtime_error("no pipe");
        m_pid = ::fork();
        if (m_pid == 0) {
            ::dup2(pipeEnds[0], STDIN_FILENO);
            const int null = ::open("/dev/null", O_WRONLY);
            ::dup2(null, STDOUT_FILENO);
            ::close(pipeEnds[0]);
            ::close(pipeEnds[1]);
            ::setenv("TMPDIR", tmp.c_str(), 1);
            if (workFolder.empty())
                ::unsetenv("CORVANE_WORK_FOLDER");
            else
                ::setenv("CORVANE_WORK_FOLDER", workFolder.c_str(), 1);
            ::execl(CORVANE_PATH, CORVANE_PATH, "script", static_cast<char*>(nullptr));
            ::_exit(127);
        }
        ::close(pipeEnds[0]);
        m_script = pipeEnds[1];
    }
    ~WaitingRun() {
        if (m_pid > 0)
            Kill();
    }
    WaitingRun(const WaitingRun&) = delete;
    WaitingRun& operator=(const WaitingRun&) = delete;

    // Ends the run as a crash would: no clean-up of its own.
    void Kill() {
        ::kill(m_pid, SIGKILL);
        Wait();
    }
    // Ends the script; the run's exit status.
    int End() { return Wait(); }

private:
    int Wait() {
        ::close(m_script);
        int status = 0;
        ::waitpid(m_pid, &status, 0);
        m_pid = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    pid_t m_pid = -1;
    int m_script = -1;
};

// True when another process holds the lock of the file.
bool LockHeld(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY);
    if (fd < 0)
        return false;
    const bool held = ::flock(fd, LOCK_EX | LOCK_NB) != 0;
    ::close(fd);
    return held;
}

// The folders of `tmp` whose lock is held, sorted; waits up to ten seconds for `count` of them.
Strings LockedFolders(const std::string& tmp, std::size_t count) {
    Strings folders;
    for (int attempt = 0; attempt < 1000 && folders.size() != count; ++attempt) {
        if (attempt > 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        folders.clear();
        for (const fs::directory_entry& entry : fs::directory_iterator(tmp))
            if (LockHeld(entry.path() / ".lock"))
                folders.push_back(entry.path().string());
        std::sort(folders.begin(), folders.end());
    }
    return folders;
}

Strings Entries(const std::string& tmp) {
    Strings names;
    for (const fs::directory_entry& entry : fs::directory_iterator(tmp))
        names.push_back(entry.path().string());
    std::sort(names.begin(), names.end());
    return names;
}

TEST_F(CliTest, AKilledRunsWorkFolderIsRemovedByTheNextRunAndALiveRunsStays) {
    ProjectBuilder p(ProjectPath("P"));
    p.Patch(1, "A", 0);
    const std::string tmp = m_temp / "tmp";
    fs::create_directories(tmp + "/corvane-NoLock"); // no lock file: perhaps a run starting
    const std::map<std::string, std::string> temporary = {{"TMPDIR", tmp},
                                                          {"CORVANE_WORK_FOLDER", ""}};

    WaitingRun live(tmp);
    const Strings first = LockedFolders(tmp, 1);
    ASSERT_EQ(first.size(), 1u);
    const std::string liveFolder = first.front();
    std::string killedFolder;
    {
        WaitingRun killed(tmp);
        const Strings both = LockedFolders(tmp, 2);
        ASSERT_EQ(both.size(), 2u);
        killedFolder = both.front() == liveFolder ? both.back() : both.front();
        killed.Kill();
    }
    ASSERT_TRUE(fs::exists(killedFolder + "/.lock")); // left behind, its lock free

    // A run that works in the left folder by name holds it: other runs leave it alone.
    WaitingRun named(tmp, killedFolder);
    ASSERT_EQ(LockedFolders(tmp, 2).size(), 2u);
    EXPECT_EQ(RunCorvane({"info", p.Folder()}, temporary).status, 0);
    EXPECT_TRUE(fs::is_directory(killedFolder));
    EXPECT_EQ(named.End(), 0);

    ExpectRun(RunCorvane({"list", p.Folder(), "patch"}, temporary), 0, {"   1  A             _/_"});
    Strings left = {tmp + "/corvane-NoLock", liveFolder};
    std::sort(left.begin(), left.end());
    EXPECT_EQ(Entries(tmp), left);
    EXPECT_EQ(live.End(), 0);
    EXPECT_EQ(Entries(tmp), Strings{tmp + "/corvane-NoLock"});
}

} // namespace
} // namespace CorvCliTest
