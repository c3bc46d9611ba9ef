#pragma once

#include "audio/peaks.h"
#include "audio/sound_file.h"

#include <string>

namespace Corv::Cli {

// A wave's picture as an SVG document of `width` x `height` pixels, one column of peaks per
// pixel: the channels one above the other in bands of equal height (a stereo wave as two
// halves), each with its zero line, and the loop's start and end as vertical lines.
std::string WaveformSvg(const Audio::WavePeaks& peaks, const Audio::WaveFacts& facts, int width,
                        int height);

} // namespace Corv::Cli
