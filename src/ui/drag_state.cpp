#include "ui/drag_state.h"

#include "edit/transfer.h"
#include "model/lum_data.h"
#include "ui/file_view.h"
#include "ui/parameter_list.h"
#include "ui/parameter_list_model.h"

#include <QDateTime>
#include <QFontMetrics>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMimeData>
#include <QPainter>
#include <algorithm>

namespace {

constexpr const char* kFormats[3] = {"application/x-corvanelibrarian-patch",
                                     "application/x-corvanelibrarian-tone",
                                     "application/x-corvanelibrarian-wave"};
constexpr int kPixmapRows = 12; // rows drawn in the drag picture before "and n more"
constexpr int kHoverTickMs = 100;

} // namespace

QString DragFormat(int kind) {
    return kind >= 0 && kind < 3 ? QString::fromLatin1(kFormats[kind]) : QString();
}

QMimeData* MakeDragData(int kind) {
    auto* data = new QMimeData;
    data->setData(DragFormat(kind), QByteArray(4, '\0'));
    return data;
}

int DragKind(const QMimeData* data) {
    for (int kind = 0; data != nullptr && kind < 3; ++kind)
        if (data->hasFormat(DragFormat(kind)))
            return kind;
    return -1;
}

DropFlags FlagsForKeys(Qt::KeyboardModifiers keys, bool overSourceList) {
    DropFlags flags;
    flags.insert = (keys & (Qt::AltModifier | Qt::ShiftModifier)) != 0;
    const bool control = (keys & Qt::ControlModifier) != 0;
    flags.copy = overSourceList ? control : !control;
    return flags;
}

int AutoScrollRows(qint64 elapsedMs) {
    if (elapsedMs < 3000)
        return 1;
    return static_cast<int>(elapsedMs / 1000);
}

QPixmap DragPixmap(const CParameterListCtrl& list, const std::vector<int>& rows) {
    const CParameterListModel* model = list.Model();
    QStringList lines;
    for (const int row : rows) {
        if (lines.size() == kPixmapRows) {
            lines << QObject::tr("and %1 more").arg(rows.size() - kPixmapRows);
            break;
        }
        lines << model->index(row, 0).data().toString() + QStringLiteral("  ") +
                     model->index(row, 1).data().toString();
    }
    const QFontMetrics metrics(list.font());
    int width = 0;
    for (const QString& line : lines)
        width = std::max(width, metrics.horizontalAdvance(line));
    const int lineHeight = metrics.height() + 2;
    QPixmap pixmap(width + 12, lineHeight * static_cast<int>(lines.size()) + 6);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setPen(QColor(160, 160, 160));
    painter.setBrush(QColor(255, 255, 255, 220));
    painter.drawRect(pixmap.rect().adjusted(0, 0, -1, -1));
    painter.setFont(list.font());
    painter.setPen(list.palette().color(QPalette::Text));
    for (int i = 0; i < lines.size(); ++i)
        painter.drawText(QRect(6, 3 + i * lineHeight, width, lineHeight),
                         Qt::AlignLeft | Qt::AlignVCenter, lines[i]);
    return pixmap;
}

CDragState& CDragState::Get() {
    static CDragState state;
    return state;
}

CDragState::CDragState() : clock([] { return QDateTime::currentMSecsSinceEpoch(); }) {
    m_hoverTimer.setInterval(kHoverTickMs);
    connect(&m_hoverTimer, &QTimer::timeout, this, &CDragState::CheckHover);
}

bool CDragState::Begin(CParameterListCtrl* source, int dragRow) {
    const Corv::CParameterArray* records = source != nullptr ? source->Records() : nullptr;
    if (records == nullptr || source->Project() == nullptr)
        return false;
    const std::vector<int> rows = source->SelectedRows();
    if (std::none_of(rows.begin(), rows.end(), [&](int row) {
            return !records->Item(static_cast<std::size_t>(row)).IsEmpty();
        }))
        return false;
    m_source = source;
    m_kind = source->Kind();
    m_rows = rows;
    m_dragRow = dragRow;
    const auto at = std::find(rows.begin(), rows.end(), dragRow);
    m_grabOffset = at == rows.end() ? 0 : static_cast<int>(at - rows.begin());
    m_contiguous = rows.back() - rows.front() + 1 == static_cast<int>(rows.size());
    m_dropPosition = dragRow;
    m_target = nullptr;
    m_dropDone = false;
    m_flags = {};
    m_transfer = Corv::StoreSelection(*source->Project(), rows, m_kind);
    m_hoverTimer.start();
    return true;
}

void CDragState::End() {
    if (m_target != nullptr)
        m_target->ShowDropFeedback(false);
    m_source = nullptr;
    m_target = nullptr;
    m_rows.clear();
    m_hoverView = nullptr;
    m_hoverTimer.stop();
    m_transfer = {};
    SetPreview({});
}

void CDragState::SetTarget(CParameterListCtrl* target) {
    if (m_target == target)
        return;
    if (m_target != nullptr)
        m_target->ShowDropFeedback(false);
    m_target = target;
    SetPreview({}); // worked out anew for the new list
}

void CDragState::SetPreview(const QString& text) {
    if (text == m_preview)
        return;
    m_preview = text;
    emit PreviewChanged(text);
}

void CDragState::Hover(CFileView* view, QPoint globalPosition) {
    if (view == m_hoverView && globalPosition == m_hoverPosition)
        return;
    m_hoverView = view;
    m_hoverPosition = globalPosition;
    m_hoverStart = Now();
}

void CDragState::CheckHover() {
    if (m_hoverView == nullptr || m_hoverView == CFileView::Current() ||
        Now() - m_hoverStart <= kHoverRaiseMs)
        return;
    CFileView* raised = m_hoverView;
    m_hoverView = nullptr; // raised once until the cursor moves on
    raised->RaiseFrame();
    emit HoverRaised(raised);
}
