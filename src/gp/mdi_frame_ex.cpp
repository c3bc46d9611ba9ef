#include "gp/mdi_frame_ex.h"

#include "gp/profile.h"
#include "gp/version_info.h"
#include "gp/window_list.h"

#include <QCursor>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QStyle>
#include <algorithm>

namespace GP {

namespace {

const QString kWindow = QStringLiteral("Window");

} // namespace

CMDIFrameWndEx::CMDIFrameWndEx(QWidget* parent)
    : QMainWindow(parent), m_mdiArea(new QMdiArea(this)), m_windowList(new QMenu(this)) {
    m_mdiArea->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_mdiArea->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setCentralWidget(m_mdiArea);
    connect(m_windowList, &QMenu::aboutToShow, this, &CMDIFrameWndEx::RebuildWindowList);
}

CMDIFrameWndEx::~CMDIFrameWndEx() {
    SavePosition();
}

bool CMDIFrameWndEx::LoadPlacement(const QRect& defaultRect) {
    int left = 0, top = 0, right = 0, bottom = 0;
    const QString stored = GetProfileString(kWindow, QStringLiteral("Position"));
    QRect rect = defaultRect;
    if (ParseFourInts(stored, left, top, right, bottom) && right > left && bottom > top)
        rect = QRect(QPoint(left, top), QSize(right - left, bottom - top));
    // The stored rectangle is the window's outer position and its size.
    move(rect.topLeft());
    resize(rect.size());
    return GetProfileInt(kWindow, QStringLiteral("Maximized"), 0) != 0;
}

bool CMDIFrameWndEx::LoadBarState() {
    const QString stored =
        GetProfileString(QStringLiteral("Version"), QStringLiteral("FileVersion"));
    if (stored != VersionString(QStringLiteral("FileVersion")))
        return false;
    const QByteArray state =
        GetProfileBinary(QStringLiteral("ControlBar"), QStringLiteral("State"));
    return !state.isEmpty() && restoreState(state);
}

void CMDIFrameWndEx::SaveStateOnClose() {
    WriteProfileInt(kWindow, QStringLiteral("Maximized"), isMaximized() ? 1 : 0);
    WriteProfileString(QStringLiteral("Version"), QStringLiteral("FileVersion"),
                       VersionString(QStringLiteral("FileVersion")));
    WriteProfileBinary(QStringLiteral("ControlBar"), QStringLiteral("State"), saveState());
}

void CMDIFrameWndEx::SavePosition() {
    const QRect rect = isMaximized() || isMinimized() ? normalGeometry() : QRect(pos(), size());
    if (!rect.isValid())
        return;
    WriteProfileString(kWindow, QStringLiteral("Position"),
                       FormatFourInts(rect.left(), rect.top(), rect.left() + rect.width(),
                                      rect.top() + rect.height()));
}

QString CMDIFrameWndEx::ChildTitle(QMdiSubWindow* child) const {
    return child->windowTitle();
}

void CMDIFrameWndEx::RebuildWindowList() {
    m_windowList->clear();
    const QList<QMdiSubWindow*> children = m_mdiArea->subWindowList();
    std::vector<QString> titles;
    int active = -1;
    for (QMdiSubWindow* child : children) {
        if (child == m_mdiArea->activeSubWindow())
            active = static_cast<int>(titles.size());
        titles.push_back(ChildTitle(child));
    }
    int id = kFirstWindowListId;
    for (const CWindowListEntry& entry : BuildWindowList(titles, active)) {
        QMdiSubWindow* child = children[entry.window];
        QAction* action = m_windowList->addAction(entry.text);
        action->setData(id++);
        action->setCheckable(true);
        action->setChecked(entry.checked);
        connect(action, &QAction::triggered, this, [this, child] { ActivateChild(child); });
    }
    m_windowList->setEnabled(!children.isEmpty());
}

void CMDIFrameWndEx::MoveToTop() {
    RebuildWindowList();
    if (!m_windowList->isEmpty())
        m_windowList->popup(QCursor::pos());
}

void CMDIFrameWndEx::ActivateChild(QMdiSubWindow* child) {
    if (!m_mdiArea->subWindowList().contains(child))
        return;
    if (child->isMinimized())
        child->showNormal();
    m_mdiArea->setActiveSubWindow(child);
    child->raise();
}

int CMDIFrameWndEx::MinimizedHeight() const {
    const int title = style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, this);
    const int frame = style()->pixelMetric(QStyle::PM_MdiSubWindowFrameWidth, nullptr, this);
    return title + 2 * frame;
}

