#pragma once

#include "history/manifest.h"
#include "storage/save_recorder.h"

#include <array>
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <tuple>
#include <unordered_map>
#include <vector>

namespace Corv {
class CLumData;
}

namespace Corv::History {

// Which file on disk a hash was taken of: a file with the same inode, size and change time
// still holds the same bytes (a rename keeps all three).
using FileIdentity = std::tuple<std::uint64_t, std::uint64_t, std::int64_t>;
struct IdentityHash {
    std::size_t operator()(const FileIdentity& identity) const {
        const auto [inode, size, modified] = identity;
        return std::hash<std::uint64_t>()(inode * 0x9E3779B97F4A7C15ULL ^ size * 31 ^
                                          static_cast<std::uint64_t>(modified));
    }
};
using KnownHashes = std::unordered_map<FileIdentity, std::string, IdentityHash>;

FileIdentity IdentityOf(const FileEntry& file);
// The hashes a list of described files gives by identity (files without an inode are left out).
KnownHashes HashesByIdentity(const std::vector<FileEntry>& files);

// The files of a project folder that a save keeps: everything in Patch/, Tone/ and Wave/ but what
// a save leaves while it works, and the system and memo files at the top; sorted by path. A
// file whose identity is in `known` takes its hash from there, every other is read and hashed.
// False (with `why`) when the folder cannot be listed or a file cannot be read.
// `listed` (may be null) is the folder's listing with each entry's status (its own entries, then
// Patch/, Tone/ and Wave/), when it was just taken under the project's lock; `fresh` (may be
// empty) is told of every file read, with its bytes, and may stop the description (false).
bool DescribeFiles(const std::string& folder, const KnownHashes& known,
                   std::vector<FileEntry>& files, std::string& why,
                   const FolderEntries* listed = nullptr,
                   const std::function<bool(const FileEntry&, const std::string&)>& fresh = {});
// Whether a path relative to a project folder names a file a save keeps (see DescribeFiles).
bool IsKeptPath(const std::string& path);

// The used slots of a project: file names from `slotPaths` (absolute, per kind; made relative
// to `folder`), names and memos from the records, fingerprints with each wave's taken from
// `waveHash` (absolute path of the wave's file now -> 32 hex digits; empty when unknown) and
// sizes from `sizeOf` (of the record's file now).
std::vector<SlotEntry> SlotsOf(const CLumData& data, const std::vector<std::string> (&slotPaths)[3],
                               const std::string& folder,
                               const std::function<std::string(const std::string&)>& waveHash,
                               const std::function<std::uint64_t(const std::string&)>& sizeOf);

// A file a save's step put in place, and the path it had in the folder before the save (empty
// for a file the save wrote).
struct PlacedFile {
    FileEntry file;
    std::string origin;
};
// The files a save's steps put in place, by path relative to the folder.
using PlacedFiles = std::map<std::string, PlacedFile, std::less<>>;

// What a save changes in the used slots of a project, as a difference to those before it
// (`usedSlots`: slots that are new or other after the save, `goneSlots`: slots it empties).
// `before` is the folder before the save (its files and used slots) and `placed` the files the
// save's steps put in place. A record whose file the save left alone or only renamed keeps its
// fingerprint unless a wave or tone it refers to changed; the others are fingerprinted anew.
// `hashOf` gives the hash of a file (absolute path) that neither describes. Applied to the slots
// before, the difference gives what SlotsOf gives, in time that grows with what the save
// changed.
Manifest SlotChangesOfSave(const CLumData& data, const std::vector<std::string> (&slotPaths)[3],
                           const std::string& folder, const Manifest& before,
                           const PlacedFiles& placed,
                           const std::function<std::string(const std::string&)>& hashOf);

// The files of a manifest by part of the folder (its own entries, then Patch/, Tone/ and Wave/)
// and name, pointing into the list they were made from.
struct FilesByName {
    std::array<std::unordered_map<std::string_view, const FileEntry*>, 4> parts;
    std::size_t count = 0;
};
FilesByName IndexFiles(const std::vector<FileEntry>& files);

// Whether a folder's listing shows exactly the kept files of `files`, each still the same file
// on disk (inode, size and change time): then `files` describe it as it is.
bool ListingMatches(const FolderEntries& listed, const FilesByName& files);

// The used slots of the project folder as it is on disk, read without taking its lock (the
// caller holds it or reads only); `files` are its described files. False with `why` when the
// folder does not load.
bool ReadSlots(const std::string& folder, const std::vector<FileEntry>& files,
               std::vector<SlotEntry>& usedSlots, std::string& why);

} // namespace Corv::History
