#include "cli/waveform_svg.h"

#include <algorithm>
#include <cstdio>

namespace Corv::Cli {

namespace {

// A coordinate with two decimals; the tool runs in the "C" locale, so the point is a point.
std::string Number(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.2f", value);
    return text;
}

// One channel's columns as one path of rectangles from the column's highest sample to its
// lowest, at least half a pixel tall so that silence still shows as a line.
std::string ChannelPath(const Audio::WavePeaks& peaks, int channel, double top, double band) {
    std::string d;
    const double middle = top + band / 2;
    for (int c = 0; c < peaks.width; ++c) {
        double upper = middle - peaks.Max(channel, c) * band / 2;
        double lower = middle - peaks.Min(channel, c) * band / 2;
        if (lower - upper < 0.5) {
            upper -= 0.25;
            lower += 0.25;
        }
        d += "M" + std::to_string(c) + " " + Number(upper) + "h1V" + Number(lower) + "h-1Z";
    }
    return d;
}

std::string Line(double x1, double y1, double x2, double y2, const char* colour) {
    return "<line x1=\"" + Number(x1) + "\" y1=\"" + Number(y1) + "\" x2=\"" + Number(x2) +
           "\" y2=\"" + Number(y2) + "\" stroke=\"" + colour + "\" stroke-width=\"1\"/>\n";
}

} // namespace

std::string WaveformSvg(const Audio::WavePeaks& peaks, const Audio::WaveFacts& facts, int width,
                        int height) {
    const std::string w = std::to_string(width);
    const std::string h = std::to_string(height);
    std::string svg = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                      "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" +
                      w + "\" height=\"" + h + "\" viewBox=\"0 0 " + w + " " + h + "\">\n";
    svg += "<rect x=\"0\" y=\"0\" width=\"" + w + "\" height=\"" + h + "\" fill=\"#ffffff\"/>\n";
    const double band = static_cast<double>(height) / std::max(peaks.channels, 1);
    for (int ch = 0; ch < peaks.channels; ++ch) {
        const double top = band * ch;
        svg += Line(0, top + band / 2, width, top + band / 2, "#c8c8c8");
        svg += "<path fill=\"#2a5d9f\" d=\"" + ChannelPath(peaks, ch, top, band) + "\"/>\n";
    }
    if (facts.loop && facts.frames > 0)
        for (const std::uint64_t frame : {facts.loop->start, facts.loop->end}) {
            const double x = static_cast<double>(frame) * width / static_cast<double>(facts.frames);
            svg += Line(x, 0, x, height, "#d0402a");
        }
    svg += "</svg>\n";
    return svg;
}

} // namespace Corv::Cli
