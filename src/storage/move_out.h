#pragma once

#include <string>
#include <utility>
#include <vector>

namespace Corv {

// What a save moved out of a project folder, and what it could not.
struct CMoveOutReport {
    std::vector<std::pair<std::string, std::string>> moved; // the file's path -> where it went
    std::vector<std::string> stayed;                        // could not be moved: still there
    std::vector<std::string> leftovers; // files of a finished save that could not be removed

    bool Empty() const { return moved.empty() && stayed.empty() && leftovers.empty(); }
    // A notice: a summary line, then one line per file.
    std::string Text() const;
};

// Moves a file out of a project folder without deleting it: into the user's trash or, where
// that is not possible, into a folder beside the project. `path` is where the file is now,
// `original` its path relative to the project folder (the name it is filed under). Records the
// outcome in the report; false when the file stays where it is.
bool MoveOutOfProject(const std::string& path, const std::string& original,
                      const std::string& projectFolder, CMoveOutReport& report);

} // namespace Corv
