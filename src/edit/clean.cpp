#include "edit/clean.h"

#include "storage/slot_file_name.h"
#include "storage/undo_step.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace Corv {

namespace {

// Where a clean put every record: for each kind and old 0-based index the new 1-based number
// (0 when the record went or was empty), and how many dangling references it reset.
struct CleanMap {
    std::array<std::vector<int>, 3> newNumbers;
    int clearedReferences = 0;

    explicit CleanMap(const CLumData& data) {
        for (int kind = kPatchKind; kind <= kWaveKind; ++kind)
            newNumbers[static_cast<std::size_t>(kind)].assign(data.Records(kind).Size(), 0);
    }
    void Place(int kind, std::size_t oldIndex, std::size_t newCount) {
        newNumbers[static_cast<std::size_t>(kind)][oldIndex] = static_cast<int>(newCount);
    }
};

// True when a 1-based number names a used slot of the array. A number beyond the array names
// no slot at all and so counts like a reference to an empty one.
template <class Array> bool NamesUsedSlot(const Array& records, int number) {
    return number >= 1 && static_cast<std::size_t>(number) <= records.Size() &&
           !records[static_cast<std::size_t>(number - 1)].IsEmpty();
}

// A patch tone slot that points at an empty (or non-existent) tone is reset as a whole.
void ResetDanglingToneReferences(CLumData& data, CleanMap& map) {
    CPatchArray& patches = data.Patches();
    for (std::size_t p = 0; p < patches.Size(); ++p)
        for (int slot = 0; slot < 2; ++slot) {
            const int tone = patches[p].Slot(slot).ToneNumber();
            if (tone != 0 && !NamesUsedSlot(data.Tones(), tone)) {
                patches[p].ResetToneSlot(slot);
                ++map.clearedReferences;
            }
        }
}

// An oscillator side that points at an empty (or non-existent) wave loses only its number.
void ResetDanglingWaveReferences(CLumData& data, CleanMap& map) {
    CToneArray& tones = data.Tones();
    for (std::size_t t = 0; t < tones.Size(); ++t)
        for (int osc = 0; osc < CTone::kOscCount; ++osc)
            for (int side = 0; side < 2; ++side) {
                const int wave = tones[t].Osc(osc).WaveNumber(side);
                if (wave != 0 && !NamesUsedSlot(data.Waves(), wave)) {
                    tones[t].Osc(osc).SetWaveNumber(side, 0);
                    ++map.clearedReferences;
                }
            }
}

// Drops from every user list the users that are empty slots (or no slots at all); an empty
// record keeps no users.
template <class Referenced, class Users>
void DropEmptyUsers(Referenced& records, const Users& users) {
    for (std::size_t i = 0; i < records.Size(); ++i) {
        std::vector<std::int32_t>& list = records[i].Users();
        if (records[i].IsEmpty()) {
            list.clear();
            continue;
        }
        std::erase_if(list, [&users](std::int32_t user) {
            return user < 0 || static_cast<std::size_t>(user) >= users.Size() ||
                   users[static_cast<std::size_t>(user)].IsEmpty();
        });
    }
}

// For every origin mark m (an old 1-based number), the new 1-based number of the first record
// that carries it; 0 when no record does.
template <class Referenced> std::vector<int> NewNumbersByMark(const Referenced& records) {
    std::vector<int> newNumbers(records.Size() + 1, 0);
    for (std::size_t u = 0; u < records.Size(); ++u) {
        const std::vector<std::int32_t>& list = records[u].Users();
        if (list.empty())
            continue;
        const std::int32_t mark = list.front();
        if (mark >= 1 && static_cast<std::size_t>(mark) < newNumbers.size() &&
            newNumbers[static_cast<std::size_t>(mark)] == 0)
            newNumbers[static_cast<std::size_t>(mark)] = static_cast<int>(u) + 1;
    }
    return newNumbers;
}

// The new number of an old one, or 0 when no kept record came from it.
int Renumbered(const std::vector<int>& newNumbers, int old) {
    return old >= 1 && static_cast<std::size_t>(old) < newNumbers.size()
               ? newNumbers[static_cast<std::size_t>(old)]
               : 0;
}

void CompactPatches(CLumData& data, const CleanOptions& options, CleanMap& map) {
    CPatchArray& patches = data.Patches();
    CPatchArray kept;
    for (std::size_t p = 0; p < patches.Size(); ++p)
        if (options.keepPatchNumbers || !patches[p].IsEmpty()) {
            kept.Append(CPatchArray::Copy(patches[p]));
            if (!patches[p].IsEmpty())
                map.Place(kPatchKind, p, kept.Size());
        }
    kept.Resize(kPatchSlots);
    patches.SwapItems(kept);
    data.RebuildToneUsers();
}

// A dropped tone no longer counts as a user of its waves.
void ForgetToneInWaves(CWaveArray& waves, const CTone& tone, std::size_t toneIndex) {
    for (const int wave : tone.ReferencedWaves())
        if (wave >= 1 && static_cast<std::size_t>(wave) <= waves.Size())
            waves[static_cast<std::size_t>(wave - 1)].RemoveUser(
                static_cast<std::int32_t>(toneIndex));
}

// The kept tones, each carrying its old number as its only user; placeholders keep the
// numbering when asked to. Returns the new list (not yet filled up).
CToneArray KeptTones(CLumData& data, const CleanOptions& options, CleanMap& map) {
    const CToneArray& tones = data.Tones();
    CToneArray kept;
    for (std::size_t t = 0; t < tones.Size(); ++t) {
        const CTone& tone = tones[t];
        if (!tone.IsEmpty() && (options.keepTones || !tone.Users().empty())) {
            auto clone = CToneArray::Copy(tone);
            clone->Users().assign(1, static_cast<std::int32_t>(t + 1));
            kept.Append(std::move(clone));
            map.Place(kToneKind, t, kept.Size());
            continue;
        }
        if (!tone.IsEmpty() && !options.keepWaves)
            ForgetToneInWaves(data.Waves(), tone, t);
        if (options.keepToneNumbers)
            kept.Append(std::make_unique<CTone>());
    }
    return kept;
}

void RenumberToneReferences(CLumData& data) {
    const std::vector<int> newNumbers = NewNumbersByMark(data.Tones());
    CPatchArray& patches = data.Patches();
    for (std::size_t p = 0; p < patches.Size(); ++p)
        for (int slot = 0; slot < 2; ++slot) {
            CPatchTone& toneSlot = patches[p].Slot(slot);
            if (const int tone = Renumbered(newNumbers, toneSlot.ToneNumber()); tone != 0)
                toneSlot.SetToneNumber(tone);
        }
}

// Rebuilds the patch-user lists of the first `count` tones (those of the new list).
void RebuildPatchUsers(CLumData& data, std::size_t count) {
    CToneArray& tones = data.Tones();
    for (std::size_t u = 0; u < count; ++u)
        tones[u].Users().clear();
    const CPatchArray& patches = data.Patches();
    for (std::size_t p = 0; p < patches.Size(); ++p)
        for (const int tone : patches[p].ToneNumbers())
            if (tone >= 1 && static_cast<std::size_t>(tone) <= count)
                tones[static_cast<std::size_t>(tone - 1)].AddUser(static_cast<std::int32_t>(p));
}

void CompactTones(CLumData& data, const CleanOptions& options, CleanMap& map) {
    CToneArray kept = KeptTones(data, options, map);
    const std::size_t fromList = kept.Size();
    kept.Resize(kToneSlots);
    data.Tones().SwapItems(kept);
    RenumberToneReferences(data);
    RebuildPatchUsers(data, fromList);
    data.RebuildWaveUsers();
}

bool KeepWave(const CWave& wave, const CleanOptions& options) {
    if (!options.keepWaves)
        return !wave.Users().empty();
    return !wave.IsEmpty() && (!wave.Users().empty() || !wave.HasW00Extension());
}

void RenumberWaveReferences(CLumData& data) {
    const std::vector<int> newNumbers = NewNumbersByMark(data.Waves());
    CToneArray& tones = data.Tones();
    for (std::size_t t = 0; t < tones.Size(); ++t)
        for (int osc = 0; osc < CTone::kOscCount; ++osc)
            for (int side = 0; side < 2; ++side) {
                COsc& block = tones[t].Osc(osc);
                if (const int wave = Renumbered(newNumbers, block.WaveNumber(side)); wave != 0)
                    block.SetWaveNumber(side, wave);
            }
}

// Rebuilds the tone-user lists of the first `count` waves (those of the new list).
void RebuildToneUsersOfWaves(CLumData& data, std::size_t count) {
    CWaveArray& waves = data.Waves();
    for (std::size_t u = 0; u < count; ++u)
        waves[u].Users().clear();
    const CToneArray& tones = data.Tones();
    for (std::size_t t = 0; t < tones.Size(); ++t)
        for (const int wave : tones[t].WaveNumbers())
            if (wave >= 1 && static_cast<std::size_t>(wave) <= count)
                waves[static_cast<std::size_t>(wave - 1)].AddUser(static_cast<std::int32_t>(t));
}

void CompactWaves(CLumData& data, const CleanOptions& options, CleanMap& map) {
    const CWaveArray& waves = data.Waves();
    CWaveArray kept;
    for (std::size_t w = 0; w < waves.Size(); ++w)
        if (KeepWave(waves[w], options)) {
            auto clone = CWaveArray::Copy(waves[w]);
            clone->Users().assign(1, static_cast<std::int32_t>(w + 1));
            kept.Append(std::move(clone));
            map.Place(kWaveKind, w, kept.Size());
        }
    const std::size_t fromList = kept.Size();
    kept.Resize(kWaveSlots);
    data.Waves().SwapItems(kept);
    RenumberWaveReferences(data);
    RebuildToneUsersOfWaves(data, fromList);
}

// The clean itself; the map says where every record went.
CleanMap CleanWith(CLumData& data, const CleanOptions& options) {
    CleanMap map(data);
    ResetDanglingToneReferences(data, map);
    ResetDanglingWaveReferences(data, map);
    DropEmptyUsers(data.Tones(), data.Patches());
    DropEmptyUsers(data.Waves(), data.Tones());
    CompactPatches(data, options, map);
    CompactTones(data, options, map);
    CompactWaves(data, options, map);
    return map;
}

// The plan of a clean that ran on a copy of `data` and left `map`.
CleanPlan PlanFromMap(const CLumData& data, const CleanMap& map) {
    CleanPlan plan;
    plan.clearedReferences = map.clearedReferences;
    std::vector<std::string> freedWaves;
    for (int kind = kPatchKind; kind <= kWaveKind; ++kind) {
        const auto k = static_cast<std::size_t>(kind);
        const CParameterArray& records = data.Records(kind);
        for (std::size_t i = 0; i < records.Size(); ++i) {
            const int oldNumber = static_cast<int>(i) + 1;
            const int newNumber = map.newNumbers[k][i];
            if (records.Item(i).IsEmpty() || newNumber == oldNumber)
                continue;
            plan.changes.push_back({kind, oldNumber, newNumber, records.Item(i).Name()});
            ++(newNumber == 0 ? plan.removed : plan.renumbered)[k];
            if (newNumber == 0 && kind == kWaveKind)
                freedWaves.push_back(records.Item(i).FilePath());
        }
    }
    plan.waveBytesFreed = SumFileBytes(freedWaves);
    return plan;
}

// "2 patches, 12 tones and 7 waves (3.4 MB)" for the kinds with a count; the bytes follow the
// waves when `bytes` is given.
std::string CountsText(const std::array<int, 3>& counts, const std::uint64_t* bytes) {
    static const char* const kNouns[3][2] = {
        {"patch", "patches"}, {"tone", "tones"}, {"wave", "waves"}};
    std::vector<std::string> parts;
    for (std::size_t k = 0; k < counts.size(); ++k)
        if (counts[k] > 0)
            parts.push_back(std::to_string(counts[k]) + " " + kNouns[k][counts[k] == 1 ? 0 : 1]);
    if (bytes != nullptr && counts[kWaveKind] > 0)
        parts.back() +=
            " (" +
            WaveBytesText(static_cast<std::uint32_t>(std::min<std::uint64_t>(*bytes, UINT32_MAX))) +
            ")";
    std::string text;
    for (std::size_t i = 0; i < parts.size(); ++i)
        text += (i == 0 ? "" : i + 1 == parts.size() ? " and " : ", ") + parts[i];
    return text;
}

bool AnyCount(const std::array<int, 3>& counts) {
    return std::any_of(counts.begin(), counts.end(), [](int count) { return count > 0; });
}

} // namespace

