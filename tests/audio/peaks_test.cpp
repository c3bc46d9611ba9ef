#include "audio/peaks.h"
#include "audio/sound_file.h"
#include "audio_fixture.h"

#include <cmath>
#include <fcntl.h>
#include <unistd.h>

namespace CorvAudioTest {
namespace {

using Corv::Audio::ColumnSpan;
using Corv::Audio::ComputePeaks;
using Corv::Audio::PeakStatus;
using Corv::Audio::ReducePeaks;
using Corv::Audio::WavePeaks;

class Peaks : public AudioTest {
protected:
    WavePeaks Computed(const std::string& path, int width) {
        WavePeaks peaks;
        std::string reason;
        EXPECT_EQ(ComputePeaks(path, width, peaks, reason), PeakStatus::Done) << reason;
        return peaks;
    }
    // Peaks worked out from the samples by the column rule, one column at a time.
    static WavePeaks Expected(const std::vector<double>& samples, int channels, int width) {
        WavePeaks peaks;
        peaks.channels = channels;
        peaks.width = width;
        peaks.frames = samples.size() / static_cast<std::size_t>(channels);
        for (int ch = 0; ch < channels; ++ch)
            for (int c = 0; c < width; ++c) {
                const auto [first, end] = ColumnSpan(c, peaks.frames, width);
                float low = 2, high = -2;
                for (auto f = first; f < end; ++f) {
                    const auto v = static_cast<float>(samples[f * channels + ch]);
                    low = std::min(low, v);
                    high = std::max(high, v);
                    peaks.level = std::max({peaks.level, v, -v});
                }
                peaks.minimum.push_back(low);
                peaks.maximum.push_back(high);
            }
        return peaks;
    }
};

TEST_F(Peaks, ColumnsCoverTheFramesTheRuleGives) {
    struct Case {
        std::uint64_t column, frames, width, first, end;
    };
    const Case cases[] = {
        {0, 10, 3, 0, 3},
        {1, 10, 3, 3, 6},
        {2, 10, 3, 6, 10}, // 10 frames in 3 columns
        {0, 2, 4, 0, 1},
        {1, 2, 4, 0, 1},
        {2, 2, 4, 1, 2}, // more columns than frames:
        {3, 2, 4, 1, 2},
        {0, 1, 800, 0, 1},
        {799, 1, 800, 0, 1}, // the frame under the column
        {1023, 1ull << 40, 1024, 1023ull << 30, 1ull << 40},
    };
    for (const Case& c : cases) {
        const auto [first, end] = ColumnSpan(c.column, c.frames, c.width);
        EXPECT_EQ(first, c.first) << c.column << " of " << c.width << " over " << c.frames;
        EXPECT_EQ(end, c.end) << c.column << " of " << c.width << " over " << c.frames;
    }
}

TEST_F(Peaks, KnownSamplesGiveExactColumns) {
    // 6 frames of stereo into 4 columns: frames {0}, {1, 2}, {3}, {4, 5}.
    const std::string path = WriteAudio("a.wav", Spec(AudioContainer::Wav, 8000, 2, 16), kStereo);
    const WavePeaks peaks = Computed(path, 4);
    ASSERT_EQ(peaks.width, 4);
    ASSERT_EQ(peaks.channels, 2);
    EXPECT_EQ(peaks.frames, 6u);
    EXPECT_EQ(peaks.minimum, (std::vector<float>{0.5f, -1.0f, 0.0f, -0.5f,         // left
                                                 -0.25f, 0.25f, -0.5f, -0.125f})); // right
    EXPECT_EQ(peaks.maximum, (std::vector<float>{0.5f, 0.25f, 0.0f, 0.125f,        // left
                                                 -0.25f, 0.5f, -0.5f, 0.75f}));    // right
    EXPECT_EQ(peaks.level, 1.0f);
    EXPECT_EQ(peaks.Min(1, 3), -0.125f);
    EXPECT_EQ(peaks.Max(0, 1), 0.25f);
}

// Across the blocks of a long wave, for every width, the columns are those of the rule.
TEST_F(Peaks, StreamedColumnsMatchTheRuleForAnyWidth) {
    const auto samples = CorvTest::Sawtooth(150001, 2);
    const std::string path =
        WriteAudio("long.wav", Spec(AudioContainer::Wav, 44100, 2, 16), samples);
    // What the file holds is the samples rounded to 16 bits.
    std::vector<double> stored;
    for (const double v : samples)
        stored.push_back(std::clamp(std::round(v * 32768), -32768.0, 32767.0) / 32768);
    for (const int width : {1, 7, 1024, 65536, 150001, 200000})
        EXPECT_EQ(Computed(path, width), Expected(stored, 2, width)) << width;
}

// A file is read whole or in blocks, and 16-bit samples of one or two channels are folded
// eight at a time: whichever way, every sample format and channel count gives the columns of the
// rule over the samples as the reader gives them one by one, the loudest sample of a column
// lying anywhere within it (the last frames of the wave too).
TEST_F(Peaks, EveryFormatGivesTheRuleWhicheverWayItIsRead) {
    using Corv::Audio::CSoundFile;
    using Corv::Audio::FileReading;
    struct Case {
        const char* name;
        AudioSpec spec;
    };
    const Case cases[] = {
        {"wav-pcm8-mono", Spec(AudioContainer::Wav, 22050, 1, 8)},
        {"wav-pcm16-mono", Spec(AudioContainer::Wav, 44100, 1, 16)},
        {"wav-pcm16-stereo", Spec(AudioContainer::Wav, 44100, 2, 16)},
        {"wav-pcm16-3ch", Spec(AudioContainer::Wav, 44100, 3, 16)},
        {"wav-pcm16-8ch", Spec(AudioContainer::WavExtensible, 48000, 8, 16)},
        {"wav-pcm24-stereo", Spec(AudioContainer::Wav, 48000, 2, 24)},
        {"wav-pcm32-mono", Spec(AudioContainer::Wav, 96000, 1, 32)},
        {"wav-float-stereo", Spec(AudioContainer::Wav, 44100, 2, 32, true)},
        {"aiff-pcm8-stereo", Spec(AudioContainer::Aiff, 11025, 2, 8)},
        {"aiff-pcm16-stereo", Spec(AudioContainer::Aiff, 44100, 2, 16)},
        {"aifc-sowt16-mono", Spec(AudioContainer::Aifc, 44100, 1, 16, false, true)},
    };
    constexpr std::size_t kFrames = 1237; // no multiple of eight
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto channels = static_cast<std::size_t>(c.spec.channels);
        std::vector<double> samples;
        std::uint32_t seed = 12345;
        for (std::size_t i = 0; i < kFrames * channels; ++i) {
            seed = seed * 1664525u + 1013904223u;
            samples.push_back(static_cast<double>(seed >> 8) / (1u << 24) * 1.6 - 0.8);
        }
        // Full scale at both ends of a lane, in the middle and in the wave's very last samples.
        samples[3] = -1.0;
        samples[8 * channels + channels - 1] = 0.9921875;
        samples[samples.size() / 2] = -0.96875;
        samples[samples.size() - 1] = -1.0;
        samples[samples.size() - 2] = 0.9375;
        const std::string path = WriteAudio(std::string(c.name) + ".bin", c.spec, samples);
        CSoundFile reader;
        ASSERT_TRUE(reader.Open(path)) << reader.Facts().reason;
        std::vector<float> stored(kFrames * channels);
        ASSERT_EQ(reader.ReadFrames(stored.data(), kFrames), kFrames);
        const std::vector<double> read(stored.begin(), stored.end());
        for (const int width : {1, 7, 100, static_cast<int>(kFrames), 2000}) {
            const WavePeaks expected = Expected(read, c.spec.channels, width);
            for (const FileReading reading : {FileReading::Whole, FileReading::Streamed}) {
                CSoundFile file;
                ASSERT_TRUE(file.Open(path, reading));
                WavePeaks peaks;
                std::string reason;
                ASSERT_EQ(ComputePeaks(file, width, peaks, reason), PeakStatus::Done) << reason;
                EXPECT_EQ(peaks, expected) << width << " columns, "
                                           << (reading == FileReading::Whole ? "whole" : "blocks");
            }
        }
    }
}

TEST_F(Peaks, MoreColumnsThanFramesStretchTheWave) {
    const std::string path =
        WriteAudio("short.wav", Spec(AudioContainer::Wav, 8000, 1, 16), {0.5, -0.25});
    const WavePeaks peaks = Computed(path, 5);
    EXPECT_EQ(peaks.minimum, (std::vector<float>{0.5f, 0.5f, 0.5f, -0.25f, -0.25f}));
    EXPECT_EQ(peaks.maximum, peaks.minimum);
}

TEST_F(Peaks, ReducedPeaksEqualPeaksComputedForTheNarrowerWidth) {
    struct Case {
        std::size_t frames;
        int stored;
        int width;
    };
    // Exact wherever a stored column is one frame, or the widths and frames divide evenly.
    const Case cases[] = {{300, 300, 7},     {300, 300, 300},    {300, 300, 1},
                          {4096, 1024, 256}, {8192, 1024, 1024}, {5, 5, 9}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.frames) + " frames, " + std::to_string(c.stored) + " -> " +
                     std::to_string(c.width));
        const std::string path = WriteAudio("r.wav", Spec(AudioContainer::Wav, 8000, 2, 16),
                                            CorvTest::Sawtooth(c.frames, 2));
        EXPECT_EQ(ReducePeaks(Computed(path, c.stored), c.width), Computed(path, c.width));
    }
    EXPECT_TRUE(ReducePeaks(WavePeaks(), 10).Empty());
}

