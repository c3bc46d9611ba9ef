#pragma once

#include <QMdiSubWindow>
#include <QRect>

namespace GP {

// A child window of the main frame that knows its kind (the number of its document type),
// can take a stored placement, fill the main window's client area in height or width only,
// and store its current placement under "Window"/"Position<kind>".
class CMDIChildWndEx : public QMdiSubWindow {
    Q_OBJECT
public:
    explicit CMDIChildWndEx(int kind, QWidget* parent = nullptr);

    int Kind() const { return m_kind; }
    // The settings entry of this kind's placement: "Position" followed by the kind number.
    QString PositionEntry() const;

    // Reads the stored placement (x, y, width, height); the default of the smallest integers
    // leaves the placement to the window system. True when a stored placement was applied.
    bool ApplyStoredPlacement();
    // Moves the window 10 pixels right and down while its top-left corner coincides with
    // another child's.
    void AvoidCoincidingCorners();

    // Maximize Height, Maximize Width and Save Current Position.
    void MaximizeHeight();
    void MaximizeWidth();
    void SaveCurrentPosition();
    // The maximize commands need a window that is neither minimized nor maximized.
    bool CanMaximizePartly() const { return !isMinimized() && !isMaximized(); }
    // The rectangle the window has when it is neither minimized nor maximized.
    QRect NormalRect() const;

protected:
    // A right click on the title bar or the frame pops up the window list.
    void contextMenuEvent(QContextMenuEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void RememberNormalRect();
    QRect ClientArea() const;

    int m_kind;
    QRect m_normalRect;
};

} // namespace GP