QSize CMDIFrameWndEx::UsableSize(QMdiSubWindow* child) const {
    return child->minimumSize();
}

void CMDIFrameWndEx::Cascade() {
    QList<QMdiSubWindow*> children; // bottom to top, so that the active one ends on top
    for (QMdiSubWindow* child : m_mdiArea->subWindowList(QMdiArea::StackingOrder))
        if (!child->isMinimized())
            children << child;
    if (children.isEmpty())
        return;
    const QSize area = m_mdiArea->viewport()->size();
    const int step = style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, children.front()) +
                     style()->pixelMetric(QStyle::PM_MdiSubWindowFrameWidth, nullptr, this);
    QSize least(0, 0);
    for (QMdiSubWindow* child : children)
        least = least.expandedTo(UsableSize(child));
    const int count = static_cast<int>(children.size());
    const int fitting = std::min(area.height() - least.height(), area.width() - least.width());
    const int perRun = std::clamp(fitting / step + 1, 1, count);
    const int runs = (count + perRun - 1) / perRun;
    const int height = std::max(least.height(), area.height() - (perRun - 1) * step);
    const int width = std::max(least.width(), area.width() - (perRun + runs - 2) * step);
    for (int i = 0; i < count; ++i) {
        QMdiSubWindow* child = children[i];
        if (child->isMaximized())
            child->showNormal();
        const int row = i % perRun;
        const int x = std::min((row + i / perRun) * step, std::max(0, area.width() - width));
        child->setGeometry(x, row * step, width, height);
        child->raise();
    }
}

void CMDIFrameWndEx::Tile(bool horizontally) {
    QList<QMdiSubWindow*> children;
    for (QMdiSubWindow* child : m_mdiArea->subWindowList())
        if (!child->isMinimized())
            children << child;
    if (children.isEmpty())
        return;
    const QRect area = m_mdiArea->viewport()->rect();
    const int count = static_cast<int>(children.size());
    // As many side by side as keep each at its usable size across the tiling; the rest are
    // stacked in the other direction (a grid) rather than squeezed below use.
    int usable = 1;
    for (QMdiSubWindow* child : children) {
        const QSize size = UsableSize(child);
        usable = std::max(usable, horizontally ? size.height() : size.width());
    }
    const int across = horizontally ? area.height() : area.width();
    const int lines = std::clamp(across / usable, 1, count); // side by side
    const int perLine = (count + lines - 1) / lines;         // stacked in each
    const int used = (count + perLine - 1) / perLine;        // lines that get a window
    for (int i = 0; i < count; ++i) {
        QMdiSubWindow* child = children[i];
        if (child->isMaximized())
            child->showNormal();
        const int line = i / perLine;
        const int inLine = std::min(perLine, count - line * perLine);
        const int place = i % perLine;
        const int from = across * line / used;
        const int to = across * (line + 1) / used;
        const int along = horizontally ? area.width() : area.height();
        const int start = along * place / inLine;
        const int end = along * (place + 1) / inLine;
        if (horizontally)
            child->setGeometry(start, from, end - start, to - from);
        else
            child->setGeometry(from, start, to - from, end - start);
    }
}

void CMDIFrameWndEx::TileHorizontally() {
    Tile(true);
}

void CMDIFrameWndEx::TileVertically() {
    Tile(false);
}

void CMDIFrameWndEx::ArrangeIcons() {
    const QRect area = m_mdiArea->viewport()->rect();
    int x = 0;
    int row = 1;
    for (QMdiSubWindow* child : m_mdiArea->subWindowList()) {
        if (!child->isMinimized())
            continue;
        const QSize size = child->size();
        if (x > 0 && x + size.width() > area.width()) {
            x = 0;
            ++row;
        }
        child->move(x, area.height() - row * size.height());
        x += size.width();
    }
}

} // namespace GP
