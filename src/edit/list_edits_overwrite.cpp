#include "edit/list_edits.h"
#include "edit/list_edits_detail.h"
#include "storage/domain.h"

namespace Corv {

using namespace ListEdits;

namespace {

std::size_t At(int index) {
    return static_cast<std::size_t>(index);
}

// Puts clones of the transfer records of a kind into the slots from `first` on.
void PlaceTransfer(CLumData& target, int kind, int first) {
    CDomain& domain = CDomain::Get();
    const CParameterArray& transfer = domain.Transfer(kind);
    for (std::size_t i = 0; i < transfer.Size(); ++i) {
        const std::size_t slot = At(first) + i;
        if (kind == kPatchKind)
            target.Patches().PlaceClone(slot, domain.m_transferPatches[i]);
        else if (kind == kToneKind)
            target.Tones().PlaceClone(slot, domain.m_transferTones[i]);
        else
            target.Waves().PlaceClone(slot, domain.m_transferWaves[i]);
    }
}

void FinishPatches(CLumData& target, const std::vector<int>& placed, bool otherProject) {
    std::vector<int> toneSlots;
    std::vector<int> waveSlots;
    if (otherProject) {
        const std::vector<int> origins = OriginsOf(CDomain::Get().m_transferTones);
        toneSlots = PlaceCarriedTones(target);
        const Renumbering renumbering(origins, toneSlots);
        for (const int p : placed)
            RewriteToneReferences(target.Patches()[At(p)], renumbering);
        for (const int t : toneSlots)
            target.Tones()[At(t)].Users().clear();
        waveSlots = CarryWavesOfPlacedTones(target, toneSlots);
    }
    for (const int p : placed)
        AddPatchToItsTones(target, p);
    AdoptReferrers(target, toneSlots, waveSlots);
}

void FinishTones(CLumData& target, const std::vector<int>& placed, bool otherProject) {
    CDomain& domain = CDomain::Get();
    std::vector<int> waveSlots;
    if (otherProject) {
        const std::vector<int> origins = OriginsOf(domain.m_transferWaves);
        waveSlots = PlaceCarriedWaves(target);
        const Renumbering renumbering(origins, waveSlots);
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
        if (domain.m_copyFlag == 1) {
            for (const int t : placed)
                target.Tones()[At(t)].Users().clear();
        } else {
            RedirectPatchesThroughPicture(target, domain.m_transferPatches, placed);
            for (const int t : placed)
                DropOrigin(target.Tones()[At(t)]);
        }
    } else {
        for (const int t : placed) {
            target.Tones()[At(t)].Users().clear();
            ClearToneReferencesTo(target, t + 1);
        }
    }
    AdoptReferrers(target, {}, waveSlots);
}

void FinishWaves(CLumData& target, const std::vector<int>& placed, bool otherProject) {
    CDomain& domain = CDomain::Get();
    if (!otherProject && domain.m_copyFlag == 0) {
        RedirectTonesThroughPicture(target, domain.m_transferTones, placed);
        for (const int w : placed)
            DropOrigin(target.Waves()[At(w)]);
        return;
    }
    for (const int w : placed)
        target.Waves()[At(w)].Users().clear();
}

} // namespace

bool Overwrite(CLumData& target, int destination, int kind, bool otherProject) {
    CDomain& domain = CDomain::Get();
    if (!CanOverwrite(target, destination, kind, otherProject, domain.Transfer(kind)))
        return false;
    domain.ClearUndo();
    domain.RecordUndo(kUndoAllKinds, target);
    const std::vector<int> placed =
        Run(destination, static_cast<int>(domain.Transfer(kind).Size()));
    DeleteEntries(target, placed, kind, false, false);
    PlaceTransfer(target, kind, destination);
    if (kind == kPatchKind)
        FinishPatches(target, placed, otherProject);
    else if (kind == kToneKind)
        FinishTones(target, placed, otherProject);
    else
        FinishWaves(target, placed, otherProject);
    return true;
}

} // namespace Corv
