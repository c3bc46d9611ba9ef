#pragma once

#include <string>
#include <vector>

namespace Corv::History {

// Small file helpers of the history, all through the file-system seam.

// The whole content of a file; false when it cannot be read.
bool ReadWholeFile(const std::string& path, std::string& bytes);
// Writes a file so that it is either absent or complete: a temporary name beside it, synced,
// renamed over it, and the folder synced. Without `sync`, the file is only renamed into place
// (for files that can be made again from others: after a crash they may be old or gone).
// Without `syncFolder` the file is synced but the rename is left for the caller to make durable
// (by syncing the folder once for many files).
bool WriteDurably(const std::string& path, const std::string& bytes, bool sync = true,
                  bool syncFolder = true);
// A temporary name beside `path`, of this process and unique in it (never a name the store
// reads as one of its own).
std::string TemporaryBeside(const std::string& path);
// An empty file made ahead beside `path` (a temporary name as WriteDurably gives), so that a
// later WriteDurablyInto need not create one (making a file costs more than writing it);
// empty when it cannot be made.
std::string MakeSpareFile(const std::string& path);
// WriteDurably that takes the bytes into `spare`, an empty file made ahead in the same folder,
// when it is there and empty, and makes a new file otherwise.
bool WriteDurablyInto(const std::string& spare, const std::string& path, const std::string& bytes);
// Writes a file that can be made again from others over its old content, without a new file
// or a rename (both cost more than the write): after an interruption it may hold a mix of old
// and new, which its reader must detect. A shorter content is followed by line ends up to the
// old length (ReadWrittenInPlace drops them); a file much longer than the content, or none, is
// written anew by WriteDurably without sync.
bool WriteInPlace(const std::string& path, const std::string& bytes);
// Reads a file written by WriteInPlace: its content without the line ends after the last one.
bool ReadWrittenInPlace(const std::string& path, std::string& bytes);
// Creates a folder and the ones above it that are missing; true when it is there.
bool MakeFolders(const std::string& folder);
// The names of the entries of a folder (files and folders alike); empty when it cannot be read.
// `ok` (may be null) tells whether it could be listed (a missing folder counts as empty).
std::vector<std::string> EntryNames(const std::string& folder, bool* ok = nullptr);
// Removes a folder with everything in it (links removed, never followed).
void RemoveTree(const std::string& folder);
// The 32 hex digits of the content hash of bytes.
std::string HashHex(const std::string& bytes);
// Folder path with one "/" at its end.
std::string WithTrailingSlash(const std::string& folder);

} // namespace Corv::History
