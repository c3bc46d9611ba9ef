#include "edit/list_edits.h"
#include "edit/list_edits_detail.h"

#include <vector>

namespace Corv {

using namespace ListEdits;

namespace {

// The slots of the last `count` entries of a kind.
std::vector<int> LastSlots(int kind, int count) {
    return Run(SlotCount(kind) - count, count);
}

// Tone references into the part of the list that moves on by `count` follow it; references
// to the tones that drop off were cleared before, and those beyond the list stay as they are.
void ShiftToneReferences(CLumData& target, int destination, int count) {
    CPatchArray& patches = target.Patches();
    for (std::size_t p = 0; p < patches.Size(); ++p) {
        for (int slot = 0; slot < 2; ++slot) {
            const int number = patches[p].Slot(slot).ToneNumber();
            if (number > destination && number + count <= kToneSlots)
                patches[p].Slot(slot).SetToneNumber(number + count);
        }
    }
}

void InsertPatches(CLumData& target, int d, const CTransfer& transfer, bool otherProject) {
    const int n = transfer.Count();
    std::vector<int> toneSlots = target.EmptySlots(kToneKind);
    toneSlots.resize(std::min(toneSlots.size(), transfer.tones.Size()));
    EmptyEntries(target, LastSlots(kPatchKind, n), kPatchKind, false);
    for (std::size_t t = 0; t < target.Tones().Size(); ++t)
        ShiftUsers(target.Tones()[t], d, n);
    target.Patches().InsertCopies(At(d), transfer.patches, At(n), kPatchSlots);
    std::vector<int> waveSlots;
    if (otherProject) {
        // The inserted patches name the carried tones by the slots they go to.
        const Renumbering renumbering(transfer.toneOrigins, toneSlots);
        for (int i = 0; i < n; ++i)
            RewriteToneReferences(target.Patches()[At(d + i)], renumbering);
        for (std::size_t j = 0; j < toneSlots.size(); ++j) {
            target.Tones().PlaceClone(At(toneSlots[j]), transfer.tones[j]);
            target.Tones()[At(toneSlots[j])].Users().clear();
        }
        waveSlots = CarryWavesOfPlacedTones(target, toneSlots, transfer);
    } else {
        toneSlots.clear();
    }
    for (int i = 0; i < n; ++i)
        AddPatchToItsTones(target, d + i);
    AdoptReferrers(target, toneSlots, waveSlots);
}

// What becomes of the inserted tones' user lists and of the patches that referred to them.
void SettleInsertedTones(CLumData& target, const std::vector<int>& inserted,
                         const CTransfer& transfer, bool otherProject, bool copy) {
    if (!otherProject && !copy) {
        RedirectPatchesThroughPicture(target, transfer.patchPicture, inserted,
                                      transfer.toneOrigins);
        return;
    }
    for (const int t : inserted) {
        target.Tones()[At(t)].Users().clear();
        if (otherProject)
            ClearToneReferencesTo(target, t + 1);
    }
}

void InsertTones(CLumData& target, int d, const CTransfer& transfer, bool otherProject, bool copy) {
    const int n = transfer.Count();
    std::vector<int> waveSlots = target.EmptySlots(kWaveKind);
    waveSlots.resize(std::min(waveSlots.size(), transfer.waves.Size()));
    EmptyEntries(target, LastSlots(kToneKind, n), kToneKind, true);
    ShiftToneReferences(target, d, n);
    for (std::size_t w = 0; w < target.Waves().Size(); ++w)
        ShiftUsers(target.Waves()[w], d, n);
    target.Tones().InsertCopies(At(d), transfer.tones, At(n), kToneSlots);
    const std::vector<int> inserted = Run(d, n);
    if (otherProject) {
        // The inserted tones name the carried waves by the slots they go to.
        const Renumbering renumbering(transfer.waveOrigins, waveSlots);
        for (const int t : inserted)
            RewriteWaveReferences(target.Tones()[At(t)], renumbering);
        for (std::size_t j = 0; j < waveSlots.size(); ++j) {
            target.Waves().PlaceClone(At(waveSlots[j]), transfer.waves[j]);
            target.Waves()[At(waveSlots[j])].Users().clear();
        }
    } else {
        waveSlots.clear();
    }
    for (const int t : inserted)
        AddToneToItsWaves(target, t);
    SettleInsertedTones(target, inserted, transfer, otherProject, copy);
    AdoptReferrers(target, {}, waveSlots);
}

// Which oscillator sides a wave move has already pointed at their new wave.
class SideMarks {
public:
    explicit SideMarks(std::size_t tones) : m_marks(tones * CTone::kOscCount * 2, false) {}
    std::vector<bool>::reference operator()(std::size_t tone, int osc, int side) {
        return m_marks[(tone * CTone::kOscCount + At(osc)) * 2 + At(side)];
    }

private:
    std::vector<bool> m_marks;
};

// A wave move within one project: the sides that referred to a moved wave follow it (the
// first inserted wave that came from their number).
void RedirectToMovedWaves(CLumData& target, const std::vector<int>& inserted,
                          const std::vector<int>& origins, SideMarks& moved) {
    const Renumbering renumbering(origins, inserted);
    CToneArray& tones = target.Tones();
    for (std::size_t t = 0; t < tones.Size(); ++t) {
        if (tones[t].IsEmpty())
            continue;
        for (int osc = 0; osc < CTone::kOscCount; ++osc)
            for (int side = 0; side < 2; ++side)
                if (const int renumbered =
                        renumbering.NewNumber(tones[t].Osc(osc).WaveNumber(side));
                    renumbered != 0 && tones[t].Osc(osc).SetWaveNumber(side, renumbered))
                    moved(t, osc, side) = true;
    }
}

// Every other wave reference behind the insert position moves on by `count`; what passes
// the end of the list (the waves that dropped off, and numbers beyond it) becomes 0.
void ShiftWaveReferences(CLumData& target, int destination, int count, SideMarks& moved) {
    CToneArray& tones = target.Tones();
    for (std::size_t t = 0; t < tones.Size(); ++t) {
        for (int osc = 0; osc < CTone::kOscCount; ++osc) {
            for (int side = 0; side < 2; ++side) {
                const int number = tones[t].Osc(osc).WaveNumber(side);
                if (moved(t, osc, side) || number <= destination)
                    continue;
                const int shifted = number + count;
                tones[t].Osc(osc).SetWaveNumber(side, shifted > kWaveSlots ? 0 : shifted);
            }
        }
    }
}

void InsertWaves(CLumData& target, int d, const CTransfer& transfer, bool otherProject, bool copy) {
    const int n = transfer.Count();
    // The waves pushed past the end go; ShiftWaveReferences clears what referred to them.
    target.Waves().InsertCopies(At(d), transfer.waves, At(n), kWaveSlots);
    const std::vector<int> inserted = Run(d, n);
    SideMarks moved(target.Tones().Size());
    if (!otherProject && !copy) {
        RedirectToMovedWaves(target, inserted, transfer.waveOrigins, moved);
    } else {
        for (const int w : inserted)
            target.Waves()[At(w)].Users().clear();
    }
    ShiftWaveReferences(target, d, n, moved);
}

} // namespace

EditOutcome Insert(CLumData& target, int destination, const CTransfer& transfer, bool otherProject,
                   bool copy, CUndoStep& undo, const ConfirmFn& confirm) {
    if (EditOutcome outcome =
            StartDrop(target, destination, transfer, otherProject, {copy, true}, undo, confirm);
        !outcome.Done())
        return outcome;
    if (transfer.kind == kPatchKind)
        InsertPatches(target, destination, transfer, otherProject);
    else if (transfer.kind == kToneKind)
        InsertTones(target, destination, transfer, otherProject, copy);
    else
        InsertWaves(target, destination, transfer, otherProject, copy);
    return {};
}

} // namespace Corv
