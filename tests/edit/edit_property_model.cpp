#include "edit_property_model.h"

#include "edit/cell_edit.h"

#include <algorithm>
#include <array>
#include <numeric>
#include <sstream>
#include <type_traits>

namespace CorvTest::Property {

using namespace Corv;

namespace {

std::size_t At(int index) {
    return static_cast<std::size_t>(index);
}

class SizedFile : public IFile {
public:
    explicit SizedFile(std::uint32_t size) : m_size(size) {}
    std::int64_t Read(void*, std::size_t) override { return 0; }
    bool Write(const void*, std::size_t) override { return false; }
    bool Seek(std::uint64_t) override { return true; }
    std::int64_t Size() override { return m_size; }
    bool Sync() override { return false; }
    bool Close() override { return true; }

private:
    std::uint32_t m_size;
};

bool Contains(const std::vector<int>& values, int value) {
    return std::find(values.begin(), values.end(), value) != values.end();
}

std::vector<int> SortedUnique(std::vector<int> values) {
    std::sort(values.begin(), values.end());
    values.erase(std::unique(values.begin(), values.end()), values.end());
    return values;
}

std::vector<int> EmptySlots(const CParameterArray& records) {
    std::vector<int> slots;
    for (std::size_t i = 0; i < records.Size(); ++i)
        if (records.Item(i).IsEmpty())
            slots.push_back(static_cast<int>(i));
    return slots;
}

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

// Content checks of the patches and tones whose records moved along the map.
class ReferenceCheck {
public:
    ReferenceCheck(const StepMap& map, const std::vector<Snapshot>& before,
                   const std::vector<CLumData*>& after)
        : m_map(map), m_before(before), m_after(after) {}

    // The record now in (project, slot) came from (fromProject, fromSlot): it is the same but
    // for its references, and each reference still reaches what it reached.
    template <typename Record>
    testing::AssertionResult Holder(int kind, int project, int slot, int fromProject,
                                    int fromSlot) const {
        Record now = static_cast<const Record&>(m_after[At(project)]->Records(kind).Item(At(slot)));
        Record was = static_cast<const Record&>(
            Records(*m_before[At(fromProject)], kind).Item(At(fromSlot)));
        const auto before = References(was);
        const auto after = References(now);
        const int target = kind + 1;
        if constexpr (std::is_same_v<Record, CTone>) {
            was.Users().clear();
            now.Users().clear();
        }
        for (std::size_t i = 0; i < before.size(); ++i) {
            if (before[i] == 0)
                continue; // no reference: the record's content must keep it as it was
            Blank(was, static_cast<int>(i));
            Blank(now, static_cast<int>(i));
            const std::string where =
                Where(project, kind, slot) + " reference " + std::to_string(i);
            if (before[i] <= SlotCount(target)) {
                if (auto kept = Reaches(target, project, fromProject, before[i], after[i], where);
                    !kept)
                    return kept;
            } else if (after[i] != before[i] && !(after[i] == 0 && target == kWaveKind &&
                                                  m_map.waveInsertProject == project)) {
                // References beyond the list stay, but pass the end when waves are inserted.
                return testing::AssertionFailure()
                       << where << " changed reference " << before[i] << " to " << after[i];
            }
        }
        if (!(was == now))
            return testing::AssertionFailure() << Where(project, kind, slot) << " changed";
        return testing::AssertionSuccess();
    }

private:
    // The reference `before` of a record from `fromProject`, now `after` in `project`, still
    // reaches the record it reached (wherever that went; its content is checked where it lies),
    // unless it reached an empty slot or was cleared where the step may clear it.
    testing::AssertionResult Reaches(int kind, int project, int fromProject, int before, int after,
                                     const std::string& where) const {
        const CParameter& was = Records(*m_before[At(fromProject)], kind).Item(At(before - 1));
        const auto& origin = m_map.origin[At(project)][At(kind)];
        if (was.IsEmpty() ||
            (after == 0 && m_map.clearable[At(fromProject)][At(kind)][At(before - 1)]) ||
            (after >= 1 && after <= SlotCount(kind) &&
             origin[At(after - 1)] == StepMap::Encode(fromProject, before - 1)))
            return testing::AssertionSuccess();
        return testing::AssertionFailure() << where << " referred to " << was.FilePath() << " as "
                                           << before << " and now refers to " << after;
    }

