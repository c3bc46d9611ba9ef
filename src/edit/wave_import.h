#pragma once

#include "storage/lum_file_document.h"

#include <string>
#include <string_view>
#include <vector>

namespace Corv {

// True when a path's extension is ".wav", ".aif", ".aiff" or ".vpw" in any letter case.
bool IsImportableWave(std::string_view path);

// The work-file name of an imported file: the counter value as at least three digits, a blank,
// the file's title in the code page cut to 12 characters (written back as UTF-8, like every file
// name) and its extension as it stands.
std::string ImportWorkFileName(unsigned counter, std::string_view path);

// Imports audio files as waves of the document's project: each accepted file (judged by its
// extension, and a ".wav", ".aif" or ".aiff" file by its header too) is copied into the work
// folder and fills the next empty wave slot, in ascending path order. A file that is not a
// regular file is never opened, and one whose header does not match its extension is not
// taken: a notice names each such file and the others go on. Returns the number of waves
// imported; the filled slots are the first that many of the project's empty wave slots taken
// before the call. Shows message 9, 6 or 8 when it refuses, and message 9 when a copy fails
// (the waves imported before it stay and count).
int ImportWaves(CLumFileDocument& document, std::vector<std::string> files);

} // namespace Corv
