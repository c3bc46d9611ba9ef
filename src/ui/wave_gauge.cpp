#include "ui/wave_gauge.h"

#include "model/lum_data.h"
#include "storage/slot_file_name.h"

#include <QLocale>
#include <QPainter>
#include <algorithm>

namespace CorvDesktop {

CWaveGauge::CWaveGauge(QWidget* parent) : QWidget(parent) {
    setAccessibleName(tr("Wave memory"));
    SetBytes(0);
}

CWaveGauge::Level CWaveGauge::LevelOf(std::uint64_t bytes) {
    if (bytes >= Corv::kWaveBytesLimit)
        return kFull;
    // Above 90 %: ten times the bytes past nine times the limit, in whole numbers.
    return bytes * 10 > Corv::kWaveBytesLimit * 9 ? kAmber : kNormal;
}

QColor CWaveGauge::BarColor(Level level) const {
    switch (level) {
    case kAmber:
        return QColor(0xF0, 0xA0, 0x00);
    case kFull:
        return QColor(0xD0, 0x20, 0x20);
    case kNormal:
        break;
    }
    return palette().color(QPalette::Highlight);
}

void CWaveGauge::SetBytes(std::uint64_t bytes) {
    m_bytes = bytes;
    const double percent = 100.0 * static_cast<double>(bytes) / Corv::kWaveBytesLimit;
    setToolTip(tr("Wave memory: %1 of %2 bytes (%3 %)")
                   .arg(QLocale().toString(static_cast<qulonglong>(bytes)),
                        QLocale().toString(static_cast<qulonglong>(Corv::kWaveBytesLimit)),
                        QString::number(percent, 'f', 1)));
    setAccessibleDescription(toolTip());
    update();
}

QSize CWaveGauge::sizeHint() const {
    return {80, fontMetrics().height() / 2 + 4};
}

void CWaveGauge::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QRect frame = rect().adjusted(0, 0, -1, -1);
    painter.fillRect(frame, palette().color(QPalette::Base));
    const double share =
        std::min(1.0, static_cast<double>(m_bytes) / static_cast<double>(Corv::kWaveBytesLimit));
    QRect bar = frame.adjusted(1, 1, 0, 0);
    bar.setWidth(static_cast<int>(share * (frame.width() - 1) + 0.5));
    painter.fillRect(bar, BarColor(CurrentLevel()));
    painter.setPen(palette().color(QPalette::Mid));
    painter.drawRect(frame);
}

} // namespace CorvDesktop
