#include "gp/anchor_layout.h"

#include <QFontMetrics>
#include <QVariant>
#include <QWidget>

namespace GP {

namespace {

const char* const kTemplateSizeProperty = "gpTemplateSize";

// a × b ÷ c, rounded, in 64 bits.
int MulDiv(int a, int b, int c) {
    if (c == 0)
        return a;
    const long long product = static_cast<long long>(a) * b;
    const long long half = (c > 0 ? c : -c) / 2;
    return static_cast<int>((product >= 0 ? product + half : product - half) / c);
}

// Moves one pair of edges (left/right or top/bottom) by the table of one direction. Without
// the scale bit: `follow` moves both edges with the far edge, `stretch` moves only the far
// edge. With it: follow + scale scales the near edge (the far one follows), stretch + scale
// scales both, the fixed mode + scale scales the far edge only.
void Edges(int& nearEdge, int& farEdge, int part, int fixedBit, int followBit, int scaleBit,
           int delta, int current, int templ) {
    const bool scaled = (part & scaleBit) != 0;
    const int mode = part & ~scaleBit;
    const int stretchBits = fixedBit | followBit;
    const auto scale = [&](int edge) { return MulDiv(edge, current, templ); };
    if (mode == followBit) {
        nearEdge = scaled ? scale(nearEdge) : nearEdge + delta;
        farEdge += delta;
    } else if (mode == stretchBits) {
        if (scaled) {
            nearEdge = scale(nearEdge);
            farEdge = scale(farEdge);
        } else {
            farEdge += delta;
        }
    } else if (mode == fixedBit && scaled) {
        farEdge = scale(farEdge);
    }
}

} // namespace

CDlgTempl::CDlgTempl(QSize size, const std::vector<CDlgItemTempl>& items) : m_size(size) {
    for (const auto& item : items)
        m_items[item.id] = item;
}

const CDlgTempl::CDlgItemTempl* CDlgTempl::Item(int id) const {
    const auto it = m_items.find(id);
    return it == m_items.end() ? nullptr : &it->second;
}

CDialogUnits CDialogUnits::ForFont(const QFont& font) {
    const QFontMetrics metrics(font);
    const int letters = metrics.horizontalAdvance(
        QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    CDialogUnits units;
    units.baseX = std::max(1, (letters / 26 + 1) / 2);
    units.baseY = std::max(1, metrics.height());
    return units;
}

QRect CDialogUnits::ToPixels(const QRect& rect) const {
    const int left = MulDiv(rect.x(), baseX, 4);
    const int top = MulDiv(rect.y(), baseY, 8);
    const int right = MulDiv(rect.x() + rect.width(), baseX, 4);
    const int bottom = MulDiv(rect.y() + rect.height(), baseY, 8);
    return QRect(QPoint(left, top), QSize(right - left, bottom - top));
}

QSize CDialogUnits::ToPixels(const QSize& size) const {
    return QSize(MulDiv(size.width(), baseX, 4), MulDiv(size.height(), baseY, 8));
}

QRect AnchorRect(const QRect& templateRect, QSize templateSize, QSize currentSize, int code) {
    // Edges as exclusive right/bottom, as the tables count them.
    int left = templateRect.x();
    int right = templateRect.x() + templateRect.width();
    int top = templateRect.y();
    int bottom = templateRect.y() + templateRect.height();
    Edges(left, right, code & 19, kAnchorLeft, kAnchorRight, kAnchorScaleX,
          currentSize.width() - templateSize.width(), currentSize.width(), templateSize.width());
    Edges(top, bottom, code & 44, kAnchorTop, kAnchorBottom, kAnchorScaleY,
          currentSize.height() - templateSize.height(), currentSize.height(),
          templateSize.height());
    return QRect(QPoint(left, top), QSize(right - left, bottom - top));
}

CAnchorLayout::CAnchorLayout(QWidget& window, const CDlgTempl& templ, const CDialogUnits& units,
                             QSize currentSize, QPoint scrollOffset)
    : m_window(window), m_templ(templ), m_units(units), m_currentSize(currentSize),
      m_scroll(scrollOffset) {
    m_window.setProperty(kTemplateSizeProperty, m_units.ToPixels(m_templ.Size()));
}

QSize TemplateSizeOf(const QWidget& window) {
    return window.property(kTemplateSizeProperty).toSize();
}

QRect CAnchorLayout::Rect(int id, int code) const {
    const CDlgTempl::CDlgItemTempl* item = m_templ.Item(id);
    if (item == nullptr)
        return QRect();
    const QRect rect = AnchorRect(m_units.ToPixels(item->rect), m_units.ToPixels(m_templ.Size()),
                                  m_currentSize, code);
    return rect.translated(-m_scroll);
}

void CAnchorLayout::Add(int id, QWidget* control, int code) {
    if (control == nullptr || control->parentWidget() != &m_window || m_templ.Item(id) == nullptr)
        return;
    control->setGeometry(Rect(id, code));
}

} // namespace GP
