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
    // Makes what was written durable: the data and the size reach the medium before it returns.
    virtual bool Sync() = 0;
    // Closes the file; false when the close reported an error. Destroying an open file closes
    // it without reporting.
    virtual bool Close() = 0;
};

// Every mode opens regular files only (after following links): a FIFO, a device or a socket is
// refused at once, never waited on.
enum class OpenMode {
    Read,      // binary reading
    Update,    // binary reading and writing of an existing file, never created or truncated
    Write,     // binary writing, the file created or truncated; a link at the path is refused,
               // never written through
    CreateNew, // binary writing of a file made by this call; refused when anything, a link
               // too, is at the path already
};

enum class CreateDirResult { Created, AlreadyExists, Failed };

// What is at a path, links followed: nothing (or a dangling link), a regular file, a folder, or
// anything else (FIFO, device, socket).
enum class FileType { Missing, Regular, Directory, Other };

struct FileStatus {
    FileType type = FileType::Missing;
    bool failed = false; // the status could not be read (not the same as "nothing there")
    bool isLink = false; // the path itself is a symbolic link
    std::uint64_t size = 0;
    std::uint64_t device = 0; // the file system that holds it
    std::uint64_t inode = 0;
    std::uint32_t mode = 0;    // permission bits with the set-id and sticky bits (07777)
    std::uint32_t owner = 0;   // the user id of the owner
    std::int64_t modified = 0; // the time of the last change of the content, in nanoseconds
};

// One entry of a folder listing; the type follows links.
struct DirEntry {
    std::string name;
    FileType type = FileType::Missing;
    // The identity of the entry itself as the listing gives it (links not followed); 0 where the
    // file system does not say. What `Status` says may differ on some file systems.
    std::uint64_t inode = 0;
};

// One entry of a folder listing with what `Status` says of its path.
struct EntryStatus {
    std::string name;
    FileStatus status;
};

// How a folder is locked: shared by the processes that have it loaded, exclusive for the one
// that changes it.
enum class LockMode { Shared, Exclusive };

enum class LockResult {
    Locked,      // the lock is held in the mode asked for
    Busy,        // another holder keeps it from being taken now
    Unsupported, // the file system takes no locks (some network file systems)
};

// An advisory lock on a folder, taken on the folder itself so that nothing is added to it. It
// is held until `Unlock`, the object's end, or the end of the process, however it ends.
class IFolderLock {
public:
    virtual ~IFolderLock() = default;
    // Takes the lock in a mode, or changes a held lock to it, without waiting. A change that
    // fails may leave no lock held at all (the system's locks change mode that way); the
    // caller takes it again.
    virtual LockResult TryLock(LockMode mode) = 0;
    virtual void Unlock() = 0;
};

// Why the last failed operation of the calling thread failed: the path it was about and the
// system's reason. File systems record it where an operation fails; what succeeds leaves it.
struct FileError {
    std::string path;
    std::string reason; // "Permission denied", "No space left on device", ...
    bool Empty() const { return reason.empty(); }
    // "PATH: REASON", or the reason alone without a path.
    std::string Text() const;
};
void SetLastFileError(const std::string& path, int errorNumber);
void SetLastFileError(FileError error);
const FileError& LastFileError();
void ClearLastFileError();

// Everything the core does with files and folders goes through this interface, so that tests
// can fail any single operation and model what a power loss keeps. Paths are passed as the
// operating system takes them; ".." in them is resolved by the operating system.
class IFileSystem {
public:
    virtual ~IFileSystem() = default;
    // Null when the file cannot be opened in that mode (see `OpenMode`).
    virtual std::unique_ptr<IFile> Open(const std::string& path, OpenMode mode) = 0;
    // Renames a file or folder; an existing file at the destination is replaced atomically.
    virtual bool Rename(const std::string& from, const std::string& to) = 0;
    virtual bool Remove(const std::string& path) = 0;
    virtual CreateDirResult CreateDirectory(const std::string& path) = 0;
    // Creates a folder that only its owner may list or enter (the user's trash).
    virtual CreateDirResult CreatePrivateDirectory(const std::string& path) {
        return CreateDirectory(path);
    }
    virtual bool RemoveDirectory(const std::string& path) = 0;
    // True when a directory is at the path (following symbolic links).
    virtual bool IsDirectory(const std::string& path) = 0;
    // What is at the path; `isLink` tells about the path itself, the rest follows links.
    virtual FileStatus Status(const std::string& path) = 0;
    // Every entry of a folder but "." and "..", in no particular order. False when the folder
    // cannot be listed.
    virtual bool ListFolder(const std::string& folder, std::vector<DirEntry>& entries) = 0;
    // Every entry of a folder but "." and ".." with its status, as `ListFolder` and then
    // `Status` of each entry's path give them; a file system may have a shorter way (asking
    // by the open folder rather than by path). False when the folder cannot be listed.
    virtual bool ListFolderStatus(const std::string& folder, std::vector<EntryStatus>& entries);
    // Copies a whole regular file; the destination is created or truncated with the user's
    // default permissions (a link there is refused). With `sync` the copy is durable when the
    // call returns. False when any step fails.
    virtual bool CopyFile(const std::string& from, const std::string& to, bool sync) = 0;
    // Gives the regular file at `from` a second name `to` (which must not exist), on the same
    // file system: no bytes are copied, and the two names are one file. False when it cannot be
    // done (another file system, or one without such names: the caller copies instead).
    virtual bool HardLink(const std::string& /*from*/, const std::string& /*to*/) { return false; }
    // Makes the entries of a folder (files created, renamed or removed in it) durable.
    virtual bool SyncDirectory(const std::string& path) = 0;
    // What the symbolic link at the path holds (the link itself, not followed); empty when the
    // path is no link or the link cannot be read.
    virtual std::string LinkTarget(const std::string& /*path*/) { return {}; }
    // True when both paths name one existing directory, however differently they are spelled
    // (links, "." and ".." parts, doubled separators). A file system that cannot tell says no.
    virtual bool SameDirectory(const std::string& /*a*/, const std::string& /*b*/) { return false; }
    // The id of the user this program runs as, the owner of the files it creates.
    virtual std::uint32_t UserId() { return 0; }
    // True when different files may be opened, read, written, synced and closed on several
    // threads at once. File systems that count or fail operations in order say no, so that
    // their runs stay the same from run to run.
    virtual bool AllowsParallelWork() { return false; }

    // A lock on the folder at the path (links followed); null when the folder cannot be
    // opened. The default locks within this process only, by the folder's identity, which is
    // all that a file system of one process (a test's) needs.
    virtual std::unique_ptr<IFolderLock> OpenFolderLock(const std::string& folder);

    // The size of the regular file at the path as opening it for reading finds it; -1 when it
    // cannot be opened for reading or sized. Goes through Open, Size and Close unless a file
    // system has a shorter way to the same answer (a project's wave sizes are summed often).
    virtual std::int64_t ReadableFileSize(const std::string& path);

    // The names of the regular files of a folder (links followed). False when the folder
    // cannot be listed.
    bool ListFiles(const std::string& folder, std::vector<std::string>& names);
};

// The file system the core uses: the real one unless a test installed another.
IFileSystem& FileSystem();
// Installs a file system (not owned); null restores the real one.
void SetFileSystem(IFileSystem* fileSystem);
// The real file system, for wrappers that pass operations on.
IFileSystem& RealFileSystem();

} // namespace Corv
