#pragma once

#include "edit/edit_outcome.h"
#include "edit/transfer.h"
#include "model/lum_data.h"

#include <cstdint>
#include <vector>

namespace Corv {
class CUndoStep;
struct DropOptions;
} // namespace Corv

// Building blocks shared by the list edits. Tone numbers beyond 896 and wave numbers beyond
// 999 can stand in files; none of these helpers ever follows them.
namespace Corv::ListEdits {

using Corv::IsToneNumber;
using Corv::IsWaveNumber;

// Points every patch tone slot that refers to `number` nowhere (bank code cleared).
void ClearToneReferencesTo(CLumData& project, int number);
// Enters a patch into the user lists of the tones it refers to.
void AddPatchToItsTones(CLumData& project, int patch);
// Enters a tone into the user lists of the waves it refers to.
void AddToneToItsWaves(CLumData& project, int tone);

// Where the records of a drop went: the old number origins[j] now names the 0-based slot
// slots[j], the first j counting when an origin is given twice. A lookup takes one step, so
// that rewriting every reference of a large drop stays linear.
class Renumbering {
public:
    Renumbering(const std::vector<int>& origins, const std::vector<int>& slots);
    // The new 1-based number for an old number, 0 when no placed record came from it.
    int NewNumber(int old) const {
        return old >= 0 && static_cast<std::size_t>(old) < m_newNumbers.size()
                   ? m_newNumbers[static_cast<std::size_t>(old)]
                   : 0;
    }

private:
    std::vector<int> m_newNumbers; // indexed by the old number
};

// Points every tone reference of a patch that the renumbering knows at its new number.
void RewriteToneReferences(CPatch& patch, const Renumbering& renumbering);
// Points every wave reference of a tone that the renumbering knows at its new number.
void RewriteWaveReferences(CTone& tone, const Renumbering& renumbering);

// Moves the user-list entries at or after `first` on by `count`, in one shift of the original
// entries.
void ShiftUsers(CReferencedParameter& record, int first, int count);

// Places clones of the transfer's tones into the project's first empty tone slots and returns
// those slots, in transfer order.
std::vector<int> PlaceCarriedTones(CLumData& project, const CTransfer& transfer);
// Places clones of the transfer's waves into the project's first empty wave slots and returns
// those slots, in transfer order.
std::vector<int> PlaceCarriedWaves(CLumData& project, const CTransfer& transfer);
// Carries the waves that newly placed tones need: places the transfer's waves, points the
// tones at them and makes the tones the users of those waves.
std::vector<int> CarryWavesOfPlacedTones(CLumData& project, const std::vector<int>& tones,
                                         const CTransfer& transfer);

// A move within one project: every patch whose tone slot referred, in the picture taken when
// the drag started, to the origin of a placed tone now refers to that tone (the first placed
// one in index order). `placed` lists the placed tone indices in ascending order, `origins`
// the 1-based numbers they came from, in the same order.
void RedirectPatchesThroughPicture(CLumData& project, const CPatchArray& picture,
                                   const std::vector<int>& placed, const std::vector<int>& origins);
// The same for tones whose oscillator sides referred to the origin of a placed wave.
void RedirectTonesThroughPicture(CLumData& project, const CToneArray& picture,
                                 const std::vector<int>& placed, const std::vector<int>& origins);

// Makes the user lists of slots that received carried records list every record that already
// referred to those slots (a reference to an empty slot now reaches the placed record).
void AdoptReferrers(CLumData& project, const std::vector<int>& toneSlots,
                    const std::vector<int>& waveSlots);

// The start of an overwrite or insert: runs the checks of the drop and, when they pass,
// replaces the undo step by a snapshot of the target. Done when the drop may go on.
EditOutcome StartDrop(CLumData& target, int destination, const CTransfer& transfer,
                      bool otherProject, DropOptions options, CUndoStep& undo,
                      const ConfirmFn& confirm);

// The ascending run first, first + 1, ..., first + count - 1.
std::vector<int> Run(int first, int count);

} // namespace Corv::ListEdits
