#include "edit/find.h"
#include "model/lum_data.h"
#include "support/project_builder.h"
#include "support/scoped_code_page.h"

#include <gtest/gtest.h>

namespace {

using Corv::CLumData;
using Corv::FindHit;

struct ContainsCase {
    Corv::CodePage page;
    std::string haystack;
    std::string needle;
    bool found;
};

class ContainsNoCaseTest : public testing::TestWithParam<ContainsCase> {};

TEST_P(ContainsNoCaseTest, FoldsLettersOfTheCodePage) {
    const ContainsCase& c = GetParam();
    CorvTest::ScopedCodePage page(c.page);
    EXPECT_EQ(Corv::ContainsNoCase(c.haystack, c.needle), c.found)
        << "'" << c.haystack << "' / '" << c.needle << "'";
}

constexpr auto kLatin = Corv::CodePage::Windows1252;
constexpr auto kSjis = Corv::CodePage::ShiftJis;

INSTANTIATE_TEST_SUITE_P(
    Table, ContainsNoCaseTest,
    testing::Values(
        ContainsCase{kLatin, "Warm Pad", "PAD", true},
        ContainsCase{kLatin, "Warm Pad", "arm p", true},
        ContainsCase{kLatin, "Warm Pad", "Pads", false}, ContainsCase{kLatin, "Warm", "", false},
        ContainsCase{kLatin, "", "a", false},
        // É and é, Š and š, Ÿ and ÿ; × and ÷ are no letters and stay apart
        ContainsCase{kLatin, "Caf\xC9", "caf\xE9", true},
        ContainsCase{kLatin,
                     "\x8A"
                     "a",
                     "\x9A"
                     "A",
                     true},
        ContainsCase{kLatin, "\x9F", "\xFF", true}, ContainsCase{kLatin, "\xD7", "\xF7", false},
        // Full-width Ａ (0x8260) and ａ (0x8281), ASCII letters folded as in Windows-1252
        ContainsCase{kSjis, "x\x82\x60y", "\x82\x81", true},
        ContainsCase{kSjis, "BASS", "bass", true},
        // Cyrillic А (0x8440) / а (0x8470) and Ф (0x8455, past the gap) / ф (0x8486)
        ContainsCase{kSjis, "\x84\x40", "\x84\x70", true},
        ContainsCase{kSjis, "\x84\x55", "\x84\x86", true},
        // The trail byte of ソ (0x83 0x5C) is "\" and that of ア (0x83 0x41) "A": neither is a
        // character of its own
        ContainsCase{kSjis, "\x83\x5C", "\\", false}, ContainsCase{kSjis, "\x83\x41", "a", false},
        ContainsCase{kSjis, "\x83\x41", "\x83\x41", true},
        // In Windows-1252 those same bytes are two characters each
        ContainsCase{kLatin, "\x83\x41", "a", true}));

// Three projects with entries placed straight into the arrays.
class FindHitsTest : public testing::Test {
protected:
    void SetUp() override {
        PutPatch(m_a, 5, "Bass One", "");
        PutPatch(m_a, 2, "Lead", "bass drop");
        PutTone(m_a, 7, "Sub BASS");
        PutWave(m_a, 1, "kick");
        PutWave(m_a, 3, "bassline");
        PutPatch(m_b, 1, "Pad", "");
        PutTone(m_b, 896, "Deep", "", "old bass");
        PutPatch(m_c, 512, "Bass End", "");
    }
    static void PutPatch(CLumData& data, int number, const std::string& name,
                         const std::string& memo1) {
        Corv::CPatch patch = CorvTest::MakePatch(name, 0);
        patch.SetMemo(1, memo1);
        patch.SetFilePath("Patch/x.d00");
        data.Patches().PlaceClone(static_cast<std::size_t>(number - 1), patch);
    }
    static void PutTone(CLumData& data, int number, const std::string& name,
                        const std::string& memo1 = "", const std::string& memo4 = "") {
        Corv::CTone tone = CorvTest::MakeTone(name, {});
        tone.SetMemo(1, memo1), tone.SetMemo(4, memo4);
        tone.SetFilePath("Tone/x.p00");
        data.Tones().PlaceClone(static_cast<std::size_t>(number - 1), tone);
    }
    static void PutWave(CLumData& data, int number, const std::string& name) {
        data.Waves().PlaceClone(static_cast<std::size_t>(number - 1),
                                CorvTest::MakeWave(name, "Wave/x.w00"));
    }
    std::vector<const CLumData*> All() const { return {&m_a, &m_b, &m_c}; }

