#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace Corv::Audio {

class CSoundFile;

// The picture of a wave: the lowest and highest sample of each column, per channel, and the
// loudest sample of the whole wave.
//
// Column c of `width` columns covers the frames [c * frames / width, (c + 1) * frames / width)
// (integer division). With more columns than frames some of those ranges are empty; such a
// column shows the one frame at c * frames / width, so that a short wave is stretched rather
// than drawn with gaps.
struct WavePeaks {
    int channels = 0;
    int width = 0;
    std::uint64_t frames = 0;   // the frames the columns cover
    std::vector<float> minimum; // [channel * width + column], -1..1
    std::vector<float> maximum; // [channel * width + column], -1..1, never below the minimum
    float level = 0;            // the largest magnitude of any sample, 0..1

    float Min(int channel, int column) const { return minimum[Index(channel, column)]; }
    float Max(int channel, int column) const { return maximum[Index(channel, column)]; }
    bool Empty() const { return width == 0; }
    bool operator==(const WavePeaks&) const = default;

private:
    std::size_t Index(int channel, int column) const {
        return static_cast<std::size_t>(channel) * static_cast<std::size_t>(width) +
               static_cast<std::size_t>(column);
    }
};

// The units (frames, or the columns of finer peaks) that column `column` of `width` covers out
// of `units`: [first, end), never empty (see `WavePeaks`).
std::pair<std::uint64_t, std::uint64_t> ColumnSpan(std::uint64_t column, std::uint64_t units,
                                                   std::uint64_t width);

// Asked between blocks of a computation; true stops it (a row scrolled out of sight).
using StopRequest = std::function<bool()>;

enum class PeakStatus {
    Done,
    NoPicture, // the wave cannot be read (the reason is given)
    Cancelled, // the stop request said so
};

// The frames read at a time: the memory a computation holds is this many frames of samples.
inline constexpr std::size_t kPeakBlockFrames = 65536;

// Computes the peaks of an opened wave from its current position (a file just opened: the whole
// wave) for `width` columns (1 or more), reading in blocks of `kPeakBlockFrames`.
PeakStatus ComputePeaks(CSoundFile& file, int width, WavePeaks& peaks, std::string& reason,
                        const StopRequest& stop = {});
// The same for a wave file, which is opened and closed; `reason` says why a wave has no picture
// (the instrument's own format, or what keeps it from being read).
PeakStatus ComputePeaks(const std::string& path, int width, WavePeaks& peaks, std::string& reason,
                        const StopRequest& stop = {});

// Peaks for fewer columns made from finer ones: column c takes the columns `ColumnSpan` gives
// over the finer columns. Where the finer peaks have one column per frame the result is exactly
// what `ComputePeaks` gives for the narrower width. A width at or above the peaks' own width
// spreads their columns the same way. A width below 1 gives empty peaks.
WavePeaks ReducePeaks(const WavePeaks& peaks, int width);

} // namespace Corv::Audio
