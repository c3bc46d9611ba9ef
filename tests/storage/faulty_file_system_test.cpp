#include "support/faulty_file_system.h"
#include "support/project_builder.h"

#include <gtest/gtest.h>

// The save sweeps trust this seam to fail exactly the k-th operation and nothing else.

namespace {

using Corv::OpenMode;
using CorvTest::FsOp;

// Open to write, write, close, copy, rename, open to read, read, close, remove.
std::vector<bool> RunSequence(const CorvTest::TempDir& dir) {
    Corv::IFileSystem& fs = Corv::FileSystem();
    std::vector<bool> ok;
    auto out = fs.Open(dir / "a", OpenMode::Write);
    ok.push_back(out != nullptr);
    ok.push_back(out && out->Write("hello", 5));
    ok.push_back(out && out->Close());
    ok.push_back(fs.CopyFile(dir / "a", dir / "b", false));
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
    const std::vector<std::vector<bool>> expected = {
        {true, true, true, true, true, true, true, true, true},          // no fault
        {false, false, false, false, false, false, false, false, false}, // first open: no "a"
        {true, false, true, true, true, true, false, true, true},        // write: empty file copied
        {true, true, false, true, true, true, true, true, true},         // close still releases
        {true, true, true, false, false, false, false, false, false},    // copy: no "b"
        {true, true, true, true, false, false, false, false, false},     // rename: "b" stays
        {true, true, true, true, true, false, false, false, true},       // open "c"
        {true, true, true, true, true, true, false, true, true},         // read
        {true, true, true, true, true, true, true, false, true},         // close
        {true, true, true, true, true, true, true, true, false},         // remove: "c" stays
    };
    for (int k = 0; k <= 9; ++k) {
        CorvTest::TempDir dir;
        CorvTest::InstalledFaultyFileSystem fs;
        fs.FailOperation(k);
        EXPECT_EQ(RunSequence(dir), expected[static_cast<std::size_t>(k)]) << "k = " << k;
        EXPECT_EQ(fs.Failures(), k == 0 ? 0 : 1);
    }
}

} // namespace
