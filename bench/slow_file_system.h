#pragma once

#include "model/file_system.h"

#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

// Benchmark support: a file system on a slow medium (a memory card behind a reader, a
// network share), simulated over another file system.
namespace CorvTest {

// The operations a slow medium makes wait: each costs one fixed latency.
enum class SlowOp { Open, Read, Write, Rename, ListFolder };
inline constexpr std::size_t kSlowOpCount = 5;

// Passes every call on to another file system (the real one by default) and first waits one
// latency for every open, read, write, rename and folder listing; the other calls (status,
// seek, size, sync, close, remove, folders made or removed) pass on at once. A CopyFile costs
// what a copy on the medium costs, two opens and a read and a write per started chunk of
// `kCopyChunk` bytes, and is then passed on whole. Safe to use from several threads.
//
// To load through it: `SlowFileSystem slow; ScopedFileSystem scope(slow);` (faulty_file_system.h)
// installs it around the real file system until the scope ends.
class SlowFileSystem : public Corv::IFileSystem {
public:
    using Duration = std::chrono::nanoseconds;
    // How the latency is waited for; tests install one that only counts.
    using Sleep = std::function<void(Duration)>;
    static constexpr std::uint64_t kCopyChunk = std::uint64_t{1} << 20;

    explicit SlowFileSystem(Corv::IFileSystem& inner = Corv::RealFileSystem(),
                            Duration latency = std::chrono::milliseconds(1));

    Duration Latency() const { return m_latency; }
    void SetSleep(Sleep sleep) { m_sleep = std::move(sleep); }
    // A medium that serves one request at a time: the waits of concurrent callers queue up
    // instead of overlapping (off by default).
    void SetOneRequestAtATime(bool on) { m_oneAtATime = on; }

    // Waits one latency as the medium would for the operation, and counts it. Baselines that do
    // their file work outside the seam call it to pay the same price.
    void Delay(SlowOp op);
    // Waits what copying `size` bytes on the medium costs (see the class comment).
    void DelayCopy(std::uint64_t size);

    // The waits since construction or the last ResetCounts, in total and per operation.
    int Delays() const;
    int Delays(SlowOp op) const { return m_counts[static_cast<std::size_t>(op)]; }
    void ResetCounts();

    std::unique_ptr<Corv::IFile> Open(const std::string& path, Corv::OpenMode mode) override;
    bool Rename(const std::string& from, const std::string& to) override {
        Delay(SlowOp::Rename);
        return m_inner.Rename(from, to);
    }
    bool Remove(const std::string& path) override { return m_inner.Remove(path); }
    Corv::CreateDirResult CreateDirectory(const std::string& path) override {
        return m_inner.CreateDirectory(path);
    }
    Corv::CreateDirResult CreatePrivateDirectory(const std::string& path) override {
        return m_inner.CreatePrivateDirectory(path);
    }
    bool RemoveDirectory(const std::string& path) override { return m_inner.RemoveDirectory(path); }
    bool IsDirectory(const std::string& path) override { return m_inner.IsDirectory(path); }
    Corv::FileStatus Status(const std::string& path) override { return m_inner.Status(path); }
    bool ListFolder(const std::string& folder, std::vector<Corv::DirEntry>& entries) override {
        Delay(SlowOp::ListFolder);
        return m_inner.ListFolder(folder, entries);
    }
    bool ListFolderStatus(const std::string& folder,
                          std::vector<Corv::EntryStatus>& entries) override {
        Delay(SlowOp::ListFolder);
        return m_inner.ListFolderStatus(folder, entries);
    }
    bool CopyFile(const std::string& from, const std::string& to, bool sync) override;
    bool SyncDirectory(const std::string& path) override { return m_inner.SyncDirectory(path); }
    bool SameDirectory(const std::string& a, const std::string& b) override {
        return m_inner.SameDirectory(a, b);
    }
    std::uint32_t UserId() override { return m_inner.UserId(); }
    // A slow medium is read side by side as the file system under it allows.
    bool AllowsParallelWork() override { return m_inner.AllowsParallelWork(); }

private:
    Corv::IFileSystem& m_inner;
    const Duration m_latency;
    Sleep m_sleep;
    bool m_oneAtATime = false;
    std::mutex m_medium; // held through a wait when the medium serves one request at a time
    std::array<std::atomic<int>, kSlowOpCount> m_counts{};
};

} // namespace CorvTest
