#pragma once

#include "edit/edit_outcome.h"
#include "model/lum_data.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace Corv {

class CUndoStep;

// The four options of Clean Project.
struct CleanOptions {
    bool keepWaves = false;        // keep unused user waves
    bool keepTones = false;        // keep unused user tones
    bool keepToneNumbers = false;  // keep tone numbering
    bool keepPatchNumbers = false; // keep patch numbering
};

// What a clean does to one used entry: it moves to another number, or it goes (newNumber 0).
struct CleanChange {
    int kind = kPatchKind;
    int oldNumber = 0; // 1-based
    int newNumber = 0; // 1-based; 0 when the entry is removed
    std::string name;
};

// Everything a clean with given options would do to a project, worked out beforehand.
struct CleanPlan {
    // Patches, then tones, then waves, each by old number; entries that keep their number and
    // stay are left out.
    std::vector<CleanChange> changes;
    std::array<int, 3> removed{};
    std::array<int, 3> renumbered{};
    // References to empty slots or beyond the lists that the clean resets.
    int clearedReferences = 0;
    // The bytes of the wave files of the removed waves.
    std::uint64_t waveBytesFreed = 0;

    bool DoesNothing() const { return changes.empty() && clearedReferences == 0; }
};

// Tidies a project in memory: drops references to empty slots, removes tones no patch uses and
// waves no tone uses, and closes the gaps in the numbering, as the four clean options allow.
// Every reference is renumbered so that it still points at the same content. The caller
// records undo first.
void Clean(CLumData& data, const CleanOptions& options);

// The Clean Project command of the core: replaces the undo step by a snapshot of all three
// arrays of the project, then cleans it with the options (always done). The caller marks the
// document modified.
EditOutcome CleanProject(CLumData& data, const CleanOptions& options, CUndoStep& undo);

// A dry run of `Clean` with these options: cleans a copy of the three arrays and reports what
// moved and what went. Leaves the project, the undo step and the sinks alone; reads the sizes
// of the wave files that would go.
CleanPlan PlanClean(const CLumData& data, const CleanOptions& options);

// One line: "removes 12 tones and 7 waves (3.4 MB); renumbers 40 tones", or "nothing to clean".
std::string CleanSummary(const CleanPlan& plan);
// One change as a line: "tone 12 -> 3 Name" or "wave 7 removed Name".
std::string CleanChangeLine(const CleanChange& change);

} // namespace Corv
