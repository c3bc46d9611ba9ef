#include "audio/sound_file.h"
#include "audio_fixture.h"
#include "support/faulty_file_system.h"

#include <cmath>
#include <fcntl.h>
#include <unistd.h>

namespace CorvAudioTest {
namespace {

using Corv::Audio::CSoundFile;
using Corv::Audio::ReadWaveFacts;
using Corv::Audio::WaveFacts;
using Corv::Audio::WaveLoop;

struct DecodeCase {
    const char* name;
    AudioSpec spec;
    const char* format;
};

const DecodeCase kDecodeCases[] = {
    {"wav-pcm8", Spec(AudioContainer::Wav, 22050, 2, 8), "wav"},
    {"wav-pcm16", Spec(AudioContainer::Wav, 44100, 2, 16), "wav"},
    {"wav-pcm24", Spec(AudioContainer::Wav, 48000, 2, 24), "wav"},
    {"wav-pcm32", Spec(AudioContainer::Wav, 96000, 2, 32), "wav"},
    {"wav-float", Spec(AudioContainer::Wav, 44100, 2, 32, true), "wav"},
    {"wav-extensible-pcm16", Spec(AudioContainer::WavExtensible, 32000, 2, 16), "wav"},
    {"wav-extensible-pcm24", Spec(AudioContainer::WavExtensible, 44100, 2, 24), "wav"},
    {"wav-extensible-float", Spec(AudioContainer::WavExtensible, 48000, 2, 32, true), "wav"},
    {"aiff-pcm8", Spec(AudioContainer::Aiff, 11025, 2, 8), "aiff"},
    {"aiff-pcm16", Spec(AudioContainer::Aiff, 44100, 2, 16), "aiff"},
    {"aiff-pcm24", Spec(AudioContainer::Aiff, 88200, 2, 24), "aiff"},
    {"aiff-pcm32", Spec(AudioContainer::Aiff, 44100, 2, 32), "aiff"},
    {"aifc-none16", Spec(AudioContainer::Aifc, 44100, 2, 16), "aifc"},
    {"aifc-sowt16", Spec(AudioContainer::Aifc, 44100, 2, 16, false, true), "aifc"},
    {"aifc-sowt24", Spec(AudioContainer::Aifc, 48000, 2, 24, false, true), "aifc"},
    {"aifc-float", Spec(AudioContainer::Aifc, 44100, 2, 32, true), "aifc"},
};

class WaveReader : public AudioTest {};

// Every format variant gives its facts and gives back the samples it was written with.
TEST_F(WaveReader, DecodesEveryFormatExactly) {
    for (const DecodeCase& c : kDecodeCases) {
        SCOPED_TRACE(c.name);
        const std::string path = WriteAudio(std::string(c.name) + ".bin", c.spec, kStereo);
        CSoundFile file;
        ASSERT_TRUE(file.Open(path)) << file.Facts().reason;
        const WaveFacts& facts = file.Facts();
        EXPECT_EQ(facts.format, c.format);
        EXPECT_EQ(facts.reason, "");
        EXPECT_EQ(facts.sampleRate, c.spec.sampleRate);
        EXPECT_EQ(facts.channels, 2);
        EXPECT_EQ(facts.bits, c.spec.bits);
        EXPECT_EQ(facts.frames, kStereo.size() / 2);
        EXPECT_DOUBLE_EQ(facts.seconds, 6.0 / c.spec.sampleRate);
        EXPECT_FALSE(facts.loop.has_value());
        std::vector<float> samples(32, 9.0f);
        // Read in two pieces: the second starts where the first ended.
        ASSERT_EQ(file.ReadFrames(samples.data(), 4), 4u);
        ASSERT_EQ(file.ReadFrames(samples.data() + 8, 10), 2u);
        EXPECT_EQ(file.ReadFrames(samples.data(), 10), 0u);
        EXPECT_FALSE(file.ReadFailed());
        for (std::size_t i = 0; i < kStereo.size(); ++i)
            EXPECT_EQ(samples[i], static_cast<float>(kStereo[i])) << "sample " << i;
    }
}

TEST_F(WaveReader, FloatSamplesAreKeptWithinFullScale) {
    const AudioSpec spec = Spec(AudioContainer::Wav, 44100, 1, 32, true);
    const std::string path = WriteAudio("loud.wav", spec, {2.0, -3.0, 0.5, std::nan("")});
    CSoundFile file;
    ASSERT_TRUE(file.Open(path));
    std::vector<float> samples(4);
    ASSERT_EQ(file.ReadFrames(samples.data(), 4), 4u);
    EXPECT_EQ(samples, (std::vector<float>{1.0f, -1.0f, 0.5f, 0.0f}));
}

struct LoopCase {
    const char* name;
    AudioContainer container;
    AudioSpec::Loop written;
    std::optional<WaveLoop> read;
};

TEST_F(WaveReader, ReadsTheLoopOfTheSamplerChunk) {
    const LoopCase cases[] = {
        {"wav smpl", AudioContainer::Wav, {100, 300}, WaveLoop{100, 300}},
        {"wav extensible smpl", AudioContainer::WavExtensible, {0, 1000}, WaveLoop{0, 1000}},
        {"aiff inst/mark", AudioContainer::Aiff, {250, 900}, WaveLoop{250, 900}},
        {"aifc inst/mark", AudioContainer::Aifc, {1, 2}, WaveLoop{1, 2}},
        // A loop past the wave's end is kept to the wave; one that starts after it is left out.
        {"wav smpl past the end", AudioContainer::Wav, {500, 5000}, WaveLoop{500, 1000}},
        {"wav smpl after the end", AudioContainer::Wav, {2000, 3000}, std::nullopt},
        {"aiff empty loop", AudioContainer::Aiff, {400, 400}, std::nullopt},
    };
    for (const LoopCase& c : cases) {
        SCOPED_TRACE(c.name);
        AudioSpec spec = Spec(c.container, 44100, 1, 16);
        spec.loop = c.written;
        const WaveFacts facts =
            ReadWaveFacts(WriteAudio("loop.bin", spec, CorvTest::Sawtooth(1000, 1)));
        EXPECT_EQ(facts.reason, "");
        EXPECT_EQ(facts.frames, 1000u);
        EXPECT_EQ(facts.loop, c.read);
    }
}

// A RIFF/WAVE file with a "fmt " chunk of these values and a data chunk of `dataBytes`
// claimed and `present` bytes there.
Bytes WavHeader(int format, int channels, int rate, int bits, std::uint32_t claimed,
                std::size_t present) {
    Bytes b;
    const auto le = [&](std::uint64_t v, int n) {
        for (int i = 0; i < n; ++i)
            b.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
    };
    const auto tag = [&](const char* t) {
        for (int i = 0; i < 4; ++i)
            b.push_back(static_cast<std::uint8_t>(t[i]));
    };
    const int align = channels * bits / 8;
    tag("RIFF");
    le(36 + claimed, 4);
    tag("WAVE");
    tag("fmt ");
    le(16, 4);
    le(static_cast<std::uint64_t>(format), 2);
    le(static_cast<std::uint64_t>(channels), 2);
    le(static_cast<std::uint64_t>(rate), 4);
    le(static_cast<std::uint64_t>(rate * align), 4);
    le(static_cast<std::uint64_t>(align), 2);
    le(static_cast<std::uint64_t>(bits), 2);
    tag("data");
    le(claimed, 4);
    b.resize(b.size() + present, 0x11);
    return b;
}

struct BadCase {
    const char* name;
    std::string file;
    Bytes bytes;
    const char* format;
    const char* reason; // the start of the reason
};

TEST_F(WaveReader, RefusesBadInputWithItsReason) {
    const Bytes wav = CorvTest::AudioBytes({}, kStereo);
    const BadCase cases[] = {
        {"empty file", "a.wav", {}, "unreadable", "cannot be read: the file is too short"},
        {"cut header", "a.wav", Bytes(wav.begin(), wav.begin() + 30), "unreadable",
         "cannot be read: "},
        {"not audio", "a.wav", Bytes(100, 'x'), "unreadable", "cannot be read: not a WAV or AIFF"},
        {"no frames", "a.wav", WavHeader(1, 2, 44100, 16, 0, 0), "unreadable",
         "cannot be read: the file holds no samples"},
        {"17 channels", "a.wav", WavHeader(1, 17, 44100, 16, 34 * 10, 34 * 10), "unreadable",
         "cannot be read: 17 channels (at most 16 are read)"},
        {"rate too low", "a.wav", WavHeader(1, 1, 999, 16, 100, 100), "unreadable",
         "cannot be read: a sample rate of 999 Hz"},
        {"rate too high", "a.wav", WavHeader(1, 1, 768001, 16, 100, 100), "unreadable",
         "cannot be read: a sample rate of 768001 Hz"},
        {"mu-law", "a.wav", WavHeader(7, 1, 8000, 8, 100, 100), "unreadable",
         "cannot be read: compressed samples"},
        {"instrument w00", "001 Pad.w00", wav, "instrument", "the instrument's own format"},
        {"instrument VPW", "Pad.VPW", wav, "instrument", "the instrument's own format"},
    };
    for (const BadCase& c : cases) {
        SCOPED_TRACE(c.name);
        CSoundFile file;
        EXPECT_FALSE(file.Open(Write(c.file, c.bytes)));
        const WaveFacts& facts = file.Facts();
        EXPECT_EQ(facts.format, c.format);
        EXPECT_EQ(facts.reason.rfind(c.reason, 0), 0u) << facts.reason;
        EXPECT_EQ(facts.frames, 0u);
        EXPECT_EQ(facts.channels, 0);
        float sample = 0;
        EXPECT_EQ(file.ReadFrames(&sample, 1), 0u);
    }
    const WaveFacts missing = ReadWaveFacts(m_temp / "missing.wav");
    EXPECT_EQ(missing.format, "unreadable");
    EXPECT_EQ(missing.reason, "cannot be read: No such file or directory");
}

// A data chunk that claims more bytes than the file has counts only the frames that are there.
TEST_F(WaveReader, CountsOnlyTheFramesTheFileHolds) {
    const WaveFacts facts =
        ReadWaveFacts(Write("long.wav", WavHeader(1, 2, 44100, 16, 4000000, 400)));
    EXPECT_EQ(facts.format, "wav");
    EXPECT_EQ(facts.frames, 100u);
    CSoundFile file;
    ASSERT_TRUE(file.Open(m_temp / "long.wav"));
    std::vector<float> samples(1000 * 2);
    EXPECT_EQ(file.ReadFrames(samples.data(), 1000), 100u);
}

// A 2 GB file (sparse: it takes no room) is read for its facts at once, without reading it.
TEST_F(WaveReader, ReadsTheFactsOfAHugeFileQuickly) {
    const std::string path = Write("huge.wav", WavHeader(1, 2, 44100, 16, 0x7FFFFF00u, 0));
    ASSERT_EQ(::truncate(path.c_str(), 0x80000000LL), 0);
    const CorvTest::Deadline deadline(10);
    const WaveFacts facts = ReadWaveFacts(path);
    EXPECT_EQ(facts.format, "wav");
    EXPECT_EQ(facts.frames, 0x7FFFFF00u / 4);
}

// A read that fails on the way is a wave that cannot be read, never a short one.
TEST_F(WaveReader, AFailedReadIsReported) {
    const std::string path = WriteAudio("a.wav", {}, CorvTest::Sawtooth(200000, 1));
    CorvTest::InstalledFaultyFileSystem faulty;
    CSoundFile file;
    ASSERT_TRUE(file.Open(path));
    faulty.FailNth(CorvTest::FsOp::Read, 2);
    std::vector<float> samples(200000);
    std::size_t total = 0;
    while (const std::size_t got = file.ReadFrames(samples.data(), 65536))
        total += got;
    EXPECT_LT(total, 200000u);
    EXPECT_TRUE(file.ReadFailed());
    EXPECT_EQ(file.FailureReason().rfind("cannot be read: ", 0), 0u);
    // Failing the open itself says so too.
    faulty.FailNth(CorvTest::FsOp::Open, 1);
    EXPECT_EQ(ReadWaveFacts(path).format, "unreadable");
    // So does the one read of a file read whole.
    CSoundFile whole;
    faulty.FailNth(CorvTest::FsOp::Read, 1);
    EXPECT_FALSE(whole.Open(path, Corv::Audio::FileReading::Whole));
    EXPECT_EQ(whole.Facts().format, "unreadable");
    EXPECT_EQ(whole.Facts().reason.rfind("cannot be read: ", 0), 0u) << whole.Facts().reason;
    EXPECT_EQ(whole.Facts().reason.find("too short"), std::string::npos) << whole.Facts().reason;
    ASSERT_TRUE(whole.Open(path, Corv::Audio::FileReading::Whole));
    EXPECT_EQ(whole.ReadFrames(samples.data(), 200000), 200000u);
}

} // namespace
} // namespace CorvAudioTest
