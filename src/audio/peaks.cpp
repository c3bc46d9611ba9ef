#include "audio/peaks.h"

#include "audio/sound_file.h"

#include <algorithm>
#include <cassert>
#include <cmath>
#include <limits>
#include <memory>
#include <type_traits>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace Corv::Audio {

std::pair<std::uint64_t, std::uint64_t> ColumnSpan(std::uint64_t column, std::uint64_t units,
                                                   std::uint64_t width) {
    assert(width > 0 && column < width);
    const std::uint64_t first = column * units / width;
    const std::uint64_t end = (column + 1) * units / width;
    return {first, std::max(end, std::min(first + 1, units))};
}

namespace {

// Lowers `low` and raises `high` (one each per channel) to the lowest and highest sample of
// `frames` interleaved frames. The running values stay in local variables (the samples and the
// results may be of one type, which would otherwise make every step a store), and the common
// channel counts are fixed at compile time so that the loops can be vectorised.
template <std::size_t C, class T> void FoldFixed(const T* s, std::size_t frames, T* low, T* high) {
    T l[C], h[C];
    for (std::size_t ch = 0; ch < C; ++ch) {
        l[ch] = low[ch];
        h[ch] = high[ch];
    }
    for (std::size_t f = 0; f < frames; ++f)
        for (std::size_t ch = 0; ch < C; ++ch) {
            const T v = s[f * C + ch];
            l[ch] = v < l[ch] ? v : l[ch];
            h[ch] = v > h[ch] ? v : h[ch];
        }
    for (std::size_t ch = 0; ch < C; ++ch) {
        low[ch] = l[ch];
        high[ch] = h[ch];
    }
}

#if defined(__SSE2__)
// The same for 16-bit samples of one or two channels, eight samples at a time as they lie in
// memory: lane k of the vector sees channel k % channels only, and the lanes of a channel are
// joined at the end. The last eight samples are taken as one more vector, overlapping the ones
// before (they start on a frame, and a sample seen twice changes nothing). Most waves are such,
// and their columns are short (a few dozen frames), where this beats what the compiler makes of
// the loop above.
bool FoldShortLanes(const std::int16_t* s, std::size_t frames, std::size_t channels,
                    std::int16_t* low, std::int16_t* high) {
    const std::size_t count = frames * channels;
    if (channels > 2 || count < 8)
        return false;
    const auto load = [s](std::size_t at) {
        return _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + at));
    };
    __m128i l = load(count - 8);
    __m128i h = l;
    for (std::size_t i = 0; i + 8 < count; i += 8) {
        const __m128i v = load(i);
        l = _mm_min_epi16(l, v);
        h = _mm_max_epi16(h, v);
    }
    l = _mm_min_epi16(l, _mm_shuffle_epi32(l, _MM_SHUFFLE(1, 0, 3, 2)));
    h = _mm_max_epi16(h, _mm_shuffle_epi32(h, _MM_SHUFFLE(1, 0, 3, 2)));
    l = _mm_min_epi16(l, _mm_shuffle_epi32(l, _MM_SHUFFLE(2, 3, 0, 1)));
    h = _mm_max_epi16(h, _mm_shuffle_epi32(h, _MM_SHUFFLE(2, 3, 0, 1)));
    if (channels == 1) {
        l = _mm_min_epi16(l, _mm_shufflelo_epi16(l, _MM_SHUFFLE(2, 3, 0, 1)));
        h = _mm_max_epi16(h, _mm_shufflelo_epi16(h, _MM_SHUFFLE(2, 3, 0, 1)));
    }
    low[0] = std::min(low[0], static_cast<std::int16_t>(_mm_extract_epi16(l, 0)));
    high[0] = std::max(high[0], static_cast<std::int16_t>(_mm_extract_epi16(h, 0)));
    if (channels == 2) {
        low[1] = std::min(low[1], static_cast<std::int16_t>(_mm_extract_epi16(l, 1)));
        high[1] = std::max(high[1], static_cast<std::int16_t>(_mm_extract_epi16(h, 1)));
    }
    return true;
}
#endif

template <class T>
void FoldSamples(const T* s, std::size_t frames, std::size_t channels, T* low, T* high) {
#if defined(__SSE2__)
    if constexpr (std::is_same_v<T, std::int16_t>)
        if (FoldShortLanes(s, frames, channels, low, high))
            return;
#endif
    switch (channels) {
    case 1:
        return FoldFixed<1>(s, frames, low, high);
    case 2:
        return FoldFixed<2>(s, frames, low, high);
    default:
        for (std::size_t ch = 0; ch < channels; ++ch) {
            T l = low[ch], h = high[ch];
            for (std::size_t f = 0; f < frames; ++f) {
                const T v = s[f * channels + ch];
                l = v < l ? v : l;
                h = v > h ? v : h;
            }
            low[ch] = l;
            high[ch] = h;
        }
    }
}

