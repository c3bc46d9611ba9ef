#include "edit_property_model.h"

#include <algorithm>
#include <numeric>
#include <sstream>

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

const CParameterArray& Records(const ProjectState& state, int kind) {
    return kind == kPatchKind  ? static_cast<const CParameterArray&>(state.patches)
           : kind == kToneKind ? static_cast<const CParameterArray&>(state.tones)
                               : static_cast<const CParameterArray&>(state.waves);
}

// Texts and every parameter except the wave numbers of the sides that refer to project waves.
bool ToneContentEqual(CTone before, CTone after) {
    for (CTone* tone : {&before, &after}) {
        tone->Users().clear();
        for (int osc = 0; osc < CTone::kOscCount; ++osc)
            for (int side = 0; side < 2; ++side)
                tone->Osc(osc).SetWaveNumber(side, 0); // only where the side takes a user wave
    }
    return before == after;
}

std::string Where(int project, int kind, int slot) {
    static const char* const kNames[] = {"patch", "tone", "wave"};
    return "project " + std::to_string(project) + " " + kNames[kind] + " " +
           std::to_string(slot + 1);
}

// Content checks of one reference holder whose record came from `from` (project, slot).
class ReferenceCheck {
public:
    ReferenceCheck(const StepMap& map, const std::vector<Snapshot>& before,
                   const std::vector<CLumData*>& after)
        : m_map(map), m_before(before), m_after(after) {}

