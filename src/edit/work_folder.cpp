#include "edit/work_folder.h"

#include "model/file_system.h"
#include "storage/domain.h"
#include "storage/moved_entries.h"
#include "storage/slot_file_name.h"

#include <algorithm>
#include <array>
#include <filesystem>
#include <string_view>

namespace Corv {

namespace {

constexpr std::array<std::string_view, 5> kWorkFilePatterns = {"*.d00", "*.p00", "*.w*", "*.aif*",
                                                               "*.vpw"};

// "/" separators, absolute (a relative base is taken from the current folder), no trailing
// separator (except for the root itself). "." and ".." parts are left for the operating system
// to resolve: through a link, ".." is not what folding the text would make of it.
std::string NormalisedBase(const std::string& base) {
    std::string path = base;
    std::replace(path.begin(), path.end(), '\\', '/');
    if (!path.empty() && path.front() != '/') {
        std::error_code error;
        const std::filesystem::path absolute = std::filesystem::absolute(path, error);
        if (!error)
            path = absolute.generic_string();
    }
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    return path;
}

// The level exists as a folder afterwards. Something else of that name (a file) does not do.
bool MakeLevel(const std::string& path) {
    switch (FileSystem().CreateDirectory(path)) {
    case CreateDirResult::Created:
        return true;
    case CreateDirResult::AlreadyExists:
        return FileSystem().IsDirectory(path);
    case CreateDirResult::Failed:
        break;
    }
    return false;
}

} // namespace

std::string CreateWorkFolder(const std::string& base, const std::vector<std::string>& levels) {
    std::string path = NormalisedBase(base);
    if (path.empty())
        return {};
    for (const std::string& level : levels) {
        if (path.back() != '/')
            path += '/';
        path += level;
        if (!MakeLevel(path))
            return {};
    }
    if (path.back() != '/')
        path += '/';
    return path;
}

bool IsWorkFileName(const std::string& name) {
    return std::any_of(kWorkFilePatterns.begin(), kWorkFilePatterns.end(),
                       [&name](std::string_view pattern) { return MatchesPattern(name, pattern); });
}

int EmptyWorkFolder(const std::string& folder) {
    if (folder.empty())
        return 0;
    const std::string prefix = folder.back() == '/' ? folder : folder + "/";
    std::vector<std::string> names;
    if (!FileSystem().ListFiles(prefix, names))
        return 0;
    // Files that hold the only copy of a moved entry are not the folder's to delete.
    const std::vector<std::string> kept = MovedEntryFiles(prefix);
    std::erase_if(names, [&](const std::string& name) {
        return !IsWorkFileName(name) || std::find(kept.begin(), kept.end(), name) != kept.end();
    });
    std::sort(names.begin(), names.end());
    int deleted = 0;
    for (const std::string& name : names) {
        if (FileSystem().Remove(prefix + name))
            ++deleted;
        else
            CDomain::Get().ShowError(kMsgUndefinedError);
    }
    return deleted;
}

} // namespace Corv
