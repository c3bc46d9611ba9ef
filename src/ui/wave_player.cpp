#include "ui/wave_player.h"

#include <QFile>
#include <algorithm>
#include <cstring>

namespace CorvDesktop {

namespace {

using Corv::Audio::CWaveDecoder;
using Corv::Audio::PlaybackFormat;

// How far ahead of the output the stream decodes, and how much one piece of decoding takes:
// a tenth of a second decodes in well under a millisecond, so the window never waits.
constexpr double kSecondsAhead = 1.0;
constexpr int kPiecesPerSecond = 10;
constexpr int kTickMilliseconds = 20;

} // namespace

QString NoOutputText() {
    return QObject::tr("No audio output available");
}

CDecodedStream::CDecodedStream(std::unique_ptr<CWaveDecoder> decoder, const PlaybackFormat& format,
                               QObject* parent)
    : QIODevice(parent), m_decoder(std::move(decoder)), m_format(format) {}

bool CDecodedStream::DecodeMore(std::size_t frames) {
    if (m_done)
        return false;
    // What was handed out already is dropped before the buffer grows again.
    if (m_readAt > 0 && m_readAt * 2 >= m_bytes.size()) {
        m_bytes.erase(m_bytes.begin(), m_bytes.begin() + static_cast<std::ptrdiff_t>(m_readAt));
        m_readAt = 0;
    }
    if (m_decoder->Decode(frames, m_bytes) < frames)
        m_done = true;
    emit readyRead();
    return !m_done;
}

bool CDecodedStream::Drained() const {
    return m_done && m_readAt >= m_bytes.size();
}

double CDecodedStream::SecondsAhead() const {
    const double bytesPerSecond =
        static_cast<double>(m_format.BytesPerFrame()) * static_cast<double>(m_format.sampleRate);
    return static_cast<double>(m_bytes.size() - m_readAt) / bytesPerSecond;
}

qint64 CDecodedStream::bytesAvailable() const {
    return static_cast<qint64>(m_bytes.size() - m_readAt) + QIODevice::bytesAvailable();
}

qint64 CDecodedStream::readData(char* data, qint64 maxSize) {
    const std::size_t count =
        std::min(static_cast<std::size_t>(std::max<qint64>(maxSize, 0)), m_bytes.size() - m_readAt);
    if (count > 0)
        std::memcpy(data, m_bytes.data() + m_readAt, count);
    m_readAt += count;
    return static_cast<qint64>(count);
}

CWavePlayer::CWavePlayer(std::unique_ptr<ISoundOutput> output, QObject* parent)
    : IWavePlayer(parent), m_output(std::move(output)) {
    m_timer.setInterval(kTickMilliseconds);
    connect(&m_timer, &QTimer::timeout, this, &CWavePlayer::Tick);
}

CWavePlayer::~CWavePlayer() {
    if (m_stream)
        m_output->Stop();
}

bool CWavePlayer::Play(const QString& path) {
    Stop();
    PlaybackFormat format;
    if (!m_output->PreferredFormat(format)) {
        emit Unavailable(NoOutputText());
        return false;
    }
    auto decoder = std::make_unique<CWaveDecoder>();
    std::string reason;
    if (!decoder->Open(QFile::encodeName(path).toStdString(), format, reason)) {
        emit Refused(QString::fromStdString(reason));
        return false;
    }
    auto stream = std::make_unique<CDecodedStream>(std::move(decoder), format);
    // The first quarter of a second is there before the output asks: sound starts at once.
    stream->DecodeMore(static_cast<std::size_t>(format.sampleRate / 4));
    stream->open(QIODevice::ReadOnly);
    if (!m_output->Start(stream.get(), format)) {
        emit Unavailable(NoOutputText());
        return false;
    }
    m_stream = std::move(stream);
    m_rate = format.sampleRate;
    m_path = path;
    m_timer.start();
    return true;
}

void CWavePlayer::Stop() {
    if (!m_stream)
        return;
    m_timer.stop();
    m_output->Stop();
    m_stream.reset();
    m_path.clear();
    emit Stopped();
}

void CWavePlayer::Tick() {
    if (!m_stream)
        return;
    if (m_stream->SecondsAhead() < kSecondsAhead)
        m_stream->DecodeMore(static_cast<std::size_t>(std::max(1, m_rate / kPiecesPerSecond)));
    emit PositionChanged(static_cast<double>(m_output->PlayedMicroseconds()) / 1e6);
    // The end of the wave, or an output that went away: the audition is over either way.
    if ((m_output->RanDry() && m_stream->Drained()) || m_output->Failed())
        Stop();
}

} // namespace CorvDesktop
