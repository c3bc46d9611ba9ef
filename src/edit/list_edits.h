#pragma once

#include "model/lum_data.h"

#include <vector>

namespace Corv {

// Takes the selected records of a kind (0-based rows, in selection order) into the store's
// transfer arrays when a drag starts: each selected tone or wave carries its row as origin
// number; selected patches bring the tones they use and those tones the waves they use (each
// carrying its 1-based number); selected tones bring their waves and a picture of all patches;
// selected waves bring a picture of all tones. Rows outside the list are left out.
void StoreSelection(const CLumData& source, const std::vector<int>& rows, int kind);

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
