#include "app/program_icon.h"

#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <cmath>

namespace CorvDesktop {

QImage ProgramIconImage(int size) {
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal s = size;
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(38, 44, 58));
    painter.drawRoundedRect(QRectF(0.5, 0.5, s - 1, s - 1), s * 0.18, s * 0.18);
    // A decaying wave across the key.
    QPainterPath wave;
    const int steps = 64;
    for (int i = 0; i <= steps; ++i) {
        const qreal t = static_cast<qreal>(i) / steps;
        const qreal x = s * (0.12 + 0.76 * t);
        const qreal y = s * (0.5 - 0.3 * std::exp(-2.2 * t) * std::sin(t * 6.0 * 3.14159265));
        if (i == 0)
            wave.moveTo(x, y);
        else
            wave.lineTo(x, y);
    }
    painter.setPen(QPen(QColor(255, 170, 40), std::max(1.0, s / 14), Qt::SolidLine, Qt::RoundCap));
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(wave);
    // Three small bars for the three lists.
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(120, 190, 255));
    for (int i = 0; i < 3; ++i)
        painter.drawRect(QRectF(s * (0.2 + 0.22 * i), s * 0.8, s * 0.16, s * 0.06));
    painter.end();
    return image;
}

QIcon ProgramIcon() {
    QIcon icon;
    for (int size : {16, 24, 32, 48, 64, 128})
        icon.addPixmap(QPixmap::fromImage(ProgramIconImage(size)));
    return icon;
}

} // namespace CorvDesktop
