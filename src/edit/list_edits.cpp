#include "edit/list_edits.h"

#include "edit/list_edits_detail.h"
#include "storage/domain.h"

#include <algorithm>

namespace Corv {

using namespace ListEdits;

namespace {

std::size_t At(int index) {
    return static_cast<std::size_t>(index);
}

bool IsKind(int kind) {
    return kind == kPatchKind || kind == kToneKind || kind == kWaveKind;
}

bool IsRow(const CLumData& project, int kind, int row) {
    return row >= 0 && At(row) < project.Records(kind).Size();
}

// The numbers marked true, ascending.
std::vector<int> Marked(const std::vector<bool>& marks) {
    std::vector<int> numbers;
    for (std::size_t n = 0; n < marks.size(); ++n)
        if (marks[n])
            numbers.push_back(static_cast<int>(n));
    return numbers;
}

// The project tones that the given patches refer to, ascending, each once.
std::vector<int> TonesUsedBy(const CLumData& source, const std::vector<int>& patches) {
    std::vector<bool> used(At(kToneSlots) + 1);
    for (const int p : patches)
        for (const int t : source.Patches()[At(p)].ToneNumbers())
            if (IsToneNumber(t))
                used[At(t)] = true;
    return Marked(used);
}

// The project waves that the given tones (0-based) refer to, ascending, each once.
std::vector<int> WavesUsedBy(const CLumData& source, const std::vector<int>& tones) {
    std::vector<bool> used(At(kWaveSlots) + 1);
    for (const int t : tones)
        for (const int w : source.Tones()[At(t)].WaveNumbers())
            if (IsWaveNumber(w))
                used[At(w)] = true;
    return Marked(used);
}

// Fills a transfer array with copies of the records at the given indices, made in the spare
// records of earlier transfers where there are any.
template <class T>
void CopyIntoTransfer(CConcreteParameterArray<T>& transfer, CConcreteParameterArray<T>& spares,
                      const CConcreteParameterArray<T>& records, const std::vector<int>& indices) {
    transfer.MoveAllTo(spares);
    for (const int index : indices)
        transfer.AppendCopy(records[At(index)], spares);
}

// The same, each copy carrying an origin number.
template <class T>
void FillTransfer(CConcreteParameterArray<T>& transfer, CConcreteParameterArray<T>& spares,
                  const CConcreteParameterArray<T>& records, const std::vector<int>& indices,
                  int originOffset) {
    CopyIntoTransfer(transfer, spares, records, indices);
    for (std::size_t i = 0; i < indices.size(); ++i)
        transfer[i].Users().push_back(indices[i] + originOffset);
}

// Every index of an array.
std::vector<int> AllOf(const CParameterArray& records) {
    return Run(0, static_cast<int>(records.Size()));
}

std::vector<int> MinusOne(std::vector<int> numbers) {
    for (int& n : numbers)
        --n;
    return numbers;
}

void StorePatches(const CLumData& source, const std::vector<int>& rows) {
    CDomain& domain = CDomain::Get();
    CopyIntoTransfer(domain.m_transferPatches, domain.m_sparePatches, source.Patches(), rows);
    const std::vector<int> tones = MinusOne(TonesUsedBy(source, rows));
    FillTransfer(domain.m_transferTones, domain.m_spareTones, source.Tones(), tones, 1);
    FillTransfer(domain.m_transferWaves, domain.m_spareWaves, source.Waves(),
                 MinusOne(WavesUsedBy(source, tones)), 1);
}

void StoreTones(const CLumData& source, const std::vector<int>& rows) {
    CDomain& domain = CDomain::Get();
    FillTransfer(domain.m_transferTones, domain.m_spareTones, source.Tones(), rows, 0);
    FillTransfer(domain.m_transferWaves, domain.m_spareWaves, source.Waves(),
                 MinusOne(WavesUsedBy(source, rows)), 1);
    CopyIntoTransfer(domain.m_transferPatches, domain.m_sparePatches, source.Patches(),
                     AllOf(source.Patches()));
}

void StoreWaves(const CLumData& source, const std::vector<int>& rows) {
    CDomain& domain = CDomain::Get();
    FillTransfer(domain.m_transferWaves, domain.m_spareWaves, source.Waves(), rows, 0);
    CopyIntoTransfer(domain.m_transferTones, domain.m_spareTones, source.Tones(),
                     AllOf(source.Tones()));
}

// The used slots among `count` slots of a kind from `first` on.
int CountUsedIn(const CLumData& project, int kind, int first, int count) {
    int used = 0;
    for (int i = first; i < first + count; ++i)
        used += project.AnyUsedIn(kind, i, 1) ? 1 : 0;
    return used;
}

// Free tone and wave slots for what a drop into another project carries along; the tone check
// comes first.
void CheckSlotSpace(const CLumData& target, int kind, DropCheck& check) {
    const CDomain& domain = CDomain::Get();
    if (kind == kPatchKind) {
        check.tonesNeeded = static_cast<int>(domain.m_transferTones.Size());
        check.freeToneSlots = target.CountEmpty(kToneKind);
        if (check.tonesNeeded > check.freeToneSlots) {
            check.error = kMsgToneSpace;
            return;
        }
    }
    if (kind == kPatchKind || kind == kToneKind) {
        check.wavesNeeded = static_cast<int>(domain.m_transferWaves.Size());
        check.freeWaveSlots = target.CountEmpty(kWaveKind);
        if (check.wavesNeeded > check.freeWaveSlots)
            check.error = kMsgWaveSpace;
    }
}

// The wave size check: the target's waves (without those an overwrite of waves replaces) and,
// when waves are added, the transfer waves. Summed wide so that no total can wrap around.
void CheckWaveBytes(const CLumData& target, int destination, int kind, bool otherProject, bool copy,
                    bool insert, DropCheck& check) {
    const CWaveArray& carried = CDomain::Get().m_transferWaves;
    const bool replacing = !insert && kind == kWaveKind;
    const std::size_t first = At(destination);
    const std::size_t end = first + carried.Size();
    std::vector<std::string> kept;
    for (std::size_t i = 0; i < target.Waves().Size(); ++i)
        if (!(replacing && i >= first && i < end) && !target.Waves()[i].IsEmpty())
            kept.push_back(ToOsPath(target.Waves()[i].FilePath()));
    std::vector<std::string> added;
    for (std::size_t j = 0; j < carried.Size(); ++j)
        if (!carried[j].IsEmpty())
            added.push_back(ToOsPath(carried[j].FilePath()));
    std::uint64_t total = SumFileBytes(kept);
    check.transferWaveBytes += SumFileBytes(added);
    if (otherProject || copy)
        total += check.transferWaveBytes;
    check.waveBytesAfter = total;
    if (total > kWaveBytesLimit)
        check.error = kMsgWaveBytes;
}

// The checks both drops share, shown to the user; `overwrite` selects the question and the
// size rule.
bool CanDrop(CLumData& target, int destination, int kind, bool otherProject,
             const CParameterArray& transfer, bool overwrite) {
    CDomain& domain = CDomain::Get();
    const DropCheck check = CheckDrop(target, destination, kind, otherProject,
                                      domain.m_copyFlag == 1, !overwrite, transfer, Confirm);
    if (check.error != 0)
        domain.ShowError(check.error);
    return check.Passes();
}

void DeleteWave(CLumData& project, int index) {
    CWave& wave = project.Waves()[At(index)];
    wave.ClearTexts();
    // A wave pushed past the end by an insert has no number that anything may refer to.
    if (IsWaveNumber(index + 1)) {
        for (const std::int32_t user : wave.Users()) {
            if (user < 0 || At(user) >= project.Tones().Size())
                continue;
            CTone& tone = project.Tones()[At(user)];
            for (int osc = 0; osc < CTone::kOscCount; ++osc)
                for (int side = 0; side < 2; ++side)
                    if (tone.Osc(osc).WaveNumber(side) == index + 1)
                        tone.Osc(osc).SetWaveNumber(side, 0);
        }
    }
    wave.Users().clear();
}

void DeleteTone(CLumData& project, int index, bool clearReferrers) {
    CTone& tone = project.Tones()[At(index)];
    tone.ClearTexts();
    for (const int wave : tone.ReferencedWaves())
        if (IsWaveNumber(wave))
            project.Waves()[At(wave - 1)].RemoveUser(index);
    for (int osc = 0; osc < CTone::kOscCount; ++osc)
        for (int side = 0; side < 2; ++side)
            if (tone.Osc(osc).WaveNumber(side) != 0)
                tone.Osc(osc).SetWaveNumber(side, 0);
    if (clearReferrers && !tone.Users().empty()) {
        tone.Users().clear();
        if (IsToneNumber(index + 1))
            ClearToneReferencesTo(project, index + 1);
    }
}

void DeletePatch(CLumData& project, int index) {
    CPatch& patch = project.Patches()[At(index)];
    patch.ClearTexts();
    for (const int tone : patch.ReferencedTones())
        if (IsToneNumber(tone))
            project.Tones()[At(tone - 1)].RemoveUser(index);
    patch.ResetToneSlots();
}

} // namespace

void StoreSelection(const CLumData& source, const std::vector<int>& rows, int kind) {
    if (!IsKind(kind))
        return;
    std::vector<int> valid;
    for (const int row : rows)
        if (IsRow(source, kind, row))
            valid.push_back(row);
    if (kind == kPatchKind)
        StorePatches(source, valid);
    else if (kind == kToneKind)
        StoreTones(source, valid);
    else
        StoreWaves(source, valid);
}

DropCheck CheckDrop(const CLumData& target, int destination, int kind, bool otherProject, bool copy,
                    bool insert, const CParameterArray& transfer,
                    const std::function<bool(int code)>& confirm) {
    DropCheck check;
    if (!IsKind(kind))
        return check;
    check.count = static_cast<int>(transfer.Size());
    if (check.count == 0 || !target.RangeFits(kind, destination, check.count))
        return check;
    check.fits = true;
    const int size = static_cast<int>(target.Records(kind).Size());
    check.displaced =
        CountUsedIn(target, kind, insert ? size - check.count : destination, check.count);
    if (check.displaced > 0) {
        check.question = insert ? kMsgInsert : kMsgOverwrite;
        if (confirm && !confirm(check.question)) {
            check.declined = true;
            return check;
        }
    }
    if (otherProject)
        CheckSlotSpace(target, kind, check);
    if (check.error == 0)
        CheckWaveBytes(target, destination, kind, otherProject, copy, insert, check);
    return check;
}

bool CanOverwrite(CLumData& target, int destination, int kind, bool otherProject,
                  const CParameterArray& transfer) {
    return CanDrop(target, destination, kind, otherProject, transfer, true);
}

bool CanInsert(CLumData& target, int destination, int kind, bool otherProject,
               const CParameterArray& transfer) {
    return CanDrop(target, destination, kind, otherProject, transfer, false);
}

bool DeleteEntries(CLumData& project, const std::vector<int>& rows, int kind, bool ask,
                   bool clearReferrers) {
    if (!IsKind(kind))
        return false;
    if (ask) {
        if (!Confirm(kMsgDelete))
            return false;
        CDomain::Get().ClearUndo();
        CDomain::Get().RecordUndo(kUndoAllKinds, project);
    }
    for (const int row : rows) {
        if (!IsRow(project, kind, row))
            continue;
        if (kind == kWaveKind)
            DeleteWave(project, row);
        else if (kind == kToneKind)
            DeleteTone(project, row, clearReferrers);
        else
            DeletePatch(project, row);
    }
    return true;
}

} // namespace Corv
