#include "gp/mdi_child_ex.h"

#include "gp/mdi_frame_ex.h"
#include "gp/profile.h"

#include <QContextMenuEvent>
#include <QMdiArea>
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

void CMDIChildWndEx::AvoidCoincidingCorners() {
    if (mdiArea() == nullptr)
        return;
    const QList<QMdiSubWindow*> others = mdiArea()->subWindowList();
    for (bool moved = true; moved;) {
        moved = false;
        for (QMdiSubWindow* other : others)
            if (other != this && other->pos() == pos()) {
                move(pos() + QPoint(10, 10));
                moved = true;
                break;
            }
    }
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
