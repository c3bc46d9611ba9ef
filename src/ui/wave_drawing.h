#pragma once

#include "audio/peaks.h"

#include <QColor>
#include <QRect>

class QPainter;

namespace CorvDesktop {

// Draws a wave's peaks into a rectangle: the channels one above the other in bands of equal
// height (a stereo wave as two halves), each with its centre line, and for each pixel column a
// vertical stroke from the column's lowest to its highest sample.
void DrawWave(QPainter& painter, const QRect& rect, const Corv::Audio::WavePeaks& peaks,
              const QColor& ink, const QColor& centre);

// What a cell shows while the peaks are being made: a dotted centre line in a neutral colour.
void DrawWavePlaceholder(QPainter& painter, const QRect& rect, const QColor& colour);

// The pixel column of a frame in a picture `width` pixels wide of a wave of `frames` frames.
int FrameColumn(std::uint64_t frame, std::uint64_t frames, int width);

// A colour `part` (0..1) of the way from one colour to another.
QColor Blend(const QColor& from, const QColor& to, double part);

} // namespace CorvDesktop
