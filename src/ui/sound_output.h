#pragma once

#include "ui/wave_player.h"

#include <QAudioSink>
#include <QByteArray>
#include <QTimer>
#include <memory>

namespace CorvDesktop {

// The program's sound output: the system's default output device through Qt Multimedia, in the
// format the device prefers. The sound is pushed to the device every few milliseconds, as much
// as it has room for: a device left to pull for itself stalled part-way through a short wave on
// a sound server (its buffer ran empty and it never asked again).
class CSoundOutput : public ISoundOutput {
public:
    CSoundOutput();
    ~CSoundOutput() override;

    bool PreferredFormat(Corv::Audio::PlaybackFormat& format) override;
    bool Start(QIODevice* source, const Corv::Audio::PlaybackFormat& format) override;
    void Stop() override;
    std::int64_t PlayedMicroseconds() const override;
    bool RanDry() const override;
    bool Failed() const override;

private:
    // Writes as much of the source as the device has room for, in whole frames.
    void Feed();

    std::unique_ptr<QAudioSink> m_sink;
    QIODevice* m_device = nullptr; // where the sink takes what is written to it
    QIODevice* m_source = nullptr;
    int m_frameBytes = 4;
    int m_rate = 48000;
    std::int64_t m_written = 0; // bytes written to the device
    QByteArray m_pending;       // read from the source, not yet taken by the device
    QTimer m_feed;
};

} // namespace CorvDesktop
