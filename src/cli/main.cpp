#include "cli/commands.h"

int main(int argc, char** argv) {
    return Corv::Cli::RunCommandLine(argc, argv);
}
