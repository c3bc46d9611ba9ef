#include "baselines.h"

#include "storage/svd_file.h"
#include "slow_file_system.h"

#include <array>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace CorvBench {

namespace {

// A file descriptor closed when it goes.
class Fd {
public:
    explicit Fd(int fd) : m_fd(fd) {}
    ~Fd() {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int Get() const { return m_fd; }
    bool Ok() const { return m_fd >= 0; }

private:
    int m_fd;
};

using CorvTest::SlowFileSystem;
using CorvTest::SlowOp;

// Waits what the medium makes one operation wait (nothing without a medium).
void Pay(SlowFileSystem* medium, SlowOp op) {
    if (medium != nullptr)
        medium->Delay(op);
}

struct Entry {
    std::string name;
    bool folder = false;
};

// The entries of a folder without "." and ".."; false when it cannot be listed.
bool ListEntries(const std::string& folder, std::vector<Entry>& entries, SlowFileSystem* medium) {
    Pay(medium, SlowOp::ListFolder);
    DIR* dir = ::opendir(folder.c_str());
    if (dir == nullptr)
        return false;
    while (const dirent* entry = ::readdir(dir)) {
        if (std::strcmp(entry->d_name, ".") == 0 || std::strcmp(entry->d_name, "..") == 0)
            continue;
        bool isFolder = entry->d_type == DT_DIR;
        if (entry->d_type == DT_UNKNOWN) {
            struct stat info {};
            isFolder =
                ::stat((folder + "/" + entry->d_name).c_str(), &info) == 0 && S_ISDIR(info.st_mode);
        }
        entries.push_back({entry->d_name, isFolder});
    }
    ::closedir(dir);
    return true;
}

// Reads up to `bytes` from the start of a file; with 0 the file is only opened and closed.
std::size_t ReadPrefix(const std::string& path, std::size_t bytes, SlowFileSystem* medium) {
    Pay(medium, SlowOp::Open);
    Fd fd(::open(path.c_str(), O_RDONLY));
    if (!fd.Ok() || bytes == 0)
        return 0;
    Pay(medium, SlowOp::Read);
    std::array<std::uint8_t, Corv::kTonePrefixBytes> buffer{};
    const ssize_t got = ::read(fd.Get(), buffer.data(), bytes);
    return got > 0 ? static_cast<std::size_t>(got) : 0;
}

bool CopyByReadWrite(const std::string& from, const std::string& to) {
    Fd in(::open(from.c_str(), O_RDONLY));
    Fd out(::open(to.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666));
    if (!in.Ok() || !out.Ok())
        return false;
    static std::array<char, 1 << 16> buffer;
    for (;;) {
        const ssize_t got = ::read(in.Get(), buffer.data(), buffer.size());
        if (got == 0)
            return true;
        if (got < 0)
            return false;
        for (ssize_t done = 0; done < got;) {
            const ssize_t put =
                ::write(out.Get(), buffer.data() + done, static_cast<std::size_t>(got - done));
            if (put <= 0)
                return false;
            done += put;
        }
    }
}

bool CopyInKernel(const std::string& from, const std::string& to) {
    Fd in(::open(from.c_str(), O_RDONLY));
    Fd out(::open(to.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666));
    struct stat info {};
    if (!in.Ok() || !out.Ok() || ::fstat(in.Get(), &info) != 0)
        return false;
    for (off_t done = 0; done < info.st_size;) {
        const ssize_t put = ::copy_file_range(in.Get(), nullptr, out.Get(), nullptr,
                                              static_cast<std::size_t>(info.st_size - done), 0);
        if (put <= 0)
            return false;
        done += put;
    }
    return true;
}

// Copies one file; on a slow medium it pays what the medium charges for a copy of its size.
bool CopyFile(const std::string& from, const std::string& to, FileCopy how,
              SlowFileSystem* medium) {
    struct stat info {};
    if (medium != nullptr && ::stat(from.c_str(), &info) == 0)
        medium->DelayCopy(static_cast<std::uint64_t>(info.st_size));
    return how == FileCopy::Kernel ? CopyInKernel(from, to) : CopyByReadWrite(from, to);
}

std::vector<std::uint8_t> ReadArea(const std::string& path, std::size_t offset, std::size_t bytes) {
    std::vector<std::uint8_t> area(bytes);
    Fd fd(::open(path.c_str(), O_RDONLY));
    if (!fd.Ok() || ::pread(fd.Get(), area.data(), bytes, static_cast<off_t>(offset)) !=
                        static_cast<ssize_t>(bytes))
        return {};
    return area;
}

} // namespace

std::size_t ReadPrefixes(const std::string& projectFolder, SlowFileSystem* medium) {
    static const struct {
        const char* folder;
        std::size_t prefix;
    } kinds[] = {
        {"/Patch", Corv::kPatchPrefixBytes}, {"/Tone", Corv::kTonePrefixBytes}, {"/Wave", 0}};
    std::size_t total = 0;
    for (const auto& kind : kinds) {
        const std::string folder = projectFolder + kind.folder;
        std::vector<Entry> entries;
        if (!ListEntries(folder, entries, medium))
            return 0;
        for (const Entry& entry : entries)
            total += ReadPrefix(folder + "/" + entry.name, kind.prefix, medium) + 1;
    }
    return total;
}

std::vector<RecordArea> CollectRecordAreas(const std::string& projectFolder) {
    static const struct {
        const char* folder;
        std::size_t offset;
        std::size_t bytes;
    } kinds[] = {{"/Patch", Corv::kPatchAreaOffset, Corv::kPatchAreaBytes},
                 {"/Tone", Corv::kToneAreaOffset, Corv::kToneAreaBytes}};
    std::vector<RecordArea> areas;
    for (const auto& kind : kinds) {
        const std::string folder = projectFolder + kind.folder;
        std::vector<Entry> entries;
        ListEntries(folder, entries, nullptr);
        for (const Entry& entry : entries) {
            const std::string path = folder + "/" + entry.name;
            areas.push_back({path, static_cast<std::int64_t>(kind.offset),
                             ReadArea(path, kind.offset, kind.bytes)});
        }
    }
    return areas;
}

bool WriteRecordAreas(const std::vector<RecordArea>& areas) {
    for (const RecordArea& area : areas) {
        Fd fd(::open(area.path.c_str(), O_WRONLY));
        if (!fd.Ok() || area.bytes.empty() ||
            ::pwrite(fd.Get(), area.bytes.data(), area.bytes.size(),
                     static_cast<off_t>(area.offset)) != static_cast<ssize_t>(area.bytes.size()))
            return false;
    }
    return true;
}

bool RenameFile(const std::string& from, const std::string& to, SlowFileSystem* medium) {
    Pay(medium, SlowOp::Rename);
    return ::rename(from.c_str(), to.c_str()) == 0;
}

bool CopyFolder(const std::string& from, const std::string& to, FileCopy how,
                SlowFileSystem* medium) {
    if (::mkdir(to.c_str(), 0777) != 0)
        return false;
    std::vector<Entry> entries;
    if (!ListEntries(from, entries, medium))
        return false;
    for (const Entry& entry : entries) {
        const std::string source = from + "/" + entry.name;
        const std::string target = to + "/" + entry.name;
        if (!(entry.folder ? CopyFolder(source, target, how, medium)
                           : CopyFile(source, target, how, medium)))
            return false;
    }
    return true;
}

} // namespace CorvBench
