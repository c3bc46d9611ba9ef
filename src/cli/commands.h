#pragma once

namespace Corv::Cli {

// Parses the command line and runs one command. Returns the exit status: 0 success, 1 the
// operation was refused or failed, 2 usage error.
int RunCommandLine(int argc, char** argv);

} // namespace Corv::Cli
