#pragma once

#include <cstdint>
#include <string>

namespace Corv {

// What a project folder looks like on disk, in a form that tells whether another program
// changed it: every entry of the folder and of its Patch/, Tone/ and Wave/ subfolders with its
// name, type, size, modification time and identity, hashed. The same folder gives the same
// value until something in it is added, removed, renamed or written.
std::uint64_t FolderSignature(const std::string& folder);

} // namespace Corv
