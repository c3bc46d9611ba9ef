#include "gp/form_view_ex.h"

#include <QEvent>
#include <QMdiSubWindow>
#include <QMouseEvent>
#include <QResizeEvent>

namespace GP {

CFormViewEx::CFormViewEx(const CDlgTempl& templ, QWidget* parent)
    : QScrollArea(parent), m_templ(templ), m_form(new QWidget) {
    setWidgetResizable(false);
    setFrameShape(QFrame::NoFrame);
    m_form->installEventFilter(this);
    setWidget(m_form);
    // The viewport changes size also when scroll bars come and go.
    viewport()->installEventFilter(this);
}

QSize CFormViewEx::TemplateSize() const {
    return CDialogUnits::ForFont(m_form->font()).ToPixels(m_templ.Size());
}

CAnchorLayout CFormViewEx::BeginLayout(int width, int height) const {
    return CAnchorLayout(*m_form, m_templ, CDialogUnits::ForFont(m_form->font()),
                         QSize(width, height));
}

void CFormViewEx::RunLayout() {
    const QSize templ = TemplateSize();
    const QSize area = viewport()->size();
    const QSize size(std::max(area.width(), templ.width()),
                     std::max(area.height(), templ.height()));
    m_form->resize(size);
    Layout(size.width(), size.height());
}

void CFormViewEx::resizeEvent(QResizeEvent* event) {
    QScrollArea::resizeEvent(event);
    RunLayout();
}

void CFormViewEx::FitFrame() {
    QWidget* frame = window();
    for (QWidget* w = parentWidget(); w != nullptr; w = w->parentWidget())
        if (auto* child = qobject_cast<QMdiSubWindow*>(w)) {
            frame = child;
            break;
        }
    if (frame == nullptr || frame->isMaximized())
        return;
    const QSize extra = TemplateSize() - viewport()->size();
    frame->resize(frame->size() + extra);
}

bool CFormViewEx::eventFilter(QObject* watched, QEvent* event) {
    if (watched == viewport() && event->type() == QEvent::Resize)
        RunLayout();
    if (watched == m_form && event->type() == QEvent::MouseButtonDblClick) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (m_form->childAt(mouse->position().toPoint()) == nullptr) {
            FitFrame();
            return true;
        }
    }
    return QScrollArea::eventFilter(watched, event);
}

} // namespace GP
