#include "ui/wave_drawing.h"

#include <QPainter>
#include <algorithm>
#include <cmath>

namespace CorvDesktop {

namespace {

// The row of a sample value in a band whose centre row is `middle` and which reaches `half`
// pixels above and below it.
int SampleRow(float value, int middle, int half) {
    return middle - static_cast<int>(std::lround(std::clamp(value, -1.0f, 1.0f) * half));
}

} // namespace

void DrawWave(QPainter& painter, const QRect& rect, const Corv::Audio::WavePeaks& peaks,
              const QColor& ink, const QColor& centre) {
    if (peaks.Empty() || peaks.channels <= 0 || rect.width() <= 0 || rect.height() <= 0)
        return;
    const Corv::Audio::WavePeaks columns = Corv::Audio::ReducePeaks(peaks, rect.width());
    const int bands = std::min(peaks.channels, std::max(1, rect.height() / 2));
    for (int channel = 0; channel < bands; ++channel) {
        const int top = rect.top() + rect.height() * channel / bands;
        const int bottom = rect.top() + rect.height() * (channel + 1) / bands - 1;
        const int middle = (top + bottom) / 2;
        const int half = std::max(0, std::min(middle - top, bottom - middle));
        painter.setPen(centre);
        painter.drawLine(rect.left(), middle, rect.right(), middle);
        painter.setPen(ink);
        for (int x = 0; x < columns.width; ++x) {
            const int high = SampleRow(columns.Max(channel, x), middle, half);
            const int low = SampleRow(columns.Min(channel, x), middle, half);
            // A silent column leaves the centre line alone.
            if (high != middle || low != middle)
                painter.drawLine(rect.left() + x, high, rect.left() + x, low);
        }
    }
}

void DrawWavePlaceholder(QPainter& painter, const QRect& rect, const QColor& colour) {
    painter.setPen(QPen(colour, 1, Qt::DotLine));
    const int middle = rect.top() + rect.height() / 2;
    painter.drawLine(rect.left() + 2, middle, rect.right() - 2, middle);
}

int FrameColumn(std::uint64_t frame, std::uint64_t frames, int width) {
    if (frames == 0 || width <= 0)
        return 0;
    const double x = static_cast<double>(std::min(frame, frames)) / static_cast<double>(frames) *
                     static_cast<double>(width);
    return std::min(width - 1, static_cast<int>(x));
}

QColor Blend(const QColor& from, const QColor& to, double part) {
    const auto mix = [part](int a, int b) {
        return static_cast<int>(std::lround(a + (b - a) * part));
    };
    return QColor(mix(from.red(), to.red()), mix(from.green(), to.green()),
                  mix(from.blue(), to.blue()));
}

} // namespace CorvDesktop
