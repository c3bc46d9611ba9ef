#include "edit/find.h"
#include "model/lum_data.h"
#include "support/project_builder.h"
#include "support/scoped_code_page.h"

#include <gtest/gtest.h>

namespace {

using Corv::CLumData;
using Corv::FindHit;

TEST(ContainsNoCase, FoldsTheLettersOfTheCodePageAndMatchesDoubleByteCharactersWhole) {
    constexpr auto kLatin = Corv::CodePage::Windows1252;
    constexpr auto kSjis = Corv::CodePage::ShiftJis;
    const std::tuple<Corv::CodePage, const char*, const char*, bool> cases[] = {
        {kLatin, "Warm Pad", "arm p", true},
        {kLatin, "Warm Pad", "Pads", false},
        {kLatin, "Warm", "", false},
        // É and é, Š and š, Ÿ and ÿ; × and ÷ are no letters and stay apart
        {kLatin, "Caf\xC9", "caf\xE9", true},
        {kLatin, "\x8A\x9F", "\x9A\xFF", true},
        {kLatin, "\xD7", "\xF7", false},
        // Full-width Ａ and ａ; Cyrillic А / а and Ф / ф (past the gap)
        {kSjis, "x\x82\x60y", "\x82\x81", true},
        {kSjis, "\x84\x40\x84\x55", "\x84\x70\x84\x86", true},
        // The trail bytes of ソ ("\") and ア ("A") are no characters of their own in Shift_JIS,
        // but two characters each in Windows-1252
        {kSjis, "\x83\x5C", "\\", false},
        {kSjis, "\x83\x41", "a", false},
        {kLatin, "\x83\x41", "a", true},
    };
    for (const auto& [page, haystack, needle, found] : cases) {
        CorvTest::ScopedCodePage scoped(page);
        EXPECT_EQ(Corv::ContainsNoCase(haystack, needle), found) << haystack << " / " << needle;
    }
}

// Hits in project, kind and slot order, in names and memos; a record with a name but no file
// is an empty slot and is not searched.
TEST(FindHits, ComeInProjectKindAndSlotOrder) {
    CLumData a, b;
    const auto put = [](CLumData& data, int kind, int number, const std::string& name,
                        const std::string& memo, const std::string& path = "x") {
        Corv::CParameter& record = data.Records(kind).Item(static_cast<std::size_t>(number - 1));
        record.SetName(name);
        record.SetMemo(4, memo);
        record.SetFilePath(path);
    };
    put(a, Corv::kToneKind, 7, "Sub BASS", "");
    put(a, Corv::kPatchKind, 2, "Lead", "bass drop");
    put(a, Corv::kWaveKind, 1, "kick", "");
    put(b, Corv::kPatchKind, 1, "Deep", "old bass");
    put(b, Corv::kWaveKind, 10, "bass ghost", "", "");
    EXPECT_EQ(Corv::FindHits({&a, &b}, "bass", Corv::kFindAllKinds),
              (std::vector<FindHit>{
                  {0, Corv::kPatchKind, 1}, {0, Corv::kToneKind, 6}, {1, Corv::kPatchKind, 0}}));
    EXPECT_TRUE(Corv::FindHits({&a, &b}, "", Corv::kFindAllKinds).empty());
}

TEST(StepHit, GoesToTheNeighbourAndWraps) {
    const std::vector<FindHit> hits = {{0, 0, 3}, {0, 2, 0}, {1, 0, 10}};
    const std::tuple<std::optional<FindHit>, bool, std::size_t> cases[] = {
        {std::nullopt, true, 0},       {std::nullopt, false, 2},
        {FindHit{0, 0, 3}, true, 1},   {FindHit{0, 2, 0}, false, 0}, // from a hit: its neighbours,
        {FindHit{1, 0, 10}, true, 0},  {FindHit{0, 0, 3}, false, 2}, // wrapping at both ends
        {FindHit{0, 1, 500}, true, 1}, {FindHit{0, 1, 500}, false, 0}, // from between hits
        {FindHit{2, 0, 0}, true, 0},   {FindHit{2, 0, 0}, false, 2}};
    for (const auto& [from, forward, expected] : cases)
        EXPECT_EQ(Corv::StepHit(hits, from, forward), expected);
    EXPECT_FALSE(Corv::StepHit({}, FindHit{0, 0, 0}, true).has_value());
}

} // namespace
