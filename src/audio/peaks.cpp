#include "audio/peaks.h"

#include "audio/sound_file.h"

#include <algorithm>
#include <cassert>
#include <cmath>

namespace Corv::Audio {

std::pair<std::uint64_t, std::uint64_t> ColumnSpan(std::uint64_t column, std::uint64_t units,
                                                   std::uint64_t width) {
    assert(width > 0 && column < width);
    const std::uint64_t first = column * units / width;
    const std::uint64_t end = (column + 1) * units / width;
    return {first, std::max(end, std::min(first + 1, units))};
}

namespace {

// Folds blocks of interleaved frames into the columns, block after block; every frame is seen
// once per column that covers it.
class CColumnFolder {
public:
    CColumnFolder(WavePeaks& peaks) : m_peaks(peaks) {}

    // Frames [m_position, m_position + count) of the wave.
    void Fold(const float* samples, std::size_t count) {
        const std::uint64_t blockEnd = m_position + count;
        while (m_column < static_cast<std::uint64_t>(m_peaks.width)) {
            const auto [first, end] = ColumnSpan(m_column, m_peaks.frames, m_peaks.width);
            const std::uint64_t from = std::max(first, m_position);
            const std::uint64_t to = std::min(end, blockEnd);
            if (from < to)
                FoldRange(samples + (from - m_position) * Channels(), to - from);
            if (end > blockEnd)
                break;
            ++m_column;
        }
        m_position = blockEnd;
    }

private:
    std::size_t Channels() const { return static_cast<std::size_t>(m_peaks.channels); }

    void FoldRange(const float* samples, std::uint64_t frames) {
        const std::size_t channels = Channels();
        for (std::size_t ch = 0; ch < channels; ++ch) {
            const std::size_t at = ch * static_cast<std::size_t>(m_peaks.width) + m_column;
            float low = m_peaks.minimum[at];
            float high = m_peaks.maximum[at];
            if (!m_started[at]) {
                low = high = samples[ch];
                m_started[at] = true;
            }
            for (std::uint64_t f = 0; f < frames; ++f) {
                const float v = samples[f * channels + ch];
                low = std::min(low, v);
                high = std::max(high, v);
            }
            m_peaks.minimum[at] = low;
            m_peaks.maximum[at] = high;
            m_peaks.level = std::max({m_peaks.level, -low, high});
        }
    }

    WavePeaks& m_peaks;
    std::vector<bool> m_started = std::vector<bool>(m_peaks.minimum.size(), false);
    std::uint64_t m_column = 0;
    std::uint64_t m_position = 0;
};

WavePeaks EmptyPeaks(int channels, int width, std::uint64_t frames) {
    WavePeaks peaks;
    peaks.channels = channels;
    peaks.width = width;
    peaks.frames = frames;
    const std::size_t cells = static_cast<std::size_t>(channels) * static_cast<std::size_t>(width);
    peaks.minimum.assign(cells, 0.0f);
    peaks.maximum.assign(cells, 0.0f);
    return peaks;
}

} // namespace

PeakStatus ComputePeaks(CSoundFile& file, int width, WavePeaks& peaks, std::string& reason,
                        const StopRequest& stop) {
    const WaveFacts& facts = file.Facts();
    if (!facts.Readable()) {
        reason = facts.reason;
        return PeakStatus::NoPicture;
    }
    if (width < 1) {
        reason = "no columns were asked for";
        return PeakStatus::NoPicture;
    }
    WavePeaks result = EmptyPeaks(facts.channels, width, facts.frames);
    CColumnFolder folder(result);
    std::vector<float> block(kPeakBlockFrames * static_cast<std::size_t>(facts.channels));
    while (true) {
        if (stop && stop())
            return PeakStatus::Cancelled;
        const std::size_t got = file.ReadFrames(block.data(), kPeakBlockFrames);
        if (got == 0)
            break;
        folder.Fold(block.data(), got);
    }
    if (file.ReadFailed()) {
        reason = file.FailureReason();
        return PeakStatus::NoPicture;
    }
    peaks = std::move(result);
    return PeakStatus::Done;
}

PeakStatus ComputePeaks(const std::string& path, int width, WavePeaks& peaks, std::string& reason,
                        const StopRequest& stop) {
    CSoundFile file;
    file.Open(path);
    return ComputePeaks(file, width, peaks, reason, stop);
}

WavePeaks ReducePeaks(const WavePeaks& peaks, int width) {
    if (width < 1 || peaks.Empty())
        return {};
    WavePeaks reduced = EmptyPeaks(peaks.channels, width, peaks.frames);
    reduced.level = peaks.level;
    const auto units = static_cast<std::uint64_t>(peaks.width);
    for (int c = 0; c < width; ++c) {
        const auto [first, end] =
            ColumnSpan(static_cast<std::uint64_t>(c), units, static_cast<std::uint64_t>(width));
        for (int ch = 0; ch < peaks.channels; ++ch) {
            float low = peaks.Min(ch, static_cast<int>(first));
            float high = peaks.Max(ch, static_cast<int>(first));
            for (std::uint64_t k = first + 1; k < end; ++k) {
                low = std::min(low, peaks.Min(ch, static_cast<int>(k)));
                high = std::max(high, peaks.Max(ch, static_cast<int>(k)));
            }
            const std::size_t at = static_cast<std::size_t>(ch) * static_cast<std::size_t>(width) +
                                   static_cast<std::size_t>(c);
            reduced.minimum[at] = low;
            reduced.maximum[at] = high;
        }
    }
    return reduced;
}

} // namespace Corv::Audio
