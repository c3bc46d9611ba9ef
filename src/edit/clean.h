#pragma once

#include "model/lum_data.h"

namespace Corv {

// Tidies a project in memory: drops references to empty slots, removes tones no patch uses and
// waves no tone uses, and closes the gaps in the numbering, as the four clean options of the
// store allow. Every reference is renumbered so that it still points at the same content.
// The caller records undo first.
void Clean(CLumData& data);

// The Clean Project command of the core: replaces the undo step by a snapshot of all three
// arrays of the project, then cleans it. The caller marks the document modified.
void CleanProject(CLumData& data);

} // namespace Corv
