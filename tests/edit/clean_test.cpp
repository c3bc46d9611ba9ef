#include "edit/clean.h"
#include "edit/domain.h"
#include "support/project_builder.h"

#include <gtest/gtest.h>
#include <map>
#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <vector>

namespace {

using Corv::CLumData;

struct Options {
    int wave = 0;
    int tone = 0;
    int tnum = 0;
    int pnum = 0;
};

void SetOptions(const Options& options) {
    Corv::CDomain& domain = Corv::CDomain::Get();
    domain.m_waveOption = static_cast<std::uint32_t>(options.wave);
    domain.m_toneOption = static_cast<std::uint32_t>(options.tone);
    domain.m_tnumOption = static_cast<std::uint32_t>(options.tnum);
    domain.m_pnumOption = static_cast<std::uint32_t>(options.pnum);
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

void PutWave(CLumData& data, int number, const std::string& name,
             const std::string& extension = ".w00") {
    data.Waves().PlaceClone(static_cast<std::size_t>(number - 1),
                            CorvTest::MakeWave(name, "Wave/" + name + extension));
}

// Back references as loading builds them.
void LinkUsers(CLumData& data) {
    data.RebuildToneUsers();
    data.RebuildWaveUsers();
}

// Comma-separated; zeros (no reference) are left out when `skipZero`.
template <class T> std::string Joined(const std::vector<T>& values, bool skipZero) {
    std::string text;
    for (const T value : values)
        if (value != 0 || !skipZero)
            text += (text.empty() ? "" : ",") + std::to_string(value);
    return text;
}

// The used slots of a project in one line: "P<n> <name> <tone0>/<tone1>; T<n> <name> w<waves>
// u<patch users>; W<n> <name> u<tone users>".
std::string Describe(const CLumData& data) {
    std::ostringstream out;
    const char* separator = "";
    for (std::size_t p = 0; p < data.Patches().Size(); ++p) {
        const Corv::CPatch& patch = data.Patches()[p];
        if (patch.IsEmpty())
            continue;
        out << separator << "P" << p + 1 << " " << patch.Name() << " " << patch.Slot(0).ToneNumber()
            << "/" << patch.Slot(1).ToneNumber();
        separator = "; ";
    }
    for (std::size_t t = 0; t < data.Tones().Size(); ++t) {
        const Corv::CTone& tone = data.Tones()[t];
        if (!tone.IsEmpty())
            out << separator << "T" << t + 1 << " " << tone.Name() << " w"
                << Joined(tone.ReferencedWaves(), true) << " u" << Joined(tone.Users(), false);
    }
    for (std::size_t w = 0; w < data.Waves().Size(); ++w) {
        const Corv::CWave& wave = data.Waves()[w];
        if (!wave.IsEmpty())
            out << separator << "W" << w + 1 << " " << wave.Name() << " u"
                << Joined(wave.Users(), false);
    }
    return out.str();
}

// Every array at full size and every user list just what loading builds from the references.
void ExpectSound(CLumData& data) {
    ASSERT_EQ(data.Patches().Size(), 512u);
    ASSERT_EQ(data.Tones().Size(), 896u);
    ASSERT_EQ(data.Waves().Size(), 999u);
    const Corv::CToneArray tones = data.Tones();
    const Corv::CWaveArray waves = data.Waves();
    data.RebuildToneUsers();
    data.RebuildWaveUsers();
    EXPECT_TRUE(data.Tones() == tones);
    EXPECT_TRUE(data.Waves() == waves);
}

class CleanTest : public ::testing::Test {
protected:
    void SetUp() override {
        Corv::CDomain::Reset();
        m_data = std::make_unique<CLumData>();
    }
    void TearDown() override { m_data.reset(); }

    CLumData& Data() { return *m_data; }

private:
    std::unique_ptr<CLumData> m_data;
};

TEST_F(CleanTest, CompactsPatchesTonesAndWavesWithoutOptions) {
    PutPatch(Data(), 1, "First", 0);
    PutPatch(Data(), 5, "Fifth", 3);
    PutTone(Data(), 3, "Used", {2});
    PutTone(Data(), 7, "Unused", {});
    PutWave(Data(), 2, "Wave");
    LinkUsers(Data());

    Corv::Clean(Data());

    EXPECT_EQ(Describe(Data()), "P1 First 0/0; P2 Fifth 1/0; T1 Used w1 u1; W1 Wave u0");
    ExpectSound(Data());
}

// One project with a little of everything: used and unused tones, waves used only by an unused
// tone, unused instrument (".w00") and imported (".wav") waves, and gaps in every list.
void BuildMixedProject(CLumData& data) {
    PutPatch(data, 2, "PA", 4);
    PutPatch(data, 4, "PB", 2, 4);
    PutTone(data, 2, "TA", {3});
    PutTone(data, 4, "TB", {3, 6});
    PutTone(data, 5, "TU", {5, 8});
    PutWave(data, 3, "WA");
    PutWave(data, 5, "WU");
    PutWave(data, 6, "WB", ".wav");
    PutWave(data, 8, "WI", ".wav");
    PutWave(data, 9, "WX");
    PutWave(data, 10, "WY", ".WAV");
    LinkUsers(data);
}

struct OptionCase {
    const char* label;
    Options options;
    const char* expected;
};

void PrintTo(const OptionCase& c, std::ostream* out) {
    *out << c.label;
}

class CleanOptionsTest : public CleanTest, public ::testing::WithParamInterface<OptionCase> {};

TEST_P(CleanOptionsTest, KeepsWhatTheOptionsSay) {
    BuildMixedProject(Data());
    SetOptions(GetParam().options);

    Corv::Clean(Data());

    EXPECT_EQ(Describe(Data()), GetParam().expected);
    ExpectSound(Data());
}

INSTANTIATE_TEST_SUITE_P(
    Options, CleanOptionsTest,
    ::testing::Values(
        // The waves used only by the dropped tone TU go in the same run.
        OptionCase{"None",
                   {0, 0, 0, 0},
                   "P1 PA 2/0; P2 PB 1/2; T1 TA w1 u1; T2 TB w1,2 u0,1; W1 WA u0,1; W2 WB u1"},
        // Unused imported waves stay and move up over the gaps; unused ".w00" waves go.
        OptionCase{"KeepWaves",
                   {1, 0, 0, 0},
                   "P1 PA 2/0; P2 PB 1/2; T1 TA w1 u1; T2 TB w1,2 u0,1; W1 WA u0,1; W2 WB u1; "
                   "W3 WI u; W4 WY u"},
        OptionCase{"KeepTones",
                   {0, 1, 0, 0},
                   "P1 PA 2/0; P2 PB 1/2; T1 TA w1 u1; T2 TB w1,3 u0,1; T3 TU w2,4 u; W1 WA u0,1; "
                   "W2 WU u2; W3 WB u1; W4 WI u2"},
        // The unused tone's slot becomes empty; the other tones keep their numbers.
        OptionCase{"KeepToneNumbers",
                   {0, 0, 1, 0},
                   "P1 PA 4/0; P2 PB 2/4; T2 TA w1 u1; T4 TB w1,2 u0,1; W1 WA u1,3; W2 WB u3"},
        OptionCase{"KeepPatchNumbers",
                   {0, 0, 0, 1},
                   "P2 PA 2/0; P4 PB 1/2; T1 TA w1 u3; T2 TB w1,2 u1,3; W1 WA u0,1; W2 WB u1"},
        OptionCase{"KeepTonesAndToneNumbers",
                   {0, 1, 1, 0},
                   "P1 PA 4/0; P2 PB 2/4; T2 TA w1 u1; T4 TB w1,3 u0,1; T5 TU w2,4 u; W1 WA u1,3; "
                   "W2 WU u4; W3 WB u3; W4 WI u4"},
        OptionCase{"KeepWavesDropTones",
                   {1, 0, 1, 1},
                   "P2 PA 4/0; P4 PB 2/4; T2 TA w1 u3; T4 TB w1,2 u1,3; W1 WA u1,3; W2 WB u3; "
                   "W3 WI u; W4 WY u"},
        OptionCase{"All",
                   {1, 1, 1, 1},
                   "P2 PA 4/0; P4 PB 2/4; T2 TA w1 u3; T4 TB w1,3 u1,3; T5 TU w2,4 u; W1 WA u1,3; "
                   "W2 WU u4; W3 WB u3; W4 WI u4; W5 WY u"}),
    [](const ::testing::TestParamInfo<OptionCase>& testInfo) {
        return std::string(testInfo.param.label);
    });

// A tone slot that points at an empty tone, or past the tone array, is reset as a whole; a side
// that points at an empty wave, or past the wave array, loses only its number.
TEST_F(CleanTest, ResetsDanglingReferencesEvenWithEveryOptionOn) {
    SetOptions({1, 1, 1, 1});
    for (const int badTone : {9, 897, 16384}) {
        SCOPED_TRACE(badTone);
        CLumData data;
        PutPatch(data, 1, "Patch", badTone, 2);
        data.Patches()[0].Slot(0).SetP(5, 77);
        PutTone(data, 2, "Tone", {1, 0, 1000, 65535, 7});
        data.Tones()[1].Osc(1).SetP(20, 33);
        PutWave(data, 1, "Wave");
        LinkUsers(data);

        Corv::Clean(data);

        const Corv::CPatch& patch = data.Patches()[0];
        EXPECT_TRUE(patch.Slot(0) == Corv::CPatchTone());
        EXPECT_EQ(patch.Slot(1).ToneNumber(), 2);
        const Corv::CTone& tone = data.Tones()[1];
        EXPECT_EQ(tone.Osc(0).WaveNumber(0), 1);
        EXPECT_EQ(tone.Osc(1).WaveNumber(0), 0);
        EXPECT_EQ(tone.Osc(1).WaveNumber(1), 0);
        EXPECT_EQ(tone.Osc(1).WaveSource(0), 1) << "only the number is dropped";
        EXPECT_EQ(tone.Osc(1).P(20), 33);
        EXPECT_EQ(tone.Osc(2).WaveNumber(0), 0);
        ExpectSound(data);
    }
}

TEST_F(CleanTest, UndoRightAfterCleanBringsBackTheExactLists) {
    BuildMixedProject(Data());
    PutTone(Data(), 20, "Stale", {1}); // refers to an empty wave
    const Corv::CPatchArray patches = Data().Patches();
    const Corv::CToneArray tones = Data().Tones();
    const Corv::CWaveArray waves = Data().Waves();
    CLumData other;
    Corv::CDomain& domain = Corv::CDomain::Get();
    domain.RecordUndo(Corv::kUndoAllKinds, other);
    domain.RecordUndo(Corv::kPatchKind, other);

    Corv::CleanProject(Data());
    const std::string cleaned = Describe(Data());
    ASSERT_FALSE(Data().Tones() == tones);
    EXPECT_EQ(domain.m_undo[0].owner, &Data());
    EXPECT_EQ(domain.m_undo[1].owner, nullptr) << "the earlier step is discarded";

    domain.Undo();
    EXPECT_TRUE(Data().Patches() == patches);
    EXPECT_TRUE(Data().Tones() == tones);
    EXPECT_TRUE(Data().Waves() == waves);

    domain.Undo();
    EXPECT_EQ(Describe(Data()), cleaned);
}

// --- Whole projects with random references.

// What a patch or tone refers to, by the names of the records it reaches.
struct Content {
    std::map<std::string, std::vector<std::string>> patchTones;
    std::map<std::string, std::vector<std::string>> toneWaves;
};

std::string NameAt(const Corv::CParameterArray& records, int number) {
    if (number == 0)
        return "-";
    if (number < 0 || static_cast<std::size_t>(number) > records.Size())
        return "?";
    const Corv::CParameter& record = records.Item(static_cast<std::size_t>(number - 1));
    return record.IsEmpty() ? "?" : record.Name();
}

Content ContentOf(const CLumData& data) {
    Content content;
    for (std::size_t p = 0; p < data.Patches().Size(); ++p) {
        const Corv::CPatch& patch = data.Patches()[p];
        if (patch.IsEmpty())
            continue;
        for (int slot = 0; slot < 2; ++slot)
            content.patchTones[patch.Name()].push_back(
                NameAt(data.Tones(), patch.Slot(slot).ToneNumber()));
    }
    for (std::size_t t = 0; t < data.Tones().Size(); ++t) {
        const Corv::CTone& tone = data.Tones()[t];
        if (tone.IsEmpty())
            continue;
        for (int osc = 0; osc < Corv::CTone::kOscCount; ++osc)
            for (int side = 0; side < 2; ++side)
                content.toneWaves[tone.Name()].push_back(
                    NameAt(data.Waves(), tone.Osc(osc).WaveNumber(side)));
    }
    return content;
}

// `fill` of the slots used, references only to used slots.
void BuildRandomProject(CLumData& data, std::mt19937& random, double fill) {
    std::bernoulli_distribution used(fill);
    std::vector<int> tones, waves;
    for (int w = 1; w <= 999; ++w)
        if (used(random)) {
            PutWave(data, w, "w" + std::to_string(w), w % 3 == 0 ? ".wav" : ".w00");
            waves.push_back(w);
        }
    const auto pick = [&random](const std::vector<int>& from) {
        if (from.empty())
            return 0;
        const int choice =
            std::uniform_int_distribution<int>(-1, static_cast<int>(from.size()) - 1)(random);
        return choice < 0 ? 0 : from[static_cast<std::size_t>(choice)];
    };
    for (int t = 1; t <= 896; ++t)
        if (used(random)) {
            std::vector<int> sides(32);
            for (int& side : sides)
                side = pick(waves);
            PutTone(data, t, "t" + std::to_string(t), sides);
            tones.push_back(t);
        }
    for (int p = 1; p <= 512; ++p)
        if (used(random))
            PutPatch(data, p, "p" + std::to_string(p), pick(tones), pick(tones));
    LinkUsers(data);
}

// Unused records are gone unless kept by an option, and kept numbers are the old ones (the
// random projects name every record after its slot number).
void ExpectKeptAsOptionsSay(const CLumData& data, const Options& options) {
    for (std::size_t p = 0; p < 512; ++p)
        if (options.pnum == 1 && !data.Patches()[p].IsEmpty()) {
            EXPECT_EQ(data.Patches()[p].Name(), "p" + std::to_string(p + 1));
        }
    for (std::size_t t = 0; t < 896; ++t) {
        const Corv::CTone& tone = data.Tones()[t];
        if (tone.IsEmpty())
            continue;
        if (options.tone == 0) {
            EXPECT_FALSE(tone.Users().empty()) << tone.Name();
        }
        if (options.tnum == 1) {
            EXPECT_EQ(tone.Name(), "t" + std::to_string(t + 1));
        }
    }
    for (std::size_t w = 0; w < 999; ++w) {
        const Corv::CWave& wave = data.Waves()[w];
        if (!wave.IsEmpty() && (options.wave == 0 || wave.HasW00Extension())) {
            EXPECT_FALSE(wave.Users().empty()) << wave.Name();
        }
    }
    EXPECT_EQ(data.UsedExtent(Corv::kWaveKind), 999 - data.CountEmpty(Corv::kWaveKind))
        << "waves close up";
}

TEST_F(CleanTest, EveryUsedReferenceKeepsItsContentUnderEveryOptionSet) {
    std::mt19937 random(20240611);
    for (int bits = 0; bits < 16; ++bits) {
        const Options options{bits & 1, (bits >> 1) & 1, (bits >> 2) & 1, (bits >> 3) & 1};
        SCOPED_TRACE(bits);
        SetOptions(options);
        CLumData data;
        BuildRandomProject(data, random, bits == 0 ? 1.0 : 0.6);
        const Content before = ContentOf(data);
        const int patchesBefore = 512 - data.CountEmpty(Corv::kPatchKind);

        Corv::Clean(data);

        ExpectSound(data);
        const Content after = ContentOf(data);
        EXPECT_EQ(after.patchTones, before.patchTones);
        EXPECT_EQ(512 - data.CountEmpty(Corv::kPatchKind), patchesBefore);
        if (options.pnum == 0) {
            EXPECT_EQ(data.UsedExtent(Corv::kPatchKind), patchesBefore) << "patches close up";
        }
        for (const auto& [tone, waves] : after.toneWaves) {
            ASSERT_EQ(before.toneWaves.count(tone), 1u) << tone;
            EXPECT_EQ(waves, before.toneWaves.at(tone)) << tone;
        }
        if (options.tone == 1) {
            EXPECT_EQ(after.toneWaves.size(), before.toneWaves.size());
        }
        ExpectKeptAsOptionsSay(data, options);

        // A second run finds nothing left to do.
        const Corv::CPatchArray patches = data.Patches();
        const Corv::CToneArray tones = data.Tones();
        const Corv::CWaveArray waves = data.Waves();
        Corv::Clean(data);
        EXPECT_TRUE(data.Patches() == patches);
        EXPECT_TRUE(data.Tones() == tones);
        EXPECT_TRUE(data.Waves() == waves);
    }
}

} // namespace
