#pragma once

#include <string>

namespace Corv {

// Save As builds a new project folder beside its target under a hidden name of its own
// (".Song.prj.corvane-save" for "Song.prj") and renames it into place when it is complete. A
// run killed before that leaves the hidden folder behind.

// The hidden folder in which a Save As builds `target` (a folder path without a trailing "/");
// ends in "/".
std::string StageFolderOf(const std::string& target);
// True for the names such hidden folders have.
bool IsStageFolderName(const std::string& name);

// Moves the hidden folders that killed Save As runs left in `parent` (ends in "/") to the trash
// (deleting one only where no trash takes it: it holds copies only) and returns the notice that
// names them; empty when there were none. A folder that another program is building now holds
// its lock and stays; so does anything that is not a real folder of this user.
std::string ClearStagedProjects(const std::string& parent);

} // namespace Corv
