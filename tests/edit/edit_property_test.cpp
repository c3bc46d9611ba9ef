#include "edit/cell_edit.h"
#include "edit/drop.h"
#include "edit/list_edits.h"
#include "list_edit_support.h"
#include "support/faulty_file_system.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdlib>
#include <gtest/gtest.h>
#include <map>
#include <set>
#include <type_traits>

// Random projects, random sequences of drops, deletes, renames and undos over two or three
// open projects, and after every step: user lists true, references kept on the same content,
// undo exact in both directions, refusals without effect.
namespace {

using namespace Corv;
using namespace CorvTest;
using namespace CorvTest::Property;

// Snapshots, and where each record of a step went, for the checks after every step.
using Snapshot = std::shared_ptr<const ProjectState>;

// Where every slot's record came from across one step, and the slots (before the step) whose
// referrers may lose their references to them.
struct StepMap {
    static constexpr int kNone = -1; // an emptied slot
    using Slot = std::array<int, 3>; // project, kind, slot
    // Where a record came from (project * 4096 + slot before the step, or kNone), for the
    // slots whose record changed.
    std::map<Slot, int> origin;
    std::set<Slot> clearable;
    // A project into which waves were inserted: references beyond the wave list there become 0.
    int waveInsertProject = -1;

    static int Encode(int project, int slot) { return project * 4096 + slot; }
    int Origin(int project, int kind, int slot) const {
        const auto it = origin.find({project, kind, slot});
        return it == origin.end() ? Encode(project, slot) : it->second;
    }
};

template <typename State> auto& Records(State& state, int kind) {
    using Array =
        std::conditional_t<std::is_const_v<State>, const CParameterArray, CParameterArray>;
    return kind == kPatchKind  ? static_cast<Array&>(state.patches)
           : kind == kToneKind ? static_cast<Array&>(state.tones)
                               : static_cast<Array&>(state.waves);
}

std::string Where(int project, int kind, int slot) {
    static const char* const kNames[] = {"patch", "tone", "wave"};
    return "project " + std::to_string(project) + " " + kNames[kind] + " " +
           std::to_string(slot + 1);
}

// The references of a patch (its two slots) and of a tone (its 32 oscillator sides) in order,
// and a way to blank one, so that what is left of the record must not change.
std::array<int, 2> References(const CPatch& patch) {
    return patch.ToneNumbers();
}
std::array<int, 2 * CTone::kOscCount> References(const CTone& tone) {
    return tone.WaveNumbers();
}
void Blank(CPatch& patch, int i) {
    for (int n = 1; n <= 3; ++n) // the bank code and the number
        patch.Slot(i).SetP(n, 0);
}
void Blank(CTone& tone, int i) {
    tone.Osc(i / 2).SetWaveNumber(i % 2, 0);
}

// Records carried into another project land in order in the target's first empty slots: the
// tones of dropped patches, then the waves of dropped or carried tones.
void MarkCarried(StepMap& map, const Step& step, const std::vector<Snapshot>& before) {
    const ProjectState& source = *before[At(step.source)];
    const ProjectState& target = *before[At(step.target)];
    const auto carry = [&](int kind, const std::vector<int>& holders) {
        std::vector<int> numbers; // 0-based
        for (const int h : holders)
            for (const int n : kind == kToneKind ? source.patches[At(h)].ReferencedTones()
                                                 : source.tones[At(h)].ReferencedWaves())
                if (n >= 1 && n <= SlotCount(kind))
                    numbers.push_back(n - 1);
        numbers = SortedUnique(numbers);
        std::vector<int> free;
        for (int i = 0; i < SlotCount(kind); ++i)
            if (Records(target, kind).Item(At(i)).IsEmpty())
                free.push_back(i);
        for (std::size_t j = 0; j < numbers.size(); ++j)
            map.origin[{step.target, kind, free[j]}] = StepMap::Encode(step.source, numbers[j]);
        return numbers;
    };
    const std::vector<int> rows = Distinct(step.rows);
    if (step.kind != kWaveKind)
        carry(kWaveKind, step.kind == kToneKind ? rows : carry(kToneKind, rows));
}

// The rows the source list keeps selected after a drop, as the desktop re-selects them.
std::vector<int> Reselected(const Step& step, const std::vector<int>& rows) {
    if (step.source != step.target)
        return rows;
    const int n = static_cast<int>(rows.size());
    std::vector<int> result;
    for (const int r : rows) {
        if (!step.insert && (r < step.at || r >= step.at + n))
            result.push_back(r);
        if (step.insert && r < step.at)
            result.push_back(r);
        if (step.insert && r >= step.at && r + n < SlotCount(step.kind))
            result.push_back(r + n);
    }
    return result;
}

// The map of a drop that was carried out, computed from the states before it.
StepMap DropMap(const Step& step, const std::vector<Snapshot>& before) {
    StepMap map;
    const std::vector<int> rows = Distinct(step.rows);
    const int n = static_cast<int>(rows.size());
    const int slots = SlotCount(step.kind);
    const bool other = step.source != step.target;
    const bool copy = step.copy.value_or(other);
    for (int q = step.at; q < slots; ++q) {
        if (q < step.at + n)
            map.origin[{step.target, step.kind, q}] =
                StepMap::Encode(step.source, rows[At(q - step.at)]);
        else if (step.insert)
            map.origin[{step.target, step.kind, q}] = StepMap::Encode(step.target, q - n);
    }
    if (other)
        MarkCarried(map, step, before);
    if (!copy)
        for (const int r : Reselected(step, rows))
            map.origin[{step.source, step.kind, r}] = StepMap::kNone;
    if (step.kind != kPatchKind) {
        const int first = step.insert ? slots - n : step.at;
        for (int s = first; s < first + n; ++s)
            if (other || copy || !Contains(rows, s))
                map.clearable.insert({step.target, step.kind, s});
        if (other && !copy)
            for (const int r : rows)
                map.clearable.insert({step.source, step.kind, r});
    }
    if (step.insert && step.kind == kWaveKind)
        map.waveInsertProject = step.target;
    return map;
}

// Every record sits where the map says; every patch and tone is the same as before but for its
// references, and each of them still reaches the record it reached (wherever that went: its
// content is checked where it lies), unless it reached an empty slot or was cleared where the
// step may clear it. References beyond the list stay, but pass the end when waves are inserted.
testing::AssertionResult ContentKept(const StepMap& map, const std::vector<Snapshot>& before,
                                     const std::vector<CLumData*>& after,
                                     const std::vector<int>& changed) {
    const auto reaches = [&](int kind, int project, int fromProject, int was, int now) {
        return Records(*before[At(fromProject)], kind).Item(At(was - 1)).IsEmpty() ||
               (now == 0 && map.clearable.count({fromProject, kind, was - 1})) ||
               (now >= 1 && now <= SlotCount(kind) &&
                map.Origin(project, kind, now - 1) == StepMap::Encode(fromProject, was - 1));
    };
    // An empty text when the record `now` (a patch or tone) in `project` keeps `was`.
    const auto holderKept = [&](auto was, auto now, int kind, int project, int fromProject) {
        if constexpr (std::is_same_v<decltype(was), CTone>) {
            was.Users().clear();
            now.Users().clear();
        }
        const auto refsWas = References(was);
        const auto refsNow = References(now);
        const int target = kind + 1;
        for (std::size_t i = 0; i < refsWas.size(); ++i) {
            if (refsWas[i] == 0)
                continue; // no reference: the record's content must keep it as it was
            Blank(was, static_cast<int>(i));
            Blank(now, static_cast<int>(i));
            if (refsWas[i] <= SlotCount(target)
                    ? !reaches(target, project, fromProject, refsWas[i], refsNow[i])
                    : refsNow[i] != refsWas[i] && !(refsNow[i] == 0 && target == kWaveKind &&
                                                    map.waveInsertProject == project))
                return "reference " + std::to_string(i) + " went from " +
                       std::to_string(refsWas[i]) + " to " + std::to_string(refsNow[i]);
        }
        return std::string(was == now ? "" : "changed");
    };
    for (const int project : changed) {
        for (int kind = 0; kind < 3; ++kind) {
            const CParameterArray& records = after[At(project)]->Records(kind);
            for (int slot = 0; slot < SlotCount(kind); ++slot) {
                const int from = map.Origin(project, kind, slot);
                const CParameter& now = records.Item(At(slot));
                if (from == StepMap::kNone) {
                    if (!now.IsEmpty())
                        return testing::AssertionFailure()
                               << Where(project, kind, slot) << " should have been emptied";
                    continue;
                }
                const ProjectState& state = *before[At(from / 4096)];
                const CParameter& was = Records(state, kind).Item(At(from % 4096));
                if (was.FilePath() != now.FilePath())
                    return testing::AssertionFailure()
                           << Where(project, kind, slot) << " holds " << now.FilePath()
                           << " instead of " << was.FilePath();
                if (now.IsEmpty() || kind == kWaveKind)
                    continue;
                const std::string fault =
                    kind == kPatchKind
                        ? holderKept(static_cast<const CPatch&>(was),
                                     static_cast<const CPatch&>(now), kind, project, from / 4096)
                        : holderKept(static_cast<const CTone&>(was), static_cast<const CTone&>(now),
                                     kind, project, from / 4096);
                if (!fault.empty())
                    return testing::AssertionFailure()
                           << Where(project, kind, slot) << " " << fault;
            }
        }
    }
    return testing::AssertionSuccess();
}

#if defined(NDEBUG) && !defined(__SANITIZE_ADDRESS__)
constexpr int kStepsPerSeed = 125;
constexpr int kSeedsPerGroup = 4;
#else
constexpr int kStepsPerSeed = 20; // sanitizer and debug builds run a shorter sequence
constexpr int kSeedsPerGroup = 2;
#endif

// The undo step as the store must hold it: owners, saved kinds and the states saved.
struct UndoModel {
    std::array<int, 2> owner = {-1, -1};
    std::array<std::array<bool, 3>, 2> saved{};
    std::array<Snapshot, 2> state;
};

// What the runs saw, so that a run that never reaches a case cannot pass unnoticed.
using Coverage = std::map<std::string, int>;

class World {
public:
    World(std::uint32_t seed, Coverage& coverage)
        : m_scope(m_files), m_generator(seed, m_files), m_coverage(coverage) {
        m_log = m_store.InstallSink();
        const int count = m_generator.Uniform(2, 3);
        for (int p = 0; p < count; ++p) {
            m_projects.push_back(std::make_unique<CLumData>());
            m_generator.Fill(*m_projects.back());
            m_views.push_back(m_projects.back().get());
            m_states.push_back(Now(p));
        }
    }
    ~World() { m_projects.clear(); }

