#pragma once

#include "model/lum_data.h"

#include <array>
#include <string>

namespace Corv {

// The one step that Undo takes back: deep copies of the arrays of at most two projects (a move
// between projects changes both), taken before an edit changed them. Undo exchanges them with
// the projects' arrays, so a second Undo redoes the edit.
class CUndoStep {
public:
    // The saved arrays of one project.
    struct Snapshot {
        CLumData* owner = nullptr;
        CPatchArray patches;
        CToneArray tones;
        CWaveArray waves;
        bool saved[3] = {false, false, false};
    };

    // Forgets the step (the snapshot arrays keep their records for reuse).
    void Clear();
    // Saves a deep copy of the project's arrays of the given kinds into the first free snapshot
    // slot; every step starts with `Clear`.
    void Record(KindSet kinds, CLumData& project);
    // Exchanges every saved array with its owner's current one.
    void Swap();
    bool CanUndo() const { return m_slots[0].owner != nullptr; }
    // True right after an Undo: undoing the step again (the step toggles) is then a Redo.
    bool CanRedo() const { return CanUndo() && m_undone; }
    // What the step does, for people ("move of 3 patches"): set by whoever made the step, after
    // `Clear` and `Record`; `Clear` forgets it.
    void SetDescription(std::string what) { m_what = std::move(what); }
    const std::string& Description() const { return m_what; }
    // True when a snapshot slot belongs to the project.
    bool Owns(const CLumData* project) const;
    // Swaps the step and returns the projects it touched (null entries for unused slots).
    std::array<CLumData*, 2> Undo();

    // The two snapshot slots: saving redirects the records they hold as it redirects the
    // records of the open projects.
    std::array<Snapshot, 2>& Slots() { return m_slots; }
    const std::array<Snapshot, 2>& Slots() const { return m_slots; }

private:
    std::array<Snapshot, 2> m_slots;
    bool m_undone = false; // the last thing done to the step was an Undo
    std::string m_what;
};

} // namespace Corv
