#pragma once

#include "edit/edit_outcome.h"
#include "storage/lum_file_document.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace Corv {

class CUndoStep;

// True when a path's extension is ".wav", ".aif", ".aiff" or ".vpw" in any letter case.
bool IsImportableWave(std::string_view path);

// The work-file name of an imported file: the counter value as at least three digits, a blank,
// the file's title in the code page cut to 12 characters (written back as UTF-8, like every file
// name) and its extension as it stands.
std::string ImportWorkFileName(unsigned counter, std::string_view path);

// The project's wave bytes after importing the files: the present total plus the size of each
// file with an accepted extension (each path once). Summed wide, so that no total wraps.
std::uint64_t WaveBytesAfterImport(const CLumData& data, std::vector<std::string> files);

// The line that says by how much an import passes the wave limit, e.g. "The waves would total
// 65.2 MB (68,400,000 bytes), 1,292,160 bytes over the limit of 67,107,840 bytes."
std::string WaveBytesOverText(std::uint64_t total);

// What an import did: the waves imported, and why it stopped when it did not take every file.
struct ImportResult {
    int imported = 0;
    EditOutcome outcome;
};

// Imports audio files as waves of the document's project: each accepted file (judged by its
// extension, and a ".wav", ".aif" or ".aiff" file by its header too) is copied into the work
// folder and fills the next empty wave slot, in ascending path order; the project's arrays
// replace the undo step first. A file that is not a regular file is never opened, and one
// whose header does not match its extension is not taken: a notice names each such file and
// the others go on. The filled slots are the first `imported` of the project's empty wave slots
// taken before the call. Refused with message 9, 6 or 8 (8, the wave limit, with the line of
// `WaveBytesOverText` as its reason, before any file is copied), and with message 9 when a copy
// fails (the waves imported before it stay and count). The caller shows the refusal.
ImportResult ImportWaves(CLumFileDocument& document, std::vector<std::string> files,
                         CUndoStep& undo);

} // namespace Corv
