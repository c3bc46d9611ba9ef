#include "storage/lum_file_document.h"

#include "model/file_system.h"
#include "model/side_by_side.h"
#include "storage/domain.h"
#include "storage/memo_file.h"
#include "storage/slot_file_name.h"
#include "storage/svd_file.h"

#include <algorithm>
#include <cassert>
#include <cctype>
#include <cerrno>
#include <filesystem>
#include <optional>
#include <string_view>
#include <unordered_map>

namespace Corv {

bool CLumFileDocument::CopyDataFile(const std::string& source, const std::string& destination) {
    // Copying a file onto itself would truncate it first: there is nothing to do.
    if (source == destination)
        return FileSystem().Open(source, OpenMode::Read) != nullptr;
    return FileSystem().CopyFile(source, destination, false);
}

std::string NormaliseFolderPath(const std::string& path) {
    std::string trimmed = path;
    while (!trimmed.empty() && (trimmed.back() == '/' || trimmed.back() == '\\'))
        trimmed.pop_back();
    trimmed += '/';
    std::string collapsed;
    collapsed.reserve(trimmed.size());
    for (std::size_t i = 0; i < trimmed.size(); ++i) {
        if (trimmed[i] == '\\' && i + 1 < trimmed.size() && trimmed[i + 1] == '\\')
            ++i;
        collapsed += trimmed[i] == '\\' ? '/' : trimmed[i];
    }
    return collapsed;
}

std::string RealFolderPath(const std::string& folder) {
    std::error_code error;
    const std::filesystem::path absolute = std::filesystem::absolute(folder, error);
    if (error)
        return NormaliseFolderPath(folder);
    const std::filesystem::path real = std::filesystem::weakly_canonical(absolute, error);
    return NormaliseFolderPath(error ? absolute.lexically_normal().string() : real.string());
}

bool IsProjectFolderName(const std::string& path) {
    const std::string folder = NormaliseFolderPath(path);
    constexpr std::string_view kTail = ".prj/";
    if (folder.size() < kTail.size())
        return false;
    return std::equal(kTail.begin(), kTail.end(), folder.end() - kTail.size(), [](char a, char b) {
        return a == std::tolower(static_cast<unsigned char>(b));
    });
}

bool CLumFileDocument::SetProjectPath(const std::string& path) {
    m_data.SetProjectFolder(path);
    const auto dot = path.rfind('.');
    if (dot == std::string::npos)
        return false;
    std::string tail = path.substr(dot);
    std::transform(tail.begin(), tail.end(), tail.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return tail == ".prj/";
}

bool CLumFileDocument::LoadAll(const std::string& path, std::vector<std::string> patchFiles,
                               std::vector<std::string> toneFiles,
                               std::vector<std::string> waveFiles) {
    if (!SetProjectPath(path))
        return false;
    m_rejected.clear();
    m_loadReport = LoadReport{};
    m_known.ForgetAll();
    PlaceFiles(kPatchKind, std::move(patchFiles));
    PlaceFiles(kToneKind, std::move(toneFiles));
    PlaceFiles(kWaveKind, std::move(waveFiles));
    return LoadPatches() && LoadTones() && LoadWaves();
}

bool CLumFileDocument::PlaceFiles(int kind, std::vector<std::string> files) {
    std::vector<std::string> accepted;
    accepted.reserve(files.size());
    for (std::string& path : files) {
        if (ParseSlotNumber(path) < 0)
            m_rejected.push_back(std::move(path));
        else
            accepted.push_back(std::move(path));
    }
    std::sort(accepted.begin(), accepted.end());

    const int slots = SlotCount(kind);
    std::vector<std::string> slotPaths(static_cast<std::size_t>(slots));
    std::size_t next = 0;
    for (int n = 1; n <= slots && next < accepted.size(); ++n) {
        while (next < accepted.size()) {
            const int number = ParseSlotNumber(accepted[next]);
            if (number > n)
                break; // slot n stays empty
            if (number == n) {
                slotPaths[static_cast<std::size_t>(n - 1)] = std::move(accepted[next++]);
                break;
            }
            m_rejected.push_back(std::move(accepted[next++])); // duplicate number, or 000
        }
    }
    // Files numbered above the slot count are left out without a trace.
    m_data.SlotPaths(kind) = std::move(slotPaths);
    return true;
}

namespace {

// Fills one record per slot from the slot paths; `read` reads a used slot's file (given its path,
// record and slot index). A document loads once, into the default records it was made with: a
// used slot's record is read in place and an empty slot keeps its default record, so no record
// is made twice. On a failed read the array is refilled with default records (so it never stays
// short), the file's path goes to `failed` and false is returned.
template <class T, class ReadFile>
bool LoadRecords(CLumData& data, int kind, CConcreteParameterArray<T>& records, ReadFile read,
                 std::string& failed) {
    const std::vector<std::string>& paths = data.SlotPaths(kind);
    records.Resize(paths.size());
    std::vector<std::size_t> used;
    for (std::size_t i = 0; i < paths.size(); ++i) {
        if (paths[i].empty())
            continue;
        used.push_back(i);
        records[i].SetFilePath(paths[i]);
        records[i].SetName(paths[i], true);
    }
    // Each read touches its own record only, so the reads may run side by side.
    const std::size_t failure = RunSideBySide(used.size(), [&](std::size_t n) {
        return read(paths[used[n]], records[used[n]], used[n]);
    });
    if (failure == used.size())
        return true;
    failed = paths[used[failure]];
    records.Clear();
    records.Resize(static_cast<std::size_t>(SlotCount(kind)));
    return false;
}

// A `read` for LoadRecords that reads a patch or tone file and keeps its record area in `areas`
// with the record's parameters: a record just read from an area packs back into it bit for bit
// (the codec's tables carry every field there and back), so while the record keeps those
// parameters it is known unchanged.
template <class Record>
auto KeepingAreas(int kind,
                  bool (*readFile)(const std::string&, Record&, std::vector<std::uint8_t>*),
                  std::vector<KnownAreaPtr>& areas) {
    return [kind, readFile, &areas](const std::string& path, Record& record, std::size_t slot) {
        KnownArea area;
        if (!readFile(path, record, &area.bytes))
            return false;
        area.parameters = PackedParameters(kind, record);
        assert(ParametersKeeping(kind, record, area.bytes) == area.parameters);
        areas[slot] = std::make_shared<const KnownArea>(std::move(area));
        return true;
    };
}

} // namespace

void CLumFileDocument::ReadMemos(int kind) {
    std::string text;
    const MemoRead result = ReadMemoFile(m_data, kind, &text);
    m_known.RememberMemo(kind,
                         result == MemoRead::Read ? std::optional(std::move(text)) : std::nullopt);
    if (result != MemoRead::NotRegular && result != MemoRead::TooLarge)
        return;
    // Left out rather than overwritten by the next save: it may be someone else's file.
    const std::string path = m_data.ProjectFolder() + MemoFileName(kind);
    m_rejected.push_back(path);
    (result == MemoRead::NotRegular ? m_loadReport.notRegular : m_loadReport.oversizedMemos)
        .push_back(path);
}

void CLumFileDocument::LeaveOut(const std::vector<std::string>& notRegular) {
    m_rejected.insert(m_rejected.end(), notRegular.begin(), notRegular.end());
    m_loadReport.notRegular.insert(m_loadReport.notRegular.end(), notRegular.begin(),
                                   notRegular.end());
}

// The record areas and memo texts are kept as the files gave them: until the folder changes, a
// save compares the project with them instead of reading every file again.
bool CLumFileDocument::LoadPatches() {
    m_known.ForgetAreas(kPatchKind);
    std::vector<KnownAreaPtr> areas(m_data.SlotPaths(kPatchKind).size());
    if (!LoadRecords(m_data, kPatchKind, m_data.Patches(),
                     KeepingAreas<CPatch>(kPatchKind, ReadPatchFile, areas),
                     m_loadReport.unreadable))
        return false;
    RememberAreas(kPatchKind, areas);
    ReadMemos(kPatchKind);
    return true;
}

bool CLumFileDocument::LoadTones() {
    m_known.ForgetAreas(kToneKind);
    std::vector<KnownAreaPtr> areas(m_data.SlotPaths(kToneKind).size());
    if (!LoadRecords(m_data, kToneKind, m_data.Tones(),
                     KeepingAreas<CTone>(kToneKind, ReadToneFile, areas), m_loadReport.unreadable))
        return false;
    RememberAreas(kToneKind, areas);
    m_data.RebuildToneUsers();
    ReadMemos(kToneKind);
    return true;
}

bool CLumFileDocument::LoadWaves() {
    const auto openable = [this](const std::string& path, CWave&, std::size_t slot) {
        const auto file = FileSystem().Open(path, OpenMode::Read);
        if (file != nullptr && m_waveReader)
            m_waveReader(slot, *file);
        return file != nullptr;
    };
    if (!LoadRecords(m_data, kWaveKind, m_data.Waves(), openable, m_loadReport.unreadable))
        return false;
    m_data.RebuildWaveUsers();
    ReadMemos(kWaveKind);
    return true;
}

void CLumFileDocument::RememberAreas(int kind, std::vector<KnownAreaPtr>& areas) {
    m_known.RememberAreas(kind, m_data.SlotPaths(kind), std::move(areas));
}

namespace {

// Looks strings up by a view of them, without making a string of each view.
struct ViewHash {
    using is_transparent = void;
    std::size_t operator()(std::string_view text) const {
        return std::hash<std::string_view>{}(text);
    }
};

} // namespace

bool CLumFileDocument::SourceFilesPresent(const FolderListings* listed,
                                          std::vector<std::string>* missing) const {
    // One listing per folder the files lie in rather than one open per file: a slow medium
    // pays a few waits instead of thousands. The files of a folder that cannot be listed are
    // opened one by one.
    struct Names {
        const std::vector<std::string>* sorted = nullptr; // null: the folder cannot be listed
        std::vector<std::string> own;                     // what `sorted` points to if listed here
    };
    const auto namesIn = [listed](const std::string& folder, Names& names) {
        if (listed != nullptr)
            if (const auto given = listed->find(folder); given != listed->end()) {
                names.sorted = &given->second;
                return;
            }
        std::vector<DirEntry> entries;
        if (!FileSystem().ListFolder(folder, entries))
            return;
        for (DirEntry& entry : entries)
            if (entry.type == FileType::Regular)
                names.own.push_back(std::move(entry.name));
        std::sort(names.own.begin(), names.own.end());
        names.sorted = &names.own;
    };
    // Node-based: the names listed here stay where they are while more folders are added.
    std::unordered_map<std::string, Names, ViewHash, std::equal_to<>> folders;
    auto known = folders.end(); // the folder of the record before: most records share it
    for (int kind = kPatchKind; kind <= kWaveKind; ++kind) {
        const CParameterArray& records = m_data.Records(kind);
        for (std::size_t i = 0; i < records.Size(); ++i) {
            const CParameter& record = records.Item(i);
            if (record.IsEmpty())
                continue;
            const std::string& path = record.FilePath();
            const std::size_t slash = path.rfind('/');
            const std::string_view folder =
                slash == std::string::npos ? "." : std::string_view(path).substr(0, slash + 1);
            if (known == folders.end() || known->first != folder)
                known = folders.find(folder);
            if (known == folders.end()) {
                known = folders.emplace(std::string(folder), Names{}).first;
                namesIn(known->first, known->second);
            }
            const std::string_view name = std::string_view(path).substr(slash + 1);
            const std::vector<std::string>* names = known->second.sorted;
            const bool present =
                names != nullptr
                    ? std::binary_search(names->begin(), names->end(), name, std::less<>())
                    : FileSystem().Open(path, OpenMode::Read) != nullptr;
            if (!present) {
                if (LastFileError().path != path) // a listing found it missing
                    SetLastFileError(path, ENOENT);
                if (missing == nullptr)
                    return false;
                missing->push_back(path);
            }
        }
    }
    return missing == nullptr || missing->empty();
}

} // namespace Corv
