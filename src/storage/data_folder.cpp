#include "storage/data_folder.h"

#include <cstdlib>

namespace Corv {

std::string ProgramDataFolder() {
    std::string base;
    if (const char* data = std::getenv("XDG_DATA_HOME"); data != nullptr && data[0] == '/')
        base = data;
    else if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0')
        base = std::string(home) + "/.local/share";
    else
        return {};
    return base + "/Brisko/Corvane Librarian/";
}

} // namespace Corv
