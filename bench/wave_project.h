#pragma once

#include <string>
#include <vector>

namespace CorvBench {

// A full project of WAV files: a 16-bit stereo WAV file in each of the 999 wave slots, of the
// size the world's full project's waves have (64 MB in all), written once per run. The world's
// own full project holds the instrument's wave files, which have no picture.
const std::string& WaveProjectFolder();
// The files of its waves, slot by slot.
const std::vector<std::string>& WaveProjectPaths();

} // namespace CorvBench
