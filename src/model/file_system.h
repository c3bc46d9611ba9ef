#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace Corv {

// An open file of the file-system seam. Every call is one operation that a test may fail.
class IFile {
public:
    virtual ~IFile() = default;
    // Reads up to n bytes at the current position; returns the count read, or -1 on error.
    virtual std::int64_t Read(void* buffer, std::size_t n) = 0;
    // Writes n bytes at the current position; false unless all were written.
    virtual bool Write(const void* buffer, std::size_t n) = 0;
    virtual bool Seek(std::uint64_t offset) = 0;
    // Size in bytes, or -1 on error.
    virtual std::int64_t Size() = 0;
    // Closes the file; false when the close reported an error. Destroying an open file closes
    // it without reporting.
    virtual bool Close() = 0;
};

enum class OpenMode {
    Read,   // binary reading
    Update, // binary reading and writing of an existing file, never created or truncated
    Write,  // binary writing, the file created or truncated
};

enum class CreateDirResult { Created, AlreadyExists, Failed };

// Everything the core does with files and folders goes through this interface, so that tests
// can fail any single operation. Paths are passed as the operating system takes them.
class IFileSystem {
public:
    virtual ~IFileSystem() = default;
    // Null when the file cannot be opened in that mode.
    virtual std::unique_ptr<IFile> Open(const std::string& path, OpenMode mode) = 0;
    virtual bool Rename(const std::string& from, const std::string& to) = 0;
    virtual bool Remove(const std::string& path) = 0;
    virtual CreateDirResult CreateDirectory(const std::string& path) = 0;
    virtual bool RemoveDirectory(const std::string& path) = 0;
    // True when a directory is at the path (following symbolic links).
    virtual bool IsDirectory(const std::string& path) = 0;
    // Names of the entries of a folder that are not folders themselves, in no particular order.
    // False when the folder cannot be listed.
    virtual bool ListFiles(const std::string& folder, std::vector<std::string>& names) = 0;
    // Copies a whole file; the destination is created or truncated with the user's default
    // permissions. False when any step fails.
    virtual bool CopyFile(const std::string& from, const std::string& to) = 0;
    // True when both paths name one existing directory, however differently they are spelled
    // (links, "." and ".." parts, doubled separators). A file system that cannot tell says no.
    virtual bool SameDirectory(const std::string& /*a*/, const std::string& /*b*/) { return false; }
};

// The file system the core uses: the real one unless a test installed another.
IFileSystem& FileSystem();
// Installs a file system (not owned); null restores the real one.
void SetFileSystem(IFileSystem* fileSystem);
// The real file system, for wrappers that pass operations on.
IFileSystem& RealFileSystem();

} // namespace Corv
