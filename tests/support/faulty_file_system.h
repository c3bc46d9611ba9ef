#pragma once

#include <array>
#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "model/file_system.h"

// Test support: a file system that counts what the core does and fails chosen operations.
namespace CorvTest {

// The kinds of operation that are counted (Read, Write, Seek, Size and Close on files opened
// through the wrapper).
enum class FsOp {
    Open,
    Read,
    Write,
    Seek,
    Size,
    Close,
    Rename,
    Remove,
    CreateDirectory,
    RemoveDirectory,
    IsDirectory,
    ListFiles,
    CopyFile,
};
inline constexpr std::size_t kFsOpCount = 13;

const char* FsOpName(FsOp op);

// Passes every operation on to another file system (the real one by default) and counts it.
// A failed operation does nothing at all: a failed Open returns null and creates nothing, a
// failed Write writes nothing, a failed CopyFile leaves the destination alone. (A failed Close
// still releases the file, as a real failed close does.)
class FaultyFileSystem : public Corv::IFileSystem {
public:
    explicit FaultyFileSystem(Corv::IFileSystem& inner = Corv::RealFileSystem());

    // Fails the k-th operation (from 1) counted after this call; 0 fails none.
    void FailOperation(int k);
    // Fails the n-th operation (from 1) of one kind counted after this call.
    void FailNth(FsOp op, int n);
    // Fails every operation of a kind (until cleared).
    void FailAll(FsOp op, bool fail = true);
    // Fails every Open in one mode (until cleared).
    void FailOpens(Corv::OpenMode mode, bool fail = true);
    // Clears every failure rule and the counts.
    void Reset();

    // Operations counted since construction or the last Reset, in total and per kind.
    int Count() const { return m_total; }
    int Count(FsOp op) const { return m_counts[static_cast<std::size_t>(op)]; }
    // How many operations were made to fail.
    int Failures() const { return m_failures; }
    // One line per counted operation ("Open Read /tmp/x", "Write 32 (failed)") when logging.
    void SetLogging(bool on) { m_logging = on; }
    const std::vector<std::string>& Log() const { return m_log; }

    // Counts one operation and tells whether it must fail (used by the wrapped files too).
    bool Next(FsOp op, const std::string& detail = {}, bool forceFail = false);

    std::unique_ptr<Corv::IFile> Open(const std::string& path, Corv::OpenMode mode) override;
    bool Rename(const std::string& from, const std::string& to) override;
    bool Remove(const std::string& path) override;
    Corv::CreateDirResult CreateDirectory(const std::string& path) override;
    bool RemoveDirectory(const std::string& path) override;
    bool IsDirectory(const std::string& path) override;
    bool ListFiles(const std::string& folder, std::vector<std::string>& names) override;
    bool CopyFile(const std::string& from, const std::string& to) override;

private:
    Corv::IFileSystem& m_inner;
    int m_total = 0;
    std::array<int, kFsOpCount> m_counts{};
    int m_failures = 0;
    int m_failAt = 0;
    FsOp m_failNthOp = FsOp::Open;
    int m_failNthAt = 0;
    std::array<bool, kFsOpCount> m_failAll{};
    std::array<bool, 3> m_failOpenMode{};
    bool m_logging = false;
    std::vector<std::string> m_log;
};

// Installs a file system for the life of the object and then puts back the one before it.
class ScopedFileSystem {
public:
    explicit ScopedFileSystem(Corv::IFileSystem& fileSystem);
    ~ScopedFileSystem();
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
