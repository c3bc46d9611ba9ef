#include "ui/main_frame.h"

#include "storage/project_document.h"
#include "ui/app_shell.h"
#include "ui/check_window.h"
#include "ui/child_frame.h"
#include "ui/choosers.h"
#include "ui/desktop.h"
#include "ui/drag_state.h"
#include "ui/file_doc.h"
#include "ui/file_view.h"
#include "ui/find_bar.h"
#include "ui/library_service.h"
#include "ui/library_window.h"
#include "ui/parameter_list.h"
#include "ui/recent_files.h"
#include "ui/status_line.h"
#include "ui/text_codec.h"
#include "ui/wave_services.h"

#include <QAbstractEventDispatcher>
#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QScreen>
#include <QScrollBar>
#include <QStatusBar>
#include <QStyle>
#include <QToolBar>

namespace CorvDesktop {

namespace {

const QString kAppName = QStringLiteral("Corvane Librarian");

} // namespace

CMainFrame::CMainFrame(QWidget* parent) : GP::CMDIFrameWndEx(parent) {
    setWindowTitle(kAppName);
    setAcceptDrops(true);
    CreateActions();
    CreateMenus();
    CreateToolBar();
    m_ready = new QLabel(QStringLiteral("Ready"), this);
    statusBar()->addWidget(m_ready, 1);
    // While a drag is over a list that takes it, the status bar says what a drop would do.
    connect(&CDesktop::Get().Drag(), &CDragState::PreviewChanged, this,
            [this](const QString& text) {
                if (text.isEmpty())
                    statusBar()->clearMessage();
                else
                    statusBar()->showMessage(text);
            });
    ConnectActions();
    CreateFind();
    // What each action did stays in the status bar until the next one.
    connect(&CDesktop::Get().Status(), &CStatusLine::Said, this,
            [this](const QString& text) { statusBar()->showMessage(text); });
    connect(MdiArea(), &QMdiArea::subWindowActivated, this, &CMainFrame::ChildActivated);
    // Enabling follows the program's state whenever the event loop runs out of work.
    connect(QAbstractEventDispatcher::instance(), &QAbstractEventDispatcher::aboutToBlock, this,
            &CMainFrame::UpdateCommandUi);
    ShowMenuBar(false);
    UpdateCommandUi();
    qApp->installEventFilter(this);
}

CMainFrame::~CMainFrame() = default;

void CMainFrame::RouteToView(void (CFileView::*command)()) {
    // Keys pressed in the library window are not meant for the project behind it.
    if (m_libraryWindow != nullptr && m_libraryWindow->isAncestorOf(QApplication::focusWidget()))
        return;
    if (CFileView* view = ActiveView())
        (view->*command)();
}

// The find bar sits below the project windows, hidden until Edit > Find; it keeps its text
// while hidden, so that F3 and Shift+F3 go on searching.
void CMainFrame::CreateFind() {
    m_findBar = new CFindBar(this);
    addToolBar(Qt::BottomToolBarArea, m_findBar);
    m_findBar->hide();
    connect(m_findBar, &CFindBar::StatusMessage, this,
            [this](const QString& text) { statusBar()->showMessage(text); });
    connect(Action(Cmd::kFind), &QAction::triggered, m_findBar, &CFindBar::Open);
    connect(Action(Cmd::kFindNext), &QAction::triggered, this, [this] { m_findBar->Step(true); });
    connect(Action(Cmd::kFindPrevious), &QAction::triggered, this,
            [this] { m_findBar->Step(false); });
}

QMenu* CMainFrame::CreateFileMenu(bool project) {
    using namespace Cmd;
    auto* menu = new QMenu(QStringLiteral("&File"), this);
    menu->addAction(Action(kNew));
    menu->addAction(Action(kOpen));
    menu->addSeparator();
    if (project) {
        menu->addAction(Action(kClose));
        menu->addAction(Action(kSave));
        menu->addAction(Action(kSaveAs));
        menu->addSeparator();
        menu->addAction(Action(kCleanProject));
        menu->addAction(Action(kImportWave));
        menu->addSeparator();
        menu->addAction(Action(kExportList));
        menu->addAction(Action(kPrint));
        menu->addSeparator();
    }
    menu->addAction(Action(kRecentFile));
    menu->addActions(m_recentActions);
    menu->addSeparator();
    menu->addAction(Action(kExit));
    connect(menu, &QMenu::aboutToShow, this, &CMainFrame::RebuildRecentFiles);
    return menu;
}

QMenu* CMainFrame::CreateProjectMenu() {
    auto* menu = new QMenu(QStringLiteral("&Project"), this);
    menu->addAction(Action(Cmd::kCheckProject));
    menu->addAction(Action(Cmd::kHistory));
    return menu;
}

void CMainFrame::ShowCheckWindow() {
    if (m_checkWindow == nullptr)
        m_checkWindow = new CCheckWindow(*this, MdiArea(), [this] { return ActiveView(); });
    m_checkWindow->Refresh();
    m_checkWindow->show();
    m_checkWindow->raise();
    m_checkWindow->activateWindow();
}

void CMainFrame::ShowLibrary() {
    if (m_libraryWindow == nullptr) {
        m_libraryWindow = new CLibraryWindow(CDesktop::Get().Library(), this);
        addDockWidget(Qt::BottomDockWidgetArea, m_libraryWindow);
        connect(&CDesktop::Get().Library(), &CLibrary::Notice, this,
                [this](const QString& text) { CDesktop::Get().Choosers().Notice(this, text); });
        // The projects open now join the catalogue the window has just made.
        for (CFileView* view : CFileView::Views())
            if (const std::string& path = view->Document().Core().PathName(); !path.empty())
                CDesktop::Get().Library().NoteProject(CTextCodec::DecodePath(path));
    }
    m_libraryWindow->FocusSearch();
}

QMenu* CMainFrame::CreateHelpMenu() {
    auto* menu = new QMenu(QStringLiteral("&Help"), this);
    menu->addAction(Action(Cmd::kManual));
    menu->addAction(Action(Cmd::kAbout));
    return menu;
}

void CMainFrame::CreateMenus() {
    using namespace Cmd;
    auto* library = new QMenu(QStringLiteral("&Window"), this);
    library->addAction(Action(kLibrary));
    m_noProjectMenus << CreateFileMenu(false) << library << CreateHelpMenu();

    auto* edit = new QMenu(QStringLiteral("&Edit"), this);
    edit->addAction(Action(kUndo));
    edit->addAction(Action(kRedo));
    edit->addSeparator();
    for (int id : {kCut, kCopy, kPaste, kPasteInsert, kDelete})
        edit->addAction(Action(id));
    edit->addSeparator();
    for (int id : {kRename, kEditMemos, kShowUsers})
        edit->addAction(Action(id));
    edit->addSeparator();
    edit->addAction(Action(kSelectAll));
    edit->addSeparator();
    edit->addAction(Action(kFind));
    edit->addAction(Action(kFindNext));
    edit->addAction(Action(kFindPrevious));
    auto* view = new QMenu(QStringLiteral("&View"), this);
    view->addAction(Action(kToolBar));
    view->addAction(Action(kStatusBar));
    view->addSeparator();
    view->addAction(CDesktop::Get().Waves().DetailsAction());
    view->addAction(CDesktop::Get().Waves().AutoPlayAction());
    auto* setup = new QMenu(QStringLiteral("&Setup"), this);
    setup->addAction(Action(kSetUpFont));
    setup->addAction(Action(kSetUpGrid));
    setup->addSeparator();
    setup->addAction(Action(kHistorySize));
    auto* window = new QMenu(QStringLiteral("&Window"), this);
    window->addAction(Action(kLibrary));
    window->addSeparator();
    // "Move to Top" becomes the window list, rebuilt each time the Window menu opens.
    WindowListMenu()->setTitle(Action(kMoveToTop)->text());
    window->addMenu(WindowListMenu());
    window->addSeparator();
    for (int id : {kMaximizeHeight, kMaximizeWidth, kSavePosition})
        window->addAction(Action(id));
    window->addSeparator();
    for (int id : {kCascade, kTileHorizontally, kTileVertically, kArrangeIcons})
        window->addAction(Action(id));
    connect(window, &QMenu::aboutToShow, this, &CMainFrame::RebuildWindowList);
    m_projectMenus << CreateFileMenu(true) << edit << view << setup << window << CreateHelpMenu();
    m_projectMenus.insert(3, CreateProjectMenu()); // after View
    for (QMenu* menu : m_projectMenus + m_noProjectMenus)
        connect(menu, &QMenu::aboutToShow, this, &CMainFrame::UpdateCommandUi);
}

void CMainFrame::CreateToolBar() {
    using namespace Cmd;
    m_toolBar = new QToolBar(QStringLiteral("Tool Bar"), this);
    m_toolBar->setObjectName(QStringLiteral("ToolBar"));
    m_toolBar->setIconSize(QSize(16, 16));
    m_toolBar->setAllowedAreas(Qt::AllToolBarAreas);
    m_toolBar->setMovable(true);
    m_toolBar->setFloatable(true);
    m_toolBar->addAction(Action(kNew));
    m_toolBar->addAction(Action(kOpen));
    m_toolBar->addAction(Action(kSave));
    m_toolBar->addSeparator();
    m_toolBar->addAction(Action(kUndo));
    m_toolBar->addAction(Action(kDelete));
    m_toolBar->addSeparator();
    m_toolBar->addAction(Action(kManual));
    addToolBar(Qt::TopToolBarArea, m_toolBar);
    statusBar()->setObjectName(QStringLiteral("StatusBar"));
}

QList<QMenu*> CMainFrame::Menus() const {
    return m_projectMenusShown ? m_projectMenus : m_noProjectMenus;
}

void CMainFrame::ShowMenuBar(bool project) {
    if (project == m_projectMenusShown && !menuBar()->actions().isEmpty())
        return;
    m_projectMenusShown = project;
    menuBar()->clear();
    for (QMenu* menu : Menus())
        menuBar()->addMenu(menu);
}

void CMainFrame::RebuildRecentFiles() {
    const QStringList entries = IAppShell::Instance() != nullptr
                                    ? IAppShell::Instance()->Documents().RecentFiles().Entries()
                                    : QStringList();
    for (int i = 0; i < m_recentActions.size(); ++i) {
        QAction* action = m_recentActions[i];
        action->setVisible(i < entries.size());
        if (i < entries.size())
            action->setText(
                QStringLiteral("&%1 %2").arg(i + 1).arg(QDir::toNativeSeparators(entries[i])));
    }
    QAction* placeholder = Action(Cmd::kRecentFile);
    placeholder->setVisible(entries.isEmpty());
    placeholder->setEnabled(false);
}

QRect CMainFrame::FirstPlacement() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (screen == nullptr)
        return QRect(0, 0, 800, 600);
    const QRect available = screen->availableGeometry();
    QRect placed(QPoint(0, 0), available.size() * 9 / 10);
    placed.moveCenter(available.center());
    return placed;
}

