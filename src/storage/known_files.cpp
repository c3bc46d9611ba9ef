#include "storage/known_files.h"

namespace Corv {

void CKnownFiles::RememberArea(int kind, const std::string& path, KnownAreaPtr area) {
    if (HasArea(kind) && area)
        m_areas[kind].insert_or_assign(path, std::move(area));
}

KnownAreaPtr CKnownFiles::Area(int kind, const std::string& path) const {
    if (!HasArea(kind))
        return nullptr;
    const auto it = m_areas[kind].find(path);
    return it == m_areas[kind].end() ? nullptr : it->second;
}

void CKnownFiles::ForgetAreas(int kind) {
    if (HasArea(kind))
        m_areas[kind].clear();
}

void CKnownFiles::RememberMemo(int kind, std::optional<std::string> text) {
    if (HasMemo(kind))
        m_memos[kind] = std::move(text);
}

const std::string* CKnownFiles::Memo(int kind) const {
    return HasMemo(kind) && m_memos[kind] ? &*m_memos[kind] : nullptr;
}

void CKnownFiles::ForgetAll() {
    for (auto& areas : m_areas)
        areas.clear();
    for (auto& memo : m_memos)
        memo.reset();
}

} // namespace Corv
