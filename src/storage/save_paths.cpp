#include "storage/save_paths.h"

#include "model/file_system.h"
#include "storage/domain.h"
#include "storage/slot_file_name.h"

#include <algorithm>
#include <vector>

namespace Corv {

namespace {

bool IsTopFileName(const std::string& name) {
    if (name == kJournalName || name == kPlacingJournalName || IsSaveLeftoverName(name) ||
        MatchesPattern(name, "*.s00"))
        return true;
    for (int kind = kPatchKind; kind <= kWaveKind; ++kind)
        if (name == MemoFileName(kind))
            return true;
    return false;
}

bool IsSubfolderFileName(const std::string& subfolder, const std::string& name) {
    static const std::vector<const char*> kPatterns[3] = {
        {"*.d00"}, {"*.p00"}, {"*.w*", "*.aif*", "*.vpw"}};
    for (int kind = kPatchKind; kind <= kWaveKind; ++kind) {
        if (subfolder + "/" != SubfolderName(kind))
            continue;
        const std::vector<const char*>& patterns = kPatterns[kind];
        return IsSaveLeftoverName(name) ||
               std::any_of(patterns.begin(), patterns.end(),
                           [&](const char* pattern) { return MatchesPattern(name, pattern); });
    }
    return false;
}

} // namespace

bool IsSavePath(const std::string& relative) {
    if (relative.find('\0') != std::string::npos)
        return false;
    const std::vector<std::string> parts = SplitAt(relative, '/');
    if (std::any_of(parts.begin(), parts.end(), [](const std::string& part) {
            return part.empty() || part == "." || part == "..";
        }))
        return false; // also an absolute path: its first part is empty
    if (parts.size() == 1)
        return IsTopFileName(parts[0]);
    return parts.size() == 2 && IsSubfolderFileName(parts[0], parts[1]);
}

std::string LinkOnTheWay(const std::string& folder, const std::string& relative) {
    const std::vector<std::string> parts = SplitAt(relative, '/');
    std::string way;
    for (std::size_t i = 0; i + 1 < parts.size(); ++i) {
        way += parts[i] + "/";
        const std::string path = folder + way.substr(0, way.size() - 1);
        const FileStatus status = FileSystem().Status(path);
        if (status.isLink) {
            const std::string target = FileSystem().LinkTarget(path);
            return way + " is a link to " +
                   (target.empty() ? "a place that cannot be read" : target);
        }
        if (status.failed)
            return way + " cannot be looked at";
        if (status.type == FileType::Missing)
            return {}; // nothing below it can be reached either
        if (status.type != FileType::Directory)
            return way + " is not a folder";
    }
    return {};
}

std::string UnsafeSubfolder(const std::string& folder) {
    for (int kind = kPatchKind; kind <= kWaveKind; ++kind) {
        // The way to any file of the subfolder passes the subfolder itself and nothing else.
        const std::string why = LinkOnTheWay(folder, SubfolderName(kind) + std::string("x"));
        if (!why.empty())
            return why;
    }
    return {};
}

std::string RefusedStep(const std::string& folder, const CommitStep& step) {
    std::vector<const std::string*> paths = {&step.from};
    if (step.kind != CommitStep::Kind::Remove)
        paths.push_back(&step.to);
    for (const std::string* path : paths) {
        if (!IsSavePath(*path))
            return "names \"" + JournalEscaped(*path) +
                   "\", which is no file a save of this project writes";
        if (const std::string link = LinkOnTheWay(folder, *path); !link.empty())
            return "reaches \"" + JournalEscaped(*path) +
                   "\" through a folder that is not the project's own (" + link + ")";
    }
    return {};
}

bool IsSaveLeftoverName(const std::string& name) {
    return name.rfind(kStagedPrefix, 0) == 0 || name.rfind(kAsidePrefix, 0) == 0;
}

} // namespace Corv
