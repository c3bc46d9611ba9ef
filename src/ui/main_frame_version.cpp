// The history window's Open Read-Only: a version of a project shown in a window of its own, to
// take entries back from. The version is written out into a scratch folder of the work folder
// and opened read-only; the document manager removes that folder when the window closes, after
// the files other projects took from it are handed over.
#include "history/recorder.h"
#include "history/version_access.h"
#include "storage/domain.h"
#include "ui/app_shell.h"
#include "ui/child_frame.h"
#include "ui/desktop.h"
#include "ui/file_doc.h"
#include "ui/library_model.h"
#include "ui/main_frame.h"
#include "ui/status_line.h"
#include "ui/text_codec.h"
#include "ui/version_folder.h"
#include "ui/wait_cursor.h"

namespace CorvDesktop {

namespace {

// The window of that version when it is open already.
CFileDoc* OpenVersion(IDocumentList& documents, const std::string& project, int id) {
    for (CFileDoc* document : documents.Documents())
        if (document->Origin() && document->Origin()->project == project &&
            document->Origin()->version == id)
            return document;
    return nullptr;
}

// Writes the version out into a new scratch folder; the project folder made there, or empty
// with `why` (and no folder left behind).
std::string WriteOut(const Corv::History::CHistoryStore& store, const std::string& project, int id,
                     const std::string& work, std::string& scratch, QString& why) {
    scratch = MakeVersionFolder(work);
    if (scratch.empty()) {
        why = QStringLiteral("no scratch folder can be made in the work folder");
        return {};
    }
    // The folder keeps the project's name: the window's title and the drops' words name it.
    const std::string folder = scratch + CTextCodec::EncodePath(ProjectName(project)) + '/';
    std::vector<std::string> missing;
    std::string problem;
    CWaitCursor wait;
    if (Corv::History::ExportVersion(store, project, id, folder, missing, problem))
        return folder;
    RemoveVersionFolder(work, scratch);
    why = QString::fromStdString(problem);
    return {};
}

} // namespace

CFileDoc* CMainFrame::OpenVersionReadOnly(const std::string& project, int id, QString& why) {
    IAppShell* app = IAppShell::Instance();
    Corv::History::CHistoryRecorder* recorder =
        Corv::History::InstalledRecorder(Corv::CDomain::Get());
    const std::string& work = Corv::CDomain::Get().m_workFolder;
    if (app == nullptr || recorder == nullptr || work.empty()) {
        why = QStringLiteral("there is no history or no work folder");
        return nullptr;
    }
    if (CFileDoc* open = OpenVersion(app->Documents(), project, id)) {
        if (CFileFrame* frame = app->Documents().FrameOf(*open))
            ActivateFrame(frame);
        return open;
    }
    std::string scratch;
    const std::string folder = WriteOut(recorder->Store(), project, id, work, scratch, why);
    if (folder.empty())
        return nullptr;
    CFileDoc* document = app->Documents().OpenReadOnly(CTextCodec::DecodePath(folder),
                                                       VersionOrigin{project, id, scratch}, why);
    if (document == nullptr) {
        RemoveVersionFolder(work, scratch);
        return nullptr;
    }
    CDesktop::Get().Status().Say(
        QStringLiteral("%1 is open read-only: drag what you need from it into a project")
            .arg(document->Title()));
    return document;
}

} // namespace CorvDesktop
