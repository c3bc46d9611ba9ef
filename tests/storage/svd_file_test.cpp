#include "storage/domain.h"
#include "storage/svd_file.h"
#include "support/project_builder.h"

#include <gtest/gtest.h>

namespace {

using namespace Corv;
using namespace CorvTest;

// Both file kinds behind one face.
struct Kind {
    const char* name;
    std::size_t prefix, areaOffset, areaBytes;
    bool patch;
};
const Kind kKinds[] = {{"patch", 170, 138, 32, true}, {"tone", 1510, 262, 1248, false}};

Bytes Image(const Kind& k, std::uint32_t seed, std::size_t trailing = 0) {
    FileOptions options;
    options.seed = seed;
    options.trailing = trailing;
    return k.patch ? PatchFileBytes(MakePatch("P", 3, 700), options)
                   : ToneFileBytes(MakeTone("T", {1, 0, 999, 45}), options);
}

bool Read(const Kind& k, const std::string& path) {
    CPatch patch;
    CTone tone;
    return k.patch ? ReadPatchFile(path, patch) : ReadToneFile(path, tone);
}

// Writes the record read from the file back (asRead), or a record unlike the file's.
bool Write(const Kind& k, const std::string& path, bool asRead) {
    CPatch patch = MakePatch("Q", 896, 1);
    CTone tone = MakeTone("U", {7, 7, 7, 7, 0, 2});
    if (asRead && !(k.patch ? ReadPatchFile(path, patch) : ReadToneFile(path, tone)))
        return false;
    return k.patch ? WritePatchFile(path, &patch) : WriteToneFile(path, &tone);
}

class SvdFileTest : public ::testing::Test {
protected:
    void SetUp() override { CDomain::Reset(); }
    std::string Put(const std::string& name, const Bytes& bytes) {
        WriteBytes(m_dir / name, bytes);
        return m_dir / name;
    }
    TempDir m_dir;
};

TEST(SvdHeader, TemplatesHoldTheHeaderOfEachKind) {
    const auto expected = [](const char* tag) {
        Bytes header = {0x00, 0x1E, 'S', 'V', 'D', '0', 0,   0,   0, 0, 0, 0,    0, 0, 0, 0,
                        0,    0,    0,   0,   'Q', 'U', 'I', 'L', 0, 0, 0, 0x20, 0, 0, 0, 0};
        std::copy_n(tag, 4, header.begin() + 16);
        return header;
    };
    const auto& patch = PatchHeaderTemplate();
    const auto& tone = ToneHeaderTemplate();
    EXPECT_EQ(Bytes(patch.begin(), patch.end()), expected("PRFa"));
    EXPECT_EQ(Bytes(tone.begin(), tone.end()), expected("PATa"));
}

// The record area is written and read at its offset, also in a file longer than its prefix.
TEST_F(SvdFileTest, WrittenRecordReadsBackWithItsReferences) {
    const CPatch patch = MakePatch("P", 129, 896);
    CPatch readPatch = MakePatch("X", 1);
    ASSERT_TRUE(WritePatchFile(Put("p", Image(kKinds[0], 3, 40)), &patch));
    ASSERT_TRUE(ReadPatchFile(m_dir / "p", readPatch));
    EXPECT_TRUE(readPatch.Slot(0) == patch.Slot(0) && readPatch.Slot(1) == patch.Slot(1));
}

// Length limits (169/170, 1509/1510), header bytes compared (0-29) and free (30-31), the type
// tag of the other kind.
TEST_F(SvdFileTest, ReadRefusesShortOrForeignFiles) {
    for (const Kind& k : kKinds) {
        SCOPED_TRACE(k.name);
        const Bytes image = Image(k, 5);
        ASSERT_EQ(image.size(), k.prefix);
        EXPECT_TRUE(Read(k, Put("exact", image)));
        EXPECT_TRUE(Read(k, Put("longer", Image(k, 5, 3000))));
        EXPECT_FALSE(Read(k, Put("short", Bytes(image.begin(), image.end() - 1))));
        EXPECT_FALSE(Read(k, m_dir / "missing"));
        for (std::size_t at = 0; at < kSvdHeaderBytes; ++at) {
            Bytes changed = image;
            changed[at] ^= 0x40;
            EXPECT_EQ(Read(k, Put("h", changed)), at >= 30) << "byte " << at;
        }
        const Kind& other = kKinds[k.patch ? 1 : 0];
        Bytes foreign = Image(other, 7, 2000); // long enough for either prefix
        EXPECT_FALSE(Read(k, Put("foreign", foreign)));
        std::copy_n(k.patch ? "PRFa" : "PATa", 4, foreign.begin() + 16);
        EXPECT_TRUE(Read(k, Put("foreign", foreign)));
    }
}

TEST_F(SvdFileTest, FailedReadLeavesADefaultRecord) {
    CPatch patch = MakePatch("Full", 5, 6);
    patch.SetFilePath("Patch/001 Full.d00");
    Bytes image = PatchFileBytes(patch);
    image[16] = 'X';
    EXPECT_FALSE(ReadPatchFile(Put("bad.d00", image), patch));
    EXPECT_TRUE(patch == CPatch());
}

// A write changes only the record area and keeps the length; an unchanged record keeps every
// bit, also those outside every parameter (random, or all ones).
TEST_F(SvdFileTest, WriteChangesOnlyTheRecordArea) {
    for (const Kind& k : kKinds)
        for (std::uint32_t seed = 1; seed <= 8; ++seed) {
            SCOPED_TRACE(std::string(k.name) + " seed " + std::to_string(seed));
            Bytes before = Image(k, seed, seed == 1 ? 0 : seed * 500);
            const auto area = [&](Bytes& b) { return b.begin() + std::ptrdiff_t(k.areaOffset); };
            if (seed == 8)
                std::fill_n(area(before), k.areaBytes, 0xFF);
            const std::string path = Put("w", before);
            ASSERT_TRUE(Write(k, path, true));
            ASSERT_EQ(ReadBytes(path), before);
            ASSERT_TRUE(Write(k, path, false));
            Bytes after = ReadBytes(path);
            ASSERT_EQ(after.size(), before.size());
            EXPECT_NE(after, before);
            std::fill_n(area(before), k.areaBytes, 0);
            std::fill_n(area(after), k.areaBytes, 0);
            EXPECT_EQ(after, before);
        }
}

} // namespace
