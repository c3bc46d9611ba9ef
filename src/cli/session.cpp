#include "cli/session.h"

#include "cli/arguments.h"
#include "edit/work_folder.h"
#include "history/recorder.h"
#include "storage/domain.h"
#include "storage/moved_entries.h"
#include "storage/project_document.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <iostream>
#include <memory>
#include <string_view>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace Corv::Cli {

namespace {

// Temporary work folders are "corvane-" and six letters or digits (mkdtemp's pattern), each with
// a lock file that its run holds locked as long as it lives.
constexpr std::string_view kFolderPrefix = "corvane-";
constexpr const char* kLockName = ".lock";

std::string WithSlash(const std::string& folder) {
    std::string path = fs::path(folder).generic_string();
    if (path.empty() || path.back() != '/')
        path += '/';
    return path;
}

std::string TemporaryBase() {
    std::error_code error;
    const fs::path base = fs::temp_directory_path(error);
    return error ? std::string("/tmp") : base.string();
}

bool IsTemporaryFolderName(std::string_view name) {
    return name.size() == kFolderPrefix.size() + 6 &&
           name.substr(0, kFolderPrefix.size()) == kFolderPrefix &&
           std::all_of(name.begin() + static_cast<std::ptrdiff_t>(kFolderPrefix.size()), name.end(),
                       [](unsigned char c) { return std::isalnum(c) != 0; });
}

// Takes the lock of an existing lock file, or of a folder itself, without waiting; -1 when it
// is held (or missing).
int TryLock(const std::string& lockFile, bool folder = false) {
    const int fd = ::open(lockFile.c_str(), folder ? O_RDONLY | O_DIRECTORY | O_CLOEXEC
                                                   : O_RDWR | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
    if (fd < 0)
        return -1;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

// Entries that a run moved between projects and that it did not save (it ended, or was killed,
// first) go to the trash with a notice, never deleted; true when none is left in the folder.
bool TrashUnsavedEntries(const std::string& folder, CDomain& services) {
    const std::string notice = TrashMovedEntries(WithSlash(folder));
    if (!notice.empty())
        services.ShowNotice(notice);
    return MovedEntryFiles(WithSlash(folder)).empty();
}

// Removes the temporary work folders that runs killed before their end left in the base: a
// folder of this user, named like one, whose lock file exists and is free. A folder without a
// lock file may belong to a run that is starting and is left alone.
void RemoveStaleFolders(const std::string& base, CDomain& services) {
    std::vector<fs::path> candidates;
    std::error_code error;
    for (const fs::directory_entry& entry : fs::directory_iterator(base, error)) {
        struct stat st {};
        if (IsTemporaryFolderName(entry.path().filename().string()) &&
            ::lstat(entry.path().c_str(), &st) == 0 && S_ISDIR(st.st_mode) &&
            st.st_uid == ::geteuid())
            candidates.push_back(entry.path());
    }
    for (const fs::path& folder : candidates) {
        const int lock = TryLock(folder.string() + "/" + kLockName);
        if (lock < 0)
            continue;
        std::error_code ignored;
        if (TrashUnsavedEntries(folder.string(), services))
            fs::remove_all(folder, ignored); // the links inside are removed, never followed
        ::close(lock);
    }
}

// A new, private folder under the system's temporary folder, locked for this run (the lock goes
// with the process, however it ends); -1 in `lock` and an empty text when it cannot be made.
std::string MakeTemporaryFolder(int& lock, CDomain& services) {
    const std::string base = TemporaryBase();
    RemoveStaleFolders(base, services);
    std::string pattern = base + "/" + std::string(kFolderPrefix) + "XXXXXX";
    if (::mkdtemp(pattern.data()) == nullptr)
        return {};
    // Locked under another name first and then renamed: a lock file that others can see is
    // always held.
    const std::string unlocked = pattern + "/" + kLockName + "-new";
    lock = ::open(unlocked.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (lock >= 0 && ::flock(lock, LOCK_EX | LOCK_NB) == 0 &&
        ::rename(unlocked.c_str(), (pattern + "/" + kLockName).c_str()) == 0)
        return pattern;
    if (lock >= 0)
        ::close(lock);
    lock = -1;
    std::error_code ignored;
    fs::remove_all(pattern, ignored);
    return {};
}

} // namespace

CSession::CSession(AnswerPolicy policy) : m_services(CDomain::Get()) {
    auto sink = std::make_unique<CConsoleSink>(std::cout, std::cerr, policy);
    m_sink = sink.get();
    m_services.SetMessageSink(std::move(sink));
    m_services.SetTextBuffer(std::make_unique<CLumTextOutBuffer>());
}

CSession::~CSession() {
    Finish();
}

bool CSession::Start(std::string& error) {
    const char* named = std::getenv(kWorkFolderVariable);
    std::string folder;
    if (named != nullptr && *named != '\0') {
        folder = AbsolutePath(named);
        std::error_code ignored;
        fs::create_directories(folder, ignored);
        if (!fs::is_directory(folder, ignored)) {
            error = "cannot create the work folder " + folder;
            return false;
        }
        // Should it be a temporary folder that a killed run left, its lock is held here, so
        // that no other run removes it while this one works in it. What an earlier run that
        // ended unsaved left listed goes to the trash, unless a live run holds the folder.
        m_lock = TryLock(folder + "/" + kLockName);
        m_folderLock = TryLock(folder, true);
        if (m_folderLock >= 0) // no other run works in it
            TrashUnsavedEntries(folder, m_services);
    } else {
        folder = MakeTemporaryFolder(m_lock, m_services);
        if (folder.empty()) {
            error = "cannot create a temporary work folder";
            return false;
        }
        m_temporary = true;
    }
    m_workFolder = WithSlash(folder);
    m_services.m_workFolder = m_workFolder;
    // Every save of the run keeps a version of the project as it was (CORVANE_HISTORY, or the
    // History folder in the program's data folder).
    History::InstallRecorder(m_services, {}, CORV_VERSION);
    if (const char* wait = std::getenv(kLockWaitVariable); wait != nullptr && *wait != '\0') {
        char* end = nullptr;
        const double seconds = std::strtod(wait, &end);
        if (*end != '\0' || !(seconds >= 0 && seconds <= 3600)) {
            error = std::string(kLockWaitVariable) + " must be a number of seconds, not \"" + wait +
                    "\"";
            return false;
        }
        CProjectDocuments::Get().SetLockWait(
            std::chrono::milliseconds(static_cast<long long>(seconds * 1000)));
    }
    return true;
}

CProjectDocument* CSession::Open(const std::string& folder, LockMode mode) {
    return CProjectDocuments::Get().OpenProject(AbsolutePath(folder), mode);
}

void CSession::Finish() {
    // Closing hands files that other open projects still use over to the work folder; nothing
    // of that outlives the run, so the documents go before the work folder is emptied.
    CProjectDocuments::Get().CloseAll();
    CProjectDocuments::Get().UndoStep().Clear();
    if (m_workFolder.empty())
        return;
    const bool emptied = TrashUnsavedEntries(m_workFolder, m_services);
    EmptyWorkFolder(m_workFolder);
    if (m_temporary && emptied) {
        std::error_code ignored;
        fs::remove_all(m_workFolder, ignored);
    }
    for (int* lock : {&m_lock, &m_folderLock}) {
        if (*lock >= 0)
            ::close(*lock);
        *lock = -1;
    }
    m_workFolder.clear();
}

} // namespace Corv::Cli
