#include "ui/sound_output.h"

#include <QAudioDevice>
#include <QMediaDevices>
#include <algorithm>

namespace CorvDesktop {

namespace {

using Corv::Audio::PlaybackFormat;
using Corv::Audio::SampleType;

QAudioFormat ToQt(const PlaybackFormat& format) {
    QAudioFormat qt;
    qt.setSampleRate(format.sampleRate);
    qt.setChannelCount(format.channels);
    qt.setSampleFormat(format.type == SampleType::Float32 ? QAudioFormat::Float
                                                          : QAudioFormat::Int16);
    return qt;
}

} // namespace

// How often the device is fed: well within the time its buffer lasts.
constexpr int kFeedMilliseconds = 10;

CSoundOutput::CSoundOutput() {
    m_feed.setInterval(kFeedMilliseconds);
    QObject::connect(&m_feed, &QTimer::timeout, &m_feed, [this] { Feed(); });
}

CSoundOutput::~CSoundOutput() {
    Stop();
}

bool CSoundOutput::PreferredFormat(PlaybackFormat& format) {
    const QAudioDevice device = QMediaDevices::defaultAudioOutput();
    if (device.isNull())
        return false;
    const QAudioFormat preferred = device.preferredFormat();
    format.sampleRate = preferred.sampleRate() > 0 ? preferred.sampleRate() : 48000;
    format.channels = preferred.channelCount() > 0 ? preferred.channelCount() : 2;
    // Anything but floats is fed as 16-bit integers, which every device takes.
    format.type =
        preferred.sampleFormat() == QAudioFormat::Float ? SampleType::Float32 : SampleType::Int16;
    if (!device.isFormatSupported(ToQt(format)))
        format.type = SampleType::Int16;
    return true;
}

bool CSoundOutput::Start(QIODevice* source, const PlaybackFormat& format) {
    Stop();
    const QAudioDevice device = QMediaDevices::defaultAudioOutput();
    if (device.isNull())
        return false;
    m_sink = std::make_unique<QAudioSink>(device, ToQt(format));
    m_device = m_sink->start();
    if (m_device == nullptr || m_sink->error() != QAudio::NoError ||
        m_sink->state() == QAudio::StoppedState) {
        m_sink.reset();
        m_device = nullptr;
        return false;
    }
    m_source = source;
    m_frameBytes = std::max(1, static_cast<int>(format.BytesPerFrame()));
    m_rate = std::max(1, format.sampleRate);
    m_written = 0;
    Feed();
    m_feed.start();
    return true;
}

void CSoundOutput::Feed() {
    if (!m_sink || m_device == nullptr || m_source == nullptr)
        return;
    // What the device did not take last time goes first: dropping it would shift every frame
    // after it.
    qint64 room = m_sink->bytesFree();
    if (!m_pending.isEmpty()) {
        const qint64 written =
            m_device->write(m_pending.constData(), std::min<qint64>(room, m_pending.size()));
        if (written > 0) {
            m_pending.remove(0, written);
            m_written += written;
            room -= written;
        }
        if (!m_pending.isEmpty())
            return;
    }
    char buffer[16384];
    const qint64 whole = static_cast<qint64>(sizeof buffer) / m_frameBytes * m_frameBytes;
    for (room = room / m_frameBytes * m_frameBytes; room > 0;) {
        const qint64 got = m_source->read(buffer, std::min(room, whole));
        if (got <= 0)
            break;
        const qint64 written = std::max<qint64>(m_device->write(buffer, got), 0);
        m_written += written;
        if (written < got) {
            m_pending = QByteArray(buffer + written, static_cast<qsizetype>(got - written));
            break;
        }
        room -= got;
    }
}

void CSoundOutput::Stop() {
    m_feed.stop();
    m_source = nullptr;
    m_device = nullptr;
    m_pending.clear();
    if (!m_sink)
        return;
    m_sink->stop();
    m_sink.reset();
}

std::int64_t CSoundOutput::PlayedMicroseconds() const {
    return m_sink ? m_sink->processedUSecs() : 0;
}

bool CSoundOutput::RanDry() const {
    // Nothing left to write, and everything written played: the device says so by idling, but
    // a sound server may take seconds to; its count of the sound played says it at once.
    if (!m_sink)
        return true;
    if (!m_pending.isEmpty() || (m_source != nullptr && m_source->bytesAvailable() > 0))
        return false;
    const std::int64_t writtenMicroseconds = m_written / m_frameBytes * 1000000 / m_rate;
    return m_sink->state() == QAudio::IdleState || PlayedMicroseconds() >= writtenMicroseconds;
}

bool CSoundOutput::Failed() const {
    return m_sink && m_sink->error() != QAudio::NoError && m_sink->error() != QAudio::UnderrunError;
}

} // namespace CorvDesktop
