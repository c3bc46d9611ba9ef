// Text the user types and looks for: names and memos as they are stored, and find.
#include "edit/cell_edit.h"
#include "edit/find.h"
#include "list_edit_support.h"
#include "model/lum_data.h"
#include "support/project_builder.h"
#include "support/scoped_code_page.h"

#include <gtest/gtest.h>

namespace {

using namespace Corv;
using namespace CorvTest;

class CellEdit : public EditTest {};

TEST(FilterName, DropsDoubleByteCharactersAndCharactersFilesCannotCarry) {
    const std::pair<std::string, std::string> cases[] = {
        {"\\/*?:\"<>|Pad 2 (soft)", "Pad 2 (soft)"},
        {"x\x83\x5Cy", "xy"}, // a trail byte that looks like a backslash goes with it
        {"\x81\x40"
         "A\xE0\x80"
         "B\xFC\xFC",
         "AB"},                                           // lead bytes at both ends of both ranges
        {"\xA0\xB1\xDF\x80\xFD", "\xA0\xB1\xDF\x80\xFD"}, // single-byte characters stay
        {"tail\x9F", "tail"},                             // a lead byte without its second byte
        {std::string("ab\0cd", 5), "abcd"},       // a NUL would end the saved file's name early
        {"Tab\there\r\n\x1F\x7F", "Tabhere\x7F"}, // every byte below 0x20 goes
    };
    for (const auto& [typed, stored] : cases)
        EXPECT_EQ(FilterName(typed), stored) << typed;
    // In a single-byte code page the bytes of the lead ranges are letters of their own ("\xE9"
    // is an accented e): each is removed alone and keeps its neighbour.
    EXPECT_EQ(FilterName("Caf\xE9 X", false), "Caf X");
    EXPECT_EQ(FilterName("a\x81:b", false), "ab");
}

// What a typed text is stored as: the filter first, then the cut, so that characters the filter
// removes never take one of the 12 places; a memo keeps one line of printable bytes.
TEST(StoredText, NamesAreFilteredThenCutAndMemosKeepOneLine) {
    EXPECT_EQ(StoredName("a/b/c/d/e/f/g/h/i/j/k/l/m/n"), "abcdefghijkl");
    EXPECT_EQ(StoredName("Exactly12chr"), "Exactly12chr");
    EXPECT_EQ(StoredMemo("one\r\ntwo\nthree\tfour"), "one  two three four");
    EXPECT_EQ(StoredMemo(std::string("a\0b\x1A\x01", 5) + "c"), "abc");
    EXPECT_EQ(StoredMemo("kick: \"dry\" / \xE9\x81\x40"), "kick: \"dry\" / \xE9\x81\x40");
    EXPECT_EQ(StoredMemo(std::string(1500, 'm')), std::string(kMemoLength, 'm'));
}

// A memo is set as given (the program makes a typed one fit with `StoredMemo` first, the
// command-line tool does not).
TEST_F(CellEdit, MemosAreStoredAsGivenForEachRow) {
    CLumData a;
    PutWave(a, 1);
    PutWave(a, 2);
    ASSERT_TRUE(SetMemos(a, kWaveKind, {0, 1}, 4, "\x1B[0m long memo", Undo()));
    EXPECT_EQ(a.Waves()[0].Memo(4) + a.Waves()[1].Memo(4), "\x1B[0m long memo\x1B[0m long memo");
    EXPECT_EQ(a.Waves()[1].Memo(3), "");
    Undo().Undo();
    EXPECT_EQ(a.Waves()[1].Memo(4), "");
}

TEST_F(CellEdit, AnEditThatCannotApplyChangesNothingAndKeepsTheUndoStep) {
    CLumData a;
    PutPatch(a, 1, 0);
    ASSERT_TRUE(SetNames(a, kPatchKind, {0}, "First", Undo()));
    const ProjectState before(a);
    EXPECT_FALSE(SetNames(a, kPatchKind, {}, "x", Undo()));
    EXPECT_FALSE(SetNames(a, kPatchKind, {0, 512}, "x", Undo()));
    EXPECT_FALSE(SetNames(a, 3, {0}, "x", Undo()));
    EXPECT_FALSE(SetMemos(a, kPatchKind, {0}, 0, "x", Undo()));
    EXPECT_FALSE(SetMemos(a, kPatchKind, {0}, 5, "x", Undo()));
    EXPECT_FALSE(SetMemos(a, kPatchKind, {-1}, 1, "x", Undo()));
    EXPECT_TRUE(before.Matches(a));
    Undo().Undo();
    EXPECT_EQ(a.Patches()[0].Name(), "P1");
}

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
    EXPECT_EQ(Corv::FindHits({&a, &b}, "bass", Corv::KindSet::All()),
              (std::vector<FindHit>{
                  {0, Corv::kPatchKind, 1}, {0, Corv::kToneKind, 6}, {1, Corv::kPatchKind, 0}}));
    EXPECT_TRUE(Corv::FindHits({&a, &b}, "", Corv::KindSet::All()).empty());
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
