#pragma once

#include "model/file_system.h"

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

// Test support: a file system in memory that knows what a power loss keeps.
namespace CorvTest {

// Every file, folder and symbolic link lives in memory under the absolute paths the core uses.
// Paths are walked as Linux walks them: links on the way are followed, ".." goes to the parent
// of the folder a link led to, and a link at the end of a path is followed by everything but
// `Status().isLink`, renaming, removing and `LinkTarget` (which act on the link). Writes, new
// files, renames and removals are volatile until synced: a file's data by `IFile::Sync` (or a
// synced copy), a folder's entries by `SyncDirectory`. `PowerLoss` throws away everything that
// was not made durable, as a machine that stops at that moment would.
class MemoryFileSystem : public Corv::IFileSystem {
public:
    MemoryFileSystem();
    ~MemoryFileSystem() override;
    MemoryFileSystem(const MemoryFileSystem&) = delete;
    MemoryFileSystem& operator=(const MemoryFileSystem&) = delete;

    // Copies a real folder tree (folders, regular files and links) into memory at the same path,
    // creating its parent folders; everything copied is durable.
    void Mirror(const std::string& realFolder);
    // Every regular file below a folder (relative path -> content); links are not followed.
    std::vector<std::pair<std::string, std::vector<std::uint8_t>>>
    Snapshot(const std::string& folder) const;
    // Forgets every change that was not synced.
    void PowerLoss();
    // Makes a durable symbolic link at `path` that holds `target`; false when something is there
    // or the folder that would hold it is missing.
    bool SymbolicLink(const std::string& target, const std::string& path);
    // Every entry below a folder, sorted, links not followed: a folder's path (ending in "/") ->
    // "folder", a link's -> "link to TARGET", a file's -> its content.
    std::vector<std::pair<std::string, std::string>> Tree(const std::string& folder) const;

    std::unique_ptr<Corv::IFile> Open(const std::string& path, Corv::OpenMode mode) override;
    bool Rename(const std::string& from, const std::string& to) override;
    bool Remove(const std::string& path) override;
    Corv::CreateDirResult CreateDirectory(const std::string& path) override;
    bool RemoveDirectory(const std::string& path) override;
    bool IsDirectory(const std::string& path) override;
    Corv::FileStatus Status(const std::string& path) override;
    bool ListFolder(const std::string& folder, std::vector<Corv::DirEntry>& entries) override;
    bool CopyFile(const std::string& from, const std::string& to, bool sync) override;
    bool SyncDirectory(const std::string& path) override;
    std::string LinkTarget(const std::string& path) override;
    bool SameDirectory(const std::string& a, const std::string& b) override;

    struct Node;

private:
    // Where a walk along a path ended: the folders from the root to the one that holds the last
    // part, that part's name (empty when the path names a folder reached by ".." or the root),
    // and what is there (null when nothing).
    struct Resolved {
        std::vector<std::shared_ptr<Node>> chain;
        std::string name;
        std::shared_ptr<Node> node;
    };
    bool Resolve(const std::string& path, bool followLast, Resolved& out) const;
    std::shared_ptr<Node> Find(const std::string& path, bool followLast = true) const;
    // The folder that holds the last part of the path, and that part; null when missing.
    std::shared_ptr<Node> Parent(const std::string& path, std::string& name) const;

    std::shared_ptr<Node> m_root;
    std::uint64_t m_nextInode = 1;
};

} // namespace CorvTest

namespace CorvTest {

// Reading through whatever file system the core uses now (the real one, a memory one, a
// faulty wrapper), for checks that must see what the core sees.
std::vector<std::uint8_t> ReadThroughSeam(const std::string& path);
// Every regular file below a folder (relative path -> content), sorted; empty for a missing one.
std::vector<std::pair<std::string, std::vector<std::uint8_t>>>
SnapshotThroughSeam(const std::string& folder);

} // namespace CorvTest
