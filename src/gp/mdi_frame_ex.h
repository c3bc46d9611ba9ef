#pragma once

#include <QMainWindow>
#include <QRect>

class QMdiArea;
class QMdiSubWindow;
class QMenu;

namespace GP {

// A multiple-document main window that remembers its placement and its bars in the settings
// profile and offers the window list ("Move to Top"), tiling and arranging of its children.
class CMDIFrameWndEx : public QMainWindow {
    Q_OBJECT
public:
    // The first command id of the window list's entries.
    static constexpr int kFirstWindowListId = 57113;

    explicit CMDIFrameWndEx(QWidget* parent = nullptr);
    ~CMDIFrameWndEx() override;

    QMdiArea* MdiArea() const { return m_mdiArea; }

    // Reads "Window"/"Position" ("%d,%d,%d,%d": left, top, right, bottom; the default when absent
    // or unreadable) and applies it; true when "Window"/"Maximized" asks to maximize.
    bool LoadPlacement(const QRect& defaultRect);
    // Restores the bars' docking state from "ControlBar" only when the stored "Version"/
    // "FileVersion" equals the running program's; false when the default docking stays.
    bool LoadBarState();
    // Writes "Maximized", "FileVersion" and the bars' state (when the window closes).
    void SaveStateOnClose();
    // Writes "Window"/"Position" from the normal (restored) rectangle.
    void SavePosition();

    // The submenu that lists the child windows; rebuilt each time it is about to show.
    QMenu* WindowListMenu() const { return m_windowList; }
    // Rebuilds the window list from the open child windows.
    void RebuildWindowList();
    // Move to Top: rebuilds the list and pops it up at the mouse cursor.
    void MoveToTop();
    // Activates a child (restoring it when minimized).
    void ActivateChild(QMdiSubWindow* child);

    // Children one behind the other, each offset by a title bar from the one before and each at
    // least its usable size (UsableSize); when the client area cannot hold them all in one
    // diagonal, the next ones start again at the top, a title bar further right.
    void Cascade();
    // Children side by side: one above the other (horizontally) or next to each other; when
    // that would make them smaller than their usable size (UsableSize) across the tiling, as
    // many as fit share the area that way and the rest are stacked in the other direction.
    void TileHorizontally();
    void TileVertically();
    // Minimized children in a row along the bottom of the client area.
    void ArrangeIcons();
    // The height of a minimized child's title bar.
    int MinimizedHeight() const;

protected:
    // The title a child shows in the window list.
    virtual QString ChildTitle(QMdiSubWindow* child) const;
    // The smallest size at which a child is still of use; Cascade never makes it smaller, and
    // the tilings avoid making it smaller. The base: the child's minimum size.
    virtual QSize UsableSize(QMdiSubWindow* child) const;

private:
    void Tile(bool horizontally);

    QMdiArea* m_mdiArea = nullptr;
    QMenu* m_windowList = nullptr;
};

} // namespace GP
