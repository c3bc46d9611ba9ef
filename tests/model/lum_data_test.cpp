#include <gtest/gtest.h>

#include "edit/domain.h"
#include "model/lum_data.h"
#include "support/project_builder.h"

namespace {

using Corv::CLumData;
using Corv::kPatchKind;
using Corv::kToneKind;
using Corv::kWaveKind;

class LumDataTest : public ::testing::Test {
protected:
    void SetUp() override { Corv::CDomain::Reset(); }

    void Use(int kind, int index) {
        m_data.Records(kind).Item(static_cast<std::size_t>(index)).SetFilePath("used");
    }

    CLumData m_data;
};

TEST_F(LumDataTest, NewProjectHasAllSlotsEmpty) {
    const int counts[3] = {512, 896, 999};
    for (int kind = 0; kind < 3; ++kind) {
        EXPECT_EQ(m_data.Records(kind).Size(), static_cast<std::size_t>(counts[kind]));
        EXPECT_EQ(m_data.SlotPaths(kind).size(), static_cast<std::size_t>(counts[kind]));
        EXPECT_EQ(m_data.CountEmpty(kind), counts[kind]);
        EXPECT_EQ(m_data.UsedExtent(kind), 0);
        EXPECT_FALSE(m_data.AnyUsedInLast(kind, counts[kind]));
    }
    EXPECT_EQ(m_data.ProjectFolder(), "");
}

TEST_F(LumDataTest, EmptySlotsAndCountEmptyFollowUse) {
    Use(kToneKind, 0);
    Use(kToneKind, 2);
    Use(kToneKind, 895);
    EXPECT_EQ(m_data.CountEmpty(kToneKind), 893);
    const std::vector<int> empty = m_data.EmptySlots(kToneKind);
    ASSERT_EQ(empty.size(), 893u);
    EXPECT_EQ(empty[0], 1);
    EXPECT_EQ(empty[1], 3);
    EXPECT_EQ(empty.back(), 894);
    EXPECT_EQ(m_data.UsedExtent(kToneKind), 896);
    EXPECT_EQ(m_data.CountEmpty(kPatchKind), 512);
}

TEST_F(LumDataTest, RangeQueriesAtTheEdges) {
    Use(kWaveKind, 998);
    Use(kPatchKind, 10);
    struct Case {
        const char* what;
        bool actual, expected;
    };
    const Case cases[] = {
        {"UsedExtent(waves) = 999", m_data.UsedExtent(kWaveKind) == 999, true},
        {"AnyUsedInLast(waves, 1)", m_data.AnyUsedInLast(kWaveKind, 1), true},
        {"AnyUsedInLast(waves, 0)", m_data.AnyUsedInLast(kWaveKind, 0), false},
        {"AnyUsedInLast(waves, 999)", m_data.AnyUsedInLast(kWaveKind, 999), true},
        {"AnyUsedInLast(waves, 1000)", m_data.AnyUsedInLast(kWaveKind, 1000), false},
        {"AnyUsedInLast(tones, 1000)", m_data.AnyUsedInLast(kToneKind, 1000), false},
        {"AnyUsedInLast(patches, 501)", m_data.AnyUsedInLast(kPatchKind, 501), false},
        {"AnyUsedInLast(patches, 502)", m_data.AnyUsedInLast(kPatchKind, 502), true},
        {"AnyUsedIn(patches, 10, 0)", m_data.AnyUsedIn(kPatchKind, 10, 0), false},
        {"AnyUsedIn(patches, 10, 1)", m_data.AnyUsedIn(kPatchKind, 10, 1), true},
        {"AnyUsedIn(patches, 0, 10)", m_data.AnyUsedIn(kPatchKind, 0, 10), false},
        {"AnyUsedIn(patches, 11, 501)", m_data.AnyUsedIn(kPatchKind, 11, 501), false},
        {"RangeFits(patches, 511, 1)", m_data.RangeFits(kPatchKind, 511, 1), true},
        {"RangeFits(patches, 511, 2)", m_data.RangeFits(kPatchKind, 511, 2), false},
        {"RangeFits(patches, 512, 0)", m_data.RangeFits(kPatchKind, 512, 0), false},
        {"RangeFits(patches, -1, 1)", m_data.RangeFits(kPatchKind, -1, 1), false},
        {"RangeFits(patches, 0, 512)", m_data.RangeFits(kPatchKind, 0, 512), true},
        {"RangeFits(waves, 998, 1)", m_data.RangeFits(kWaveKind, 998, 1), true},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.actual, c.expected) << c.what;
}

TEST_F(LumDataTest, ClearRecordsEmptiesOneArray) {
    m_data.ClearRecords(kToneKind);
    EXPECT_EQ(m_data.Tones().Size(), 0u);
    EXPECT_EQ(m_data.Patches().Size(), 512u);
    EXPECT_EQ(m_data.SlotPaths(kToneKind).size(), 896u);
}

TEST_F(LumDataTest, RebuildToneUsersListsEachPatchOncePerTone) {
    m_data.Patches()[0].Slot(0).SetToneNumber(3);
    m_data.Patches()[0].Slot(1).SetToneNumber(3);
    m_data.Patches()[7].Slot(0).SetToneNumber(3);
    m_data.Patches()[7].Slot(1).SetToneNumber(896);
    m_data.Patches()[9].Slot(0).SetToneNumber(897);   // beyond the array: not followed
    m_data.Patches()[9].Slot(1).SetToneNumber(16384); // the largest the field can hold
    m_data.Patches()[4].Slot(0).SetToneNumber(5);
    m_data.Patches()[4].Slot(0).ClearToneReference();
    m_data.Tones()[2].AddUser(100); // stale entries go
    m_data.RebuildToneUsers();
    EXPECT_EQ(m_data.Tones()[2].Users(), (std::vector<std::int32_t>{0, 7}));
    EXPECT_EQ(m_data.Tones()[895].Users(), std::vector<std::int32_t>{7});
    EXPECT_TRUE(m_data.Tones()[4].Users().empty());
    int listed = 0;
    for (std::size_t t = 0; t < m_data.Tones().Size(); ++t)
        listed += static_cast<int>(m_data.Tones()[t].Users().size());
    EXPECT_EQ(listed, 3);
}

TEST_F(LumDataTest, RebuildWaveUsersSkipsReferencesBeyondTheArray) {
    const auto point = [this](int tone, int osc, int side, int wave) {
        Corv::COsc& o = m_data.Tones()[static_cast<std::size_t>(tone)].Osc(osc);
        o.SetP(side == 0 ? 18 : 70, 1);
        o.SetWaveNumber(side, wave);
    };
    point(1, 0, 0, 999);
    point(1, 15, 1, 999);
    point(1, 2, 0, 1000);
    point(3, 4, 1, 65535);
    point(5, 0, 1, 1);
    point(6, 0, 0, 1);
    m_data.RebuildWaveUsers();
    EXPECT_EQ(m_data.Waves()[998].Users(), std::vector<std::int32_t>{1});
    EXPECT_EQ(m_data.Waves()[0].Users(), (std::vector<std::int32_t>{5, 6}));
    int listed = 0;
    for (std::size_t w = 0; w < m_data.Waves().Size(); ++w)
        listed += static_cast<int>(m_data.Waves()[w].Users().size());
    EXPECT_EQ(listed, 3);
}

TEST_F(LumDataTest, WaveBytesTotalSumsFileSizesAndCountsUnopenableFilesAsZero) {
    CorvTest::TempDir dir;
    CorvTest::WriteBytes(dir / "a.wav", CorvTest::Bytes(1000, 1));
    CorvTest::WriteBytes(dir / "b.w00", CorvTest::Bytes(24, 2));
    CorvTest::WriteBytes(dir / "unused.wav", CorvTest::Bytes(5000, 3));
    m_data.Waves()[0].SetFilePath(dir / "a.wav");
    m_data.Waves()[998].SetFilePath(dir / "b.w00");
    m_data.Waves()[500].SetFilePath(dir / "missing.wav");
    EXPECT_EQ(m_data.WaveBytesTotal(), 1024u);
}

} // namespace
