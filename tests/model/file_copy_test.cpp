// Copying a file: the kernel's copy and the read/write loop it falls back to must both give the
// file byte for byte, whatever point the kernel stops at, and report every real failure.
#include "model/file_copy.h"
#include "model/file_system.h"
#include "support/project_builder.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using CorvTest::Bytes;
namespace FileCopy = Corv::FileCopy;

// Bytes that do not repeat every 256, so that a copy resumed at a wrong offset shows.
Bytes Pattern(std::size_t size) {
    Bytes bytes(size);
    for (std::size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<std::uint8_t>(i * 7 + i / 251);
    return bytes;
}

// Every way through the copy: the kernel alone (-1), the read/write loop alone (-2), or a kernel
// that copies at most 4096 bytes a call for `goodSteps` calls and then fails with `error` (0:
// copies nothing). A refusal falls back to the loop; an input/output error fails the copy.
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
    CorvTest::TempDir dir;
    for (const auto& way : ways)
        for (const std::size_t size : {std::size_t{0}, std::size_t{4097}, std::size_t{196615}}) {
            SCOPED_TRACE(std::string(way.name) + ", " + std::to_string(size) + " bytes");
            const Bytes content = Pattern(size);
            CorvTest::WriteBytes(dir / "in", content);
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
            EXPECT_EQ(CorvTest::ReadBytes(dir / "out"), content);
        }
}

TEST(FileCopy, TheRealFileSystemKeepsItsGuarantees) {
    CorvTest::TempDir dir;
    Corv::IFileSystem& fs = Corv::RealFileSystem();
    const Bytes content = Pattern(3 * 65536 + 7);
    CorvTest::WriteBytes(dir / "in", content);
    // A longer file at the target is replaced whole, with or without the sync.
    for (const bool sync : {false, true}) {
        CorvTest::WriteBytes(dir / "out", Pattern(content.size() + 100));
        EXPECT_TRUE(fs.CopyFile(dir / "in", dir / "out", sync));
        EXPECT_EQ(CorvTest::ReadBytes(dir / "out"), content);
    }
    // A link at the target is refused and what it points to stays as it was.
    CorvTest::WriteBytes(dir / "pointed", {1, 2});
    ASSERT_EQ(::symlink((dir / "pointed").c_str(), (dir / "link").c_str()), 0);
    EXPECT_FALSE(fs.CopyFile(dir / "in", dir / "link", false));
    EXPECT_EQ(CorvTest::ReadBytes(dir / "pointed"), (Bytes{1, 2}));
    // Only regular files are copied, and a FIFO at either end is refused at once, not waited on.
    ASSERT_EQ(::mkfifo((dir / "fifo").c_str(), 0600), 0);
    EXPECT_FALSE(fs.CopyFile(dir / "fifo", dir / "from fifo", false));
    EXPECT_FALSE(fs.CopyFile(dir / "in", dir / "fifo", false));
    EXPECT_FALSE(fs.CopyFile(dir.Path(), dir / "from folder", false));
    EXPECT_FALSE(fs.CopyFile(dir / "missing", dir / "from missing", false));
    for (const char* name : {"from fifo", "from folder", "from missing"})
        EXPECT_FALSE(CorvTest::FileExists(dir / name)) << name;
}

} // namespace