TEST_F(Peaks, AStopRequestEndsTheComputation) {
    const std::string path = WriteAudio("a.wav", Spec(AudioContainer::Wav, 44100, 1, 16),
                                        CorvTest::Sawtooth(5 * Corv::Audio::kPeakBlockFrames, 1));
    int asked = 0;
    WavePeaks peaks;
    peaks.width = 99;
    std::string reason;
    EXPECT_EQ(ComputePeaks(path, 100, peaks, reason, [&] { return ++asked == 3; }),
              PeakStatus::Cancelled);
    EXPECT_EQ(asked, 3);        // asked between blocks, and no further
    EXPECT_EQ(peaks.width, 99); // nothing half-made is handed out
}

// A 2 GB wave is read block by block (memory stays bounded) and can be stopped at any time.
TEST_F(Peaks, AHugeWaveCanBeStopped) {
    const std::string path =
        WriteAudio("huge.wav", Spec(AudioContainer::Wav, 44100, 2, 16), {0.5, 0.5});
    ASSERT_EQ(::truncate(path.c_str(), 0x80000000LL), 0);
    // The data chunk still says 4 bytes: the facts say 1 frame, and the peaks are quick.
    EXPECT_EQ(Computed(path, 10).frames, 1u);
    const CorvTest::Deadline deadline(20);
    int blocks = 0;
    WavePeaks peaks;
    std::string reason;
    std::vector<std::uint8_t> header(
        CorvTest::AudioBytes(Spec(AudioContainer::Wav, 44100, 2, 16), {0.5, 0.5}));
    // A header that claims the whole file.
    const std::uint32_t claimed = 0x80000000u - 44;
    for (int i = 0; i < 4; ++i)
        header[40 + i] = static_cast<std::uint8_t>(claimed >> (8 * i));
    const int fd = ::open(path.c_str(), O_WRONLY);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::pwrite(fd, header.data(), 44, 0), 44);
    ::close(fd);
    EXPECT_EQ(ComputePeaks(path, 800, peaks, reason, [&] { return ++blocks > 20; }),
              PeakStatus::Cancelled);
}

TEST_F(Peaks, AWaveWithoutPictureSaysWhy) {
    WavePeaks peaks;
    std::string reason;
    EXPECT_EQ(ComputePeaks(Write("001 Pad.w00", Bytes(100, 1)), 10, peaks, reason),
              PeakStatus::NoPicture);
    EXPECT_EQ(reason, "the instrument's own format");
    EXPECT_EQ(ComputePeaks(Write("x.wav", Bytes(100, 1)), 10, peaks, reason),
              PeakStatus::NoPicture);
    EXPECT_EQ(reason, "cannot be read: not a WAV or AIFF file");
    const std::string good = WriteAudio("good.wav", Spec(AudioContainer::Wav, 8000, 1, 16), {0.5});
    EXPECT_EQ(ComputePeaks(good, 0, peaks, reason), PeakStatus::NoPicture);
    EXPECT_TRUE(peaks.Empty());
}

} // namespace
} // namespace CorvAudioTest
