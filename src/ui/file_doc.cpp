#include "ui/file_doc.h"

#include "ui/text_codec.h"

namespace CorvDesktop {

CFileDoc::CFileDoc(Corv::CProjectDocument& document, QObject* parent)
    : QObject(parent), m_document(document) {}

QString CFileDoc::Title() const {
    return CTextCodec::DecodePath(m_document.Title());
}

QString CFileDoc::DisplayName() const {
    const std::string folder = m_document.Data().ProjectFolder();
    return folder.empty() ? Title() : CTextCodec::DecodePath(folder);
}

QString CFileDoc::FrameTitle() const {
    return QStringLiteral("%1 %2").arg(Title(), IsModified() ? QStringLiteral("*") : QString());
}

void CFileDoc::SetModifiedFlag(bool modified) {
    m_document.SetModifiedFlag(modified);
    emit ModifiedChanged();
}

void CFileDoc::UpdateAllViews() {
    emit ViewsUpdateRequested();
}

} // namespace CorvDesktop
