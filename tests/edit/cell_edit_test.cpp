#include "edit/cell_edit.h"
#include "list_edit_support.h"

#include <gtest/gtest.h>

namespace {

using namespace Corv;
using namespace CorvTest;

class CellEdit : public EditTest {};

TEST(FilterName, DropsDoubleByteCharactersAndCharactersFilesCannotCarry) {
    struct Case {
        std::string typed;
        std::string stored;
    };
    const Case cases[] = {
        {"a/b:c", "abc"},
        {"\\/*?:\"<>|", ""},
        {"Pad 2 (soft)", "Pad 2 (soft)"},
        {"x\x83\x5Cy", "xy"}, // a trail byte that looks like a backslash goes with it
        {"\x81\x40"
         "A\xE0\x80"
         "B\xFC\xFC",
         "AB"},                                           // lead bytes at both ends of both ranges
        {"\xA0\xB1\xDF\x80\xFD", "\xA0\xB1\xDF\x80\xFD"}, // single-byte characters stay
        {"tail\x9F", "tail"},                             // a lead byte without its second byte
        {std::string("ab\0cd", 5), "abcd"},       // a NUL would end the saved file's name early
        {"\x1A\x1A\x1A\x1A\x1A", ""},             // a code page's substitutes are no letters
        {"Tab\there\r\n\x1F\x7F", "Tabhere\x7F"}, // every byte below 0x20 goes
    };
    for (const Case& c : cases)
        EXPECT_EQ(FilterName(c.typed), c.stored) << c.typed;
}

// In a single-byte code page the bytes of the lead ranges are letters of their own ("\xE9" is
// an accented e): each is removed alone and keeps its neighbour.
TEST(FilterName, SingleByteCodePageRemovesLeadRangeBytesAlone) {
    EXPECT_EQ(FilterName("Caf\xE9 X", false), "Caf X");
    EXPECT_EQ(FilterName("Caf\xE9 X", true), "CafX");
    EXPECT_EQ(FilterName("x\x83\x5Cy", false), "xy"); // the backslash is forbidden anyway
    EXPECT_EQ(FilterName("a\x81:b", false), "ab");
}

// What a typed text is stored as: the filter first, then the cut, so that characters the filter
// removes never take one of the 12 places.
TEST(StoredText, NamesAreFilteredThenCutAndMemosKeepOneLine) {
    EXPECT_EQ(StoredName("a/b/c/d/e/f/g/h/i/j/k/l/m/n"), "abcdefghijkl");
    EXPECT_EQ(StoredName("Exactly12chr"), "Exactly12chr");
    EXPECT_EQ(StoredName(""), "");
    const struct {
        std::string typed;
        std::string stored;
    } memos[] = {
        {"one\r\ntwo\nthree\tfour", "one  two three four"},
        {std::string("a\0b\x1A\x01", 5) + "c", "abc"},
        {"kick: \"dry\" / 120 bpm", "kick: \"dry\" / 120 bpm"}, // a memo is no file name
        {"\xE9\x81\x40", "\xE9\x81\x40"},                       // bytes of any code page stay
    };
    for (const auto& memo : memos)
        EXPECT_EQ(StoredMemo(memo.typed), memo.stored) << memo.typed;
    EXPECT_EQ(StoredMemo(std::string(1500, 'm')), std::string(kMemoLength, 'm'));
}

TEST_F(CellEdit, RenamingSeveralRowsSetsOneNameAndOneUndoTakesItAllBack) {
    CLumData a;
    for (int t = 1; t <= 5; ++t)
        PutTone(a, t, {});
    const ProjectState before(a);
    ASSERT_TRUE(SetNames(a, kToneKind, {1, 3, 4}, "Str/ings:Warm Layer"));
    for (const int t : {2, 4, 5})
        EXPECT_EQ(Name(a, kToneKind, t), "StringsWarm "); // filtered, then cut to 12
    EXPECT_EQ(Name(a, kToneKind, 1), "T1");
    EXPECT_EQ(Domain().m_undo[0].owner, &a);
    EXPECT_TRUE(Domain().m_undo[0].saved[kToneKind]);
    EXPECT_FALSE(Domain().m_undo[0].saved[kPatchKind]);
    EXPECT_FALSE(Domain().m_undo[0].saved[kWaveKind]);

    Domain().Undo();
    EXPECT_TRUE(before.Matches(a));
    Domain().Undo();
    EXPECT_EQ(Name(a, kToneKind, 2), "StringsWarm ");
    EXPECT_EQ(Name(a, kToneKind, 5), "StringsWarm ");
}

TEST_F(CellEdit, MemosAreStoredAsTypedForEachRow) {
    CLumData a;
    PutWave(a, 1);
    PutWave(a, 2);
    ASSERT_TRUE(SetMemos(a, kWaveKind, {0, 1}, 4, "kick: \"dry\" / 120 bpm, very long memo"));
    for (const int w : {0, 1}) {
        EXPECT_EQ(a.Waves()[static_cast<std::size_t>(w)].Memo(4),
                  "kick: \"dry\" / 120 bpm, very long memo");
        EXPECT_EQ(a.Waves()[static_cast<std::size_t>(w)].Memo(1), "");
    }
    EXPECT_TRUE(Domain().m_undo[0].saved[kWaveKind]);
    Domain().Undo();
    EXPECT_EQ(a.Waves()[1].Memo(4), "");
}

// Names are filtered wherever they are set; a memo typed in the program is made fit by
// `StoredMemo` before it is set, while the command-line tool sets its bytes as they are.
TEST_F(CellEdit, ControlBytesNeverReachANameAndReachAMemoOnlyAsGiven) {
    CLumData a;
    PutTone(a, 1, {});
    ASSERT_TRUE(SetNames(a, kToneKind, {0}, "\x1A\x1A\x1A\x1A\x1A"));
    EXPECT_EQ(Name(a, kToneKind, 1), "");
    ASSERT_TRUE(SetMemos(a, kToneKind, {0}, 2, StoredMemo("line\r\nbreak\x1B[0m")));
    EXPECT_EQ(a.Tones()[0].Memo(2), "line  break[0m");
    ASSERT_TRUE(SetMemos(a, kToneKind, {0}, 3, "\x1B[0m"));
    EXPECT_EQ(a.Tones()[0].Memo(3), "\x1B[0m");
}

TEST_F(CellEdit, AnEditThatCannotApplyChangesNothingAndKeepsTheUndoStep) {
    CLumData a;
    PutPatch(a, 1, 0);
    ASSERT_TRUE(SetNames(a, kPatchKind, {0}, "First"));
    const ProjectState before(a);
    EXPECT_FALSE(SetNames(a, kPatchKind, {}, "x"));
    EXPECT_FALSE(SetNames(a, kPatchKind, {0, 512}, "x"));
    EXPECT_FALSE(SetNames(a, 3, {0}, "x"));
    EXPECT_FALSE(SetMemos(a, kPatchKind, {0}, 0, "x"));
    EXPECT_FALSE(SetMemos(a, kPatchKind, {0}, 5, "x"));
    EXPECT_FALSE(SetMemos(a, kPatchKind, {-1}, 1, "x"));
    EXPECT_TRUE(before.Matches(a));
    Domain().Undo();
    EXPECT_EQ(Name(a, kPatchKind, 1), "P1");
}

} // namespace
