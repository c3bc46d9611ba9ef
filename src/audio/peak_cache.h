#pragma once

#include "audio/peaks.h"

#include <cstddef>
#include <cstdint>
#include <list>
#include <map>
#include <mutex>
#include <string>

namespace Corv::Audio {

// Which file a wave's peaks were made from: a file that changed (its size or the time of its
// last change) is another file and gets new peaks.
struct WaveIdentity {
    std::string path; // absolute
    std::uint64_t size = 0;
    std::int64_t modified = 0; // nanoseconds
    bool operator==(const WaveIdentity&) const = default;
    auto operator<=>(const WaveIdentity&) const = default;
};

// The identity of the file at a path as the file-system seam sees it now; false when it is no
// regular file (or its status cannot be read). A relative path is made absolute.
bool IdentifyWave(const std::string& path, WaveIdentity& identity);

// The columns per channel the cache keeps of a wave (fewer for a wave of fewer frames): the list
// and the detail area both draw from them through `ReducePeaks`.
inline constexpr int kStoredColumns = 1024;

// Peaks of waves at the stored resolution, kept in memory (the most recently used, up to a
// number of bytes) and, when given a folder, on disk as one file per wave that later runs read
// instead of the wave. A disk file is written under a temporary name and renamed into place, and
// is used only when its magic, version, identity and sizes all hold; anything else is computed
// anew and written over. Every function may be called from several threads at once; two
// threads asking for the same new wave may both compute it.
class CPeakCache {
public:
    // `folder` empty: memory only. The folder is created, level by level, when first written.
    explicit CPeakCache(std::string folder = {}, std::size_t memoryBytes = 32u << 20);

    // The stored-resolution peaks of a wave: from memory, from disk, or computed (and kept).
    // NoPicture with `reason` for a wave that has none; Cancelled when `stop` said so (nothing is
    // kept then).
    PeakStatus Peaks(const std::string& path, WavePeaks& peaks, std::string& reason,
                     const StopRequest& stop = {});
    // The same reduced to `width` columns (`ReducePeaks`); wider than the stored columns, a wave
    // of more frames than those is read again at that width.
    PeakStatus Peaks(const std::string& path, int width, WavePeaks& peaks, std::string& reason,
                     const StopRequest& stop = {});

    // The disk file that holds (or would hold) a wave's peaks; empty without a folder.
    std::string DiskFile(const WaveIdentity& identity) const;
    // Forgets what memory holds (the disk files stay).
    void ClearMemory();
    // Bytes of peaks held in memory now.
    std::size_t MemoryBytes() const;

private:
    bool FromMemory(const WaveIdentity& identity, WavePeaks& peaks);
    void Remember(const WaveIdentity& identity, const WavePeaks& peaks);
    bool ReadDisk(const WaveIdentity& identity, WavePeaks& peaks) const;
    void WriteDisk(const WaveIdentity& identity, const WavePeaks& peaks) const;

    struct Entry {
        WaveIdentity identity;
        WavePeaks peaks;
    };
    std::string m_folder;
    std::size_t m_limit;
    mutable std::mutex m_mutex;
    std::list<Entry> m_recent; // most recently used first
    std::map<WaveIdentity, std::list<Entry>::iterator> m_index;
    std::size_t m_bytes = 0;
};

} // namespace Corv::Audio
