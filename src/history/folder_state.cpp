#include "history/folder_state.h"

#include "edit/fingerprint.h"
#include "history/store_files.h"
#include "model/file_system.h"
#include "storage/project_document.h"
#include "storage/save_paths.h"
#include "storage/slot_file_name.h"

#include <algorithm>
#include <array>
#include <deque>
#include <optional>
#include <string_view>

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

// Whether any number in `numbers` names a slot whose fingerprint changed (0 names none).
template <std::size_t N>
bool RefersToChanged(const std::array<int, N>& numbers, const std::vector<bool>& changed) {
    for (const int number : numbers)
        if (number >= 1 && static_cast<std::size_t>(number) <= changed.size() &&
            changed[static_cast<std::size_t>(number - 1)])
            return true;
    return false;
}

bool SameMemos(const SlotEntry& slot, const CParameter& record) {
    for (int n = 1; n <= 4; ++n)
        if (slot.memos[static_cast<std::size_t>(n - 1)] != record.Memo(n))
            return false;
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

Manifest SlotChangesOfSave(const CLumData& data, const std::vector<std::string> (&slotPaths)[3],
                           const std::string& folder, const Manifest& before,
                           const PlacedFiles& placed,
                           const std::function<std::string(const std::string&)>& hashOf) {
    // The slots before by kind and 0-based number; by file only once a record whose file the
    // save renamed needs them.
    std::array<std::vector<const SlotEntry*>, 3> beforeAt;
    for (int kind = kPatchKind; kind <= kWaveKind; ++kind)
        beforeAt[static_cast<std::size_t>(kind)].resize(data.Records(kind).Size());
    for (const SlotEntry& slot : before.usedSlots) {
        auto& at = beforeAt[static_cast<std::size_t>(slot.kind)];
        if (slot.number >= 1 && static_cast<std::size_t>(slot.number) <= at.size())
            at[static_cast<std::size_t>(slot.number - 1)] = &slot;
    }
    std::unordered_map<std::string_view, const SlotEntry*> beforeByFile;
    // The file at `relative` after the save: the one a step put there, else the one there before.
    const auto fileAfter = [&](std::string_view relative) -> const FileEntry* {
        const auto it = placed.find(relative);
        return it != placed.end() ? &it->second.file : before.File(relative);
    };
    // The slot before whose record was read from the same bytes as the file at `relative`
    // after the save, or null: the file itself when no step placed anything there, else the
    // file before that the save renamed to it.
    const auto sameBytesBefore = [&](int kind, std::size_t i,
                                     std::string_view relative) -> const SlotEntry* {
        const auto moved = placed.find(relative);
        if (moved == placed.end()) {
            const SlotEntry* slot = beforeAt[static_cast<std::size_t>(kind)][i];
            if (slot != nullptr && slot->file == relative)
                return slot;
        } else {
            // A file the save wrote holds new bytes; one it renamed holds those of its origin,
            // most often the file of the slot its name gives.
            const std::string& origin = moved->second.origin;
            if (origin.empty())
                return nullptr;
            const int number = ParseSlotNumber(origin);
            const auto& at = beforeAt[static_cast<std::size_t>(kind)];
            if (number >= 1 && static_cast<std::size_t>(number) <= at.size()) {
                const SlotEntry* slot = at[static_cast<std::size_t>(number - 1)];
                if (slot != nullptr && slot->file == origin)
                    return slot;
            }
            relative = origin;
        }
        if (beforeByFile.empty())
            for (const SlotEntry& slot : before.usedSlots)
                beforeByFile.emplace(slot.file, &slot);
        const auto it = beforeByFile.find(relative);
        return it != beforeByFile.end() && it->second->kind == kind ? it->second : nullptr;
    };

    // The slots that differ, per kind (a deque: the fingerprints after are pointed to while it
    // grows), and the fingerprint after of every record.
    std::array<std::deque<SlotEntry>, 3> differing;
    std::deque<std::string> unlisted; // fingerprints of records that have no slot entry
    std::array<std::vector<const std::string*>, 3> printAfter;
    std::array<std::vector<bool>, 3> changed;
    std::array<bool, 3> anyChanged{}; // most saves change no wave and no tone's sound
    Manifest difference;
    // The fingerprints of a kind as the records referring to it take them, made when first
    // needed (most saves fingerprint nothing anew).
    std::array<std::optional<std::vector<std::optional<Fingerprint>>>, 3> targets;
    const auto targetsOf = [&](int kind) -> const std::vector<std::optional<Fingerprint>>& {
        auto& made = targets[static_cast<std::size_t>(kind)];
        if (!made) {
            const CParameterArray& records = data.Records(kind);
            made.emplace(records.Size());
            for (std::size_t i = 0; i < records.Size(); ++i) {
                const CParameter& record = records.Item(i);
                const std::string* print = printAfter[static_cast<std::size_t>(kind)][i];
                if (print != nullptr && !record.IsEmpty() &&
                    (kind != kWaveKind || !record.FilePath().empty()))
                    (*made)[i] = Fingerprint::FromHex(*print);
            }
        }
        return *made;
    };
    static const std::string kNoPath;
    for (int kind = kWaveKind; kind >= kPatchKind; --kind) {
        const auto k = static_cast<std::size_t>(kind);
        const CParameterArray& records = data.Records(kind);
        printAfter[k].assign(records.Size(), nullptr);
        changed[k].assign(records.Size(), false);
        for (std::size_t i = 0; i < records.Size(); ++i) {
            const CParameter& record = records.Item(i);
            const std::string& path = i < slotPaths[kind].size() ? slotPaths[kind][i] : kNoPath;
            const bool listed = !path.empty() && !record.FilePath().empty();
            const std::string_view relative = path.compare(0, folder.size(), folder) == 0
                                                  ? std::string_view(path).substr(folder.size())
                                                  : std::string_view(path);
            const SlotEntry* was = beforeAt[k][i];
            const SlotEntry* same = listed ? sameBytesBefore(kind, i, relative) : nullptr;
            if (same != nullptr && same->fingerprint.empty())
                same = nullptr; // taken anew: it could not be taken before
            // A record read from the same bytes keeps its fingerprint while what it refers to
            // keeps theirs.
            if (same != nullptr && kind == kToneKind && anyChanged[kWaveKind] &&
                RefersToChanged(data.Tones()[i].WaveNumbers(), changed[kWaveKind]))
                same = nullptr;
            if (same != nullptr && kind == kPatchKind && anyChanged[kToneKind] &&
                RefersToChanged(data.Patches()[i].ToneNumbers(), changed[kToneKind]))
                same = nullptr;
            // The slot as it was, in its own file, with its name and memos: nothing to say.
            if (same != nullptr && same == was && record.Name() == was->name &&
                SameMemos(*was, record)) {
                printAfter[k][i] = &was->fingerprint;
                continue;
            }
            std::string print;
            std::uint64_t size = 0;
            if (same != nullptr) {
                print = same->fingerprint;
                size = same->size;
            } else if (kind == kWaveKind) {
                const FileEntry* file = listed ? fileAfter(relative) : nullptr;
                print = file != nullptr ? file->hash
                        : !record.FilePath().empty() && !record.IsEmpty()
                            ? hashOf(record.FilePath())
                            : std::string();
                size = file != nullptr ? file->size : listed ? FileSystem().Status(path).size : 0;
            } else if (!record.IsEmpty()) {
                const std::vector<std::optional<Fingerprint>>& below = targetsOf(kind + 1);
                print = kind == kToneKind ? FingerprintTone(data.Tones()[i], below).Hex()
                                          : FingerprintPatch(data.Patches()[i], below).Hex();
                const FileEntry* file = listed ? fileAfter(relative) : nullptr;
                size = file != nullptr ? file->size : listed ? FileSystem().Status(path).size : 0;
            }
            // A fingerprint without a slot entry is counted as changed: what refers to it is
            // fingerprinted anew.
            changed[k][i] = (was != nullptr) != !print.empty() ||
                            (was != nullptr && was->fingerprint != print) ||
                            (!listed && !print.empty());
            anyChanged[k] = anyChanged[k] || changed[k][i];
            if (!listed) {
                if (!print.empty())
                    printAfter[k][i] = &unlisted.emplace_back(std::move(print));
                if (was != nullptr)
                    difference.goneSlots.emplace_back(kind, static_cast<int>(i + 1));
                continue;
            }
            SlotEntry& slot = differing[k].emplace_back();
            slot.kind = kind;
            slot.number = static_cast<int>(i + 1);
            slot.file = relative;
            slot.size = size;
            slot.fingerprint = std::move(print);
            slot.name = record.Name();
            for (int n = 1; n <= 4; ++n)
                slot.memos[static_cast<std::size_t>(n - 1)] = record.Memo(n);
            printAfter[k][i] = &slot.fingerprint;
        }
    }
    // By kind, then number, as a manifest lists them; entries equal to those before are left out.
    for (std::deque<SlotEntry>& kind : differing)
        for (SlotEntry& slot : kind) {
            const SlotEntry* was = beforeAt[static_cast<std::size_t>(slot.kind)]
                                           [static_cast<std::size_t>(slot.number - 1)];
            if (was == nullptr || !(*was == slot))
                difference.usedSlots.push_back(std::move(slot));
        }
    std::sort(difference.goneSlots.begin(), difference.goneSlots.end());
    return difference;
}

FilesByName IndexFiles(const std::vector<FileEntry>& files) {
    FilesByName index;
    for (const FileEntry& file : files) {
        const std::string_view path = file.path;
        const std::size_t slash = path.find('/');
        std::size_t part = 0;
        for (int kind = kPatchKind; slash != std::string_view::npos && kind <= kWaveKind; ++kind)
            if (path.compare(0, slash + 1, SubfolderName(kind)) == 0)
                part = static_cast<std::size_t>(1 + kind);
        if (slash != std::string_view::npos && part == 0)
            continue; // not a file a listing of the four folders shows
        index.parts[part].emplace(slash == std::string_view::npos ? path : path.substr(slash + 1),
                                  &file);
        ++index.count;
    }
    return index;
}

bool ListingMatches(const FolderEntries& listed, const FilesByName& files) {
    std::size_t matched = 0;
    for (std::size_t part = 0; part < listed.size(); ++part) {
        if (listed[part] == nullptr)
            return false; // a folder the save could not list is looked at by DescribeFiles
        for (const EntryStatus& entry : *listed[part]) {
            if (entry.status.failed)
                return false;
            if (entry.status.type != FileType::Regular || !IsKeptName(entry.name, part == 0))
                continue;
            const auto found = files.parts[part].find(entry.name);
            if (found == files.parts[part].end())
                return false;
            const FileEntry& file = *found->second;
            if (file.inode == 0 || file.inode != entry.status.inode ||
                file.size != entry.status.size || file.modified != entry.status.modified)
                return false;
            ++matched;
        }
    }
    return matched == files.count;
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
