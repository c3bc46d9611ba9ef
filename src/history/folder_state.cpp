#include "history/folder_state.h"

#include "edit/fingerprint.h"
#include "history/store_files.h"
#include "model/file_system.h"
#include "storage/project_document.h"
#include "storage/save_paths.h"
#include "storage/slot_file_name.h"

#include <algorithm>

namespace Corv::History {

namespace {

IFileSystem& Fs() {
    return FileSystem();
}

bool IsKeptName(const std::string& name, bool top) {
    if (IsSaveLeftoverName(name) || name.rfind(".corvane-", 0) == 0)
        return false;
    if (!top)
        return true;
    bool memo = false;
    for (int kind = kPatchKind; kind <= kWaveKind; ++kind)
        memo = memo || name == MemoFileName(kind);
    return memo || MatchesPattern(name, "*.s00");
}

// The files of one folder of the project worth keeping, as relative paths with their status;
// from `listed` when given, else listed now.
bool ListKept(const std::string& folder, const std::string& sub, bool top,
              const std::vector<EntryStatus>* listed, std::vector<FileEntry>& found) {
    std::vector<EntryStatus> entries;
    if (listed == nullptr) {
        const FileStatus status = Fs().Status(folder + sub);
        if (!sub.empty() && status.type == FileType::Missing && !status.failed)
            return true;
        if (!Fs().ListFolderStatus(folder + sub, entries))
            return false;
        listed = &entries;
    }
    for (const EntryStatus& entry : *listed) {
        if (entry.status.failed) // what cannot be told might be a file the version needs
            return false;
        if (entry.status.type == FileType::Regular && IsKeptName(entry.name, top))
            found.push_back(FileEntry{sub + entry.name,
                                      entry.status.size,
                                      {},
                                      entry.status.modified,
                                      entry.status.inode});
    }
    return true;
}

} // namespace

FileIdentity IdentityOf(const FileEntry& file) {
    return {file.inode, file.size, file.modified};
}

KnownHashes HashesByIdentity(const std::vector<FileEntry>& files) {
    KnownHashes known;
    known.reserve(files.size());
    for (const FileEntry& file : files)
        if (file.inode != 0)
            known[IdentityOf(file)] = file.hash;
    return known;
}

bool IsKeptPath(const std::string& path) {
    const std::size_t slash = path.find('/');
    if (slash == std::string::npos)
        return IsKeptName(path, true);
    for (int kind = kPatchKind; kind <= kWaveKind; ++kind)
        if (path.compare(0, slash + 1, SubfolderName(kind)) == 0)
            return path.find('/', slash + 1) == std::string::npos &&
                   IsKeptName(path.substr(slash + 1), false);
    return false;
}

bool DescribeFiles(const std::string& folder, const KnownHashes& known,
                   std::vector<FileEntry>& files, std::string& why, const FolderEntries* listed,
                   const std::function<bool(const FileEntry&, const std::string&)>& fresh) {
    files.clear();
    bool ok = ListKept(folder, "", true, listed ? (*listed)[0] : nullptr, files);
    for (int kind = kPatchKind; ok && kind <= kWaveKind; ++kind)
        ok = ListKept(folder, SubfolderName(kind), false,
                      listed ? (*listed)[static_cast<std::size_t>(1 + kind)] : nullptr, files);
    if (!ok) {
        files.clear();
        why = LastFileError().Empty() ? folder + " cannot be listed" : LastFileError().Text();
        return false;
    }
    std::sort(files.begin(), files.end(),
              [](const FileEntry& a, const FileEntry& b) { return a.path < b.path; });
    for (FileEntry& file : files) {
        const auto hash = file.inode != 0 ? known.find(IdentityOf(file)) : known.end();
        if (hash != known.end()) {
            file.hash = hash->second;
            continue;
        }
        std::string bytes;
        if (!ReadWholeFile(folder + file.path, bytes)) {
            why = LastFileError().Empty() ? folder + file.path + " cannot be read"
                                          : LastFileError().Text();
            return false;
        }
        file.hash = HashHex(bytes);
        file.size = bytes.size();
        if (fresh && !fresh(file, bytes)) {
            why =
                LastFileError().Empty() ? "the history cannot be written" : LastFileError().Text();
            return false;
        }
    }
    return true;
}

std::vector<SlotEntry> SlotsOf(const CLumData& data, const std::vector<std::string> (&slotPaths)[3],
                               const std::string& folder,
                               const std::function<std::string(const std::string&)>& waveHash,
                               const std::function<std::uint64_t(const std::string&)>& sizeOf) {
    std::vector<std::optional<Fingerprint>> waves(data.Waves().Size());
    for (std::size_t i = 0; i < waves.size(); ++i)
        if (!data.Waves()[i].FilePath().empty())
            waves[i] = Fingerprint::FromHex(waveHash(data.Waves()[i].FilePath()));
    const ProjectFingerprints prints = FingerprintProject(data, std::move(waves));
    std::vector<SlotEntry> usedSlots;
    usedSlots.reserve(data.Patches().Size() + data.Tones().Size() + data.Waves().Size());
    for (int kind = kPatchKind; kind <= kWaveKind; ++kind) {
        const CParameterArray& records = data.Records(kind);
        for (std::size_t i = 0; i < records.Size() && i < slotPaths[kind].size(); ++i) {
            const std::string& path = slotPaths[kind][i];
            const CParameter& record = records.Item(i);
            if (path.empty() || record.FilePath().empty())
                continue;
            SlotEntry slot;
            slot.kind = kind;
            slot.number = static_cast<int>(i + 1);
            slot.file =
                path.compare(0, folder.size(), folder) == 0 ? path.substr(folder.size()) : path;
            slot.size = sizeOf(record.FilePath());
            if (const auto& print = prints.Of(kind, static_cast<int>(i)))
                slot.fingerprint = print->Hex();
            slot.name = record.Name();
            for (int n = 1; n <= 4; ++n)
                slot.memos[static_cast<std::size_t>(n - 1)] = record.Memo(n);
            usedSlots.push_back(std::move(slot));
        }
    }
    return usedSlots;
}

bool ReadSlots(const std::string& folder, const std::vector<FileEntry>& files,
               std::vector<SlotEntry>& usedSlots, std::string& why) {
    std::vector<std::string> lists[3];
    for (const FileEntry& file : files)
        for (int kind = kPatchKind; kind <= kWaveKind; ++kind)
            if (file.path.rfind(SubfolderName(kind), 0) == 0)
                lists[kind].push_back(folder + file.path);
    CProjectDocument reader; // never one of the open projects: its records are only read
    if (!reader.LoadAll(folder, std::move(lists[kPatchKind]), std::move(lists[kToneKind]),
                        std::move(lists[kWaveKind]))) {
        why = folder + " cannot be read as it is now";
        return false;
    }
    std::map<std::string, const FileEntry*> byPath;
    for (const FileEntry& file : files)
        byPath[folder + file.path] = &file;
    const auto known = [&](const std::string& path) { return byPath.find(path); };
    std::vector<std::string> paths[3];
    for (int kind = kPatchKind; kind <= kWaveKind; ++kind)
        paths[kind] = reader.Data().SlotPaths(kind);
    usedSlots = SlotsOf(
        reader.Data(), paths, folder,
        [&](const std::string& path) {
            const auto it = known(path);
            return it != byPath.end() ? it->second->hash : std::string();
        },
        [&](const std::string& path) {
            const auto it = known(path);
            return it != byPath.end() ? it->second->size : std::uint64_t{0};
        });
    return true;
}

} // namespace Corv::History
