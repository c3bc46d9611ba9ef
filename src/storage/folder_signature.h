#pragma once

#include "model/file_system.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace Corv {

// The names of the regular files of folders, sorted, by folder path ("/" separators, ending in
// "/").
using FolderListings = std::unordered_map<std::string, std::vector<std::string>>;

// What a project folder looks like on disk, in a form that tells whether another program
// changed it: every entry of the folder and of its Patch/, Tone/ and Wave/ subfolders with its
// name, type, size, modification time and identity, hashed. The same folder gives the same
// value until something in it is added, removed, renamed or written.
std::uint64_t FolderSignature(const std::string& folder);

// The same signature in its four parts, which can be read again one by one: the folder's own
// entries, then the entries of each kind's subfolder. A subfolder's modification time is among
// the folder's own entries, so a change below changes the first part too.
class CFolderSignature {
public:
    // Bits of `Read`: the folder's own entries, and each kind's subfolder (bit 1 + kind).
    static constexpr unsigned kOwnEntries = 1;
    static constexpr unsigned kAllParts = 0xF;
    static constexpr unsigned SubfolderPart(int kind) { return 2u << kind; }
    // The part that holds a path relative to the folder ("Patch/001 A.d00", "PatchMemo.txt").
    static unsigned PartOf(const std::string& relativePath);

    // Reads the parts named by the bits of `parts` from the folder; the others stay as they are.
    // `listed` (may be null) receives the regular files of every folder listed for them.
    void Read(const std::string& folder, unsigned parts = kAllParts,
              FolderListings* listed = nullptr);
    // Reads the parts again after this program changed the folder by renaming files, removing
    // them and putting new files in place (a save): a regular file that has the name and
    // identity it had at the last read of its part is taken to be as it was, and only the other
    // entries are asked for their status.
    void ReadAfterOwnChanges(const std::string& folder, unsigned parts);
    // The size of a file as the last read of its part listed it, by its path relative to the
    // folder ("Patch/001 A.d00"); 0 when that listing had no regular file by the name. Spares
    // asking every file for its status again after the listing did.
    std::uint64_t ListedSize(std::string_view relativePath) const;
    // The entries the last read of a part listed (0: the folder's own, 1 + kind: a subfolder's);
    // null when that read could not list its folder.
    const std::vector<EntryStatus>* Entries(std::size_t part) const {
        return m_listed[part] ? &m_entries[part] : nullptr;
    }
    // The signature of the whole folder (as FolderSignature gives it).
    std::uint64_t Value() const;

private:
    void ReadParts(const std::string& folder, unsigned parts, FolderListings* listed, bool reuse);

    std::array<std::uint64_t, 4> m_parts{};
    // The entries each part was last read with, by name.
    std::array<std::vector<EntryStatus>, 4> m_entries;
    std::array<bool, 4> m_listed{};
};

} // namespace Corv
