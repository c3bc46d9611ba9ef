#include "gp/mdi_child_ex.h"

#include "gp/anchor_layout.h"
#include "gp/mdi_frame_ex.h"
#include "gp/profile.h"

#include <QChildEvent>
#include <QContextMenuEvent>
#include <QMdiArea>
#include <QMouseEvent>
#include <algorithm>
#include <climits>

namespace GP {

CMDIChildWndEx::CMDIChildWndEx(int kind, QWidget* parent) : QMdiSubWindow(parent), m_kind(kind) {}

QString CMDIChildWndEx::PositionEntry() const {
    return QStringLiteral("Position%1").arg(m_kind);
}

bool CMDIChildWndEx::ApplyStoredPlacement() {
    const QString fallback = FormatFourInts(INT_MIN, INT_MIN, 0, 0);
    const QString stored = GetProfileString(QStringLiteral("Window"), PositionEntry(), fallback);
    int x = INT_MIN, y = INT_MIN, width = 0, height = 0;
    if (!ParseFourInts(stored, x, y, width, height) || x == INT_MIN || y == INT_MIN || width <= 0 ||
        height <= 0)
        return false;
    setGeometry(x, y, width, height);
    return true;
}

bool CMDIChildWndEx::CornerTaken(const QPoint& corner) const {
    const QList<QMdiSubWindow*> others = mdiArea()->subWindowList();
    return std::any_of(others.begin(), others.end(), [&](const QMdiSubWindow* other) {
        return other != this && other->pos() == corner;
    });
}

void CMDIChildWndEx::AvoidCoincidingCorners() {
    if (mdiArea() == nullptr)
        return;
    const QRect area = ClientArea();
    const int room = std::max(1, area.width() - width() + 1);
    const bool fits = !area.isEmpty() && width() <= area.width() && height() <= area.height();
    QPoint corner = pos();
    // Bounded: with every corner taken the window stays where the steps ended.
    for (int step = 0, restarts = 0; step < 1000 && CornerTaken(corner); ++step) {
        corner += QPoint(10, 10);
        const bool outside =
            corner.x() + width() > area.width() || corner.y() + height() > area.height();
        // A window that fits starts again at the top, each time a little further right; one
        // larger than the area keeps its steps, as nothing would bring it inside.
        if (outside && fits)
            corner = QPoint((5 * ++restarts) % room, 0);
    }
    move(corner);
}

void CMDIChildWndEx::FitInClientArea() {
    const QRect area = ClientArea();
    if (area.isEmpty() || isMaximized() || isMinimized())
        return;
    const QSize fitted = size().boundedTo(area.size()).expandedTo(minimumSize());
    const int left = std::clamp(x(), 0, std::max(0, area.width() - fitted.width()));
    const int top = std::clamp(y(), 0, std::max(0, area.height() - fitted.height()));
    setGeometry(left, top, fitted.width(), fitted.height());
}

bool CMDIChildWndEx::FitToForm() {
    QWidget* content = widget();
    const QSize form = content != nullptr ? TemplateSizeOf(*content) : QSize();
    if (!form.isValid() || isMaximized() || isMinimized())
        return false;
    resize(size() + form - content->size());
    return true;
}

void CMDIChildWndEx::childEvent(QChildEvent* event) {
    QMdiSubWindow::childEvent(event);
    if (event->added() && event->child()->isWidgetType())
        event->child()->installEventFilter(this);
}

bool CMDIChildWndEx::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonDblClick && watched == widget()) {
        const QPoint at = static_cast<QMouseEvent*>(event)->position().toPoint();
        if (widget()->childAt(at) == nullptr && FitToForm())
            return true;
    }
    return QMdiSubWindow::eventFilter(watched, event);
}

QRect CMDIChildWndEx::ClientArea() const {
    return mdiArea() != nullptr ? mdiArea()->viewport()->rect() : QRect();
}

void CMDIChildWndEx::MaximizeHeight() {
    if (!CanMaximizePartly() || mdiArea() == nullptr)
        return;
    int iconRow = 0;
    if (const auto* frame = qobject_cast<const CMDIFrameWndEx*>(window()))
        iconRow = frame->MinimizedHeight();
    setGeometry(x(), 0, width(), std::max(minimumHeight(), ClientArea().height() - iconRow));
}

void CMDIChildWndEx::MaximizeWidth() {
    if (!CanMaximizePartly() || mdiArea() == nullptr)
        return;
    setGeometry(0, y(), ClientArea().width(), height());
}

QRect CMDIChildWndEx::NormalRect() const {
    return CanMaximizePartly() || !m_normalRect.isValid() ? geometry() : m_normalRect;
}

void CMDIChildWndEx::SaveCurrentPosition() {
    const QRect rect = NormalRect();
    WriteProfileString(QStringLiteral("Window"), PositionEntry(),
                       FormatFourInts(rect.x(), rect.y(), rect.width(), rect.height()));
}

void CMDIChildWndEx::RememberNormalRect() {
    if (CanMaximizePartly() && !isShaded())
        m_normalRect = geometry();
}

void CMDIChildWndEx::moveEvent(QMoveEvent* event) {
    QMdiSubWindow::moveEvent(event);
    RememberNormalRect();
}

void CMDIChildWndEx::resizeEvent(QResizeEvent* event) {
    QMdiSubWindow::resizeEvent(event);
    RememberNormalRect();
}

void CMDIChildWndEx::contextMenuEvent(QContextMenuEvent* event) {
    if (widget() != nullptr && widget()->geometry().contains(event->pos())) {
        event->ignore();
        return;
    }
    event->accept();
    if (auto* frame = qobject_cast<CMDIFrameWndEx*>(window()))
        frame->MoveToTop();
}

} // namespace GP
