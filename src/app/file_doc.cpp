#include "app/file_doc.h"

CFileDoc::CFileDoc(Corv::CProjectDocument& document, QObject* parent)
    : QObject(parent), m_document(document) {}

QString CFileDoc::Title() const { return QString::fromLocal8Bit(m_document.Title().c_str()); }

void CFileDoc::SetModifiedFlag(bool modified) {
    m_document.SetModifiedFlag(modified);
    emit ModifiedChanged();
}

void CFileDoc::UpdateAllViews() { emit ViewsUpdateRequested(); }
