#include "edit/clean.h"
#include "storage/domain.h"
#include "support/project_builder.h"

#include <gtest/gtest.h>
#include <map>
#include <random>
#include <sstream>

namespace {

using Corv::CLumData;

// The four options as bits: 1 WaveOption, 2 ToneOption, 4 TnumOption, 8 PnumOption.
void SetOptions(int bits) {
    Corv::CDomain& domain = Corv::CDomain::Get();
    domain.m_waveOption = bits & 1, domain.m_toneOption = (bits >> 1) & 1;
    domain.m_tnumOption = (bits >> 2) & 1, domain.m_pnumOption = (bits >> 3) & 1;
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
void PutWave(CLumData& data, int number, const std::string& name, const std::string& extension = ".w00") {
    data.Waves().PlaceClone(static_cast<std::size_t>(number - 1), CorvTest::MakeWave(name, "Wave/" + name + extension));
}
void LinkUsers(CLumData& data) { data.RebuildToneUsers(), data.RebuildWaveUsers(); }

// Comma-separated; zeros (no reference) are left out when `skipZero`.
template <class T> std::string Joined(const std::vector<T>& values, bool skipZero) {
    std::string text;
    for (const T value : values)
        text += value != 0 || !skipZero ? (text.empty() ? "" : ",") + std::to_string(value) : "";
    return text;
}

// The used slots in one line: "P<n> <name> <tone0>/<tone1>; T<n> <name> w<waves> u<users>; W<n> <name> u<users>".
std::string Describe(const CLumData& data) {
    std::ostringstream out;
    for (std::size_t p = 0; p < data.Patches().Size(); ++p)
        if (const Corv::CPatch& patch = data.Patches()[p]; !patch.IsEmpty())
            out << "P" << p + 1 << " " << patch.Name() << " " << patch.Slot(0).ToneNumber() << "/"
                << patch.Slot(1).ToneNumber() << "; ";
    for (std::size_t t = 0; t < data.Tones().Size(); ++t)
        if (const Corv::CTone& tone = data.Tones()[t]; !tone.IsEmpty())
            out << "T" << t + 1 << " " << tone.Name() << " w" << Joined(tone.ReferencedWaves(), true) << " u"
                << Joined(tone.Users(), false) << "; ";
    for (std::size_t w = 0; w < data.Waves().Size(); ++w)
        if (const Corv::CWave& wave = data.Waves()[w]; !wave.IsEmpty())
            out << "W" << w + 1 << " " << wave.Name() << " u" << Joined(wave.Users(), false) << "; ";
    const std::string text = out.str();
    return text.substr(0, text.size() < 2 ? 0 : text.size() - 2);
}

// Every array at full size and every user list just what loading builds from the references.
void ExpectSound(CLumData& data) {
    ASSERT_EQ(data.Patches().Size() * 10000 + data.Tones().Size() * 1000 + data.Waves().Size(), 512u * 10000 + 896u * 1000 + 999u);
    const std::string before = Describe(data);
    LinkUsers(data);
    EXPECT_EQ(Describe(data), before);
}

struct CleanTest : ::testing::Test {
    void SetUp() override { Corv::CDomain::Reset(); }
    CLumData m_data;
};

TEST_F(CleanTest, CompactsPatchesTonesAndWavesWithoutOptions) {
    PutPatch(m_data, 1, "First", 0), PutPatch(m_data, 5, "Fifth", 3);
    PutTone(m_data, 3, "Used", {2}), PutTone(m_data, 7, "Unused", {}), PutWave(m_data, 2, "Wave");
    LinkUsers(m_data);
    Corv::Clean(m_data);
    EXPECT_EQ(Describe(m_data), "P1 First 0/0; P2 Fifth 1/0; T1 Used w1 u1; W1 Wave u0");
    ExpectSound(m_data);
}

// Used and unused tones, waves used only by an unused tone, unused instrument (".w00") and
// imported (".wav") waves, and gaps in every list.
void BuildMixedProject(CLumData& data) {
    PutPatch(data, 2, "PA", 4), PutPatch(data, 4, "PB", 2, 4);
    PutTone(data, 2, "TA", {3}), PutTone(data, 4, "TB", {3, 6}), PutTone(data, 5, "TU", {5, 8});
    for (const auto& [number, name, extension] : std::vector<std::tuple<int, const char*, const char*>>{
             {3, "WA", ".w00"}, {5, "WU", ".w00"}, {6, "WB", ".wav"}, {8, "WI", ".wav"}, {9, "WX", ".w00"}, {10, "WY", ".WAV"}})
        PutWave(data, number, name, extension);
    LinkUsers(data);
}

TEST_F(CleanTest, KeepsWhatTheOptionsSay) {
    const std::vector<std::pair<int, std::string>> cases = {
        // The waves used only by the dropped tone TU go in the same run.
        {0, "P1 PA 2/0; P2 PB 1/2; T1 TA w1 u1; T2 TB w1,2 u0,1; W1 WA u0,1; W2 WB u1"},
        // Unused imported waves stay and move up over the gaps; unused ".w00" waves go.
        {1, "P1 PA 2/0; P2 PB 1/2; T1 TA w1 u1; T2 TB w1,2 u0,1; W1 WA u0,1; W2 WB u1; W3 WI u; W4 WY u"},
        {2, "P1 PA 2/0; P2 PB 1/2; T1 TA w1 u1; T2 TB w1,3 u0,1; T3 TU w2,4 u; W1 WA u0,1; W2 WU u2; W3 WB u1; W4 WI u2"},
        // The unused tone's slot becomes empty; the other tones keep their numbers.
        {4, "P1 PA 4/0; P2 PB 2/4; T2 TA w1 u1; T4 TB w1,2 u0,1; W1 WA u1,3; W2 WB u3"},
        {6, "P1 PA 4/0; P2 PB 2/4; T2 TA w1 u1; T4 TB w1,3 u0,1; T5 TU w2,4 u; W1 WA u1,3; W2 WU u4; W3 WB u3; W4 WI u4"},
        {8, "P2 PA 2/0; P4 PB 1/2; T1 TA w1 u3; T2 TB w1,2 u1,3; W1 WA u0,1; W2 WB u1"},
        {13, "P2 PA 4/0; P4 PB 2/4; T2 TA w1 u3; T4 TB w1,2 u1,3; W1 WA u1,3; W2 WB u3; W3 WI u; W4 WY u"},
        {15, "P2 PA 4/0; P4 PB 2/4; T2 TA w1 u3; T4 TB w1,3 u1,3; T5 TU w2,4 u; W1 WA u1,3; W2 WU u4; W3 WB u3; "
             "W4 WI u4; W5 WY u"}};
    for (const auto& [bits, expected] : cases) {
        SCOPED_TRACE(bits);
        CLumData data;
        BuildMixedProject(data);
        SetOptions(bits);
        Corv::Clean(data);
        EXPECT_EQ(Describe(data), expected);
        ExpectSound(data);
    }
}

// A tone slot that points at an empty tone, or past the tone array, is reset as a whole; a side
// that points at an empty wave, or past the wave array, loses only its number.
TEST_F(CleanTest, ResetsDanglingReferencesEvenWithEveryOptionOn) {
    SetOptions(15);
    for (const int badTone : {9, 897, 16384}) {
        SCOPED_TRACE(badTone);
        CLumData data;
        PutPatch(data, 1, "Patch", badTone, 2);
        data.Patches()[0].Slot(0).SetP(5, 77);
        PutTone(data, 2, "Tone", {1, 0, 1000, 65535, 7});
        PutWave(data, 1, "Wave");
        LinkUsers(data);
        Corv::Clean(data);
        EXPECT_TRUE(data.Patches()[0].Slot(0) == Corv::CPatchTone());
        EXPECT_EQ(data.Patches()[0].Slot(1).ToneNumber(), 2);
        const Corv::CTone& tone = data.Tones()[1];
        EXPECT_EQ(tone.ReferencedWaves(), (std::vector<int>{0, 1})); // 1000, 65535 and the empty 7 are gone
        EXPECT_EQ(tone.Osc(1).WaveSource(0), 1) << "only the number is dropped";
        ExpectSound(data);
    }
}

TEST_F(CleanTest, UndoRightAfterCleanBringsBackTheExactLists) {
    BuildMixedProject(m_data);
    PutTone(m_data, 20, "Stale", {1}); // refers to an empty wave
    const Corv::CPatchArray patches = m_data.Patches();
    const Corv::CToneArray tones = m_data.Tones();
    const Corv::CWaveArray waves = m_data.Waves();
    CLumData other;
    Corv::CDomain& domain = Corv::CDomain::Get();
    domain.RecordUndo(Corv::kUndoAllKinds, other);
    domain.RecordUndo(Corv::kPatchKind, other);
    Corv::CleanProject(m_data);
    const std::string cleaned = Describe(m_data);
    ASSERT_FALSE(m_data.Tones() == tones);
    EXPECT_EQ(domain.m_undo[0].owner, &m_data);
    EXPECT_EQ(domain.m_undo[1].owner, nullptr) << "the earlier step is discarded";
    domain.Undo();
    EXPECT_TRUE(m_data.Patches() == patches && m_data.Tones() == tones && m_data.Waves() == waves);
    domain.Undo();
    EXPECT_EQ(Describe(m_data), cleaned);
}

// What each patch and tone refers to, by the names of the records it reaches ("?" for none).
using Content = std::map<std::string, std::vector<std::string>>;
std::string NameAt(const Corv::CParameterArray& records, int number) {
    const bool inside = number >= 1 && static_cast<std::size_t>(number) <= records.Size();
    return number == 0 ? "-" : !inside || records.Item(static_cast<std::size_t>(number - 1)).IsEmpty() ? "?" : records.Item(static_cast<std::size_t>(number - 1)).Name();
}
Content ContentOf(const CLumData& data) {
    Content content;
    for (std::size_t p = 0; p < data.Patches().Size(); ++p)
        for (int slot = 0; slot < 2 && !data.Patches()[p].IsEmpty(); ++slot)
            content[data.Patches()[p].Name()].push_back(NameAt(data.Tones(), data.Patches()[p].Slot(slot).ToneNumber()));
    for (std::size_t t = 0; t < data.Tones().Size(); ++t)
        for (int side = 0; side < Corv::CTone::kOscCount * 2 && !data.Tones()[t].IsEmpty(); ++side)
            content[data.Tones()[t].Name()].push_back(NameAt(data.Waves(), data.Tones()[t].Osc(side / 2).WaveNumber(side % 2)));
    return content;
}

// `fill` of the slots used, every record named after its slot, references only to used slots.
void BuildRandomProject(CLumData& data, std::mt19937& random, double fill) {
    std::bernoulli_distribution used(fill);
    std::vector<int> tones, waves;
    const auto pick = [&random](const std::vector<int>& from) {
        const int choice = std::uniform_int_distribution<int>(-1, static_cast<int>(from.size()) - 1)(random);
        return choice < 0 ? 0 : from[static_cast<std::size_t>(choice)];
    };
    for (int w = 1; w <= 999; ++w)
        if (used(random))
            PutWave(data, w, "w" + std::to_string(w), w % 3 == 0 ? ".wav" : ".w00"), waves.push_back(w);
    for (int t = 1; t <= 896; ++t)
        if (used(random)) {
            std::vector<int> sides(32);
            for (int& side : sides)
                side = pick(waves);
            PutTone(data, t, "t" + std::to_string(t), sides), tones.push_back(t);
        }
    for (int p = 1; p <= 512; ++p)
        if (used(random))
            PutPatch(data, p, "p" + std::to_string(p), pick(tones), pick(tones));
    LinkUsers(data);
}

TEST_F(CleanTest, EveryUsedReferenceKeepsItsContentUnderEveryOptionSet) {
    std::mt19937 random(20240611);
    for (int bits = 0; bits < 16; ++bits) {
        SCOPED_TRACE(bits);
        SetOptions(bits);
        CLumData data;
        BuildRandomProject(data, random, bits == 0 ? 1.0 : 0.6);
        const Content before = ContentOf(data);
        const int patchesBefore = 512 - data.CountEmpty(Corv::kPatchKind);
        Corv::Clean(data);
        ExpectSound(data);
        const Content after = ContentOf(data);
        EXPECT_EQ(512 - data.CountEmpty(Corv::kPatchKind), patchesBefore);
        EXPECT_TRUE((bits & 8) || data.UsedExtent(Corv::kPatchKind) == patchesBefore) << "patches close up";
        for (const auto& [name, reached] : after) {
            EXPECT_EQ(reached, before.count(name) ? before.at(name) : std::vector<std::string>{}) << name;
        }
        EXPECT_TRUE(!(bits & 2) || after.size() == before.size());
        const std::string once = Describe(data); // a second run finds nothing left to do
        Corv::Clean(data);
        EXPECT_EQ(Describe(data), once);
    }
}

} // namespace