    // Runs one random step and checks it; the description goes to the failure message.
    void RunStep(std::string& description) {
        const Step step = m_generator.Next(m_views, UndoStep().CanUndo());
        description = step.Describe();
        m_log->Clear();
        m_log->SetDefaultAnswer(step.answer);
        if (step.op == Op::Drop)
            Drop(step);
        else if (step.op == Op::Delete)
            Delete(step);
        else if (step.op == Op::Undo)
            Undo();
        else
            EditText(step);
    }

private:
    CLumData& Project(int p) { return *m_projects[At(p)]; }
    CUndoStep& UndoStep() { return FreshStore::UndoStep(); }
    ConfirmFn Confirm() { return AskOkCancel(FreshStore::Services()); }
    Snapshot& State(int p) { return m_states[At(p)]; }
    Snapshot Now(int p) { return std::make_shared<ProjectState>(Project(p)); }
    void Count(const std::string& what) { ++m_coverage[what]; }

    void Drop(const Step& step) {
        static const std::map<int, std::string> kReasons = {
            {kMsgToneSpace, "free tone slot"},
            {kMsgWaveSpace, "free wave slot"},
            {kMsgWaveBytes, "waves would exceed 64 MB"}};
        const DropRequest request{
            &Project(step.source), step.rows, step.kind, &Project(step.target), step.at,
            step.insert,           step.copy};
        // The preview changes and says nothing; it accepts the drops that go ahead and names
        // the reason of a drop's error.
        const DropPreview preview = PreviewDrop(request, "B.prj");
        Unchanged();
        EXPECT_TRUE(m_log->Calls().empty());
        const DropResult result = PerformDrop(request, UndoStep(), Confirm());
        ShowRefusal(FreshStore::Services(), result.outcome); // as the programs show it
        for (const int error : m_log->Errors()) {
            Count("error " + std::to_string(error));
            EXPECT_NE(preview.text.find(kReasons.at(error)), std::string::npos) << preview.text;
        }
        // A cancelled question may come before the check that refuses the drop.
        const bool cancelled =
            !result.done && m_log->Errors().empty() && !m_log->Questions().empty();
        EXPECT_TRUE(cancelled || preview.accepted == result.done) << preview.text;
        if (!result.done) {
            Count(cancelled ? "drop cancelled" : "drop refused");
            return Unchanged();
        }
        const bool other = step.source != step.target;
        const bool copy = step.copy.value_or(other);
        EXPECT_EQ(result.sourceSelection, Reselected(step, Distinct(step.rows)));
        Count(std::string("drop kind ") + std::to_string(step.kind) +
              (step.insert ? " insert" : " overwrite") + (copy ? " copy" : " move") +
              (other ? " other" : " same"));
        const StepMap map = DropMap(step, m_states);
        const std::vector<int> owners = other && !copy ? std::vector<int>{step.target, step.source}
                                                       : std::vector<int>{step.target};
        Changed(owners, map);
    }

