#pragma once

#include <string>
#include <vector>

namespace Corv {
class CProjectDocument;
} // namespace Corv

namespace Corv::Cli {

// The integrity report of a loaded project, one line per problem: references to empty slots
// or beyond the slot count, files of used slots that cannot be opened, rejected files, entries
// of the subfolders and memo files that are not regular files, back references that disagree
// with the references, and wave bytes over the limit. Empty when all is well.
std::vector<std::string> CheckProject(const CProjectDocument& document);

// Why a folder cannot be loaded: a missing folder, a folder name without ".prj", missing
// "Patch" or "Tone" folders, and every slot file that the loader would read but cannot; then,
// as for a loaded project, what is not a regular file and wave bytes over the limit.
std::vector<std::string> DiagnoseFolder(const std::string& folder);

} // namespace Corv::Cli
