#include "edit/clean.h"
#include "storage/domain.h"
#include "support/project_builder.h"

#include <gtest/gtest.h>
#include <sstream>

namespace {

using Corv::CLumData;

// The four options as bits: 1 keep waves, 2 keep tones, 4 keep tone numbers, 8 keep patch
// numbers.
Corv::CleanOptions Options(int bits) {
    return {(bits & 1) != 0, (bits & 2) != 0, (bits & 4) != 0, (bits & 8) != 0};
}

// Records placed straight into the arrays, with file paths so that their slots count as used.
void PutPatch(CLumData& data, int number, const std::string& name, int tone0, int tone1 = 0) {
    Corv::CPatch patch = CorvTest::MakePatch(name, tone0, tone1);
    patch.SetFilePath("Patch/" + name + ".d00");
    data.Patches().PlaceClone(static_cast<std::size_t>(number - 1), patch);
}
void PutTone(CLumData& data, int number, const std::string& name, const std::vector<int>& waves) {
    Corv::CTone tone = CorvTest::MakeTone(name, waves);
    tone.SetFilePath("Tone/" + name + ".p00");
    data.Tones().PlaceClone(static_cast<std::size_t>(number - 1), tone);
}
void PutWave(CLumData& data, int number, const std::string& name, const char* extension) {
    data.Waves().PlaceClone(static_cast<std::size_t>(number - 1),
                            CorvTest::MakeWave(name, "Wave/" + name + extension));
}
void LinkUsers(CLumData& data) {
    data.RebuildToneUsers();
    data.RebuildWaveUsers();
}

// The used slots in one line: "P<n> <name> <tone0>/<tone1>; T<n> <name> w<waves> u<users>;
// W<n> <name> u<users>", lists comma-separated.
std::string Describe(const CLumData& data) {
    const auto list = [](const auto& values) {
        std::string text;
        for (const int value : values)
            text += (text.empty() ? "" : ",") + std::to_string(value);
        return text;
    };
    std::ostringstream out;
    for (std::size_t p = 0; p < data.Patches().Size(); ++p)
        if (const Corv::CPatch& patch = data.Patches()[p]; !patch.IsEmpty())
            out << "P" << p + 1 << " " << patch.Name() << " " << patch.Slot(0).ToneNumber() << "/"
                << patch.Slot(1).ToneNumber() << "; ";
    for (std::size_t t = 0; t < data.Tones().Size(); ++t) {
        std::vector<int> waves = data.Tones()[t].ReferencedWaves();
        std::erase(waves, 0);
        if (!data.Tones()[t].IsEmpty())
            out << "T" << t + 1 << " " << data.Tones()[t].Name() << " w" << list(waves) << " u"
                << list(data.Tones()[t].Users()) << "; ";
    }
    for (std::size_t w = 0; w < data.Waves().Size(); ++w)
        if (const Corv::CWave& wave = data.Waves()[w]; !wave.IsEmpty())
            out << "W" << w + 1 << " " << wave.Name() << " u" << list(wave.Users()) << "; ";
    return out.str();
}

// Every array at full size and every user list just what loading builds from the references.
void ExpectSound(CLumData& data) {
    EXPECT_EQ(data.Patches().Size() + data.Tones().Size() + data.Waves().Size(), 512u + 896 + 999);
    const std::string before = Describe(data);
    LinkUsers(data);
    EXPECT_EQ(Describe(data), before);
}

struct CleanTest : ::testing::Test {
    void SetUp() override { Corv::CDomain::Reset(); }
};

// Used and unused tones, waves used only by an unused tone, unused instrument (".w00") and
// imported (".wav") waves, and gaps in every list.
void BuildMixedProject(CLumData& data) {
    PutPatch(data, 2, "PA", 4);
    PutPatch(data, 4, "PB", 2, 4);
    PutTone(data, 2, "TA", {3});
    PutTone(data, 4, "TB", {3, 6});
    PutTone(data, 5, "TU", {5, 8});
    const std::tuple<int, const char*, const char*> waves[] = {
        {3, "WA", ".w00"}, {5, "WU", ".w00"}, {6, "WB", ".wav"},
        {8, "WI", ".wav"}, {9, "WX", ".w00"}, {10, "WY", ".WAV"}};
    for (const auto& [number, name, extension] : waves)
        PutWave(data, number, name, extension);
    LinkUsers(data);
}

TEST_F(CleanTest, KeepsWhatTheOptionsSay) {
    const std::pair<int, const char*> cases[] = {
        // The waves used only by the dropped tone TU go in the same run.
        {0, "P1 PA 2/0; P2 PB 1/2; T1 TA w1 u1; T2 TB w1,2 u0,1; W1 WA u0,1; W2 WB u1; "},
        // Unused imported waves stay and move up over the gaps; unused ".w00" waves go.
        {1, "P1 PA 2/0; P2 PB 1/2; T1 TA w1 u1; T2 TB w1,2 u0,1; W1 WA u0,1; W2 WB u1; W3 WI u; "
            "W4 WY u; "},
        {2, "P1 PA 2/0; P2 PB 1/2; T1 TA w1 u1; T2 TB w1,3 u0,1; T3 TU w2,4 u; W1 WA u0,1; "
            "W2 WU u2; W3 WB u1; W4 WI u2; "},
        // The unused tone's slot becomes empty; the other tones keep their numbers.
        {4, "P1 PA 4/0; P2 PB 2/4; T2 TA w1 u1; T4 TB w1,2 u0,1; W1 WA u1,3; W2 WB u3; "},
        {8, "P2 PA 2/0; P4 PB 1/2; T1 TA w1 u3; T2 TB w1,2 u1,3; W1 WA u0,1; W2 WB u1; "}};
    for (const auto& [bits, expected] : cases) {
        SCOPED_TRACE(bits);
        CLumData data;
        BuildMixedProject(data);
        Corv::Clean(data, Options(bits));
        EXPECT_EQ(Describe(data), expected);
        ExpectSound(data);
    }
}

// A tone slot that points at an empty tone, or past the tone array, is reset as a whole; a side
// that points at an empty wave, or past the wave array, loses only its number.
TEST_F(CleanTest, ResetsDanglingReferencesEvenWithEveryOptionOn) {
    for (const int badTone : {9, 897, 16384}) {
        SCOPED_TRACE(badTone);
        CLumData data;
        PutPatch(data, 1, "Patch", badTone, 2);
        data.Patches()[0].Slot(0).SetP(5, 77);
        PutTone(data, 2, "Tone", {1, 0, 1000, 65535, 7});
        PutWave(data, 1, "Wave", ".w00");
        LinkUsers(data);
        Corv::Clean(data, Options(15));
        EXPECT_TRUE(data.Patches()[0].Slot(0) == Corv::CPatchTone());
        EXPECT_EQ(Describe(data), "P1 Patch 0/2; T2 Tone w1 u0; W1 Wave u1; ");
        EXPECT_EQ(data.Tones()[1].Osc(1).WaveSource(0), 1) << "only the number is dropped";
    }
}

TEST_F(CleanTest, UndoRightAfterCleanBringsBackTheExactLists) {
    CLumData data;
    BuildMixedProject(data);
    PutTone(data, 20, "Stale", {1}); // refers to an empty wave
    const std::string before = Describe(data);
    Corv::CleanProject(data);
    const std::string cleaned = Describe(data);
    ASSERT_NE(cleaned, before);
    Corv::CDomain::Get().Undo();
    EXPECT_EQ(Describe(data), before);
    Corv::CDomain::Get().Undo();
    EXPECT_EQ(Describe(data), cleaned);
}

} // namespace
