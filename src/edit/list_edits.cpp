#include "edit/list_edits.h"

#include "edit/list_edits_detail.h"
#include "edit/wave_import.h"
#include "storage/domain.h"
#include "storage/undo_step.h"

#include <algorithm>

namespace Corv {

using namespace ListEdits;

namespace {

bool IsRow(const CLumData& project, int kind, int row) {
    return row >= 0 && At(row) < project.Records(kind).Size();
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
// "The drop needs 12 free tone slots; 3 are free."
std::string SlotShortText(int needed, int free, const char* kind) {
    return "The drop needs " + std::to_string(needed) + " free " + kind + " slot" +
           (needed == 1 ? "" : "s") + "; " + std::to_string(free) + (free == 1 ? " is" : " are") +
           " free.";
}

void CheckSlotSpace(const CLumData& target, const CTransfer& transfer, DropCheck& check) {
    const int kind = transfer.kind;
    if (kind == kPatchKind) {
        check.tonesNeeded = static_cast<int>(transfer.tones.Size());
        check.freeToneSlots = target.CountEmpty(kToneKind);
        if (check.tonesNeeded > check.freeToneSlots) {
            check.error = kMsgToneSpace;
            return;
        }
    }
    if (kind == kPatchKind || kind == kToneKind) {
        check.wavesNeeded = static_cast<int>(transfer.waves.Size());
        check.freeWaveSlots = target.CountEmpty(kWaveKind);
        if (check.wavesNeeded > check.freeWaveSlots)
            check.error = kMsgWaveSpace;
    }
}

// The wave size check: the target's waves (without those an overwrite of waves replaces) and,
// when waves are added, the transfer waves. Summed wide so that no total can wrap around.
void CheckWaveBytes(const CLumData& target, int destination, const CTransfer& transfer,
                    bool otherProject, DropOptions options, DropCheck& check) {
    const CWaveArray& carried = transfer.waves;
    const bool replacing = !options.insert && transfer.kind == kWaveKind;
    const std::size_t first = At(destination);
    const std::size_t end = first + carried.Size();
    std::vector<std::string> kept;
    for (std::size_t i = 0; i < target.Waves().Size(); ++i)
        if (!(replacing && i >= first && i < end) && !target.Waves()[i].IsEmpty())
            kept.push_back(target.Waves()[i].FilePath());
    std::vector<std::string> added;
    for (std::size_t j = 0; j < carried.Size(); ++j)
        if (!carried[j].IsEmpty())
            added.push_back(carried[j].FilePath());
    std::uint64_t total = SumFileBytes(kept);
    check.transferWaveBytes += SumFileBytes(added);
    if (otherProject || options.copy)
        total += check.transferWaveBytes;
    check.waveBytesAfter = total;
    if (total > kWaveBytesLimit)
        check.error = kMsgWaveBytes;
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

EditOutcome DropCheck::Outcome() const {
    if (declined)
        return EditOutcome::Cancellation();
    if (Passes())
        return {};
    // The reason says by how much the drop does not fit.
    switch (error) {
    case kMsgWaveBytes:
        return EditOutcome::Refusal(error, WaveBytesOverText(waveBytesAfter));
    case kMsgToneSpace:
        return EditOutcome::Refusal(error, SlotShortText(tonesNeeded, freeToneSlots, "tone"));
    case kMsgWaveSpace:
        return EditOutcome::Refusal(error, SlotShortText(wavesNeeded, freeWaveSlots, "wave"));
    default:
        return EditOutcome::Refusal(error);
    }
}

DropCheck CheckDrop(const CLumData& target, int destination, const CTransfer& transfer,
                    bool otherProject, DropOptions options, const ConfirmFn& confirm) {
    DropCheck check;
    const int kind = transfer.kind;
    if (!IsKind(kind))
        return check;
    check.count = transfer.Count();
    if (check.count == 0 || !target.RangeFits(kind, destination, check.count))
        return check;
    check.fits = true;
    const int size = static_cast<int>(target.Records(kind).Size());
    check.displaced =
        CountUsedIn(target, kind, options.insert ? size - check.count : destination, check.count);
    // Every refusal is found before the question: a drop that cannot be done never asks first
    // whether existing data may go.
    if (otherProject)
        CheckSlotSpace(target, transfer, check);
    if (check.error == 0)
        CheckWaveBytes(target, destination, transfer, otherProject, options, check);
    if (check.error != 0 || check.displaced == 0)
        return check;
    check.question = options.insert ? kMsgInsert : kMsgOverwrite;
    if (confirm && !confirm(check.question))
        check.declined = true;
    return check;
}

namespace ListEdits {

EditOutcome StartDrop(CLumData& target, int destination, const CTransfer& transfer,
                      bool otherProject, DropOptions options, CUndoStep& undo,
                      const ConfirmFn& confirm) {
    const DropCheck check =
        CheckDrop(target, destination, transfer, otherProject, options, confirm);
    if (!check.Passes())
        return check.Outcome();
    undo.Clear();
    undo.Record(KindSet::All(), target);
    return {};
}

} // namespace ListEdits

EditOutcome DeleteEntries(CLumData& project, const std::vector<int>& rows, int kind,
                          CUndoStep& undo, const ConfirmFn& confirm) {
    if (!IsKind(kind))
        return EditOutcome::Refusal();
    if (confirm && !confirm(kMsgDelete))
        return EditOutcome::Cancellation();
    undo.Clear();
    undo.Record(KindSet::All(), project);
    EmptyEntries(project, rows, kind, true);
    return {};
}

bool EmptyEntries(CLumData& project, const std::vector<int>& rows, int kind, bool clearReferrers) {
    if (!IsKind(kind))
        return false;
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
