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

} // namespace
