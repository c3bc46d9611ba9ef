#pragma once

#include <QAbstractTableModel>

namespace Corv {
class CParameterArray;
class CParameter;
} // namespace Corv

namespace CorvDesktop {

// The rows of one list: one per record slot of the bound array, cell texts made on demand.
// Nothing is stored per row, so filling a list costs the same for 10 or 999 slots.
class CParameterListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    // Extra data the row drawing needs besides the text.
    enum Role : int {
        FreeSlotRole = Qt::UserRole + 1, // bool: the slot holds no record
        UsedRole,                        // bool: a patch uses the tone / a tone uses the wave
        AfterUsedRole,                   // bool: the row lies at or after the used length
        AlignmentRole,                   // int: 0 left, 1 right, 2 centre
        BytesRole,                       // QByteArray: the cell's 8-bit text as stored
        DropTargetRole,                  // bool: a dragged block would land on the row
        LinkedRole,                      // bool: the list's selection follows another list's
        UnnamedRole,                     // bool: a used slot's name cell, and the name is empty
        ColumnIdRole,                    // int: what the column shows (ColumnId)
        WavePathRole,                    // QString: a used slot's file (empty for a free one)
    };

    explicit CParameterListModel(int kind, QObject* parent = nullptr);

    int Kind() const { return m_kind; }
    // Binds the model to a record array (null: no rows) and resets it.
    void Bind(const Corv::CParameterArray* records);
    const Corv::CParameterArray* Records() const { return m_records; }
    const Corv::CParameter* Record(int row) const;
    // Starts and ends a refill: the rows are dropped and made again from the array.
    void BeginRefill() { beginResetModel(); }
    void EndRefill();
    // One more than the index of the last used slot; 0 when all are free.
    int UsedLength() const { return m_usedLength; }
    // The rows a dragged block would land on, drawn highlighted (count 0: none).
    void SetDropRows(int first, int count);
    // Whether the selected rows are the ones another list's selection links to, rather than
    // rows the user selected here; they are drawn apart.
    void SetLinked(bool linked) { m_linked = linked; }
    bool Linked() const { return m_linked; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    // The file of a used slot; empty for a free one.
    QString FilePath(int row) const;

private:
    void ComputeUsedLength();
    // The Waveform and Length cells' texts and tooltips, from the wave's picture as known now.
    QVariant WaveCell(int row, int columnId, int role) const;

    int m_kind;
    const Corv::CParameterArray* m_records = nullptr;
    int m_usedLength = 0;
    int m_dropFirst = 0;
    int m_dropCount = 0;
    bool m_linked = false;
};

} // namespace CorvDesktop
