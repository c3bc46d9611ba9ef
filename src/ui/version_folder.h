#pragma once

#include <string>

namespace CorvDesktop {

// The scratch folders that versions of projects are written out into to be shown read-only:
// each in a folder of its own under "Versions/" of the work folder, so that a version opened
// twice, or of two projects of one name, never meets another, and removing one touches nothing
// else.

// Makes a new, empty folder under `<work>Versions/` and returns it (the core's path form, ending
// in "/"); empty when none can be made.
std::string MakeVersionFolder(const std::string& work);
// Removes a folder MakeVersionFolder made, with everything in it; refuses (false) anything that
// does not lie under `<work>Versions/`, so that nothing outside the work folder is touched.
bool RemoveVersionFolder(const std::string& work, const std::string& folder);

} // namespace CorvDesktop
