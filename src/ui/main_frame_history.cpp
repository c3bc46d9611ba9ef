// Project > History… and Setup > History…: the versions the saves of a project kept, and the
// size of the whole history with a way to empty it.
#include "history/recorder.h"
#include "history/version_access.h"
#include "storage/domain.h"
#include "storage/project_document.h"
#include "ui/app_shell.h"
#include "ui/desktop.h"
#include "ui/file_doc.h"
#include "ui/file_view.h"
#include "ui/history_window.h"
#include "ui/main_frame.h"
#include "ui/question_box.h"
#include "ui/status_line.h"
#include "ui/text_codec.h"
#include "ui/wait_cursor.h"

namespace CorvDesktop {

namespace {

// Restores a version of an open project: its unsaved changes are saved or dropped as the user
// says, the window closes (its document holds the folder), the folder becomes the version
// through a save, and the project opens again. Why not, or empty.
QString RestoreOpenProject(Corv::History::CHistoryRecorder& recorder, const std::string& project,
                           int id, CFileDoc* document) {
    IAppShell* app = IAppShell::Instance();
    if (app != nullptr && document != nullptr) {
        if (!app->Documents().SaveModified(*document))
            return QStringLiteral("cancelled");
        document->Core().SetModifiedFlag(false);
        if (!app->Documents().CloseDocument(*document))
            return QStringLiteral("the project window stays open");
    }
    std::vector<Corv::ProjectDifference> changes;
    std::string why;
    const std::string scratch = Corv::CDomain::Get().m_workFolder;
    Corv::History::RestoreOutcome outcome;
    {
        CWaitCursor wait;
        outcome =
            Corv::History::RestoreVersion(recorder, project, id, scratch, false, changes, why);
    }
    if (app != nullptr)
        app->Documents().OpenDocumentFile(CTextCodec::DecodePath(project));
    if (outcome == Corv::History::RestoreOutcome::Failed)
        return QString::fromStdString(why);
    CDesktop::Get().Status().Say(
        QStringLiteral("Restored %1 to version %2; what it was is version %3")
            .arg(CTextCodec::DecodePath(project))
            .arg(id)
            .arg(recorder.LastVersion()));
    return {};
}

} // namespace

void CMainFrame::ShowHistory() {
    CFileView* view = ActiveView();
    Corv::History::CHistoryRecorder* recorder =
        Corv::History::InstalledRecorder(Corv::CDomain::Get());
    if (view == nullptr || recorder == nullptr)
        return;
    // A read-only window shows the program's copy of a version: its folder has no history of
    // its own, and must never be offered another project's.
    if (view->Document().IsReadOnly()) {
        CDesktop::Get().Status().Say(view->Document().ReadOnlyRefusal());
        return;
    }
    const std::string project = view->Document().Core().Data().ProjectFolder();
    if (project.empty()) {
        CDesktop::Get().Status().Say(
            QStringLiteral("A new project has no history until it is saved"));
        return;
    }
    auto* window = new CHistoryWindow(*recorder, project, Corv::CDomain::Get().m_workFolder, this);
    window->setAttribute(Qt::WA_DeleteOnClose);
    CFileDoc* document = &view->Document();
    window->restore = [recorder, project, document, window](int id) {
        const QString problem = RestoreOpenProject(*recorder, project, id, document);
        window->raise();
        return problem;
    };
    window->openReadOnly = [this, project](int id) {
        QString why;
        return OpenVersionReadOnly(project, id, why) != nullptr ? QString() : why;
    };
    m_historyWindow = window;
    window->show();
    window->OfferMovedHistory();
}

void CMainFrame::ShowHistorySize() {
    Corv::History::CHistoryRecorder* recorder =
        Corv::History::InstalledRecorder(Corv::CDomain::Get());
    if (recorder == nullptr)
        return;
    CQuestion question;
    question.text = QStringLiteral("The versions your saves kept take %1.")
                        .arg(HistorySizeText(recorder->Store().TotalBytes()));
    question.informative =
        QStringLiteral(
            "Each project keeps its last %1 versions and at most %2. Emptying the "
            "history drops every version of every project; the projects stay as they are.")
            .arg(recorder->Retentions().keep)
            .arg(HistorySizeText(recorder->Retentions().maxBytes));
    question.buttons = {{QStringLiteral("Empty History"), QMessageBox::DestructiveRole},
                        {QStringLiteral("Close"), QMessageBox::RejectRole}};
    question.defaultButton = 1;
    question.escapeButton = 1;
    if (CQuestionBox::Ask(this, question) == 0 && recorder->Store().EmptyAll())
        CDesktop::Get().Status().Say(QStringLiteral("The history is empty"));
}

} // namespace CorvDesktop
