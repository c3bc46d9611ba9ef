#include "model/list_text.h"

namespace Corv {

std::string ListNamePrefix(int kind, const CParameter& record) {
    if (record.HasW00Extension())
        return "* ";
    if (kind == kWaveKind && !record.IsEmpty())
        return "  ";
    return {};
}

std::string ToneSwitchText(const CPatch& patch) {
    if (patch.IsEmpty())
        return {};
    const int mask = patch.ToneSwitchMask();
    return std::string((mask & 2) != 0 ? "L" : "_") + "/" + ((mask & 1) != 0 ? "U" : "_");
}

} // namespace Corv