void CMainFrame::ShowPlaced() {
    const bool maximized = LoadPlacement(FirstPlacement());
    LoadBarState();
    Action(Cmd::kToolBar)->setChecked(!m_toolBar->isHidden());
    if (maximized)
        showMaximized();
    else
        show();
}

CFileFrame* CMainFrame::CreateProjectFrame(CFileDoc& document) {
    auto* frame = new CFileFrame(document);
    frame->setAttribute(Qt::WA_DeleteOnClose);
    MdiArea()->addSubWindow(frame);
    if (!frame->ApplyStoredPlacement()) {
        // The first project window fills the free client area; later ones cascade at 3/4.
        const QSize area = MdiArea()->viewport()->size();
        const bool first = MdiArea()->subWindowList().size() == 1;
        const int part = first ? 4 : 3;
        frame->resize(std::max(CFileFrame::kMinWidth, area.width() * part / 4),
                      std::max(CFileFrame::kMinHeight, area.height() * part / 4));
    }
    frame->show();
    frame->FitInClientArea();
    frame->AvoidCoincidingCorners();
    connect(&document, &CFileDoc::ModifiedChanged, this, &CMainFrame::UpdateTitle);
    connect(frame->View(), &CFileView::CommandStateChanged, this, &CMainFrame::UpdateCommandUi);
    connect(frame->View(), &CFileView::ContextMenuRequested, this, &CMainFrame::ShowListMenu);
    MdiArea()->setActiveSubWindow(frame);
    // A project just read from its folder says once whether the check finds problems.
    if (!document.Core().PathName().empty()) {
        const QString notice = CCheckWindow::OpeningNotice(document.Core(), document.Title());
        if (!notice.isEmpty())
            statusBar()->showMessage(notice);
    }
    return frame;
}

