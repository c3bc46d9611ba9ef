#pragma once

#include <functional>

namespace CLI {
class App;
}

namespace Corv::Cli {

// Adds `corvane history` (list the versions of a project) with its subcommands show, restore,
// export and prune. `run` is set to the chosen body, which returns the exit status: 0 success
// or results, 1 nothing found, differences or a refusal, 2 usage or a history that cannot be
// read.
void AddHistoryCommand(CLI::App& app, std::function<int()>& run);

} // namespace Corv::Cli
