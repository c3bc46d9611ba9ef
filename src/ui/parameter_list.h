#pragma once

#include "ui/drag_state.h"

#include <QElapsedTimer>
#include <QPixmap>
#include <QTableView>
#include <QTimer>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace Corv {
class CLumData;
class CParameterArray;
} // namespace Corv

namespace CorvDesktop {

class CParameterListModel;
struct SELVColumn;

// One list of the project window: one row per record slot of a kind, a current column for the
// keyboard, name and memo editing, column widths kept in the settings. Selection links and
// commands belong to the project window, which it tells about clicks, keys and edits.
class CParameterListCtrl : public QTableView {
    Q_OBJECT
public:
    CParameterListCtrl(int kind, QWidget* parent = nullptr);
    ~CParameterListCtrl() override;

    int Kind() const { return m_kind; }
    CParameterListModel* Model() const { return m_model; }
    // Binds the list to the project whose records of the list's kind it shows (null: none), the
    // open project with that id.
    void Bind(Corv::CLumData* project, std::uint64_t projectId = 0);
    Corv::CLumData* Project() const { return m_project; }
    // A read-only list (of a version) refuses names, memos and drops; `refusal` is what the
    // status line says then.
    void SetReadOnly(bool readOnly, const QString& refusal = {});
    bool IsReadOnly() const { return m_readOnly; }
    const Corv::CParameterArray* Records() const;
    int UsedLength() const;

    // Rows, columns and widths made anew (after a load, a font change or Set Up Grid): keeps the
    // top row, the focused row and the current column; nothing stays selected.
    void Refresh();
    // Rows made anew after an edit: keeps the scroll positions, the focused row, the current
    // column and the selection; with `useCount` and n > 0 the selection becomes the n rows from
    // the first selected one, when they lie inside the list.
    void Refill(bool useCount = false, int count = 0);

    // Selected rows, ascending.
    std::vector<int> SelectedRows() const;
    // Selects exactly these rows; no focus change, no scrolling.
    void SelectRows(const std::vector<int>& rows);
    // Selects exactly the rows from `from` to `to` (in either order).
    void SelectSpan(int from, int to);
    // Selects exactly these rows because another list's selection links to them: they are drawn
    // apart from a selection of the user's own until the selection changes here or the list
    // takes the focus.
    void SelectLinkedRows(const std::vector<int>& rows);
    // The selected rows are linked rows.
    bool ShowsLinkedRows() const;
    void ClearSelection();
    // Selects every row up to the last used slot.
    void SelectAllUsed();

    int TopRow() const;
    void SetTopRow(int row);
    int FocusedRow() const;
    void SetFocusedRow(int row);

    int CurrentColumn() const { return m_currentColumn; }
    void SetCurrentColumn(int column);
    // Moves the current column to the nearest editable column in a direction (-1 or +1).
    void MoveCurrentColumn(int direction);
    const SELVColumn& Column(int column) const;

    void SetGrid(bool on);
    // Applies the list font and text colour; the row height follows the font.
    void SetListFont(const QFont& font, const QColor& textColor);
    void WriteColumnWidths() const;
    void ReadColumnWidths();
    // The widths the columns are kept with: those they have, but where a list narrows a column
    // to fit its view for a while (the wave list's picture), the width the user gave it.
    std::vector<int> ColumnWidths() const;
    virtual int KeptColumnWidth(int column) const { return columnWidth(column); }

    // Opens the edit dialog for the current column over the selected rows (Ctrl+R); false when
    // the column cannot be edited or nothing is selected.
    bool EditCurrentColumn();
    // Sets the 8-bit text the user confirmed into a column of the given rows: a name (filtered,
    // at most 12 characters kept) or a memo; one undo step. False when nothing was changed.
    bool SetCellValue(const std::vector<int>& rows, int column, const std::string& bytes);
    // Rename (F2): the Name column's edit over the selection; false when no used row is selected.
    bool Rename();
    // Edit Memos: the four memos of the focused entry in one dialog; the memos changed there go
    // to every selected row as one undo step.
    bool EditMemos();
    // True when a selected row holds an entry.
    bool HasUsedSelection() const;

    void selectAll() override;
    // Typing a slot number goes to that row like a navigation key: selected, in view, linked.
    void keyboardSearch(const QString& search) override;

