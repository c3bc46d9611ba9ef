#include "model/lum_data.h"
#include "storage/domain.h"
#include "support/project_builder.h"

#include <gtest/gtest.h>

namespace {

using namespace Corv;
using namespace CorvTest;

class LumDataTest : public ::testing::Test {
protected:
    void SetUp() override { CDomain::Reset(); }

    void Use(int kind, int index) {
        m_data.Records(kind).Item(static_cast<std::size_t>(index)).SetFilePath("used");
    }
    // How many users all records of an array list together.
    template <class Array> static std::size_t UsersListed(const Array& array) {
        std::size_t listed = 0;
        for (std::size_t i = 0; i < array.Size(); ++i)
            listed += array[i].Users().size();
        return listed;
    }

    CLumData m_data;
};

TEST_F(LumDataTest, SlotCountsEmptySlotsAndExtentFollowUse) {
    const std::size_t counts[3] = {512, 896, 999};
    for (int kind = 0; kind < 3; ++kind) {
        EXPECT_EQ(m_data.Records(kind).Size(), counts[kind]);
        EXPECT_EQ(m_data.SlotPaths(kind).size(), counts[kind]);
        EXPECT_EQ(m_data.EmptySlots(kind).size(), counts[kind]);
        EXPECT_EQ(m_data.UsedExtent(kind), 0);
    }
    for (const int tone : {0, 2, 895})
        Use(kToneKind, tone);
    EXPECT_EQ(m_data.CountEmpty(kToneKind), 893);
    const std::vector<int> empty = m_data.EmptySlots(kToneKind);
    ASSERT_EQ(empty.size(), 893u);
    EXPECT_EQ((std::vector<int>{empty[0], empty[1], empty.back()}), (std::vector<int>{1, 3, 894}));
    EXPECT_EQ(m_data.UsedExtent(kToneKind), 896);
    EXPECT_EQ(m_data.CountEmpty(kPatchKind), 512);
}

TEST_F(LumDataTest, RangeQueriesAtTheEdges) {
    Use(kWaveKind, 998);
    Use(kPatchKind, 10);
    EXPECT_EQ(m_data.UsedExtent(kWaveKind), 999);
    const auto last = [this](int kind, int n) { return m_data.AnyUsedInLast(kind, n); };
    EXPECT_EQ((std::vector<bool>{last(kWaveKind, 1), last(kWaveKind, 0), last(kWaveKind, 999),
                                 last(kWaveKind, 1000), last(kToneKind, 1000),
                                 last(kPatchKind, 501), last(kPatchKind, 502)}),
              (std::vector<bool>{true, false, true, false, false, false, true}));
    const auto fits = [this](int k, int i, int n) { return m_data.RangeFits(k, i, n); };
    EXPECT_EQ((std::vector<bool>{fits(kPatchKind, 511, 1), fits(kPatchKind, 511, 2),
                                 fits(kPatchKind, 512, 0), fits(kPatchKind, -1, 1),
                                 fits(kPatchKind, 0, 512), fits(kWaveKind, 998, 1)}),
              (std::vector<bool>{true, false, false, false, true, true}));
}

// Users are listed in index order, each once; stale entries go and references beyond the
// arrays are not followed.
TEST_F(LumDataTest, RebuildUsersListsEachReferrerOnce) {
    m_data.Patches()[0] = MakePatch("", 3, 3);
    m_data.Patches()[7] = MakePatch("", 3, 896);
    m_data.Patches()[9] = MakePatch("", 897, 16384);
    m_data.Patches()[4] = MakePatch("", 5);
    m_data.Patches()[4].Slot(0).ClearToneReference();
    m_data.Tones()[2].AddUser(100);
    m_data.Tones()[1] = MakeTone("", {999, 0, 0, 0, 1000, 0, 0, 999});
    m_data.Tones()[3] = MakeTone("", {0, 65535});
    m_data.Tones()[5] = MakeTone("", {0, 1});
    m_data.Tones()[6] = MakeTone("", {1});
    m_data.RebuildToneUsers();
    m_data.RebuildWaveUsers();
    EXPECT_EQ(m_data.Tones()[2].Users(), (std::vector<std::int32_t>{0, 7}));
    EXPECT_EQ(m_data.Tones()[895].Users(), std::vector<std::int32_t>{7});
    EXPECT_EQ(UsersListed(m_data.Tones()), 3u);
    EXPECT_EQ(m_data.Waves()[998].Users(), std::vector<std::int32_t>{1});
    EXPECT_EQ(m_data.Waves()[0].Users(), (std::vector<std::int32_t>{5, 6}));
    EXPECT_EQ(UsersListed(m_data.Waves()), 3u);
}

} // namespace
