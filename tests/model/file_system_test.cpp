// The file-system seam's exclusive creation, on disk and in memory alike: a file is made only
// where nothing is, so that a name claimed this way is never someone else's file.
#include "model/file_system.h"
#include "support/memory_file_system.h"
#include "support/project_builder.h"

#include <gtest/gtest.h>
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

} // namespace