    // The drop feedback while a drag is over this list: the rows the block would occupy are
    // highlighted and the insertion line or the overwrite frame is drawn; false takes it away.
    void ShowDropFeedback(bool on);
    // One tick of automatic scrolling during a drag (a timer calls it).
    void AutoScrollTick();
    // Starts the drag of the selected rows pressed at `pressedRow` and returns its data; null
    // (and no drag) when a drag is in progress or no selected slot is used.
    std::unique_ptr<QMimeData> BeginDrag(int pressedRow);

signals:
    // The selection changed through a click or a key: the other lists follow.
    void SelectionLinkRequested(CParameterListCtrl* list);
    // A name or memo was set: the document is modified.
    void CellEdited(CParameterListCtrl* list);
    // Del pressed in the list.
    void DeleteRequested(CParameterListCtrl* list);
    // A drag was dropped here: the project window performs it and sets `done` when it did.
    void DropRequested(const ListDrop& drop, bool* done);
    // The cursor of a drag moved to another drop: the project window says what it would do
    // (empty: nothing to say).
    void DropPreviewRequested(const ListDrop& drop, QString* text);
    // The context menu is asked for (right click or the Menu key) at a point on the screen.
    void ContextMenuRequested(CParameterListCtrl* list, QPoint at);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void scrollTo(const QModelIndex& index, ScrollHint hint = EnsureVisible) override;
    void startDrag(Qt::DropActions supportedActions) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    bool HandleCharacter(QKeyEvent* event);
    // A right click: the row under it is selected unless it already is, the column under it
    // becomes current, so that the context menu acts on what the pointer points at.
    void RightPress(QPoint position);
    // A navigation key (Up, Down, Page Up, Page Down, Home, End, with or without Ctrl): the
    // focus and the selection move together, the row scrolls into view and the other lists
    // follow; with `extend` (Shift) the selection reaches from the anchor row to the new one.
    void Navigate(int key, bool extend);
    // The row a navigation key moves the focus to (not yet inside the list).
    int NavigationTarget(int key) const;
    void ShowColumn(int column);
    std::string EditInitialText(int row, int column) const;
    // True (and the status line says why) when the list is read-only.
    bool RefusedAsReadOnly() const;
    // What the drag in progress carries when it may drop here (its kind, into a project).
    std::optional<DragPayload> AcceptedDrag(const QMimeData* mime) const;
    // Follows the cursor of a drag over the list: drop position, flags, feedback, preview and
    // automatic scrolling.
    void TrackDrag(const DragPayload& payload, QPoint position, Qt::KeyboardModifiers keys);
    void StopAutoScroll();
    void PaintDropFeedback();
    // The frame around the current cell (focused row, current column) in the focused list.
    void PaintCurrentCell();

    int m_kind;
    CParameterListModel* m_model = nullptr;
    Corv::CLumData* m_project = nullptr;
    std::uint64_t m_projectId = 0;
    int m_currentColumn = -1;
    int m_anchorRow = -1; // where a selection extended with Shift starts
    QString m_slotTyped;  // the digits of a slot number being typed
    QElapsedTimer m_typedAt;
    bool m_readOnly = false;
    QString m_refusal;      // the status line's word when a change is refused
    bool m_linking = false; // the selection is being set by a link
    bool m_columnsMade = false;
    int m_pressedRow = -1;            // the row a drag starts from
    DragPayload m_dragPayload;        // what the drag over the list carries
    QPoint m_dragPosition{-1, -1};    // the cursor of a drag over the list (viewport)
    Qt::KeyboardModifiers m_dragKeys; // the keys held during that drag
    QTimer m_autoScroll;
    qint64 m_autoScrollStart = -1; // when the cursor entered the scroll zone; -1: outside
};

// A picture of the dragged rows for the cursor: each row's number and name, at most a screenful.
QPixmap DragPixmap(const CParameterListCtrl& list, const std::vector<int>& rows);

// The patch list (kind 0).
class CPatchListCtrl : public CParameterListCtrl {
    Q_OBJECT
public:
    explicit CPatchListCtrl(QWidget* parent = nullptr);
};

// The tone list (kind 1), with the used-marker.
class CToneListCtrl : public CParameterListCtrl {
    Q_OBJECT
public:
    explicit CToneListCtrl(QWidget* parent = nullptr);
};

// The wave list (kind 2), with the used-marker, the name prefixes, each wave's picture and
// length, and auditions: Space plays the focused wave and Space again (or Escape) stops it;
// with Auto-Play on, a wave selected with the keyboard or the mouse plays.
class CWaveListCtrl : public CParameterListCtrl {
    Q_OBJECT
public:
    explicit CWaveListCtrl(QWidget* parent = nullptr);
    ~CWaveListCtrl() override;

    // The rows the list shows now, top to bottom (none when it shows no rows).
    std::vector<int> VisibleRows() const;
    // Asks for the pictures of the visible rows (done after every scroll, resize and refill).
    void WantVisiblePictures();
    // Plays the focused wave, or stops it when it plays; false when nothing was started.
    bool ToggleAudition();
    // The file of the focused row; empty for a free slot.
    QString FocusedWave() const;
    // The width the list needs to show its columns up to the Length column whole (the number,
    // the name, the picture and the length), with its frame and vertical scroll bar.
    int PictureColumnsWidth() const;
    int KeptColumnWidth(int column) const override;

signals:
    // The focused row changed to another wave (empty: a free slot, or none).
    void CurrentWaveChanged(const QString& path);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;

private:
    void OnPictureReady(const QString& path);
    void OnFocusedRowChanged();
    void OnUserSelection();
    bool PlaysOwnAudition() const;
    // Narrows the picture column (never below a small picture) so that the Length column ends
    // within the view, and widens it back to the width the user gave it when there is room.
    void FitPictureColumn();
    void OnSectionResized(int column, int newWidth);

    int m_pictureWidth = -1; // the picture column's width as the user gave it (-1: as it is)
    bool m_fitting = false;  // the picture column is being narrowed or widened to fit
    QTimer m_wantTimer;      // gathers the scrolls and refills of one moment into one request
    QString m_auditioned;    // the wave this list started playing
    QString m_focusedWave;   // the wave of the focused row when it last changed
    int m_userRow = -1;      // the row the user's last selection focused
};

} // namespace CorvDesktop
