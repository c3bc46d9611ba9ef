#include "storage/known_files.h"

#include "storage/slot_file_name.h"

namespace Corv {

void CKnownFiles::RememberAreas(int kind, std::vector<std::string> paths,
                                std::vector<KnownAreaPtr> areas) {
    if (!HasArea(kind))
        return;
    areas.resize(paths.size());
    m_areas[kind] = {std::move(paths), std::move(areas)};
}

KnownAreaPtr CKnownFiles::Area(int kind, const std::string& path, std::size_t slot) const {
    if (!HasArea(kind) || path.empty())
        return nullptr;
    const Areas& known = m_areas[kind];
    if (slot < known.paths.size() && known.paths[slot] == path)
        return known.areas[slot];
    // A record moved to another slot since: its file is mostly the one of the slot its number
    // names, and else looked for among all of them.
    if (const int number = ParseSlotNumber(path);
        number >= 1 && static_cast<std::size_t>(number) <= known.paths.size() &&
        known.paths[static_cast<std::size_t>(number - 1)] == path)
        return known.areas[static_cast<std::size_t>(number - 1)];
    for (std::size_t i = 0; i < known.paths.size(); ++i)
        if (known.paths[i] == path)
            return known.areas[i];
    return nullptr;
}

void CKnownFiles::ForgetAreas(int kind) {
    if (HasArea(kind))
        m_areas[kind] = {};
}

void CKnownFiles::RememberMemo(int kind, std::optional<std::string> text) {
    if (HasMemo(kind))
        m_memos[kind] = std::move(text);
}

const std::string* CKnownFiles::Memo(int kind) const {
    return HasMemo(kind) && m_memos[kind] ? &*m_memos[kind] : nullptr;
}

void CKnownFiles::ForgetAll() {
    for (Areas& areas : m_areas)
        areas = {};
    for (auto& memo : m_memos)
        memo.reset();
}

} // namespace Corv
