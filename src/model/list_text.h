#pragma once

#include <string>

#include "model/parameter.h"

namespace Corv {

// How the lists show records; shared by the desktop program and the command-line tool.

// The two-character prefix of a name: "* " for an instrument wave file (".w00" in any case),
// two blanks for any other used wave slot, nothing otherwise.
std::string ListNamePrefix(int kind, const CParameter& record);

// The tone switches of a patch as "L/U", "L/_", "_/U" or "_/_" (slot 1 then slot 0); empty for
// an empty slot.
std::string ToneSwitchText(const CPatch& patch);

} // namespace Corv
