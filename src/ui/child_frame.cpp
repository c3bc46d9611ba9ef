#include "ui/child_frame.h"

#include "ui/app_shell.h"
#include "ui/file_doc.h"
#include "ui/file_view.h"

#include <QCloseEvent>

namespace CorvDesktop {

CFileFrame::CFileFrame(CFileDoc& document, QWidget* parent)
    : CChildFrame(kProjectKind, parent), m_document(document), m_view(new CFileView(document)) {
    setWidget(m_view);
    setMinimumSize(kMinWidth, kMinHeight);
    connect(&m_document, &CFileDoc::ModifiedChanged, this, &CFileFrame::UpdateTitle);
    UpdateTitle();
}

void CFileFrame::UpdateTitle() {
    setWindowTitle(m_document.FrameTitle());
}

void CFileFrame::closeEvent(QCloseEvent* event) {
    if (!m_closeApproved) {
        IAppShell* app = IAppShell::Instance();
        if (app != nullptr && !app->Documents().SaveModified(m_document)) {
            event->ignore();
            return;
        }
        m_closeApproved = true;
    }
    CChildFrame::closeEvent(event);
}

} // namespace CorvDesktop
