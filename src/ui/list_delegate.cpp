#include "ui/list_delegate.h"

#include "ui/desktop.h"
#include "ui/list_columns.h"
#include "ui/parameter_list_model.h"
#include "ui/wave_drawing.h"
#include "ui/wave_pictures.h"
#include "ui/wave_services.h"

#include <QAbstractItemView>
#include <QHelpEvent>
#include <QImage>
#include <QPainter>
#include <QToolTip>

namespace CorvDesktop {

namespace {

const QColor kGreyText(128, 128, 128);
const QColor kUnfocusedSelection(192, 192, 192);

// The length of `text` without splitting a surrogate pair at its end.
qsizetype WholeCharacters(const QString& text, qsizetype length) {
    if (length > 0 && length < text.size() && text[length - 1].isHighSurrogate())
        --length;
    return length;
}

Qt::Alignment HorizontalAlignment(int alignment) {
    switch (alignment) {
    case 1:
        return Qt::AlignRight;
    case 2:
        return Qt::AlignHCenter;
    default:
        return Qt::AlignLeft;
    }
}

} // namespace

CListDelegate::CListDelegate(bool markers, QObject* parent)
    : QStyledItemDelegate(parent), m_markers(markers) {}

const QImage& CListDelegate::UsedMarker() {
    static const QImage marker = [] {
        // 6 x 6 pixels: '#' is the arrow, '.' lets the background through.
        static const char* const rows[6] = {"...#..", "...##.", "######",
                                            "######", "...##.", "...#.."};
        QImage image(6, 6, QImage::Format_ARGB32);
        image.fill(Qt::transparent);
        for (int y = 0; y < 6; ++y)
            for (int x = 0; x < 6; ++x)
                if (rows[y][x] == '#')
                    image.setPixelColor(x, y, QColor(255, 0, 0));
        return image;
    }();
    return marker;
}

QColor CListDelegate::LinkedBackground(const QPalette& palette) {
    const QColor highlight = palette.color(QPalette::Active, QPalette::Highlight);
    const QColor base = palette.color(QPalette::Base);
    const auto mix = [](int h, int b) { return (h + 3 * b) / 4; };
    return QColor(mix(highlight.red(), base.red()), mix(highlight.green(), base.green()),
                  mix(highlight.blue(), base.blue()));
}

QColor CListDelegate::Darkened(const QColor& color) {
    return QColor(std::max(0, color.red() - 4), std::max(0, color.green() - 4),
                  std::max(0, color.blue() - 4));
}

QColor CListDelegate::DropTargetBackground() {
    return QColor(255, 214, 130);
}

QPen CListDelegate::DropMarkPen() {
    return QPen(QColor(200, 90, 0), 3);
}

QString CListDelegate::ToolTipFor(const QString& text, const QFontMetrics& metrics, int width) {
    return Elide(text, metrics, width) == text ? QString() : text;
}

bool CListDelegate::helpEvent(QHelpEvent* event, QAbstractItemView* view,
                              const QStyleOptionViewItem& option, const QModelIndex& index) {
    if (event == nullptr || view == nullptr || event->type() != QEvent::ToolTip)
        return QStyledItemDelegate::helpEvent(event, view, option, index);
    // A wave without a picture says in full why it has none.
    if (const QString reason = index.data(Qt::ToolTipRole).toString(); !reason.isEmpty()) {
        QToolTip::showText(event->globalPos(), reason, view, option.rect);
        return true;
    }
    const QString tip = ToolTipFor(index.data(Qt::DisplayRole).toString(),
                                   QFontMetrics(option.font), option.rect.width());
    if (tip.isEmpty())
        QToolTip::hideText();
    else
        QToolTip::showText(event->globalPos(), tip, view, option.rect);
    return true;
}

QString CListDelegate::Elide(const QString& text, const QFontMetrics& metrics, int width) {
    const int blanks = 2 * metrics.horizontalAdvance(QLatin1Char(' '));
    const int dots = metrics.horizontalAdvance(QStringLiteral("..."));
    if (metrics.horizontalAdvance(text) + blanks <= width)
        return text;
    // Widths grow with the length: find the longest start that leaves room for "...".
    qsizetype low = 0;
    qsizetype high = text.size();
    while (low < high) {
        const qsizetype middle = (low + high + 1) / 2;
        if (metrics.horizontalAdvance(text.left(middle)) + blanks + dots < width)
            low = middle;
        else
            high = middle - 1;
    }
    return text.left(WholeCharacters(text, low)) + QStringLiteral("...");
}

CListDelegate::Colours CListDelegate::CellColours(const QStyleOptionViewItem& option,
                                                  const QModelIndex& index) const {
    const auto* view = qobject_cast<const QAbstractItemView*>(option.widget);
    const bool focused = view != nullptr && view->hasFocus();
    const bool enabled = view == nullptr || view->isEnabled();
    const bool free = index.data(CParameterListModel::FreeSlotRole).toBool();
    const QPalette& palette = option.palette;
    QColor normalText = palette.color(QPalette::Text);
    Colours colours{palette.color(QPalette::Base), normalText};
    // A row a dragged block would land on has a colour of its own.
    const bool dropTarget = index.data(CParameterListModel::DropTargetRole).toBool();
    if (dropTarget) {
        colours.background = DropTargetBackground();
        colours.text = Qt::black;
    } else if ((option.state & QStyle::State_Selected) != 0) {
        if (index.data(CParameterListModel::LinkedRole).toBool() && !focused) {
            colours.background = LinkedBackground(palette);
        } else if (focused) {
            colours.background = palette.color(QPalette::Active, QPalette::Highlight);
            colours.text = palette.color(QPalette::Active, QPalette::HighlightedText);
        } else {
            colours.background = kUnfocusedSelection;
            colours.text = normalText == kUnfocusedSelection ? QColor(Qt::black) : normalText;
        }
    }
    if (free || !enabled)
        colours.text = kGreyText;
    return colours;
}

void CListDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const {
    const Colours colours = CellColours(option, index);
    const bool numberCell = index.column() == 0;
    QColor background = colours.background;
    if (numberCell && index.data(CParameterListModel::AfterUsedRole).toBool())
        background = Darkened(background);
    painter->save();
    painter->fillRect(option.rect, background);
    const bool waveform = index.data(CParameterListModel::ColumnIdRole).toInt() == kColWaveform;
    if (waveform && PaintPicture(painter, option, index, colours)) {
        painter->restore();
        return;
    }

    const QFontMetrics metrics(option.font);
    const int blank = metrics.horizontalAdvance(QLatin1Char(' '));
    QRect textRect = option.rect.adjusted(blank, 0, -blank, 0);
    if (numberCell && m_markers) {
        const QImage& marker = UsedMarker();
        textRect.setLeft(textRect.left() + marker.width() / 2 + 2);
        if (index.data(CParameterListModel::UsedRole).toBool()) {
            const int top = option.rect.top() + (option.rect.height() - marker.height()) / 2;
            painter->drawImage(QPoint(option.rect.left() + 1, top), marker);
        }
    }
    // A used slot whose name is empty must not look like an empty slot.
    const bool unnamed = index.data(CParameterListModel::UnnamedRole).toBool();
    const QString text =
        Elide(unnamed ? QStringLiteral("(no name)") : index.data(Qt::DisplayRole).toString(),
              metrics, option.rect.width());
    const int alignment = index.data(CParameterListModel::AlignmentRole).toInt();
    QFont font = option.font;
    font.setItalic(unnamed);
    painter->setFont(font);
    painter->setPen((unnamed || waveform) && (option.state & QStyle::State_Selected) == 0
                        ? kGreyText
                        : colours.text);
    painter->drawText(textRect,
                      HorizontalAlignment(alignment) | Qt::AlignVCenter | Qt::TextSingleLine, text);
    painter->restore();
}

bool CListDelegate::PaintPicture(QPainter* painter, const QStyleOptionViewItem& option,
                                 const QModelIndex& index, const Colours& colours) const {
    const QString path = index.data(CParameterListModel::WavePathRole).toString();
    if (path.isEmpty())
        return true; // a free slot: nothing to draw
    const WavePicture* picture = CDesktop::Get().Waves().Pictures().Find(path);
    if (picture != nullptr && picture->state == WavePicture::State::NoPicture)
        return false;
    const QRect area = option.rect.adjusted(2, 1, -2, -1);
    if (picture == nullptr || picture->state == WavePicture::State::Pending) {
        DrawWavePlaceholder(*painter, area, Blend(colours.background, colours.text, 0.3));
        return true;
    }
    DrawWave(*painter, area, picture->peaks, colours.text,
             Blend(colours.background, colours.text, 0.35));
    return true;
}

} // namespace CorvDesktop
