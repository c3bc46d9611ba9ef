#include "model/lum_data.h"
#include "ui/desktop.h"
#include "ui/drag_state.h"
#include "ui/file_doc.h"
#include "ui/file_view.h"
#include "ui/list_delegate.h"
#include "ui/parameter_list.h"
#include "ui/parameter_list_model.h"

#include <QCoreApplication>
#include <QDrag>
#include <QDragEnterEvent>
#include <QDragLeaveEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QFontMetrics>
#include <QMimeData>
#include <QPainter>
#include <QScrollBar>
#include <algorithm>

namespace CorvDesktop {

// The list's side of drag and drop: it starts a drag of its selected rows, follows the cursor of
// a drag over it (drop row, keys, feedback, preview, automatic scrolling) and, on the drop, asks
// its project window to perform it. What the drag carries is in its data; the one drag's pointer
// state is `CDesktop::Get().Drag()`.

namespace {

constexpr int kPixmapRows = 12; // rows drawn in the drag picture before "and n more"

// A read-only window (a version) only ever lends its entries: nothing can be moved out of it.
bool FromReadOnly(const DragPayload& payload) {
    const CFileView* source = CFileView::ViewOfProject(payload.project);
    return source != nullptr && source->Document().IsReadOnly();
}

} // namespace

QPixmap DragPixmap(const CParameterListCtrl& list, const std::vector<int>& rows) {
    const CParameterListModel* model = list.Model();
    QStringList lines;
    for (const int row : rows) {
        if (lines.size() == kPixmapRows) {
            lines << QObject::tr("and %1 more").arg(rows.size() - kPixmapRows);
            break;
        }
        lines << model->index(row, 0).data().toString() + QStringLiteral("  ") +
                     model->index(row, 1).data().toString();
    }
    const QFontMetrics metrics(list.font());
    int width = 0;
    for (const QString& line : lines)
        width = std::max(width, metrics.horizontalAdvance(line));
    const int lineHeight = metrics.height() + 2;
    QPixmap pixmap(width + 12, lineHeight * static_cast<int>(lines.size()) + 6);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setPen(QColor(160, 160, 160));
    painter.setBrush(QColor(255, 255, 255, 220));
    painter.drawRect(pixmap.rect().adjusted(0, 0, -1, -1));
    painter.setFont(list.font());
    painter.setPen(list.palette().color(QPalette::Text));
    for (int i = 0; i < lines.size(); ++i)
        painter.drawText(QRect(6, 3 + i * lineHeight, width, lineHeight),
                         Qt::AlignLeft | Qt::AlignVCenter, lines[i]);
    return pixmap;
}

std::unique_ptr<QMimeData> CParameterListCtrl::BeginDrag(int pressedRow) {
    CDragState& drag = CDesktop::Get().Drag();
    const Corv::CParameterArray* records = Records();
    if (drag.Dragging() || records == nullptr || m_project == nullptr)
        return nullptr;
    DragPayload payload;
    payload.rows = SelectedRows();
    if (std::none_of(payload.rows.begin(), payload.rows.end(), [&](int row) {
            return !records->Item(static_cast<std::size_t>(row)).IsEmpty();
        }))
        return nullptr; // only free slots selected: nothing to drag
    payload.process = QCoreApplication::applicationPid();
    payload.project = m_projectId;
    payload.kind = m_kind;
    const auto at = std::find(payload.rows.begin(), payload.rows.end(), pressedRow);
    payload.grabOffset = at == payload.rows.end() ? 0 : static_cast<int>(at - payload.rows.begin());
    payload.drag = drag.Begin(static_cast<int>(payload.rows.size()));
    drag.SetDropPosition(pressedRow);
    return std::unique_ptr<QMimeData>(MakeDragData(payload));
}

void CParameterListCtrl::startDrag(Qt::DropActions) {
    std::unique_ptr<QMimeData> mime = BeginDrag(m_pressedRow);
    if (mime == nullptr)
        return;
    auto* object = new QDrag(this);
    const QPixmap picture = DragPixmap(*this, SelectedRows());
    object->setMimeData(mime.release());
    object->setPixmap(picture);
    object->setHotSpot(QPoint(-16, picture.height() / 2));
    // A drop that was refused, or a drag that ended outside any list, leaves the action unset.
    const bool done =
        object->exec(Qt::CopyAction | Qt::MoveAction, Qt::MoveAction) != Qt::IgnoreAction;
    CDesktop::Get().Drag().End();
    if (!done)
        Refill(); // a cancelled or refused drop: rows and selection as they were
}

std::optional<DragPayload> CParameterListCtrl::AcceptedDrag(const QMimeData* mime) const {
    std::optional<DragPayload> payload = ReadDragData(mime);
    if (!CDesktop::Get().Drag().Dragging() || m_project == nullptr || !payload ||
        payload->kind != m_kind)
        return std::nullopt;
    return payload;
}

void CParameterListCtrl::dragEnterEvent(QDragEnterEvent* event) {
    dragMoveEvent(event);
}

void CParameterListCtrl::dragMoveEvent(QDragMoveEvent* event) {
    const std::optional<DragPayload> payload = AcceptedDrag(event->mimeData());
    if (!payload) {
        event->ignore(); // the project window behind follows the cursor; no drop here
        return;
    }
    CDragState& drag = CDesktop::Get().Drag();
    if (m_readOnly) {
        // Nothing lands in a version; the status line says why instead of a preview.
        drag.SetDropPosition(-1);
        drag.SetPreview(m_refusal);
        event->ignore();
        return;
    }
    drag.SetTarget(this);
    TrackDrag(*payload, event->position().toPoint(), event->modifiers());
    if (auto* view = qobject_cast<CFileView*>(parentWidget());
        view != nullptr && event->type() == QEvent::DragMove)
        drag.Hover(view, mapToGlobal(event->position().toPoint()), view == CFileView::Current());
    event->setDropAction(drag.Flags().copy ? Qt::CopyAction : Qt::MoveAction);
    event->accept();
}

void CParameterListCtrl::dragLeaveEvent(QDragLeaveEvent* event) {
    StopAutoScroll();
    if (CDesktop::Get().Drag().Target() == this)
        CDesktop::Get().Drag().SetTarget(nullptr);
    ShowDropFeedback(false);
    event->accept();
}

void CParameterListCtrl::dropEvent(QDropEvent* event) {
    StopAutoScroll();
    const std::optional<DragPayload> payload = AcceptedDrag(event->mimeData());
    if (!payload || RefusedAsReadOnly()) {
        event->ignore();
        return;
    }
    CDragState& drag = CDesktop::Get().Drag();
    drag.SetTarget(this);
    TrackDrag(*payload, event->position().toPoint(), event->modifiers());
    ShowDropFeedback(false);
    bool done = false;
    emit DropRequested(ListDrop{*payload, this, drag.DropPosition(), drag.Flags()}, &done);
    drag.SetPreview({});
    event->setDropAction(drag.Flags().copy ? Qt::CopyAction : Qt::MoveAction);
    event->setAccepted(done);
}

void CParameterListCtrl::TrackDrag(const DragPayload& payload, QPoint position,
                                   Qt::KeyboardModifiers keys) {
    CDragState& drag = CDesktop::Get().Drag();
    m_dragPayload = payload;
    m_dragPosition = position;
    m_dragKeys = keys;
    int row = rowAt(position.y());
    if (row < 0)
        row = position.y() < 0 ? 0 : m_model->rowCount(); // past the last row
    const int dropPosition = row - payload.grabOffset;
    DropFlags flags = FlagsForKeys(keys, payload.project == m_projectId);
    if (payload.FromLibrary() || FromReadOnly(payload))
        flags.copy = true; // the library and a version only ever lend their entries
    // The preview reads the target's wave sizes: it is worked out again only when the drop
    // would do something else.
    const bool changed = dropPosition != drag.DropPosition() ||
                         flags.insert != drag.Flags().insert || flags.copy != drag.Flags().copy ||
                         drag.Preview().isEmpty();
    drag.SetDropPosition(dropPosition);
    drag.SetFlags(flags);
    m_model->SetDropRows(drag.DropPosition(), drag.Count());
    viewport()->update();
    if (changed) {
        QString text;
        emit DropPreviewRequested(ListDrop{payload, this, dropPosition, flags}, &text);
        drag.SetPreview(text);
    }
    // Automatic scrolling while the cursor is near the top or bottom edge.
    const int margin = autoScrollMargin();
    const bool inZone = position.y() < margin || position.y() >= viewport()->height() - margin;
    if (!inZone) {
        StopAutoScroll();
    } else if (m_autoScrollStart < 0) {
        m_autoScrollStart = drag.Now();
        m_autoScroll.start();
    }
}

void CParameterListCtrl::AutoScrollTick() {
    const CDragState& drag = CDesktop::Get().Drag();
    if (!drag.Dragging() || drag.Target() != this || m_autoScrollStart < 0) {
        StopAutoScroll();
        return;
    }
    const int rows = AutoScrollRows(drag.Now() - m_autoScrollStart);
    const bool up = m_dragPosition.y() < autoScrollMargin();
    QScrollBar* bar = verticalScrollBar();
    bar->setValue(bar->value() + (up ? -rows : rows));
    const qint64 start = m_autoScrollStart;
    TrackDrag(m_dragPayload, m_dragPosition, m_dragKeys); // the row under the cursor changed
    m_autoScrollStart = start;
}

void CParameterListCtrl::StopAutoScroll() {
    m_autoScroll.stop();
    m_autoScrollStart = -1;
}

void CParameterListCtrl::ShowDropFeedback(bool on) {
    if (on)
        return; // shown by TrackDrag as the cursor moves
    m_model->SetDropRows(0, 0);
    m_dragPosition = QPoint(-1, -1);
    viewport()->update();
}

// The insertion line at the top edge of the drop row, or the frame around the block that would
// be overwritten (cut at the end of the list), in the drop mark's pen, the line with a tick at
// each end; drawn while the cursor is more than 4 pixels inside the row under it.
void CParameterListCtrl::PaintDropFeedback() {
    const CDragState& drag = CDesktop::Get().Drag();
    if (drag.Target() != this || m_dragPosition.y() < 0 || m_model->columnCount() == 0)
        return;
    const int under = rowAt(m_dragPosition.y());
    const QRect underRect = visualRect(m_model->index(std::max(under, 0), 0));
    if (under < 0 || m_dragPosition.y() - underRect.top() <= 4 ||
        underRect.bottom() - m_dragPosition.y() <= 4)
        return;
    const int rows = m_model->rowCount();
    const int first = drag.DropPosition();
    const int last = std::min(first + drag.Count(), rows) - 1;
    if (first < 0 || first >= rows || last < first)
        return;
    const int lastColumn = m_model->columnCount() - 1;
    const QRect top =
        visualRect(m_model->index(first, 0)).united(visualRect(m_model->index(first, lastColumn)));
    QPainter painter(viewport());
    painter.setPen(CListDelegate::DropMarkPen());
    if (drag.Flags().insert) {
        const int y = top.top() + 1;
        painter.drawLine(top.left(), y, top.right(), y);
        painter.drawLine(top.left() + 1, y - 4, top.left() + 1, y + 4);
        painter.drawLine(top.right() - 1, y - 4, top.right() - 1, y + 4);
        return;
    }
    const QRect bottom = visualRect(m_model->index(last, 0));
    painter.drawRect(
        QRect(QPoint(top.left() + 1, top.top() + 1), QPoint(top.right() - 1, bottom.bottom() - 1)));
}

} // namespace CorvDesktop
