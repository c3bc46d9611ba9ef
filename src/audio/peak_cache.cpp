#include "audio/peak_cache.h"

#include "audio/sound_file.h"
#include "model/file_system.h"

#include <atomic>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <unistd.h>

namespace Corv::Audio {

namespace {

constexpr char kMagic[8] = {'C', 'O', 'R', 'V', 'P', 'E', 'A', 'K'};
constexpr std::uint32_t kVersion = 1;
constexpr std::size_t kLongestPath = 65536;

// Writes fixed-size values and byte runs into a byte string in the machine's byte order.
class CByteWriter {
public:
    template <class T> void Put(const T& value) {
        const auto* bytes = reinterpret_cast<const char*>(&value);
        m_bytes.append(bytes, sizeof value);
    }
    void PutBytes(const void* data, std::size_t n) {
        m_bytes.append(static_cast<const char*>(data), n);
    }
    const std::string& Bytes() const { return m_bytes; }

private:
    std::string m_bytes;
};

// Takes fixed-size values and byte runs from a byte string; every take past its end fails.
class CByteReader {
public:
    explicit CByteReader(const std::string& bytes) : m_bytes(bytes) {}
    template <class T> bool Take(T& value) { return TakeBytes(&value, sizeof value); }
    bool TakeBytes(void* data, std::size_t n) {
        if (m_bytes.size() - m_at < n)
            return false;
        std::memcpy(data, m_bytes.data() + m_at, n);
        m_at += n;
        return true;
    }
    std::size_t Left() const { return m_bytes.size() - m_at; }

private:
    const std::string& m_bytes;
    std::size_t m_at = 0;
};

std::uint64_t Fnv1a(const std::string& text) {
    std::uint64_t hash = 14695981039346656037ull;
    for (const char c : text) {
        hash ^= static_cast<unsigned char>(c);
        hash *= 1099511628211ull;
    }
    return hash;
}

bool SoundValues(const WavePeaks& peaks) {
    if (!(peaks.level >= 0.0f && peaks.level <= 1.0f))
        return false;
    for (std::size_t i = 0; i < peaks.minimum.size(); ++i) {
        const float low = peaks.minimum[i];
        const float high = peaks.maximum[i];
        if (!(low >= -1.0f && high <= 1.0f && low <= high))
            return false;
    }
    return true;
}

// The width the cache keeps for a wave of so many frames.
int StoredWidth(std::uint64_t frames) {
    return static_cast<int>(std::min<std::uint64_t>(frames, kStoredColumns));
}

bool ReadWhole(const std::string& path, std::string& bytes, std::size_t limit) {
    const std::unique_ptr<IFile> file = FileSystem().Open(path, OpenMode::Read);
    if (!file)
        return false;
    const std::int64_t size = file->Size();
    if (size < 0 || static_cast<std::uint64_t>(size) > limit)
        return false;
    bytes.resize(static_cast<std::size_t>(size));
    return file->Read(bytes.data(), bytes.size()) == size;
}

// Creates a folder and every missing folder above it; false when one cannot be made.
bool CreateFolders(const std::string& folder) {
    for (std::size_t at = folder.find('/', 1); at != std::string::npos;
         at = folder.find('/', at + 1))
        if (FileSystem().CreateDirectory(folder.substr(0, at)) == CreateDirResult::Failed)
            return false;
    return folder.back() == '/' || FileSystem().CreateDirectory(folder) != CreateDirResult::Failed;
}

} // namespace

bool IdentifyWave(const std::string& path, WaveIdentity& identity) {
    std::error_code error;
    const std::string absolute = path.empty() || path.front() == '/'
                                     ? path
                                     : std::filesystem::absolute(path, error).string();
    const FileStatus status = FileSystem().Status(absolute);
    if (status.failed || status.type != FileType::Regular)
        return false;
    identity = WaveIdentity{absolute, status.size, status.modified};
    return true;
}

CPeakCache::CPeakCache(std::string folder, std::size_t memoryBytes)
    : m_folder(std::move(folder)), m_limit(memoryBytes) {
    if (!m_folder.empty() && m_folder.back() != '/')
        m_folder += '/';
}

std::string CPeakCache::DiskFile(const WaveIdentity& identity) const {
    if (m_folder.empty())
        return {};
    char name[32];
    std::snprintf(name, sizeof name, "%016llx.peaks",
                  static_cast<unsigned long long>(Fnv1a(identity.path)));
    return m_folder + name;
}

PeakStatus CPeakCache::Peaks(const std::string& path, WavePeaks& peaks, std::string& reason,
                             const StopRequest& stop) {
    WaveIdentity identity;
    if (!IdentifyWave(path, identity)) {
        // The reader says what is wrong with it (missing, or no file at all).
        CSoundFile file;
        file.Open(path);
        reason =
            file.Facts().Readable() ? "cannot be read: not a regular file" : file.Facts().reason;
        return PeakStatus::NoPicture;
    }
    if (FromMemory(identity, peaks))
        return PeakStatus::Done;
    if (ReadDisk(identity, peaks)) {
        Remember(identity, peaks);
        return PeakStatus::Done;
    }
    CSoundFile file;
    file.Open(identity.path, FileReading::Whole);
    const PeakStatus status =
        ComputePeaks(file, StoredWidth(file.Facts().frames), peaks, reason, stop);
    if (status == PeakStatus::Done) {
        Remember(identity, peaks);
        WriteDisk(identity, peaks);
    }
    return status;
}

PeakStatus CPeakCache::Peaks(const std::string& path, int width, WavePeaks& peaks,
                             std::string& reason, const StopRequest& stop) {
    WavePeaks stored;
    const PeakStatus status = Peaks(path, stored, reason, stop);
    if (status != PeakStatus::Done)
        return status;
    // Wider than what is kept of a wave that has more frames than that (a long wave in a wide
    // detail area): the stored columns would be stretched into steps, so the columns are made
    // from the wave itself. Such peaks are drawn once, for one wave, and not kept.
    if (width > stored.width && stored.frames > static_cast<std::uint64_t>(stored.width)) {
        CSoundFile file;
        file.Open(path, FileReading::Whole);
        return ComputePeaks(file, width, peaks, reason, stop);
    }
    peaks = ReducePeaks(stored, width);
    return status;
}

bool CPeakCache::FromMemory(const WaveIdentity& identity, WavePeaks& peaks) {
    const std::lock_guard<std::mutex> lock(m_mutex);
    const auto found = m_index.find(identity);
    if (found == m_index.end())
        return false;
    m_recent.splice(m_recent.begin(), m_recent, found->second);
    peaks = found->second->peaks;
    return true;
}

namespace {

std::size_t BytesOf(const WaveIdentity& identity, const WavePeaks& peaks) {
    return sizeof(WaveIdentity) + sizeof(WavePeaks) + identity.path.size() +
           (peaks.minimum.size() + peaks.maximum.size()) * sizeof(float);
}

} // namespace

void CPeakCache::Remember(const WaveIdentity& identity, const WavePeaks& peaks) {
    const std::lock_guard<std::mutex> lock(m_mutex);
    if (m_index.count(identity) != 0)
        return;
    m_recent.push_front(Entry{identity, peaks});
    m_index[identity] = m_recent.begin();
    m_bytes += BytesOf(identity, peaks);
    // The newest entry stays even when it alone is over the limit.
    while (m_bytes > m_limit && m_recent.size() > 1) {
        const Entry& oldest = m_recent.back();
        m_bytes -= BytesOf(oldest.identity, oldest.peaks);
        m_index.erase(oldest.identity);
        m_recent.pop_back();
    }
}

void CPeakCache::ClearMemory() {
    const std::lock_guard<std::mutex> lock(m_mutex);
    m_recent.clear();
    m_index.clear();
    m_bytes = 0;
}

std::size_t CPeakCache::MemoryBytes() const {
    const std::lock_guard<std::mutex> lock(m_mutex);
    return m_bytes;
}

bool CPeakCache::ReadDisk(const WaveIdentity& identity, WavePeaks& peaks) const {
    if (m_folder.empty())
        return false;
    const std::size_t cells = static_cast<std::size_t>(kMaxChannels) * kStoredColumns;
    std::string bytes;
    if (!ReadWhole(DiskFile(identity), bytes, 256 + kLongestPath + cells * 2 * sizeof(float)))
        return false;
    CByteReader in(bytes);
    char magic[8];
    std::uint32_t version = 0, pathLength = 0, channels = 0, width = 0;
    WaveIdentity stored;
    WavePeaks read;
    if (!in.TakeBytes(magic, sizeof magic) || std::memcmp(magic, kMagic, sizeof magic) != 0 ||
        !in.Take(version) || version != kVersion || !in.Take(pathLength) ||
        pathLength > kLongestPath)
        return false;
    stored.path.resize(pathLength);
    if (!in.TakeBytes(stored.path.data(), pathLength) || !in.Take(stored.size) ||
        !in.Take(stored.modified) || !(stored == identity) || !in.Take(channels) ||
        !in.Take(width) || !in.Take(read.frames) || !in.Take(read.level))
        return false;
    if (channels < 1 || channels > static_cast<std::uint32_t>(kMaxChannels) ||
        static_cast<int>(width) != StoredWidth(read.frames) || width < 1)
        return false;
    read.channels = static_cast<int>(channels);
    read.width = static_cast<int>(width);
    const std::size_t count = std::size_t{channels} * width;
    if (in.Left() != count * 2 * sizeof(float))
        return false;
    read.minimum.resize(count);
    read.maximum.resize(count);
    in.TakeBytes(read.minimum.data(), count * sizeof(float));
    in.TakeBytes(read.maximum.data(), count * sizeof(float));
    if (!SoundValues(read))
        return false;
    peaks = std::move(read);
    return true;
}

void CPeakCache::WriteDisk(const WaveIdentity& identity, const WavePeaks& peaks) const {
    if (m_folder.empty() || identity.path.size() > kLongestPath || !CreateFolders(m_folder))
        return;
    CByteWriter out;
    out.PutBytes(kMagic, sizeof kMagic);
    out.Put(kVersion);
    out.Put(static_cast<std::uint32_t>(identity.path.size()));
    out.PutBytes(identity.path.data(), identity.path.size());
    out.Put(identity.size);
    out.Put(identity.modified);
    out.Put(static_cast<std::uint32_t>(peaks.channels));
    out.Put(static_cast<std::uint32_t>(peaks.width));
    out.Put(peaks.frames);
    out.Put(peaks.level);
    out.PutBytes(peaks.minimum.data(), peaks.minimum.size() * sizeof(float));
    out.PutBytes(peaks.maximum.data(), peaks.maximum.size() * sizeof(float));

    // A name of its own for every writer, so that two threads or programs never share a
    // half-written file; the rename puts a whole one in place.
    static std::atomic<unsigned> counter{0};
    const std::string target = DiskFile(identity);
    const std::string temporary =
        target + ".tmp" + std::to_string(::getpid()) + "-" + std::to_string(counter.fetch_add(1));
    std::unique_ptr<IFile> file = FileSystem().Open(temporary, OpenMode::CreateNew);
    if (!file)
        return;
    const bool written = file->Write(out.Bytes().data(), out.Bytes().size()) && file->Close();
    file.reset();
    if (!written || !FileSystem().Rename(temporary, target))
        FileSystem().Remove(temporary);
}

} // namespace Corv::Audio
