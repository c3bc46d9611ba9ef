#include "slow_file_system.h"

#include <numeric>
#include <thread>

namespace CorvTest {

namespace {

// A file opened through the slow file system: reads and writes wait, the rest passes on.
class SlowFile final : public Corv::IFile {
public:
    SlowFile(std::unique_ptr<Corv::IFile> inner, SlowFileSystem& medium)
        : m_inner(std::move(inner)), m_medium(medium) {}

    std::int64_t Read(void* buffer, std::size_t n) override {
        m_medium.Delay(SlowOp::Read);
        return m_inner->Read(buffer, n);
    }
    bool Write(const void* buffer, std::size_t n) override {
        m_medium.Delay(SlowOp::Write);
        return m_inner->Write(buffer, n);
    }
    bool Seek(std::uint64_t offset) override { return m_inner->Seek(offset); }
    std::int64_t Size() override { return m_inner->Size(); }
    bool Sync() override { return m_inner->Sync(); }
    bool Close() override { return m_inner->Close(); }

private:
    std::unique_ptr<Corv::IFile> m_inner;
    SlowFileSystem& m_medium;
};

} // namespace

SlowFileSystem::SlowFileSystem(Corv::IFileSystem& inner, Duration latency)
    : m_inner(inner), m_latency(latency),
      m_sleep([](Duration wait) { std::this_thread::sleep_for(wait); }) {}

void SlowFileSystem::Delay(SlowOp op) {
    ++m_counts[static_cast<std::size_t>(op)];
    if (!m_oneAtATime) {
        m_sleep(m_latency);
        return;
    }
    const std::lock_guard<std::mutex> lock(m_medium);
    m_sleep(m_latency);
}

void SlowFileSystem::DelayCopy(std::uint64_t size) {
    Delay(SlowOp::Open);
    Delay(SlowOp::Open);
    for (std::uint64_t done = 0; done < size; done += kCopyChunk) {
        Delay(SlowOp::Read);
        Delay(SlowOp::Write);
    }
}

int SlowFileSystem::Delays() const {
    return std::accumulate(m_counts.begin(), m_counts.end(), 0);
}

void SlowFileSystem::ResetCounts() {
    for (std::atomic<int>& count : m_counts)
        count = 0;
}

std::unique_ptr<Corv::IFile> SlowFileSystem::Open(const std::string& path, Corv::OpenMode mode) {
    Delay(SlowOp::Open);
    auto file = m_inner.Open(path, mode);
    return file ? std::make_unique<SlowFile>(std::move(file), *this) : nullptr;
}

bool SlowFileSystem::CopyFile(const std::string& from, const std::string& to, bool sync) {
    const Corv::FileStatus source = m_inner.Status(from);
    if (source.type != Corv::FileType::Regular)
        Delay(SlowOp::Open); // the open that finds nothing to copy
    else
        DelayCopy(source.size);
    return m_inner.CopyFile(from, to, sync);
}

} // namespace CorvTest
