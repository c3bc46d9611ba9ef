#include "ui/parameter_list_model.h"

#include "model/parameter_array.h"
#include "ui/code_page.h"
#include "ui/desktop.h"
#include "ui/list_columns.h"
#include "ui/wave_pictures.h"
#include "ui/wave_services.h"
#include "ui/wave_text.h"

#include <QFile>
#include <algorithm>

namespace CorvDesktop {

CParameterListModel::CParameterListModel(int kind, QObject* parent)
    : QAbstractTableModel(parent), m_kind(kind) {}

void CParameterListModel::Bind(const Corv::CParameterArray* records) {
    beginResetModel();
    m_records = records;
    ComputeUsedLength();
    endResetModel();
}

void CParameterListModel::EndRefill() {
    ComputeUsedLength();
    endResetModel();
}

void CParameterListModel::ComputeUsedLength() {
    m_usedLength = 0;
    if (m_records == nullptr)
        return;
    for (std::size_t i = m_records->Size(); i > 0; --i)
        if (!m_records->Item(i - 1).IsEmpty()) {
            m_usedLength = static_cast<int>(i);
            return;
        }
}

const Corv::CParameter* CParameterListModel::Record(int row) const {
    if (m_records == nullptr || row < 0 || static_cast<std::size_t>(row) >= m_records->Size())
        return nullptr;
    return &m_records->Item(static_cast<std::size_t>(row));
}

int CParameterListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() || m_records == nullptr ? 0 : static_cast<int>(m_records->Size());
}

int CParameterListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(ColumnTable(m_kind).size());
}

QVariant CParameterListModel::data(const QModelIndex& index, int role) const {
    const Corv::CParameter* record = Record(index.row());
    if (record == nullptr || index.column() < 0 || index.column() >= columnCount())
        return {};
    const ParameterColumn& column = ColumnTable(m_kind)[static_cast<std::size_t>(index.column())];
    if ((column.columnId == kColWaveform || column.columnId == kColLength) &&
        (role == Qt::DisplayRole || role == Qt::ToolTipRole))
        return WaveCell(index.row(), column.columnId, role);
    switch (role) {
    case Qt::DisplayRole:
        return CDesktop::Get().CodePage().Decode(
            CellText(m_kind, *record, index.row(), column.columnId));
    case BytesRole: {
        const std::string text = CellText(m_kind, *record, index.row(), column.columnId);
        return QByteArray(text.data(), static_cast<qsizetype>(text.size()));
    }
    case FreeSlotRole:
        return record->IsEmpty();
    case UsedRole: {
        const auto* referenced = dynamic_cast<const Corv::CReferencedParameter*>(record);
        return referenced != nullptr && !referenced->Users().empty();
    }
    case AfterUsedRole:
        return index.row() >= m_usedLength;
    case AlignmentRole:
        return column.column.Alignment();
    case DropTargetRole:
        return index.row() >= m_dropFirst && index.row() < m_dropFirst + m_dropCount;
    case LinkedRole:
        return m_linked;
    case UnnamedRole:
        return column.columnId == kColName && !record->IsEmpty() && record->Name().empty();
    case ColumnIdRole:
        return column.columnId;
    case WavePathRole:
        return FilePath(index.row());
    default:
        return {};
    }
}

QString CParameterListModel::FilePath(int row) const {
    const Corv::CParameter* record = Record(row);
    return record == nullptr || record->IsEmpty() ? QString()
                                                  : QFile::decodeName(record->FilePath().c_str());
}

QVariant CParameterListModel::WaveCell(int row, int columnId, int role) const {
    const QString path = FilePath(row);
    const WavePicture* picture =
        path.isEmpty() ? nullptr : CDesktop::Get().Waves().Pictures().Find(path);
    if (picture == nullptr || !picture->Ready())
        return QString();
    if (columnId == kColLength)
        return role == Qt::DisplayRole ? LengthText(picture->facts) : QString();
    if (picture->state != WavePicture::State::NoPicture)
        return QString();
    return role == Qt::DisplayRole ? NoPictureText(picture->facts) : picture->reason;
}

QVariant CParameterListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 ||
        section >= columnCount())
        return {};
    return QString::fromLatin1(ColumnTable(m_kind)[static_cast<std::size_t>(section)].title);
}

Qt::ItemFlags CParameterListModel::flags(const QModelIndex& index) const {
    return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsDragEnabled
                           : Qt::NoItemFlags;
}

void CParameterListModel::SetDropRows(int first, int count) {
    if (first == m_dropFirst && count == m_dropCount)
        return;
    const int rows = rowCount();
    const auto changed = [&](int from, int n) {
        const int low = std::clamp(from, 0, rows), high = std::clamp(from + n, 0, rows);
        if (high > low)
            emit dataChanged(index(low, 0), index(high - 1, columnCount() - 1), {DropTargetRole});
    };
    changed(m_dropFirst, m_dropCount);
    m_dropFirst = first;
    m_dropCount = count;
    changed(first, count);
}

} // namespace CorvDesktop
