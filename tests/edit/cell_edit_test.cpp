#include "edit/cell_edit.h"
#include "list_edit_support.h"

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
    ASSERT_TRUE(SetMemos(a, kWaveKind, {0, 1}, 4, "\x1B[0m long memo"));
    EXPECT_EQ(a.Waves()[0].Memo(4) + a.Waves()[1].Memo(4), "\x1B[0m long memo\x1B[0m long memo");
    EXPECT_EQ(a.Waves()[1].Memo(3), "");
    Domain().Undo();
    EXPECT_EQ(a.Waves()[1].Memo(4), "");
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
    EXPECT_EQ(a.Patches()[0].Name(), "P1");
}

} // namespace
