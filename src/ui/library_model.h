#pragma once

#include "library/catalogue.h"

#include <QAbstractTableModel>
#include <vector>

namespace CorvDesktop {

// The rows of the library window: one per search result, in the order the search ranked them.
class CLibraryModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column : int { kProject, kKind, kNumber, kName, kMemos, kTags, kFavourite, kCopies };
    static constexpr int kColumns = 8;

    using QAbstractTableModel::QAbstractTableModel;

    void SetEntries(std::vector<Corv::Library::CatalogueEntry> entries);
    const std::vector<Corv::Library::CatalogueEntry>& Entries() const { return m_entries; }
    const Corv::Library::CatalogueEntry* Entry(int row) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    // A drag of results is started by the window itself (it knows what a drop needs).
    Qt::DropActions supportedDragActions() const override { return Qt::CopyAction; }

private:
    std::vector<Corv::Library::CatalogueEntry> m_entries;
};

// The name of a project folder as the window shows it: its last part ("Live.prj").
QString ProjectName(const std::string& folder);
// The kind's word for one entry ("Patch", "Tone", "Wave").
QString KindWord(int kind);
// A count of entries of a kind ("1 patch", "3 tones").
QString KindCount(int kind, int count);

} // namespace CorvDesktop
