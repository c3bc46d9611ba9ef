#include <gtest/gtest.h>

#include <set>

#include "edit/domain.h"
#include "storage/slot_file_name.h"
#include "storage/svd_file.h"
#include "support/project_builder.h"

// The fixtures of every other test come from the builder: its files must be what the readers
// expect.

namespace {

TEST(ProjectBuilder, FullProjectUsesEverySlotAndEveryReferenceResolves) {
    Corv::CDomain::Reset();
    CorvTest::TempDir dir;
    const std::string folder = dir / "Full.prj/";
    CorvTest::BuildFullProject(folder);

    std::set<int> tonesUsed;
    std::set<int> wavesUsed;
    const int counts[3] = {Corv::kPatchSlots, Corv::kToneSlots, Corv::kWaveSlots};
    for (int kind = 0; kind < 3; ++kind) {
        const std::vector<std::string> names = CorvTest::ListFolder(folder + Corv::SubfolderName(kind));
        ASSERT_EQ(names.size(), static_cast<std::size_t>(counts[kind])) << kind;
        for (std::size_t i = 0; i < names.size(); ++i) {
            ASSERT_EQ(Corv::ParseSlotNumber(names[i]), static_cast<int>(i) + 1) << names[i];
            const std::string path = folder + Corv::SubfolderName(kind) + names[i];
            if (kind == Corv::kPatchKind) {
                Corv::CPatch patch;
                ASSERT_TRUE(Corv::ReadPatchFile(path, patch)) << path;
                EXPECT_EQ(patch.ToneSwitchMask(), 3);
                for (const int t : patch.ReferencedTones())
                    tonesUsed.insert(t);
            } else if (kind == Corv::kToneKind) {
                Corv::CTone tone;
                ASSERT_TRUE(Corv::ReadToneFile(path, tone)) << path;
                for (const int w : tone.ReferencedWaves())
                    wavesUsed.insert(w);
            }
        }
    }
    wavesUsed.erase(0);
    EXPECT_EQ(tonesUsed.size(), 896u);
    EXPECT_EQ(*tonesUsed.begin(), 1);
    EXPECT_EQ(*tonesUsed.rbegin(), 896);
    EXPECT_EQ(wavesUsed.size(), 999u);
    EXPECT_EQ(*wavesUsed.rbegin(), 999);
    for (const char* name : Corv::kSystemFileNames)
        EXPECT_TRUE(CorvTest::FileExists(folder + name)) << name;
}

TEST(ProjectBuilder, FileImagesCarryTheOptions) {
    CorvTest::FileOptions options;
    options.opaqueFill = 0xA5;
    options.trailing = 3;
    options.headerByte30 = 7;
    options.headerByte31 = 9;
    const CorvTest::Bytes image = CorvTest::PatchFileBytes(CorvTest::MakePatch("P", 1), options);
    ASSERT_EQ(image.size(), Corv::kPatchPrefixBytes + 3);
    EXPECT_EQ(image[30], 7);
    EXPECT_EQ(image[31], 9);
    EXPECT_EQ(image[32], 0xA5);
    EXPECT_EQ(image[137], 0xA5);
    EXPECT_EQ(image.back(), 0xA5);
    // Bits 122-127 of each tone slot belong to no parameter and keep the fill.
    EXPECT_EQ(image[Corv::kPatchAreaOffset + 15] & 0x3F, 0xA5 & 0x3F);

    // Different seeds give different opaque bytes; the same seed the same file.
    CorvTest::FileOptions a;
    a.seed = 1;
    CorvTest::FileOptions b;
    b.seed = 2;
    const Corv::CTone tone = CorvTest::MakeTone("T", {4});
    EXPECT_EQ(CorvTest::ToneFileBytes(tone, a), CorvTest::ToneFileBytes(tone, a));
    EXPECT_NE(CorvTest::ToneFileBytes(tone, a), CorvTest::ToneFileBytes(tone, b));
}

} // namespace
