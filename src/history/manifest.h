#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace Corv::History {

// One file of a project folder: its path relative to the folder, its size and the hash of its
// bytes (32 hex digits, the name of its object in the store). `modified` and `inode` say which
// file on disk was hashed, so that a file that is still the same one is not hashed again.
struct FileEntry {
    std::string path;
    std::uint64_t size = 0;
    std::string hash;
    std::int64_t modified = 0;
    std::uint64_t inode = 0;
};

// One used slot: its kind (0 patch, 1 tone, 2 wave), 1-based number, file (relative), the
// content fingerprint (32 hex digits; empty when it could not be taken), and its name and four
// memos as the code-page bytes they are.
struct SlotEntry {
    int kind = 0;
    int number = 0;
    std::string file;
    std::uint64_t size = 0;
    std::string fingerprint;
    std::string name;
    std::array<std::string, 4> memos;

    bool operator==(const SlotEntry&) const = default;
};

// What a project folder held at one moment: a version (the folder before a save) or the head
// (the folder as the last recorded save left it).
struct Manifest {
    int id = 0;                    // the version's number in its project (0 for the head)
    int base = 0;                  // stored as the difference to this version (0: whole)
    std::string time;              // when it was recorded, ISO 8601 in UTC
    std::string program;           // the version of the program that recorded it
    std::string note;              // "before restore", or empty
    std::uint64_t storedBytes = 0; // bytes this version added to the store
    std::string summary;           // what the save after it changed, in one line
    std::vector<FileEntry> files;
    std::vector<SlotEntry> usedSlots;
    // In a difference only: the files and slots (kind, number) of the base it no longer has.
    std::vector<std::string> goneFiles;
    std::vector<std::pair<int, int>> goneSlots;

    // The file entry of a relative path, or null.
    const FileEntry* File(std::string_view path) const;
    // Takes the header of another manifest (id, time, program, note, stored bytes, summary):
    // a difference carries the header of the manifest it stands for.
    void TakeHeader(const Manifest& other);
};

// The manifest as text; its last line carries a checksum of everything before it, so that a
// manifest cut short or altered is never taken for a complete one.
std::string ManifestText(const Manifest& manifest);
// The manifest back from its text; false (with `why`) when it is not complete or not one.
bool ParseManifest(const std::string& text, Manifest& manifest, std::string& why);

// A manifest stored as what differs from `base` (a whole one): the files and slots that are new
// or other, and those it no longer has; the header fields are the manifest's own.
Manifest DifferenceTo(const Manifest& base, const Manifest& whole);
// The whole manifest a difference stands for, given its base (whole); its id stays.
Manifest Resolved(const Manifest& base, const Manifest& difference);
// The same, taking the entries of a base that is no longer needed instead of copying them.
Manifest Resolved(Manifest&& base, const Manifest& difference);
// How many lines a manifest's entries take (files, slots and what it no longer has).
std::size_t EntryLines(const Manifest& manifest);

// Bytes as hexadecimal digits and back (names and memos are stored losslessly this way).
std::string HexOf(const std::string& bytes);
bool FromHexText(const std::string& hex, std::string& bytes);

// A one-line account of what changed from one state to the next ("renamed 3 patches, removed
// tone 12, 2 waves added"); "no entry changed" when the slots are the same.
std::string ChangeSummary(const std::vector<SlotEntry>& before,
                          const std::vector<SlotEntry>& after);
// The same given the slots that differ after (`usedSlots`: new or other, `goneSlots`: gone).
std::string ChangeSummary(const std::vector<SlotEntry>& before, const Manifest& difference);
// The slots of `after` that are new or other than in `before`, and those it no longer has, as
// a difference's `usedSlots` and `goneSlots`.
Manifest SlotDifference(const std::vector<SlotEntry>& before, const std::vector<SlotEntry>& after);

} // namespace Corv::History
