#include "app/doc_manager.h"

#include "app/select_project_dialog.h"
#include "gp/profile.h"
#include "storage/text_out.h"
#include "ui/child_frame.h"
#include "ui/file_doc.h"
#include "ui/main_frame.h"
#include "ui/system_folder.h"
#include "ui/text_codec.h"

#include <QApplication>
#include <QFileInfo>
#include <QMessageBox>
#include <algorithm>

namespace {

const QString kOpenFolder = QStringLiteral("OpenFolder");
const QString kFolderName = QStringLiteral("FolderName");

} // namespace

CDocManager::CDocManager(QObject* parent) : QObject(parent) {}

void CDocManager::Install() {
    m_recent.Load();
    Corv::CProjectDocuments::Get().SetHooks(this);
}

CDocManager::~CDocManager() {
    CloseAllDocuments();
    if (&Corv::CProjectDocuments::Get().Hooks() == this)
        Corv::CProjectDocuments::Get().SetHooks(nullptr);
}

CFileDoc* CDocManager::Attach(Corv::CProjectDocument& core) {
    m_entries.push_back({std::make_unique<CFileDoc>(core), nullptr});
    CFileDoc* document = m_entries.back().document.get();
    if (m_mainFrame != nullptr) {
        CFileFrame* frame = m_mainFrame->CreateProjectFrame(*document);
        m_entries.back().frame = frame;
        connect(frame, &QObject::destroyed, this, [this, document] { Forget(document); });
    }
    emit DocumentsChanged();
    return document;
}

CFileDoc* CDocManager::NewDocument() {
    return Attach(Corv::CProjectDocuments::Get().New());
}

CFileDoc* CDocManager::OpenDocumentFile(const QString& path) {
    Corv::CProjectDocument* core =
        Corv::CProjectDocuments::Get().OpenProject(CTextCodec::EncodePath(path));
    if (core == nullptr)
        return nullptr;
    if (CFileDoc* open = Find(*core))
        return open; // already open: the hook brought it to the front
    return Attach(*core);
}

CFileDoc* CDocManager::ChooseAndOpen() {
    QString chosen;
    if (!ChooseFolder(true, RememberedFolder(), chosen))
        return nullptr;
    return OpenDocumentFile(chosen);
}

CFileDoc* CDocManager::OpenRecentFile(int index) {
    if (index < 0 || index >= m_recent.Entries().size())
        return nullptr;
    CFileDoc* document = OpenDocumentFile(m_recent.Entries()[index]);
    if (document == nullptr) {
        m_recent.Remove(index);
        emit RecentFilesChanged();
    }
    return document;
}

QString CDocManager::RememberedFolder() {
    return GP::GetProfileString(kOpenFolder, kFolderName);
}

bool CDocManager::ChooseFolder(bool openMode, const QString& start, QString& chosen) {
    CDialogProjectChooser fallback(m_mainFrame);
    IProjectChooser& chooser = m_chooser != nullptr ? *m_chooser : fallback;
    return chooser.Choose(openMode, start, chosen);
}

QString CDocManager::SaveStartFolder(const CFileDoc& document) {
    const std::string& own = document.Core().PathName();
    if (!own.empty())
        return CTextCodec::DecodePath(own);
    // An untitled project starts beside the last project opened or saved, never on it: a
    // chooser that started on another project would replace it with two presses of Enter.
    QString last = RememberedFolder().replace(u'\\', u'/');
    while (last.size() > 1 && last.endsWith(u'/'))
        last.chop(1);
    return last.isEmpty() ? QString() : QFileInfo(SystemFolder(last)).path();
}

bool CDocManager::ChooseSaveFolder(CFileDoc& document, std::string& folder) {
    QString chosen;
    if (!ChooseFolder(false, SaveStartFolder(document), chosen))
        return false;
    // The project's own folder under another spelling is its own folder: saved in place.
    const std::string& own = document.Core().PathName();
    const QString ownFolder = CTextCodec::DecodePath(own);
    const bool same = !own.empty() && QFileInfo(chosen).isDir() &&
                      SystemFolder(chosen) == SystemFolder(ownFolder);
    folder = same ? own : CTextCodec::EncodePath(chosen);
    return true;
}

bool CDocManager::Save(CFileDoc& document) {
    return document.Core().DoSave(false, [this, &document](std::string& folder) {
        return ChooseSaveFolder(document, folder);
    });
}

