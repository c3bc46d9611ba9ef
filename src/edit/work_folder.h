#pragma once

#include <string>
#include <vector>

namespace Corv {

// The error code shown for a work file that cannot be deleted ("Undefined error.").
inline constexpr int kMsgUndefinedError = 3085;

// Creates the work folder level by level under a base folder (a level that already exists
// is fine). Returns the absolute folder path with "/" separators ending in "/", or an empty
// text when a level can neither be created nor found as a folder.
std::string CreateWorkFolder(const std::string& base, const std::vector<std::string>& levels);

// True for the names of files the program leaves in the work folder: "*.d00", "*.p00",
// "*.w*", "*.aif*" and "*.vpw", without regard to letter case.
bool IsWorkFileName(const std::string& name);

// Deletes the work files directly in the folder (never in its sub-folders, never other files,
// never a file that the folder's list of moved entries names).
// Each failed deletion shows "Undefined error." and the cleanup goes on. Returns the number of
// files deleted.
int EmptyWorkFolder(const std::string& folder);

} // namespace Corv
