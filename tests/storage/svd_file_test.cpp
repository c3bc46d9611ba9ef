#include "storage/domain.h"
#include "storage/svd_file.h"
#include "support/faulty_file_system.h"
#include "support/project_builder.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using CorvTest::Bytes;
using CorvTest::FsOp;

CorvTest::FileOptions Options(std::uint32_t seed, std::size_t trailing = 0) {
    CorvTest::FileOptions options;
    options.seed = seed;
    options.trailing = trailing;
    return options;
}

// Both file kinds behind one face: an image, a read, a write of a record unlike the file's and a
// read-then-write-back.
struct Kind {
    const char* name;
    std::size_t prefix, areaOffset, areaBytes;
    Bytes (*image)(std::uint32_t seed, std::size_t trailing);
    bool (*read)(const std::string& path);
    bool (*writeChanged)(const std::string& path);
    bool (*writeAsRead)(const std::string& path);
};

const Kind kKinds[] = {
    {"patch", 170, 138, 32,
     [](std::uint32_t s, std::size_t t) { return CorvTest::PatchFileBytes(CorvTest::MakePatch("P", 3, 700), Options(s, t)); },
     [](const std::string& p) { Corv::CPatch r; return Corv::ReadPatchFile(p, r); },
     [](const std::string& p) { const Corv::CPatch r = CorvTest::MakePatch("Q", 896, 1); return Corv::WritePatchFile(p, &r); },
     [](const std::string& p) { Corv::CPatch r; return Corv::ReadPatchFile(p, r) && Corv::WritePatchFile(p, &r); }},
    {"tone", 1510, 262, 1248,
     [](std::uint32_t s, std::size_t t) { return CorvTest::ToneFileBytes(CorvTest::MakeTone("T", {1, 0, 999, 45}), Options(s, t)); },
     [](const std::string& p) { Corv::CTone r; return Corv::ReadToneFile(p, r); },
     [](const std::string& p) { const Corv::CTone r = CorvTest::MakeTone("U", {7, 7, 7, 7, 0, 2}); return Corv::WriteToneFile(p, &r); },
     [](const std::string& p) { Corv::CTone r; return Corv::ReadToneFile(p, r) && Corv::WriteToneFile(p, &r); }},
};

class SvdFileTest : public ::testing::Test {
protected:
    void SetUp() override { Corv::CDomain::Reset(); }
    std::string Put(const std::string& name, const Bytes& bytes) {
        CorvTest::WriteBytes(m_dir / name, bytes);
        return m_dir / name;
    }
    CorvTest::TempDir m_dir;
};

TEST(SvdHeader, TemplatesHoldTheHeaderOfEachKind) {
    const auto expected = [](const char* tag) {
        Bytes header = {0x00, 0x1E, 'S', 'V', 'D', '0', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                        0, 0, 0, 0, 'Q', 'U', 'I', 'L', 0, 0, 0, 0x20, 0, 0, 0, 0};
        std::copy_n(tag, 4, header.begin() + 16);
        return header;
    };
    const auto& patch = Corv::PatchHeaderTemplate();
    const auto& tone = Corv::ToneHeaderTemplate();
    EXPECT_EQ(Bytes(patch.begin(), patch.end()), expected("PRFa"));
    EXPECT_EQ(Bytes(tone.begin(), tone.end()), expected("PATa"));
}

TEST_F(SvdFileTest, WrittenRecordReadsBackWithItsReferences) {
    const Corv::CPatch patch = CorvTest::MakePatch("P", 129, 896);
    Corv::CPatch readPatch = CorvTest::MakePatch("X", 1);
    ASSERT_TRUE(Corv::WritePatchFile(Put("p", kKinds[0].image(3, 40)), &patch));
    ASSERT_TRUE(Corv::ReadPatchFile(m_dir / "p", readPatch));
    EXPECT_TRUE(readPatch.Slot(0) == patch.Slot(0) && readPatch.Slot(1) == patch.Slot(1));
    EXPECT_EQ(readPatch.ReferencedTones(), (std::vector<int>{129, 896}));

    std::vector<int> waves(32, 0);
    waves[1] = 999, waves[2] = 5, waves[31] = 12;
    Corv::CTone tone = CorvTest::MakeTone("T", waves);
    tone.Osc(9).SetP(8, 90);
    Corv::CTone readTone;
    ASSERT_TRUE(Corv::WriteToneFile(Put("t", kKinds[1].image(4, 0)), &tone));
    ASSERT_TRUE(Corv::ReadToneFile(m_dir / "t", readTone));
    for (int n = 0; n < Corv::CTone::kOscCount; ++n)
        EXPECT_TRUE(readTone.Osc(n) == tone.Osc(n)) << "oscillator " << n;
    EXPECT_EQ(readTone.ReferencedWaves(), (std::vector<int>{0, 5, 12, 999}));
}