bool CDocManager::SaveAs(CFileDoc& document) {
    return document.Core().DoSave(true, [this, &document](std::string& folder) {
        return ChooseSaveFolder(document, folder);
    });
}

int CDocManager::AskSaveChanges(const QString& name) {
    const QString text = QStringLiteral("Save changes to %1?").arg(name);
    if (m_ask)
        return m_ask(text);
    const auto answer =
        QMessageBox::question(m_mainFrame, QStringLiteral("Corvane Librarian"), text,
                              QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
    return answer == QMessageBox::Yes  ? Corv::kAnswerYes
           : answer == QMessageBox::No ? Corv::kAnswerNo
                                       : Corv::kAnswerCancel;
}

bool CDocManager::SaveModified(CFileDoc& document) {
    if (!document.IsModified())
        return true;
    const std::string& path = document.Core().PathName();
    const QString name = path.empty() ? document.Title() : CTextCodec::DecodePath(path);
    switch (AskSaveChanges(name)) {
    case Corv::kAnswerYes:
        return Save(document);
    case Corv::kAnswerNo:
        return true;
    default:
        return false;
    }
}

bool CDocManager::CloseDocument(CFileDoc& document) {
    if (!SaveModified(document))
        return false;
    Destroy(document);
    return true;
}

bool CDocManager::SaveAllModified() {
    for (CFileDoc* document : Documents())
        if (!SaveModified(*document))
            return false;
    return true;
}

void CDocManager::CloseAllDocuments() {
    while (!m_entries.empty())
        Destroy(*m_entries.back().document);
}

void CDocManager::Destroy(CFileDoc& document) {
    for (Entry& entry : m_entries)
        if (entry.document.get() == &document && entry.frame) {
            CFileFrame* frame = entry.frame;
            frame->SetCloseApproved(true);
            delete frame; // its destruction forgets the document
            return;
        }
    Forget(&document);
}

void CDocManager::Forget(CFileDoc* document) {
    const auto it = std::find_if(m_entries.begin(), m_entries.end(), [&](const Entry& entry) {
        return entry.document.get() == document;
    });
    if (it == m_entries.end())
        return;
    Corv::CProjectDocument& core = document->Core();
    std::unique_ptr<CFileDoc> owned = std::move(it->document);
    m_entries.erase(it);
    owned.reset();
    // The core hands files that other projects still use over to the work folder.
    Corv::CProjectDocuments::Get().Close(core);
    emit DocumentsChanged();
}

std::vector<CFileDoc*> CDocManager::Documents() const {
    std::vector<CFileDoc*> result;
    for (const Entry& entry : m_entries)
        result.push_back(entry.document.get());
    return result;
}

CFileDoc* CDocManager::Find(const Corv::CProjectDocument& core) const {
    for (const Entry& entry : m_entries)
        if (&entry.document->Core() == &core)
            return entry.document.get();
    return nullptr;
}

CFileFrame* CDocManager::FrameOf(const CFileDoc& document) const {
    for (const Entry& entry : m_entries)
        if (entry.document.get() == &document)
            return entry.frame;
    return nullptr;
}

void CDocManager::RecentFile(const std::string& path) {
    m_recent.Add(CTextCodec::DecodePath(path));
    emit RecentFilesChanged();
}

void CDocManager::RememberFolder(const std::string& path) {
    QString folder = CTextCodec::DecodePath(path);
    while (folder.size() > 1 && (folder.endsWith(u'/') || folder.endsWith(u'\\')))
        folder.chop(1);
    GP::WriteProfileString(kOpenFolder, kFolderName, folder + u'\\');
}

void CDocManager::Activate(Corv::CProjectDocument& core) {
    CFileDoc* document = Find(core);
    CFileFrame* frame = document != nullptr ? FrameOf(*document) : nullptr;
    if (frame != nullptr && m_mainFrame != nullptr)
        m_mainFrame->ActivateFrame(frame);
}

void CDocManager::ModifiedChanged(Corv::CProjectDocument& core) {
    if (CFileDoc* document = Find(core))
        document->NotifyModifiedChanged();
}

void CDocManager::BeginWait() {
    QApplication::setOverrideCursor(Qt::WaitCursor);
}

void CDocManager::EndWait() {
    QApplication::restoreOverrideCursor();
}
