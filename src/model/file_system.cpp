#include "model/file_system.h"

#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace Corv {

namespace {

class PosixFile final : public IFile {
public:
    explicit PosixFile(int fd) : m_fd(fd) {}
    ~PosixFile() override {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    PosixFile(const PosixFile&) = delete;
    PosixFile& operator=(const PosixFile&) = delete;

    std::int64_t Read(void* buffer, std::size_t n) override {
        std::size_t done = 0;
        auto* out = static_cast<char*>(buffer);
        while (done < n) {
            const ssize_t got = ::read(m_fd, out + done, n - done);
            if (got < 0 && errno == EINTR)
                continue;
            if (got < 0)
                return -1;
            if (got == 0)
                break;
            done += static_cast<std::size_t>(got);
        }
        return static_cast<std::int64_t>(done);
    }

    bool Write(const void* buffer, std::size_t n) override {
        std::size_t done = 0;
        const auto* in = static_cast<const char*>(buffer);
        while (done < n) {
            const ssize_t put = ::write(m_fd, in + done, n - done);
            if (put < 0 && errno == EINTR)
                continue;
            if (put <= 0)
                return false;
            done += static_cast<std::size_t>(put);
        }
        return true;
    }

    bool Seek(std::uint64_t offset) override {
        return ::lseek(m_fd, static_cast<off_t>(offset), SEEK_SET) >= 0;
    }

    std::int64_t Size() override {
        struct stat st {};
        if (::fstat(m_fd, &st) != 0)
            return -1;
        return st.st_size;
    }

    bool Close() override {
        const int fd = m_fd;
        m_fd = -1;
        return fd >= 0 && ::close(fd) == 0;
    }

private:
    int m_fd;
};

int OpenFlags(OpenMode mode) {
    switch (mode) {
    case OpenMode::Read:
        return O_RDONLY;
    case OpenMode::Update:
        return O_RDWR;
    case OpenMode::Write:
        return O_WRONLY | O_CREAT | O_TRUNC;
    }
    return O_RDONLY;
}

class PosixFileSystem final : public IFileSystem {
public:
    std::unique_ptr<IFile> Open(const std::string& path, OpenMode mode) override {
        const int fd = ::open(path.c_str(), OpenFlags(mode) | O_CLOEXEC, 0666);
        if (fd < 0)
            return nullptr;
        struct stat st {};
        if (::fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
            ::close(fd);
            return nullptr;
        }
        return std::make_unique<PosixFile>(fd);
    }

    bool Rename(const std::string& from, const std::string& to) override {
        return ::rename(from.c_str(), to.c_str()) == 0;
    }

    bool Remove(const std::string& path) override { return ::unlink(path.c_str()) == 0; }

    CreateDirResult CreateDirectory(const std::string& path) override {
        if (::mkdir(path.c_str(), 0777) == 0)
            return CreateDirResult::Created;
        return errno == EEXIST ? CreateDirResult::AlreadyExists : CreateDirResult::Failed;
    }

    bool RemoveDirectory(const std::string& path) override { return ::rmdir(path.c_str()) == 0; }

    bool IsDirectory(const std::string& path) override {
        struct stat st {};
        return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
    }

    bool ListFiles(const std::string& folder, std::vector<std::string>& names) override {
        DIR* dir = ::opendir(folder.c_str());
        if (dir == nullptr)
            return false;
        std::string base = folder;
        if (!base.empty() && base.back() != '/')
            base += '/';
        while (const dirent* entry = ::readdir(dir)) {
            const std::string name = entry->d_name;
            if (name == "." || name == "..")
                continue;
            if (!IsDirectory(base + name))
                names.push_back(name);
        }
        ::closedir(dir);
        return true;
    }

    bool SameDirectory(const std::string& a, const std::string& b) override {
        struct stat first {};
        struct stat second {};
        return ::stat(a.c_str(), &first) == 0 && ::stat(b.c_str(), &second) == 0 &&
               S_ISDIR(first.st_mode) && first.st_dev == second.st_dev &&
               first.st_ino == second.st_ino;
    }

    bool CopyFile(const std::string& from, const std::string& to) override {
        const int in = ::open(from.c_str(), O_RDONLY | O_CLOEXEC);
        if (in < 0)
            return false;
        struct stat st {};
        if (::fstat(in, &st) != 0 || S_ISDIR(st.st_mode)) {
            ::close(in);
            return false;
        }
        const int out = ::open(to.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
        if (out < 0) {
            ::close(in);
            return false;
        }
        const bool copied = CopyContent(in, out);
        const bool inClosed = ::close(in) == 0;
        const bool outClosed = ::close(out) == 0;
        return copied && inClosed && outClosed;
    }

private:
    static bool CopyContent(int in, int out) {
        char buffer[1 << 16];
        for (;;) {
            const ssize_t got = ::read(in, buffer, sizeof buffer);
            if (got < 0 && errno == EINTR)
                continue;
            if (got < 0)
                return false;
            if (got == 0)
                return true;
            ssize_t done = 0;
            while (done < got) {
                const ssize_t put = ::write(out, buffer + done, static_cast<std::size_t>(got - done));
                if (put < 0 && errno == EINTR)
                    continue;
                if (put <= 0)
                    return false;
                done += put;
            }
        }
    }
};

IFileSystem* g_installed = nullptr;

} // namespace

IFileSystem& RealFileSystem() {
    static PosixFileSystem real;
    return real;
}

IFileSystem& FileSystem() { return g_installed != nullptr ? *g_installed : RealFileSystem(); }

void SetFileSystem(IFileSystem* fileSystem) { g_installed = fileSystem; }

} // namespace Corv