// Length limits (169/170, 1509/1510), header bytes compared (0-29) and free (30-31), and every
// failing step of a read.
TEST_F(SvdFileTest, ReadRefusesShortOrForeignFiles) {
    for (const Kind& k : kKinds) {
        const Bytes image = k.image(5, 0);
        ASSERT_EQ(image.size(), k.prefix) << k.name;
        EXPECT_TRUE(k.read(Put("exact", image))) << k.name;
        EXPECT_TRUE(k.read(Put("longer", k.image(5, 3000)))) << k.name;
        EXPECT_FALSE(k.read(Put("short", Bytes(image.begin(), image.end() - 1)))) << k.name;
        EXPECT_FALSE(k.read(Put("empty", {}))) << k.name;
        EXPECT_FALSE(k.read(m_dir / "missing")) << k.name;
        for (std::size_t at = 0; at < Corv::kSvdHeaderBytes; ++at) {
            Bytes changed = image;
            changed[at] ^= 0x40;
            EXPECT_EQ(k.read(Put("h", changed)), at >= 30) << k.name << " byte " << at;
        }
        for (const FsOp op : {FsOp::Open, FsOp::Read, FsOp::Close}) {
            CorvTest::InstalledFaultyFileSystem fs;
            fs.FailNth(op, 1);
            EXPECT_FALSE(k.read(m_dir / "exact")) << k.name << " " << CorvTest::FsOpName(op);
        }
    }
}

TEST_F(SvdFileTest, TypeTagsAreNotInterchangeable) {
    Bytes patchImage = kKinds[0].image(7, 2000); // long enough for a tone prefix
    Bytes toneImage = kKinds[1].image(7, 0);
    EXPECT_FALSE(kKinds[1].read(Put("a", patchImage)));
    EXPECT_FALSE(kKinds[0].read(Put("b", toneImage)));
    std::copy_n("PATa", 4, patchImage.begin() + 16);
    std::copy_n("PRFa", 4, toneImage.begin() + 16);
    EXPECT_TRUE(kKinds[1].read(Put("a", patchImage)));
    EXPECT_TRUE(kKinds[0].read(Put("b", toneImage)));
}

TEST_F(SvdFileTest, FailedReadLeavesADefaultRecord) {
    Corv::CPatch patch = CorvTest::MakePatch("Full", 5, 6);
    patch.SetFilePath("Patch/001 Full.d00");
    Bytes image = CorvTest::PatchFileBytes(patch, Options(8));
    image[16] = 'X';
    EXPECT_FALSE(Corv::ReadPatchFile(Put("bad.d00", image), patch));
    EXPECT_TRUE(patch == Corv::CPatch());
    Corv::CTone tone = CorvTest::MakeTone("Full", {9});
    tone.AddUser(3);
    EXPECT_FALSE(Corv::ReadToneFile(m_dir / "missing.p00", tone));
    EXPECT_TRUE(tone == Corv::CTone());
}

// A folder or a dangling link with a matching name (permissions would not stop root).
TEST_F(SvdFileTest, UnopenableFileIsRefused) {
    const std::string folder = m_dir / "folder.d00";
    ASSERT_EQ(::mkdir(folder.c_str(), 0777), 0);
    EXPECT_FALSE(kKinds[0].read(folder));
    ASSERT_EQ(::symlink((folder + "-missing").c_str(), (folder + "-link").c_str()), 0);
    EXPECT_FALSE(kKinds[0].read(folder + "-link"));
}

TEST_F(SvdFileTest, WriteChangesOnlyTheRecordAreaAndKeepsTheLength) {
    for (const Kind& k : kKinds) {
        for (const std::size_t trailing : {std::size_t{0}, std::size_t{1}, std::size_t{4096}}) {
            Bytes before = k.image(11, trailing);
            const std::string path = Put("w", before);
            ASSERT_TRUE(k.writeChanged(path)) << k.name;
            Bytes after = CorvTest::ReadBytes(path);
            ASSERT_EQ(after.size(), before.size()) << k.name;
            EXPECT_NE(after, before) << k.name;
            const auto area = [&](Bytes& b) { return b.begin() + static_cast<std::ptrdiff_t>(k.areaOffset); };
            std::fill_n(area(before), k.areaBytes, 0);
            std::fill_n(area(after), k.areaBytes, 0);
            EXPECT_EQ(after, before) << k.name << " trailing " << trailing;
        }
    }
}

