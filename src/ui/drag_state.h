#pragma once

#include "edit/transfer.h"
#include "ui/file_view.h"
#include "ui/parameter_list.h"

#include <QObject>
#include <QPixmap>
#include <QPoint>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <functional>
#include <vector>

class QMimeData;

// The drag formats: one per list kind ("application/x-corvanelibrarian-patch", "-tone", "-wave").
QString DragFormat(int kind);
// The drag object of a list kind: its format with four zero bytes. The records themselves stay
// in the process (the drag state's transfer).
QMimeData* MakeDragData(int kind);
// The list kind whose format the data carries; -1 for none of ours.
int DragKind(const QMimeData* data);

// The insert and copy flags for the keys held over a list: Alt or Shift inserts (many window
// managers keep Alt + drag for themselves); over the source list Ctrl copies and a plain drag
// moves, over another list Ctrl moves and a plain drag copies.
struct DropFlags {
    bool insert = false;
    bool copy = false;
};
DropFlags FlagsForKeys(Qt::KeyboardModifiers keys, bool overSourceList);

// Rows scrolled per tick of automatic scrolling that started `elapsedMs` ago: 1 during the first
// 3 seconds, then as many as whole seconds have passed.
int AutoScrollRows(qint64 elapsedMs);
// A background project window under a resting cursor comes forward after this long.
inline constexpr qint64 kHoverRaiseMs = 1000;

// A picture of the dragged rows for the cursor: each row's number and name, at most a screenful.
QPixmap DragPixmap(const CParameterListCtrl& list, const std::vector<int>& rows);

// The one drag of the program (there is only ever one): where it came from, what it carries, where
// it would land, and the background window that the cursor rests on.
class CDragState : public QObject {
    Q_OBJECT
public:
    static CDragState& Get();

    // Starts a drag of the selected rows of a list pressed at `dragRow`: false (and nothing
    // changes) unless a selected slot is used. Takes the rows into the transfer.
    bool Begin(CParameterListCtrl* source, int dragRow);
    // Ends the drag: the transfer is emptied, highlights and the preview go.
    void End();

    bool Dragging() const { return m_source != nullptr; }
    CParameterListCtrl* Source() const { return m_source; }
    int Kind() const { return m_kind; }
    const std::vector<int>& Rows() const { return m_rows; }
    int DragRow() const { return m_dragRow; }
    int GrabOffset() const { return m_grabOffset; }
    bool Contiguous() const { return m_contiguous; }
    // The number of records of the drag's kind the drop places (the dragged rows).
    int Count() const { return static_cast<int>(m_rows.size()); }
    // What the drag carries, taken when it began.
    const Corv::CTransfer& Transfer() const { return m_transfer; }

    // The list the cursor is over and accepts, and where the block would land there.
    CParameterListCtrl* Target() const { return m_target; }
    void SetTarget(CParameterListCtrl* target);
    int DropPosition() const { return m_dropPosition; }
    void SetDropPosition(int row) { m_dropPosition = row; }
    DropFlags Flags() const { return m_flags; }
    void SetFlags(DropFlags flags) { m_flags = flags; }
    // The last preview of the drop: what releasing the button would do.
    const QString& Preview() const { return m_preview; }
    void SetPreview(const QString& text);
    bool DropDone() const { return m_dropDone; }
    void SetDropDone(bool done) { m_dropDone = done; }

    // The cursor is over a project window at a global position: when it rests there for more
    // than a second and the window is not the current one, its frame comes forward.
    void Hover(CFileView* view, QPoint globalPosition);
    // Brings the hovered window forward when the cursor has rested long enough (a timer calls
    // it during a drag; tests call it with their own clock).
    void CheckHover();
    // The clock in milliseconds (tests put their own).
    std::function<qint64()> clock;
    qint64 Now() const { return clock(); }

signals:
    // The preview text changed (empty: nothing to show).
    void PreviewChanged(const QString& text);
    // A project window came forward because the cursor rested on it.
    void HoverRaised(CFileView* view);

private:
    CDragState();

    QPointer<CParameterListCtrl> m_source;
    QPointer<CParameterListCtrl> m_target;
    int m_kind = 0;
    std::vector<int> m_rows;
    Corv::CTransfer m_transfer;
    int m_dragRow = 0;
    int m_grabOffset = 0;
    bool m_contiguous = false;
    int m_dropPosition = 0;
    DropFlags m_flags;
    bool m_dropDone = false;
    QString m_preview;
    QPointer<CFileView> m_hoverView;
    QPoint m_hoverPosition;
    qint64 m_hoverStart = 0;
    QTimer m_hoverTimer;
};
