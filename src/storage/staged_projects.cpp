#include "storage/staged_projects.h"

#include "model/file_system.h"
#include "storage/domain.h"
#include "storage/project_lock.h"
#include "storage/trash.h"

#include <vector>

namespace Corv {

namespace {

constexpr std::string_view kStageSuffix = ".corvane-save";

bool EndsWith(std::string_view text, std::string_view end) {
    return text.size() >= end.size() && text.substr(text.size() - end.size()) == end;
}

// Deletes a folder this program built, never following a link inside it (a link is removed
// itself); false when something stays.
bool DeleteTree(const std::string& folder) {
    std::vector<DirEntry> entries;
    FileSystem().ListFolder(folder, entries);
    bool all = true;
    for (const DirEntry& entry : entries) {
        const std::string path = folder + "/" + entry.name;
        const FileStatus status = FileSystem().Status(path);
        all = (status.type == FileType::Directory && !status.isLink ? DeleteTree(path)
                                                                    : FileSystem().Remove(path)) &&
              all;
    }
    return FileSystem().RemoveDirectory(folder) && all;
}

} // namespace

std::string StageFolderOf(const std::string& target) {
    const auto slash = target.rfind('/');
    const std::string parent =
        slash == std::string::npos ? std::string() : target.substr(0, slash + 1);
    return parent + "." + target.substr(parent.size()) + std::string(kStageSuffix) + "/";
}

bool IsStageFolderName(const std::string& name) {
    return name.size() > kStageSuffix.size() + 1 && name.front() == '.' &&
           EndsWith(name, kStageSuffix);
}

std::string ClearStagedProjects(const std::string& parent) {
    std::vector<DirEntry> entries;
    if (!FileSystem().ListFolder(parent.empty() ? "./" : parent, entries))
        return {};
    std::string lines;
    for (const DirEntry& entry : entries) {
        if (entry.type != FileType::Directory || !IsStageFolderName(entry.name))
            continue;
        const std::string folder = parent + entry.name;
        const FileStatus status = FileSystem().Status(folder);
        if (status.isLink || status.type != FileType::Directory ||
            status.owner != FileSystem().UserId())
            continue;
        CProjectLock lock;
        if (lock.Take(folder, LockMode::Exclusive, std::chrono::milliseconds(0)) !=
            CProjectLock::Outcome::Locked)
            continue; // being built, or no way to tell: left alone
        const std::vector<RemovedFile> moved =
            MoveOutOfProject(std::vector<FileToRemove>{{folder, entry.name, true}}, parent);
        lock.Release();
        if (!moved.empty() && moved.front().to == RemovedTo::Trash)
            lines += "\n" + folder + " -> " + moved.front().where;
        else if (DeleteTree(folder))
            lines += "\n" + folder + " -> removed";
    }
    return lines.empty() ? std::string()
                         : "A Save As that was interrupted left its unfinished project folder "
                           "behind; it has been cleared:" +
                               lines;
}

} // namespace Corv
