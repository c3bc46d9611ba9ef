#pragma once

#include "edit/edit_outcome.h"
#include "edit/list_edits.h"
#include "model/lum_data.h"

#include <optional>
#include <string>
#include <vector>

namespace Corv {

class CUndoStep;

// One drag and drop of list entries, as the desktop program's lists and the command-line
// tool's `drop` command perform it.
struct DropRequest {
    // The project the rows are dragged from.
    CLumData* source = nullptr;
    // The dragged rows, 0-based, in selection order (a row given twice counts once).
    std::vector<int> rows;
    // The list kind of source and target (`ListKind`).
    int kind = kPatchKind;
    // The project dropped into; the same object as `source` for a drop within one list.
    CLumData* target = nullptr;
    // The first row the dropped block occupies (overwrite) or is inserted in front of.
    int at = 0;
    bool insert = false;
    // Copy or move; unset takes the default for the pair of lists: a drop within one list
    // moves, a drop into another project copies.
    std::optional<bool> copy;
};

// What a caller needs to refresh its lists after a drop.
struct DropResult {
    // The overwrite or insert was carried out.
    bool done = false;
    // Why not: refused (with the message to show, if any) or cancelled at its question.
    EditOutcome outcome = EditOutcome::Refusal();
    // The rows the source list selects afterwards: the dragged rows at their places after the
    // drop, without those the drop overwrote or pushed out. When the target is another
    // project the source's rows did not move, so these are the dragged rows themselves. After
    // a move these are the rows that were emptied (the dragged records now live elsewhere).
    // Empty when nothing was done.
    std::vector<int> sourceSelection;
    // The rows the dropped entries occupy in the target. Within one list the desktop shows
    // `sourceSelection` instead, as the source and target list are the same.
    std::vector<int> targetSelection;
    // The number of entries inserted (0 for an overwrite).
    int inserted = 0;
    // The source was changed (the rows of a move were emptied); with a drop within one
    // project `targetChanged` says it as well.
    bool sourceChanged = false;
    bool targetChanged = false;
};

// Performs a whole drop: takes the rows into a transfer, applies the rule that a block dropped
// onto itself does nothing (unless it is inserted as a copy), overwrites or inserts (asking
// through `confirm`), and after a move empties the dragged rows in the source (recording the
// source for undo too when it is another project). Nothing happens, refused without a message,
// when no dragged row is used, when a row lies outside the list or when a project is missing.
// The caller shows a refusal's message.
DropResult PerformDrop(const DropRequest& request, CUndoStep& undo, const ConfirmFn& confirm = {});

// What a drop would do, worked out with the very checks of the overwrite and the insert (range,
// free tone and wave slots in another project, the wave size limit) but without asking, without
// changing anything and without touching the undo step. `accepted` is false when the drop would
// be refused or would do nothing; a drop that would ask first is accepted (it goes ahead when
// the user agrees) and says so. `text` is one line for people, e.g.
// "copy 3 patches to B.prj rows 10-12 (overwrite), carrying 4 tones, 2 waves, 1.3 MB".
// For an accepted drop, `done` is what the status line says once it is done ("Copied 3 patches
// to B.prj rows 10-12 with 4 tones, 2 waves") and `what` names the undo step ("copy of 3
// patches").
struct DropPreview {
    bool accepted = false;
    std::string text;
    std::string done;
    std::string what;
};

// The preview for a drag in progress: `transfer` is what `StoreSelection` took for `rows` of
// `source`. `targetName` names the target in the text when it is another project, and
// `sourceName` the source where a move into another project takes more from it than the
// dragged entries (" - clears tone references in 4 patches of A.prj (8, 14, 46, 47)"). An
// insert says what it moves down (" - moves patches 23-25 down to 25-27").
DropPreview PreviewTransferDrop(const CTransfer& transfer, const CLumData& source,
                                const std::vector<int>& rows, CLumData& target, int at,
                                DropOptions options, const std::string& targetName,
                                const std::string& sourceName = {});

// The preview of a whole request: takes its rows into a transfer as `PerformDrop` does and
// previews. A request without copy or move takes the default of `PerformDrop`.
DropPreview PreviewDrop(const DropRequest& request, const std::string& targetName,
                        const std::string& sourceName = {});

// The rows the source list selects after a successful drop of `rows` at `at`: all of them
// when the target is another project (a drop there moves nothing in the source); otherwise
// those not overwritten (overwrite), or each row behind the insert position moved on by the
// count unless it was pushed out (insert). A different project data object is another
// project: each project has one window, so this is the desktop's "another list".
std::vector<int> ReselectedSourceRows(const std::vector<int>& rows, int kind, int at, bool insert,
                                      bool otherProject);

} // namespace Corv