    const StepMap& m_map;
    const std::vector<Snapshot>& m_before;
    const std::vector<CLumData*>& m_after;
};

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
        const std::vector<int> free = EmptySlots(Records(target, kind));
        for (std::size_t j = 0; j < numbers.size(); ++j)
            map.origin[At(step.target)][At(kind)][At(free[j])] =
                StepMap::Encode(step.source, numbers[j]);
        return numbers;
    };
    const std::vector<int> rows = Distinct(step.rows);
    if (step.kind != kWaveKind)
        carry(kWaveKind, step.kind == kToneKind ? rows : carry(kToneKind, rows));
}

} // namespace

std::unique_ptr<IFile> SizedFileSystem::Open(const std::string& path, OpenMode mode) {
    const auto it = m_sizes.find(path);
    if (mode != OpenMode::Read || it == m_sizes.end())
        return nullptr;
    return std::make_unique<SizedFile>(it->second);
}

std::string Step::Describe() const {
    static const char* const kOps[] = {"drop", "delete", "rename", "memo", "undo"};
    static const char* const kKinds[] = {"patch", "tone", "wave"};
    std::ostringstream out;
    out << kOps[static_cast<int>(op)];
    if (op == Op::Undo)
        return out.str();
    out << " " << kKinds[kind] << " of project " << source << " rows";
    for (const int row : rows)
        out << " " << row;
    if (op == Op::Drop) {
        out << " to project " << target << " at " << at << (insert ? " insert" : " overwrite")
            << (copy ? (*copy ? " copy" : " move") : " default");
    }
    if (op == Op::Memo)
        out << " memo " << memo;
    out << " answer " << answer;
    return out.str();
}

std::vector<int> Generator::PickSlots(int kind) {
    const int slots = SlotCount(kind);
    const int shape = Uniform(0, 99);
    const int count = shape < 45   ? Uniform(0, 30)
                      : shape < 82 ? Uniform(30, 150)
                                   : slots - Uniform(0, 4);
    std::vector<int> all(At(slots));
    std::iota(all.begin(), all.end(), 0);
    std::shuffle(all.begin(), all.end(), m_random);
    all.resize(At(count));
    if (Chance(0.3) && count > 1) { // the edges of the list
        all[0] = 0;
        all[1] = slots - 1;
    }
    return SortedUnique(all);
}

void Generator::FillWaves(CLumData& project, const std::vector<int>& slots) {
    std::vector<std::string> readable;
    for (const int w : slots) {
        const std::string path = NewPath(".w00");
        project.Waves().PlaceClone(At(w), MakeWave("W" + std::to_string(m_uid), path));
        if (!Chance(0.1)) // a file that cannot be opened counts 0
            readable.push_back(path);
    }
    if (readable.empty() || !Chance(0.3)) {
        for (const std::string& path : readable)
            m_files.SetSize(path, static_cast<std::uint32_t>(Uniform(0, 60000)));
        return;
    }
    // A project whose waves come close to the size limit: one more wave may not fit.
    std::uint64_t left = kWaveBytesLimit - static_cast<std::uint64_t>(Uniform(0, 150000));
    for (std::size_t i = 0; i + 1 < readable.size(); ++i) {
        const std::uint64_t share = left / (readable.size() - i);
        const std::uint64_t bytes =
            share / 2 + static_cast<std::uint64_t>(Uniform(0, 1 << 20)) % (share + 1);
        const std::uint64_t taken = std::min(bytes, left);
        m_files.SetSize(readable[i], static_cast<std::uint32_t>(taken));
        left -= taken;
    }
    m_files.SetSize(readable.back(), static_cast<std::uint32_t>(left));
}