void CMainFrame::ActivateFrame(CFileFrame* frame) {
    ActivateChild(frame);
}

CFileFrame* CMainFrame::ActiveProjectFrame() const {
    return qobject_cast<CFileFrame*>(MdiArea()->activeSubWindow());
}

CFileView* CMainFrame::ActiveView() const {
    CFileFrame* frame = ActiveProjectFrame();
    return frame != nullptr ? frame->View() : nullptr;
}

QString CMainFrame::ChildTitle(QMdiSubWindow* child) const {
    return child->windowTitle();
}

QSize CMainFrame::UsableSize(QMdiSubWindow* child) const {
    QSize usable = GP::CMDIFrameWndEx::UsableSize(child);
    const auto* frame = qobject_cast<CFileFrame*>(child);
    if (frame == nullptr || frame->View() == nullptr)
        return usable;
    // The lists grow and shrink with the window: what is not rows stays the same.
    for (int kind = 0; kind < 3; ++kind) {
        const CParameterListCtrl* list = frame->View()->List(kind);
        const QScrollBar* bar = list->horizontalScrollBar();
        const int around = frame->height() - list->viewport()->height() +
                           (bar->isVisible() ? 0 : bar->sizeHint().height());
        usable.setHeight(std::max(usable.height(), around + kUsableRows * list->rowHeight(0)));
    }
    // The patch list takes what the window gains or loses in width (but for the wave list's
    // share, which a narrower window gives up first): it keeps its Number and Name columns (and
    // its scroll bar) in view.
    const CParameterListCtrl* patches = frame->View()->List(0);
    const int columns = patches->columnWidth(0) + patches->columnWidth(1) +
                        patches->verticalScrollBar()->sizeHint().width() +
                        2 * patches->frameWidth();
    usable.setWidth(std::max(usable.width(), frame->width() - patches->width() -
                                                 frame->View()->WaveListShare() + columns));
    return usable;
}

