#pragma once

#include <functional>

namespace CLI {
class App;
}

namespace Corv::Cli {

// Adds `corvane wave PROJECT N [--json]` (the facts and the peak level of a wave) and
// `corvane waveform PROJECT N --svg [--width W] [--height H]` (its picture as an SVG document).
// `run` is set to the chosen body, which returns the exit status: 0 done; 1 the wave cannot be
// read (wave) or has no picture (waveform); 2 usage, an empty slot, or a project that cannot be
// loaded.
void AddWaveCommands(CLI::App& app, std::function<int()>& run);

} // namespace Corv::Cli
