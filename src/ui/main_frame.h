#pragma once

#include "gp/mdi_frame_ex.h"

#include <QDialog>
#include <QList>
#include <QMap>
#include <QPointer>
#include <QUrl>

class QAction;
class QLabel;
class QMenu;
class QToolBar;

namespace CorvDesktop {

class CCheckWindow;
class CFileDoc;
class CFileFrame;
class CFileView;
class CFindBar;
class CLibraryWindow;

// Command ids shared by menus, accelerators and toolbar buttons.
namespace Cmd {
enum : int {
    kNew = 1,
    kOpen,
    kClose,
    kSave,
    kSaveAs,
    kRecentFile,
    kExit,
    kCleanProject,
    kImportWave,
    kUndo,
    kDelete,
    kSelectAll,
    kToolBar,
    kStatusBar,
    kSetUpFont,
    kSetUpGrid,
    kMoveToTop,
    kMaximizeHeight,
    kMaximizeWidth,
    kSavePosition,
    kCascade,
    kTileHorizontally,
    kTileVertically,
    kArrangeIcons,
    kManual,
    kAbout,
    kCloseWindowKey, // Ctrl+W: closes the active project window
    kCheckProject,
    kFind,
    kFindNext,
    kFindPrevious,
    kRedo, // the undo step undone again, right after an Undo
    kCut,
    kCopy,
    kPaste,
    kPasteInsert,
    kRename,
    kEditMemos,
    kShowUsers,
    kExportList,
    kPrint,
    kLibrary,     // Window > Library (Ctrl+L)
    kHistory,     // Project > History...
    kHistorySize, // Setup > History...
};
} // namespace Cmd

// The main window: the menu bar without a project (File, Help) and with a project window
// active (File, Edit, View, Setup, Window, Help), the toolbar, the status line, the title,
// the window commands, Undo, and files and folders dropped from the desktop.
class CMainFrame : public GP::CMDIFrameWndEx {
    Q_OBJECT
public:
    // The rows a project window's lists show at least after Cascade.
    static constexpr int kUsableRows = 12;

    explicit CMainFrame(QWidget* parent = nullptr);
    ~CMainFrame() override;

    // Where the main window goes on a first start: most of the screen, centred.
    static QRect FirstPlacement();

    // Applies the stored placement and bar state and shows the window.
    void ShowPlaced();

    // A project window for a document, placed fully inside the client area and shown.
    CFileFrame* CreateProjectFrame(CFileDoc& document);
    void ActivateFrame(CFileFrame* frame);
    CFileFrame* ActiveProjectFrame() const;
    CFileView* ActiveView() const;

    // The action of a command id (null for none).
    QAction* Action(int id) const { return m_actions.value(id); }
    // True while the project menu bar shows.
    bool ShowsProjectMenus() const { return m_projectMenusShown; }
    // The menus of the bar now showing.
    QList<QMenu*> Menus() const;
    QToolBar* ToolBar() const { return m_toolBar; }
    CFindBar* FindBar() const { return m_findBar; }

    // Enables and checks the commands for the current state (also run when the program idles).
    void UpdateCommandUi();
    void UpdateTitle();
    // The title the window should show now.
    QString TitleText() const;

    // Files and folders dropped from the desktop: one folder opens as a project; files are
    // imported as waves into the active project; folders among several items are ignored.
    void HandleDrop(const QList<QUrl>& urls);

    // Project > Check: shows the check window (made on first use) with the active project's
    // problems, and brings it forward.
    void ShowCheckWindow();
    // The check window; null until first shown.
    CCheckWindow* CheckWindow() const { return m_checkWindow; }

    // Window > Library (Ctrl+L): shows the library window (made on first use, docked below
    // the project windows) with the keyboard in its search field.
    void ShowLibrary();
    // Project > History…: the versions of the active project (a window of its own).
    void ShowHistory();
    // Setup > History…: the history's size, and emptying it.
    void ShowHistorySize();
    // The history window's Open Read-Only: version `id` of a project (the core's path form)
    // written out into a scratch folder of the work folder and shown in a read-only window,
    // or that window brought forward when the version is open already. Null with `why` when
    // it cannot be.
    CFileDoc* OpenVersionReadOnly(const std::string& project, int id, QString& why);
    // The history window shown last; null when none is open.
    QDialog* HistoryWindow() const { return m_historyWindow; }
    // The library window; null until first shown.
    CLibraryWindow* LibraryWindow() const { return m_libraryWindow; }

    // The lists' context menu (right click, the Menu key) at a point on the screen: Rename, Edit
    // Memos, Delete, Cut, Copy, Paste, Paste Inserting, Find, Show Users, Check Project.
    void ShowListMenu(QPoint at);
    // The context menu while it is open; null otherwise.
    QMenu* OpenListMenu() const { return m_listMenu; }

    // Refills the File menu's recent-file entries (the application calls it when its list
    // changes).
    void RebuildRecentFiles();

protected:
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    QString ChildTitle(QMdiSubWindow* child) const override;
    // A project window is of use while each of its lists shows at least kUsableRows rows.
    QSize UsableSize(QMdiSubWindow* child) const override;
    // Ctrl+W closes the active project window (asking to save as its close button does).
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QAction* AddAction(int id, const QString& text, const QString& prompt,
                       const QKeySequence& key = {});
    void CreateActions();
    void ConnectActions();
    void CreateMenus();
    QMenu* CreateFileMenu(bool project);
    QMenu* CreateHelpMenu();
    QMenu* CreateProjectMenu();
    void CreateToolBar();
    void ShowMenuBar(bool project);
    void ChildActivated(QMdiSubWindow* child);
    void RouteToView(void (CFileView::*command)());
    void CreateFind();

    QMap<int, QAction*> m_actions;
    QList<QAction*> m_recentActions;
    QList<QMenu*> m_noProjectMenus;
    QList<QMenu*> m_projectMenus;
    QToolBar* m_toolBar = nullptr;
    QLabel* m_ready = nullptr;
    CCheckWindow* m_checkWindow = nullptr;
    CLibraryWindow* m_libraryWindow = nullptr;
    QPointer<QDialog> m_historyWindow;
    CFindBar* m_findBar = nullptr;
    bool m_projectMenusShown = false;
    QMenu* m_listMenu = nullptr;
};

} // namespace CorvDesktop