    CLumData m_a, m_b, m_c;
};

TEST_F(FindHitsTest, HitsComeInProjectKindAndSlotOrder) {
    const std::vector<FindHit> all = Corv::FindHits(All(), "bass", Corv::kFindAllKinds);
    const std::vector<FindHit> expected = {{0, Corv::kPatchKind, 1},  {0, Corv::kPatchKind, 4},
                                           {0, Corv::kToneKind, 6},   {0, Corv::kWaveKind, 2},
                                           {1, Corv::kToneKind, 895}, {2, Corv::kPatchKind, 511}};
    EXPECT_EQ(all, expected);
}

TEST_F(FindHitsTest, OneKindOrOneProject) {
    EXPECT_EQ(Corv::FindHits(All(), "BASS", Corv::kToneKind),
              (std::vector<FindHit>{{0, Corv::kToneKind, 6}, {1, Corv::kToneKind, 895}}));
    EXPECT_EQ(Corv::FindHits({&m_b}, "bass", Corv::kFindAllKinds),
              (std::vector<FindHit>{{0, Corv::kToneKind, 895}}));
    EXPECT_TRUE(Corv::FindHits(All(), "bass", Corv::kWaveKind).size() == 1);
}

TEST_F(FindHitsTest, EmptySlotsAndEmptyTextGiveNoHits) {
    // A record with a name but no file is an empty slot and is not searched.
    const Corv::CWave ghost = CorvTest::MakeWave("bass ghost", "");
    m_b.Waves().PlaceClone(9, ghost);
    EXPECT_TRUE(Corv::FindHits({&m_b}, "ghost", Corv::kFindAllKinds).empty());
    EXPECT_TRUE(Corv::FindHits(All(), "", Corv::kFindAllKinds).empty());
    EXPECT_TRUE(Corv::FindHits(All(), "zzz", Corv::kFindAllKinds).empty());
}

struct StepCase {
    std::optional<FindHit> from;
    bool forward;
    std::size_t expected;
};

class StepHitTest : public testing::TestWithParam<StepCase> {};

TEST_P(StepHitTest, GoesToTheNeighbourAndWraps) {
    const std::vector<FindHit> hits = {{0, 0, 3}, {0, 2, 0}, {1, 0, 10}};
    const StepCase& c = GetParam();
    EXPECT_EQ(Corv::StepHit(hits, c.from, c.forward), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Table, StepHitTest,
    testing::Values(StepCase{std::nullopt, true, 0}, StepCase{std::nullopt, false, 2},
                    // from a hit: its neighbours, wrapping at both ends
                    StepCase{FindHit{0, 0, 3}, true, 1}, StepCase{FindHit{0, 2, 0}, false, 0},
                    StepCase{FindHit{1, 0, 10}, true, 0}, StepCase{FindHit{0, 0, 3}, false, 2},
                    // from an entry between hits: the hits on either side of it
                    StepCase{FindHit{0, 1, 500}, true, 1}, StepCase{FindHit{0, 1, 500}, false, 0},
                    StepCase{FindHit{0, 0, 0}, true, 0}, StepCase{FindHit{0, 0, 0}, false, 2},
                    StepCase{FindHit{2, 0, 0}, true, 0}, StepCase{FindHit{2, 0, 0}, false, 2}));

TEST(StepHit, NoHitsNoStep) {
    EXPECT_FALSE(Corv::StepHit({}, FindHit{0, 0, 0}, true).has_value());
}

} // namespace