void Generator::FillTones(CLumData& project, const std::vector<int>& slots,
                          const std::vector<int>& waves) {
    for (const int t : slots) {
        CTone tone = MakeTone("T" + std::to_string(m_uid + 1), {});
        tone.SetFilePath(NewPath(".p00"));
        for (int n = Uniform(0, 6); n > 0; --n) {
            COsc& osc = tone.Osc(Uniform(0, CTone::kOscCount - 1));
            const int side = Uniform(0, 1);
            osc.SetP(side == 0 ? 7 : 59, static_cast<std::uint8_t>(Uniform(0, 127)));
            const int pick = Uniform(0, 99);
            if (pick < 15) { // an instrument wave: the digits mean nothing here
                osc.SetP(side == 0 ? 18 : 70, Chance(0.5) ? 0 : 2);
                for (int d = 0; d < 4; ++d)
                    osc.SetP((side == 0 ? 40 : 92) + d, static_cast<std::uint8_t>(Uniform(0, 15)));
                continue;
            }
            osc.SetP(side == 0 ? 18 : 70, COsc::kUserWaveSource);
            osc.SetWaveNumber(side, Reference(kWaveKind, pick, 25, 85, waves));
        }
        project.Tones().PlaceClone(At(t), tone);
    }
}

void Generator::FillPatches(CLumData& project, const std::vector<int>& slots,
                            const std::vector<int>& tones) {
    for (const int p : slots) {
        CPatch patch = MakePatch("P" + std::to_string(m_uid + 1), 0);
        patch.SetFilePath(NewPath(".d00"));
        for (int k = 0; k < 2; ++k) {
            CPatchTone& slot = patch.Slot(k);
            slot.SetP(0, static_cast<std::uint8_t>(Uniform(0, 1)));
            slot.SetP(5, static_cast<std::uint8_t>(Uniform(0, 127)));
            const int pick = Uniform(0, 99);
            if (pick < 10)
                continue;    // no tone
            if (pick < 22) { // an instrument tone
                slot.SetP(1, static_cast<std::uint8_t>(Chance(0.5) ? 65 : Uniform(0, 86)));
                slot.SetP(2, static_cast<std::uint8_t>(Uniform(0, 127)));
                slot.SetP(3, static_cast<std::uint8_t>(Uniform(0, 127)));
                continue;
            }
            slot.SetToneNumber(Reference(kToneKind, pick, 28, 90, tones));
        }
        project.Patches().PlaceClone(At(p), patch);
    }
}

int Generator::Reference(int kind, int pick, int beyond, int used, const std::vector<int>& slots) {
    int number = Uniform(1, SlotCount(kind)); // most likely an empty slot
    if (pick < beyond)
        number = Uniform(SlotCount(kind) + 1, kind == kToneKind ? 16384 : 65535);
    else if (pick < used && !slots.empty())
        number = Pick(slots) + 1;
    return number;
}

void Generator::Fill(CLumData& project) {
    const std::vector<int> waves = PickSlots(kWaveKind);
    const std::vector<int> tones = PickSlots(kToneKind);
    FillWaves(project, waves);
    FillTones(project, tones, waves);
    FillPatches(project, PickSlots(kPatchKind), tones);
    RebuildUsers(project);
}

std::vector<int> Generator::Rows(const CLumData& project, int kind) {
    const int slots = SlotCount(kind);
    const int shape = Uniform(0, 99);
    const int count = shape < 40   ? 1
                      : shape < 75 ? Uniform(2, 4)
                      : shape < 95 ? Uniform(5, 12)
                                   : Uniform(13, 40);
    std::vector<int> used;
    for (int i = 0; i < slots; ++i)
        if (!project.Records(kind).Item(At(i)).IsEmpty())
            used.push_back(i);
    auto anyRow = [&] {
        return !used.empty() && Chance(0.85) ? Pick(used) : Uniform(0, slots - 1);
    };
    std::vector<int> rows;
    if (Chance(0.5)) { // one unbroken block
        const int first = std::min(anyRow(), slots - count);
        for (int i = 0; i < count; ++i)
            rows.push_back(first + i);
    } else {
        for (int i = 0; i < count; ++i)
            rows.push_back(anyRow());
    }
    if (Chance(0.5))
        std::sort(rows.begin(), rows.end());
    return rows;
}

