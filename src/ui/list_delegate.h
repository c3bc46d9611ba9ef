#pragma once

#include <QFont>
#include <QPen>
#include <QStyledItemDelegate>

namespace CorvDesktop {

// Draws the cells of a parameter list: free slots in grey, the selection in the focused and the
// unfocused list, linked rows, the shortened text with "...", the used-marker of the tone and
// wave lists and the darkened number cell after the used length.
class CListDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    // `markers`: the list draws the used-marker in its number column (tone and wave lists).
    CListDelegate(bool markers, QObject* parent = nullptr);

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;

    // The text as drawn in a column `width` pixels wide: whole when it fits with a blank on
    // each side, otherwise cut from the end and followed by "...".
    static QString Elide(const QString& text, const QFontMetrics& metrics, int width);
    // The used-marker: a small red arrow pointing right on a see-through ground.
    static const QImage& UsedMarker();
    // The ground of a linked row (selected because of another list's selection): a quarter of
    // the highlight colour over the list's background, apart from both the selection's colours.
    static QColor LinkedBackground(const QPalette& palette);
    // A colour darkened by 4 in each of red, green and blue (never below 0).
    static QColor Darkened(const QColor& color);
    // The rows a dragged block would land on: amber, so that they cannot be taken for the
    // selection (or a linked row) whatever the desktop's colours; and the pen of the insertion
    // line and the overwrite frame drawn over them.
    static QColor DropTargetBackground();
    static QPen DropMarkPen();
    // The tooltip of a cell `width` pixels wide: its whole text where the cell shows it cut
    // short, nothing where it shows all of it.
    static QString ToolTipFor(const QString& text, const QFontMetrics& metrics, int width);

    // A truncated cell shows its whole text in a tooltip.
    bool helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
                   const QModelIndex& index) override;

private:
    struct Colours {
        QColor background;
        QColor text;
    };
    Colours CellColours(const QStyleOptionViewItem& option, const QModelIndex& index) const;
    // The Waveform cell of a used wave: its picture, or the placeholder while the picture is
    // being made. False when the wave has no picture: the cell says why in words.
    bool PaintPicture(QPainter* painter, const QStyleOptionViewItem& option,
                      const QModelIndex& index, const Colours& colours) const;

    bool m_markers;
};

} // namespace CorvDesktop
