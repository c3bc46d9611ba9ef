#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include "edit/domain.h"
#include "storage/svd_file.h"
#include "support/faulty_file_system.h"
#include "support/project_builder.h"

namespace {

using CorvTest::Bytes;
using CorvTest::FileOptions;
using CorvTest::FsOp;

class SvdFileTest : public ::testing::Test {
protected:
    void SetUp() override { Corv::CDomain::Reset(); }

    std::string Put(const std::string& name, const Bytes& bytes) {
        const std::string path = m_dir / name;
        CorvTest::WriteBytes(path, bytes);
        return path;
    }

    static FileOptions Options(std::uint32_t seed, std::size_t trailing = 0) {
        FileOptions options;
        options.seed = seed;
        options.trailing = trailing;
        return options;
    }

    CorvTest::TempDir m_dir;
};

// Everything a test needs to treat both file kinds alike.
struct Kind {
    const char* name;
    std::size_t prefix, areaOffset, areaBytes;
    Bytes (*image)(std::uint32_t seed, std::size_t trailing);
    bool (*read)(const std::string& path);
    bool (*writeChanged)(const std::string& path); // writes a record unlike the file's
    bool (*writeAsRead)(const std::string& path);  // reads the file and writes it back
};

Bytes PatchImage(std::uint32_t seed, std::size_t trailing) {
    FileOptions o;
    o.seed = seed;
    o.trailing = trailing;
    return CorvTest::PatchFileBytes(CorvTest::MakePatch("P", 3, 700), o);
}

Bytes ToneImage(std::uint32_t seed, std::size_t trailing) {
    FileOptions o;
    o.seed = seed;
    o.trailing = trailing;
    return CorvTest::ToneFileBytes(CorvTest::MakeTone("T", {1, 0, 999, 45}), o);
}

bool ReadPatch(const std::string& path) {
    Corv::CPatch patch;
    return Corv::ReadPatchFile(path, patch);
}

bool ReadTone(const std::string& path) {
    Corv::CTone tone;
    return Corv::ReadToneFile(path, tone);
}

bool WriteChangedPatch(const std::string& path) {
    const Corv::CPatch patch = CorvTest::MakePatch("Q", 896, 1);
    return Corv::WritePatchFile(path, &patch);
}

bool WriteChangedTone(const std::string& path) {
    const Corv::CTone tone = CorvTest::MakeTone("U", {7, 7, 7, 7, 0, 2});
    return Corv::WriteToneFile(path, &tone);
}

bool PatchAsRead(const std::string& path) {
    Corv::CPatch patch;
    return Corv::ReadPatchFile(path, patch) && Corv::WritePatchFile(path, &patch);
}

bool ToneAsRead(const std::string& path) {
    Corv::CTone tone;
    return Corv::ReadToneFile(path, tone) && Corv::WriteToneFile(path, &tone);
}

const Kind kKinds[] = {
    {"patch", 170, 138, 32, PatchImage, ReadPatch, WriteChangedPatch, PatchAsRead},
    {"tone", 1510, 262, 1248, ToneImage, ReadTone, WriteChangedTone, ToneAsRead},
};

TEST(SvdHeader, TemplatesHoldTheHeaderOfEachKind) {
    const Bytes common = {0x00, 0x1E, 'S', 'V', 'D', '0', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    const Bytes tail = {'Q', 'U', 'I', 'L', 0x00, 0x00, 0x00, 0x20, 0x00, 0x00, 0x00, 0x00};
    const auto expected = [&](const char* tag) {
        Bytes header = common;
        header.insert(header.end(), tag, tag + 4);
        header.insert(header.end(), tail.begin(), tail.end());
        return header;
    };
    const auto& patch = Corv::PatchHeaderTemplate();
    const auto& tone = Corv::ToneHeaderTemplate();
    EXPECT_EQ(Bytes(patch.begin(), patch.end()), expected("PRFa"));
    EXPECT_EQ(Bytes(tone.begin(), tone.end()), expected("PATa"));
}

TEST_F(SvdFileTest, ReadingFillsTheRecordFromTheRecordArea) {
    const Corv::CPatch patch = CorvTest::MakePatch("P", 129, 896);
    Corv::CPatch readPatch;
    ASSERT_TRUE(Corv::ReadPatchFile(Put("p.d00", CorvTest::PatchFileBytes(patch, Options(3, 40))), readPatch));
    EXPECT_TRUE(readPatch.Slot(0) == patch.Slot(0));
    EXPECT_TRUE(readPatch.Slot(1) == patch.Slot(1));
    EXPECT_EQ(readPatch.ReferencedTones(), (std::vector<int>{129, 896}));
    EXPECT_EQ(readPatch.ToneSwitchMask(), 3);

    const Corv::CTone tone = CorvTest::MakeTone("T", {0, 999, 5, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                                                      0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                                                      0, 0, 0, 12});
    Corv::CTone readTone;
    ASSERT_TRUE(Corv::ReadToneFile(Put("t.p00", CorvTest::ToneFileBytes(tone, Options(4))), readTone));
    for (int n = 0; n < Corv::CTone::kOscCount; ++n)
        EXPECT_TRUE(readTone.Osc(n) == tone.Osc(n)) << "oscillator " << n;
    EXPECT_EQ(readTone.ReferencedWaves(), (std::vector<int>{0, 5, 12, 999}));
}

TEST_F(SvdFileTest, FilesShorterThanThePrefixAreRefused) {
    for (const Kind& k : kKinds) {
        const Bytes image = k.image(5, 0);
        ASSERT_EQ(image.size(), k.prefix) << k.name;
        EXPECT_TRUE(k.read(Put("exact", image))) << k.name;
        EXPECT_TRUE(k.read(Put("longer", k.image(5, 3000)))) << k.name;
        EXPECT_FALSE(k.read(Put("short", Bytes(image.begin(), image.end() - 1)))) << k.name;
        EXPECT_FALSE(k.read(Put("empty", {}))) << k.name;
        EXPECT_FALSE(k.read(m_dir / "missing")) << k.name;
    }
}

TEST_F(SvdFileTest, EveryComparedHeaderByteMatters) {
    for (const Kind& k : kKinds) {
        for (std::size_t at = 0; at < Corv::kSvdHeaderBytes; ++at) {
            Bytes image = k.image(6, 0);
            image[at] ^= 0x40;
            const bool compared = at < Corv::kSvdComparedHeaderBytes;
            EXPECT_EQ(k.read(Put("h", image)), !compared) << k.name << " byte " << at;
        }
    }
}

TEST_F(SvdFileTest, TypeTagsAreNotInterchangeable) {
    const Bytes patchImage = PatchImage(7, 2000); // long enough for a tone prefix
    Bytes toneImage = ToneImage(7, 0);
    Corv::CPatch patch;
    Corv::CTone tone;
    EXPECT_FALSE(Corv::ReadToneFile(Put("patch-as-tone", patchImage), tone));
    EXPECT_FALSE(Corv::ReadPatchFile(Put("tone-as-patch", toneImage), patch));
    // The same files with the tags swapped are accepted by the other reader.
    Bytes relabelled = patchImage;
    std::copy_n("PATa", 4, relabelled.begin() + 16);
    EXPECT_TRUE(Corv::ReadToneFile(Put("relabelled", relabelled), tone));
    std::copy_n("PRFa", 4, toneImage.begin() + 16);
    EXPECT_TRUE(Corv::ReadPatchFile(Put("relabelled2", toneImage), patch));
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

// The read's open, read and close each decide the result.
TEST_F(SvdFileTest, EveryFailingStepOfAReadFailsIt) {
    for (const Kind& k : kKinds) {
        const std::string path = Put("f", k.image(9, 0));
        for (const FsOp op : {FsOp::Open, FsOp::Read, FsOp::Close}) {
            CorvTest::InstalledFaultyFileSystem fs;
            fs.FailNth(op, 1);
            EXPECT_FALSE(k.read(path)) << k.name << " " << CorvTest::FsOpName(op);
            EXPECT_EQ(fs.Failures(), 1);
        }
    }
}

// Something at the path that cannot be opened as a file (file permissions would not stop the
// tests when they run as root): a folder, and a link to nowhere.
TEST_F(SvdFileTest, UnopenableFileIsRefused) {
    const std::string folder = Put("folder.d00", {});
    ASSERT_EQ(::unlink(folder.c_str()), 0);
    ASSERT_EQ(::mkdir(folder.c_str(), 0777), 0);
    EXPECT_FALSE(ReadPatch(folder));
    const std::string dangling = folder + "-link.d00";
    ASSERT_EQ(::symlink((folder + "-missing").c_str(), dangling.c_str()), 0);
    EXPECT_FALSE(ReadPatch(dangling));
}

TEST_F(SvdFileTest, WriteChangesOnlyTheRecordAreaAndKeepsTheLength) {
    for (const Kind& k : kKinds) {
        for (const std::size_t trailing : {std::size_t{0}, std::size_t{1}, std::size_t{4096}}) {
            const Bytes before = k.image(11, trailing);
            const std::string path = Put("w", before);
            ASSERT_TRUE(k.writeChanged(path)) << k.name;
            const Bytes after = CorvTest::ReadBytes(path);
            ASSERT_EQ(after.size(), before.size()) << k.name;
            for (std::size_t i = 0; i < before.size(); ++i)
                if (i < k.areaOffset || i >= k.areaOffset + k.areaBytes) {
                    ASSERT_EQ(after[i], before[i]) << k.name << " byte " << i;
                }
            EXPECT_NE(after, before) << k.name;
        }
    }
}

TEST_F(SvdFileTest, WrittenRecordReadsBack) {
    const Corv::CPatch patch = CorvTest::MakePatch("Q", 896, 1);
    const std::string patchPath = Put("p", PatchImage(12, 0));
    ASSERT_TRUE(Corv::WritePatchFile(patchPath, &patch));
    Corv::CPatch readPatch;
    ASSERT_TRUE(Corv::ReadPatchFile(patchPath, readPatch));
    EXPECT_TRUE(readPatch.Slot(0) == patch.Slot(0) && readPatch.Slot(1) == patch.Slot(1));

    Corv::CTone tone = CorvTest::MakeTone("U", {3, 4});
    tone.Osc(9).SetP(8, 90);
    const std::string tonePath = Put("t", ToneImage(12, 0));
    ASSERT_TRUE(Corv::WriteToneFile(tonePath, &tone));
    Corv::CTone readTone;
    ASSERT_TRUE(Corv::ReadToneFile(tonePath, readTone));
    for (int n = 0; n < Corv::CTone::kOscCount; ++n)
        EXPECT_TRUE(readTone.Osc(n) == tone.Osc(n)) << n;
}

// Random record areas set bits outside every parameter; an unchanged record keeps them all.
TEST_F(SvdFileTest, UnchangedRecordWritesBackByteForByte) {
    for (const Kind& k : kKinds) {
        for (std::uint32_t seed = 1; seed <= 20; ++seed) {
            const Bytes before = k.image(seed, seed * 7);
            const std::string path = Put("same", before);
            ASSERT_TRUE(k.writeAsRead(path)) << k.name;
            ASSERT_EQ(CorvTest::ReadBytes(path), before) << k.name << " seed " << seed;
        }
    }
    // And with every bit of the files set.
    for (const Kind& k : kKinds) {
        Bytes before = k.image(1, 10);
        std::fill(before.begin() + static_cast<std::ptrdiff_t>(k.areaOffset),
                  before.begin() + static_cast<std::ptrdiff_t>(k.areaOffset + k.areaBytes), 0xFF);
        const std::string path = Put("ones", before);
        ASSERT_TRUE(k.writeAsRead(path));
        EXPECT_EQ(CorvTest::ReadBytes(path), before) << k.name;
    }
}

TEST_F(SvdFileTest, WriteNeverCreatesOrExtendsAFile) {
    for (const Kind& k : kKinds) {
        const std::string missing = m_dir / (std::string(k.name) + "-missing");
        EXPECT_FALSE(k.writeChanged(missing)) << k.name;
        EXPECT_FALSE(CorvTest::FileExists(missing)) << k.name;

        // Files that end inside the record area, or just before its last byte.
        for (const std::size_t size : {std::size_t{0}, k.areaOffset, k.prefix - 1}) {
            const Bytes image = k.image(13, 0);
            const Bytes cut(image.begin(), image.begin() + static_cast<std::ptrdiff_t>(size));
            const std::string path = Put("cut", cut);
            EXPECT_FALSE(k.writeChanged(path)) << k.name << " " << size;
            EXPECT_EQ(CorvTest::ReadBytes(path), cut) << k.name << " " << size;
        }
    }
}

TEST_F(SvdFileTest, NullRecordWritesNothingAndSucceeds) {
    EXPECT_TRUE(Corv::WritePatchFile(m_dir / "none.d00", nullptr));
    EXPECT_TRUE(Corv::WriteToneFile(m_dir / "none.p00", nullptr));
    EXPECT_TRUE(Corv::CheckFileForWriting(m_dir / "none", nullptr));
    EXPECT_TRUE(CorvTest::ListFolder(m_dir.Path()).empty());
}

// Each step of a write (open, seek, read the area, seek, write, close) decides the result; a
// failure before the write leaves the file as it was.
TEST_F(SvdFileTest, EveryFailingStepOfAWriteFailsIt) {
    for (const Kind& k : kKinds) {
        const Bytes before = k.image(14, 5);
        const std::string path = Put("fw", before);
        CorvTest::FaultyFileSystem probe;
        {
            CorvTest::ScopedFileSystem scope(probe);
            ASSERT_TRUE(k.writeChanged(path));
        }
        const int steps = probe.Count();
        ASSERT_GE(steps, 5);
        for (int step = 1; step <= steps; ++step) {
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

TEST_F(SvdFileTest, CheckForWritingOpensWithoutCreating) {
    const Corv::CPatch patch;
    const std::string path = Put("c.d00", PatchImage(15, 0));
    EXPECT_TRUE(Corv::CheckFileForWriting(path, &patch));
    EXPECT_EQ(CorvTest::ReadBytes(path), PatchImage(15, 0));
    EXPECT_FALSE(Corv::CheckFileForWriting(m_dir / "missing.d00", &patch));
    EXPECT_FALSE(CorvTest::FileExists(m_dir / "missing.d00"));
    for (const FsOp op : {FsOp::Open, FsOp::Close}) {
        CorvTest::InstalledFaultyFileSystem fs;
        fs.FailAll(op);
        EXPECT_FALSE(Corv::CheckFileForWriting(path, &patch)) << CorvTest::FsOpName(op);
    }
}

TEST_F(SvdFileTest, PathsPassThroughTheOsPathConversion) {
    Corv::CDomain::Get().m_pathSeparator = "//";
    const std::string path = Put("sep.d00", PatchImage(16, 0));
    CorvTest::InstalledFaultyFileSystem fs;
    fs.SetLogging(true);
    Corv::CPatch patch;
    EXPECT_TRUE(Corv::ReadPatchFile(path, patch));
    EXPECT_TRUE(Corv::WritePatchFile(path, &patch));
    EXPECT_TRUE(Corv::CheckFileForWriting(path, &patch));
    std::string converted = path;
    for (std::size_t at = converted.find('/'); at != std::string::npos; at = converted.find('/', at + 2))
        converted.insert(at, "/");
    int opens = 0;
    for (const std::string& line : fs.Log())
        if (line.rfind("Open ", 0) == 0) {
            ++opens;
            EXPECT_NE(line.find(converted), std::string::npos) << line;
        }
    EXPECT_EQ(opens, 3);
}

} // namespace
