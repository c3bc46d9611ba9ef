#pragma once

#include "storage/lum_file_document.h"

#include <string>
#include <string_view>
#include <vector>

namespace Corv {

// True when a path's extension is ".wav", ".aif", ".aiff" or ".vpw" in any letter case.
bool IsImportableWave(std::string_view path);

// The work-file name of an imported file: the counter value as at least three digits, a blank,
// the first 12 characters of the file's title and its extension as it stands.
std::string ImportWorkFileName(unsigned counter, std::string_view path);

// Imports audio files as waves of the document's project: each accepted file (judged by its
// extension) is copied into the work folder and fills the next empty wave slot, in ascending
// path order. A file that is not a regular file is never opened: a notice names it and the
// others go on. Returns the number of waves imported; the filled slots are the first that many
// of the project's empty wave slots taken before the call. Shows message 9, 6 or 8 when it
// refuses, and message 9 when a copy fails (the waves imported before it stay and count).
int ImportWaves(CLumFileDocument& document, std::vector<std::string> files);

} // namespace Corv
