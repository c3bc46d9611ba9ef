#pragma once

#include "model/lum_data.h"

#include <cstdint>
#include <functional>
#include <vector>

namespace Corv {

// Takes the selected records of a kind (0-based rows, in selection order) into the store's
// transfer arrays when a drag starts: each selected tone or wave carries its row as origin
// number; selected patches bring the tones they use and those tones the waves they use (each
// carrying its 1-based number); selected tones bring their waves and a picture of all patches;
// selected waves bring a picture of all tones. Rows outside the list are left out.
void StoreSelection(const CLumData& source, const std::vector<int>& rows, int kind);

// What the checks of a drop find, in the order the drop runs them: the range, the question
// before used slots are overwritten or pushed off the end, free tone and wave slots in another
// project, the wave size limit. The drop and its preview share them.
struct DropCheck {
    // The transfer records of the kind: the entries dropped.
    int count = 0;
    // Something to drop, and the block lies inside the list (else refused without a message).
    bool fits = false;
    // The question due before the drop goes on (`kMsgOverwrite` or `kMsgInsert`, 0 for none),
    // and the used slots behind it: those overwritten, or those pushed off the end.
    int question = 0;
    int displaced = 0;
    // The question was asked and declined; nothing after it was checked.
    bool declined = false;
    // The error that refuses the drop (`kMsgToneSpace`, `kMsgWaveSpace`, `kMsgWaveBytes`), 0 for
    // none.
    int error = 0;
    // Into another project: the tone and wave records carried along, and the target's free slots.
    int tonesNeeded = 0;
    int freeToneSlots = 0;
    int wavesNeeded = 0;
    int freeWaveSlots = 0;
    // Counted once the slot check has passed: the bytes of the transfer waves, and the target's
    // wave bytes total after the drop as the size limit counts it.
    std::uint64_t transferWaveBytes = 0;
    std::uint64_t waveBytesAfter = 0;

    bool Passes() const { return fits && !declined && error == 0; }
};

// Runs the checks of an overwrite (or, with `insert`, an insert) drop of `transfer` at
// `destination` without changing anything. A due question goes to `confirm` (true: go on);
// without one it counts as answered OK. Nothing is shown: the caller shows `error`.
DropCheck CheckDrop(const CLumData& target, int destination, int kind, bool otherProject, bool copy,
                    bool insert, const CParameterArray& transfer,
                    const std::function<bool(int code)>& confirm = {});

// The checks of an overwrite drop of `transfer` at `destination`: the range, the question
// before occupied slots are overwritten, free tone and wave slots in another project and the
// wave size limit. True when the drop may go ahead; nothing is changed either way.
bool CanOverwrite(CLumData& target, int destination, int kind, bool otherProject,
                  const CParameterArray& transfer);
// Drops the transfer records of a kind over the slots from `destination` on, carrying the
// tones and waves they need into another project and rewriting every reference. Records the
// undo step once the checks have passed. False when refused.
bool Overwrite(CLumData& target, int destination, int kind, bool otherProject);

// The checks of an insert drop: as `CanOverwrite`, with the question before occupied slots are
// pushed off the end.
bool CanInsert(CLumData& target, int destination, int kind, bool otherProject,
               const CParameterArray& transfer);
// Inserts the transfer records of a kind in front of `destination`; the last slots drop off.
// Returns the number inserted, 0 when refused.
int Insert(CLumData& target, int destination, int kind, bool otherProject);

// Empties the slots of a kind at the given 0-based indices. With `ask` the user confirms first
// and the step is recorded for undo; `clearReferrers` makes patches lose their references to
// deleted tones. False only when the user cancelled.
bool DeleteEntries(CLumData& project, const std::vector<int>& rows, int kind, bool ask,
                   bool clearReferrers);

} // namespace Corv