    void Delete(const Step& step) {
        if (!DeleteEntries(Project(step.source), step.rows, step.kind, UndoStep(), Confirm())
                 .Done()) {
            Count("delete cancelled");
            return Unchanged();
        }
        Count("delete");
        StepMap map; // the rows are emptied and references to them may be cleared
        for (const int r : step.rows) {
            map.origin[{step.source, step.kind, r}] = StepMap::kNone;
            map.clearable.insert({step.source, step.kind, r});
        }
        Changed({step.source}, map);
    }

    void EditText(const Step& step) {
        const bool set =
            step.op == Op::Rename
                ? SetNames(Project(step.source), step.kind, step.rows, step.text, UndoStep())
                : SetMemos(Project(step.source), step.kind, step.rows, step.memo, step.text,
                           UndoStep());
        ASSERT_TRUE(set);
        Count(step.op == Op::Rename ? "rename" : "memo");
        // Exactly those texts of those rows changed.
        ProjectState expected = *State(step.source);
        for (const int row : step.rows) {
            CParameter& record = Records(expected, step.kind).Item(At(row));
            if (step.op == Op::Rename)
                record.SetName(StoredName(step.text)); // its own test checks the filter
            else
                record.SetMemo(step.memo, step.text);
        }
        EXPECT_TRUE(expected.Matches(Project(step.source)));
        Recorded({step.source},
                 {step.kind == kPatchKind, step.kind == kToneKind, step.kind == kWaveKind});
    }

