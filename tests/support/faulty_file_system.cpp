#include "faulty_file_system.h"

namespace CorvTest {

namespace {

constexpr const char* kOpNames[kFsOpCount] = {
    "Open",   "Read",            "Write",           "Seek",        "Size",      "Close",   "Rename",
    "Remove", "CreateDirectory", "RemoveDirectory", "IsDirectory", "ListFiles", "CopyFile"};

const char* ModeName(Corv::OpenMode mode) {
    switch (mode) {
    case Corv::OpenMode::Read:
        return "Read";
    case Corv::OpenMode::Update:
        return "Update";
    case Corv::OpenMode::Write:
        return "Write";
    }
    return "?";
}

// A file opened through the faulty file system: each call is counted and may fail before it
// reaches the real file.
class FaultyFile final : public Corv::IFile {
public:
    FaultyFile(std::unique_ptr<Corv::IFile> inner, FaultyFileSystem& owner)
        : m_inner(std::move(inner)), m_owner(owner) {}

    std::int64_t Read(void* buffer, std::size_t n) override {
        return m_owner.Next(FsOp::Read, std::to_string(n)) ? -1 : m_inner->Read(buffer, n);
    }
    bool Write(const void* buffer, std::size_t n) override {
        return !m_owner.Next(FsOp::Write, std::to_string(n)) && m_inner->Write(buffer, n);
    }
    bool Seek(std::uint64_t offset) override {
        return !m_owner.Next(FsOp::Seek, std::to_string(offset)) && m_inner->Seek(offset);
    }
    std::int64_t Size() override { return m_owner.Next(FsOp::Size) ? -1 : m_inner->Size(); }
    bool Close() override {
        const bool fail = m_owner.Next(FsOp::Close);
        const bool closed = m_inner->Close();
        return !fail && closed;
    }

private:
    std::unique_ptr<Corv::IFile> m_inner;
    FaultyFileSystem& m_owner;
};

} // namespace

const char* FsOpName(FsOp op) { return kOpNames[static_cast<std::size_t>(op)]; }

FaultyFileSystem::FaultyFileSystem(Corv::IFileSystem& inner) : m_inner(inner) {}

void FaultyFileSystem::FailOperation(int k) { m_failAt = k > 0 ? m_total + k : 0; }

void FaultyFileSystem::FailNth(FsOp op, int n) {
    m_failNthOp = op;
    m_failNthAt = n > 0 ? Count(op) + n : 0;
}

void FaultyFileSystem::FailAll(FsOp op, bool fail) { m_failAll[static_cast<std::size_t>(op)] = fail; }

void FaultyFileSystem::FailOpens(Corv::OpenMode mode, bool fail) {
    m_failOpenMode[static_cast<std::size_t>(mode)] = fail;
}

void FaultyFileSystem::Reset() {
    m_total = 0;
    m_counts.fill(0);
    m_failures = 0;
    m_failAt = 0;
    m_failNthAt = 0;
    m_failAll.fill(false);
    m_failOpenMode.fill(false);
    m_log.clear();
}

bool FaultyFileSystem::Next(FsOp op, const std::string& detail, bool forceFail) {
    const auto index = static_cast<std::size_t>(op);
    ++m_total;
    ++m_counts[index];
    const bool fail = forceFail || m_total == m_failAt || m_failAll[index] ||
                      (op == m_failNthOp && m_counts[index] == m_failNthAt);
    if (fail)
        ++m_failures;
    if (m_logging)
        m_log.push_back(std::string(FsOpName(op)) + (detail.empty() ? "" : " " + detail) +
                        (fail ? " (failed)" : ""));
    return fail;
}

std::unique_ptr<Corv::IFile> FaultyFileSystem::Open(const std::string& path, Corv::OpenMode mode) {
    const bool modeFails = m_failOpenMode[static_cast<std::size_t>(mode)];
    if (Next(FsOp::Open, std::string(ModeName(mode)) + " " + path, modeFails))
        return nullptr;
    auto file = m_inner.Open(path, mode);
    if (!file)
        return nullptr;
    return std::make_unique<FaultyFile>(std::move(file), *this);
}

bool FaultyFileSystem::Rename(const std::string& from, const std::string& to) {
    return !Next(FsOp::Rename, from + " -> " + to) && m_inner.Rename(from, to);
}

bool FaultyFileSystem::Remove(const std::string& path) {
    return !Next(FsOp::Remove, path) && m_inner.Remove(path);
}

Corv::CreateDirResult FaultyFileSystem::CreateDirectory(const std::string& path) {
    if (Next(FsOp::CreateDirectory, path))
        return Corv::CreateDirResult::Failed;
    return m_inner.CreateDirectory(path);
}

bool FaultyFileSystem::RemoveDirectory(const std::string& path) {
    return !Next(FsOp::RemoveDirectory, path) && m_inner.RemoveDirectory(path);
}

bool FaultyFileSystem::IsDirectory(const std::string& path) {
    return !Next(FsOp::IsDirectory, path) && m_inner.IsDirectory(path);
}

bool FaultyFileSystem::ListFiles(const std::string& folder, std::vector<std::string>& names) {
    return !Next(FsOp::ListFiles, folder) && m_inner.ListFiles(folder, names);
}

bool FaultyFileSystem::CopyFile(const std::string& from, const std::string& to) {
    return !Next(FsOp::CopyFile, from + " -> " + to) && m_inner.CopyFile(from, to);
}

ScopedFileSystem::ScopedFileSystem(Corv::IFileSystem& fileSystem) : m_previous(&Corv::FileSystem()) {
    Corv::SetFileSystem(&fileSystem);
}

ScopedFileSystem::~ScopedFileSystem() {
    Corv::SetFileSystem(m_previous == &Corv::RealFileSystem() ? nullptr : m_previous);
}

} // namespace CorvTest
