#include "storage/folder_signature.h"

#include "model/file_system.h"
#include "model/side_by_side.h"
#include "storage/domain.h"
#include "storage/slot_file_name.h"

#include <algorithm>
#include <vector>

namespace Corv {

namespace {

class Hasher {
public:
    void Add(const void* data, std::size_t size) {
        for (std::size_t i = 0; i < size; ++i) {
            m_hash ^= static_cast<const unsigned char*>(data)[i];
            m_hash *= 1099511628211ULL;
        }
    }
    void Add(const std::string& text) { Add(text.data(), text.size() + 1); } // with its end
    template <class T> void AddValue(T value) { Add(&value, sizeof value); }
    std::uint64_t Value() const { return m_hash; }

private:
    std::uint64_t m_hash = 1469598103934665603ULL;
};

bool ByName(const EntryStatus& a, const EntryStatus& b) {
    return a.name < b.name;
}

// Lists a folder with the status of every entry, sorted by name. With `before` (the entries of
// the last listing, sorted), a regular file listed with the same name and identity keeps the
// status it had then instead of being asked again.
bool ListSorted(const std::string& folder, const std::vector<EntryStatus>* before,
                std::vector<EntryStatus>& entries) {
    if (before == nullptr) {
        if (!FileSystem().ListFolderStatus(folder, entries))
            return false;
    } else {
        std::vector<DirEntry> listed;
        if (!FileSystem().ListFolder(folder, listed))
            return false;
        entries.reserve(listed.size());
        for (DirEntry& entry : listed) {
            const auto was = std::lower_bound(before->begin(), before->end(),
                                              EntryStatus{entry.name, {}}, ByName);
            const bool same = was != before->end() && was->name == entry.name && entry.inode != 0 &&
                              was->status.inode == entry.inode &&
                              was->status.type == FileType::Regular && !was->status.isLink &&
                              entry.type == FileType::Regular;
            FileStatus status = same ? was->status : FileSystem().Status(folder + entry.name);
            entries.push_back({std::move(entry.name), status});
        }
    }
    std::sort(entries.begin(), entries.end(), ByName);
    return true;
}

void AddEntries(Hasher& hasher, const std::vector<EntryStatus>& entries) {
    for (const EntryStatus& entry : entries) {
        const FileStatus& status = entry.status;
        hasher.Add(entry.name);
        hasher.AddValue(static_cast<int>(status.type));
        hasher.AddValue(status.isLink);
        hasher.AddValue(status.size);
        hasher.AddValue(status.modified);
        hasher.AddValue(status.inode);
    }
}

} // namespace

unsigned CFolderSignature::PartOf(const std::string& relativePath) {
    for (int kind = kPatchKind; kind <= kWaveKind; ++kind)
        if (relativePath.rfind(SubfolderName(kind), 0) == 0)
            return SubfolderPart(kind);
    return kOwnEntries;
}

void CFolderSignature::Read(const std::string& folder, unsigned parts, FolderListings* listed) {
    ReadParts(folder, parts, listed, false);
}

void CFolderSignature::ReadAfterOwnChanges(const std::string& folder, unsigned parts) {
    ReadParts(folder, parts, nullptr, true);
}

void CFolderSignature::ReadParts(const std::string& folder, unsigned parts, FolderListings* listed,
                                 bool reuse) {
    // Part 0 is the folder's own entries, part 1 + kind a kind's subfolder. Each part lists and
    // hashes a folder of its own, so the parts may be read side by side.
    std::array<std::string, 4> folders;
    std::array<bool, 4> isListed{};
    std::vector<std::size_t> wanted;
    if ((parts & kOwnEntries) != 0) {
        folders[0] = folder;
        wanted.push_back(0);
    }
    for (int kind = kPatchKind; kind <= kWaveKind; ++kind)
        if ((parts & SubfolderPart(kind)) != 0) {
            const auto part = static_cast<std::size_t>(kind) + 1;
            folders[part] = folder + SubfolderName(kind);
            wanted.push_back(part);
        }
    RunSideBySide(
        wanted.size(),
        [&](std::size_t n) {
            const std::size_t part = wanted[n];
            Hasher hasher;
            if (part != 0)
                hasher.Add(SubfolderName(static_cast<int>(part) - 1));
            std::vector<EntryStatus> entries;
            // Folders are always asked again: a subfolder's own status changes with what is in
            // it.
            const std::vector<EntryStatus>* before = reuse ? &m_entries[part] : nullptr;
            isListed[part] = ListSorted(folders[part], before, entries);
            if (isListed[part])
                AddEntries(hasher, entries);
            else
                hasher.Add("unlisted");
            m_parts[part] = hasher.Value();
            m_entries[part] = std::move(entries);
            m_listed[part] = isListed[part];
            return true;
        },
        1);
    if (listed != nullptr)
        for (const std::size_t part : wanted) {
            if (!isListed[part])
                continue;
            std::vector<std::string>& names = (*listed)[folders[part]];
            for (const EntryStatus& entry : m_entries[part])
                if (entry.status.type == FileType::Regular)
                    names.push_back(entry.name);
        }
}

std::uint64_t CFolderSignature::ListedSize(std::string_view relativePath) const {
    const std::string path(relativePath);
    const unsigned part = PartOf(path);
    std::size_t index = 0;
    std::string_view name = relativePath;
    for (int kind = kPatchKind; kind <= kWaveKind; ++kind)
        if (part == SubfolderPart(kind)) {
            index = static_cast<std::size_t>(kind) + 1;
            name.remove_prefix(std::string_view(SubfolderName(kind)).size());
        }
    const std::vector<EntryStatus>& entries = m_entries[index];
    const auto found = std::lower_bound(
        entries.begin(), entries.end(), name,
        [](const EntryStatus& entry, std::string_view key) { return entry.name < key; });
    if (found == entries.end() || found->name != name || found->status.type != FileType::Regular)
        return 0;
    return found->status.size;
}

std::uint64_t CFolderSignature::Value() const {
    Hasher hasher;
    for (const std::uint64_t part : m_parts)
        hasher.AddValue(part);
    return hasher.Value();
}

std::uint64_t FolderSignature(const std::string& folder) {
    CFolderSignature signature;
    signature.Read(folder);
    return signature.Value();
}

} // namespace Corv
