#include "model/file_system.h"

#include "model/file_copy.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <map>
#include <mutex>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace Corv {

namespace {

thread_local FileError t_lastError;

// Records why an operation on a path failed, from errno, and passes the failure on.
template <class T> T Failed(const std::string& path, T result) {
    SetLastFileError(path, errno);
    return result;
}

bool ReadAll(int fd, char* out, std::size_t n, std::size_t& done) {
    done = 0;
    while (done < n) {
        const ssize_t got = ::read(fd, out + done, n - done);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return false;
        if (got == 0)
            break;
        done += static_cast<std::size_t>(got);
    }
    return true;
}

bool WriteAll(int fd, const char* in, std::size_t n) {
    std::size_t done = 0;
    while (done < n) {
        const ssize_t put = ::write(fd, in + done, n - done);
        if (put < 0 && errno == EINTR)
            continue;
        if (put <= 0)
            return false;
        done += static_cast<std::size_t>(put);
    }
    return true;
}

class PosixFile final : public IFile {
public:
    PosixFile(int fd, std::string path) : m_fd(fd), m_path(std::move(path)) {}
    ~PosixFile() override {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    PosixFile(const PosixFile&) = delete;
    PosixFile& operator=(const PosixFile&) = delete;

    std::int64_t Read(void* buffer, std::size_t n) override {
        std::size_t done = 0;
        if (!ReadAll(m_fd, static_cast<char*>(buffer), n, done))
            return Failed(m_path, std::int64_t{-1});
        return static_cast<std::int64_t>(done);
    }

    bool Write(const void* buffer, std::size_t n) override {
        // A write that puts nothing without an error leaves errno as it was: say "no space".
        errno = ENOSPC;
        return WriteAll(m_fd, static_cast<const char*>(buffer), n) || Failed(m_path, false);
    }

    bool Seek(std::uint64_t offset) override {
        return ::lseek(m_fd, static_cast<off_t>(offset), SEEK_SET) >= 0 || Failed(m_path, false);
    }

    std::int64_t Size() override {
        struct stat st {};
        if (::fstat(m_fd, &st) != 0)
            return Failed(m_path, std::int64_t{-1});
        return st.st_size;
    }

    bool Sync() override { return ::fsync(m_fd) == 0 || Failed(m_path, false); }

    bool Close() override {
        const int fd = m_fd;
        m_fd = -1;
        return fd >= 0 && (::close(fd) == 0 || Failed(m_path, false));
    }

private:
    int m_fd;
    std::string m_path;
};

int OpenFlags(OpenMode mode) {
    switch (mode) {
    case OpenMode::Read:
        return O_RDONLY;
    case OpenMode::Update:
        return O_RDWR;
    case OpenMode::Write:
        return O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW;
    case OpenMode::CreateNew:
        return O_WRONLY | O_CREAT | O_EXCL;
    }
    return O_RDONLY;
}

// Opens without ever blocking on a FIFO or a device, and keeps the descriptor only for a
// regular file; -1 otherwise. The descriptor keeps O_NONBLOCK: it has no effect on reading and
// writing regular files, and clearing it would cost two more calls for every file a load opens.
int OpenRegular(const std::string& path, int flags) {
    const int fd = ::open(path.c_str(), flags | O_CLOEXEC | O_NONBLOCK, 0666);
    if (fd < 0)
        return Failed(path, -1);
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        SetLastFileError({path, "not a regular file"});
        ::close(fd);
        return -1;
    }
    return fd;
}

FileType TypeOf(mode_t mode) {
    if (S_ISREG(mode))
        return FileType::Regular;
    if (S_ISDIR(mode))
        return FileType::Directory;
    return FileType::Other;
}

// The errors with which the kernel declines to copy between two files (other file systems, an
// old kernel, a file system without the call) rather than failing the copy itself.
bool KernelRefused(int error) {
    return error == EXDEV || error == ENOSYS || error == EOPNOTSUPP || error == EINVAL;
}

// The most one kernel step is asked to copy (the kernel caps a single call below 2 GiB).
constexpr std::uint64_t kKernelChunk = std::uint64_t{1} << 30;

// A lock through flock(2) on a descriptor of the folder: the system drops it when the process
// ends, however it ends. File systems without flock (some network ones) say so with an error.
class PosixFolderLock final : public IFolderLock {
public:
    explicit PosixFolderLock(int fd) : m_fd(fd) {}
    ~PosixFolderLock() override { ::close(m_fd); }
    PosixFolderLock(const PosixFolderLock&) = delete;
    PosixFolderLock& operator=(const PosixFolderLock&) = delete;

