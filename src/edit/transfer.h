#pragma once

#include "model/lum_data.h"

#include <vector>

namespace Corv {

// What a drag or copy of list entries carries: copies of the dragged records, of the tones and
// waves they need, and of the records whose references a move within one project redirects.
// Each dragged or carried tone and wave knows the number it had in its project.
struct CTransfer {
    // The list kind of the dragged records (`ListKind`).
    int kind = kPatchKind;
    // Dragged patches (patch drags).
    CPatchArray patches;
    // Dragged tones (tone drags), or the tones the dragged patches use (patch drags).
    CToneArray tones;
    // Dragged waves (wave drags), or the waves the dragged or carried tones use.
    CWaveArray waves;
    // The 1-based number each record of `tones` and `waves` had in the source, in the same
    // order.
    std::vector<int> toneOrigins;
    std::vector<int> waveOrigins;
    // Tone drags: every patch of the source as it was when the drag started.
    CPatchArray patchPicture;
    // Wave drags: every tone of the source as it was when the drag started.
    CToneArray tonePicture;

    // The dragged records: the array of `kind`.
    const CParameterArray& Dragged() const;
    // The number of dragged records.
    int Count() const { return static_cast<int>(Dragged().Size()); }
};

// Takes the selected records of a kind (0-based rows, in selection order) when a drag starts:
// each selected tone or wave carries its number as origin; selected patches bring the tones
// they use and those tones the waves they use (each with its number); selected tones bring
// their waves and a picture of all patches; selected waves bring a picture of all tones. Rows
// outside the list are left out; a kind that is no list gives an empty transfer.
CTransfer StoreSelection(const CLumData& source, const std::vector<int>& rows, int kind);

} // namespace Corv
