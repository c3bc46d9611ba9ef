#pragma once

#include "edit/project_diff.h"
#include "history/history_store.h"

#include <string>
#include <vector>

namespace Corv::History {

class CHistoryRecorder;

// Writes version `id` of a project as a project folder at `target` (which must not exist):
// every file from the store, or from the project folder where the save left it, each checked
// against its hash. A file found nowhere whole is left out and named in `missing`; false when
// the version is damaged that way or cannot be read at all (`why`). With `linkObjects`, a file
// whose object the store has is that object under a second name where the file system allows
// it (a scratch copy that is only read, then removed: nothing is copied twice).
bool ExportVersion(const CHistoryStore& store, const std::string& project, int id,
                   const std::string& target, std::vector<std::string>& missing, std::string& why,
                   bool linkObjects = false);

// The differences between version `id` and version `against` of a project (A = `id`), or the
// project as it is now when `against` is 0; `scratch` is a folder for the versions written out
// (the work folder). False with `why` when a side cannot be read.
bool VersionDifferences(const CHistoryStore& store, const std::string& project, int id, int against,
                        const std::string& scratch, std::vector<ProjectDifference>& differences,
                        std::string& why);

enum class RestoreOutcome {
    Restored,    // the project folder holds the version now
    NothingToDo, // it held it already
    Previewed,   // a dry run: `changes` says what a restore would change
    Failed,      // nothing changed (`why`)
};

// Makes a project folder equal to version `id` through a save over it (so that the folder as
// it was becomes a version of its own, noted "before restore"); `changes` gets the differences
// from the project now to the version. The save asks the message sink whether to replace the
// project, as Save As over a project does. The project must not be open in this process.
RestoreOutcome RestoreVersion(CHistoryRecorder& recorder, const std::string& project, int id,
                              const std::string& scratch, bool dryRun,
                              std::vector<ProjectDifference>& changes, std::string& why);

} // namespace Corv::History
