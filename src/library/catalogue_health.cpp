#include "library/catalogue.h"

#include <atomic>
#include <cerrno>
#include <fcntl.h>
#include <filesystem>
#include <mutex>
#include <set>
#include <sys/file.h>
#include <unistd.h>

namespace Corv::Library {

namespace {

// The marks this process holds. A second descriptor of one of them could not be locked either,
// so without this list a process would take its own marks for another's.
std::mutex& OwnMarksMutex() {
    static std::mutex mutex;
    return mutex;
}

std::set<std::string>& OwnMarks() {
    static std::set<std::string> marks;
    return marks;
}

bool IsOwnMark(const std::string& mark) {
    const std::lock_guard<std::mutex> guard(OwnMarksMutex());
    return OwnMarks().count(mark) > 0;
}

// The folder of the catalogue's marks, "." for a bare file name.
std::filesystem::path MarkFolder(const std::string& catalogue) {
    const std::filesystem::path path(catalogue);
    return path.has_parent_path() ? path.parent_path() : std::filesystem::path(".");
}

// A file beside the catalogue: its name with `suffix` added.
std::string BesideCatalogue(const std::string& catalogue, const std::string& suffix) {
    return (MarkFolder(catalogue) / (std::filesystem::path(catalogue).filename().string() + suffix))
        .string();
}

// The marks beside the catalogue that other processes (or none any more) hold.
std::vector<std::string> ForeignMarks(const std::string& catalogue) {
    std::vector<std::string> marks;
    const std::string prefix = std::filesystem::path(catalogue).filename().string() + ".open-";
    std::error_code error;
    std::filesystem::directory_iterator it(MarkFolder(catalogue), error);
    for (; !error && it != std::filesystem::directory_iterator(); it.increment(error)) {
        const std::string name = it->path().filename().string();
        if (name.compare(0, prefix.size(), prefix) == 0 && !IsOwnMark(it->path().string()))
            marks.push_back(it->path().string());
    }
    return marks;
}

enum class MarkState { Held, Stale, Gone };

// Whether a process still holds a mark. A stale mark is left locked in `fd` (the caller closes
// it) so that nobody else removes or reuses it meanwhile. A mark that cannot be locked for any
// other reason (a file system without locks) counts as held: nothing is done to it.
MarkState Probe(const std::string& mark, int& fd) {
    fd = ::open(mark.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0)
        return MarkState::Gone;
    int result = 0;
    do
        result = ::flock(fd, LOCK_EX | LOCK_NB);
    while (result != 0 && errno == EINTR);
    if (result == 0)
        return MarkState::Stale;
    ::close(fd);
    fd = -1;
    return MarkState::Held;
}

} // namespace

CCatalogue::~CCatalogue() {
    m_db.Close();
    Unmark();
}

void CCatalogue::Mark() {
    Unmark();
    static std::atomic<int> counter{0};
    const std::string suffix = std::to_string(::getpid()) + "-" + std::to_string(++counter);
    const std::string mark = BesideCatalogue(m_path, ".open-" + suffix);
    // Locked under another name first and then renamed: a mark that others can see is locked
    // for as long as its process lives.
    const std::string making = BesideCatalogue(m_path, ".opening-" + suffix);
    const int fd = ::open(making.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0)
        return; // a catalogue in a folder one cannot write to goes unmarked (and cannot be used)
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0 && ::rename(making.c_str(), mark.c_str()) == 0) {
        const std::lock_guard<std::mutex> guard(OwnMarksMutex());
        OwnMarks().insert(mark);
        m_mark = mark;
        m_markFd = fd;
        return;
    }
    ::unlink(making.c_str());
    ::close(fd);
}

void CCatalogue::Unmark() {
    if (m_markFd < 0)
        return;
    // Removed while still locked: nobody can take it for the mark of an unclean exit.
    ::unlink(m_mark.c_str());
    ::close(m_markFd);
    const std::lock_guard<std::mutex> guard(OwnMarksMutex());
    OwnMarks().erase(m_mark);
    m_mark.clear();
    m_markFd = -1;
}

bool CCatalogue::NeedsCheck() const {
    for (const std::string& mark : ForeignMarks(m_path)) {
        int fd = -1;
        const bool stale = Probe(mark, fd) == MarkState::Stale;
        if (fd >= 0)
            ::close(fd);
        if (stale)
            return true;
    }
    return false;
}

void CCatalogue::ClearStaleMarks() const {
    for (const std::string& mark : ForeignMarks(m_path)) {
        int fd = -1;
        if (Probe(mark, fd) == MarkState::Stale)
            ::unlink(mark.c_str());
        if (fd >= 0)
            ::close(fd);
    }
}

bool CCatalogue::UsedElsewhere() const {
    for (const std::string& mark : ForeignMarks(m_path)) {
        int fd = -1;
        const MarkState state = Probe(mark, fd);
        if (fd >= 0)
            ::close(fd);
        if (state == MarkState::Held)
            return true;
    }
    return false;
}

std::string CCatalogue::CheckIntegrity() {
    if (!m_db.IsOpen())
        return "the catalogue is not open";
    CStatement check(m_db, "PRAGMA integrity_check(20)");
    std::string problems;
    while (check.Step()) {
        const std::string line = check.Text(0);
        if (line != "ok")
            problems += (problems.empty() ? "" : "; ") + line;
    }
    if (check.Failed()) {
        const std::string why =
            m_db.Error().empty() ? std::string("the check could not run") : m_db.Error();
        problems += (problems.empty() ? "" : "; ") + why;
    }
    return problems;
}

bool CCatalogue::RebuildDamaged(std::string& error) {
    if (UsedElsewhere()) {
        error = "another program has it open; close that and check again";
        return false;
    }
    m_db.Close();
    return Rebuild(error);
}

CheckOutcome CheckCatalogue(const std::string& path, std::string& message) {
    CCatalogue catalogue;
    message.clear();
    if (!catalogue.Open(path, message)) {
        message = "the catalogue " + path + " cannot be opened: " + message;
        return CheckOutcome::Failed;
    }
    if (catalogue.Rebuilt()) { // so damaged that opening it found it
        catalogue.ClearStaleMarks();
        return CheckOutcome::Rebuilt;
    }
    const std::string problem = catalogue.CheckIntegrity();
    if (problem.empty()) {
        catalogue.ClearStaleMarks();
        return CheckOutcome::Sound;
    }
    std::string error;
    if (!catalogue.RebuildDamaged(error)) {
        message = "the catalogue " + path + " is damaged (" + problem + "): " + error;
        return CheckOutcome::Failed;
    }
    catalogue.ClearStaleMarks();
    message = "the catalogue " + path + " was damaged (" + problem + "); it was set aside as " +
              catalogue.SetAside() + " and a new one was made";
    return CheckOutcome::Rebuilt;
}

} // namespace Corv::Library
