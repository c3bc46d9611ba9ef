// Wave files: any input is read as a wave (through the file-system seam, from memory), its
// peaks are computed and it is decoded for playing.
//
// Properties: a wave that opens has sound facts (1 to 16 channels, a rate in the range read, at
// least one frame, a loop inside the wave); one that does not says why. Its peaks lie in -1..1
// with no column's minimum above its maximum, and the level is the largest magnitude of any
// column. Decoding gives whole frames, never more than the limit, and at the wave's own rate
// exactly as many frames as the facts name (fewer only when a read failed).
#include "audio/peaks.h"
#include "audio/playback.h"
#include "audio/sound_file.h"
#include "fuzz_check.h"
#include "model/file_system.h"
#include "support/memory_file_system.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>

namespace {

using namespace Corv::Audio;

const char* const kPath = "/wave.wav";

void CheckFacts(const WaveFacts& facts, bool opened) {
    FUZZ_CHECK(opened == facts.Readable());
    if (!opened) {
        FUZZ_CHECK(!facts.reason.empty() && facts.frames == 0);
        return;
    }
    FUZZ_CHECK(facts.reason.empty());
    FUZZ_CHECK(facts.channels >= 1 && facts.channels <= kMaxChannels);
    FUZZ_CHECK(facts.sampleRate >= kMinSampleRate && facts.sampleRate <= kMaxSampleRate);
    FUZZ_CHECK(facts.frames > 0);
    FUZZ_CHECK(!facts.loop ||
               (facts.loop->start < facts.loop->end && facts.loop->end <= facts.frames));
}

void CheckPeaks(const WavePeaks& peaks, int width, int channels) {
    FUZZ_CHECK(peaks.width == width && peaks.channels == channels);
    float loudest = 0;
    for (std::size_t i = 0; i < peaks.minimum.size(); ++i) {
        FUZZ_CHECK(peaks.minimum[i] >= -1.0f && peaks.maximum[i] <= 1.0f);
        FUZZ_CHECK(peaks.minimum[i] <= peaks.maximum[i]);
        loudest = std::max({loudest, -peaks.minimum[i], peaks.maximum[i]});
    }
    FUZZ_CHECK(peaks.level == loudest);
    const WavePeaks reduced = ReducePeaks(peaks, std::max(1, width / 3));
    FUZZ_CHECK(reduced.level == peaks.level);
}

void CheckDecode(const WaveFacts& facts, int rate, int channels) {
    PlaybackFormat format;
    format.sampleRate = rate;
    format.channels = channels;
    std::vector<std::uint8_t> bytes;
    std::string reason;
    if (!DecodeWave(kPath, format, bytes, reason)) {
        FUZZ_CHECK(!reason.empty() && bytes.empty());
        return;
    }
    FUZZ_CHECK(bytes.size() % format.BytesPerFrame() == 0);
    FUZZ_CHECK(bytes.size() <= kMaxPlaybackBytes);
    if (rate == facts.sampleRate)
        FUZZ_CHECK(bytes.size() / format.BytesPerFrame() == facts.frames);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    CorvTest::MemoryFileSystem memory;
    Corv::SetFileSystem(&memory);
    {
        auto file = memory.Open(kPath, Corv::OpenMode::Write);
        FUZZ_CHECK(file && file->Write(data, size));
    }
    CSoundFile sound;
    const bool opened = sound.Open(kPath);
    const WaveFacts facts = sound.Facts();
    CheckFacts(facts, opened);
    const int width = size > 0 ? 1 + data[size - 1] : 1;
    WavePeaks peaks;
    std::string reason;
    const PeakStatus status = ComputePeaks(sound, width, peaks, reason);
    FUZZ_CHECK((status == PeakStatus::Done) == opened);
    if (opened) {
        CheckPeaks(peaks, width, facts.channels);
        CheckDecode(facts, facts.sampleRate, 1 + width % 3);
        // A rate conversion costs more: only for short waves.
        if (facts.frames < 20000)
            CheckDecode(facts, 48000, 2);
    }
    Corv::SetFileSystem(nullptr);
    return 0;
}
