// The file-system seam's exclusive creation, on disk and in memory alike: a file is made only
// where nothing is, so that a name claimed this way is never someone else's file.
#include "model/file_system.h"
#include "support/faulty_file_system.h"
#include "support/memory_file_system.h"
#include "support/project_builder.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using Corv::OpenMode;
using CorvTest::Bytes;

bool CreateNew(Corv::IFileSystem& fs, const std::string& path, const Bytes& content) {
    auto file = fs.Open(path, OpenMode::CreateNew);
    return file && file->Write(content.data(), content.size()) && file->Close();
}

Bytes Read(Corv::IFileSystem& fs, const std::string& path) {
    Bytes bytes(16);
    auto file = fs.Open(path, OpenMode::Read);
    const std::int64_t got = file ? file->Read(bytes.data(), bytes.size()) : -1;
    bytes.resize(got < 0 ? 0 : static_cast<std::size_t>(got));
    return bytes;
}

TEST(FileSystemSeam, CreateNewMakesAFileOnlyWhereNothingIs) {
    CorvTest::TempDir dir;
    CorvTest::MemoryFileSystem memory;
    memory.Mirror(dir.Path());
    for (Corv::IFileSystem* fs :
         {&Corv::RealFileSystem(), static_cast<Corv::IFileSystem*>(&memory)}) {
        SCOPED_TRACE(fs == &memory ? "memory" : "disk");
        const std::string file = dir / (fs == &memory ? "m" : "d");
        EXPECT_TRUE(CreateNew(*fs, file, {1, 2}));
        EXPECT_FALSE(CreateNew(*fs, file, {3}));
        EXPECT_EQ(Read(*fs, file), (Bytes{1, 2}));
        EXPECT_FALSE(CreateNew(*fs, dir.Path(), {3}));
        EXPECT_FALSE(CreateNew(*fs, dir / "missing/x", {3}));
    }
    // A link, even one to nothing, is something: nothing is made through it.
    ASSERT_EQ(::symlink((dir / "target").c_str(), (dir / "link").c_str()), 0);
    EXPECT_FALSE(CreateNew(Corv::RealFileSystem(), dir / "link", {3}));
    EXPECT_FALSE(CorvTest::FileExists(dir / "target"));
}

// The real file system's own way to a file's size answers as Open, Size and Close do (the
// way every other file system takes), for everything that can be at a path.
TEST(FileSystemSeam, ReadableFileSizeAnswersAsOpenSizeAndCloseDo) {
    CorvTest::TempDir dir;
    CorvTest::WriteBytes(dir / "five", {1, 2, 3, 4, 5});
    CorvTest::WriteBytes(dir / "empty", {});
    ASSERT_EQ(::mkdir((dir / "folder").c_str(), 0777), 0);
    ASSERT_EQ(::mkfifo((dir / "fifo").c_str(), 0666), 0); // refused at once, never waited on
    ASSERT_EQ(::symlink((dir / "five").c_str(), (dir / "link").c_str()), 0);
    ASSERT_EQ(::symlink((dir / "gone").c_str(), (dir / "dangling").c_str()), 0);
    const struct {
        const char* name;
        std::int64_t size;
    } cases[] = {{"five", 5}, {"empty", 0},     {"folder", -1},  {"fifo", -1},
                 {"link", 5}, {"dangling", -1}, {"missing", -1}, {"five/x", -1}};
    CorvTest::FaultyFileSystem throughOpen; // passes every operation on to the real one
    for (const auto& c : cases)
        for (Corv::IFileSystem* fs :
             {&Corv::RealFileSystem(), static_cast<Corv::IFileSystem*>(&throughOpen)})
            EXPECT_EQ(fs->ReadableFileSize(dir / c.name), c.size) << c.name;
    EXPECT_EQ(throughOpen.Count(CorvTest::FsOp::Open), 8);
}

} // namespace
