#pragma once

#include <string>

namespace Corv {

// The program's data folder as the programs find it without Qt: XDG_DATA_HOME (when absolute),
// else ~/.local/share, then "Brisko/Corvane Librarian/" (ends in "/"); the desktop program keeps
// its work folder, the library catalogue and the history there. Empty without either variable.
std::string ProgramDataFolder();

} // namespace Corv
