#pragma once

#include <cstdint>
#include <optional>
#include <vector>

// Test support: WAV, AIFF and AIFC files written from samples, so that what a reader gives
// back can be checked against what was written.
namespace CorvTest {

using Bytes = std::vector<std::uint8_t>;

enum class AudioContainer {
    Wav,           // RIFF/WAVE with a plain "fmt " chunk (format 1 or 3)
    WavExtensible, // RIFF/WAVE with WAVE_FORMAT_EXTENSIBLE
    Aiff,          // FORM/AIFF, big-endian PCM
    Aifc,          // FORM/AIFC: "NONE" (big-endian PCM), "sowt" (little-endian) or "fl32"
};

// How an audio file is made. A loop is written as a WAV "smpl" chunk or as an AIFF "INST"
// chunk with its two "MARK" markers; `end` is the frame after the loop's last.
struct AudioSpec {
    AudioContainer container = AudioContainer::Wav;
    int sampleRate = 44100;
    int channels = 1;
    int bits = 16;             // 8, 16, 24 or 32; 32 with `floating`
    bool floating = false;     // IEEE floats (WAV format 3, AIFC "fl32")
    bool littleEndian = false; // AIFC "sowt"
    struct Loop {
        std::uint32_t start = 0;
        std::uint32_t end = 0;
    };
    std::optional<Loop> loop;
};

// A spec without a loop.
AudioSpec Spec(AudioContainer container, int sampleRate, int channels, int bits,
               bool floating = false, bool littleEndian = false);

// The bytes of an audio file holding `samples` (interleaved, -1..1). An integer sample is v
// scaled by 2^(bits-1), rounded and kept within the type, so that 0.5, 0.25 or -1 come back
// exactly.
Bytes AudioBytes(const AudioSpec& spec, const std::vector<double>& samples);

// `frames` frames of a sawtooth per channel (channel k starts k * 0.1 higher), for files whose
// content matters less than their size.
std::vector<double> Sawtooth(std::size_t frames, int channels);

} // namespace CorvTest
