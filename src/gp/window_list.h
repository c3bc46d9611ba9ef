#pragma once

#include <QString>
#include <vector>

namespace GP {

// The most entries the window list shows.
inline constexpr int kMaxWindowListEntries = 36;

// One entry of the window list: the menu text ("&0\tTitle") and which window it stands for
// (an index into the titles given).
struct CWindowListEntry {
    QString text;
    int window = -1;
    bool checked = false;
};

// The entries of the window list for windows with these titles: sorted by title in ascending
// byte order (UTF-8), at most 36, labelled "&0"-"&9" then "&A"-"&Z", the active window's entry
// checked (`active` is an index into `titles`, -1 for none).
std::vector<CWindowListEntry> BuildWindowList(const std::vector<QString>& titles, int active);

// The mnemonic of entry i (0-35): "&0"-"&9", "&A"-"&Z".
QString WindowListMnemonic(int index);

} // namespace GP
