#include "model/parameter_array.h"
#include "support/project_builder.h"

#include <algorithm>
#include <array>
#include <gtest/gtest.h>
#include <tuple>
#include <vector>

namespace {

using namespace Corv;
using namespace CorvTest;
using Users = std::vector<std::int32_t>;

// Tone number = P2 x 128 + P3 + 1, only with bank code 87; clearing drops only the bank code.
TEST(PatchTone, ToneNumberFollowsTheBankCodeAndSetToneNumberSplitsIt) {
    const int cases[][4] = {{87, 0, 0, 1},     {87, 0, 127, 128},     {87, 1, 0, 129},
                            {87, 6, 127, 896}, {87, 127, 127, 16384}, {86, 1, 2, 0},
                            {0, 0, 4, 0}};
    for (const auto& [bank, high, low, number] : cases) {
        CPatchTone slot, set;
        std::copy_n(std::array{bank, high, low}.begin(), 3, slot.Params().begin() + 1);
        EXPECT_EQ(slot.ToneNumber(), number) << bank << "/" << high << "/" << low;
        if (number < 1 || number > 896)
            continue;
        set.SetToneNumber(number);
        EXPECT_TRUE(set == slot) << number;
        set.ClearToneReference();
        slot.SetP(1, 0);
        EXPECT_TRUE(set == slot) << "clearing changed more than the bank code of " << number;
    }
}

TEST(Patch, ReferencedTonesAreSortedWithoutDuplicatesAndMayHoldZero) {
    using Case = std::tuple<int, int, std::vector<int>>; // slot 0's tone, slot 1's tone, list
    for (const auto& [tone0, tone1, expected] :
         {Case{5, 5, {5}}, Case{0, 5, {0, 5}}, Case{9, 2, {2, 9}}, Case{0, 0, {0}}})
        EXPECT_EQ(MakePatch("", tone0, tone1).ReferencedTones(), expected) << tone0 << "," << tone1;
}

TEST(Patch, SwitchMaskAndResetOfOneSlot) {
    CPatch patch = MakePatch("", 3, 7); // both slots switched on
    EXPECT_EQ(patch.ToneSwitchMask(), 3);
    patch.ResetToneSlot(0);
    EXPECT_EQ(patch.ToneSwitchMask(), 2);
    EXPECT_EQ(patch.Slot(0).Params(), std::vector<std::uint8_t>(56, 0));
    EXPECT_EQ(patch.ReferencedTones(), (std::vector<int>{0, 7}));
}

// Only a side with wave source 1 has a wave number; only the low four bits of each digit count.
TEST(Osc, WaveNumberIsReadAndWrittenOnlyForWaveSource1) {
    const std::vector<int> stored = {0x10, 3, 0xE7, 9}, digitsOf999 = {0, 3, 14, 7};
    for (int side = 0; side < 2; ++side)
        for (const std::uint8_t source : {0, 1, 2}) {
            COsc osc;
            osc.SetP(side == 0 ? 18 : 70, source);
            const auto digits = osc.Params().begin() + (side == 0 ? 40 : 92);
            std::copy(stored.begin(), stored.end(), digits);
            EXPECT_EQ(osc.WaveNumber(side), source == 1 ? 0x0379 : 0) << side << " " << int{source};
            EXPECT_EQ(osc.WaveNumber(1 - side), 0);
            EXPECT_EQ(osc.SetWaveNumber(side, 999), source == 1);
            EXPECT_EQ(std::vector<int>(digits, digits + 4), source == 1 ? digitsOf999 : stored);
        }
}

TEST(Tone, ReferencedWavesCoverAllSixteenOscillatorsAndBothSides) {
    std::vector<int> sides(32, 0); // osc 0 side 0, osc 0 side 1, osc 1 side 0, ...
    EXPECT_EQ(MakeTone("", sides).ReferencedWaves(), std::vector<int>{0});
    sides[0] = sides[15] = 12;
    sides[31] = 999;
    sides[6] = 1;
    EXPECT_EQ(MakeTone("", sides).ReferencedWaves(), (std::vector<int>{0, 1, 12, 999}));
    std::vector<int> all;
    for (int w = 1; w <= 32; ++w) {
        sides[static_cast<std::size_t>(32 - w)] = w;
        all.push_back(w);
    }
    EXPECT_EQ(MakeTone("", sides).ReferencedWaves(), all); // every side set: no 0
}

TEST(Record, SetNameReducesFileNames) {
    using Case = std::tuple<const char*, bool, const char*>; // text, from a file name, name
    for (const auto& [text, fromFileName, expected] :
         {Case{"Tone/012 Warm Strings Layer.p00", true, "Warm Strings"},
          Case{"NoSpace.p00", true, "NoSpace"},
          Case{"C:/Data/Song.prj/Wave/005 Kick.WAV", true, "Kick"},
          Case{"001 A.B.d00", true, "A.B"}, Case{"001 .d00", true, ""},
          Case{"Warm Strings Layer", false, "Warm Strings"},
          Case{"Tone/012 Pad.p00", false, "Tone/012 Pad"}}) {
        CWave wave;
        wave.SetName(text, fromFileName);
        EXPECT_EQ(wave.Name(), expected) << text;
    }
}

TEST(Record, HasW00ExtensionComparesTheWholeExtensionWithoutCase) {
    for (const char* path : {"Wave/001 Kick.W00", "Wave/001 Kick.w00", ".w00"})
        EXPECT_TRUE(MakeWave("", path).HasW00Extension()) << path;
    for (const char* path :
         {"Wave/001 Kick.w01", "Wave/001 Kick.w000", "Wave/001 Kick.wav", "w00", ""})
        EXPECT_FALSE(MakeWave("", path).HasW00Extension()) << path;
}

// A memo keeps what a memo file can give back: one line of at most 1023 characters.
TEST(Record, SetMemoKeepsOneLineOfAtMost1023Characters) {
    const std::string long1023(1023, 'm');
    const std::pair<std::string, std::string> cases[] = {
        {"", ""},
        {long1023, long1023},
        {long1023 + "cut", long1023},
        {"a\r\nb\nc\rd", "a  b c d"},
        {std::string(1022, 'x') + "\n\n", std::string(1022, 'x') + " "},
        {std::string("nul\0and \xE9", 9), std::string("nul\0and \xE9", 9)}};
    for (const auto& [given, kept] : cases) {
        CWave wave;
        wave.SetMemo(3, given);
        EXPECT_EQ(wave.Memo(3), kept) << given.size();
        EXPECT_EQ(wave.Memo(1), "");
    }
}

TEST(Record, ClearTextsEmptiesPathNameAndMemosOnly) {
    CTone tone = MakeTone("A", {1}), expected = MakeTone("", {1});
    tone.SetFilePath("Tone/001 A.p00");
    tone.SetMemo(4, "memo");
    tone.AddUser(4);
    expected.AddUser(4);
    tone.ClearTexts();
    EXPECT_TRUE(tone == expected);
}

TEST(UserList, AddRemoveHasAndSort) {
    CWave wave;
    for (const bool allowDuplicate : {false, false, true})
        wave.AddUser(3, allowDuplicate);
    EXPECT_EQ(wave.Users(), (Users{3, 3}));
    wave.RemoveUser(3);
    wave.RemoveUser(8);
    EXPECT_EQ(wave.Users(), Users{3});
    wave.AddUser(1);
    wave.AddUser(0);
    EXPECT_TRUE(wave.HasUser(0) && !wave.HasUser(2));
    wave.SortUsers();
    EXPECT_EQ(wave.Users(), (Users{0, 1, 3}));
}

TEST(Record, CloneIsADeepCopyOfTheSameClass) {
    CTone tone = MakeTone("A", {5});
    tone.SetMemo(2, "memo");
    tone.AddUser(11);
    const CTone original = tone;
    const auto clone = tone.Clone();
    auto* copy = dynamic_cast<CTone*>(clone.get());
    ASSERT_TRUE(copy != nullptr && *copy == tone);
    copy->Osc(0).SetWaveNumber(0, 6);
    copy->AddUser(12);
    copy->SetMemo(2, "changed");
    EXPECT_TRUE(tone == original);
    EXPECT_NE(dynamic_cast<CPatch*>(MakePatch("", 4).Clone().get()), nullptr);
    EXPECT_NE(dynamic_cast<CWave*>(CWave().Clone().get()), nullptr);
}

CWaveArray Waves(std::initializer_list<const char*> names) {
    CWaveArray array;
    for (const char* name : names)
        array.Append(std::make_unique<CWave>(MakeWave(name, name)));
    return array;
}

TEST(ParameterArray, CopyAndAssignmentCloneEveryElement) {
    const CWaveArray source = Waves({"a", "b"});
    CWaveArray copy(source);
    CWaveArray assigned = Waves({"1", "2", "3"});
    assigned = source;
    for (CWaveArray* array : {&copy, &assigned}) {
        ASSERT_TRUE(*array == source);
        (*array)[1].SetName("changed");
        (*array)[1].AddUser(40);
    }
    EXPECT_TRUE(source == Waves({"a", "b"}));
    CWaveArray& alias = assigned;
    assigned = alias; // keeps it as it is
    EXPECT_TRUE(assigned == copy);
}

TEST(ParameterArray, ResizeShrinksFromTheEndAndGrowsWithDefaultRecords) {
    CWaveArray array = Waves({"a", "b", "c"});
    array.Resize(1);
    EXPECT_TRUE(array == Waves({"a"}));
    array.Resize(3);
    EXPECT_TRUE(array[0] == Waves({"a"})[0] && array[1] == CWave() && array[2] == CWave());
    CToneArray tones;
    tones.Resize(2);
    EXPECT_TRUE(tones[1] == CTone());
}

// The names of an array's records, a default record showing as "".
std::vector<std::string> Names(const CWaveArray& array) {
    std::vector<std::string> names;
    for (std::size_t i = 0; i < array.Size(); ++i)
        names.push_back(array[i].Name());
    return names;
}

TEST(ParameterArray, AssignmentLeavesNothingOfWhatTheTargetHeld) {
    CToneArray source;
    for (const int wave : {1, 2, 3}) {
        source.Append(std::make_unique<CTone>(MakeTone("T" + std::to_string(wave), {wave})));
        source[source.Size() - 1].AddUser(wave);
    }
    source[1].SetMemo(3, "memo");
    for (const std::size_t held : {0, 1, 3, 5}) {
        CToneArray target;
        for (std::size_t i = 0; i < held; ++i) {
            target.Append(std::make_unique<CTone>(MakeTone("old", {9, 9, 9})));
            target[i].AddUser(77);
            target[i].SetMemo(1, "old memo");
        }
        target = source;
        EXPECT_TRUE(target == source) << held << " records held";
        target[0].Osc(0).SetWaveNumber(0, 6);
        target[1].AddUser(4);
        EXPECT_EQ(source[0].Osc(0).WaveNumber(0), 1);
        EXPECT_EQ(source[1].Users(), Users{2});
    }
}

// Inserting copies keeps the array's records in order around the block and cuts or fills it
// to the size asked for, whether the records pushed off the end are reused or not.
TEST(ParameterArray, InsertCopiesIsInsertingEachCopyThenResizing) {
    const CWaveArray from = Waves({"X", "Y", "Z"});
    const struct {
        std::size_t at, count, size;
        std::vector<const char*> held;
    } cases[] = {{0, 2, 5, {"a", "b", "c", "d", "e"}}, {3, 2, 5, {"a", "b", "c", "d", "e"}},
                 {1, 0, 5, {"a", "b", "c", "d", "e"}}, {0, 3, 3, {"a", "b", "c"}},
                 {1, 2, 5, {"a", "b", "c"}},           {2, 2, 5, {"a", "b", "c", "d", "e", "f"}},
                 {4, 2, 5, {"a", "b", "c", "d", "e"}}, {1, 3, 2, {"a", "b", "c"}}};
    for (const auto& c : cases) {
        CWaveArray array;
        std::vector<std::string> expected;
        for (const char* name : c.held) {
            array.Append(std::make_unique<CWave>(MakeWave(name, name)));
            expected.push_back(name);
        }
        for (std::size_t k = 0; k < c.count; ++k)
            expected.insert(expected.begin() + static_cast<std::ptrdiff_t>(c.at + k),
                            from[k].Name());
        expected.resize(c.size);
        array.InsertCopies(c.at, from, c.count, c.size);
        EXPECT_EQ(Names(array), expected) << c.held.size() << " held, at " << c.at;
        if (c.count > 0 && c.at < c.size)
            array[c.at].SetName("changed");
        EXPECT_TRUE(from == Waves({"X", "Y", "Z"}));
    }
}

TEST(ParameterArray, AppendCopyUsesSparesWithoutKeepingTheirContent) {
    CWaveArray spares = Waves({"s1", "s2"});
    spares[1].AddUser(5);
    spares[1].SetMemo(1, "old");
    CWaveArray array;
    for (const char* name : {"a", "b", "c"})
        array.AppendCopy(MakeWave(name, name), spares);
    EXPECT_TRUE(array == Waves({"a", "b", "c"})) << "a spare's users or memos were kept";
    EXPECT_EQ(spares.Size(), 0u);
    array.MoveAllTo(spares);
    EXPECT_EQ(array.Size(), 0u);
    EXPECT_EQ(spares.Size(), 3u);
}

} // namespace