    LockResult TryLock(LockMode mode) override {
        const int operation = (mode == LockMode::Shared ? LOCK_SH : LOCK_EX) | LOCK_NB;
        for (;;) {
            if (::flock(m_fd, operation) == 0)
                return LockResult::Locked;
            if (errno == EINTR)
                continue;
            return errno == EWOULDBLOCK ? LockResult::Busy : LockResult::Unsupported;
        }
    }
    void Unlock() override { ::flock(m_fd, LOCK_UN); }

private:
    int m_fd;
};

// Locks among the objects of one process, by the identity of the folder.
class ProcessFolderLock final : public IFolderLock {
public:
    using Key = std::pair<std::uint64_t, std::uint64_t>;
    explicit ProcessFolderLock(Key key) : m_key(key) {}
    ~ProcessFolderLock() override { Unlock(); }
    ProcessFolderLock(const ProcessFolderLock&) = delete;
    ProcessFolderLock& operator=(const ProcessFolderLock&) = delete;

    LockResult TryLock(LockMode mode) override {
        const std::lock_guard<std::mutex> guard(Mutex());
        Holders& holders = Table()[m_key];
        Release(holders);
        if (mode == LockMode::Exclusive ? holders.shared > 0 || holders.exclusive
                                        : holders.exclusive)
            return LockResult::Busy;
        (mode == LockMode::Exclusive ? holders.exclusive : holders.shared) += 1;
        m_held = mode;
        m_holding = true;
        return LockResult::Locked;
    }
    void Unlock() override {
        const std::lock_guard<std::mutex> guard(Mutex());
        Release(Table()[m_key]);
    }

private:
    struct Holders {
        int shared = 0;
        int exclusive = 0;
    };
    static std::mutex& Mutex() {
        static std::mutex mutex;
        return mutex;
    }
    static std::map<Key, Holders>& Table() {
        static std::map<Key, Holders> table;
        return table;
    }
    void Release(Holders& holders) {
        if (m_holding)
            (m_held == LockMode::Exclusive ? holders.exclusive : holders.shared) -= 1;
        m_holding = false;
    }

    Key m_key;
    LockMode m_held = LockMode::Shared;
    bool m_holding = false;
};

class PosixFileSystem final : public IFileSystem {
public:
    std::unique_ptr<IFile> Open(const std::string& path, OpenMode mode) override {
        const int fd = OpenRegular(path, OpenFlags(mode));
        if (fd < 0)
            return nullptr;
        return std::make_unique<PosixFile>(fd, path);
    }

    // The answer of Open, Size and Close in three system calls instead of four: the status that
    // tells a regular file gives the size too.
    std::int64_t ReadableFileSize(const std::string& path) override {
        const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
        if (fd < 0)
            return -1;
        struct stat st {};
        const bool regular = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
        ::close(fd);
        return regular ? static_cast<std::int64_t>(st.st_size) : -1;
    }

    bool Rename(const std::string& from, const std::string& to) override {
        return ::rename(from.c_str(), to.c_str()) == 0 || Failed(to, false);
    }

    bool Remove(const std::string& path) override {
        return ::unlink(path.c_str()) == 0 || Failed(path, false);
    }

    CreateDirResult CreateDirectory(const std::string& path) override {
        return MakeDirectory(path, 0777);
    }

    CreateDirResult CreatePrivateDirectory(const std::string& path) override {
        return MakeDirectory(path, 0700);
    }

    bool RemoveDirectory(const std::string& path) override {
        return ::rmdir(path.c_str()) == 0 || Failed(path, false);
    }

    bool IsDirectory(const std::string& path) override {
        struct stat st {};
        return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
    }

    FileStatus Status(const std::string& path) override {
        return StatusAt(AT_FDCWD, path.c_str(), path);
    }

