#include "app/app.h"

#include "app/settings.h"
#include "edit/work_folder.h"
#include "gp/cmd_line.h"
#include "gp/single_instance.h"
#include "history/recorder.h"
#include "storage/domain.h"
#include "storage/moved_entries.h"
#include "ui/about_dialog.h"
#include "ui/child_frame.h"
#include "ui/desktop.h"
#include "ui/file_doc.h"
#include "ui/file_view.h"
#include "ui/font_setup.h"
#include "ui/library_service.h"
#include "ui/main_frame.h"
#include "ui/message_box_sink.h"
#include "ui/progress_dialog.h"
#include "ui/status_line.h"
#include "ui/text_codec.h"

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <QMessageBox>
#include <QStandardPaths>
#include <QTimer>
#include <QUrl>
#include <algorithm>

namespace CorvDesktop {

namespace {

const QString kAppName = QStringLiteral("Corvane Librarian");
// The manual's files; the English one is always there, the Japanese one may be.
const QString kEnglishManual = QStringLiteral("CorvaneLibrarianManualE.html");
const QString kJapaneseManual = QStringLiteral("CorvaneLibrarianManualJ.html");

} // namespace

CApp::CApp() : CApp(Environment{}) {}

CApp::CApp(Environment environment)
    : m_env(std::move(environment)), m_services(Corv::CDomain::Get()),
      m_documents(std::make_unique<CDocManager>()) {
    if (IAppShell::Instance() == nullptr)
        IAppShell::Install(this);
}

CApp::~CApp() {
    CDesktop::Get().Library().Stop();
    m_documents->CloseAllDocuments();
    delete m_mainFrame;
    m_documents.reset();
    if (IAppShell::Instance() == this)
        IAppShell::Install(nullptr);
}

CApp* CApp::Instance() {
    return dynamic_cast<CApp*>(IAppShell::Instance());
}

namespace {

// Relative paths on the command line mean the starting folder of this start; made absolute
// here, they still name the same folder when handed to a running program elsewhere, and in the
// recent-file list.
QStringList AbsoluteArguments(const QStringList& arguments) {
    QStringList result;
    for (const QString& argument : arguments)
        result << (argument.isEmpty() || QDir::isAbsolutePath(argument)
                       ? argument
                       : QDir::current().absoluteFilePath(argument));
    return result;
}

} // namespace

bool CApp::InitInstance(const QStringList& givenArguments) {
    const QStringList arguments = AbsoluteArguments(givenArguments);
    // One instance: a later start hands its command line over and ends.
    m_guard = std::make_unique<GP::CMMF>(
        m_env.instanceName.isEmpty() ? GP::CMMF::DefaultName(kAppName) : m_env.instanceName);
    if (!m_guard->Create(arguments)) {
        m_exitWork = true;
        return false;
    }
    // Recent files and the core's document hooks, then the main frame.
    m_documents->Install();
    m_mainFrame = new CMainFrame;
    // The frame follows the recent-file list of the running application object.
    if (CApp* running = Instance())
        connect(&running->Documents(), &CDocManager::RecentFilesChanged, m_mainFrame,
                &CMainFrame::RebuildRecentFiles);
    m_documents->SetMainFrame(m_mainFrame);
    if (m_env.chooser == nullptr)
        m_dialogChooser = std::make_unique<CDialogProjectChooser>(m_mainFrame);
    m_documents->SetChooser(m_env.chooser != nullptr ? m_env.chooser : m_dialogChooser.get());
    if (m_env.saveQuestion)
        m_documents->SetSaveQuestion(m_env.saveQuestion);
    if (m_env.question)
        m_documents->SetQuestion(m_env.question);
    m_guard->SetMainWindow(m_mainFrame);
    connect(m_guard.get(), &GP::CMMF::ArgumentsReceived, this, &CApp::OnHandedOver);
    // Settings, then the window.
    LoadSettings();
    if (m_env.showMainWindow)
        m_mainFrame->ShowPlaced();
    // Where the core's messages, questions and progress go.
    InstallSinks();
    // The work folder.
    if (!CreateWorkFolder())
        return false;
    m_started = true;
    OfferMovedEntries();
    // Idle work: when the event loop runs dry, and at least every 100 ms.
    connect(QAbstractEventDispatcher::instance(), &QAbstractEventDispatcher::aboutToBlock, this,
            &CApp::ScheduleIdle);
    auto* idle = new QTimer(this);
    connect(idle, &QTimer::timeout, this, &CApp::ScheduleIdle);
    idle->start(100);
    // A project named on the command line.
    if (!OpenFromArguments(arguments))
        return false;
    // Language.
    m_language = QLocale::system().language() == QLocale::Japanese ? QStringLiteral("J")
                                                                   : QStringLiteral("E");
    return true;
}

void CApp::InstallSinks() {
    Corv::CDomain& domain = m_services;
    domain.SetTextBuffer(std::make_unique<Corv::CLumTextOutBuffer>());
    domain.SetMessageSink(m_env.messageSink ? m_env.messageSink()
                                            : std::make_unique<CMessageBoxSink>(m_mainFrame));
    domain.SetProgressSink(m_env.progressSink ? m_env.progressSink()
                                              : std::make_unique<CProgressBar>(m_mainFrame));
}

bool CApp::CreateWorkFolder() {
    QString base = m_env.dataFolder;
    if (base.isEmpty())
        base = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    // The user's data folder itself may not exist yet on a fresh account.
    QDir().mkpath(base);
    const std::string folder = Corv::CreateWorkFolder(CTextCodec::EncodePath(base),
                                                      {"Brisko", "Corvane Librarian", "CorvWork"});
    if (folder.empty())
        return false;
    m_services.m_workFolder = folder;
    // The library catalogue lives beside the work folder.
    const std::string data = folder.substr(0, folder.rfind('/', folder.size() - 2) + 1);
    CDesktop::Get().Library().SetFile(CLibrary::FileFor(CTextCodec::DecodePath(data)));
    // Every save keeps the project as it was in the history beside them.
    const QByteArray history = qgetenv("CORVANE_HISTORY");
    Corv::History::InstallRecorder(
        m_services, history.isEmpty() ? data + "History/" : history.toStdString(), CORV_VERSION);
    return true;
}

void CApp::OfferMovedEntries() {
    const std::string& work = m_services.m_workFolder;
    std::vector<Corv::MovedEntry> entries = Corv::ReadMovedEntries(work);
    std::erase_if(entries, [&](const Corv::MovedEntry& entry) {
        return !QFileInfo(CTextCodec::DecodePath(work + entry.file)).isFile();
    });
    if (entries.empty())
        return;
    // Listed in the order they were saved away; read more easily as the lists show them.
    std::stable_sort(entries.begin(), entries.end(), [](const auto& a, const auto& b) {
        return std::pair(a.kind, a.number) < std::pair(b.kind, b.number);
    });
    CQuestion question;
    // The text names projects and files, whose names on this platform are UTF-8.
    question.text = QString::fromStdString(Corv::MovedEntriesText(entries));
    question.informative =
        QStringLiteral("The program ended before they were saved. Open Them shows them in a new "
                       "project, to be saved where you want them; Put Them in the Trash moves "
                       "their files to the trash.");
    question.buttons = {{QStringLiteral("Open Them"), QMessageBox::AcceptRole},
                        {QStringLiteral("Put Them in the Trash"), QMessageBox::DestructiveRole}};
    question.defaultButton = kOpenThem;
    question.escapeButton = kOpenThem; // closing the box loses nothing
    if (m_documents->Ask(question) == kOpenThem && m_documents->OpenMovedEntries(work) != nullptr)
        return;
    // Put into the trash, or none of them could be opened: the notice says where they went.
    const std::string notice = Corv::TrashMovedEntries(work);
    if (!notice.empty())
        m_services.ShowNotice(notice);
}

QString CApp::WorkFolder() const {
    return CTextCodec::DecodePath(m_services.m_workFolder);
}

bool CApp::OpenFromArguments(const QStringList& arguments) {
    const GP::CCmdLine line = GP::ParseCommandLine(GP::QuoteArguments(arguments));
    if (line.params.size() != 1 || line.params.front().values.isEmpty())
        return true;
    return m_documents->OpenDocumentFile(line.params.front().values.front()) != nullptr;
}

void CApp::OnHandedOver(const QStringList& arguments) {
    // A busy program (a modal window open, or a long operation with the main window disabled)
    // only comes to the front: opening a project then would cut into the running work.
    if (QApplication::activeModalWidget() != nullptr || m_mainFrame == nullptr ||
        !m_mainFrame->isEnabled())
        return;
    OpenFromArguments(arguments);
}

void CApp::ExitInstance() {
    if (m_exitWork || !m_started)
        return;
    m_started = false;
    SaveSettings();
    Corv::CDomain& domain = m_services;
    // Entries whose only copy is a work file were declined with the project holding them:
    // never deleted, they go to the trash, and the user is told where.
    m_documents->CloseAllDocuments();
    if (!domain.m_workFolder.empty()) {
        const std::string notice = Corv::TrashMovedEntries(domain.m_workFolder);
        if (!notice.empty())
            domain.ShowNotice(notice);
        Corv::EmptyWorkFolder(domain.m_workFolder);
    }
    domain.SetMessageSink(nullptr);
    domain.SetTextBuffer(nullptr);
    domain.SetProgressSink(nullptr);
}

void CApp::ScheduleIdle() {
    const Corv::CLumTextOutBuffer* buffer = m_services.TextBuffer();
    if (m_idlePending || buffer == nullptr || buffer->DeferredMessage() == 0)
        return;
    m_idlePending = true;
    QTimer::singleShot(0, this, &CApp::OnIdle);
}

void CApp::OnIdle() {
    m_idlePending = false;
    Corv::CDomain& domain = m_services;
    Corv::CLumTextOutBuffer* buffer = domain.TextBuffer();
    if (buffer == nullptr || buffer->DeferredMessage() == 0)
        return;
    const int code = buffer->DeferredMessage();
    buffer->SetDeferredMessage(0);
    if (domain.MessageSink() != nullptr)
        domain.MessageSink()->ShowError(code);
}

void CApp::Notify(const QString& text) {
    if (m_env.notify)
        m_env.notify(text);
    else
        QMessageBox::warning(m_mainFrame, kAppName, text);
}

void CApp::OnFileNew() {
    m_documents->NewDocument();
}

void CApp::OnFileOpen() {
    m_documents->ChooseAndOpen();
}

void CApp::OnOpenRecent(int index) {
    m_documents->OpenRecentFile(index);
}

void CApp::OnAppAbout() {
    ShowAboutBox(m_mainFrame);
}

void CApp::OnSetUpFont() {
    SetUpListFont(m_mainFrame, CDesktop::Get().ListFont());
}

QString ManualFolderFor(const QString& programFolder) {
    const QDir program(programFolder);
    const QString beside = program.filePath(QStringLiteral("Manual"));
    const QString installed =
        QDir::cleanPath(program.filePath(QStringLiteral("../share/doc/corvane-librarian")));
    const auto holdsManual = [](const QString& folder) {
        return QFileInfo::exists(QDir(folder).filePath(kEnglishManual));
    };
    return !holdsManual(beside) && holdsManual(installed) ? installed : beside;
}

QString CApp::ManualPath() {
    if (!m_manualPath.isEmpty())
        return m_manualPath;
    QString folder = m_env.manualFolder;
    if (folder.isEmpty())
        folder = ManualFolderFor(QCoreApplication::applicationDirPath());
    const QString english = QDir(folder).filePath(kEnglishManual);
    const QString japanese = QDir(folder).filePath(kJapaneseManual);
    // Without a Japanese manual the English one is the best there is.
    m_manualPath = m_language == u"J" && QFileInfo::exists(japanese) ? japanese : english;
    return m_manualPath;
}

void CApp::OnManual() {
    const QString path = ManualPath();
    if (!QFileInfo::exists(path)) {
        Notify(QStringLiteral("The manual could not be found:\n%1")
                   .arg(QDir::toNativeSeparators(path)));
        return;
    }
    const QUrl url = QUrl::fromLocalFile(path);
    const bool opened =
        m_env.openDocument ? m_env.openDocument(path) : QDesktopServices::openUrl(url);
    if (!opened)
        Notify(QStringLiteral("The manual could not be opened:\n%1")
                   .arg(QDir::toNativeSeparators(path)));
}

bool CApp::CanUndo() const {
    return Corv::CProjectDocuments::Get().UndoStep().CanUndo();
}

bool CApp::CanRedo() const {
    return Corv::CProjectDocuments::Get().UndoStep().CanRedo();
}

void CApp::OnEditUndo() {
    const Corv::CUndoStep& undo = Corv::CProjectDocuments::Get().UndoStep();
    if (!undo.CanUndo())
        return;
    // Each window whose project owns a part of the step keeps its lists' top rows.
    struct Kept {
        CFileDoc* document;
        std::array<int, 3> rows;
    };
    std::vector<Kept> kept;
    for (CFileDoc* document : m_documents->Documents())
        if (undo.Owns(&document->Data())) {
            CFileFrame* frame = m_documents->FrameOf(*document);
            kept.push_back({document, frame != nullptr && frame->View() != nullptr
                                          ? frame->View()->TopRows()
                                          : std::array<int, 3>{}});
        }
    // Undoing the step right after an Undo takes it again: that is Redo.
    const bool redo = undo.CanRedo();
    const QString what = QString::fromStdString(undo.Description());
    Corv::CProjectDocuments::Get().Undo(); // swaps and marks the owners modified
    for (const Kept& entry : kept) {
        CFileFrame* frame = m_documents->FrameOf(*entry.document);
        if (frame == nullptr || frame->View() == nullptr) {
            entry.document->UpdateAllViews();
            continue;
        }
        frame->View()->OnUpdateSavingWidths();
        frame->View()->SetTopRows(entry.rows);
    }
    const QString done = redo ? QStringLiteral("Redone") : QStringLiteral("Undone");
    CDesktop::Get().Status().Say(what.isEmpty() ? done : done + QStringLiteral(": ") + what);
}

} // namespace CorvDesktop
