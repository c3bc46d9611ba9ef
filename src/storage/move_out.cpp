#include "storage/move_out.h"

#include "edit/domain.h"
#include "model/file_system.h"

namespace Corv {

std::string CMoveOutReport::Text() const {
    std::string text;
    if (!moved.empty())
        text += std::to_string(moved.size()) + " file(s) that are not part of the project were moved out of it.";
    if (!stayed.empty())
        text += (text.empty() ? "" : " ") + std::to_string(stayed.size()) +
                " file(s) could not be moved out of the project and were left where they are.";
    if (!leftovers.empty())
        text += (text.empty() ? "" : " ") + std::to_string(leftovers.size()) +
                " file(s) left by the save could not be removed; the next open of the project removes them.";
    for (const auto& [from, to] : moved)
        text += "\n" + from + " -> " + to;
    for (const std::string& path : stayed)
        text += "\n" + path + " (left in place)";
    for (const std::string& path : leftovers)
        text += "\n" + path + " (left over)";
    return text;
}

bool MoveOutOfProject(const std::string& path, const std::string& original,
                      const std::string& projectFolder, CMoveOutReport& report) {
    IFileSystem& fs = FileSystem();
    const std::string parent = projectFolder.substr(0, projectFolder.rfind('/', projectFolder.size() - 2) + 1);
    std::string beside = projectFolder.substr(0, projectFolder.size() - 1) + " removed files/";
    // Each folder made is durable in its parent before anything is moved into it.
    const auto makeFolder = [&fs](const std::string& folder, const std::string& in) {
        if (fs.CreateDirectory(ToOsPath(folder.substr(0, folder.size() - 1))) == CreateDirResult::Created)
            fs.SyncDirectory(ToOsPath(in));
    };
    makeFolder(beside, parent);
    std::string destination = beside;
    std::size_t start = 0;
    for (std::size_t slash = original.find('/'); slash != std::string::npos; slash = original.find('/', start)) {
        const std::string in = destination;
        destination += original.substr(start, slash - start + 1);
        makeFolder(destination, in);
        start = slash + 1;
    }
    destination += original.substr(start);
    std::string unique = destination;
    const auto taken = [&fs](const std::string& candidate) {
        const FileStatus status = fs.Status(ToOsPath(candidate));
        return status.type != FileType::Missing || status.isLink || status.failed;
    };
    int n = 2;
    for (; n < 1000 && taken(unique); ++n)
        unique = destination + " (" + std::to_string(n) + ")";
    // The file is durable where it arrives before it is gone from where it was.
    if (n == 1000 || !fs.Rename(ToOsPath(path), ToOsPath(unique)) ||
        !fs.SyncDirectory(ToOsPath(unique.substr(0, unique.rfind('/') + 1))) ||
        !fs.SyncDirectory(ToOsPath(path.substr(0, path.rfind('/') + 1)))) {
        report.stayed.push_back(path);
        return false;
    }
    report.moved.emplace_back(projectFolder + original, unique);
    return true;
}

} // namespace Corv
