#pragma once

#include <QStringList>
#include <QWidget>
#include <array>
#include <cstdint>
#include <vector>

namespace CorvDesktop {

class CFileDoc;
class CParameterListCtrl;
class CWaveDetail;
class CWaveGauge;
struct ListDrop;

// The project window's content: the three lists of one project side by side, with the status
// text, and the commands that act on the project.
class CFileView : public QWidget {
    Q_OBJECT
public:
    explicit CFileView(CFileDoc& document, QWidget* parent = nullptr);
    ~CFileView() override;

    CFileDoc& Document() const { return m_document; }

    // Refills the three lists from the project data (after every change of the project).
    void OnUpdate();
    // The same, first writing the lists' column widths (after a font change).
    void OnUpdateSavingWidths();
    // The window became the active project window: warns once about missing files.
    void OnActivateView();
    // The window stopped being the active one: the warning may come again next time.
    void OnDeactivateView();
    // The first visible row of the patch, tone and wave lists, and scrolling back to them.
    std::array<int, 3> TopRows() const;
    void SetTopRows(const std::array<int, 3>& rows);

    // The list of a kind (0 patches, 1 tones, 2 waves).
    CParameterListCtrl* List(int kind) const;
    // The list that has (or last had) the keyboard focus in this window; null when none.
    CParameterListCtrl* ActiveList() const;
    // The status text: the size of the project's waves.
    QString StatusText() const;
    // The bar beside the status text: the wave bytes against the wave limit.
    CWaveGauge* Gauge() const;
    // The detail area below the wave list (hidden with View > Wave Details).
    CWaveDetail* Detail() const;
    // The width the wave list has beyond the form's, taken from what the window has beyond the
    // form (see `LayOut`); it shrinks with the window before the patch list gives up more.
    int WaveListShare() const;
    // Delete is enabled: the active list's selection holds a used slot.
    bool CanDelete() const;
    // The other two lists select what belongs to the selection of `source`.
    void LinkSelection(const CParameterListCtrl& source);

    // The document's title (the project folder's name, or "Untitled<n>").
    QString Title() const;

    // Performs a drop onto one of this window's lists and refills the windows it changed; false
    // when it was refused, had nothing to do or its source project is no longer open.
    bool PerformDrop(const ListDrop& drop);
    // What the drop would do, as the status bar shows it (with the keys that change it); empty
    // when its source project is no longer open.
    QString DropPreview(const ListDrop& drop);
    // The project window of the open project with that id; null when none shows it.
    static CFileView* ViewOfProject(std::uint64_t id);
    // The click is over in this window: its frame comes to the top and is activated, and the
    // focus goes back to the list.
    void ClickOver(CParameterListCtrl* list);

    // Copy (Ctrl+C) and Cut (Ctrl+X) take the active list's selected rows for a later paste;
    // Paste (Ctrl+V) overwrites from the active list's focused row and Paste Inserting
    // (Ctrl+Shift+V) inserts there, exactly as a drop of those rows there would (a cut moves,
    // a copy copies). False when nothing was taken or pasted.
    bool Copy(bool cut);
    bool Paste(bool insert);
    // Paste is possible: something was taken from a list of the active list's kind.
    bool CanPaste() const;
    // Show Users: the patches that use the selected tones, or the tones that use the selected
    // waves, become the selection of their list (which gets the focus); false when none.
    bool ShowUsers();
    // What a paste at the active list's focused row would do (the drop preview's words); empty
    // when nothing can be pasted there.
    QString PastePreview(bool insert) const;

    // Every open project window, in opening order.
    static const std::vector<CFileView*>& Views();
    // The project window that was activated last; null when none is open.
    static CFileView* Current();

signals:
    // The selection or the active list changed: Delete may have become enabled or disabled.
    void CommandStateChanged();
    // The context menu of a list is asked for at a point on the screen.
    void ContextMenuRequested(QPoint at);

public slots:
    void Delete();
    void SelectAll();
    void SetUpGrid();
    void CleanProject();
    void ImportWave();
    // Imports files dropped on the main window into this project.
    void ImportFiles(const QStringList& paths);
    void Cut() { Copy(true); }
    void CopySelection() { Copy(false); }
    void PasteOver() { Paste(false); }
    void PasteInserting() { Paste(true); }
    void Rename();
    void EditMemos();
    void ShowUsersOfSelection() { ShowUsers(); }

protected:
    void resizeEvent(QResizeEvent* event) override;
    // A drag over the window, outside a list that takes it: it follows the cursor (to come
    // forward when the cursor rests on it) and refuses the drop.
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;

private:
    void Update(bool saveWidths);
    void LayOut();
    // The wave list and the detail area below it, split as the user left them.
    void MakeWaveColumn();
    void ShowDetail(bool shown);
    void UpdateStatus();
    // The main window's status line says what the waves will total once the import is done.
    void ShowImportTotal(int files, std::uint64_t total);
    void AfterEdit(CParameterListCtrl* acted);
    // True (and the status line says why) when the window shows a version, which nothing
    // changes.
    bool RefusedAsReadOnly() const;
    // Drops of library results: the source is a project folder read for the drag (or the open
    // project of that folder), and the drop is a copy.
    QString LibraryDropPreview(const ListDrop& drop);
    bool PerformLibraryDrop(const ListDrop& drop);
    // Selects the dropped entries where they landed and says what was done.
    void ShowDropped(const ListDrop& drop, const std::vector<int>& rows, bool changed,
                     const std::string& what, const std::string& done);

    CFileDoc& m_document;
    struct Private;
    Private* m_private = nullptr;
};

} // namespace CorvDesktop
