#include "gp/window_list.h"

#include <algorithm>
#include <numeric>

namespace GP {

QString WindowListMnemonic(int index) {
    const QChar c = index < 10 ? QChar(u'0' + index) : QChar(u'A' + (index - 10));
    return QStringLiteral("&") + c;
}

std::vector<CWindowListEntry> BuildWindowList(const std::vector<QString>& titles, int active) {
    std::vector<int> order(titles.size());
    std::iota(order.begin(), order.end(), 0);
    std::vector<QByteArray> keys;
    keys.reserve(titles.size());
    for (const QString& title : titles)
        keys.push_back(title.toUtf8());
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
        return keys[static_cast<std::size_t>(a)] < keys[static_cast<std::size_t>(b)];
    });
    if (order.size() > static_cast<std::size_t>(kMaxWindowListEntries))
        order.resize(kMaxWindowListEntries);
    std::vector<CWindowListEntry> entries;
    for (std::size_t i = 0; i < order.size(); ++i) {
        const int window = order[i];
        entries.push_back({WindowListMnemonic(static_cast<int>(i)) + u'\t' +
                               titles[static_cast<std::size_t>(window)],
                           window, window == active});
    }
    return entries;
}

} // namespace GP
