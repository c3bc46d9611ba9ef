#pragma once

#include <cstdint>
#include <vector>

namespace CorvDesktop {

// The rows that Copy (Ctrl+C) or Cut (Ctrl+X) took, waiting for Paste: the keyboard's twin of a
// drag. It names its project by the number the open projects gave it, so that a paste after the
// project was closed finds nothing rather than another project's rows.
struct ListClip {
    std::uint64_t project = 0;
    int kind = -1;
    std::vector<int> rows;
    bool cut = false; // pasted, the rows move; otherwise they are copied
};

class CListClipboard {
public:
    bool Holds() const { return m_clip.kind >= 0; }
    const ListClip& Clip() const { return m_clip; }
    void Set(ListClip clip) { m_clip = std::move(clip); }
    void Clear() { m_clip = {}; }
    // Escape forgets a pending cut (a copy stays); true when there was one.
    bool ClearCut() {
        if (!Holds() || !m_clip.cut)
            return false;
        Clear();
        return true;
    }

private:
    ListClip m_clip;
};

} // namespace CorvDesktop
