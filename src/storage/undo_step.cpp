#include "storage/undo_step.h"

#include <cassert>

namespace Corv {

void CUndoStep::Clear() {
    m_undone = false;
    m_what.clear();
    for (Snapshot& slot : m_slots) {
        slot.owner = nullptr;
        slot.saved[0] = slot.saved[1] = slot.saved[2] = false;
    }
}

void CUndoStep::Record(KindSet kinds, CLumData& project) {
    Snapshot& slot = m_slots[0].owner == nullptr ? m_slots[0] : m_slots[1];
    assert(slot.owner == nullptr && "every two-project step starts with Clear");
    if (kinds.Has(kPatchKind)) {
        slot.patches = project.Patches();
        slot.saved[kPatchKind] = true;
    }
    if (kinds.Has(kToneKind)) {
        slot.tones = project.Tones();
        slot.saved[kToneKind] = true;
    }
    if (kinds.Has(kWaveKind)) {
        slot.waves = project.Waves();
        slot.saved[kWaveKind] = true;
    }
    slot.owner = &project;
}

void CUndoStep::Swap() {
    for (Snapshot& slot : m_slots) {
        if (slot.owner == nullptr)
            continue;
        if (slot.saved[kPatchKind])
            slot.owner->Patches().SwapItems(slot.patches);
        if (slot.saved[kToneKind])
            slot.owner->Tones().SwapItems(slot.tones);
        if (slot.saved[kWaveKind])
            slot.owner->Waves().SwapItems(slot.waves);
    }
}

bool CUndoStep::Owns(const CLumData* project) const {
    return project != nullptr && (m_slots[0].owner == project || m_slots[1].owner == project);
}

std::array<CLumData*, 2> CUndoStep::Undo() {
    if (!CanUndo())
        return {nullptr, nullptr};
    Swap();
    m_undone = !m_undone;
    return {m_slots[0].owner, m_slots[1].owner};
}

} // namespace Corv
