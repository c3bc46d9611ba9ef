#include "edit/clean.h"
#include "edit_property_model.h"
#include "storage/domain.h"
#include "support/faulty_file_system.h"

#include <gtest/gtest.h>
#include <map>

// The dry run of Clean Project against the clean itself on random projects, and the wording of
// its summary.
namespace {

using namespace Corv;
using namespace CorvTest;
using namespace CorvTest::Property;

CleanOptions OptionsOf(int bits) {
    return {(bits & 1) != 0, (bits & 2) != 0, (bits & 4) != 0, (bits & 8) != 0};
}

// Every used record by its file path (the generator gives each its own): kind, 1-based number.
std::map<std::string, std::pair<int, int>> Places(const CLumData& data) {
    std::map<std::string, std::pair<int, int>> places;
    for (int kind = kPatchKind; kind <= kWaveKind; ++kind)
        for (std::size_t i = 0; i < data.Records(kind).Size(); ++i)
            if (!data.Records(kind).Item(i).IsEmpty())
                places[data.Records(kind).Item(i).FilePath()] = {kind, static_cast<int>(i) + 1};
    return places;
}

// Where the plan says each used record of `before` ends up (0 = gone).
std::map<std::string, std::pair<int, int>> PlannedPlaces(const CLumData& before,
                                                         const CleanPlan& plan) {
    std::map<std::string, std::pair<int, int>> places = Places(before);
    for (const CleanChange& change : plan.changes) {
        const CParameter& record =
            before.Records(change.kind).Item(static_cast<std::size_t>(change.oldNumber - 1));
        EXPECT_EQ(record.Name(), change.name);
        places[record.FilePath()].second = change.newNumber;
    }
    std::erase_if(places, [](const auto& place) { return place.second.second == 0; });
    return places;
}

// Some waves become imported files (".wav"), which the keep-waves option treats differently.
void MakeSomeWavesImported(CLumData& project, SizedFileSystem& files, Generator& generator) {
    for (std::size_t w = 0; w < project.Waves().Size(); ++w) {
        CWave& wave = project.Waves()[w];
        if (wave.IsEmpty() || !generator.Chance(0.3))
            continue;
        const std::string path = wave.FilePath() + ".wav";
        files.SetSize(path, FileBytes(wave.FilePath()));
        wave.SetFilePath(path);
    }
}

TEST(CleanPlanProperty, DryRunForetellsTheCleanAndChangesNothing) {
    std::map<std::string, int> seen;
    for (std::uint32_t seed = 1; seed <= 8; ++seed) {
        SizedFileSystem files;
        ScopedFileSystem scope(files);
        Generator generator(seed, files);
        CDomain::Reset();
        const std::shared_ptr<SinkLog> log = InstallScriptedSink();
        CLumData project;
        generator.Fill(project);
        MakeSomeWavesImported(project, files, generator);
        CLumData other;
        CDomain& domain = CDomain::Get();
        domain.RecordUndo(kUndoAllKinds, other);
        const ProjectState otherState(other);
        for (int bits = 0; bits < 16; ++bits) {
            SCOPED_TRACE("seed " + std::to_string(seed) + " options " + std::to_string(bits));
            const ProjectState before(project);
            const std::uint64_t bytesBefore = project.WaveBytesTotal();
            const CleanPlan plan = PlanClean(project, OptionsOf(bits));

            ASSERT_TRUE(before.Matches(project)) << "the dry run changed the project";
            EXPECT_TRUE(log->Calls().empty() && log->Notices().empty()) << log->Describe();
            EXPECT_EQ(domain.m_undo[0].owner, &other);
            EXPECT_TRUE(domain.m_undo[0].patches == otherState.patches &&
                        domain.m_undo[0].tones == otherState.tones &&
                        domain.m_undo[0].waves == otherState.waves);
            EXPECT_EQ(domain.m_undo[1].owner, nullptr);

            CLumData cleaned;
            cleaned.Patches() = project.Patches(), cleaned.Tones() = project.Tones();
            cleaned.Waves() = project.Waves();
            Clean(cleaned, OptionsOf(bits));
            EXPECT_EQ(Places(cleaned), PlannedPlaces(project, plan));
            EXPECT_EQ(plan.waveBytesFreed, bytesBefore - cleaned.WaveBytesTotal());
            std::array<int, 3> removed{}, renumbered{};
            for (const CleanChange& change : plan.changes)
                ++(change.newNumber == 0 ? removed
                                         : renumbered)[static_cast<std::size_t>(change.kind)];
            EXPECT_EQ(plan.removed, removed);
            EXPECT_EQ(plan.renumbered, renumbered);
            for (int kind = kPatchKind; kind <= kWaveKind; ++kind) {
                const auto k = static_cast<std::size_t>(kind);
                seen["removed " + std::to_string(kind)] += plan.removed[k] > 0;
                seen["renumbered " + std::to_string(kind)] += plan.renumbered[k] > 0;
            }
            seen["cleared"] += plan.clearedReferences > 0;
            seen["bytes"] += plan.waveBytesFreed > 0;
        }
    }
    // A clean never removes a patch; it only closes the gaps between them.
    for (const char* what : {"removed 1", "removed 2", "renumbered 0", "renumbered 1",
                             "renumbered 2", "cleared", "bytes"})
        EXPECT_GT(seen[what], 0) << "no run saw " << what;
    CDomain::Reset();
}

// A project whose only dangling reference is cleared: the dry run counts it.
TEST(CleanPlanProperty, CountsTheReferencesItClears) {
    CDomain::Reset();
    CLumData project;
    CPatch patch = MakePatch("P", 3, 900);
    patch.SetFilePath("Patch/P.d00");
    project.Patches().PlaceClone(0, patch);
    CTone tone = MakeTone("T", {1, 0, 1000});
    tone.SetFilePath("Tone/T.p00");
    project.Tones().PlaceClone(2, tone);
    project.RebuildToneUsers(), project.RebuildWaveUsers();
    const CleanPlan plan = PlanClean(project, OptionsOf(15));
    EXPECT_TRUE(plan.changes.empty());
    EXPECT_EQ(plan.clearedReferences, 3) << "tone 900, waves 1 (empty slot) and 1000";
    EXPECT_EQ(CleanSummary(plan), "clears 3 references to empty slots");
}

TEST(CleanSummaryText, NamesWhatGoesAndWhatMoves) {
    struct Case {
        std::array<int, 3> removed;
        std::array<int, 3> renumbered;
        int cleared;
        std::uint64_t bytes;
        const char* expected;
    };
    const std::vector<Case> cases = {
        {{0, 0, 0}, {0, 0, 0}, 0, 0, "nothing to clean"},
        {{0, 12, 7},
         {0, 40, 0},
         0,
         3565158,
         "removes 12 tones and 7 waves (3.4 MB); renumbers 40 tones"},
        {{0, 1, 0}, {0, 0, 0}, 0, 0, "removes 1 tone"},
        {{0, 0, 1}, {0, 0, 0}, 0, 512, "removes 1 wave (512 Bytes)"},
        {{0, 0, 2}, {0, 0, 0}, 0, 2048, "removes 2 waves (2.0 KB)"},
        {{0, 0, 0}, {1, 1, 1}, 0, 0, "renumbers 1 patch, 1 tone and 1 wave"},
        {{0, 0, 0}, {3, 0, 2}, 0, 0, "renumbers 3 patches and 2 waves"},
        {{0, 2, 0},
         {5, 0, 0},
         1,
         0,
         "removes 2 tones; renumbers 5 patches; clears 1 reference to empty slots"},
        {{0, 0, 0}, {0, 0, 0}, 2, 0, "clears 2 references to empty slots"},
    };
    for (const Case& c : cases) {
        CleanPlan plan;
        plan.removed = c.removed, plan.renumbered = c.renumbered;
        plan.clearedReferences = c.cleared, plan.waveBytesFreed = c.bytes;
        EXPECT_EQ(CleanSummary(plan), c.expected);
    }
}

} // namespace
