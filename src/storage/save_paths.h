#pragma once

#include "storage/journal_text.h"

#include <string>

namespace Corv {

// Names the save uses inside a project folder while it works. The loader takes none of them
// for a slot file (none matches the patch, tone or wave patterns), and a completed save leaves
// none behind.
inline constexpr const char* kStagedPrefix = ".corvane-new-"; // new contents, not yet in place
inline constexpr const char* kAsidePrefix = ".corvane-old-";  // originals moved out of the way
inline constexpr const char* kJournalName = ".corvane-journal";
inline constexpr const char* kPlacingJournalName = ".corvane-journal-placing";

// True for the names a save gives files while it works (staged and set-aside files).
bool IsSaveLeftoverName(const std::string& name);

// The folder without the "/" it may end in.
inline std::string WithoutSlash(const std::string& folder) {
    return !folder.empty() && folder.back() == '/' ? folder.substr(0, folder.size() - 1) : folder;
}

// The files a save may put in place, set aside or take out of a project folder, and the
// folders it may reach them through. A journal found in a folder was written by someone, not
// necessarily by a save of ours: before any of its steps is replayed, every path it names must
// be one of these, so that no journal can reach a file outside the project.

// True when a path relative to the project folder is one a save writes: a slot file in Patch/,
// Tone/ or Wave/ (any name its subfolder's patterns take, as a save replacing a project moves
// out all of them), a memo file, a system file ("*.s00" at the top), a staged or set-aside
// file of a save (at the top or in a subfolder), or the journal. Never an absolute path, an
// empty, "." or ".." part, or a NUL byte.
bool IsSavePath(const std::string& relative);

// The first folder on the way to a relative path that is a symbolic link, or anything but a
// real folder, as "Patch/ is a link to TARGET" or "Patch/ is not a folder"; empty when the
// path is reached through real folders of the project only (or through none). The path's last
// part may itself be a link: renaming and removing act on a link, not on what it leads to.
std::string LinkOnTheWay(const std::string& folder, const std::string& relative);

// The first of Patch/, Tone/ and Wave/ that is not a real folder of the project (a link into
// another folder, or a file), said as `LinkOnTheWay` says it; empty when each is a real folder
// or missing. Nothing may be written, renamed or removed in such a project folder: it would
// happen in the folder the link leads to.
std::string UnsafeSubfolder(const std::string& folder);

// Why a journal's step must not be replayed, as a notice says it ("names "PATH", which is ..."):
// a path it names is no path a save writes, or is reached through a link. Empty when the step
// may be replayed.
std::string RefusedStep(const std::string& folder, const CommitStep& step);

} // namespace Corv
