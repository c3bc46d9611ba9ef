#include "cli/check.h"

#include "cli/listing.h"
#include "edit/domain.h"
#include "model/file_system.h"
#include "storage/project_document.h"
#include "storage/slot_file_name.h"
#include "storage/svd_file.h"

#include <algorithm>
#include <cctype>
#include <set>

namespace Corv::Cli {

namespace {

const char* KindName(int kind) {
    return kind == kPatchKind ? "patch" : kind == kToneKind ? "tone" : "wave";
}

// "1,4,9": 0-based indices printed as the 1-based numbers people see.
std::string NumberList(const std::set<int>& indices) {
    std::string text;
    for (const int index : indices)
        text += (text.empty() ? "" : ",") + std::to_string(index + 1);
    return text.empty() ? "none" : text;
}

// A reference to a slot that holds nothing: empty, or a number past the end of the list.
bool Dangling(int number, int kind, const CParameterArray& target, std::string& why) {
    if (number > SlotCount(kind)) {
        why = "beyond " + std::to_string(SlotCount(kind));
        return true;
    }
    if (target.Item(static_cast<std::size_t>(number - 1)).IsEmpty()) {
        why = "empty slot";
        return true;
    }
    return false;
}

void CheckToneReferences(const CLumData& data, std::vector<std::string>& problems) {
    for (std::size_t p = 0; p < data.Patches().Size(); ++p)
        for (int slot = 0; slot < 2; ++slot) {
            const int tone = data.Patches()[p].Slot(slot).ToneNumber();
            std::string why;
            if (tone != 0 && Dangling(tone, kToneKind, data.Tones(), why))
                problems.push_back("dangling patch " + std::to_string(p + 1) +
                                   (slot == 0 ? " U" : " L") + " -> tone " + std::to_string(tone) +
                                   " (" + why + ")");
        }
}

void CheckWaveReferences(const CLumData& data, std::vector<std::string>& problems) {
    for (std::size_t t = 0; t < data.Tones().Size(); ++t)
        for (int osc = 0; osc < CTone::kOscCount; ++osc)
            for (int side = 0; side < 2; ++side) {
                const int wave = data.Tones()[t].Osc(osc).WaveNumber(side);
                std::string why;
                if (wave != 0 && Dangling(wave, kWaveKind, data.Waves(), why))
                    problems.push_back("dangling tone " + std::to_string(t + 1) + " osc " +
                                       std::to_string(osc) + " side " + std::to_string(side) +
                                       " -> wave " + std::to_string(wave) + " (" + why + ")");
            }
}

// The user lists that the references call for: users[n] holds the referrers of slot n.
std::vector<std::set<int>> ExpectedToneUsers(const CLumData& data) {
    std::vector<std::set<int>> users(data.Tones().Size());
    for (std::size_t p = 0; p < data.Patches().Size(); ++p)
        for (const int tone : data.Patches()[p].ReferencedTones())
            if (tone > 0 && static_cast<std::size_t>(tone) <= users.size())
                users[static_cast<std::size_t>(tone - 1)].insert(static_cast<int>(p));
    return users;
}

std::vector<std::set<int>> ExpectedWaveUsers(const CLumData& data) {
    std::vector<std::set<int>> users(data.Waves().Size());
    for (std::size_t t = 0; t < data.Tones().Size(); ++t)
        for (const int wave : data.Tones()[t].ReferencedWaves())
            if (wave > 0 && static_cast<std::size_t>(wave) <= users.size())
                users[static_cast<std::size_t>(wave - 1)].insert(static_cast<int>(t));
    return users;
}

// A stored user list agrees when it holds each expected referrer exactly once and nothing else.
template <class Array>
void CheckUsers(int kind, const Array& records, const std::vector<std::set<int>>& expected,
                std::vector<std::string>& problems) {
    for (std::size_t i = 0; i < records.Size(); ++i) {
        const std::vector<std::int32_t>& stored = records[i].Users();
        const std::set<int> storedSet(stored.begin(), stored.end());
        if (storedSet == expected[i] && storedSet.size() == stored.size())
            continue;
        problems.push_back("users " + std::string(KindName(kind)) + " " + std::to_string(i + 1) +
                           ": stored " + NumberList(storedSet) + ", referenced by " +
                           NumberList(expected[i]));
    }
}

bool IsDirectory(const std::string& path) {
    return FileSystem().IsDirectory(ToOsPath(path));
}

bool HasPrjName(const std::string& folder) {
    if (folder.size() < 5)
        return false;
    std::string tail = folder.substr(folder.size() - 5);
    std::transform(tail.begin(), tail.end(), tail.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return tail == ".prj/";
}

// The files of a subfolder that the loader would read: slot file names, the first of each
// number in byte order, numbers within the slot count; never what is not a regular file.
std::vector<std::string> SlotFiles(const std::string& folder, int kind) {
    static const std::vector<std::string> kPatterns[3] = {
        {"*.d00"}, {"*.p00"}, {"*.w*", "*.aif*", "*.vpw"}};
    std::vector<DirEntry> entries;
    FileSystem().ListFolder(ToOsPath(folder + SubfolderName(kind)), entries);
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

// Entries of the three subfolders and memo files that are not regular files (FIFOs, devices,
// sockets, links to them), found without opening any of them.
void CheckFileTypes(const std::string& folder, std::vector<std::string>& problems) {
    std::vector<std::string> paths;
    for (int kind = kPatchKind; kind <= kWaveKind; ++kind) {
        std::vector<DirEntry> entries;
        FileSystem().ListFolder(ToOsPath(folder + SubfolderName(kind)), entries);
        for (const DirEntry& entry : entries)
            if (entry.type == FileType::Other)
                paths.push_back(folder + SubfolderName(kind) + entry.name);
    }
    for (int kind = kPatchKind; kind <= kWaveKind; ++kind) {
        const std::string memo = folder + MemoFileName(kind);
        const FileType type = FileSystem().Status(ToOsPath(memo)).type;
        if (type == FileType::Other || type == FileType::Directory)
            paths.push_back(memo);
    }
    std::sort(paths.begin(), paths.end());
    for (const std::string& path : paths)
        problems.push_back("not a regular file: " + path);
}

void CheckWaveBytes(std::uint64_t total, std::vector<std::string>& problems) {
    if (total > kWaveBytesLimit)
        problems.push_back("wave bytes " + std::to_string(total) + " over the limit of " +
                           std::to_string(kWaveBytesLimit));
}

} // namespace

std::vector<std::string> CheckProject(const CProjectDocument& document) {
    const CLumData& data = document.Data();
    std::vector<std::string> problems;
    CheckToneReferences(data, problems);
    CheckWaveReferences(data, problems);
    for (const std::string& path : MissingFiles(data))
        problems.push_back("missing " + path);
    for (const std::string& path : document.RejectedFiles())
        problems.push_back("rejected " + path);
    CheckFileTypes(data.ProjectFolder(), problems);
    CheckUsers(kToneKind, data.Tones(), ExpectedToneUsers(data), problems);
    CheckUsers(kWaveKind, data.Waves(), ExpectedWaveUsers(data), problems);
    CheckWaveBytes(data.WaveBytesTotal(), problems);
    return problems;
}

std::vector<std::string> DiagnoseFolder(const std::string& path) {
    const std::string folder = NormaliseFolderPath(path);
    if (!IsDirectory(folder))
        return {"missing folder " + folder};
    std::vector<std::string> problems;
    if (!HasPrjName(folder))
        problems.push_back("not a project folder name (no .prj): " + folder);
    for (const char* subfolder : {"Patch/", "Tone/"})
        if (!IsDirectory(folder + subfolder))
            problems.push_back("missing folder " + folder + subfolder);
    std::uint64_t waveBytes = 0;
    for (int kind = kPatchKind; kind <= kWaveKind; ++kind)
        for (const std::string& file : SlotFiles(folder, kind)) {
            if (!FileSystem().Open(ToOsPath(file), OpenMode::Read))
                problems.push_back("missing " + file);
            else if (!Readable(kind, file))
                problems.push_back("unreadable " + file);
            else if (kind == kWaveKind)
                waveBytes += FileBytes(ToOsPath(file));
        }
    CheckFileTypes(folder, problems);
    CheckWaveBytes(waveBytes, problems);
    return problems;
}

} // namespace Corv::Cli
