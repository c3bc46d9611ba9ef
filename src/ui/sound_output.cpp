#include "ui/sound_output.h"

#include <QAudioDevice>
#include <QMediaDevices>

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

CSoundOutput::CSoundOutput() = default;

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
    m_sink->start(source);
    if (m_sink->error() != QAudio::NoError || m_sink->state() == QAudio::StoppedState) {
        m_sink.reset();
        return false;
    }
    return true;
}

void CSoundOutput::Stop() {
    if (!m_sink)
        return;
    m_sink->stop();
    m_sink.reset();
}

std::int64_t CSoundOutput::PlayedMicroseconds() const {
    return m_sink ? m_sink->processedUSecs() : 0;
}

bool CSoundOutput::RanDry() const {
    return !m_sink || m_sink->state() == QAudio::IdleState;
}

bool CSoundOutput::Failed() const {
    return m_sink && m_sink->error() != QAudio::NoError && m_sink->error() != QAudio::UnderrunError;
}

} // namespace CorvDesktop
