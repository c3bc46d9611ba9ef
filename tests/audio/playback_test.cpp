#include "audio/playback.h"
#include "audio_fixture.h"

#include <cmath>
#include <cstring>

namespace CorvAudioTest {
namespace {

using Corv::Audio::CWaveDecoder;
using Corv::Audio::DecodeWave;
using Corv::Audio::PlaybackFormat;
using Corv::Audio::SampleType;

PlaybackFormat Format(int rate, int channels, SampleType type) {
    PlaybackFormat format;
    format.sampleRate = rate;
    format.channels = channels;
    format.type = type;
    return format;
}

std::vector<std::int16_t> Shorts(const std::vector<std::uint8_t>& bytes) {
    std::vector<std::int16_t> samples(bytes.size() / 2);
    std::memcpy(samples.data(), bytes.data(), samples.size() * 2);
    return samples;
}

std::vector<float> Floats(const std::vector<std::uint8_t>& bytes) {
    std::vector<float> samples(bytes.size() / 4);
    std::memcpy(samples.data(), bytes.data(), samples.size() * 4);
    return samples;
}

class Playback : public AudioTest {};

// A 22050 Hz mono wave played at 48000 Hz in stereo: the frames at the new rate, the sound in
// both channels, and a sine still a sine of the same loudness.
TEST_F(Playback, ConvertsRateAndChannels) {
    std::vector<double> sine(22050);
    for (std::size_t i = 0; i < sine.size(); ++i)
        sine[i] = 0.5 * std::sin(2 * M_PI * 441.0 * static_cast<double>(i) / 22050.0);
    const std::string path = WriteAudio("mono.wav", Spec(AudioContainer::Wav, 22050, 1, 16), sine);
    std::vector<std::uint8_t> bytes;
    std::string reason;
    ASSERT_TRUE(DecodeWave(path, Format(48000, 2, SampleType::Int16), bytes, reason)) << reason;
    const std::vector<std::int16_t> samples = Shorts(bytes);
    const std::size_t frames = samples.size() / 2;
    EXPECT_NEAR(static_cast<double>(frames), 48000.0, 2.0);
    int loudest = 0;
    for (std::size_t f = 0; f < frames; ++f) {
        ASSERT_EQ(samples[2 * f], samples[2 * f + 1]) << "frame " << f;
        loudest = std::max(loudest, std::abs(static_cast<int>(samples[2 * f])));
    }
    EXPECT_NEAR(loudest, 16384, 400);
    // A sample in the middle lies on the sine at its time.
    const double expected = 0.5 * std::sin(2 * M_PI * 441.0 * 24000.0 / 48000.0) * 32767;
    EXPECT_NEAR(samples[2 * 24000], expected, 400);
}

TEST_F(Playback, TheSameRatePassesSamplesUnchanged) {
    const std::string path = WriteAudio("s.aif", Spec(AudioContainer::Aiff, 44100, 2, 24), kStereo);
    std::vector<std::uint8_t> bytes;
    std::string reason;
    ASSERT_TRUE(DecodeWave(path, Format(44100, 2, SampleType::Float32), bytes, reason));
    const std::vector<float> expected(kStereo.begin(), kStereo.end());
    EXPECT_EQ(Floats(bytes), expected);
    ASSERT_TRUE(DecodeWave(path, Format(44100, 2, SampleType::Int16), bytes, reason));
    EXPECT_EQ(Shorts(bytes), (std::vector<std::int16_t>{16384, -8192, -32767, 8192, 8192, 16384, 0,
                                                        -16384, -16384, 24575, 4096, -4096}));
}

TEST_F(Playback, MixesChannelsUpAndDown) {
    const std::string path = WriteAudio("s.wav", Spec(AudioContainer::Wav, 8000, 2, 16), kStereo);
    struct Case {
        int channels;
        std::vector<float> first2Frames;
    };
    const Case cases[] = {
        {1, {0.125f, -0.375f}},                                        // the mean of left and right
        {3, {0.5f, -0.25f, 0.5f, -1.0f, 0.25f, -1.0f}},                // left, right, left
        {4, {0.5f, -0.25f, 0.5f, -0.25f, -1.0f, 0.25f, -1.0f, 0.25f}}, // left, right, left, right
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.channels);
        std::vector<std::uint8_t> bytes;
        std::string reason;
        ASSERT_TRUE(DecodeWave(path, Format(8000, c.channels, SampleType::Float32), bytes, reason));
        const std::vector<float> samples = Floats(bytes);
        ASSERT_EQ(samples.size(), 6u * static_cast<std::size_t>(c.channels));
        EXPECT_EQ(std::vector<float>(samples.begin(), samples.begin() + 2 * c.channels),
                  c.first2Frames);
    }
}

// Piece by piece gives the same bytes as all at once, whatever the pieces.
TEST_F(Playback, DecodingInPiecesGivesTheWholeWave) {
    const std::string path = WriteAudio("long.wav", Spec(AudioContainer::Wav, 44100, 2, 16),
                                        CorvTest::Sawtooth(30000, 2));
    const PlaybackFormat format = Format(48000, 2, SampleType::Int16);
    std::vector<std::uint8_t> whole;
    std::string reason;
    ASSERT_TRUE(DecodeWave(path, format, whole, reason));
    for (const std::size_t piece : {1u, 1000u, 12000u}) {
        CWaveDecoder decoder;
        ASSERT_TRUE(decoder.Open(path, format, reason));
        EXPECT_EQ(decoder.ExpectedFrames(), 32654u); // 30000 * 48000 / 44100, rounded up
        std::vector<std::uint8_t> bytes;
        std::size_t calls = 0;
        while (const std::size_t got = decoder.Decode(piece, bytes)) {
            ASSERT_LE(got, piece);
            ++calls;
        }
        EXPECT_EQ(bytes, whole) << piece;
        EXPECT_GE(calls, whole.size() / format.BytesPerFrame() / piece);
        EXPECT_FALSE(decoder.Failed());
    }
    EXPECT_NEAR(static_cast<double>(whole.size() / 4), 32654.0, 2.0);
}

TEST_F(Playback, RefusesWhatCannotBePlayed) {
    std::string reason;
    std::vector<std::uint8_t> bytes{1, 2, 3};
    // 9 minutes of 16-bit stereo at 48000 Hz decode to 99 MB: refused, though the file is small
    // enough to write (a mono 1000 Hz wave of 540000 frames, 1 MB).
    const std::string longWave = WriteAudio("long.wav", Spec(AudioContainer::Wav, 1000, 1, 16),
                                            std::vector<double>(540000, 0.0));
    EXPECT_FALSE(DecodeWave(longWave, Format(48000, 2, SampleType::Int16), bytes, reason));
    EXPECT_EQ(reason.rfind("too long to play: it would take 98.9 MB decoded", 0), 0u) << reason;
    EXPECT_TRUE(bytes.empty());
    EXPECT_TRUE(DecodeWave(longWave, Format(1000, 1, SampleType::Int16), bytes, reason));

    EXPECT_FALSE(DecodeWave(Write("001 Pad.w00", Bytes(10, 0)), Format(48000, 2, SampleType::Int16),
                            bytes, reason));
    EXPECT_EQ(reason, "the instrument's own format");
    EXPECT_FALSE(DecodeWave(longWave, Format(48000, 0, SampleType::Int16), bytes, reason));
    EXPECT_EQ(reason, "the output's format (48000 Hz, 0 channels) cannot be played");
    CWaveDecoder decoder;
    EXPECT_FALSE(decoder.Open(m_temp / "missing.wav", Format(48000, 2, SampleType::Int16), reason));
    EXPECT_EQ(decoder.Decode(100, bytes), 0u);
}

} // namespace
} // namespace CorvAudioTest