    testing::AssertionResult Patch(int project, int slot, int fromProject, int fromSlot) const;
    testing::AssertionResult Tone(int project, int slot, int fromProject, int fromSlot) const;

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

testing::AssertionResult ReferenceCheck::Patch(int project, int slot, int fromProject,
                                               int fromSlot) const {
    const CPatch& now = m_after[At(project)]->Patches()[At(slot)];
    const CPatch& was = m_before[At(fromProject)]->patches[At(fromSlot)];
    for (int k = 0; k < 2; ++k) {
        const int before = was.Slot(k).ToneNumber();
        const int after = now.Slot(k).ToneNumber();
        const std::string where = Where(project, kPatchKind, slot) + " slot " + std::to_string(k);
        for (int n = 0; n < kPatchToneParameterCount; ++n)
            if ((n < 1 || n > 3 || before == 0 || before > kToneSlots) &&
                was.Slot(k).P(n) != now.Slot(k).P(n))
                return testing::AssertionFailure() << where << " changed parameter " << n;
        if (before == 0 || before > kToneSlots)
            continue;
        if (auto kept = Reaches(kToneKind, project, fromProject, before, after, where); !kept)
            return kept;
    }
    return testing::AssertionSuccess();
}

testing::AssertionResult ReferenceCheck::Tone(int project, int slot, int fromProject,
                                              int fromSlot) const {
    const CTone& now = m_after[At(project)]->Tones()[At(slot)];
    const CTone& was = m_before[At(fromProject)]->tones[At(fromSlot)];
    if (!ToneContentEqual(was, now))
        return testing::AssertionFailure() << Where(project, kToneKind, slot) << " changed";
    for (int osc = 0; osc < CTone::kOscCount; ++osc) {
        for (int side = 0; side < 2; ++side) {
            const int before = was.Osc(osc).WaveNumber(side);
            const int after = now.Osc(osc).WaveNumber(side);
            const std::string where = Where(project, kToneKind, slot) + " osc " +
                                      std::to_string(osc) + " side " + std::to_string(side);
            if (before == 0 || before > kWaveSlots) {
                // References beyond the list stay, but pass the end when waves are inserted.
                if (after != before && !(after == 0 && m_map.waveInsertProject == project))
                    return testing::AssertionFailure()
                           << where << " changed reference " << before << " to " << after;
            } else if (auto kept = Reaches(kWaveKind, project, fromProject, before, after, where);
                       !kept) {
                return kept;
            }
        }
    }
    return testing::AssertionSuccess();
}

void MarkCarried(StepMap& map, const Step& step, const std::vector<Snapshot>& before) {
    const ProjectState& source = *before[At(step.source)];
    const ProjectState& target = *before[At(step.target)];
    const std::vector<int> rows = Distinct(step.rows);
    std::vector<int> tones; // 0-based source tones whose waves come along
    if (step.kind == kPatchKind) {
        std::vector<int> numbers;
        for (const int p : rows)
            for (const int t : source.patches[At(p)].ReferencedTones())
                if (t >= 1 && t <= kToneSlots)
                    numbers.push_back(t);
        numbers = SortedUnique(numbers);
        const std::vector<int> free = EmptySlots(target.tones);
        for (std::size_t j = 0; j < numbers.size(); ++j) {
            map.origin[At(step.target)][kToneKind][At(free[j])] =
                StepMap::Encode(step.source, numbers[j] - 1);
            tones.push_back(numbers[j] - 1);
        }
    } else if (step.kind == kToneKind) {
        tones = rows;
    } else {
        return;
    }
    std::vector<int> waves;
    for (const int t : tones)
        for (const int w : source.tones[At(t)].ReferencedWaves())
            if (w >= 1 && w <= kWaveSlots)
                waves.push_back(w);
    waves = SortedUnique(waves);
    const std::vector<int> free = EmptySlots(target.waves);
    for (std::size_t j = 0; j < waves.size(); ++j)
        map.origin[At(step.target)][kWaveKind][At(free[j])] =
            StepMap::Encode(step.source, waves[j] - 1);
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
            int number = Uniform(1, kWaveSlots); // most likely an empty slot
            if (pick < 25)
                number = Uniform(kWaveSlots + 1, 65535);
            else if (pick < 85 && !waves.empty())
                number = waves[At(Uniform(0, static_cast<int>(waves.size()) - 1))] + 1;
            osc.SetWaveNumber(side, number);
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
            int number = Uniform(1, kToneSlots);
            if (pick < 28)
                number = Uniform(kToneSlots + 1, 16384);
            else if (pick < 90 && !tones.empty())
                number = tones[At(Uniform(0, static_cast<int>(tones.size()) - 1))] + 1;
            slot.SetToneNumber(number);
        }
        project.Patches().PlaceClone(At(p), patch);
    }
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
        return !used.empty() && Chance(0.85)
                   ? used[At(Uniform(0, static_cast<int>(used.size()) - 1))]
                   : Uniform(0, slots - 1);
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
                auto result = kind == kPatchKind ? check.Patch(project, slot, fromProject, fromSlot)
                                                 : check.Tone(project, slot, fromProject, fromSlot);
                if (!result)
                    return result;
            }
        }
    }
    return testing::AssertionSuccess();
}

testing::AssertionResult TextEditKept(const Step& step, const ProjectState& before,
                                      const CLumData& after) {
    // A name keeps the single-byte characters that file names can carry, at most 12.
    std::string name;
    for (std::size_t i = 0; i < step.text.size(); ++i) {
        const auto c = static_cast<unsigned char>(step.text[i]);
        if ((c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC))
            ++i;
        else if (std::string("\\/*?:\"<>|").find(static_cast<char>(c)) == std::string::npos)
            name += static_cast<char>(c);
    }
    ProjectState expected = before;
    CParameterArray& records =
        step.kind == kPatchKind  ? static_cast<CParameterArray&>(expected.patches)
        : step.kind == kToneKind ? static_cast<CParameterArray&>(expected.tones)
                                 : static_cast<CParameterArray&>(expected.waves);
    for (const int row : step.rows) {
        if (step.op == Op::Rename)
            records.Item(At(row)).SetName(name.substr(0, 12));
        else
            records.Item(At(row)).SetMemo(step.memo, step.text);
    }
    if (expected.Matches(after))
        return testing::AssertionSuccess();
    return testing::AssertionFailure() << "the text edit did not change exactly its texts";
}

} // namespace CorvTest::Property
