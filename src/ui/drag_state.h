#pragma once

#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QMimeData;

namespace CorvDesktop {

class CParameterListCtrl;

// What a drag of list rows carries in its data: the program it was started in, the open project
// it comes from (by the id the set of open projects gave it), the list kind, the dragged rows
// (0-based, ascending), which of them the pointer grabbed, and the number of the drag. The records
// themselves stay in their project until the drop takes them. A drag of library results names
// no open project: it carries the folder of the project the results lie in and the fingerprint
// each row had when the catalogue last read it, and its drop is always a copy.
struct DragPayload {
    qint64 process = 0;
    std::uint64_t project = 0;
    int kind = 0;
    std::vector<int> rows;
    int grabOffset = 0;
    std::uint64_t drag = 0;
    QString folder;
    QStringList fingerprints;
    bool FromLibrary() const { return !folder.isEmpty(); }
    bool operator==(const DragPayload&) const = default;
};

// The drag formats: one per list kind ("application/x-corvanelibrarian-patch", "-tone", "-wave").
QString DragFormat(int kind);
// The drag object for a payload: the format of its kind holding the payload's fields.
QMimeData* MakeDragData(const DragPayload& payload);
// The payload of drag data made by this program; none for data of another kind, another
// program (another process of this one included), or data cut short.
std::optional<DragPayload> ReadDragData(const QMimeData* data);

// The insert and copy flags for the keys held over a list: Alt or Shift inserts (many window
// managers keep Alt + drag for themselves); over the source list Ctrl copies and a plain drag
// moves, over another list Ctrl moves and a plain drag copies.
struct DropFlags {
    bool insert = false;
    bool copy = false;
};
DropFlags FlagsForKeys(Qt::KeyboardModifiers keys, bool overSourceList);

// A drop that a list asks its project window to preview or perform: what the drag carries, the
// list under the cursor, the first row the block would take there, and what the keys chose.
struct ListDrop {
    DragPayload payload;
    CParameterListCtrl* target = nullptr;
    int at = 0;
    DropFlags flags;
};

// Rows scrolled per tick of automatic scrolling that started `elapsedMs` ago: 1 during the first
// 3 seconds, then as many as whole seconds have passed.
int AutoScrollRows(qint64 elapsedMs);
// A background project window under a resting cursor comes forward after this long.
inline constexpr qint64 kHoverRaiseMs = 1000;

// The pointer's side of the one drag in progress (there is only ever one): how many rows it
// carries, the list the cursor is over with the row the block would land on and the keys held,
// the preview of that drop, and the background window the cursor rests on. What the drag carries
// travels in its data (`DragPayload`).
class CDragState : public QObject {
    Q_OBJECT
public:
    CDragState();

    // A drag of `count` rows starts; returns its number.
    std::uint64_t Begin(int count);
    // Ends the drag: highlights and the preview go.
    void End();

    bool Dragging() const { return m_dragging; }
    // The number of records of the drag's kind the drop places (the dragged rows).
    int Count() const { return m_count; }

    // The list the cursor is over and accepts, and where the block would land there.
    QObject* Target() const { return m_target; }
    void SetTarget(QObject* list);
    int DropPosition() const { return m_dropPosition; }
    void SetDropPosition(int row) { m_dropPosition = row; }
    DropFlags Flags() const { return m_flags; }
    void SetFlags(DropFlags flags) { m_flags = flags; }
    // The last preview of the drop: what releasing the button would do.
    const QString& Preview() const { return m_preview; }
    void SetPreview(const QString& text);

    // The cursor is over a project window at a global position: when it rests there for more
    // than a second and the window is not the current one, its frame comes forward.
    void Hover(QWidget* window, QPoint globalPosition, bool current);
    // Brings the hovered window forward when the cursor has rested long enough (a timer calls
    // it during a drag; tests call it with their own clock).
    void CheckHover();
    // What a drop target worked out for this drag and keeps until it ends (the project a drag
    // of library results comes from, read once).
    std::shared_ptr<void>& Attachment() { return m_attachment; }

    // The clock in milliseconds (tests put their own).
    std::function<qint64()> clock;
    qint64 Now() const { return clock(); }

signals:
    // The preview text changed (empty: nothing to show).
    void PreviewChanged(const QString& text);
    // A project window came forward because the cursor rested on it.
    void HoverRaised(QWidget* window);
    // The cursor left a list, or the drag ended over it: its drop feedback goes.
    void TargetLeft(QObject* list);

private:
    bool m_dragging = false;
    std::uint64_t m_serial = 0;
    int m_count = 0;
    QPointer<QObject> m_target;
    int m_dropPosition = 0;
    DropFlags m_flags;
    QString m_preview;
    QPointer<QWidget> m_hoverWindow;
    bool m_hoverCurrent = false;
    QPoint m_hoverPosition;
    qint64 m_hoverStart = 0;
    QTimer m_hoverTimer;
    std::shared_ptr<void> m_attachment;
};

} // namespace CorvDesktop
