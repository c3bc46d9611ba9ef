#pragma once

#include <QFont>
#include <QRect>
#include <QSize>
#include <map>
#include <vector>

class QWidget;

namespace GP {

// Anchor codes: the horizontal part is code & 19, the vertical part code & 44.
enum Anchor : int {
    kAnchorLeft = 1,       // fixed to the left (the default)
    kAnchorRight = 2,      // follows the right edge
    kAnchorLeftRight = 3,  // stretches with the width
    kAnchorTop = 4,        // fixed to the top (the default)
    kAnchorBottom = 8,     // follows the bottom edge
    kAnchorTopBottom = 12, // stretches with the height
    kAnchorScaleX = 16,    // with 1, 2 or 3: the fixed edges scale with the width
    kAnchorScaleY = 32,    // with 4, 8 or 12: the fixed edges scale with the height
};

// A form's template: its size and each control's rectangle, in dialog units.
class CDlgTempl {
public:
    // One control of the template.
    struct CDlgItemTempl {
        int id = 0;
        QRect rect; // dialog units
    };

    CDlgTempl() = default;
    CDlgTempl(QSize size, const std::vector<CDlgItemTempl>& items);

    QSize Size() const { return m_size; }
    // Null when the template has no such control.
    const CDlgItemTempl* Item(int id) const;

private:
    QSize m_size;
    std::map<int, CDlgItemTempl> m_items;
};

// Dialog units and pixels: x × average character width ÷ 4, y × character height ÷ 8.
struct CDialogUnits {
    int baseX = 8;  // average character width in pixels
    int baseY = 16; // character height in pixels

    static CDialogUnits ForFont(const QFont& font);
    QRect ToPixels(const QRect& rect) const;
    QSize ToPixels(const QSize& size) const;
};

// The rectangle of a control (pixels) laid out by its anchor code: from its template rectangle,
// the template size and the current size, never from where the control stands now.
QRect AnchorRect(const QRect& templateRect, QSize templateSize, QSize currentSize, int code);

// One layout pass over a window: bind the window and its template, then add each control with
// its anchor code; each add places the control at once. The window keeps the template's size in
// pixels (TemplateSizeOf), so that its frame can be fitted around it.
class CAnchorLayout {
public:
    CAnchorLayout(QWidget& window, const CDlgTempl& templ, const CDialogUnits& units,
                  QSize currentSize, QPoint scrollOffset = QPoint());
    // Places the control (a child of the window) laid out for the template's control `id`.
    void Add(int id, QWidget* control, int code);
    // The rectangle Add would give, without moving anything.
    QRect Rect(int id, int code) const;

private:
    QWidget& m_window;
    const CDlgTempl& m_templ;
    CDialogUnits m_units;
    QSize m_currentSize;
    QPoint m_scroll;
};

// The template size, in pixels, of the last layout pass over a window; invalid when the window
// was never laid out from a template.
QSize TemplateSizeOf(const QWidget& window);

} // namespace GP