    bool ListFolderStatus(const std::string& folder, std::vector<EntryStatus>& entries) override {
        return EachEntry(folder, [&](DIR* dir, const dirent& entry, std::string name) {
            const FileStatus status = StatusAt(::dirfd(dir), entry.d_name, folder + name);
            entries.push_back({std::move(name), status});
        });
    }

    bool ListFolder(const std::string& folder, std::vector<DirEntry>& entries) override {
        return EachEntry(folder, [&](DIR* dir, const dirent& entry, std::string name) {
            entries.push_back(
                {std::move(name), EntryType(dir, entry), static_cast<std::uint64_t>(entry.d_ino)});
        });
    }

    std::string LinkTarget(const std::string& path) override {
        std::string target(4096, '\0');
        const ssize_t length = ::readlink(path.c_str(), target.data(), target.size());
        if (length <= 0 || static_cast<std::size_t>(length) >= target.size())
            return {};
        target.resize(static_cast<std::size_t>(length));
        return target;
    }

    bool SameDirectory(const std::string& a, const std::string& b) override {
        struct stat first {};
        struct stat second {};
        return ::stat(a.c_str(), &first) == 0 && ::stat(b.c_str(), &second) == 0 &&
               S_ISDIR(first.st_mode) && first.st_dev == second.st_dev &&
               first.st_ino == second.st_ino;
    }

    bool HardLink(const std::string& from, const std::string& to) override {
        return ::link(from.c_str(), to.c_str()) == 0;
    }

    bool CopyFile(const std::string& from, const std::string& to, bool sync) override {
        const int in = OpenRegular(from, O_RDONLY);
        if (in < 0)
            return false;
        const int out = OpenRegular(to, OpenFlags(OpenMode::Write));
        if (out < 0) {
            ::close(in);
            return false;
        }
        const bool copied = FileCopy::CopyContent(in, out) && (!sync || ::fsync(out) == 0);
        if (!copied)
            SetLastFileError(to, errno);
        const bool inClosed = ::close(in) == 0;
        const bool outClosed = ::close(out) == 0 || Failed(to, false);
        return copied && inClosed && outClosed;
    }

    bool SyncDirectory(const std::string& path) override {
        const int fd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd < 0)
            return Failed(path, false);
        const bool synced = ::fsync(fd) == 0 || Failed(path, false);
        return ::close(fd) == 0 && synced;
    }

    std::unique_ptr<IFolderLock> OpenFolderLock(const std::string& folder) override {
        const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd < 0)
            return Failed(folder, nullptr);
        return std::make_unique<PosixFolderLock>(fd);
    }

    std::uint32_t UserId() override { return static_cast<std::uint32_t>(::getuid()); }

    bool AllowsParallelWork() override { return true; }

private:
    static CreateDirResult MakeDirectory(const std::string& path, mode_t mode) {
        if (::mkdir(path.c_str(), mode) == 0)
            return CreateDirResult::Created;
        return errno == EEXIST ? CreateDirResult::AlreadyExists
                               : Failed(path, CreateDirResult::Failed);
    }

    // The status of `name` in the folder open as `folder` (AT_FDCWD: the working folder);
    // `path` names it in errors.
    static FileStatus StatusAt(int folder, const char* name, const std::string& path) {
        FileStatus status;
        struct stat st {};
        if (::fstatat(folder, name, &st, AT_SYMLINK_NOFOLLOW) != 0) {
            status.failed = errno != ENOENT && errno != ENOTDIR;
            if (status.failed)
                SetLastFileError(path, errno);
            return status;
        }
        status.isLink = S_ISLNK(st.st_mode);
        if (status.isLink && ::fstatat(folder, name, &st, 0) != 0)
            return status; // a dangling link
        status.type = TypeOf(st.st_mode);
        status.size = static_cast<std::uint64_t>(st.st_size);
        status.device = static_cast<std::uint64_t>(st.st_dev);
        status.inode = static_cast<std::uint64_t>(st.st_ino);
        status.mode = static_cast<std::uint32_t>(st.st_mode & 07777);
        status.owner = static_cast<std::uint32_t>(st.st_uid);
        status.modified =
            static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
        return status;
    }

    // Calls `visit(dir, entry, name)` for every entry of a folder but "." and "..".
    template <class Visit> static bool EachEntry(const std::string& folder, Visit visit) {
        DIR* dir = ::opendir(folder.c_str());
        if (dir == nullptr)
            return Failed(folder, false);
        while (const dirent* entry = ::readdir(dir)) {
            std::string name = entry->d_name;
            if (name != "." && name != "..")
                visit(dir, *entry, std::move(name));
        }
        ::closedir(dir);
        return true;
    }

    // The type of a listed entry; links, and file systems that do not say, are asked.
    static FileType EntryType(DIR* dir, const dirent& entry) {
        switch (entry.d_type) {
        case DT_REG:
            return FileType::Regular;
        case DT_DIR:
            return FileType::Directory;
        case DT_LNK:
        case DT_UNKNOWN:
            break;
        default:
            return FileType::Other;
        }
        struct stat st {};
        if (::fstatat(::dirfd(dir), entry.d_name, &st, 0) != 0)
            return FileType::Missing;
        return TypeOf(st.st_mode);
    }
};

