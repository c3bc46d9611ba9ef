#pragma once

#include "audio/playback.h"

#include <QIODevice>
#include <QObject>
#include <QString>
#include <QTimer>
#include <cstdint>
#include <memory>
#include <vector>

namespace CorvDesktop {

// Plays one wave at a time for an audition. The windows only talk to this interface, so that
// tests put a recording player in its place.
class IWavePlayer : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    // Starts playing a wave file (stopping what played before); false when it cannot be played
    // (the reason is told by `Unavailable` or `Refused`).
    virtual bool Play(const QString& path) = 0;
    virtual void Stop() = 0;
    virtual bool IsPlaying() const = 0;
    // The file playing now; empty when nothing plays.
    virtual QString Path() const = 0;

signals:
    // Where the wave playing has got to, in seconds from its start.
    void PositionChanged(double seconds);
    // Playing ended: stopped, or the wave played to its end.
    void Stopped();
    // No sound output can be had (none there, or busy): said once per failed start.
    void Unavailable(const QString& text);
    // The wave itself cannot be played, with the reason.
    void Refused(const QString& reason);
};

// The words the status bar shows when no sound output can be had.
QString NoOutputText();

// Where decoded sound goes: the device's own format, a pull source handed to it, and how much
// of it has been heard. The program's output is the default device of Qt Multimedia; the
// benchmark's records when it first gets bytes.
class ISoundOutput {
public:
    virtual ~ISoundOutput() = default;
    // The format the output wants; false when there is no output.
    virtual bool PreferredFormat(Corv::Audio::PlaybackFormat& format) = 0;
    // Starts pulling bytes from `source` (which outlives the output's use of it); false when
    // the output cannot be opened (busy, gone).
    virtual bool Start(QIODevice* source, const Corv::Audio::PlaybackFormat& format) = 0;
    virtual void Stop() = 0;
    // Microseconds of sound the output has taken from its source so far.
    virtual std::int64_t PlayedMicroseconds() const = 0;
    // True while the output has nothing left to play from its source.
    virtual bool RanDry() const = 0;
    // True once the output failed while playing (its device went away).
    virtual bool Failed() const = 0;
};

// Decoded bytes for a sound output to pull, decoded ahead a piece at a time on the GUI thread
// so that neither the window nor the output waits.
class CDecodedStream : public QIODevice {
    Q_OBJECT
public:
    CDecodedStream(std::unique_ptr<Corv::Audio::CWaveDecoder> decoder,
                   const Corv::Audio::PlaybackFormat& format, QObject* parent = nullptr);

    // Decodes up to `frames` more output frames into the buffer; false once the wave is done.
    bool DecodeMore(std::size_t frames);
    // True when every byte of the wave has been decoded and handed out.
    bool Drained() const;
    // Seconds of sound decoded but not yet handed out.
    double SecondsAhead() const;
    bool isSequential() const override { return true; }
    qint64 bytesAvailable() const override;

protected:
    qint64 readData(char* data, qint64 maxSize) override;
    qint64 writeData(const char*, qint64) override { return -1; }

private:
    std::unique_ptr<Corv::Audio::CWaveDecoder> m_decoder;
    Corv::Audio::PlaybackFormat m_format;
    std::vector<std::uint8_t> m_bytes;
    std::size_t m_readAt = 0;
    bool m_done = false;
};

// The program's player: a wave decoded into the output's own format by the audio core, its
// first quarter of a second at once so that sound starts without delay, the rest while it plays.
class CWavePlayer : public IWavePlayer {
    Q_OBJECT
public:
    explicit CWavePlayer(std::unique_ptr<ISoundOutput> output, QObject* parent = nullptr);
    ~CWavePlayer() override;

    bool Play(const QString& path) override;
    void Stop() override;
    bool IsPlaying() const override { return m_stream != nullptr; }
    QString Path() const override { return m_path; }

private:
    void Tick();

    std::unique_ptr<ISoundOutput> m_output;
    std::unique_ptr<CDecodedStream> m_stream;
    QString m_path;
    int m_rate = 48000; // the output's frames per second
    QTimer m_timer;     // decodes ahead and tells the position while playing
};

} // namespace CorvDesktop
