#pragma once

#include "library/catalogue.h"

#include <QDockWidget>
#include <QString>
#include <functional>
#include <optional>
#include <vector>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QMenu;
class QMimeData;
class QProgressBar;
class QPushButton;
class QTableView;
class QTimer;
class QToolButton;

namespace CorvDesktop {

class CFileView;
class CLibrary;
class CLibraryModel;

// Window > Library: every catalogued project's entries in one searchable table. The search runs
// as the user types (names and memos, words and word beginnings) with filters for kind,
// project, tag, favourites, used or unused, and sounds that have copies elsewhere; offline
// projects' entries show in grey. Add Folder… adds a folder to the catalogue's roots, Rescan
// reads what changed (off the main thread, with a bar and Cancel), Forget drops projects or
// folders from the catalogue. A double click (or Enter) opens the entry's project and selects
// it; results dragged onto a project window's list are copied there with what they need; the
// context menu opens, shows duplicates, tags and marks favourites.
class CLibraryWindow : public QDockWidget {
    Q_OBJECT
public:
    // Results shown at most; the status line still counts them all.
    static constexpr int kShownResults = 1000;

    CLibraryWindow(CLibrary& library, QWidget* parent = nullptr);

    // Brings the window up with the keyboard in the search field.
    void FocusSearch();
    // Runs the search of the fields now (typing waits a moment first).
    void Refresh();
    // The status: "N of M entries in K projects (J offline)" (or why there is no catalogue).
    QString StatusText() const;

    // Opens the project of a result (or brings its window forward) and selects the entry;
    // false when it is offline or cannot be opened. Tests replace how a folder is opened.
    bool OpenEntry(int row);
    std::function<CFileView*(const QString& folder)> openFolder;

    // The commands of the buttons and the context menu, on the selected results.
    void AddFolder();
    void Rescan();
    void ForgetSelectedProjects();
    void ForgetFolder(const QString& root);
    void ShowDuplicates(int row);
    void ShowAll();
    bool AddTag();
    void RemoveTag(const QString& tag);
    void ToggleFavourite();
    // The rows a drag started at `row` carries: the selected results of that row's project and
    // kind (others cannot travel in one drop); empty when the row's project is offline.
    std::vector<int> DragRows(int row) const;
    // The drag data for the results at `rows` (see `DragRows`), begun on the one drag state.
    QMimeData* BeginDrag(int row);

    QLineEdit* SearchField() const { return m_search; }
    QComboBox* KindFilter() const { return m_kind; }
    QComboBox* ProjectFilter() const { return m_project; }
    QComboBox* TagFilter() const { return m_tag; }
    QCheckBox* FavouriteFilter() const { return m_favourites; }
    QComboBox* UsedFilter() const { return m_used; }
    QCheckBox* DuplicatedFilter() const { return m_duplicated; }
    QTableView* Table() const { return m_table; }
    CLibraryModel* Model() const { return m_model; }
    QProgressBar* ScanBar() const { return m_bar; }
    QPushButton* CancelButton() const { return m_cancel; }
    // The context menu while it is open; null otherwise.
    QMenu* OpenMenu() const { return m_menu; }
    std::vector<int> SelectedRows() const;

private:
    void BuildFilters(QWidget* bar);
    void BuildButtons(QWidget* bar);
    void FillChoices();
    Corv::Library::SearchQuery Query() const;
    void ShowStatus();
    void ScanMoved(int done, int total, const QString& folder);
    void ScanEnded(const QString& summary);
    void ShowMenu(QPoint at);
    QMenu* ForgetMenu();
    std::vector<std::string> SelectedFingerprints() const;

    CLibrary& m_library;
    QLineEdit* m_search = nullptr;
    QComboBox* m_kind = nullptr;
    QComboBox* m_project = nullptr;
    QComboBox* m_tag = nullptr;
    QCheckBox* m_favourites = nullptr;
    QComboBox* m_used = nullptr;
    QCheckBox* m_duplicated = nullptr;
    QLabel* m_duplicatesLabel = nullptr;
    QPushButton* m_showAll = nullptr;
    QTableView* m_table = nullptr;
    CLibraryModel* m_model = nullptr;
    QLabel* m_status = nullptr;
    QProgressBar* m_bar = nullptr;
    QPushButton* m_cancel = nullptr;
    QToolButton* m_forget = nullptr;
    QTimer* m_typing = nullptr;
    QMenu* m_menu = nullptr;
    int m_total = 0;
    bool m_fitted = false; // the columns were fitted to the first results
    // Show Duplicates: the fingerprint and kind whose copies the table shows instead.
    std::optional<std::pair<std::string, int>> m_copiesOf;
};

} // namespace CorvDesktop
