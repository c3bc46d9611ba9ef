#pragma once

#include <array>
#include <string>
#include <vector>

namespace Corv {

// An entry whose only copy is a file in the work folder: the save of the project it was moved
// out of dropped its file while the project it was moved into was not saved yet. The work
// folder lists such entries (".corvane-moved") until a save takes their files into a project;
// whatever is still listed when a run ends is never deleted but goes to the user's trash, and
// the desktop program offers it again at its next start.
struct MovedEntry {
    std::string file; // the work file, relative to the work folder
    int kind = 0;
    int number = 0; // the slot it has in the project that holds it
    std::string name;
    std::array<std::string, 4> memos;
    std::string from;     // the folder of the project it was moved out of
    std::string original; // its file there, relative to that folder ("Patch/002 Brass.d00")
    std::string into;     // the folder (or, without one, the title) of the project holding it

    bool operator==(const MovedEntry&) const = default;
};

inline constexpr const char* kMovedEntriesName = ".corvane-moved";

// The entries a work folder lists; empty when it lists none (or the list cannot be read).
std::vector<MovedEntry> ReadMovedEntries(const std::string& workFolder);
// Writes the list durably (a missing list for no entries). False when that fails.
bool WriteMovedEntries(const std::string& workFolder, const std::vector<MovedEntry>& entries);
// Adds entries to the list, or takes the entries of the given work files off it.
bool AddMovedEntries(const std::string& workFolder, const std::vector<MovedEntry>& entries);
bool TakeOffMovedEntries(const std::string& workFolder, const std::vector<std::string>& files);

// Moves the files of the listed entries that are still there into the trash, each filed under
// the slot it had in the project it was moved out of, clears the list, and returns the notice
// that names them (empty when there was nothing to move).
std::string TrashMovedEntries(const std::string& workFolder);

// The work files the list names: never deleted while they are listed.
std::vector<std::string> MovedEntryFiles(const std::string& workFolder);

// The question's text about unsaved moved entries: "Entries moved from A.prj into B.prj were
// not saved into B.prj", one line per pair of projects, then one line per entry.
std::string MovedEntriesText(const std::vector<MovedEntry>& entries);

} // namespace Corv
