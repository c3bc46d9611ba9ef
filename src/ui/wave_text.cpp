#include "ui/wave_text.h"

#include <QFile>
#include <cmath>
#include <sndfile.h>

namespace CorvDesktop {

namespace {

// A sample rate in kHz with at most one decimal: 44100 is "44.1", 48000 is "48".
QString KiloHertz(int rate) {
    const double tenths = std::round(rate / 100.0);
    return std::fmod(tenths, 10.0) == 0.0 ? QString::number(tenths / 10.0, 'f', 0)
                                          : QString::number(tenths / 10.0, 'f', 1);
}

QString ChannelText(int channels) {
    if (channels == 1)
        return QStringLiteral("mono");
    if (channels == 2)
        return QStringLiteral("stereo");
    return QStringLiteral("%1 channels").arg(channels);
}

QString Seconds(std::uint64_t frames, int rate) {
    return QString::number(static_cast<double>(frames) / rate, 'f', 2);
}

} // namespace

QString LengthText(const Corv::Audio::WaveFacts& facts) {
    if (!facts.Readable() || facts.sampleRate <= 0)
        return {};
    const auto milliseconds = static_cast<std::uint64_t>(
        std::llround(static_cast<double>(facts.frames) * 1000.0 / facts.sampleRate));
    return QStringLiteral("%1:%2.%3")
        .arg(milliseconds / 60000)
        .arg(milliseconds / 1000 % 60, 2, 10, QLatin1Char('0'))
        .arg(milliseconds % 1000, 3, 10, QLatin1Char('0'));
}

QString FormatLine(const Corv::Audio::WaveFacts& facts, bool floating) {
    if (!facts.Readable() || facts.sampleRate <= 0)
        return {};
    QString line = KiloHertz(facts.sampleRate) + QStringLiteral(" kHz, ") +
                   QString::number(facts.bits) +
                   (floating ? QStringLiteral("-bit float, ") : QStringLiteral("-bit, ")) +
                   ChannelText(facts.channels) + QStringLiteral(", ") +
                   Seconds(facts.frames, facts.sampleRate) + QStringLiteral(" s");
    if (facts.loop)
        line += QStringLiteral(", loop ") + Seconds(facts.loop->start, facts.sampleRate) +
                QChar(0x2013) + Seconds(facts.loop->end, facts.sampleRate) + QStringLiteral(" s");
    return line;
}

QString NoPictureText(const Corv::Audio::WaveFacts& facts) {
    return facts.format == "instrument" ? QStringLiteral("instrument format")
                                        : QStringLiteral("cannot be read");
}

bool HasFloatingSamples(const QString& path) {
    SF_INFO info{};
    SNDFILE* file = sf_open(QFile::encodeName(path).constData(), SFM_READ, &info);
    if (file == nullptr)
        return false;
    sf_close(file);
    const int samples = info.format & SF_FORMAT_SUBMASK;
    return samples == SF_FORMAT_FLOAT || samples == SF_FORMAT_DOUBLE;
}

} // namespace CorvDesktop