void Clean(CLumData& data, const CleanOptions& options) {
    CleanWith(data, options);
}

EditOutcome CleanProject(CLumData& data, const CleanOptions& options, CUndoStep& undo) {
    undo.Clear();
    undo.Record(KindSet::All(), data);
    Clean(data, options);
    return {};
}

CleanPlan PlanClean(const CLumData& data, const CleanOptions& options) {
    CLumData copy;
    copy.Patches() = data.Patches();
    copy.Tones() = data.Tones();
    copy.Waves() = data.Waves();
    return PlanFromMap(data, CleanWith(copy, options));
}

std::string CleanSummary(const CleanPlan& plan) {
    std::vector<std::string> parts;
    if (AnyCount(plan.removed))
        parts.push_back("removes " + CountsText(plan.removed, &plan.waveBytesFreed));
    if (AnyCount(plan.renumbered))
        parts.push_back("renumbers " + CountsText(plan.renumbered, nullptr));
    if (plan.clearedReferences > 0)
        parts.push_back("clears " + std::to_string(plan.clearedReferences) +
                        (plan.clearedReferences == 1 ? " reference" : " references") +
                        " to empty slots");
    if (parts.empty())
        return "nothing to clean";
    std::string text = parts.front();
    for (std::size_t i = 1; i < parts.size(); ++i)
        text += "; " + parts[i];
    return text;
}

std::string CleanChangeLine(const CleanChange& change) {
    static const char* const kKinds[3] = {"patch", "tone", "wave"};
    std::string line = std::string(kKinds[change.kind]) + " " + std::to_string(change.oldNumber);
    line += change.newNumber == 0 ? " removed" : " -> " + std::to_string(change.newNumber);
    return line + "  " + change.name;
}

} // namespace Corv
