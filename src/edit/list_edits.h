#pragma once

#include "edit/edit_outcome.h"
#include "edit/transfer.h"
#include "model/lum_data.h"

#include <cstdint>
#include <vector>

namespace Corv {

class CUndoStep;

// The user's choice for a drop: copy or move, insert or overwrite.
struct DropOptions {
    bool copy = false;
    bool insert = false;
};

// What the checks of a drop find, in the order the drop runs them: the range, the question
// before used slots are overwritten or pushed off the end, free tone and wave slots in another
// project, the wave size limit. The drop and its preview share them.
struct DropCheck {
    // The dragged records of the transfer: the entries dropped.
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
    // What a drop that ran these checks comes to when they do not pass.
    EditOutcome Outcome() const;
};

// Runs the checks of an overwrite (or, with `options.insert`, an insert) drop of the
// transfer's records at `destination` without changing anything. A due question goes to
// `confirm` (true: go on); without one it counts as answered OK. Nothing is shown: the caller
// shows `error`.
DropCheck CheckDrop(const CLumData& target, int destination, const CTransfer& transfer,
                    bool otherProject, DropOptions options, const ConfirmFn& confirm = {});

// Drops the transfer's records over the slots from `destination` on, carrying the tones and
// waves they need into another project and rewriting every reference. Within one project a move
// (not `copy`) points what referred to the dragged tones and waves at their new places. Replaces
// the undo step by a snapshot of the target once the checks have passed. Refused (with the
// message of the check that failed) or cancelled changes nothing.
EditOutcome Overwrite(CLumData& target, int destination, const CTransfer& transfer,
                      bool otherProject, bool copy, CUndoStep& undo, const ConfirmFn& confirm = {});

// Inserts the transfer's records in front of `destination`; the last slots drop off. Checks,
// undo and outcome as for `Overwrite`, with the question before occupied slots are pushed off
// the end.
EditOutcome Insert(CLumData& target, int destination, const CTransfer& transfer, bool otherProject,
                   bool copy, CUndoStep& undo, const ConfirmFn& confirm = {});

// The Delete command: asks `kMsgDelete` through `confirm`, replaces the undo step by a snapshot
// of the project and empties the slots of a kind at the given 0-based indices (rows outside the
// list are left alone); patches lose their references to deleted tones. Cancelled when the
// user declined; refused without a message for a kind that is no list.
EditOutcome DeleteEntries(CLumData& project, const std::vector<int>& rows, int kind,
                          CUndoStep& undo, const ConfirmFn& confirm);

// Empties the slots of a kind at the given 0-based indices without asking or recording undo
// (the part of a drop that clears slots); `clearReferrers` makes patches lose their references
// to deleted tones. False, with nothing changed, for a kind that is no list.
bool EmptyEntries(CLumData& project, const std::vector<int>& rows, int kind, bool clearReferrers);

} // namespace Corv
