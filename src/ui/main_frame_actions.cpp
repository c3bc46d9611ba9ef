// The main window's commands: the actions of the menus, accelerators and toolbar, what each
// does, and the lists' context menu built from them.
#include "ui/app_shell.h"
#include "ui/child_frame.h"
#include "ui/desktop.h"
#include "ui/file_doc.h"
#include "ui/file_view.h"
#include "ui/list_clipboard.h"
#include "ui/list_export.h"
#include "ui/list_print.h"
#include "ui/main_frame.h"
#include "ui/parameter_list.h"
#include "ui/recent_files.h"
#include "ui/status_line.h"
#include "ui/wave_services.h"

#include <QAction>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QStatusBar>
#include <QStyle>
#include <QToolBar>

namespace CorvDesktop {

namespace {

// An icon from the desktop's theme, or a built-in one.
QIcon ThemeIcon(const char* name, QStyle::StandardPixmap fallback, const QStyle* style) {
    return QIcon::fromTheme(QString::fromLatin1(name), style->standardIcon(fallback));
}

} // namespace

QAction* CMainFrame::AddAction(int id, const QString& text, const QString& prompt,
                               const QKeySequence& key) {
    auto* action = new QAction(text, this);
    action->setData(id);
    const qsizetype split = prompt.indexOf(u'\n');
    action->setStatusTip(split < 0 ? prompt : prompt.left(split));
    action->setToolTip(split < 0 ? prompt : prompt.mid(split + 1));
    if (!key.isEmpty()) {
        action->setShortcut(key);
        action->setShortcutContext(Qt::WindowShortcut);
        addAction(action); // accelerators work with or without the menu showing
    }
    m_actions.insert(id, action);
    return action;
}

void CMainFrame::CreateActions() {
    using namespace Cmd;
    const QStyle* s = style();
    AddAction(kFind, QStringLiteral("&Find...\tCtrl+F"),
              QStringLiteral("Find a text in names and memos\nFind"), QKeySequence::Find)
        ->setIcon(ThemeIcon("edit-find", QStyle::SP_FileDialogContentsView, s));
    AddAction(kFindNext, QStringLiteral("Find &Next\tF3"),
              QStringLiteral("Go to the next hit\nFind Next"), QKeySequence(Qt::Key_F3));
    AddAction(kFindPrevious, QStringLiteral("Find Pre&vious\tShift+F3"),
              QStringLiteral("Go to the previous hit\nFind Previous"),
              QKeySequence(Qt::SHIFT | Qt::Key_F3));
    AddAction(kNew, QStringLiteral("&New\tCtrl+N"),
              QStringLiteral("Create a new project\nCreate a new project"),
              QKeySequence(QStringLiteral("Ctrl+N")))
        ->setIcon(ThemeIcon("document-new", QStyle::SP_FileIcon, s));
    AddAction(kOpen, QStringLiteral("&Open...\tCtrl+O"), QStringLiteral("Open project\nOpen"),
              QKeySequence(QStringLiteral("Ctrl+O")))
        ->setIcon(ThemeIcon("document-open", QStyle::SP_DialogOpenButton, s));
    AddAction(kClose, QStringLiteral("&Close"), QStringLiteral("Close project\nClose"));
    AddAction(kSave, QStringLiteral("&Save\tCtrl+S"), QStringLiteral("Save project\nSave"),
              QKeySequence(QStringLiteral("Ctrl+S")))
        ->setIcon(ThemeIcon("document-save", QStyle::SP_DialogSaveButton, s));
    AddAction(kSaveAs, QStringLiteral("Save &As..."), QStringLiteral("Save project as\nSave As"),
              QKeySequence(QStringLiteral("Ctrl+Shift+S")));
    AddAction(kCleanProject, QStringLiteral("Clean &Project..."),
              QStringLiteral("Clean project\nClean project"));
    AddAction(kImportWave, QStringLiteral("&Import Wave..."),
              QStringLiteral("Import wave\nImport wave"));
    AddAction(kRecentFile, QStringLiteral("Open Most Recently Used File"),
              QStringLiteral("Open this project\nOpen this project"));
    AddAction(kExit, QStringLiteral("E&xit"), QStringLiteral("Exit\nExit"),
              QKeySequence(QStringLiteral("Ctrl+Q")));
    AddAction(kUndo, QStringLiteral("&Undo\tCtrl+Z"), QStringLiteral("Undo\nUndo"),
              QKeySequence(QStringLiteral("Ctrl+Z")))
        ->setIcon(ThemeIcon("edit-undo", QStyle::SP_ArrowBack, s));
    // The step toggles: Redo is the same step undone again.
    AddAction(kRedo, QStringLiteral("&Redo\tCtrl+Y"), QStringLiteral("Redo\nRedo"),
              QKeySequence(QStringLiteral("Ctrl+Y")))
        ->setShortcuts(
            {QKeySequence(QStringLiteral("Ctrl+Y")), QKeySequence(QStringLiteral("Ctrl+Shift+Z"))});
    AddAction(kDelete, QStringLiteral("&Delete\tDEL"),
              QStringLiteral("Delete the selection\nDelete"), QKeySequence(Qt::Key_Delete))
        ->setIcon(ThemeIcon("edit-delete", QStyle::SP_TrashIcon, s));
    AddAction(kCut, QStringLiteral("Cu&t\tCtrl+X"),
              QStringLiteral("Take the selected entries to move them with Paste\nCut"),
              QKeySequence::Cut)
        ->setIcon(ThemeIcon("edit-cut", QStyle::SP_DialogDiscardButton, s));
    AddAction(kCopy, QStringLiteral("&Copy\tCtrl+C"),
              QStringLiteral("Take the selected entries to copy them with Paste\nCopy"),
              QKeySequence::Copy)
        ->setIcon(ThemeIcon("edit-copy", QStyle::SP_FileDialogDetailedView, s));
    AddAction(kPaste, QStringLiteral("&Paste\tCtrl+V"),
              QStringLiteral("Put the entries taken over the focused row, as a drop there\nPaste"),
              QKeySequence::Paste)
        ->setIcon(ThemeIcon("edit-paste", QStyle::SP_DialogApplyButton, s));
    AddAction(kPasteInsert, QStringLiteral("Paste &Inserting\tCtrl+Shift+V"),
              QStringLiteral("Insert the entries taken at the focused row\nPaste Inserting"),
              QKeySequence(QStringLiteral("Ctrl+Shift+V")));
    AddAction(kRename, QStringLiteral("&Rename\tF2"),
              QStringLiteral("Rename the selected entries\nRename"), QKeySequence(Qt::Key_F2));
    AddAction(kEditMemos, QStringLiteral("Edit &Memos..."),
              QStringLiteral("Edit the four memos of the selected entries\nEdit Memos"));
    AddAction(kShowUsers, QStringLiteral("Show &Users"),
              QStringLiteral("Select the patches that use the selected tones, or the tones that "
                             "use the selected waves\nShow Users"));
    AddAction(kExportList, QStringLiteral("&Export List..."),
              QStringLiteral("Write the lists as a CSV file for spreadsheets\nExport List"));
    AddAction(kPrint, QStringLiteral("&Print...\tCtrl+P"),
              QStringLiteral("Print the lists, or make a PDF of them\nPrint"), QKeySequence::Print);
    AddAction(kSelectAll, QStringLiteral("Select &All\tCtrl+A"),
              QStringLiteral("Select all\nSelect all"), QKeySequence(QStringLiteral("Ctrl+A")));
    AddAction(kToolBar, QStringLiteral("&Tool Bar"),
              QStringLiteral("Show or hide tool bar\nTool Bar"))
        ->setCheckable(true);
    AddAction(kStatusBar, QStringLiteral("&Status Bar"),
              QStringLiteral("Show or hide status bar\nStatus Bar"))
        ->setCheckable(true);
    AddAction(kSetUpFont, QStringLiteral("Set Up &Font..."),
              QStringLiteral("Set up font\nSet up font"));
    AddAction(kSetUpGrid, QStringLiteral("Set Up &Grid..."),
              QStringLiteral("Set up grid\nSet up grid"));
    AddAction(kMoveToTop, QStringLiteral("Move to &Top\tCtrl+G"),
              QStringLiteral("Move to top\nMove to top"), QKeySequence(QStringLiteral("Ctrl+G")));
    AddAction(kMaximizeHeight, QStringLiteral("Maximize &Height"),
              QStringLiteral("Maximize height\nMaximize height"));
    AddAction(kMaximizeWidth, QStringLiteral("Maximize &Width"),
              QStringLiteral("Maximize width\nMaximize width"));
    AddAction(kSavePosition, QStringLiteral("&Save Current Position"),
              QStringLiteral("Save current position\nSave current position"));
    AddAction(kCascade, QStringLiteral("&Cascade Windows"),
              QStringLiteral("Cascade windows\nCascade windows"));
    AddAction(kTileHorizontally, QStringLiteral("Tile Windows H&orizontally"),
              QStringLiteral("Tile windows horizontally\nTile windows horizontally"));
    AddAction(kTileVertically, QStringLiteral("Tile Windows &Vertically"),
              QStringLiteral("Tile windows vertically\nTile windows vertically"));
    AddAction(kArrangeIcons, QStringLiteral("&Arrange Icons"),
              QStringLiteral("Arrange icons\nArrange icons"));
    AddAction(kManual, QStringLiteral("Corvane Librarian &Manual"),
              QStringLiteral("Corvane Librarian Manual\nCorvane Librarian Manual"),
              QKeySequence(Qt::Key_F1))
        ->setIcon(ThemeIcon("help-contents", QStyle::SP_MessageBoxQuestion, s));
    AddAction(kAbout, QStringLiteral("&About Corvane Librarian..."),
              QStringLiteral("About Corvane Librarian\nAbout Corvane Librarian"));
    // Ctrl+W closes the active project window, as its close button does (asking to save).
    AddAction(kCloseWindowKey, QString(), QString(), QKeySequence(QStringLiteral("Ctrl+W")));
    AddAction(kCheckProject, QStringLiteral("&Check\tF7"),
              QStringLiteral("List the problems of the project\nCheck project"),
              QKeySequence(Qt::Key_F7));
    AddAction(kLibrary, QStringLiteral("&Library\tCtrl+L"),
              QStringLiteral("Search every project in the library\nLibrary"),
              QKeySequence(QStringLiteral("Ctrl+L")));
    AddAction(kHistory, QStringLiteral("&History..."),
              QStringLiteral("The versions the saves of the project kept\nHistory"));
    AddAction(kHistorySize, QStringLiteral("&History..."),
              QStringLiteral("How much the history of saved versions takes\nHistory"));
    for (int i = 0; i < CRecentFileList::kSize; ++i) {
        auto* action = new QAction(this);
        action->setStatusTip(QStringLiteral("Open this project"));
        connect(action, &QAction::triggered, this, [i] {
            if (IAppShell* app = IAppShell::Instance())
                app->OnOpenRecent(i);
        });
        m_recentActions << action;
    }
}

void CMainFrame::ConnectActions() {
    using namespace Cmd;
    const auto app = [](void (IAppShell::*command)()) {
        return [command] {
            if (IAppShell* instance = IAppShell::Instance())
                (instance->*command)();
        };
    };
    const auto onDoc = [this](bool (IDocumentList::*command)(CFileDoc&)) {
        return [this, command] {
            CFileFrame* frame = ActiveProjectFrame();
            if (IAppShell* instance = IAppShell::Instance();
                instance != nullptr && frame != nullptr)
                (instance->Documents().*command)(frame->Document());
        };
    };
    const auto onChild = [this](void (GP::CMDIChildWndEx::*command)()) {
        return [this, command] {
            if (CFileFrame* frame = ActiveProjectFrame())
                (frame->*command)();
        };
    };
    connect(Action(kNew), &QAction::triggered, this, app(&IAppShell::OnFileNew));
    connect(Action(kOpen), &QAction::triggered, this, app(&IAppShell::OnFileOpen));
    connect(Action(kClose), &QAction::triggered, this, onDoc(&IDocumentList::CloseDocument));
    connect(Action(kSave), &QAction::triggered, this, onDoc(&IDocumentList::Save));
    connect(Action(kSaveAs), &QAction::triggered, this, onDoc(&IDocumentList::SaveAs));
    connect(Action(kExit), &QAction::triggered, this, &QWidget::close);
    connect(Action(kCleanProject), &QAction::triggered, this,
            [this] { RouteToView(&CFileView::CleanProject); });
    connect(Action(kImportWave), &QAction::triggered, this,
            [this] { RouteToView(&CFileView::ImportWave); });
    connect(Action(kDelete), &QAction::triggered, this,
            [this] { RouteToView(&CFileView::Delete); });
    connect(Action(kCut), &QAction::triggered, this, [this] { RouteToView(&CFileView::Cut); });
    connect(Action(kCopy), &QAction::triggered, this,
            [this] { RouteToView(&CFileView::CopySelection); });
    connect(Action(kPaste), &QAction::triggered, this,
            [this] { RouteToView(&CFileView::PasteOver); });
    connect(Action(kPasteInsert), &QAction::triggered, this,
            [this] { RouteToView(&CFileView::PasteInserting); });
    connect(Action(kRename), &QAction::triggered, this,
            [this] { RouteToView(&CFileView::Rename); });
    connect(Action(kEditMemos), &QAction::triggered, this,
            [this] { RouteToView(&CFileView::EditMemos); });
    connect(Action(kShowUsers), &QAction::triggered, this,
            [this] { RouteToView(&CFileView::ShowUsersOfSelection); });
    connect(Action(kExportList), &QAction::triggered, this, [this] {
        if (CFileView* view = ActiveView()) {
            const CParameterListCtrl* list = view->ActiveList();
            if (ExportListInteractively(this, view->Document().Data(),
                                        list != nullptr ? list->Kind() : -1, view->Title()))
                CDesktop::Get().Status().Say(
                    QStringLiteral("Exported the lists of %1").arg(view->Title()));
        }
    });
    connect(Action(kPrint), &QAction::triggered, this, [this] {
        if (CFileView* view = ActiveView())
            if (PrintInteractively(this, view->Document().Data(), view->Title()))
                CDesktop::Get().Status().Say(
                    QStringLiteral("Printed the lists of %1").arg(view->Title()));
    });
    connect(Action(kCloseWindowKey), &QAction::triggered, this, [this] {
        if (QMdiSubWindow* child = MdiArea()->activeSubWindow())
            child->close();
    });
    connect(Action(kSelectAll), &QAction::triggered, this,
            [this] { RouteToView(&CFileView::SelectAll); });
    connect(Action(kSetUpGrid), &QAction::triggered, this,
            [this] { RouteToView(&CFileView::SetUpGrid); });
    connect(Action(kUndo), &QAction::triggered, this, app(&IAppShell::OnEditUndo));
    connect(Action(kRedo), &QAction::triggered, this, app(&IAppShell::OnEditUndo));
    connect(Action(kToolBar), &QAction::triggered, this,
            [this](bool on) { m_toolBar->setVisible(on); });
    connect(Action(kStatusBar), &QAction::triggered, this,
            [this](bool on) { statusBar()->setVisible(on); });
    connect(Action(kSetUpFont), &QAction::triggered, this, app(&IAppShell::OnSetUpFont));
    connect(Action(kMoveToTop), &QAction::triggered, this, &CMainFrame::MoveToTop);
    connect(Action(kMaximizeHeight), &QAction::triggered, this,
            onChild(&GP::CMDIChildWndEx::MaximizeHeight));
    connect(Action(kMaximizeWidth), &QAction::triggered, this,
            onChild(&GP::CMDIChildWndEx::MaximizeWidth));
    connect(Action(kSavePosition), &QAction::triggered, this,
            onChild(&GP::CMDIChildWndEx::SaveCurrentPosition));
    connect(Action(kCascade), &QAction::triggered, this, &CMainFrame::Cascade);
    connect(Action(kTileHorizontally), &QAction::triggered, this, &CMainFrame::TileHorizontally);
    connect(Action(kTileVertically), &QAction::triggered, this, &CMainFrame::TileVertically);
    connect(Action(kArrangeIcons), &QAction::triggered, this, &CMainFrame::ArrangeIcons);
    connect(Action(kManual), &QAction::triggered, this, app(&IAppShell::OnManual));
    connect(Action(kAbout), &QAction::triggered, this, app(&IAppShell::OnAppAbout));
    connect(Action(kCheckProject), &QAction::triggered, this, &CMainFrame::ShowCheckWindow);
    connect(Action(kLibrary), &QAction::triggered, this, &CMainFrame::ShowLibrary);
    connect(Action(kHistory), &QAction::triggered, this, &CMainFrame::ShowHistory);
    connect(Action(kHistorySize), &QAction::triggered, this, &CMainFrame::ShowHistorySize);
}

void CMainFrame::ShowListMenu(QPoint at) {
    using namespace Cmd;
    UpdateCommandUi();
    QMenu menu(this);
    for (const int id : std::initializer_list<int>{kRename, kEditMemos, kDelete, -1, kCut, kCopy,
                                                   kPaste, kPasteInsert, -1, kFind, kShowUsers}) {
        if (id < 0)
            menu.addSeparator();
        else
            menu.addAction(Action(id));
    }
    // The Project menu's Check, named for where it stands here.
    QAction* check = menu.addAction(QStringLiteral("Check &Project\tF7"));
    check->setEnabled(Action(kCheckProject)->isEnabled());
    connect(check, &QAction::triggered, Action(kCheckProject), &QAction::trigger);
    // Auditions belong to the wave list.
    if (const CFileView* view = ActiveView(); view != nullptr && view->ActiveList() != nullptr &&
                                              view->ActiveList()->Kind() == Corv::kWaveKind) {
        menu.addSeparator();
        menu.addAction(CDesktop::Get().Waves().AutoPlayAction());
    }
    m_listMenu = &menu; // tests find the menu while it is open
    menu.exec(at);
    m_listMenu = nullptr;
}

} // namespace CorvDesktop
