#pragma once

#include <cstdint>
#include <ctime>
#include <string>
#include <vector>

namespace Corv {

// The user whose trash takes files out of a project, and the time they go.
struct TrashUser {
    // The absolute data folder that holds the home trash "Trash/" ($XDG_DATA_HOME, else
    // $HOME/.local/share); empty when there is none.
    std::string dataHome;
    // Names the user's trash folders at the top of other file systems.
    std::uint32_t id = 0;
    // The deletion time written for every file.
    std::time_t now = 0;

    // The user this program runs as, from the environment, at this moment.
    static TrashUser Current();
};

// Where a file went when it was moved out of a project.
enum class RemovedTo {
    Trash,         // into a trash folder, with its information file
    BesideProject, // into the folder "<project folder name> removed files" beside the project
    Stayed,        // it could not be moved and is where it was
    Missing,       // nothing was found at the path; nothing was done
};

// A file to move out: where it is now, and the path relative to the project folder that it had
// in the project (empty: where it is), under which the trash files it.
struct FileToRemove {
    std::string path;
    std::string original;
    bool trashOnly = false; // where no trash takes it, it stays (no folder beside the project)
};

struct RemovedFile {
    std::string path; // the project folder followed by the file's path in the project
    RemovedTo to = RemovedTo::Stayed;
    std::string where; // the file's path now, for Trash and BesideProject
};

// Moves files of a project folder (paths with "/" separators inside `projectFolder`, in
// Patch/, Tone/, Wave/ or at its top) out of it: into the user's trash on the file's file
// system, else into the folder beside the project under the same relative path. Files are only
// renamed, never copied or deleted; one that cannot be moved stays. One result per path, in order.
std::vector<RemovedFile> MoveOutOfProject(const std::vector<std::string>& paths,
                                          const std::string& projectFolder,
                                          const TrashUser& user = TrashUser::Current());

// The same for files that may lie under other names than they had in the project, inside the
// project folder or (given as an absolute path) elsewhere: a work file that held an entry.
std::vector<RemovedFile> MoveOutOfProject(const std::vector<FileToRemove>& files,
                                          const std::string& projectFolder,
                                          const TrashUser& user = TrashUser::Current());

// The text of a notice about moved files: a summary line, then one line "PATH -> WHERE" per file
// that was there; empty when nothing was there to move.
std::string RemovedFilesNotice(const std::vector<RemovedFile>& files);

} // namespace Corv
