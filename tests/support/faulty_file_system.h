#pragma once

#include "model/file_system.h"

#include <array>
#include <cstddef>
#include <memory>
#include <string>
#include <vector>

// Test support: a file system that counts what the core does and fails chosen operations.
namespace CorvTest {

// The operations counted (Read to Close on the files that Open hands out).
enum class FsOp {
    Open,
    Read,
    Write,
    Seek,
    Size,
    Sync,
    Close,
    Rename,
    Remove,
    CreateDirectory,
    RemoveDirectory,
    IsDirectory,
    Status,
    ListFolder,
    CopyFile,
    SyncDirectory
};
inline constexpr std::size_t kFsOpCount = 16;

const char* FsOpName(FsOp op);

// Counts every operation and passes it on to another file system (the real one by default). A
// failed operation does nothing, except that a failed Close still releases the file.
class FaultyFileSystem : public Corv::IFileSystem {
public:
    explicit FaultyFileSystem(Corv::IFileSystem& inner = Corv::RealFileSystem()) : m_inner(inner) {}

    // Fails the k-th operation (from 1) counted after this call; 0 fails none.
    void FailOperation(int k) { m_state.failAt = k > 0 ? m_state.total + k : 0; }
    // Lets k more operations through and then fails every later one, as if the machine had
    // stopped there (a kill or a power loss).
    void StopAfter(int k) { m_state.stopAfter = m_state.total + k; }
    // Fails the n-th operation (from 1) of one kind counted after this call.
    void FailNth(FsOp op, int n) {
        m_failNthOp = op;
        m_state.failNthAt = n > 0 ? Count(op) + n : 0;
    }
    // Whether syncs reach the file system underneath (they are counted either way). Sweeps that
    // run a save hundreds of times turn them off for speed; what a power loss keeps is tested
    // on the memory file system, which models syncs.
    void PassSyncs(bool pass) { m_passSyncs = pass; }
    bool PassesSyncs() const { return m_passSyncs; }
    // Clears every failure rule and the counts.
    void Reset() { m_state = State{}; }

    // Operations counted since construction or the last Reset, in total and per kind.
    int Count() const { return m_state.total; }
    int Count(FsOp op) const { return m_state.counts[static_cast<std::size_t>(op)]; }
    int Failures() const { return m_state.failures; }
    // One line per counted operation ("Open Read /tmp/x", "Write 32 (failed)") when logging.
    void SetLogging(bool on) { m_logging = on; }
    const std::vector<std::string>& Log() const { return m_state.log; }

    // Counts one operation and tells whether it must fail; a failure is recorded as the file
    // system's last error about `path`. `detail` is what the log says (the path when empty).
    bool Next(FsOp op, const std::string& path = {}, const std::string& detail = {});

    std::unique_ptr<Corv::IFile> Open(const std::string& path, Corv::OpenMode mode) override;
    bool Rename(const std::string& from, const std::string& to) override {
        return !Next(FsOp::Rename, to, from + " -> " + to) && m_inner.Rename(from, to);
    }
    bool Remove(const std::string& path) override {
        return !Next(FsOp::Remove, path) && m_inner.Remove(path);
    }
    Corv::CreateDirResult CreateDirectory(const std::string& path) override {
        return Next(FsOp::CreateDirectory, path) ? Corv::CreateDirResult::Failed
                                                 : m_inner.CreateDirectory(path);
    }
    Corv::CreateDirResult CreatePrivateDirectory(const std::string& path) override {
        return Next(FsOp::CreateDirectory, path, "private " + path)
                   ? Corv::CreateDirResult::Failed
                   : m_inner.CreatePrivateDirectory(path);
    }
    bool RemoveDirectory(const std::string& path) override {
        return !Next(FsOp::RemoveDirectory, path) && m_inner.RemoveDirectory(path);
    }
    bool IsDirectory(const std::string& path) override {
        return !Next(FsOp::IsDirectory, path) && m_inner.IsDirectory(path);
    }
    Corv::FileStatus Status(const std::string& path) override {
        if (Next(FsOp::Status, path)) {
            Corv::FileStatus failed;
            failed.failed = true;
            return failed;
        }
        return m_inner.Status(path);
    }
    bool ListFolder(const std::string& folder, std::vector<Corv::DirEntry>& entries) override {
        return !Next(FsOp::ListFolder, folder) && m_inner.ListFolder(folder, entries);
    }
    bool CopyFile(const std::string& from, const std::string& to, bool sync) override {
        return !Next(FsOp::CopyFile, to, from + " -> " + to) &&
               m_inner.CopyFile(from, to, sync && m_passSyncs);
    }
    bool SyncDirectory(const std::string& path) override {
        return !Next(FsOp::SyncDirectory, path) && (!m_passSyncs || m_inner.SyncDirectory(path));
    }
    std::string LinkTarget(const std::string& path) override {
        return Next(FsOp::Status, "link " + path) ? std::string() : m_inner.LinkTarget(path);
    }
    bool SameDirectory(const std::string& a, const std::string& b) override {
        return !Next(FsOp::Status, a, a + " = " + b) && m_inner.SameDirectory(a, b);
    }
    std::uint32_t UserId() override { return m_inner.UserId(); } // not a file operation
    // Locks are passed on uncounted: they change no file.
    std::unique_ptr<Corv::IFolderLock> OpenFolderLock(const std::string& folder) override {
        return m_inner.OpenFolderLock(folder);
    }

private:
    struct State { // everything that Reset clears
        int total = 0, failures = 0, failAt = 0, failNthAt = 0, stopAfter = -1;
        std::array<int, kFsOpCount> counts{};
        std::vector<std::string> log;
    };

    Corv::IFileSystem& m_inner;
    State m_state;
    FsOp m_failNthOp = FsOp::Open;
    bool m_logging = false;
    bool m_passSyncs = true;
};

// Installs a file system for the life of the object and then puts back the one before it.
class ScopedFileSystem {
public:
    explicit ScopedFileSystem(Corv::IFileSystem& fileSystem) : m_previous(&Corv::FileSystem()) {
        Corv::SetFileSystem(&fileSystem);
    }
    ~ScopedFileSystem() {
        Corv::SetFileSystem(m_previous == &Corv::RealFileSystem() ? nullptr : m_previous);
    }
    ScopedFileSystem(const ScopedFileSystem&) = delete;
    ScopedFileSystem& operator=(const ScopedFileSystem&) = delete;

private:
    Corv::IFileSystem* m_previous;
};

// A faulty file system over the real one, installed while the object lives.
class InstalledFaultyFileSystem : public FaultyFileSystem {
public:
    InstalledFaultyFileSystem() : m_scope(*this) {}

private:
    ScopedFileSystem m_scope;
};

} // namespace CorvTest