int Generator::Position(const CLumData& target, int kind, const std::vector<int>& rows) {
    const int slots = SlotCount(kind);
    const int n = static_cast<int>(Distinct(rows).size());
    const int low = *std::min_element(rows.begin(), rows.end());
    switch (Uniform(0, 9)) {
    case 0:
        return 0;
    case 1:
        return slots - n; // the last place that fits
    case 2:
        return Chance(0.5) ? slots - n + 1 : slots - 1;
    case 3:
        return low; // onto itself
    case 4:
        return std::max(0, low + Uniform(-2, 2));
    case 5:
    case 6: {
        const int extent = target.UsedExtent(kind);
        return extent == 0 ? 0 : Uniform(0, extent - 1);
    }
    default:
        return Uniform(0, slots - 1);
    }
}

std::string Generator::Text(bool forName) {
    static const std::string kPieces[] = {"Pad",      " ",    "a/b",  ":",        "Str",
                                          "\x83\x5C", "\xE0", "*?",   "Bass",     "\"q\"",
                                          "<>|",      "\\",   "\xB1", "Long name"};
    std::string text;
    for (int n = Uniform(0, forName ? 6 : 4); n > 0; --n)
        text += kPieces[Uniform(0, 13)];
    return text;
}

Step Generator::Next(const std::vector<CLumData*>& projects, bool canUndo) {
    Step step;
    const int pick = Uniform(0, 99);
    step.op = pick < 60   ? Op::Drop
              : pick < 74 ? Op::Delete
              : pick < 82 ? Op::Rename
              : pick < 88 ? Op::Memo
                          : Op::Undo;
    if (step.op == Op::Undo && !canUndo)
        step.op = Op::Drop;
    const int last = static_cast<int>(projects.size()) - 1;
    step.source = Uniform(0, last);
    step.target = Chance(0.5) ? step.source : (step.source + Uniform(1, last)) % (last + 1);
    step.kind = Uniform(0, 2);
    step.answer = Chance(0.85) ? kAnswerOk : kAnswerCancel;
    if (step.op == Op::Undo)
        return step;
    step.rows = Rows(*projects[At(step.source)], step.kind);
    step.at = Position(*projects[At(step.target)], step.kind, step.rows);
    step.insert = Chance(0.5);
    const int effect = Uniform(0, 2);
    step.copy = effect == 0 ? std::nullopt : std::optional<bool>(effect == 1);
    step.memo = Uniform(1, 4);
    step.text = Text(step.op == Op::Rename);
    return step;
}

StepMap::StepMap(std::size_t projects) : origin(projects), clearable(projects) {
    for (std::size_t p = 0; p < projects; ++p) {
        for (int kind = 0; kind < 3; ++kind) {
            std::vector<int> identity(At(SlotCount(kind)));
            for (std::size_t i = 0; i < identity.size(); ++i)
                identity[i] = Encode(static_cast<int>(p), static_cast<int>(i));
            origin[p].push_back(std::move(identity));
            clearable[p].push_back(std::vector<bool>(At(SlotCount(kind)), false));
        }
    }
}

std::vector<int> Distinct(const std::vector<int>& rows) {
    std::vector<int> result;
    for (const int row : rows)
        if (!Contains(result, row))
            result.push_back(row);
    return result;
}

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

