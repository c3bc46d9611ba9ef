#pragma once

#include "audio/sound_file.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace Corv::Audio {

// The sample type a sound output takes.
enum class SampleType {
    Int16,   // signed 16-bit integers in the machine's byte order
    Float32, // 32-bit floats in -1..1
};

// What a sound output plays: its rate, channels and sample type. Samples are interleaved.
struct PlaybackFormat {
    int sampleRate = 48000;
    int channels = 2;
    SampleType type = SampleType::Int16;

    std::size_t BytesPerFrame() const {
        return static_cast<std::size_t>(channels) * (type == SampleType::Int16 ? 2 : 4);
    }
};

// The most bytes one wave may decode to; a longer wave is refused with its reason rather than
// held in memory.
inline constexpr std::uint64_t kMaxPlaybackBytes = 64ull << 20;

// Decodes a wave into a sound output's format, a piece at a time, so that playing can start as
// soon as the first piece is there:
//
//     CWaveDecoder decoder;
//     if (!decoder.Open(path, format, reason)) { show reason; return; }
//     decoder.Decode(format.sampleRate / 4, bytes);   // a quarter of a second: start playing
//     while (decoder.Decode(65536, bytes) > 0) {}     // the rest, as the output drains
//
// The wave is converted to the output's rate with libsamplerate and to its channels by mixing: a
// mono wave goes to every output channel, a wave of more channels than the output is averaged
// down (output channel j takes the wave's channels k with k % outputs == j), one of fewer is
// spread (output channel j plays the wave's channel j % channels). One object is used by one
// thread at a time.
class CWaveDecoder {
public:
    CWaveDecoder();
    ~CWaveDecoder();
    CWaveDecoder(const CWaveDecoder&) = delete;
    CWaveDecoder& operator=(const CWaveDecoder&) = delete;

    // Opens a wave to be played in `format`. False with `reason` when the wave cannot be read
    // (see `WaveFacts`), the format is not one an output plays, or the decoded wave would be
    // larger than `kMaxPlaybackBytes`.
    bool Open(const std::string& path, const PlaybackFormat& format, std::string& reason);
    const WaveFacts& Facts() const;
    // The output frames of the whole wave: its frames at the output's rate, rounded up. The
    // converter's own rounding may give a frame or two fewer.
    std::uint64_t ExpectedFrames() const { return m_expectedFrames; }

    // Appends up to `frames` output frames (interleaved, in the output's sample type) to `out`
    // and returns how many it appended: fewer only at the end of the wave, 0 after it or once
    // reading failed (`Failed`).
    std::size_t Decode(std::size_t frames, std::vector<std::uint8_t>& out);
    bool Failed() const { return !m_failure.empty(); }
    // Why reading or converting failed ("cannot be read: ...").
    const std::string& FailureReason() const { return m_failure; }

private:
    bool Refill(std::size_t wanted);
    void Mix(const float* in, std::size_t frames, std::vector<float>& out) const;
    bool Convert(const std::vector<float>& mixed, std::size_t frames, bool last);
    void Emit(std::size_t frames, std::vector<std::uint8_t>& out);

    CSoundFile m_file;
    PlaybackFormat m_format;
    std::uint64_t m_expectedFrames = 0;
    struct Converter;
    std::unique_ptr<Converter> m_converter; // null when the rates are the same
    std::vector<float> m_pending;           // output frames decoded but not yet handed out
    std::size_t m_pendingAt = 0;            // samples of m_pending already handed out
    bool m_inputDone = false;
    bool m_flushed = false;
    std::string m_failure;
};

// Decodes a whole wave at once into `out` (replacing its content).
bool DecodeWave(const std::string& path, const PlaybackFormat& format,
                std::vector<std::uint8_t>& out, std::string& reason);

} // namespace Corv::Audio
