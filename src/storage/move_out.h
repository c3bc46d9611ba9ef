#pragma once

#include "storage/folder_transaction.h"
#include "storage/trash.h"

#include <string>
#include <vector>

namespace Corv {

// What a save or an open moved out of a project folder, and what it could not remove.
struct CMoveOutReport {
    std::vector<RemovedFile> files;
    std::vector<std::string> leftovers; // files of a finished save that could not be removed

    bool Empty() const;
    // A notice: a summary line, then one line per file.
    std::string Text() const;
};

// Moves files out of a project folder into the trash (or beside the project), never deleting
// them, and adds what happened to the report.
MoveOutFunction MoveOutInto(const std::string& projectFolder, CMoveOutReport& report);

} // namespace Corv
