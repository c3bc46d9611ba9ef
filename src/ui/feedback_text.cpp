#include "ui/feedback_text.h"

#include "edit/cell_edit.h"
#include "model/lum_data.h"
#include "ui/code_page.h"
#include "ui/text_codec.h"

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

EditReport CellEditReport(int kind, const std::vector<int>& rows, int field, const QString& name) {
    static const char* const kOne[] = {"patch", "tone", "wave"};
    const int count = static_cast<int>(rows.size());
    const QString entries = count == 1 ? QStringLiteral("%1 %2")
                                             .arg(QLatin1String(kOne[std::clamp(kind, 0, 2)]))
                                             .arg(rows.front() + 1)
                                       : CountText(count, kind);
    if (field == 1)
        return {QStringLiteral("Renamed %1 to \u201c%2\u201d").arg(entries, name),
                QStringLiteral("rename of %1").arg(entries)};
    return {QStringLiteral("Memos of %1 set").arg(entries),
            QStringLiteral("memo edit of %1").arg(entries)};
}

EditReport DeleteReport(int kind, int count, const QString& projectTitle) {
    return {QStringLiteral("Deleted %1 of %2").arg(CountText(count, kind), projectTitle),
            QStringLiteral("delete of %1").arg(CountText(count, kind))};
}

EditReport CleanReport(const std::array<int, 3>& before, const std::array<int, 3>& after,
                       const QString& projectTitle) {
    QStringList removed;
    for (int kind = 0; kind < 3; ++kind) {
        const int gone =
            before[static_cast<std::size_t>(kind)] - after[static_cast<std::size_t>(kind)];
        if (gone > 0)
            removed << CountText(gone, kind);
    }
    const EditReport renumbered{QStringLiteral("Clean renumbered %1").arg(projectTitle),
                                QStringLiteral("clean of %1").arg(projectTitle)};
    if (removed.isEmpty())
        return renumbered;
    return {QStringLiteral("Clean removed %1 from %2").arg(removed.join(u", "), projectTitle),
            QStringLiteral("clean of %1").arg(projectTitle)};
}

EditReport ImportReport(const std::vector<int>& rows, const QString& projectTitle) {
    const int count = static_cast<int>(rows.size());
    QString where;
    if (count == 1)
        where = QStringLiteral(" row %1").arg(rows.front() + 1);
    else if (count > 1)
        where = QStringLiteral(" rows %1-%2").arg(rows.front() + 1).arg(rows.back() + 1);
    return {QStringLiteral("Imported %1 into %2%3").arg(CountText(count, 2), projectTitle, where),
            QStringLiteral("import of %1").arg(CountText(count, 2))};
}

QString SaveStatus(const QString& projectTitle, int written, int renamed, int removed,
                   double seconds) {
    QStringList parts;
    if (written > 0)
        parts << (written == 1 ? QStringLiteral("1 file written")
                               : QStringLiteral("%1 files written").arg(written));
    if (renamed > 0)
        parts << QStringLiteral("%1 renamed").arg(renamed);
    if (removed > 0)
        parts << QStringLiteral("%1 removed").arg(removed);
    if (parts.isEmpty())
        parts << QStringLiteral("nothing to write");
    return QStringLiteral("Saved %1: %2 (%3 s)")
        .arg(projectTitle, parts.join(u", "), QString::number(seconds, 'f', 1));
}

QString SaveFailedStatus(const QString& projectTitle, const QString& problem, bool pending) {
    const QString why = problem.isEmpty() ? QString() : QStringLiteral(": ") + problem;
    if (pending)
        return QStringLiteral(
                   "Save of %1 did not finish%2. Opening the project again completes it.")
            .arg(projectTitle, why);
    return QStringLiteral("Save of %1 failed%2. The save was rolled back; the project is as it "
                          "was before.")
        .arg(projectTitle, why);
}

QString MissingFilesDetail(const std::vector<std::string>& paths, const std::string& projectFolder,
                           const QString& projectTitle) {
    QStringList names;
    for (std::size_t i = 0; i < paths.size() && i < 10; ++i) {
        const std::string& path = paths[i];
        const bool inside = !projectFolder.empty() && path.rfind(projectFolder, 0) == 0;
        names << CTextCodec::DecodePath(inside ? path.substr(projectFolder.size()) : path);
    }
    if (paths.size() > 10)
        names << QStringLiteral("…");
    return QStringLiteral("Missing from %1 (%2): %3")
        .arg(projectTitle)
        .arg(paths.size())
        .arg(names.join(QStringLiteral(", ")));
}

QString SelectionStatus(int selected, int total, int kind) {
    return QStringLiteral("%1 of %2 selected").arg(selected).arg(CountText(total, kind));
}

} // namespace CorvDesktop