StepMap DropMap(const Step& step, const std::vector<Snapshot>& before) {
    StepMap map(before.size());
    const std::vector<int> rows = Distinct(step.rows);
    const int n = static_cast<int>(rows.size());
    const int slots = SlotCount(step.kind);
    const bool other = step.source != step.target;
    const bool copy = step.copy.value_or(other);
    std::vector<int>& placed = map.origin[At(step.target)][At(step.kind)];
    for (int q = step.at; q < slots; ++q) {
        if (q < step.at + n)
            placed[At(q)] = StepMap::Encode(step.source, rows[At(q - step.at)]);
        else if (step.insert)
            placed[At(q)] = StepMap::Encode(step.target, q - n);
    }
    if (other)
        MarkCarried(map, step, before);
    if (!copy)
        for (const int r : Reselected(step, rows))
            map.origin[At(step.source)][At(step.kind)][At(r)] = StepMap::kNone;
    if (step.kind != kPatchKind) {
        const int first = step.insert ? slots - n : step.at;
        for (int s = first; s < first + n; ++s)
            if (other || copy || !Contains(rows, s))
                map.clearable[At(step.target)][At(step.kind)][At(s)] = true;
        if (other && !copy)
            for (const int r : rows)
                map.clearable[At(step.source)][At(step.kind)][At(r)] = true;
    }
    if (step.insert && step.kind == kWaveKind)
        map.waveInsertProject = step.target;
    return map;
}

StepMap DeleteMap(const Step& step, std::size_t projects) {
    StepMap map(projects);
    for (const int r : step.rows) {
        map.origin[At(step.source)][At(step.kind)][At(r)] = StepMap::kNone;
        map.clearable[At(step.source)][At(step.kind)][At(r)] = true;
    }
    return map;
}

testing::AssertionResult ContentKept(const StepMap& map, const std::vector<Snapshot>& before,
                                     const std::vector<CLumData*>& after,
                                     const std::vector<int>& changed) {
    const ReferenceCheck check(map, before, after);
    for (const int changedProject : changed) {
        const std::size_t p = At(changedProject);
        for (int kind = 0; kind < 3; ++kind) {
            const CParameterArray& records = after[p]->Records(kind);
            for (std::size_t s = 0; s < records.Size(); ++s) {
                const int from = map.origin[p][At(kind)][s];
                const int project = static_cast<int>(p);
                const int slot = static_cast<int>(s);
                if (from == StepMap::kNone) {
                    if (!records.Item(s).IsEmpty())
                        return testing::AssertionFailure()
                               << Where(project, kind, slot) << " should have been emptied";
                    continue;
                }
                const int fromProject = from / 4096;
                const int fromSlot = from % 4096;
                const CParameter& was = Records(*before[At(fromProject)], kind).Item(At(fromSlot));
                if (was.FilePath() != records.Item(s).FilePath())
                    return testing::AssertionFailure()
                           << Where(project, kind, slot) << " holds " << records.Item(s).FilePath()
                           << " instead of " << was.FilePath();
                if (records.Item(s).IsEmpty() || kind == kWaveKind)
                    continue;
                auto result = kind == kPatchKind
                                  ? check.Holder<CPatch>(kind, project, slot, fromProject, fromSlot)
                                  : check.Holder<CTone>(kind, project, slot, fromProject, fromSlot);
                if (!result)
                    return result;
            }
        }
    }
    return testing::AssertionSuccess();
}

testing::AssertionResult TextEditKept(const Step& step, const ProjectState& before,
                                      const CLumData& after) {
    ProjectState expected = before;
    CParameterArray& records = Records(expected, step.kind);
    for (const int row : step.rows) {
        if (step.op == Op::Rename)
            records.Item(At(row)).SetName(StoredName(step.text)); // its own test checks the filter
        else
            records.Item(At(row)).SetMemo(step.memo, step.text);
    }
    if (expected.Matches(after))
        return testing::AssertionSuccess();
    return testing::AssertionFailure() << "the text edit did not change exactly its texts";
}

} // namespace CorvTest::Property
