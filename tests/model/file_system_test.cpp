// The file-system seam and what runs on it: exclusive creation, file sizes, copies (the
// kernel's and the read/write loop it falls back to) and tasks side by side.
#include "model/file_copy.h"
#include "model/file_system.h"
#include "model/side_by_side.h"
#include "support/faulty_file_system.h"
#include "support/memory_file_system.h"
#include "support/project_builder.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <fcntl.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <mutex>
#include <numeric>
#include <set>
#include <tuple>
#include <unistd.h>
#include <vector>

using namespace Corv;
using namespace CorvTest;

namespace {

// Creates a file through the file system the core uses now.
bool CreateNew(const std::string& path, const Bytes& content) {
    auto file = FileSystem().Open(path, OpenMode::CreateNew);
    return file && file->Write(content.data(), content.size()) && file->Close();
}

TEST(FileSystemSeam, CreateNewMakesAFileOnlyWhereNothingIs) {
    TempDir dir;
    MemoryFileSystem memory;
    memory.Mirror(dir.Path());
    for (IFileSystem* fs : {&RealFileSystem(), static_cast<IFileSystem*>(&memory)}) {
        SCOPED_TRACE(fs == &memory ? "memory" : "disk");
        ScopedFileSystem scope(*fs);
        const std::string file = dir / (fs == &memory ? "m" : "d");
        EXPECT_TRUE(CreateNew(file, {1, 2}));
        EXPECT_FALSE(CreateNew(file, {3}));
        EXPECT_EQ(ReadThroughSeam(file), (Bytes{1, 2}));
        EXPECT_FALSE(CreateNew(dir.Path(), {3}));
        EXPECT_FALSE(CreateNew(dir / "missing/x", {3}));
    }
    // A link, even one to nothing, is something: nothing is made through it.
    ASSERT_EQ(::symlink((dir / "target").c_str(), (dir / "link").c_str()), 0);
    EXPECT_FALSE(CreateNew(dir / "link", {3}));
    EXPECT_FALSE(FileExists(dir / "target"));
}

// The memory file system walks links and ".." as the disk does (the fuzz targets plant links in
// it that lead out of a project): the same tree on disk and mirrored in memory answers alike.
TEST(FileSystemSeam, MemoryLinksAreWalkedAsOnDisk) {
    TempDir dir;
    const std::string base = dir.Path() + "/";
    std::filesystem::create_directories(base + "a/sub");
    std::filesystem::create_directories(base + "p");
    WriteBytes(base + "a/file", {1, 2, 3});
    const std::pair<std::string, std::string> links[] = {
        {"p/rel", "../a"},      {"p/abs", base + "a"}, {"p/file", "../a/file"},
        {"p/dangling", "gone"}, {"p/loop", "loop"},    {"a/sub/up", ".."}};
    for (const auto& [link, target] : links)
        std::filesystem::create_symlink(target, base + link);
    MemoryFileSystem memory;
    memory.Mirror(dir.Path());
    const char* const paths[] = {"p/rel/file",
                                 "p/rel/../a/file",
                                 "p/abs/sub/../file",
                                 "p/rel/sub/up/file",
                                 "p/file",
                                 "p/dangling",
                                 "p/loop/x",
                                 "p/rel/sub/..",
                                 "p/abs",
                                 "a/sub/up/../p/file",
                                 "p/rel/../p/rel/missing"};
    const auto answers = [&](IFileSystem& fs) {
        ScopedFileSystem scope(fs);
        std::vector<std::string> seen;
        for (const char* path : paths) {
            const FileStatus status = fs.Status(base + path);
            const Bytes bytes = ReadThroughSeam(base + path);
            seen.push_back(std::string(path) + ": type " +
                           std::to_string(static_cast<int>(status.type)) +
                           (status.isLink ? " link to " + fs.LinkTarget(base + path) : "") +
                           " dir " + std::to_string(fs.IsDirectory(base + path)) + " bytes " +
                           std::to_string(bytes.size()));
        }
        // Writing refuses a link; removing and renaming act on the link, not on its target.
        seen.push_back("write " +
                       std::to_string(fs.Open(base + "p/file", OpenMode::Write) != nullptr));
        seen.push_back("rename " + std::to_string(fs.Rename(base + "p/rel", base + "p/moved")));
        seen.push_back("remove " + std::to_string(fs.Remove(base + "p/file")));
        seen.push_back("into itself " +
                       std::to_string(fs.Rename(base + "a", base + "p/abs/sub/a")));
        seen.push_back("after: " + std::to_string(ReadThroughSeam(base + "a/file").size()) +
                       std::to_string(fs.IsDirectory(base + "p/moved/sub")) +
                       std::to_string(fs.Status(base + "p/file").type == FileType::Missing));
        return seen;
    };
    const std::vector<std::string> inMemory = answers(memory);
    EXPECT_EQ(inMemory, answers(RealFileSystem()));
    EXPECT_EQ(inMemory.back(), "after: 311");
}

// A listing with statuses says of every entry what `Status` says of its path, links and dangling
// links included, on disk (which asks by the open folder) as in memory; the real listing gives
// a regular file the identity its status has.
TEST(FileSystemSeam, AListingWithStatusesAgreesWithStatus) {
    TempDir dir;
    const std::string base = dir.Path() + "/";
    std::filesystem::create_directories(base + "f/sub");
    WriteBytes(base + "f/file", {1, 2, 3});
    std::filesystem::create_symlink("file", base + "f/link");
    std::filesystem::create_symlink("gone", base + "f/dangling");
    MemoryFileSystem memory;
    memory.Mirror(dir.Path());
    for (IFileSystem* fs : {static_cast<IFileSystem*>(&memory), &RealFileSystem()}) {
        std::vector<EntryStatus> listed;
        ASSERT_TRUE(fs->ListFolderStatus(base + "f/", listed));
        std::set<std::string> names;
        for (const EntryStatus& entry : listed) {
            names.insert(entry.name);
            const FileStatus status = fs->Status(base + "f/" + entry.name);
            EXPECT_EQ(
                std::tie(entry.status.type, entry.status.isLink, entry.status.size,
                         entry.status.inode, entry.status.modified),
                std::tie(status.type, status.isLink, status.size, status.inode, status.modified))
                << entry.name;
        }
        EXPECT_EQ(names, (std::set<std::string>{"dangling", "file", "link", "sub"}));
        EXPECT_FALSE(fs->ListFolderStatus(base + "missing/", listed));
    }
    std::vector<DirEntry> entries;
    ASSERT_TRUE(RealFileSystem().ListFolder(base + "f/", entries));
    const auto file = std::find_if(entries.begin(), entries.end(),
                                   [](const DirEntry& e) { return e.name == "file"; });
    ASSERT_NE(file, entries.end());
    EXPECT_EQ(file->inode, RealFileSystem().Status(base + "f/file").inode);
}

// Bytes that do not repeat every 256, so that a copy resumed at a wrong offset shows.
Bytes Pattern(std::size_t size) {
    Bytes bytes(size);
    for (std::size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<std::uint8_t>(i * 7 + i / 251);
    return bytes;
}

// The kernel alone (-1), the loop alone (-2), or a kernel doing 4096 bytes a call for `goodSteps`
// calls, then failing with `error` (0: copies nothing): a refusal falls back, EIO fails.
TEST(FileCopy, EveryPathCopiesEverySizeExactlyOrFails) {
    const struct {
        const char* name;
        int goodSteps, error;
        bool copies;
    } ways[] = {
        {"kernel", -1, 0, true},
        {"read/write loop", -2, 0, true},
        {"kernel in short steps", INT_MAX, 0, true},
        {"kernel refuses: other file system", 0, EXDEV, true},
        {"kernel refuses after one step", 1, EXDEV, true},
        {"kernel fails to read", 1, EIO, false},
    };
    TempDir dir;
    for (const auto& way : ways)
        for (const std::size_t size : {std::size_t{0}, std::size_t{4097}, std::size_t{196615}}) {
            SCOPED_TRACE(std::string(way.name) + ", " + std::to_string(size) + " bytes");
            const Bytes content = Pattern(size);
            WriteBytes(dir / "in", content);
            int calls = 0;
            const auto step = [&](int in, int out, std::size_t n) -> std::int64_t {
                if (calls++ >= way.goodSteps) {
                    errno = way.error;
                    return way.error == 0 ? 0 : -1;
                }
                return FileCopy::KernelCopyStep(in, out, std::min<std::size_t>(n, 4096));
            };
            const int in = ::open((dir / "in").c_str(), O_RDONLY | O_CLOEXEC);
            const int out = ::open((dir / "out").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
            const bool copied = way.goodSteps == -1   ? FileCopy::CopyContent(in, out)
                                : way.goodSteps == -2 ? FileCopy::CopyByReadWrite(in, out)
                                                      : FileCopy::CopyContent(in, out, step);
            EXPECT_TRUE(::close(in) == 0 && ::close(out) == 0);
            if (!way.copies) {
                EXPECT_EQ(copied, size <= 4096); // a file done in the good step is copied
                continue;
            }
            EXPECT_TRUE(copied);
            EXPECT_EQ(ReadBytes(dir / "out"), content);
        }
}

// The real file system: its own way to a file's size answers as Open, Size and Close do, and a
// copy replaces its target whole but never writes through a link or opens what is not a file.
TEST(FileSystemSeam, TheRealFileSystemKeepsItsGuarantees) {
    TempDir dir;
    IFileSystem& fs = RealFileSystem();
    const Bytes content = Pattern(3 * 65536 + 7);
    const auto size = static_cast<std::int64_t>(content.size());
    WriteBytes(dir / "in", content);
    WriteBytes(dir / "empty", {});
    ASSERT_EQ(::mkfifo((dir / "fifo").c_str(), 0600), 0); // refused at once, never waited on
    ASSERT_EQ(::symlink((dir / "in").c_str(), (dir / "link").c_str()), 0);
    ASSERT_EQ(::symlink((dir / "gone").c_str(), (dir / "dangling").c_str()), 0);
    const std::pair<const char*, std::int64_t> sizes[] = {
        {"in", size},   {"empty", 0},     {"", -1} /* the folder */, {"fifo", -1},
        {"link", size}, {"dangling", -1}, {"missing", -1},           {"in/x", -1}};
    FaultyFileSystem throughOpen; // passes every operation on to the real one
    for (const auto& [name, expected] : sizes)
        for (IFileSystem* seam : {&fs, static_cast<IFileSystem*>(&throughOpen)})
            EXPECT_EQ(seam->ReadableFileSize(dir / name), expected) << name;
    EXPECT_EQ(throughOpen.Count(FsOp::Open), 8);
    for (const bool sync : {false, true}) {
        WriteBytes(dir / "out", Pattern(content.size() + 100));
        EXPECT_TRUE(fs.CopyFile(dir / "in", dir / "out", sync));
        EXPECT_EQ(ReadBytes(dir / "out"), content);
    }
    EXPECT_FALSE(fs.CopyFile(dir / "empty", dir / "link", false));
    EXPECT_EQ(ReadBytes(dir / "in"), content);
    EXPECT_FALSE(fs.CopyFile(dir / "fifo", dir / "from fifo", false));
    EXPECT_FALSE(fs.CopyFile(dir / "in", dir / "fifo", false));
    EXPECT_FALSE(fs.CopyFile(dir.Path(), dir / "from folder", false));
    EXPECT_FALSE(fs.CopyFile(dir / "missing", dir / "from missing", false));
    for (const char* name : {"from fifo", "from folder", "from missing"})
        EXPECT_FALSE(FileExists(dir / name)) << name;
}

// Side by side, or in order where the file system counts its operations: the lowest failure is
// found after every task below it ran once; in order, nothing runs after it.
TEST(RunSideBySide, FindsTheLowestFailureAfterRunningEveryTaskBelowIt) {
    const struct {
        std::size_t count;
        std::set<std::size_t> failing;
        std::size_t lowest;
    } cases[] = {{0, {}, 0}, {1000, {}, 1000}, {1000, {0}, 0}, {1000, {700, 301, 999}, 301}};
    for (const bool inOrder : {false, true})
        for (const auto& c : cases) {
            SCOPED_TRACE(testing::Message() << c.count << " reads, in order " << inOrder);
            std::unique_ptr<InstalledFaultyFileSystem> counting;
            if (inOrder)
                counting = std::make_unique<InstalledFaultyFileSystem>();
            std::vector<std::atomic<int>> runs(c.count);
            std::mutex orderLock;
            std::vector<std::size_t> order;
            const std::size_t lowest = RunSideBySide(c.count, [&](std::size_t i) {
                ++runs[i];
                const std::lock_guard<std::mutex> lock(orderLock);
                order.push_back(i);
                return c.failing.count(i) == 0;
            });
            EXPECT_EQ(lowest, c.lowest);
            for (std::size_t i = 0; i < c.lowest && i < c.count; ++i)
                ASSERT_EQ(runs[i], 1) << "read " << i;
            if (inOrder) {
                std::vector<std::size_t> expected(std::min(c.count, c.lowest + 1));
                std::iota(expected.begin(), expected.end(), std::size_t{0});
                EXPECT_EQ(order, expected);
            }
        }
}

} // namespace
