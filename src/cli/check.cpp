#include "cli/check.h"

#include "edit/project_check.h"
#include "model/file_system.h"
#include "storage/domain.h"
#include "storage/project_document.h"
#include "storage/slot_file_name.h"
#include "storage/svd_file.h"

#include <algorithm>
#include <cctype>

namespace Corv::Cli {

namespace {

bool IsDirectory(const std::string& path) {
    return FileSystem().IsDirectory(path);
}

// The files of a subfolder that the loader would read: slot file names, the first of each
// number in byte order, numbers within the slot count; never what is not a regular file.
std::vector<std::string> SlotFiles(const std::string& folder, int kind) {
    static const std::vector<std::string> kPatterns[3] = {
        {"*.d00"}, {"*.p00"}, {"*.w*", "*.aif*", "*.vpw"}};
    std::vector<DirEntry> entries;
    FileSystem().ListFolder(folder + SubfolderName(kind), entries);
    std::vector<std::string> names;
    for (const DirEntry& entry : entries)
        if (entry.type != FileType::Directory && entry.type != FileType::Other)
            names.push_back(entry.name);
    std::vector<std::string> paths;
    for (const std::string& name : names) {
        const bool matches =
            std::any_of(kPatterns[kind].begin(), kPatterns[kind].end(),
                        [&](const std::string& p) { return MatchesPattern(name, p); });
        const int number = ParseSlotNumber(name);
        if (matches && number >= 1 && number <= SlotCount(kind))
            paths.push_back(folder + SubfolderName(kind) + name);
    }
    std::sort(paths.begin(), paths.end());
    std::vector<std::string> firsts;
    int last = 0;
    for (const std::string& path : paths)
        if (const int number = ParseSlotNumber(path); number != last) {
            firsts.push_back(path);
            last = number;
        }
    return firsts;
}

bool Readable(int kind, const std::string& path) {
    if (kind == kPatchKind) {
        CPatch patch;
        return ReadPatchFile(path, patch);
    }
    if (kind == kToneKind) {
        CTone tone;
        return ReadToneFile(path, tone);
    }
    return true; // a wave only has to open
}

} // namespace

std::vector<std::string> CheckProject(const CProjectDocument& document) {
    return ProblemTexts(Corv::CheckProject(document));
}

std::vector<std::string> DiagnoseFolder(const std::string& path) {
    const std::string folder = NormaliseFolderPath(path);
    if (!IsDirectory(folder))
        return {"missing folder " + folder};
    std::vector<std::string> problems;
    if (!IsProjectFolderName(folder))
        problems.push_back("not a project folder name (no .prj): " + folder);
    for (const char* subfolder : {"Patch/", "Tone/"})
        if (!IsDirectory(folder + subfolder))
            problems.push_back("missing folder " + folder + subfolder);
    std::uint64_t waveBytes = 0;
    for (int kind = kPatchKind; kind <= kWaveKind; ++kind)
        for (const std::string& file : SlotFiles(folder, kind)) {
            if (!FileSystem().Open(file, OpenMode::Read))
                problems.push_back("missing " + file);
            else if (!Readable(kind, file))
                problems.push_back("unreadable " + file);
            else if (kind == kWaveKind)
                waveBytes += FileBytes(file);
        }
    for (const std::vector<ProjectProblem>& more :
         {NotRegularFiles(folder), WaveBytesProblems(waveBytes)})
        for (const ProjectProblem& problem : more)
            problems.push_back(problem.text);
    return problems;
}

} // namespace Corv::Cli
