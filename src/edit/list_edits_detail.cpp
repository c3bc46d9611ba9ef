#include "edit/list_edits_detail.h"

#include <algorithm>
#include <numeric>

namespace Corv::ListEdits {

void ClearToneReferencesTo(CLumData& project, int number) {
    CPatchArray& patches = project.Patches();
    for (std::size_t p = 0; p < patches.Size(); ++p)
        for (int slot = 0; slot < 2; ++slot)
            if (patches[p].Slot(slot).ToneNumber() == number)
                patches[p].Slot(slot).ClearToneReference();
}

void AddPatchToItsTones(CLumData& project, int patch) {
    for (const int tone : project.Patches()[At(patch)].ToneNumbers())
        if (IsToneNumber(tone))
            project.Tones()[At(tone - 1)].AddUser(patch);
}

void AddToneToItsWaves(CLumData& project, int tone) {
    for (const int wave : project.Tones()[At(tone)].WaveNumbers())
        if (IsWaveNumber(wave))
            project.Waves()[At(wave - 1)].AddUser(tone);
}

Renumbering::Renumbering(const std::vector<int>& origins, const std::vector<int>& slots) {
    const std::size_t count = std::min(origins.size(), slots.size());
    int largest = -1;
    for (std::size_t j = 0; j < count; ++j)
        largest = std::max(largest, origins[j]);
    m_newNumbers.assign(At(largest + 1), 0);
    for (std::size_t j = 0; j < count; ++j) {
        const int origin = origins[j];
        if (origin >= 0 && m_newNumbers[At(origin)] == 0)
            m_newNumbers[At(origin)] = slots[j] + 1;
    }
}

void RewriteToneReferences(CPatch& patch, const Renumbering& renumbering) {
    for (int slot = 0; slot < 2; ++slot) {
        const int number = patch.Slot(slot).ToneNumber();
        if (!IsToneNumber(number))
            continue;
        if (const int renumbered = renumbering.NewNumber(number); renumbered != 0)
            patch.Slot(slot).SetToneNumber(renumbered);
    }
}

void RewriteWaveReferences(CTone& tone, const Renumbering& renumbering) {
    for (int osc = 0; osc < CTone::kOscCount; ++osc) {
        for (int side = 0; side < 2; ++side) {
            const int number = tone.Osc(osc).WaveNumber(side);
            if (!IsWaveNumber(number))
                continue;
            if (const int renumbered = renumbering.NewNumber(number); renumbered != 0)
                tone.Osc(osc).SetWaveNumber(side, renumbered);
        }
    }
}

void ShiftUsers(CReferencedParameter& record, int first, int count) {
    for (std::int32_t& user : record.Users())
        if (user >= first)
            user += count;
}

std::vector<int> PlaceCarriedTones(CLumData& project, const CTransfer& transfer) {
    const CToneArray& carried = transfer.tones;
    std::vector<int> slots = project.EmptySlots(kToneKind);
    slots.resize(std::min(slots.size(), carried.Size()));
    for (std::size_t j = 0; j < slots.size(); ++j)
        project.Tones().PlaceClone(At(slots[j]), carried[j]);
    return slots;
}

std::vector<int> PlaceCarriedWaves(CLumData& project, const CTransfer& transfer) {
    const CWaveArray& carried = transfer.waves;
    std::vector<int> slots = project.EmptySlots(kWaveKind);
    slots.resize(std::min(slots.size(), carried.Size()));
    for (std::size_t j = 0; j < slots.size(); ++j)
        project.Waves().PlaceClone(At(slots[j]), carried[j]);
    return slots;
}

std::vector<int> CarryWavesOfPlacedTones(CLumData& project, const std::vector<int>& tones,
                                         const CTransfer& transfer) {
    const std::vector<int> slots = PlaceCarriedWaves(project, transfer);
    const Renumbering renumbering(transfer.waveOrigins, slots);
    for (const int tone : tones)
        RewriteWaveReferences(project.Tones()[At(tone)], renumbering);
    for (const int tone : tones)
        for (const int wave : project.Tones()[At(tone)].WaveNumbers())
            if (IsWaveNumber(wave))
                project.Waves()[At(wave - 1)].Users().clear();
    for (const int tone : tones)
        AddToneToItsWaves(project, tone);
    return slots;
}

void RedirectPatchesThroughPicture(CLumData& project, const CPatchArray& picture,
                                   const std::vector<int>& placed,
                                   const std::vector<int>& origins) {
    const Renumbering renumbering(origins, placed);
    CPatchArray& patches = project.Patches();
    const std::size_t count = std::min(patches.Size(), picture.Size());
    for (std::size_t p = 0; p < count; ++p) {
        for (int slot = 0; slot < 2; ++slot) {
            const int before = picture[p].Slot(slot).ToneNumber();
            if (!IsToneNumber(before))
                continue;
            if (const int renumbered = renumbering.NewNumber(before); renumbered != 0)
                patches[p].Slot(slot).SetToneNumber(renumbered);
        }
    }
}

void RedirectTonesThroughPicture(CLumData& project, const CToneArray& picture,
                                 const std::vector<int>& placed, const std::vector<int>& origins) {
    const Renumbering renumbering(origins, placed);
    CToneArray& tones = project.Tones();
    const std::size_t count = std::min(tones.Size(), picture.Size());
    for (std::size_t t = 0; t < count; ++t) {
        for (int osc = 0; osc < CTone::kOscCount; ++osc) {
            for (int side = 0; side < 2; ++side) {
                const int before = picture[t].Osc(osc).WaveNumber(side);
                if (!IsWaveNumber(before))
                    continue;
                if (const int renumbered = renumbering.NewNumber(before); renumbered != 0)
                    tones[t].Osc(osc).SetWaveNumber(side, renumbered);
            }
        }
    }
}

void AdoptReferrers(CLumData& project, const std::vector<int>& toneSlots,
                    const std::vector<int>& waveSlots) {
    // One pass over the referring records, each slot's new users in ascending index order.
    std::vector<bool> placedTone(project.Tones().Size()), placedWave(project.Waves().Size());
    for (const int slot : toneSlots)
        placedTone[At(slot)] = true;
    for (const int slot : waveSlots)
        placedWave[At(slot)] = true;
    if (!toneSlots.empty())
        for (std::size_t p = 0; p < project.Patches().Size(); ++p)
            for (const int tone : project.Patches()[p].ToneNumbers())
                if (tone >= 1 && At(tone - 1) < placedTone.size() && placedTone[At(tone - 1)])
                    project.Tones()[At(tone - 1)].AddUser(static_cast<std::int32_t>(p));
    if (!waveSlots.empty())
        for (std::size_t t = 0; t < project.Tones().Size(); ++t)
            for (const int wave : project.Tones()[t].WaveNumbers())
                if (wave >= 1 && At(wave - 1) < placedWave.size() && placedWave[At(wave - 1)])
                    project.Waves()[At(wave - 1)].AddUser(static_cast<std::int32_t>(t));
}

std::vector<int> Run(int first, int count) {
    std::vector<int> run(static_cast<std::size_t>(std::max(count, 0)));
    std::iota(run.begin(), run.end(), first);
    return run;
}

} // namespace Corv::ListEdits