    void Undo() {
        Count("undo");
        UndoStep().Undo();
        for (std::size_t i = 0; i < 2; ++i) {
            const int owner = m_undo.owner[i];
            if (owner < 0)
                continue;
            // The owner now holds what was saved; the store holds what it had.
            EXPECT_TRUE(m_undo.state[i]->Matches(Project(owner))) << "undo slot " << i;
            m_undo.state[i] = State(owner);
            State(owner) = Now(owner);
        }
        Unchanged();
    }

    // Every project and the undo store hold what the model says (after a refused or cancelled
    // step: what they held before it).
    void Unchanged() {
        for (std::size_t p = 0; p < m_projects.size(); ++p)
            EXPECT_TRUE(m_states[p]->Matches(*m_projects[p])) << "project " << p << " changed";
        UndoStoreMatches();
    }

    // A drop or delete: user lists true, contents kept, all three kinds recorded for undo.
    void Changed(const std::vector<int>& owners, const StepMap& map) {
        for (const int p : owners)
            EXPECT_TRUE(UsersMatchReferences(Project(p))) << "project " << p;
        EXPECT_TRUE(ContentKept(map, m_states, m_views, owners));
        Recorded(owners, {true, true, true});
    }

    // A step that recorded undo: the store holds the states before it; one Undo brings them
    // back, a second Undo the states after it.
    void Recorded(const std::vector<int>& owners, std::array<bool, 3> kinds) {
        m_undo = {};
        for (std::size_t i = 0; i < owners.size(); ++i) {
            m_undo.owner[i] = owners[i];
            m_undo.saved[i] = kinds;
            m_undo.state[i] = State(owners[i]);
        }
        std::vector<Snapshot> after = m_states;
        for (const int owner : owners)
            after[At(owner)] = Now(owner);
        UndoStep().Undo();
        for (const int p : owners)
            EXPECT_TRUE(State(p)->Matches(Project(p))) << "undo once, project " << p;
        UndoStep().Undo();
        m_states = after;
        Unchanged(); // undone twice: the step's own result, and the states before it in the store
    }

