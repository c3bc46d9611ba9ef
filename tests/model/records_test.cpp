#include <gtest/gtest.h>

#include <vector>

#include "model/codec.h"
#include "model/parameter.h"

namespace {

using Corv::COsc;
using Corv::CPatch;
using Corv::CPatchTone;
using Corv::CTone;
using Corv::CWave;

TEST(PatchTone, ToneNumberFollowsTheBankCode) {
    struct Case {
        int bank, high, low, expected;
    };
    for (const Case c : {Case{87, 0, 0, 1}, Case{87, 1, 0, 129}, Case{87, 6, 127, 896},
                         Case{87, 127, 127, 16384}, Case{86, 1, 2, 0}, Case{0, 0, 4, 0}}) {
        CPatchTone slot;
        slot.SetP(1, static_cast<std::uint8_t>(c.bank));
        slot.SetP(2, static_cast<std::uint8_t>(c.high));
        slot.SetP(3, static_cast<std::uint8_t>(c.low));
        EXPECT_EQ(slot.ToneNumber(), c.expected) << c.bank << "/" << c.high << "/" << c.low;
    }
}

TEST(PatchTone, SetToneNumberSplitsIntoHighAndLowParts) {
    struct Case {
        int number, high, low;
    };
    for (const Case c : {Case{1, 0, 0}, Case{128, 0, 127}, Case{129, 1, 0}, Case{896, 6, 127}}) {
        CPatchTone slot;
        slot.SetToneNumber(c.number);
        EXPECT_EQ(slot.P(1), 87);
        EXPECT_EQ(slot.P(2), c.high) << c.number;
        EXPECT_EQ(slot.P(3), c.low) << c.number;
        EXPECT_EQ(slot.ToneNumber(), c.number);
    }
}

TEST(PatchTone, ClearingTheReferenceKeepsTheNumberParts) {
    CPatchTone slot;
    slot.SetToneNumber(300);
    slot.ClearToneReference();
    EXPECT_EQ(slot.ToneNumber(), 0);
    EXPECT_EQ(slot.P(2), 2);
    EXPECT_EQ(slot.P(3), 43);
}

TEST(Patch, ReferencedTonesAreSortedWithoutDuplicatesAndMayHoldZero) {
    struct Case {
        int tone0, tone1;
        std::vector<int> expected;
    };
    const Case cases[] = {{5, 5, {5}}, {0, 5, {0, 5}}, {9, 2, {2, 9}}, {0, 0, {0}}};
    for (const Case& c : cases) {
        CPatch patch;
        if (c.tone0 != 0)
            patch.Slot(0).SetToneNumber(c.tone0);
        if (c.tone1 != 0)
            patch.Slot(1).SetToneNumber(c.tone1);
        EXPECT_EQ(patch.ReferencedTones(), c.expected) << c.tone0 << "," << c.tone1;
    }
}

TEST(Patch, SwitchMaskAndResetOfOneSlot) {
    CPatch patch;
    patch.Slot(0).SetP(0, 1);
    patch.Slot(1).SetP(0, 1);
    patch.Slot(1).SetToneNumber(7);
    EXPECT_EQ(patch.ToneSwitchMask(), 3);
    patch.ResetToneSlot(1);
    EXPECT_EQ(patch.ToneSwitchMask(), 1);
    EXPECT_EQ(patch.Slot(1).Params(), std::vector<std::uint8_t>(56, 0));
    EXPECT_EQ(patch.ReferencedTones(), std::vector<int>{0});
}

TEST(Osc, ResetUsesTheResetValuesNotThePackDefaults) {
    COsc osc;
    osc.SetP(1, 0);
    osc.ResetToDefaults();
    ASSERT_EQ(osc.Params().size(), 121u);
    EXPECT_EQ(osc.P(1), 1);
    EXPECT_EQ(osc.P(66), 0);
    EXPECT_EQ(osc.P(118), 0);
    EXPECT_EQ(osc.P(21), 74);
    EXPECT_EQ(osc.WaveSource(0), 0);
    EXPECT_EQ(osc.WaveNumber(0), 0);
}

TEST(Osc, WaveNumberCountsOnlyForWaveSource1) {
    for (int side = 0; side < 2; ++side) {
        const int digits = side == 0 ? 40 : 92;
        const int source = side == 0 ? 18 : 70;
        for (const int waveSource : {0, 1, 2}) {
            COsc osc;
            osc.SetP(source, static_cast<std::uint8_t>(waveSource));
            // High bits above the low four of each digit byte are ignored.
            osc.SetP(digits, 0x10);
            osc.SetP(digits + 1, 3);
            osc.SetP(digits + 2, 0xE7);
            osc.SetP(digits + 3, 9);
            EXPECT_EQ(osc.WaveNumber(side), waveSource == 1 ? 0x0379 : 0)
                << "side " << side << " source " << waveSource;
            EXPECT_EQ(osc.WaveNumber(1 - side), 0);
        }
    }
}

TEST(Osc, SetWaveNumberWritesFourDigitsOnlyForAUserWave) {
    for (int side = 0; side < 2; ++side) {
        const int digits = side == 0 ? 40 : 92;
        COsc user;
        user.SetP(side == 0 ? 18 : 70, 1);
        EXPECT_TRUE(user.SetWaveNumber(side, 999));
        EXPECT_EQ(user.WaveNumber(side), 999);
        EXPECT_EQ(user.P(digits), 0);
        EXPECT_EQ(user.P(digits + 1), 3);
        EXPECT_EQ(user.P(digits + 2), 14);
        EXPECT_EQ(user.P(digits + 3), 7);

        for (const int source : {0, 2}) {
            COsc other;
            other.SetP(side == 0 ? 18 : 70, static_cast<std::uint8_t>(source));
            const COsc before = other;
            EXPECT_FALSE(other.SetWaveNumber(side, 5));
            EXPECT_TRUE(other == before);
        }
    }
}

TEST(Tone, ReferencedWavesCoverAllSixteenOscillatorsAndBothSides) {
    CTone tone;
    EXPECT_EQ(tone.ReferencedWaves(), std::vector<int>{0});
    const int waves[][3] = {{0, 0, 12}, {15, 1, 999}, {7, 1, 12}, {3, 0, 1}};
    for (const auto& w : waves) {
        COsc& osc = tone.Osc(w[0]);
        osc.SetP(w[1] == 0 ? 18 : 70, 1);
        osc.SetWaveNumber(w[1], w[2]);
    }
    EXPECT_EQ(tone.ReferencedWaves(), (std::vector<int>{0, 1, 12, 999}));

    // Every side set: no 0 left in the list.
    CTone full;
    for (int n = 0; n < CTone::kOscCount; ++n)
        for (int side = 0; side < 2; ++side) {
            full.Osc(n).SetP(side == 0 ? 18 : 70, 1);
            full.Osc(n).SetWaveNumber(side, 32 - (2 * n + side));
        }
    std::vector<int> all;
    for (int w = 1; w <= 32; ++w)
        all.push_back(w);
    EXPECT_EQ(full.ReferencedWaves(), all);
}

TEST(Record, SetNameReducesFileNames) {
    struct Case {
        const char* text;
        bool fromFileName;
        const char* expected;
    };
    const Case cases[] = {
        {"Tone/012 Warm Strings Layer.p00", true, "Warm Strings"},
        {"NoSpace.p00", true, "NoSpace"},
        {"C:/Data/Song.prj/Wave/005 Kick.WAV", true, "Kick"},
        {"001 A.B.d00", true, "A.B"},
        {"001 .d00", true, ""},
        {"Warm Strings Layer", false, "Warm Strings"},
        {"Tone/012 Pad.p00", false, "Tone/012 Pad"},
        {"", false, ""},
    };
    for (const Case& c : cases) {
        CWave wave;
        wave.SetName(c.text, c.fromFileName);
        EXPECT_EQ(wave.Name(), c.expected) << c.text;
    }
}

TEST(Record, HasW00ExtensionComparesTheWholeExtensionWithoutCase) {
    struct Case {
        const char* path;
        bool expected;
    };
    const Case cases[] = {{"Wave/001 Kick.W00", true},  {"Wave/001 Kick.w00", true},
                          {"Wave/001 Kick.w01", false}, {"Wave/001 Kick.w000", false},
                          {"Wave/001 Kick.wav", false}, {".w00", true},
                          {"w00", false},               {"", false}};
    for (const Case& c : cases) {
        CWave wave;
        wave.SetFilePath(c.path);
        EXPECT_EQ(wave.HasW00Extension(), c.expected) << c.path;
    }
}

TEST(Record, ClearTextsEmptiesPathNameAndMemos) {
    CTone tone;
    tone.SetFilePath("Tone/001 A.p00");
    tone.SetName("A");
    for (int n = 1; n <= 4; ++n)
        tone.SetMemo(n, "memo");
    tone.AddUser(4);
    tone.ClearTexts();
    EXPECT_TRUE(tone.IsEmpty());
    EXPECT_EQ(tone.Name(), "");
    for (int n = 1; n <= 4; ++n)
        EXPECT_EQ(tone.Memo(n), "");
    EXPECT_EQ(tone.Users(), std::vector<std::int32_t>{4});
}

TEST(UserList, AddRemoveHasAndSort) {
    CWave wave;
    wave.AddUser(3);
    wave.AddUser(3);
    EXPECT_EQ(wave.Users(), std::vector<std::int32_t>{3});
    wave.AddUser(3, true);
    EXPECT_EQ(wave.Users(), (std::vector<std::int32_t>{3, 3}));
    wave.RemoveUser(3);
    EXPECT_EQ(wave.Users(), std::vector<std::int32_t>{3});
    wave.RemoveUser(8);
    EXPECT_EQ(wave.Users(), std::vector<std::int32_t>{3});
    wave.AddUser(1);
    wave.AddUser(0);
    EXPECT_TRUE(wave.HasUser(0));
    EXPECT_FALSE(wave.HasUser(2));
    wave.SortUsers();
    EXPECT_EQ(wave.Users(), (std::vector<std::int32_t>{0, 1, 3}));
    wave.RemoveUser(3);
    wave.RemoveUser(3);
    EXPECT_FALSE(wave.HasUser(3));
}

TEST(Record, CloneIsADeepCopyOfTheSameClass) {
    CTone tone;
    tone.SetFilePath("Tone/001 A.p00");
    tone.SetName("A");
    tone.SetMemo(2, "second");
    tone.Osc(3).SetP(5, 9);
    tone.AddUser(11);
    const auto clone = tone.Clone();
    auto* copy = dynamic_cast<CTone*>(clone.get());
    ASSERT_NE(copy, nullptr);
    EXPECT_TRUE(*copy == tone);
    copy->Osc(3).SetP(5, 10);
    copy->AddUser(12);
    copy->SetMemo(2, "changed");
    EXPECT_EQ(tone.Osc(3).P(5), 9);
    EXPECT_EQ(tone.Users(), std::vector<std::int32_t>{11});
    EXPECT_EQ(tone.Memo(2), "second");

    CPatch patch;
    patch.Slot(1).SetToneNumber(4);
    const auto patchClone = patch.Clone();
    ASSERT_NE(dynamic_cast<CPatch*>(patchClone.get()), nullptr);
    patch.Slot(1).SetToneNumber(5);
    EXPECT_EQ(dynamic_cast<CPatch&>(*patchClone).Slot(1).ToneNumber(), 4);
}

} // namespace
