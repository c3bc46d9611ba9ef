#include "faulty_file_system.h"

#include <cerrno>

namespace CorvTest {

namespace {

constexpr const char* kOpNames[kFsOpCount] = {"Open",
                                              "Read",
                                              "Write",
                                              "Seek",
                                              "Size",
                                              "Sync",
                                              "Close",
                                              "Rename",
                                              "Remove",
                                              "CreateDirectory",
                                              "RemoveDirectory",
                                              "IsDirectory",
                                              "Status",
                                              "ListFolder",
                                              "CopyFile",
                                              "SyncDirectory"};
constexpr const char* kModeNames[] = {"Read", "Update", "Write", "CreateNew"}; // OpenMode order

// A file opened through the faulty file system: each call is counted and may fail instead.
class FaultyFile final : public Corv::IFile {
public:
    FaultyFile(std::unique_ptr<Corv::IFile> inner, FaultyFileSystem& owner, std::string path)
        : m_inner(std::move(inner)), m_owner(owner), m_path(std::move(path)) {}

    std::int64_t Read(void* buffer, std::size_t n) override {
        return Fail(FsOp::Read, std::to_string(n)) ? -1 : m_inner->Read(buffer, n);
    }
    bool Write(const void* buffer, std::size_t n) override {
        return !Fail(FsOp::Write, std::to_string(n)) && m_inner->Write(buffer, n);
    }
    bool Seek(std::uint64_t offset) override {
        return !Fail(FsOp::Seek, std::to_string(offset)) && m_inner->Seek(offset);
    }
    std::int64_t Size() override { return Fail(FsOp::Size) ? -1 : m_inner->Size(); }
    bool Sync() override {
        return !Fail(FsOp::Sync) && (!m_owner.PassesSyncs() || m_inner->Sync());
    }
    bool Close() override {
        const bool fail = Fail(FsOp::Close);
        return m_inner->Close() && !fail; // a failed close still releases the file
    }

private:
    // Counts the call; a failure is recorded as the last error about this file.
    bool Fail(FsOp op, const std::string& detail = {}) {
        if (!m_owner.Next(op, {}, detail))
            return false;
        Corv::SetLastFileError(m_path, EIO);
        return true;
    }

    std::unique_ptr<Corv::IFile> m_inner;
    FaultyFileSystem& m_owner;
    std::string m_path;
};

} // namespace

const char* FsOpName(FsOp op) {
    return kOpNames[static_cast<std::size_t>(op)];
}

bool FaultyFileSystem::Next(FsOp op, const std::string& path, const std::string& detail) {
    const auto index = static_cast<std::size_t>(op);
    State& s = m_state;
    ++s.total;
    ++s.counts[index];
    const bool stopped = s.stopAfter >= 0 && s.total > s.stopAfter;
    const bool fail =
        stopped || s.total == s.failAt || (op == m_failNthOp && s.counts[index] == s.failNthAt);
    s.failures += fail ? 1 : 0;
    if (fail && !path.empty())
        Corv::SetLastFileError(path, EIO);
    if (m_logging)
        s.log.push_back(
            std::string(FsOpName(op)) +
            (path.empty() && detail.empty() ? "" : " " + (detail.empty() ? path : detail)) +
            (fail ? " (failed)" : ""));
    return fail;
}

std::unique_ptr<Corv::IFile> FaultyFileSystem::Open(const std::string& path, Corv::OpenMode mode) {
    const auto m = static_cast<std::size_t>(mode);
    if (Next(FsOp::Open, path, std::string(kModeNames[m]) + " " + path))
        return nullptr;
    auto file = m_inner.Open(path, mode);
    return file ? std::make_unique<FaultyFile>(std::move(file), *this, path) : nullptr;
}

} // namespace CorvTest
