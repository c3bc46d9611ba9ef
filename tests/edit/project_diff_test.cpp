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
    Corv::CTone& Tone(int n, const std::string& name, const std::vector<int>& waves,
                      int level = 0) {
        Corv::CTone tone = CorvTest::MakeTone(name, waves);
        tone.Osc(3).SetP(5, static_cast<std::uint8_t>(level));
        tone.SetFilePath(dir / ("T" + std::to_string(n)));
        data.Tones().PlaceClone(static_cast<std::size_t>(n - 1), tone);
        return data.Tones()[static_cast<std::size_t>(n - 1)];
    }
    void Wave(int n, const std::string& name, std::uint8_t fill, std::size_t size = 100) {
        const std::string path = dir / ("W" + std::to_string(n) + ".w00");
        CorvTest::WriteBytes(path, CorvTest::Bytes(size, fill));
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

std::vector<std::string> Lines(const std::vector<Corv::ProjectDifference>& differences) {
    std::vector<std::string> lines;
    for (const Corv::ProjectDifference& d : differences)
        lines.push_back(Corv::DifferenceLine(d));
    return lines;
}

TEST(ProjectDiff, LinesForEachKindOfDifference) {
    const std::vector<Case> cases = {
        {"equal projects", Base, Base, {}},
        {"entry only in one of them",
         Base,
         [](Side& s) { Base(s), s.Tone(7, "New", {}); },
         {"tone 7: only in B \"New\""}},
        {"name and memo",
         Base,
         [](Side& s) {
             Base(s);
             s.data.Tones()[1].SetName("Bass \"2\"");
             s.data.Waves()[0].SetMemo(3, "loud");
         },
         {"tone 2: name \"Bass\" -> \"Bass \\\"2\\\"\"", "wave 1: memo 3 \"\" -> \"loud\""}},
        {"parameters of a tone and of a patch",
         Base,
         [](Side& s) { Base(s), s.Tone(2, "Bass", {3}, 9), s.Patch(1, "Lead", 1, 2, 4); },
         {"patch 1: record differs", "tone 2: record differs"}},
        // The tones still name wave 2: only the wave's own line tells the change.
        {"wave file with other bytes at the same slot",
         Base,
         [](Side& s) { Base(s), s.Wave(2, "Sine", 7); },
         {"wave 2: content differs"}},
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
             s.Wave(1, "Saw", 1), s.Wave(2, "Sine", 2), s.Wave(3, "Noise", 3);
             s.Tone(2, "Pad", {1, 2}), s.Tone(1, "Bass", {3});
             s.Patch(1, "Lead", 2, 1);
         },
         {"tone 1 -> 2: moved", "tone 2 -> 1: moved"}},
        {"a moved entry's slot taken by a new one",
         Base,
         [](Side& s) {
             s.Wave(1, "Saw", 1), s.Wave(2, "Sine", 2), s.Wave(3, "Noise", 3);
             s.Tone(1, "Fresh", {}, 5), s.Tone(9, "Pad", {1, 2}), s.Tone(2, "Bass", {3});
             s.Patch(1, "Lead", 9, 2);
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
        EXPECT_EQ(Lines(Corv::DiffProjects(a.data, b.data)), c.lines);
    }
}

// The comparison is symmetric: B against A gives the same differences with the sides swapped.
TEST(ProjectDiff, SwappingTheSidesSwapsEveryDifference) {
    Side a, b;
    Base(a);
    b.Wave(1, "Saw", 1), b.Wave(2, "Sine", 9), b.Wave(30, "Noise", 3);
    b.Tone(5, "Pad", {1, 2}), b.Tone(2, "Bass", {30}), b.Tone(3, "Keys", {});
    b.Patch(1, "Lead!", 5, 2);
    const std::vector<Corv::ProjectDifference> forward = Corv::DiffProjects(a.data, b.data);
    const std::vector<Corv::ProjectDifference> backward = Corv::DiffProjects(b.data, a.data);
    ASSERT_EQ(forward.size(), backward.size());
    ASSERT_FALSE(forward.empty());
    auto mirrored = [](Corv::ProjectDifference d) {
        std::swap(d.slotA, d.slotB);
        std::swap(d.before, d.after);
        if (d.change == Corv::DiffChange::OnlyInA || d.change == Corv::DiffChange::OnlyInB) {
            std::swap(d.before, d.after);
            d.change = d.change == Corv::DiffChange::OnlyInA ? Corv::DiffChange::OnlyInB
                                                             : Corv::DiffChange::OnlyInA;
        }
        return Corv::DifferenceLine(d);
    };
    std::vector<std::string> expected, actual = Lines(backward);
    for (const Corv::ProjectDifference& d : forward)
        expected.push_back(mirrored(d));
    std::sort(expected.begin(), expected.end());
    std::sort(actual.begin(), actual.end());
    EXPECT_EQ(actual, expected);
}

} // namespace
