// Copying a file: the kernel's copy and the read/write loop it falls back to must both give the
// file byte for byte, whatever point the kernel stops at, and report every real failure.
#include "model/file_copy.h"
#include "model/file_system.h"
#include "support/project_builder.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <fcntl.h>
#include <functional>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using CorvTest::Bytes;
namespace FileCopy = Corv::FileCopy;

// Nothing, one byte, an odd count, and more than one chunk of the read/write loop.
constexpr std::size_t kSizes[] = {0, 1, 4097, 3 * 65536 + 7};

// Bytes that do not repeat every 256, so that a copy resumed at a wrong offset shows.
Bytes Pattern(std::size_t size) {
    Bytes bytes(size);
    for (std::size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<std::uint8_t>(i * 7 + i / 251);
    return bytes;
}

// A kernel that copies at most 4096 bytes a call for `goodSteps` calls and then refuses with
// `error` (or, with 0, copies nothing).
struct FakeKernel {
    int goodSteps = INT_MAX;
    int error = 0;
    int calls = 0;

    FileCopy::KernelStep Step() {
        return [this](int in, int out, std::size_t n) -> std::int64_t {
            if (calls++ >= goodSteps) {
                errno = error;
                return error == 0 ? 0 : -1;
            }
            return FileCopy::KernelCopyStep(in, out, std::min<std::size_t>(n, 4096));
        };
    }
};

using Copier = std::function<bool(int in, int out)>;

// Copies `from` onto a new file `to` (opened with `outFlags`) with the given copier.
bool CopyWith(const std::string& from, const std::string& to, const Copier& copy,
              int outFlags = O_WRONLY | O_CREAT | O_TRUNC) {
    const int in = ::open(from.c_str(), O_RDONLY | O_CLOEXEC);
    const int out = ::open(to.c_str(), outFlags | O_CLOEXEC, 0666);
    const bool copied = in >= 0 && out >= 0 && copy(in, out);
    const bool closed = ::close(in) == 0 && ::close(out) == 0;
    return copied && closed;
}

TEST(FileCopy, EveryPathCopiesEverySizeExactly) {
    struct Way {
        const char* name;
        int goodSteps; // of the fake kernel; -1 = the real kernel, -2 = the read/write loop alone
        int error;
    };
    const Way ways[] = {
        {"kernel", -1, 0},
        {"read/write loop", -2, 0},
        {"kernel in short steps", INT_MAX, 0},
        {"kernel refuses: other file system", 0, EXDEV},
        {"kernel refuses: no such call", 0, ENOSYS},
        {"kernel refuses after one step", 1, EXDEV},
        {"kernel copies nothing before the end", 1, 0},
    };
    CorvTest::TempDir dir;
    for (const Way& way : ways)
        for (const std::size_t size : kSizes) {
            SCOPED_TRACE(std::string(way.name) + ", " + std::to_string(size) + " bytes");
            const Bytes content = Pattern(size);
            CorvTest::WriteBytes(dir / "in", content);
            FakeKernel kernel{way.goodSteps, way.error};
            Copier copy = [&](int in, int out) {
                return FileCopy::CopyContent(in, out, kernel.Step());
            };
            if (way.goodSteps == -1)
                copy = [](int in, int out) { return FileCopy::CopyContent(in, out); };
            if (way.goodSteps == -2)
                copy = FileCopy::CopyByReadWrite;
            EXPECT_TRUE(CopyWith(dir / "in", dir / "out", copy));
            EXPECT_EQ(CorvTest::ReadBytes(dir / "out"), content);
            // The kernel was asked until it finished or refused; the loop read what it left.
            const int needed = static_cast<int>((size + 4095) / 4096);
            if (way.goodSteps >= 0) {
                EXPECT_EQ(kernel.calls, needed <= way.goodSteps ? needed : way.goodSteps + 1);
            }
        }
}

TEST(FileCopy, FailuresAreReportedNotPassedOver) {
    CorvTest::TempDir dir;
    CorvTest::WriteBytes(dir / "in", Pattern(10000));
    // An input/output error of the kernel is a failure, not a refusal to fall back from.
    for (const int goodSteps : {0, 1}) {
        FakeKernel kernel{goodSteps, EIO};
        EXPECT_FALSE(CopyWith(dir / "in", dir / "out", [&](int in, int out) {
            return FileCopy::CopyContent(in, out, kernel.Step());
        })) << goodSteps;
    }
    // A target that cannot be written fails both the kernel's copy and the loop.
    const Copier kernel = [](int in, int out) { return FileCopy::CopyContent(in, out); };
    for (const Copier& copy : {kernel, Copier(FileCopy::CopyByReadWrite)})
        EXPECT_FALSE(CopyWith(dir / "in", dir / "out", copy, O_RDONLY));
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