// Random record areas set bits outside every parameter, and so does an area of all ones: an
// unchanged record keeps them all.
TEST_F(SvdFileTest, UnchangedRecordWritesBackByteForByte) {
    for (const Kind& k : kKinds) {
        for (std::uint32_t seed = 1; seed <= 21; ++seed) {
            Bytes before = k.image(seed, seed * 7);
            if (seed == 21)
                std::fill_n(before.begin() + static_cast<std::ptrdiff_t>(k.areaOffset), k.areaBytes, 0xFF);
            const std::string path = Put("same", before);
            ASSERT_TRUE(k.writeAsRead(path)) << k.name;
            ASSERT_EQ(CorvTest::ReadBytes(path), before) << k.name << " seed " << seed;
        }
    }
}

TEST_F(SvdFileTest, WriteNeverCreatesOrExtendsAFile) {
    for (const Kind& k : kKinds) {
        const std::string missing = m_dir / (std::string(k.name) + "-missing");
        EXPECT_FALSE(k.writeChanged(missing)) << k.name;
        EXPECT_FALSE(CorvTest::FileExists(missing)) << k.name;
        for (const std::size_t size : {std::size_t{0}, k.areaOffset, k.prefix - 1}) {
            const Bytes image = k.image(13, 0);
            const Bytes cut(image.begin(), image.begin() + static_cast<std::ptrdiff_t>(size));
            EXPECT_FALSE(k.writeChanged(Put("cut", cut))) << k.name << " " << size;
            EXPECT_EQ(CorvTest::ReadBytes(m_dir / "cut"), cut) << k.name << " " << size;
        }
    }
    EXPECT_TRUE(Corv::WritePatchFile(m_dir / "none.d00", nullptr));
    EXPECT_TRUE(Corv::WriteToneFile(m_dir / "none.p00", nullptr));
    EXPECT_FALSE(CorvTest::FileExists(m_dir / "none.d00") || CorvTest::FileExists(m_dir / "none.p00"));
}

// Each step of a write decides the result; a failure before the write leaves the file as it was.
TEST_F(SvdFileTest, EveryFailingStepOfAWriteFailsIt) {
    for (const Kind& k : kKinds) {
        const Bytes before = k.image(14, 5);
        const std::string path = Put("fw", before);
        CorvTest::FaultyFileSystem probe;
        {
            CorvTest::ScopedFileSystem scope(probe);
            ASSERT_TRUE(k.writeChanged(path));
        }
        ASSERT_GE(probe.Count(), 5);
        for (int step = 1; step <= probe.Count(); ++step) {
            CorvTest::WriteBytes(path, before);
            CorvTest::InstalledFaultyFileSystem fs;
            fs.SetLogging(true);
            fs.FailOperation(step);
            EXPECT_FALSE(k.writeChanged(path)) << k.name << " step " << step;
            const std::string failed = fs.Log()[static_cast<std::size_t>(step - 1)];
            if (failed.rfind("Write", 0) != 0 && failed.rfind("Close", 0) != 0) {
                EXPECT_EQ(CorvTest::ReadBytes(path), before) << k.name << " " << failed;
            }
        }
    }
}

TEST_F(SvdFileTest, PathsPassThroughTheOsPathConversion) {
    Corv::CDomain::Get().m_pathSeparator = "//";
    const std::string path = Put("sep.d00", kKinds[0].image(16, 0));
    CorvTest::InstalledFaultyFileSystem fs;
    fs.SetLogging(true);
    Corv::CPatch patch;
    EXPECT_TRUE(Corv::ReadPatchFile(path, patch) && Corv::WritePatchFile(path, &patch));
    std::string converted = path;
    for (std::size_t at = converted.find('/'); at != std::string::npos; at = converted.find('/', at + 2))
        converted.insert(at, "/");
    int opens = 0;
    for (const std::string& line : fs.Log())
        if (line.rfind("Open ", 0) == 0) {
            ++opens;
            EXPECT_NE(line.find(converted), std::string::npos) << line;
        }
    EXPECT_EQ(opens, 2);
}

} // namespace