void CMainFrame::ChildActivated(QMdiSubWindow* child) {
    // With no active child (all closed, or the main window lost the focus) the bar shown is
    // that of the remaining windows.
    ShowMenuBar(child != nullptr || !MdiArea()->subWindowList().isEmpty());
    UpdateTitle();
    UpdateCommandUi();
    if (auto* frame = qobject_cast<CFileFrame*>(child);
        frame != nullptr && frame->View() != nullptr)
        frame->View()->OnActivateView();
}

QString CMainFrame::TitleText() const {
    CFileFrame* frame = ActiveProjectFrame();
    if (frame == nullptr || frame->isMaximized())
        return kAppName;
    const CFileDoc& document = frame->Document();
    return kAppName + QStringLiteral(" - ") +
           QStringLiteral("%1 %2").arg(document.DisplayName(),
                                       document.IsModified() ? QStringLiteral("*") : QString());
}

void CMainFrame::UpdateTitle() {
    setWindowTitle(TitleText());
}

void CMainFrame::UpdateCommandUi() {
    using namespace Cmd;
    CFileFrame* frame = ActiveProjectFrame();
    const bool project = frame != nullptr;
    for (int id : {kClose, kSave, kSaveAs, kCleanProject, kImportWave, kSelectAll, kSetUpGrid,
                   kMoveToTop, kSavePosition, kCascade, kTileHorizontally, kTileVertically,
                   kArrangeIcons, kFind, kFindNext, kFindPrevious})
        Action(id)->setEnabled(project);
    for (int id : {kCheckProject, kHistory})
        Action(id)->setEnabled(project);
    Action(kDelete)->setEnabled(project && frame->View() != nullptr && frame->View()->CanDelete());
    const bool partly = project && frame->CanMaximizePartly();
    Action(kMaximizeHeight)->setEnabled(partly);
    Action(kMaximizeWidth)->setEnabled(partly);
    Action(kUndo)->setEnabled(IAppShell::Instance() != nullptr && IAppShell::Instance()->CanUndo());
    Action(kRedo)->setEnabled(IAppShell::Instance() != nullptr && IAppShell::Instance()->CanRedo());
    Action(kCloseWindowKey)->setEnabled(project);
    const CFileView* view = project ? frame->View() : nullptr;
    const CParameterListCtrl* list = view != nullptr ? view->ActiveList() : nullptr;
    const bool selection = list != nullptr && list->HasUsedSelection();
    for (int id : {kCut, kCopy, kRename, kEditMemos})
        Action(id)->setEnabled(selection);
    Action(kShowUsers)->setEnabled(selection && list->Kind() != 0);
    Action(kPaste)->setEnabled(view != nullptr && view->CanPaste());
    Action(kPasteInsert)->setEnabled(view != nullptr && view->CanPaste());
    Action(kExportList)->setEnabled(project);
    Action(kPrint)->setEnabled(project);
    // A version is read and taken from, never changed: what would change it is off.
    if (project && frame->Document().IsReadOnly())
        for (int id : {kSave, kSaveAs, kCleanProject, kImportWave, kDelete, kUndo, kRedo, kCut,
                       kPaste, kPasteInsert, kRename, kEditMemos, kHistory})
            Action(id)->setEnabled(false);
    // F1 opens the manual only from a project window; the menus' item always works.
    Action(kManual)->setShortcut(project ? QKeySequence(Qt::Key_F1) : QKeySequence());
    Action(kToolBar)->setChecked(!m_toolBar->isHidden());
    Action(kStatusBar)->setChecked(!statusBar()->isHidden());
    UpdateTitle();
}