// Folds blocks of interleaved frames into the columns, block after block; every frame is seen
// once per column that covers it. Samples stay in the type they were read in (16-bit integers
// or floats) until the end.
template <class T> class CColumnFolder {
public:
    CColumnFolder(int channels, int width, std::uint64_t frames)
        : m_channels(static_cast<std::size_t>(channels)),
          m_width(static_cast<std::uint64_t>(width)), m_frames(frames),
          m_low(m_channels * static_cast<std::size_t>(width), std::numeric_limits<T>::max()),
          m_high(m_low.size(), std::numeric_limits<T>::lowest()), m_step(frames / m_width),
          m_stepRest(frames % m_width), m_rawEnd(m_step), m_rest(m_stepRest) {
        SetEnd();
    }

    // Frames [m_position, m_position + count) of the wave.
    void Fold(const T* samples, std::size_t count) {
        const std::uint64_t blockEnd = m_position + count;
        while (m_column < m_width) {
            const std::uint64_t from = std::max(m_first, m_position);
            const std::uint64_t to = std::min(m_end, blockEnd);
            if (from < to) {
                const std::size_t cell = static_cast<std::size_t>(m_column) * m_channels;
                FoldSamples(samples + (from - m_position) * m_channels,
                            static_cast<std::size_t>(to - from), m_channels, m_low.data() + cell,
                            m_high.data() + cell);
            }
            if (m_end > blockEnd)
                break;
            NextColumn();
        }
        m_position = blockEnd;
    }

    // The peaks in -1..1; a column no frame reached (a wave shorter than its header said) is 0.
    // Such a column holds the type's extremes the wrong way round, which neither the lowest
    // minimum nor the highest maximum ever is: the level is taken over all columns at once.
    void Finish(WavePeaks& peaks, float scale) const {
        const T lowest = *std::min_element(m_low.begin(), m_low.end());
        const T highest = *std::max_element(m_high.begin(), m_high.end());
        if (lowest <= highest)
            peaks.level = std::max({peaks.level, -static_cast<float>(lowest) * scale,
                                    static_cast<float>(highest) * scale});
        for (std::size_t ch = 0; ch < m_channels; ++ch) {
            float* minimum = peaks.minimum.data() + ch * static_cast<std::size_t>(m_width);
            float* maximum = peaks.maximum.data() + ch * static_cast<std::size_t>(m_width);
            for (std::size_t column = 0; column < m_width; ++column) {
                const std::size_t cell = column * m_channels + ch;
                const bool reached = m_low[cell] <= m_high[cell];
                minimum[column] = reached ? static_cast<float>(m_low[cell]) * scale : 0.0f;
                maximum[column] = reached ? static_cast<float>(m_high[cell]) * scale : 0.0f;
            }
        }
    }

private:
    // The span of the next column, as `ColumnSpan` gives it, without a division: (c + 1) *
    // frames / width grows by frames / width, and by one more whenever the remainders add up to
    // a width.
    void NextColumn() {
        ++m_column;
        m_first = m_rawEnd;
        m_rawEnd += m_step;
        m_rest += m_stepRest;
        if (m_rest >= m_width) {
            ++m_rawEnd;
            m_rest -= m_width;
        }
        SetEnd();
    }
    void SetEnd() { m_end = std::max(m_rawEnd, std::min(m_first + 1, m_frames)); }

    std::size_t m_channels;
    std::uint64_t m_width;
    std::uint64_t m_frames;
    std::vector<T> m_low;  // [column * channels + channel]
    std::vector<T> m_high; // [column * channels + channel]
    std::uint64_t m_step;
    std::uint64_t m_stepRest;
    std::uint64_t m_column = 0;
    std::uint64_t m_first = 0; // the current column's first frame
    std::uint64_t m_rawEnd;    // (column + 1) * frames / width
    std::uint64_t m_rest;      // (column + 1) * frames % width
    std::uint64_t m_end = 0;   // the current column's end, never before its first frame + 1
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

// Reads the rest of the wave block by block into the columns; `read` is the file's read
// function for samples of type T.
template <class T, class Read>
PeakStatus FoldWave(CSoundFile& file, WavePeaks& peaks, float scale, Read read,
                    const StopRequest& stop) {
    CColumnFolder<T> folder(peaks.channels, peaks.width, peaks.frames);
    // A short wave takes a block of its own length: most waves are far shorter than a block,
    // and a big allocation for each costs more than reading it.
    const std::size_t blockFrames =
        static_cast<std::size_t>(std::clamp<std::uint64_t>(peaks.frames, 1, kPeakBlockFrames));
    // Not cleared: only what a read filled is looked at.
    const std::unique_ptr<T[]> block(new T[blockFrames * static_cast<std::size_t>(peaks.channels)]);
    while (true) {
        if (stop && stop())
            return PeakStatus::Cancelled;
        const std::size_t got = (file.*read)(block.get(), blockFrames);
        if (got == 0)
            break;
        folder.Fold(block.get(), got);
    }
    folder.Finish(peaks, scale);
    return PeakStatus::Done;
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
    const PeakStatus status =
        file.HasShortSamples()
            ? FoldWave<std::int16_t>(file, result, 1.0f / 32768, &CSoundFile::ReadShortFrames, stop)
            : FoldWave<float>(file, result, 1.0f, &CSoundFile::ReadFrames, stop);
    if (status != PeakStatus::Done)
        return status;
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
    file.Open(path, FileReading::Whole);
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
