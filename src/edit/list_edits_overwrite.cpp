#include "edit/list_edits.h"
#include "edit/list_edits_detail.h"

namespace Corv {

using namespace ListEdits;

namespace {

// Puts clones of the transfer's dragged records into the slots from `first` on.
void PlaceTransfer(CLumData& target, const CTransfer& transfer, int first) {
    for (std::size_t i = 0; i < transfer.Dragged().Size(); ++i) {
        const std::size_t slot = At(first) + i;
        if (transfer.kind == kPatchKind)
            target.Patches().PlaceClone(slot, transfer.patches[i]);
        else if (transfer.kind == kToneKind)
            target.Tones().PlaceClone(slot, transfer.tones[i]);
        else
            target.Waves().PlaceClone(slot, transfer.waves[i]);
    }
}

void FinishPatches(CLumData& target, const std::vector<int>& placed, const CTransfer& transfer,
                   bool otherProject) {
    std::vector<int> toneSlots;
    std::vector<int> waveSlots;
    if (otherProject) {
        toneSlots = PlaceCarriedTones(target, transfer);
        const Renumbering renumbering(transfer.toneOrigins, toneSlots);
        for (const int p : placed)
            RewriteToneReferences(target.Patches()[At(p)], renumbering);
        for (const int t : toneSlots)
            target.Tones()[At(t)].Users().clear();
        waveSlots = CarryWavesOfPlacedTones(target, toneSlots, transfer);
    }
    for (const int p : placed)
        AddPatchToItsTones(target, p);
    AdoptReferrers(target, toneSlots, waveSlots);
}

void FinishTones(CLumData& target, const std::vector<int>& placed, const CTransfer& transfer,
                 bool otherProject, bool copy) {
    std::vector<int> waveSlots;
    if (otherProject) {
        waveSlots = PlaceCarriedWaves(target, transfer);
        const Renumbering renumbering(transfer.waveOrigins, waveSlots);
        for (const int t : placed)
            RewriteWaveReferences(target.Tones()[At(t)], renumbering);
        for (const int w : waveSlots)
            target.Waves()[At(w)].Users().clear();
    }
    for (const int t : placed)
        AddToneToItsWaves(target, t);
    if (!otherProject) {
        for (const int t : placed)
            ClearToneReferencesTo(target, t + 1);
        if (copy) {
            for (const int t : placed)
                target.Tones()[At(t)].Users().clear();
        } else {
            RedirectPatchesThroughPicture(target, transfer.patchPicture, placed,
                                          transfer.toneOrigins);
        }
    } else {
        for (const int t : placed) {
            target.Tones()[At(t)].Users().clear();
            ClearToneReferencesTo(target, t + 1);
        }
    }
    AdoptReferrers(target, {}, waveSlots);
}

void FinishWaves(CLumData& target, const std::vector<int>& placed, const CTransfer& transfer,
                 bool otherProject, bool copy) {
    if (!otherProject && !copy) {
        RedirectTonesThroughPicture(target, transfer.tonePicture, placed, transfer.waveOrigins);
        return;
    }
    for (const int w : placed)
        target.Waves()[At(w)].Users().clear();
}

} // namespace

EditOutcome Overwrite(CLumData& target, int destination, const CTransfer& transfer,
                      bool otherProject, bool copy, CUndoStep& undo, const ConfirmFn& confirm) {
    if (EditOutcome outcome =
            StartDrop(target, destination, transfer, otherProject, {copy, false}, undo, confirm);
        !outcome.Done())
        return outcome;
    const std::vector<int> placed = Run(destination, transfer.Count());
    EmptyEntries(target, placed, transfer.kind, false);
    PlaceTransfer(target, transfer, destination);
    if (transfer.kind == kPatchKind)
        FinishPatches(target, placed, transfer, otherProject);
    else if (transfer.kind == kToneKind)
        FinishTones(target, placed, transfer, otherProject, copy);
    else
        FinishWaves(target, placed, transfer, otherProject, copy);
    return {};
}

} // namespace Corv