bool CMainFrame::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::ShortcutOverride || event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        auto* widget = qobject_cast<QWidget*>(watched);
        if (key->key() == Qt::Key_W && key->modifiers() == Qt::ControlModifier &&
            widget != nullptr && widget->window() == this) {
            event->accept();
            if (event->type() == QEvent::KeyPress && Action(Cmd::kCloseWindowKey)->isEnabled())
                Action(Cmd::kCloseWindowKey)->trigger();
            return true;
        }
    }
    return GP::CMDIFrameWndEx::eventFilter(watched, event);
}

void CMainFrame::closeEvent(QCloseEvent* event) {
    IAppShell* app = IAppShell::Instance();
    if (app != nullptr) {
        if (!app->Documents().SaveAllModified()) {
            event->ignore();
            return;
        }
        app->Documents().CloseAllDocuments();
    }
    SaveStateOnClose();
    GP::CMDIFrameWndEx::closeEvent(event);
}

void CMainFrame::dragEnterEvent(QDragEnterEvent* event) {
    if (event->mimeData()->hasUrls())
        event->acceptProposedAction();
}

void CMainFrame::dropEvent(QDropEvent* event) {
    if (!event->mimeData()->hasUrls())
        return;
    event->acceptProposedAction();
    HandleDrop(event->mimeData()->urls());
}

void CMainFrame::HandleDrop(const QList<QUrl>& urls) {
    activateWindow();
    QStringList folders;
    QStringList files;
    for (const QUrl& url : urls) {
        const QString path = url.toLocalFile();
        if (path.isEmpty())
            continue;
        if (QFileInfo(path).isDir())
            folders << path;
        else
            files << QString(path).replace(u'\\', u'/');
    }
    if (urls.size() == 1 && folders.size() == 1) {
        if (IAppShell* app = IAppShell::Instance())
            app->Documents().OpenDocumentFile(folders.front());
        return;
    }
    if (files.isEmpty())
        return;
    if (CFileView* view = ActiveView())
        view->ImportFiles(files);
}

} // namespace CorvDesktop
