#include "storage/move_out.h"

#include <algorithm>

namespace Corv {

bool CMoveOutReport::Empty() const {
    return leftovers.empty() &&
           std::all_of(files.begin(), files.end(),
                       [](const RemovedFile& file) { return file.to == RemovedTo::Missing; });
}

std::string CMoveOutReport::Text() const {
    std::string text = RemovedFilesNotice(files);
    if (leftovers.empty())
        return text;
    const std::string summary = std::to_string(leftovers.size()) +
                                " file(s) of the save could not be removed; the next open of the "
                                "project removes them.";
    const auto lineEnd = text.find('\n');
    text = text.empty() ? summary
                        : text.substr(0, lineEnd) + " " + summary +
                              (lineEnd == std::string::npos ? "" : text.substr(lineEnd));
    for (const std::string& path : leftovers)
        text += "\n" + path + " -> left over";
    return text;
}

MoveOutFunction MoveOutInto(const std::string& projectFolder, CMoveOutReport& report) {
    return [projectFolder, &report](const std::vector<FileToRemove>& files) {
        const std::vector<RemovedFile> results = MoveOutOfProject(files, projectFolder);
        std::vector<bool> moved;
        for (const RemovedFile& result : results) {
            moved.push_back(result.to == RemovedTo::Trash || result.to == RemovedTo::BesideProject);
            report.files.push_back(result);
        }
        return moved;
    };
}

} // namespace Corv
