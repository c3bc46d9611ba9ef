#include "audio/playback.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <samplerate.h>

namespace Corv::Audio {

namespace {

// Wave frames read and converted at a time.
constexpr std::size_t kDecodeBlockFrames = 8192;

std::string MegabytesText(double bytes) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f MB", bytes / (1024.0 * 1024.0));
    return text;
}

} // namespace

struct CWaveDecoder::Converter {
    SRC_STATE* state = nullptr;
    double ratio = 1;
    ~Converter() {
        if (state != nullptr)
            src_delete(state);
    }
};

CWaveDecoder::CWaveDecoder() = default;
CWaveDecoder::~CWaveDecoder() = default;

const WaveFacts& CWaveDecoder::Facts() const {
    return m_file.Facts();
}

bool CWaveDecoder::Open(const std::string& path, const PlaybackFormat& format,
                        std::string& reason) {
    m_converter.reset();
    m_pending.clear();
    m_pendingAt = 0;
    m_inputDone = m_flushed = false;
    m_failure.clear();
    m_expectedFrames = 0;
    if (format.sampleRate < kMinSampleRate || format.sampleRate > kMaxSampleRate ||
        format.channels < 1 || format.channels > kMaxChannels) {
        reason = "the output's format (" + std::to_string(format.sampleRate) + " Hz, " +
                 std::to_string(format.channels) + " channels) cannot be played";
        return false;
    }
    if (!m_file.Open(path)) {
        reason = m_file.Facts().reason;
        return false;
    }
    m_format = format;
    const WaveFacts& facts = m_file.Facts();
    const double frames =
        std::ceil(static_cast<double>(facts.frames) * format.sampleRate / facts.sampleRate);
    const double bytes = frames * static_cast<double>(format.BytesPerFrame());
    if (bytes > static_cast<double>(kMaxPlaybackBytes)) {
        reason = "too long to play: it would take " + MegabytesText(bytes) +
                 " decoded, more than " + MegabytesText(static_cast<double>(kMaxPlaybackBytes));
        m_file.Close();
        return false;
    }
    m_expectedFrames = static_cast<std::uint64_t>(frames);
    if (facts.sampleRate != format.sampleRate) {
        m_converter = std::make_unique<Converter>();
        int error = 0;
        m_converter->state = src_new(SRC_SINC_FASTEST, format.channels, &error);
        if (m_converter->state == nullptr) {
            reason = std::string("cannot be converted: ") + src_strerror(error);
            m_file.Close();
            return false;
        }
        m_converter->ratio = static_cast<double>(format.sampleRate) / facts.sampleRate;
    }
    return true;
}

// Output channel j of a wave of n channels: n == outputs: channel j; a mono wave: channel 0;
// more channels than outputs: the mean of the channels k with k % outputs == j; fewer: channel
// j % n.
void CWaveDecoder::Mix(const float* in, std::size_t frames, std::vector<float>& out) const {
    const std::size_t n = static_cast<std::size_t>(m_file.Facts().channels);
    const std::size_t outputs = static_cast<std::size_t>(m_format.channels);
    out.resize(frames * outputs);
    for (std::size_t f = 0; f < frames; ++f) {
        const float* frame = in + f * n;
        float* target = out.data() + f * outputs;
        if (n <= outputs) {
            for (std::size_t j = 0; j < outputs; ++j)
                target[j] = frame[j % n];
            continue;
        }
        for (std::size_t j = 0; j < outputs; ++j) {
            float sum = 0;
            std::size_t count = 0;
            for (std::size_t k = j; k < n; k += outputs, ++count)
                sum += frame[k];
            target[j] = sum / static_cast<float>(count);
        }
    }
}

