#include "edit/clean.h"
#include "list_edit_support.h"
#include "storage/domain.h"
#include "support/faulty_file_system.h"

#include <gtest/gtest.h>
#include <map>
#include <sstream>

// Clean Project on hand-made projects, and its dry run against the clean itself on random ones.
namespace {

using namespace Corv;
using namespace CorvTest;
using namespace CorvTest::Property;

// The four options as bits: 1 keep waves, 2 keep tones, 4 keep tone numbers, 8 keep patch
// numbers.
CleanOptions OptionsOf(int bits) {
    return {(bits & 1) != 0, (bits & 2) != 0, (bits & 4) != 0, (bits & 8) != 0};
}

// The used slots in one line: "P<n> <name> <tone0>/<tone1>; T<n> <name> w<waves>; W<n> <name>"
// (waves comma-separated); `ExpectSound` checks the user lists.
std::string Describe(const CLumData& data) {
    const auto list = [](const auto& values) {
        std::string text;
        for (const int value : values)
            text += (text.empty() ? "" : ",") + std::to_string(value);
        return text;
    };
    std::ostringstream out;
    for (std::size_t p = 0; p < data.Patches().Size(); ++p)
        if (const CPatch& patch = data.Patches()[p]; !patch.IsEmpty())
            out << "P" << p + 1 << " " << patch.Name() << " " << patch.Slot(0).ToneNumber() << "/"
                << patch.Slot(1).ToneNumber() << "; ";
    for (std::size_t t = 0; t < data.Tones().Size(); ++t) {
        std::vector<int> waves = data.Tones()[t].ReferencedWaves();
        std::erase(waves, 0);
        if (!data.Tones()[t].IsEmpty())
            out << "T" << t + 1 << " " << data.Tones()[t].Name() << " w" << list(waves) << "; ";
    }
    for (std::size_t w = 0; w < data.Waves().Size(); ++w)
        if (const CWave& wave = data.Waves()[w]; !wave.IsEmpty())
            out << "W" << w + 1 << " " << wave.Name() << "; ";
    return out.str();
}

// Every array at full size and every user list true.
void ExpectSound(CLumData& data) {
    EXPECT_EQ(data.Patches().Size() + data.Tones().Size() + data.Waves().Size(), 512u + 896 + 999);
    EXPECT_TRUE(UsersMatchReferences(data));
}

class CleanTest : public EditTest {};

// Used and unused tones, waves used only by an unused tone, unused instrument (".w00") and
// imported (".wav") waves, and gaps in every list.
void BuildMixedProject(CLumData& data) {
    PutPatch(data, 2, 4, 0, "PA");
    PutPatch(data, 4, 2, 4, "PB");
    PutTone(data, 2, {3}, "TA");
    PutTone(data, 4, {3, 6}, "TB");
    PutTone(data, 5, {5, 8}, "TU");
    const std::tuple<int, const char*, const char*> waves[] = {
        {3, "WA", ".w00"}, {5, "WU", ".w00"}, {6, "WB", ".wav"},
        {8, "WI", ".wav"}, {9, "WX", ".w00"}, {10, "WY", ".WAV"}};
    for (const auto& [number, name, extension] : waves)
        PutWave(data, number, name, "A", std::string("/A/") + name + extension);
    RebuildUsers(data);
}

TEST_F(CleanTest, KeepsWhatTheOptionsSay) {
    const std::pair<int, const char*> cases[] = {
        // The waves used only by the dropped tone TU go in the same run.
        {0, "P1 PA 2/0; P2 PB 1/2; T1 TA w1; T2 TB w1,2; W1 WA; W2 WB; "},
        // Unused imported waves stay and move up over the gaps; unused ".w00" waves go.
        {1, "P1 PA 2/0; P2 PB 1/2; T1 TA w1; T2 TB w1,2; W1 WA; W2 WB; W3 WI; W4 WY; "},
        {2, "P1 PA 2/0; P2 PB 1/2; T1 TA w1; T2 TB w1,3; T3 TU w2,4; W1 WA; W2 WU; W3 WB; W4 WI; "},
        // The unused tone's slot becomes empty; the other tones keep their numbers.
        {4, "P1 PA 4/0; P2 PB 2/4; T2 TA w1; T4 TB w1,2; W1 WA; W2 WB; "},
        {8, "P2 PA 2/0; P4 PB 1/2; T1 TA w1; T2 TB w1,2; W1 WA; W2 WB; "}};
    for (const auto& [bits, expected] : cases) {
        SCOPED_TRACE(bits);
        CLumData data;
        BuildMixedProject(data);
        Clean(data, OptionsOf(bits));
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
        PutPatch(data, 1, badTone, 2, "Patch");
        data.Patches()[0].Slot(0).SetP(5, 77);
        PutTone(data, 2, {1, 0, 1000, 65535, 7}, "Tone");
        PutWave(data, 1, "Wave");
        RebuildUsers(data);
        Clean(data, OptionsOf(15));
        EXPECT_TRUE(data.Patches()[0].Slot(0) == CPatchTone());
        EXPECT_EQ(Describe(data), "P1 Patch 0/2; T2 Tone w1; W1 Wave; ");
        EXPECT_EQ(data.Tones()[1].Osc(1).WaveSource(0), 1) << "only the number is dropped";
        ExpectSound(data);
    }
}

TEST_F(CleanTest, UndoRightAfterCleanBringsBackTheExactLists) {
    CLumData data;
    BuildMixedProject(data);
    PutTone(data, 20, {1}, "Stale"); // refers to an empty wave
    const ProjectState before(data);
    CleanProject(data, {}, Undo());
    const ProjectState cleaned(data);
    ASSERT_FALSE(before.Matches(data));
    Undo().Undo();
    EXPECT_TRUE(before.Matches(data));
    Undo().Undo();
    EXPECT_TRUE(cleaned.Matches(data));
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

// What each patch and tone refers to, by the names of the records it reaches ("-" for none, an
// empty slot or one past the list).
std::map<std::string, std::vector<std::string>> ContentOf(const CLumData& data) {
    const auto name = [](const CParameterArray& records, int number) -> std::string {
        const auto at = static_cast<std::size_t>(number - 1);
        return number < 1 || at >= records.Size() || records.Item(at).IsEmpty()
                   ? "-"
                   : records.Item(at).Name();
    };
    std::map<std::string, std::vector<std::string>> content;
    for (std::size_t p = 0; p < data.Patches().Size(); ++p)
        for (const int tone : data.Patches()[p].ToneNumbers())
            if (!data.Patches()[p].IsEmpty())
                content[data.Patches()[p].Name()].push_back(name(data.Tones(), tone));
    for (std::size_t t = 0; t < data.Tones().Size(); ++t)
        for (const int wave : data.Tones()[t].WaveNumbers())
            if (!data.Tones()[t].IsEmpty())
                content[data.Tones()[t].Name()].push_back(name(data.Waves(), wave));
    return content;
}

// Random projects under every option set: the dry run changes nothing and foretells where each
// record goes; the clean keeps the user lists true and every kept patch and tone reaching what
// it reached before.
TEST(CleanPlanProperty, DryRunForetellsTheCleanAndChangesNothing) {
    std::map<std::string, int> seen;
    for (std::uint32_t seed = 1; seed <= 8; ++seed) {
        SizedFileSystem files;
        ScopedFileSystem scope(files);
        Generator generator(seed, files);
        FreshStore store;
        const std::shared_ptr<SinkLog> log = store.InstallSink();
        CLumData project;
        generator.Fill(project);
        // Some waves become imported files (".wav"), which the keep-waves option keeps.
        for (std::size_t w = 0; w < project.Waves().Size(); ++w) {
            CWave& wave = project.Waves()[w];
            if (!wave.IsEmpty() && generator.Chance(0.3)) {
                files.SetSize(wave.FilePath() + ".wav", FileBytes(wave.FilePath()));
                wave.SetFilePath(wave.FilePath() + ".wav");
            }
        }
        CLumData other;
        CUndoStep& undo = FreshStore::UndoStep();
        undo.Record(KindSet::All(), other);
        for (int bits = 0; bits < 16; ++bits) {
            SCOPED_TRACE("seed " + std::to_string(seed) + " options " + std::to_string(bits));
            const ProjectState before(project);
            const CleanPlan plan = PlanClean(project, OptionsOf(bits));

            ASSERT_TRUE(before.Matches(project)) << "the dry run changed the project";
            EXPECT_TRUE(log->Calls().empty() && log->Notices().empty()) << log->Describe();
            EXPECT_TRUE(undo.Slots()[0].owner == &other && undo.Slots()[1].owner == nullptr);

            CLumData cleaned;
            cleaned.Patches() = project.Patches();
            cleaned.Tones() = project.Tones();
            cleaned.Waves() = project.Waves();
            Clean(cleaned, OptionsOf(bits));
            EXPECT_TRUE(UsersMatchReferences(cleaned));
            const auto content = ContentOf(project);
            for (const auto& [name, reached] : ContentOf(cleaned))
                EXPECT_EQ(reached, content.at(name)) << name;
            // Where the plan says each used record ends up (0 = gone) is where it is.
            std::map<std::string, std::pair<int, int>> planned = Places(project);
            std::array<int, 3> removed{}, renumbered{};
            for (const CleanChange& change : plan.changes) {
                const CParameter& record =
                    project.Records(change.kind)
                        .Item(static_cast<std::size_t>(change.oldNumber - 1));
                EXPECT_EQ(record.Name(), change.name);
                planned[record.FilePath()].second = change.newNumber;
                ++(change.newNumber == 0 ? removed
                                         : renumbered)[static_cast<std::size_t>(change.kind)];
            }
            std::erase_if(planned, [](const auto& place) { return place.second.second == 0; });
            EXPECT_EQ(Places(cleaned), planned);
            EXPECT_EQ(plan.waveBytesFreed, project.WaveBytesTotal() - cleaned.WaveBytesTotal());
            EXPECT_EQ(plan.removed, removed);
            EXPECT_EQ(plan.renumbered, renumbered);
            for (int kind = kPatchKind; kind <= kWaveKind; ++kind) {
                seen["removed " + std::to_string(kind)] += removed[static_cast<std::size_t>(kind)];
                seen["renumbered " + std::to_string(kind)] +=
                    renumbered[static_cast<std::size_t>(kind)];
            }
            seen["cleared"] += plan.clearedReferences;
        }
    }
    // A clean never removes a patch; it only closes the gaps between them.
    for (const char* what :
         {"removed 1", "removed 2", "renumbered 0", "renumbered 1", "renumbered 2", "cleared"})
        EXPECT_GT(seen[what], 0) << "no run saw " << what;
}

} // namespace
