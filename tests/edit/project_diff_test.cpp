#include "edit/fingerprint.h"
#include "edit/project_diff.h"
#include "support/project_builder.h"

#include <functional>
#include <gtest/gtest.h>

namespace {

// One side of a comparison: records placed straight into the arrays; wave files hold the
// given bytes in a temporary folder of the side's own.
struct Side {
    CorvTest::TempDir dir;
    Corv::CLumData data;

    void Patch(int n, const std::string& name, int tone0, int tone1 = 0, int level = 0) {
        Corv::CPatch patch = CorvTest::MakePatch(name, tone0, tone1);
        patch.Slot(0).SetP(10, static_cast<std::uint8_t>(level));
        patch.SetFilePath(dir / ("P" + std::to_string(n)));
        data.Patches().PlaceClone(static_cast<std::size_t>(n - 1), patch);
    }
    void Tone(int n, const std::string& name, const std::vector<int>& waves, int level = 0) {
        Corv::CTone tone = CorvTest::MakeTone(name, waves);
        tone.Osc(3).SetP(5, static_cast<std::uint8_t>(level));
        tone.SetFilePath(dir / ("T" + std::to_string(n)));
        data.Tones().PlaceClone(static_cast<std::size_t>(n - 1), tone);
    }
    void Wave(int n, const std::string& name, std::uint8_t fill) {
        const std::string path = dir / ("W" + std::to_string(n) + ".w00");
        CorvTest::WriteBytes(path, CorvTest::Bytes(100, fill));
        data.Waves().PlaceClone(static_cast<std::size_t>(n - 1), CorvTest::MakeWave(name, path));
    }
};

// Patch 1 "Lead" on tones 1 and 2, tone 1 on waves 1 and 2, tone 2 on wave 3.
void Base(Side& s) {
    s.Wave(1, "Saw", 1), s.Wave(2, "Sine", 2), s.Wave(3, "Noise", 3);
    s.Tone(1, "Pad", {1, 2}), s.Tone(2, "Bass", {3});
    s.Patch(1, "Lead", 1, 2);
}

struct Case {
    const char* name;
    std::function<void(Side&)> a;
    std::function<void(Side&)> b;
    std::vector<std::string> lines;
};

// Memos, names, entries only on one side and wave contents are checked end to end by the
// command-line tool's diff, as are equal projects; here the matching of records that moved.
TEST(ProjectDiff, LinesForEachKindOfDifference) {
    const std::vector<Case> cases = {
        {"parameters of a tone and of a patch",
         Base,
         [](Side& s) { Base(s), s.Tone(2, "Bass", {3}, 9), s.Patch(1, "Lead", 1, 2, 4); },
         {"patch 1: record differs", "tone 2: record differs"}},
        // The tone's reference follows the wave to its new number: the tone is unchanged.
        {"wave moved and renamed, its tone renumbered",
         Base,
         [](Side& s) {
             s.Wave(1, "Saw", 1), s.Wave(2, "Sine", 2), s.Wave(40, "Noise 2", 3);
             s.Tone(1, "Pad", {1, 2}), s.Tone(2, "Bass", {40});
             s.Patch(1, "Lead", 1, 2);
         },
         {"wave 3 -> 40: moved", "wave 3 -> 40: name \"Noise\" -> \"Noise 2\""}},
        {"two tones swapped, the patch following them",
         Base,
         [](Side& s) {
             Base(s), s.Tone(2, "Pad", {1, 2}), s.Tone(1, "Bass", {3}), s.Patch(1, "Lead", 2, 1);
         },
         {"tone 1 -> 2: moved", "tone 2 -> 1: moved"}},
        {"a moved entry's slot taken by a new one",
         Base,
         [](Side& s) {
             Base(s), s.Tone(1, "Fresh", {}, 5), s.Tone(9, "Pad", {1, 2}), s.Patch(1, "Lead", 9, 2);
         },
         {"tone 1 -> 9: moved", "tone 1: only in B \"Fresh\""}},
        {"a reference to an empty slot matches only the same number",
         [](Side& s) { Base(s), s.Tone(5, "Odd", {300}); },
         [](Side& s) { Base(s), s.Tone(6, "Odd", {301}); },
         {"tone 5: only in A \"Odd\"", "tone 6: only in B \"Odd\""}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Side a, b;
        c.a(a), c.b(b);
        std::vector<std::string> lines;
        for (const Corv::ProjectDifference& d : Corv::DiffProjects(a.data, b.data))
            lines.push_back(Corv::DifferenceLine(d));
        EXPECT_EQ(lines, c.lines);
    }
}

// Fingerprints the caller knows stand for the wave files' bytes; the rest are read.
TEST(ProjectDiff, TakesTheWaveFingerprintsTheCallerKnows) {
    Side a, b;
    Base(a), Base(b);
    b.Wave(2, "Sine", 9); // other bytes
    const std::string bWave2 = b.data.Waves()[1].FilePath();
    const auto linesWith = [&](const Corv::KnownFingerprint& known) {
        std::vector<std::string> lines;
        for (const Corv::ProjectDifference& d : Corv::DiffProjects(a.data, b.data, known))
            lines.push_back(Corv::DifferenceLine(d));
        return lines;
    };
    const auto knowing = [](std::string path, Corv::Fingerprint given) {
        return [=](const std::string& asked, Corv::Fingerprint& print) {
            if (asked != path)
                return false;
            print = given;
            return true;
        };
    };
    const Corv::Fingerprint aWave2 = *Corv::FileFingerprint(a.data.Waves()[1].FilePath());
    EXPECT_EQ(linesWith({}), std::vector<std::string>{"wave 2: content differs"});
    EXPECT_EQ(linesWith(knowing("elsewhere", aWave2)),
              std::vector<std::string>{"wave 2: content differs"});
    // Told that B's wave 2 holds A's bytes, the file is not read and nothing differs.
    EXPECT_EQ(linesWith(knowing(bWave2, aWave2)), std::vector<std::string>{});
}

} // namespace
