#include "ui/drag_state.h"

#include <QCoreApplication>
#include <QDataStream>
#include <QDateTime>
#include <QIODevice>
#include <QMdiSubWindow>
#include <QMimeData>
#include <algorithm>

namespace CorvDesktop {

namespace {

constexpr const char* kFormats[3] = {"application/x-corvanelibrarian-patch",
                                     "application/x-corvanelibrarian-tone",
                                     "application/x-corvanelibrarian-wave"};
constexpr int kHoverTickMs = 100;

} // namespace

QString DragFormat(int kind) {
    return kind >= 0 && kind < 3 ? QString::fromLatin1(kFormats[kind]) : QString();
}

QMimeData* MakeDragData(const DragPayload& payload) {
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out << payload.process << quint64{payload.project} << quint64{payload.drag}
        << qint32(payload.grabOffset) << qint32(payload.rows.size());
    for (const int row : payload.rows)
        out << qint32(row);
    out << payload.folder << payload.fingerprints;
    auto* data = new QMimeData;
    data->setData(DragFormat(payload.kind), bytes);
    return data;
}

std::optional<DragPayload> ReadDragData(const QMimeData* data) {
    for (int kind = 0; data != nullptr && kind < 3; ++kind) {
        if (!data->hasFormat(DragFormat(kind)))
            continue;
        const QByteArray bytes = data->data(DragFormat(kind));
        QDataStream in(bytes);
        DragPayload payload;
        payload.kind = kind;
        quint64 project = 0;
        quint64 drag = 0;
        qint32 grabOffset = 0;
        qint32 count = 0;
        in >> payload.process >> project >> drag >> grabOffset >> count;
        if (in.status() != QDataStream::Ok || count < 0 || count > bytes.size() / 4 ||
            payload.process != QCoreApplication::applicationPid())
            return std::nullopt;
        payload.project = project;
        payload.drag = drag;
        payload.grabOffset = grabOffset;
        for (qint32 i = 0; i < count; ++i) {
            qint32 row = 0;
            in >> row;
            payload.rows.push_back(row);
        }
        in >> payload.folder >> payload.fingerprints;
        if (in.status() != QDataStream::Ok)
            return std::nullopt;
        return payload;
    }
    return std::nullopt;
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

CDragState::CDragState() : clock([] { return QDateTime::currentMSecsSinceEpoch(); }) {
    m_hoverTimer.setInterval(kHoverTickMs);
    connect(&m_hoverTimer, &QTimer::timeout, this, &CDragState::CheckHover);
}

std::uint64_t CDragState::Begin(int count) {
    m_dragging = true;
    m_count = count;
    m_dropPosition = 0;
    m_target = nullptr;
    m_flags = {};
    m_hoverTimer.start();
    return ++m_serial;
}

void CDragState::End() {
    if (m_target != nullptr)
        emit TargetLeft(m_target);
    m_dragging = false;
    m_count = 0;
    m_target = nullptr;
    m_hoverWindow = nullptr;
    m_hoverTimer.stop();
    m_attachment.reset();
    SetPreview({});
}

void CDragState::SetTarget(QObject* list) {
    if (m_target == list)
        return;
    if (m_target != nullptr)
        emit TargetLeft(m_target);
    m_target = list;
    SetPreview({}); // worked out anew for the new list
}

void CDragState::SetPreview(const QString& text) {
    if (text == m_preview)
        return;
    m_preview = text;
    emit PreviewChanged(text);
}

void CDragState::Hover(QWidget* window, QPoint globalPosition, bool current) {
    m_hoverCurrent = current;
    if (window == m_hoverWindow && globalPosition == m_hoverPosition)
        return;
    m_hoverWindow = window;
    m_hoverPosition = globalPosition;
    m_hoverStart = Now();
}

void CDragState::CheckHover() {
    if (m_hoverWindow == nullptr || m_hoverCurrent || Now() - m_hoverStart <= kHoverRaiseMs)
        return;
    QWidget* raised = m_hoverWindow;
    m_hoverWindow = nullptr; // raised once until the cursor moves on
    QWidget* front = raised;
    for (QWidget* widget = raised; widget != nullptr; widget = widget->parentWidget())
        if (qobject_cast<QMdiSubWindow*>(widget) != nullptr) {
            front = widget; // the window's frame
            break;
        }
    front->raise();
    emit HoverRaised(raised);
}

} // namespace CorvDesktop
