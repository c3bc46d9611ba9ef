#include "ui/library_model.h"

#include "ui/text_codec.h"

#include <QBrush>
#include <QPalette>
#include <QStringList>

namespace CorvDesktop {

namespace {

QString Memos(const Corv::Library::CatalogueEntry& entry) {
    QStringList memos;
    for (const std::string& memo : entry.memos)
        if (!memo.empty())
            memos << QString::fromStdString(memo);
    return memos.join(QStringLiteral(" · "));
}

QString Tags(const Corv::Library::CatalogueEntry& entry) {
    QStringList tags;
    for (const std::string& tag : entry.tags)
        tags << QString::fromStdString(tag);
    return tags.join(QStringLiteral(", "));
}

} // namespace

QString ProjectName(const std::string& folder) {
    QString path = CTextCodec::DecodePath(folder);
    while (path.endsWith(u'/'))
        path.chop(1);
    return path.mid(path.lastIndexOf(u'/') + 1);
}

QString KindWord(int kind) {
    static const char* const kWords[] = {"Patch", "Tone", "Wave"};
    return kind >= 0 && kind < 3 ? QString::fromLatin1(kWords[kind]) : QString();
}

QString KindCount(int kind, int count) {
    static const char* const kPlurals[] = {"patches", "tones", "waves"};
    if (kind < 0 || kind >= 3)
        return QString::number(count);
    return QStringLiteral("%1 %2").arg(count).arg(count == 1 ? KindWord(kind).toLower()
                                                             : QString::fromLatin1(kPlurals[kind]));
}

void CLibraryModel::SetEntries(std::vector<Corv::Library::CatalogueEntry> entries) {
    beginResetModel();
    m_entries = std::move(entries);
    endResetModel();
}

const Corv::Library::CatalogueEntry* CLibraryModel::Entry(int row) const {
    return row >= 0 && row < static_cast<int>(m_entries.size())
               ? &m_entries[static_cast<std::size_t>(row)]
               : nullptr;
}

int CLibraryModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_entries.size());
}

int CLibraryModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kColumns;
}

QVariant CLibraryModel::data(const QModelIndex& index, int role) const {
    const Corv::Library::CatalogueEntry* entry = Entry(index.row());
    if (entry == nullptr)
        return {};
    if (role == Qt::ForegroundRole && entry->offline)
        return QBrush(QPalette().color(QPalette::Disabled, QPalette::Text));
    if (role == Qt::ToolTipRole) {
        if (index.column() == kProject)
            return CTextCodec::DecodePath(entry->project) +
                   (entry->offline ? QStringLiteral(" (offline)") : QString());
        if (index.column() == kMemos)
            return Memos(*entry);
        return {};
    }
    if (role == Qt::TextAlignmentRole)
        return index.column() == kNumber || index.column() == kCopies
                   ? QVariant(Qt::AlignRight | Qt::AlignVCenter)
                   : QVariant(Qt::AlignLeft | Qt::AlignVCenter);
    if (role != Qt::DisplayRole)
        return {};
    switch (index.column()) {
    case kProject:
        return ProjectName(entry->project);
    case kKind:
        return KindWord(entry->kind);
    case kNumber:
        return entry->number;
    case kName:
        return QString::fromStdString(entry->name);
    case kMemos:
        return Memos(*entry);
    case kTags:
        return Tags(*entry);
    case kFavourite:
        return entry->favourite ? QStringLiteral("★") : QString();
    case kCopies:
        return entry->copies;
    default:
        return {};
    }
}

QVariant CLibraryModel::headerData(int section, Qt::Orientation orientation, int role) const {
    static const char* const kTitles[kColumns] = {"Project", "Kind", "No.",    "Name",
                                                  "Memos",   "Tags", "\u2605", "Copies"};
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 ||
        section >= kColumns)
        return QAbstractTableModel::headerData(section, orientation, role);
    return QString::fromUtf8(kTitles[section]);
}

Qt::ItemFlags CLibraryModel::flags(const QModelIndex& index) const {
    if (Entry(index.row()) == nullptr)
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsDragEnabled;
}

} // namespace CorvDesktop
