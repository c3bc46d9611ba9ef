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
    // another child's; where that would leave the client area, it starts again at the top.
    void AvoidCoincidingCorners();
    // Shrinks the window to the main window's client area (never below its minimum size) and
    // moves it fully inside.
    void FitInClientArea();
    // Resizes the window so that its content shows at the size of the form template it was
    // laid out from; false (nothing done) while maximized or without such a template.
    bool FitToForm();

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
    // Watches the content: a double click on its background (not on a control) fits the window.
    void childEvent(QChildEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    bool CornerTaken(const QPoint& corner) const;
    void RememberNormalRect();
    QRect ClientArea() const;

    int m_kind;
    QRect m_normalRect;
};

} // namespace GP