// Passes mixed frames through the rate converter into the pending frames; with `last` the
// converter is drained.
bool CWaveDecoder::Convert(const std::vector<float>& mixed, std::size_t frames, bool last) {
    const std::size_t outputs = static_cast<std::size_t>(m_format.channels);
    std::vector<float> converted(
        (static_cast<std::size_t>(static_cast<double>(frames) * m_converter->ratio) + 256) *
        outputs);
    SRC_DATA data{};
    // Draining takes no input, but the converter gives nothing at all for a null input.
    static const float kNoInput = 0;
    data.data_in = mixed.empty() ? &kNoInput : mixed.data();
    data.input_frames = static_cast<long>(frames);
    data.src_ratio = m_converter->ratio;
    data.end_of_input = last ? 1 : 0;
    while (true) {
        data.data_out = converted.data();
        data.output_frames = static_cast<long>(converted.size() / outputs);
        if (const int error = src_process(m_converter->state, &data); error != 0) {
            m_failure = std::string("cannot be converted: ") + src_strerror(error);
            return false;
        }
        m_pending.insert(m_pending.end(), converted.begin(),
                         converted.begin() + data.output_frames_gen * static_cast<long>(outputs));
        data.data_in += data.input_frames_used * static_cast<long>(outputs);
        data.input_frames -= data.input_frames_used;
        if (data.input_frames == 0 && (!last || data.output_frames_gen == 0))
            return true;
    }
}

// Decodes wave frames until at least `wanted` output frames are pending or the wave is over.
bool CWaveDecoder::Refill(std::size_t wanted) {
    const std::size_t outputs = static_cast<std::size_t>(m_format.channels);
    const std::size_t channels = static_cast<std::size_t>(m_file.Facts().channels);
    std::vector<float> block(kDecodeBlockFrames * channels);
    std::vector<float> mixed;
    while (!m_flushed && (m_pending.size() - m_pendingAt) / outputs < wanted) {
        const std::size_t got =
            m_inputDone ? 0 : m_file.ReadFrames(block.data(), kDecodeBlockFrames);
        if (m_file.ReadFailed()) {
            m_failure = m_file.FailureReason();
            return false;
        }
        m_inputDone = got == 0;
        Mix(block.data(), got, mixed);
        if (!m_converter)
            m_pending.insert(m_pending.end(), mixed.begin(), mixed.end());
        else if (!Convert(mixed, got, m_inputDone))
            return false;
        m_flushed = m_inputDone;
    }
    return true;
}

void CWaveDecoder::Emit(std::size_t frames, std::vector<std::uint8_t>& out) {
    const std::size_t samples = frames * static_cast<std::size_t>(m_format.channels);
    const float* from = m_pending.data() + m_pendingAt;
    const std::size_t at = out.size();
    out.resize(at + frames * m_format.BytesPerFrame());
    std::uint8_t* target = out.data() + at;
    for (std::size_t i = 0; i < samples; ++i) {
        const float v = std::clamp(from[i], -1.0f, 1.0f);
        if (m_format.type == SampleType::Float32) {
            std::memcpy(target + i * 4, &v, 4);
        } else {
            const auto s = static_cast<std::int16_t>(std::lrint(v * 32767.0f));
            std::memcpy(target + i * 2, &s, 2);
        }
    }
    m_pendingAt += samples;
    // What was handed out is dropped once it is most of the buffer.
    if (m_pendingAt * 2 > m_pending.size()) {
        m_pending.erase(m_pending.begin(), m_pending.begin() + static_cast<long>(m_pendingAt));
        m_pendingAt = 0;
    }
}

std::size_t CWaveDecoder::Decode(std::size_t frames, std::vector<std::uint8_t>& out) {
    if (m_expectedFrames == 0 || Failed() || !Refill(frames))
        return 0;
    const std::size_t pending =
        (m_pending.size() - m_pendingAt) / static_cast<std::size_t>(m_format.channels);
    const std::size_t given = std::min(frames, pending);
    Emit(given, out);
    return given;
}

bool DecodeWave(const std::string& path, const PlaybackFormat& format,
                std::vector<std::uint8_t>& out, std::string& reason) {
    out.clear();
    CWaveDecoder decoder;
    if (!decoder.Open(path, format, reason))
        return false;
    out.reserve(static_cast<std::size_t>(decoder.ExpectedFrames()) * format.BytesPerFrame());
    while (decoder.Decode(65536, out) > 0) {
    }
    if (decoder.Failed()) {
        reason = decoder.FailureReason();
        out.clear();
        return false;
    }
    return true;
}

} // namespace Corv::Audio
