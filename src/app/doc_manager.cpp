#include "app/doc_manager.h"

#include "app/select_project_dialog.h"
#include "gp/profile.h"
#include "storage/domain.h"
#include "storage/folder_signature.h"
#include "storage/text_out.h"
#include "ui/child_frame.h"
#include "ui/desktop.h"
#include "ui/drag_state.h"
#include "ui/feedback_text.h"
#include "ui/file_doc.h"
#include "ui/library_service.h"
#include "ui/main_frame.h"
#include "ui/status_line.h"
#include "ui/system_folder.h"
#include "ui/text_codec.h"
#include "ui/version_folder.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QMessageBox>
#include <algorithm>

namespace CorvDesktop {

namespace {

const QString kOpenFolder = QStringLiteral("OpenFolder");
const QString kFolderName = QStringLiteral("FolderName");

// "B.prj", "B.prj and C.prj", "B.prj, C.prj and D.prj".
QString NameList(const QStringList& names) {
    if (names.size() <= 1)
        return names.value(0);
    return names.mid(0, names.size() - 1).join(QStringLiteral(", ")) + QStringLiteral(" and ") +
           names.back();
}

CQuestion ReloadQuestion(const CFileDoc& document) {
    const bool modified = document.IsModified();
    CQuestion question;
    question.text =
        QStringLiteral("The folder of %1 was changed by another program.").arg(document.Title());
    question.informative =
        QStringLiteral("Reload opens the folder as it is now%1. Keep This Version keeps this "
                       "window as it is; a save then asks before it saves over the other "
                       "program's changes.")
            .arg(modified ? QStringLiteral(": the changes not saved in this window are lost")
                          : QString());
    question.buttons = {{QStringLiteral("Reload"), QMessageBox::AcceptRole},
                        {QStringLiteral("Keep This Version"), QMessageBox::RejectRole}};
    // A hasty Enter never loses unsaved changes.
    question.defaultButton = modified ? CDocManager::kKeepThisVersion : CDocManager::kReload;
    question.escapeButton = CDocManager::kKeepThisVersion;
    return question;
}

CQuestion SaveBothQuestion(const CFileDoc& document, const std::vector<CFileDoc*>& holders) {
    QStringList names;
    for (const CFileDoc* holder : holders)
        names << holder->Title();
    const QString held = NameList(names);
    const QString name = document.Title();
    const bool one = holders.size() == 1;
    CQuestion question;
    question.text = QStringLiteral("%1 %2 entries moved out of %3 that are not saved yet.")
                        .arg(held, one ? QStringLiteral("holds") : QStringLiteral("hold"), name);
    question.informative =
        QStringLiteral("%1 saves %2 first, then %3. Saved alone, %3 no longer keeps the files of "
                       "those entries: the librarian keeps them until %2 %4 saved, and puts them "
                       "in the trash if %5 not.")
            .arg(one ? QStringLiteral("Save Both") : QStringLiteral("Save All"), held, name,
                 one ? QStringLiteral("is") : QStringLiteral("are"),
                 one ? QStringLiteral("it is") : QStringLiteral("they are"));
    question.buttons = {
        {one ? QStringLiteral("Save Both") : QStringLiteral("Save All"), QMessageBox::AcceptRole},
        {QStringLiteral("Save %1 Only").arg(name), QMessageBox::ActionRole},
        {QStringLiteral("Cancel"), QMessageBox::RejectRole}};
    question.defaultButton = CDocManager::kSaveBoth;
    question.escapeButton = CDocManager::kCancelSave;
    return question;
}

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

CFileDoc* CDocManager::Attach(Corv::CProjectDocument& core, const VersionOrigin* origin) {
    m_entries.push_back({std::make_unique<CFileDoc>(core), nullptr, nullptr, 0});
    CFileDoc* document = m_entries.back().document.get();
    if (origin != nullptr)
        document->SetOrigin(*origin); // before the window is made: its title and lists say so
    if (m_mainFrame != nullptr) {
        CFileFrame* frame = m_mainFrame->CreateProjectFrame(*document);
        m_entries.back().frame = frame;
        connect(frame, &QObject::destroyed, this, [this, document] { Forget(document); });
    }
    Watch(*document);
    emit DocumentsChanged();
    return document;
}

CDocManager::Entry* CDocManager::EntryOf(const CFileDoc* document) {
    for (Entry& entry : m_entries)
        if (entry.document.get() == document)
            return &entry;
    return nullptr;
}

void CDocManager::Watch(CFileDoc& document) {
    Entry* entry = EntryOf(&document);
    if (entry == nullptr)
        return;
    if (document.IsReadOnly())
        return; // the program's own copy of a version: nobody else changes it
    if (!entry->watch) {
        entry->watch = new CFolderWatch(this);
        connect(entry->watch, &CFolderWatch::Changed, this,
                [this, pointer = &document] { OnFolderChanged(pointer); });
    }
    entry->watch->SetFolder(CTextCodec::DecodePath(document.Data().ProjectFolder()));
}

bool CDocManager::Busy() const {
    return m_saving > 0 || m_asking || QApplication::activeModalWidget() != nullptr ||
           (m_mainFrame != nullptr && !m_mainFrame->isEnabled()) ||
           CDesktop::Get().Drag().Dragging();
}

void CDocManager::OnFolderChanged(CFileDoc* document) {
    Entry* entry = EntryOf(document);
    if (entry == nullptr || !entry->watch)
        return;
    if (Busy()) {
        entry->watch->Postpone();
        return;
    }
    const Corv::CProjectDocument& core = document->Core();
    // This program's own saves leave nothing unseen; only another program's changes count.
    if (!core.ChangedOnDisk())
        return;
    const std::string folder = core.Data().ProjectFolder();
    if (Corv::FolderSignature(folder) == entry->kept)
        return; // the change the user chose to keep this version over
    m_asking = true;
    const int answer = Ask(ReloadQuestion(*document));
    m_asking = false;
    // The document may have gone while the question waited.
    if (EntryOf(document) == nullptr || (answer == kReload && Reload(*document)))
        return;
    // Kept, or not reloaded (then a reload closed it, or its folder is gone).
    entry = EntryOf(document);
    if (entry == nullptr)
        return;
    // Whatever happened while the question waited belongs to the change answered.
    entry->kept = Corv::FolderSignature(folder);
}

bool CDocManager::Reload(CFileDoc& document) {
    const QString path = CTextCodec::DecodePath(document.Core().PathName());
    if (path.isEmpty())
        return false;
    if (!QFileInfo(path).isDir()) {
        // Closing now would lose the project: it is nowhere else.
        Corv::CDomain::Get().ShowNotice(
            QStringLiteral("%1 was not reloaded: its folder is no longer there. Save As saves "
                           "the project elsewhere.")
                .arg(document.Title())
                .toStdString());
        return false;
    }
    Destroy(document);
    return OpenDocumentFile(path) != nullptr;
}

int CDocManager::Ask(const CQuestion& question) {
    return m_question ? m_question(question) : CQuestionBox::Ask(m_mainFrame, question);
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

CFileDoc* CDocManager::OpenReadOnly(const QString& folder, const VersionOrigin& origin,
                                    QString& why) {
    std::string problem;
    Corv::CProjectDocument* core =
        Corv::CProjectDocuments::Get().OpenReadOnly(CTextCodec::EncodePath(folder), problem);
    why = QString::fromStdString(problem);
    return core != nullptr ? Attach(*core, &origin) : nullptr;
}

CFileDoc* CDocManager::OpenMovedEntries(const std::string& workFolder) {
    Corv::CProjectDocument* core = Corv::CProjectDocuments::Get().OpenMovedEntries(workFolder);
    return core != nullptr ? Attach(*core) : nullptr;
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

std::vector<CFileDoc*> CDocManager::UnsavedHolders(const CFileDoc& document) const {
    std::vector<CFileDoc*> holders;
    for (Corv::CProjectDocument* core :
         Corv::CProjectDocuments::Get().UnsavedHolders(document.Core()))
        if (CFileDoc* holder = Find(*core))
            holders.push_back(holder);
    return holders;
}

bool CDocManager::Save(CFileDoc& document) {
    if (document.IsReadOnly()) {
        CDesktop::Get().Status().Say(document.ReadOnlyRefusal());
        return false;
    }
    const std::vector<CFileDoc*> holders = UnsavedHolders(document);
    if (!holders.empty()) {
        switch (Ask(SaveBothQuestion(document, holders))) {
        case kSaveBoth:
            // A holder that is not saved keeps this project from saving: the entries' files stay
            // in its folder.
            for (CFileDoc* holder : holders)
                if (!SaveFolder(*holder, false))
                    return false;
            break;
        case kSaveOnly:
            break; // the core keeps the dropped files in the work folder's list
        default:
            return false;
        }
    }
    return SaveFolder(document, false);
}

bool CDocManager::SaveAs(CFileDoc& document) {
    if (document.IsReadOnly()) {
        CDesktop::Get().Status().Say(document.ReadOnlyRefusal());
        return false;
    }
    return SaveFolder(document, true);
}

bool CDocManager::SaveFolder(CFileDoc& document, bool saveAs) {
    ++m_saving; // the events of this save are not another program's
    bool chosen = !saveAs && !document.Core().PathName().empty();
    QElapsedTimer clock;
    clock.start();
    const bool saved =
        document.Core().DoSave(saveAs, [this, &document, &chosen, &clock](std::string& folder) {
            chosen = ChooseSaveFolder(document, folder);
            if (chosen)
                clock.restart(); // the time in the chooser is not the save's
            return chosen;
        });
    --m_saving;
    Watch(document);
    // The status bar says what the save did, or why it did not.
    const Corv::CProjectDocument& core = document.Core();
    if (saved) {
        const auto& counts = core.LastSaveCounts();
        CDesktop::Get().Status().Say(SaveStatus(document.Title(), counts.written, counts.renamed,
                                                counts.removed,
                                                static_cast<double>(clock.elapsed()) / 1000.0));
    } else if (!core.SaveProblem().empty()) {
        CDesktop::Get().Status().Say(SaveFailedStatus(
            document.Title(), QString::fromStdString(core.SaveProblem()), core.SaveLeftPending()));
    } else if (chosen) {
        CDesktop::Get().Status().Say(QStringLiteral("%1 was not saved").arg(document.Title()));
    }
    return saved;
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
    if (!document.IsModified() || document.IsReadOnly())
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
    const std::optional<VersionOrigin> origin = document->Origin();
    std::unique_ptr<CFileDoc> owned = std::move(it->document);
    if (CFolderWatch* watch = it->watch) {
        // Later: this may run inside the watch's own signal (a reload).
        watch->disconnect(this);
        watch->SetFolder(QString());
        watch->deleteLater();
    }
    m_entries.erase(it);
    owned.reset();
    // The core hands files that other projects still use over to the work folder.
    Corv::CProjectDocuments::Get().Close(core);
    // Only then does the written-out version go: nothing refers to its files any more.
    if (origin)
        RemoveVersionFolder(Corv::CDomain::Get().m_workFolder, origin->scratch);
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
    // A project the user opens or saves joins the library (once there is one).
    CDesktop::Get().Library().NoteProject(CTextCodec::DecodePath(path));
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

} // namespace CorvDesktop