IFileSystem* g_installed = nullptr;

} // namespace

namespace FileCopy {

std::int64_t KernelCopyStep(int in, int out, std::size_t n) {
    return ::copy_file_range(in, nullptr, out, nullptr, n, 0);
}

bool CopyContent(int in, int out, const KernelStep& step) {
    struct stat st {};
    if (::fstat(in, &st) != 0)
        return false;
    const auto size = static_cast<std::uint64_t>(st.st_size);
    if (size == 0)
        return CopyByReadWrite(in, out);
    std::uint64_t copied = 0;
    while (copied < size) {
        const std::int64_t put = step(in, out, std::min(size - copied, kKernelChunk));
        if (put < 0 && errno == EINTR)
            continue;
        if (put < 0 && !KernelRefused(errno))
            return false;
        if (put <= 0) // refused, or nothing copied before the end: both offsets stand at `copied`
            return CopyByReadWrite(in, out);
        copied += static_cast<std::uint64_t>(put);
    }
    return true;
}

bool CopyByReadWrite(int in, int out) {
    char buffer[1 << 16];
    for (;;) {
        std::size_t got = 0;
        if (!ReadAll(in, buffer, sizeof buffer, got))
            return false;
        if (got == 0)
            return true;
        if (!WriteAll(out, buffer, got))
            return false;
    }
}

} // namespace FileCopy

std::string FileError::Text() const {
    return path.empty() ? reason : path + ": " + reason;
}

void SetLastFileError(const std::string& path, int errorNumber) {
    t_lastError = {path, errorNumber == 0 ? "failed" : std::strerror(errorNumber)};
}

void SetLastFileError(FileError error) {
    t_lastError = std::move(error);
}

const FileError& LastFileError() {
    return t_lastError;
}

void ClearLastFileError() {
    t_lastError = {};
}

std::unique_ptr<IFolderLock> IFileSystem::OpenFolderLock(const std::string& folder) {
    const FileStatus status = Status(folder);
    if (status.type != FileType::Directory)
        return nullptr;
    return std::make_unique<ProcessFolderLock>(ProcessFolderLock::Key{status.device, status.inode});
}

std::int64_t IFileSystem::ReadableFileSize(const std::string& path) {
    const auto file = Open(path, OpenMode::Read);
    if (!file)
        return -1;
    const std::int64_t size = file->Size();
    file->Close();
    return size;
}

bool IFileSystem::ListFolderStatus(const std::string& folder, std::vector<EntryStatus>& entries) {
    std::vector<DirEntry> listed;
    if (!ListFolder(folder, listed))
        return false;
    for (DirEntry& entry : listed) {
        FileStatus status = Status(folder + entry.name);
        entries.push_back({std::move(entry.name), status});
    }
    return true;
}

bool IFileSystem::ListFiles(const std::string& folder, std::vector<std::string>& names) {
    std::vector<DirEntry> entries;
    if (!ListFolder(folder, entries))
        return false;
    for (DirEntry& entry : entries)
        if (entry.type == FileType::Regular)
            names.push_back(std::move(entry.name));
    return true;
}

IFileSystem& RealFileSystem() {
    static PosixFileSystem real;
    return real;
}

IFileSystem& FileSystem() {
    return g_installed != nullptr ? *g_installed : RealFileSystem();
}

void SetFileSystem(IFileSystem* fileSystem) {
    g_installed = fileSystem;
}

} // namespace Corv
