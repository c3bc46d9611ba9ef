#pragma once

#include <functional>

namespace CLI {
class App;
}

namespace Corv::Cli {

// Adds `corvane library` with its subcommands (add, remove, scan, search, dupes, tag,
// favourite, tags export/import, stats). `run` is set to the chosen subcommand's body, which
// returns the exit status: 0 with results, 1 without, 2 on usage or a catalogue that cannot be
// opened.
void AddLibraryCommand(CLI::App& app, std::function<int()>& run);

} // namespace Corv::Cli
