#include "support/audio_files.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>

namespace CorvTest {

namespace {

class Writer {
public:
    void Tag(const char* tag) { m_bytes.insert(m_bytes.end(), tag, tag + 4); }
    void Le(std::uint64_t value, int bytes) {
        for (int i = 0; i < bytes; ++i)
            m_bytes.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
    }
    void Be(std::uint64_t value, int bytes) {
        for (int i = bytes - 1; i >= 0; --i)
            m_bytes.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
    }
    void Append(const Bytes& bytes) { m_bytes.insert(m_bytes.end(), bytes.begin(), bytes.end()); }
    // A chunk: tag, length in the container's byte order, content, a pad byte when odd.
    void Chunk(const char* tag, const Bytes& content, bool bigEndian) {
        Tag(tag);
        bigEndian ? Be(content.size(), 4) : Le(content.size(), 4);
        Append(content);
        if (content.size() % 2 != 0)
            m_bytes.push_back(0);
    }
    Bytes& Get() { return m_bytes; }

private:
    Bytes m_bytes;
};

std::int64_t Quantized(double v, int bits) {
    const double scale = std::ldexp(1.0, bits - 1);
    const double limit = scale - 1;
    return static_cast<std::int64_t>(std::clamp(std::round(v * scale), -scale, limit));
}

// The samples as the file stores them.
Bytes SampleBytes(const AudioSpec& spec, const std::vector<double>& samples, bool bigEndian) {
    Writer out;
    const int bytes = spec.bits / 8;
    for (const double v : samples) {
        std::uint64_t word = 0;
        if (spec.floating) {
            const float f = static_cast<float>(v);
            std::uint32_t bits = 0;
            std::memcpy(&bits, &f, 4);
            word = bits;
        } else if (spec.bits == 8 && spec.container != AudioContainer::Aiff &&
                   spec.container != AudioContainer::Aifc) {
            word = static_cast<std::uint64_t>(Quantized(v, 8) + 128); // WAV: unsigned bytes
        } else {
            word = static_cast<std::uint64_t>(Quantized(v, spec.bits));
        }
        bigEndian ? out.Be(word, bytes) : out.Le(word, bytes);
    }
    return out.Get();
}

// An 80-bit IEEE extended number (the AIFF sample rate).
Bytes Extended(double value) {
    Writer out;
    int exponent = 0;
    const double mantissa = std::frexp(value, &exponent); // value = mantissa * 2^exponent
    out.Be(static_cast<std::uint64_t>(exponent - 1 + 16383), 2);
    out.Be(static_cast<std::uint64_t>(std::ldexp(mantissa, 64)), 8);
    return out.Get();
}

Bytes WavBytes(const AudioSpec& spec, const std::vector<double>& samples) {
    const bool extensible = spec.container == AudioContainer::WavExtensible;
    const int blockAlign = spec.channels * spec.bits / 8;
    Writer fmt;
    fmt.Le(extensible ? 0xFFFE : spec.floating ? 3 : 1, 2);
    fmt.Le(static_cast<std::uint64_t>(spec.channels), 2);
    fmt.Le(static_cast<std::uint64_t>(spec.sampleRate), 4);
    fmt.Le(static_cast<std::uint64_t>(spec.sampleRate * blockAlign), 4);
    fmt.Le(static_cast<std::uint64_t>(blockAlign), 2);
    fmt.Le(static_cast<std::uint64_t>(spec.bits), 2);
    if (extensible) {
        fmt.Le(22, 2);
        fmt.Le(static_cast<std::uint64_t>(spec.bits), 2); // valid bits
        fmt.Le(0, 4);                                     // channel mask
        // The sub-format GUID of PCM or IEEE float: xxxxxxxx-0000-0010-8000-00aa00389b71.
        fmt.Le(spec.floating ? 3 : 1, 4);
        fmt.Append({0x00, 0x00, 0x10, 0x00, 0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71});
    }
    Writer body;
    body.Tag("WAVE");
    body.Chunk("fmt ", fmt.Get(), false);
    body.Chunk("data", SampleBytes(spec, samples, false), false);
    if (spec.loop) {
        Writer smpl;
        for (int i = 0; i < 7; ++i) // manufacturer ... SMPTE offset
            smpl.Le(i == 3 ? 60 : 0, 4);
        smpl.Le(1, 4); // one loop
        smpl.Le(0, 4); // no sampler data
        smpl.Le(0, 4); // cue point id
        smpl.Le(0, 4); // forward
        smpl.Le(spec.loop->start, 4);
        smpl.Le(spec.loop->end - 1, 4); // the chunk names the loop's last frame
        smpl.Le(0, 4);
        smpl.Le(0, 4); // play forever
        body.Chunk("smpl", smpl.Get(), false);
    }
    Writer file;
    file.Chunk("RIFF", body.Get(), false);
    return file.Get();
}

Bytes AiffBytes(const AudioSpec& spec, const std::vector<double>& samples) {
    const bool aifc = spec.container == AudioContainer::Aifc;
    const std::size_t frames = samples.size() / static_cast<std::size_t>(spec.channels);
    Writer comm;
    comm.Be(static_cast<std::uint64_t>(spec.channels), 2);
    comm.Be(frames, 4);
    comm.Be(static_cast<std::uint64_t>(spec.bits), 2);
    comm.Append(Extended(spec.sampleRate));
    if (aifc) {
        comm.Tag(spec.floating ? "fl32" : spec.littleEndian ? "sowt" : "NONE");
        comm.Append({0, 0}); // an empty name (a count byte and a pad byte)
    }
    Writer body;
    body.Tag(aifc ? "AIFC" : "AIFF");
    if (aifc) {
        Writer version;
        version.Be(0xA2805140, 4);
        body.Chunk("FVER", version.Get(), true);
    }
    body.Chunk("COMM", comm.Get(), true);
    if (spec.loop) {
        Writer mark;
        mark.Be(2, 2);
        for (int id = 1; id <= 2; ++id) {
            mark.Be(static_cast<std::uint64_t>(id), 2);
            mark.Be(id == 1 ? spec.loop->start : spec.loop->end, 4);
            mark.Append({0, 0}); // an empty name, padded
        }
        body.Chunk("MARK", mark.Get(), true);
        Writer inst;
        inst.Append({60, 0, 0, 127, 1, 127}); // base note, detune, notes, velocities
        inst.Be(0, 2);                        // gain
        inst.Be(1, 2);                        // sustain loop: forward, markers 1 and 2
        inst.Be(1, 2);
        inst.Be(2, 2);
        inst.Be(0, 6); // no release loop
        body.Chunk("INST", inst.Get(), true);
    }
    Writer ssnd;
    ssnd.Be(0, 8); // offset and block size
    ssnd.Append(SampleBytes(spec, samples, !(aifc && spec.littleEndian)));
    body.Chunk("SSND", ssnd.Get(), true);
    Writer file;
    file.Chunk("FORM", body.Get(), true);
    return file.Get();
}

} // namespace

AudioSpec Spec(AudioContainer container, int sampleRate, int channels, int bits, bool floating,
               bool littleEndian) {
    AudioSpec spec;
    spec.container = container;
    spec.sampleRate = sampleRate;
    spec.channels = channels;
    spec.bits = bits;
    spec.floating = floating;
    spec.littleEndian = littleEndian;
    return spec;
}

Bytes AudioBytes(const AudioSpec& spec, const std::vector<double>& samples) {
    if (spec.container == AudioContainer::Wav || spec.container == AudioContainer::WavExtensible)
        return WavBytes(spec, samples);
    return AiffBytes(spec, samples);
}

std::vector<double> Sawtooth(std::size_t frames, int channels) {
    std::vector<double> samples;
    samples.reserve(frames * static_cast<std::size_t>(channels));
    for (std::size_t f = 0; f < frames; ++f)
        for (int c = 0; c < channels; ++c)
            samples.push_back(std::fmod(static_cast<double>(f % 200) / 100.0 + c * 0.1, 2.0) - 1.0);
    return samples;
}

} // namespace CorvTest
