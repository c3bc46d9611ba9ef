#pragma once

#include "model/file_system.h"

#include <array>
#include <string>
#include <vector>

namespace Corv {

class CLumData;
struct CSavePlan;

// A project folder's entries with their status: its own, then those of Patch/, Tone/ and Wave/
// (null for a folder that was not listed).
using FolderEntries = std::array<const std::vector<EntryStatus>*, 4>;

// Something that keeps what a project folder held before each save (the history of versions).
// A save that replaces files in an existing folder calls it before it writes anything, once
// with every new content staged and durable but nothing in the folder changed yet, and once
// after the folder transaction. A recorder never writes into the project folder and never changes
// the outcome of the save.
class ISaveRecorder {
public:
    virtual ~ISaveRecorder() = default;
    // Records the folder as it is now, before the save changes it. `plan` says which files the
    // save replaces, renames and removes (steps relative to `folder`); `data` is the project as
    // it will be saved (its records still name the files they were read from); `listed` (may
    // be null) the folder's entries as the save found them under its lock, before it staged
    // anything. False with `why` set when no complete version could be written; the save goes
    // on without one.
    // The save has worked out `plan` and is about to write its new contents (nothing in the
    // folder changed yet): a recorder may start keeping the files the plan replaces, side by
    // side with that writing. BeforeCommit follows unless the save fails first.
    virtual void BeforeStaging(const std::string& folder, const CSavePlan& plan) {
        static_cast<void>(folder);
        static_cast<void>(plan);
    }
    virtual bool BeforeCommit(const std::string& folder, const CSavePlan& plan,
                              const CLumData& data, const FolderEntries* listed,
                              std::string& why) = 0;
    // The save's transaction ended: `committed` when the folder now holds the saved state.
    virtual void AfterCommit(const std::string& folder, bool committed) = 0;
};

} // namespace Corv
