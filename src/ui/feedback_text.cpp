#include "ui/feedback_text.h"

#include "edit/cell_edit.h"
#include "model/lum_data.h"
#include "ui/code_page.h"

#include <QStringList>
#include <algorithm>

namespace CorvDesktop {

namespace {

// The names a deletion's detail line lists before it cuts the list short.
constexpr int kNamesShown = 5;

} // namespace

QString CountText(int count, int kind) {
    static const char* const kOne[] = {"patch", "tone", "wave"};
    static const char* const kMany[] = {"patches", "tones", "waves"};
    const auto k = static_cast<std::size_t>(std::clamp(kind, 0, 2));
    return QStringLiteral("%1 %2").arg(count).arg(QLatin1String(count == 1 ? kOne[k] : kMany[k]));
}

QString EntryText(const Corv::CLumData& project, int kind, int row, const CCodePage& codePage) {
    const QString name =
        codePage.Decode(project.Records(kind).Item(static_cast<std::size_t>(row)).Name());
    return QStringLiteral("%1 %2").arg(row + 1).arg(name.isEmpty() ? QStringLiteral("(no name)")
                                                                   : name);
}

QString DeletionDetail(const Corv::CLumData& project, int kind, const std::vector<int>& rows,
                       const QString& projectTitle, const CCodePage& codePage) {
    const Corv::CParameterArray& records = project.Records(kind);
    std::vector<int> used;
    for (const int row : rows)
        if (row >= 0 && static_cast<std::size_t>(row) < records.Size() &&
            !records.Item(static_cast<std::size_t>(row)).IsEmpty())
            used.push_back(row);
    std::sort(used.begin(), used.end());
    used.erase(std::unique(used.begin(), used.end()), used.end());
    QStringList names;
    for (std::size_t i = 0; i < used.size() && i < static_cast<std::size_t>(kNamesShown); ++i)
        names << EntryText(project, kind, used[i], codePage);
    if (used.size() > static_cast<std::size_t>(kNamesShown))
        names << QStringLiteral("…");
    return QStringLiteral("%1 of %2: %3")
        .arg(CountText(static_cast<int>(used.size()), kind), projectTitle, names.join(u", "));
}

QString EmptyNameRefusal(const QString& typed, const QString& codePage) {
    // White space of any script counts as nothing typed at all.
    const QString shown = typed.trimmed().isEmpty() ? QString() : typed;
    return QString::fromStdString(
        Corv::EmptyNameRefusal(shown.toStdString(), codePage.toStdString()));
}

} // namespace CorvDesktop
