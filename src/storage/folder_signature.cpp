#include "storage/folder_signature.h"

#include "model/file_system.h"
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

void AddFolder(Hasher& hasher, const std::string& folder, FolderListings* listed) {
    std::vector<DirEntry> entries;
    if (!FileSystem().ListFolder(folder, entries)) {
        hasher.Add("unlisted");
        return;
    }
    if (listed != nullptr) {
        std::vector<std::string>& names = (*listed)[folder];
        for (const DirEntry& entry : entries)
            if (entry.type == FileType::Regular)
                names.push_back(entry.name);
    }
    std::sort(entries.begin(), entries.end(),
              [](const DirEntry& a, const DirEntry& b) { return a.name < b.name; });
    for (const DirEntry& entry : entries) {
        const FileStatus status = FileSystem().Status(folder + entry.name);
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
    if ((parts & kOwnEntries) != 0) {
        Hasher hasher;
        AddFolder(hasher, folder, listed);
        m_parts[0] = hasher.Value();
    }
    for (int kind = kPatchKind; kind <= kWaveKind; ++kind)
        if ((parts & SubfolderPart(kind)) != 0) {
            Hasher hasher;
            hasher.Add(SubfolderName(kind));
            AddFolder(hasher, folder + SubfolderName(kind), listed);
            m_parts[static_cast<std::size_t>(kind) + 1] = hasher.Value();
        }
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
