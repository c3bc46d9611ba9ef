#include "ui/file_doc.h"

#include "ui/text_codec.h"

namespace CorvDesktop {

CFileDoc::CFileDoc(Corv::CProjectDocument& document, QObject* parent)
    : QObject(parent), m_document(document) {}

namespace {

const QString kReadOnly = QStringLiteral("(read-only)");

} // namespace

QString CFileDoc::Title() const {
    const QString title = CTextCodec::DecodePath(m_document.Title());
    return m_origin ? QStringLiteral("%1 \u2014 version %2").arg(title).arg(m_origin->version)
                    : title;
}

QString CFileDoc::DisplayName() const {
    // The scratch folder of a version means nothing to the user: the project it came from does.
    if (m_origin)
        return QStringLiteral("%1 \u2014 version %2 %3")
            .arg(CTextCodec::DecodePath(m_origin->project))
            .arg(m_origin->version)
            .arg(kReadOnly);
    const std::string folder = m_document.Data().ProjectFolder();
    return folder.empty() ? Title() : CTextCodec::DecodePath(folder);
}

QString CFileDoc::FrameTitle() const {
    return QStringLiteral("%1 %2").arg(Title(), IsReadOnly()   ? kReadOnly
                                                : IsModified() ? QStringLiteral("*")
                                                               : QString());
}

QString CFileDoc::ReadOnlyRefusal() const {
    return QStringLiteral("%1 is read-only: drag or copy what you need from it into a project")
        .arg(Title());
}

void CFileDoc::SetModifiedFlag(bool modified) {
    if (IsReadOnly())
        return;
    m_document.SetModifiedFlag(modified);
    emit ModifiedChanged();
}

void CFileDoc::UpdateAllViews() {
    emit ViewsUpdateRequested();
}

} // namespace CorvDesktop