    void UndoStoreMatches() {
        for (std::size_t i = 0; i < 2; ++i) {
            const CUndoStep::Snapshot& slot = UndoStep().Slots()[i];
            const int owner = m_undo.owner[i];
            ASSERT_EQ(slot.owner, owner < 0 ? nullptr : &Project(owner)) << "undo slot " << i;
            if (owner < 0)
                continue;
            for (int kind = 0; kind < 3; ++kind)
                ASSERT_EQ(slot.saved[kind], m_undo.saved[i][static_cast<std::size_t>(kind)]);
            const ProjectState& state = *m_undo.state[i];
            EXPECT_TRUE(!slot.saved[kPatchKind] || slot.patches == state.patches);
            EXPECT_TRUE(!slot.saved[kToneKind] || slot.tones == state.tones);
            EXPECT_TRUE(!slot.saved[kWaveKind] || slot.waves == state.waves);
        }
    }

    SizedFileSystem m_files;
    ScopedFileSystem m_scope;
    FreshStore m_store;
    Generator m_generator;
    Coverage& m_coverage;
    std::shared_ptr<SinkLog> m_log;
    std::vector<std::unique_ptr<CLumData>> m_projects;
    std::vector<CLumData*> m_views;
    std::vector<Snapshot> m_states;
    UndoModel m_undo;
};

std::uint32_t FirstSeed() {
    const char* text = std::getenv("CORV_PROPERTY_SEED");
    return text != nullptr ? static_cast<std::uint32_t>(std::strtoul(text, nullptr, 10)) : 1;
}

class EditProperty : public testing::TestWithParam<int> {};

TEST_P(EditProperty, RandomStepsKeepReferencesUndoAndRefusalsTrue) {
    Coverage coverage;
    const auto start = std::chrono::steady_clock::now();
    int steps = 0;
    for (int n = 0; n < kSeedsPerGroup; ++n) {
        const std::uint32_t seed =
            FirstSeed() + static_cast<std::uint32_t>(GetParam() * kSeedsPerGroup + n);
        World world(seed, coverage);
        for (int step = 1; step <= kStepsPerSeed; ++step, ++steps) {
            std::string description;
            world.RunStep(description);
            if (HasFailure()) {
                ADD_FAILURE() << "seed " << seed << " step " << step << ": " << description
                              << "\n(rerun with CORV_PROPERTY_SEED=" << seed
                              << " and the first group)";
                return;
            }
        }
    }
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("%d steps in %.2f s\n", steps, seconds);
    int combinations = 0;
    for (const auto& [what, count] : coverage) {
        std::printf("  %-36s %d\n", what.c_str(), count);
        combinations += what.rfind("drop kind", 0) == 0 ? 1 : 0;
    }
    if (kStepsPerSeed >= 100) {
        // A run that reaches too few kinds of drop, or never a refusal, proves little.
        EXPECT_GE(combinations, 20) << "of the 24 kinds of drop";
        EXPECT_GE(coverage["drop cancelled"] + coverage["delete cancelled"], 1);
        EXPECT_GE(coverage["undo"], 1);
    }
}

INSTANTIATE_TEST_SUITE_P(Groups, EditProperty, testing::Range(0, 4));

} // namespace
