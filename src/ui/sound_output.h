#pragma once

#include "ui/wave_player.h"

#include <QAudioSink>
#include <memory>

namespace CorvDesktop {

// The program's sound output: the system's default output device through Qt Multimedia, in the
// format the device prefers.
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
    std::unique_ptr<QAudioSink> m_sink;
};

} // namespace CorvDesktop
