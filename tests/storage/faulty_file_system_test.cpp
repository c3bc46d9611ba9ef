#include <gtest/gtest.h>

#include "support/faulty_file_system.h"
#include "support/project_builder.h"

namespace {

using CorvTest::FsOp;
using Corv::OpenMode;

// Runs a fixed sequence of operations (open to write, write, close, copy, rename, open to read,
// read, close, remove) and reports which of them succeeded.
std::vector<bool> RunSequence(const CorvTest::TempDir& dir) {
    Corv::IFileSystem& fs = Corv::FileSystem();
    std::vector<bool> ok;
    auto out = fs.Open(dir / "a", OpenMode::Write);
    ok.push_back(out != nullptr);
    ok.push_back(out && out->Write("hello", 5));
    ok.push_back(out && out->Close());
    ok.push_back(fs.CopyFile(dir / "a", dir / "b"));
    ok.push_back(fs.Rename(dir / "b", dir / "c"));
    auto in = fs.Open(dir / "c", OpenMode::Read);
    ok.push_back(in != nullptr);
    char buffer[8] = {};
    ok.push_back(in && in->Read(buffer, sizeof buffer) == 5);
    ok.push_back(in && in->Close());
    ok.push_back(fs.Remove(dir / "c"));
    return ok;
}

TEST(FaultyFileSystem, FailingTheKthOperationFailsExactlyThatOne) {
    {
        CorvTest::TempDir dir;
        CorvTest::InstalledFaultyFileSystem fs;
        EXPECT_EQ(RunSequence(dir), std::vector<bool>(9, true));
        EXPECT_EQ(fs.Count(), 9);
        EXPECT_EQ(fs.Count(FsOp::Open), 2);
        EXPECT_EQ(fs.Failures(), 0);
    }
    // Operation 1 (the first open) failing: no file is created, so everything that needs it
    // fails too.
    {
        CorvTest::TempDir dir;
        CorvTest::InstalledFaultyFileSystem fs;
        fs.FailOperation(1);
        const std::vector<bool> ok = RunSequence(dir);
        EXPECT_FALSE(ok[0]);
        EXPECT_FALSE(CorvTest::FileExists(dir / "a"));
        EXPECT_EQ(fs.Failures(), 1);
    }
    // Each later single failure fails its own operation and has no effect of its own.
    const bool expected[][9] = {
        {}, // unused
        {true, false, true, true, true, true, false, true, true}, // write: empty file copied
        {true, true, false, true, true, true, true, true, true},   // close still releases
        {true, true, true, false, false, false, false, false, false}, // copy: no b
        {true, true, true, true, false, false, false, false, false},  // rename: b stays
        {true, true, true, true, true, false, false, false, true},    // open c
        {true, true, true, true, true, true, false, true, true},      // read
        {true, true, true, true, true, true, true, false, true},      // close
        {true, true, true, true, true, true, true, true, false},      // remove: c stays
    };
    for (int k = 2; k <= 9; ++k) {
        CorvTest::TempDir dir;
        CorvTest::InstalledFaultyFileSystem fs;
        fs.FailOperation(k);
        const std::vector<bool> ok = RunSequence(dir);
        EXPECT_EQ(ok, std::vector<bool>(std::begin(expected[k - 1]), std::end(expected[k - 1])))
            << "k = " << k;
        EXPECT_EQ(fs.Failures(), 1);
    }
}

TEST(FaultyFileSystem, FailedOperationsLeaveNoTrace) {
    CorvTest::TempDir dir;
    CorvTest::WriteBytes(dir / "keep", {1, 2, 3});
    CorvTest::InstalledFaultyFileSystem fs;
    for (const FsOp op : {FsOp::Open, FsOp::Write, FsOp::CopyFile, FsOp::Rename, FsOp::Remove,
                          FsOp::CreateDirectory})
        fs.FailAll(op);
    Corv::IFileSystem& real = Corv::FileSystem();
    EXPECT_EQ(real.Open(dir / "new", OpenMode::Write), nullptr);
    EXPECT_EQ(real.Open(dir / "keep", OpenMode::Write), nullptr); // not truncated
    EXPECT_FALSE(real.CopyFile(dir / "keep", dir / "copy"));
    EXPECT_FALSE(real.Rename(dir / "keep", dir / "moved"));
    EXPECT_FALSE(real.Remove(dir / "keep"));
    EXPECT_EQ(real.CreateDirectory(dir / "sub"), Corv::CreateDirResult::Failed);
    EXPECT_EQ(CorvTest::ListFolder(dir.Path()), std::vector<std::string>{"keep"});
    EXPECT_EQ(CorvTest::ReadBytes(dir / "keep"), (CorvTest::Bytes{1, 2, 3}));
    EXPECT_EQ(fs.Failures(), 6);
}

TEST(FaultyFileSystem, FailsOpensOfOneModeAndTheNthOfAKind) {
    CorvTest::TempDir dir;
    CorvTest::WriteBytes(dir / "f", {9});
    CorvTest::InstalledFaultyFileSystem fs;
    fs.FailOpens(OpenMode::Update);
    EXPECT_NE(Corv::FileSystem().Open(dir / "f", OpenMode::Read), nullptr);
    EXPECT_EQ(Corv::FileSystem().Open(dir / "f", OpenMode::Update), nullptr);
    fs.Reset();
    fs.FailNth(FsOp::Rename, 2);
    EXPECT_TRUE(Corv::FileSystem().Rename(dir / "f", dir / "g"));
    EXPECT_FALSE(Corv::FileSystem().Rename(dir / "g", dir / "h"));
    EXPECT_TRUE(Corv::FileSystem().Rename(dir / "g", dir / "h"));
    EXPECT_EQ(fs.Count(FsOp::Rename), 3);
}

TEST(FaultyFileSystem, GuardRestoresTheRealFileSystem) {
    {
        CorvTest::InstalledFaultyFileSystem fs;
        EXPECT_EQ(&Corv::FileSystem(), &fs);
    }
    EXPECT_EQ(&Corv::FileSystem(), &Corv::RealFileSystem());
}

} // namespace
