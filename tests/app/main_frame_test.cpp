// The main frame: both menu bars with texts and prompts, accelerators, toolbar and status
// line, Undo's enabling and effect, the window commands, and files and folders dropped from
// the desktop.
#include "app/file_doc.h"
#include "app_fixture.h"
#include "support/project_builder.h"
#include "ui/child_frame.h"
#include "ui/file_view.h"
#include "ui/main_frame.h"
#include "ui/parameter_list.h"

#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QSettings>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTest>
#include <QToolBar>

using namespace AppTest;

namespace {

QString MakeProject(const QTemporaryDir& dir, const QString& name) {
    const QString folder = dir.filePath(name);
    CorvTest::ProjectBuilder(folder.toStdString())
        .Patch(1, "Lead", 1)
        .Tone(1, "Pad", {1})
        .Wave(1, "Sine", 64);
    return folder;
}

// The items of a menu as "text" lines, "-" for a separator, "> title" for a submenu; hidden
// items are left out.
QStringList Items(const QMenu* menu) {
    QStringList items;
    for (const QAction* action : menu->actions()) {
        if (!action->isVisible())
            continue;
        if (action->isSeparator())
            items << "-";
        else if (action->menu() != nullptr)
            items << "> " + action->text();
        else
            items << action->text();
    }
    return items;
}

QStringList Titles(const QList<QMenu*>& menus) {
    QStringList titles;
    for (const QMenu* menu : menus)
        titles << menu->title();
    return titles;
}

std::size_t UsedWaves(const CFileDoc& document) {
    const Corv::CParameterArray& waves = document.Data().Waves();
    std::size_t used = 0;
    for (std::size_t i = 0; i < waves.Size(); ++i)
        used += waves.Item(i).IsEmpty() ? 0 : 1;
    return used;
}

} // namespace

class MainFrameTest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void MenuBarWithoutProject();
    void MenuBarWithProject();
    void PromptsAndTooltips();
    void Accelerators();
    void ToolBarAndStatusLine();
    void FirstStartPlacesWindowAtDefault();
    void ProjectCommandsNeedAProjectWindow();
    void UndoFollowsTheStore();
    void UndoMarksOwnersModifiedAndKeepsTopRows();
    void DroppedProjectFolderOpens();
    void DroppedFolderAmongFilesIsIgnored();
    void DroppedFilesWithoutProjectAreIgnored();
    void FortyWindowsListThirtySix();
    void CtrlGPopsUpTheWindowList();
    void CtrlWDoesNothing();
    void WindowCommandsActOnActiveChild();
    void ToolBarAndStatusBarToggle();

private:
    CApp& StartApp();

    Script m_script;
    QTemporaryDir m_settings;
    QTemporaryDir m_data;
    std::unique_ptr<CApp> m_app;
};

void MainFrameTest::init() {
    ResetProcessState(m_settings);
    m_script = Script();
}

void MainFrameTest::cleanup() {
    if (m_app)
        m_app->ExitInstance();
    m_app.reset();
}

CApp& MainFrameTest::StartApp() {
    m_app =
        std::make_unique<CApp>(ScriptedEnvironment(m_script, m_data.path(), InstanceName("frame")));
    if (!m_app->InitInstance({}))
        qFatal("start-up failed");
    return *m_app;
}

void MainFrameTest::MenuBarWithoutProject() {
    CMainFrame* frame = StartApp().MainFrame();
    QVERIFY(!frame->ShowsProjectMenus());
    QCOMPARE(Titles(frame->Menus()), (QStringList{"&File", "&Help"}));
    QCOMPARE(frame->menuBar()->actions().size(), 2);
    frame->Menus()[0]->aboutToShow();
    QCOMPARE(Items(frame->Menus()[0]), (QStringList{"&New\tCtrl+N", "&Open...\tCtrl+O", "-",
                                                    "Open Most Recently Used File", "-", "E&xit"}));
    QCOMPARE(Items(frame->Menus()[1]),
             (QStringList{"Corvane Librarian &Manual", "&About Corvane Librarian..."}));
}

void MainFrameTest::MenuBarWithProject() {
    CApp& app = StartApp();
    const QString folder = MakeProject(m_data, "Menus.prj");
    app.Documents().OpenDocumentFile(folder);
    CMainFrame* frame = app.MainFrame();
    QVERIFY(frame->ShowsProjectMenus());
    const QList<QMenu*> menus = frame->Menus();
    QCOMPARE(Titles(menus), (QStringList{"&File", "&Edit", "&View", "&Setup", "&Window", "&Help"}));
    menus[0]->aboutToShow();
    const QString recent = "&1 " + QDir::toNativeSeparators(folder);
    QCOMPARE(Items(menus[0]), (QStringList{"&New\tCtrl+N", "&Open...\tCtrl+O", "-", "&Close",
                                           "&Save\tCtrl+S", "Save &As...", "-", "Clean &Project...",
                                           "&Import Wave...", "-", recent, "-", "E&xit"}));
    QCOMPARE(Items(menus[1]),
             (QStringList{"&Undo\tCtrl+Z", "-", "&Delete\tDEL", "-", "Select &All\tCtrl+A"}));
    QCOMPARE(Items(menus[2]), (QStringList{"&Tool Bar", "&Status Bar"}));
    QCOMPARE(Items(menus[3]), (QStringList{"Set Up &Font...", "Set Up &Grid..."}));
    QCOMPARE(Items(menus[4]), (QStringList{"> Move to &Top\tCtrl+G", "-", "Maximize &Height",
                                           "Maximize &Width", "&Save Current Position", "-",
                                           "&Cascade Windows", "Tile Windows H&orizontally",
                                           "Tile Windows &Vertically", "&Arrange Icons"}));
    QCOMPARE(Items(menus[5]),
             (QStringList{"Corvane Librarian &Manual", "&About Corvane Librarian..."}));
    // Closing the last project window brings the first bar back.
    app.Documents().CloseAllDocuments();
    QTRY_VERIFY(!frame->ShowsProjectMenus());
}

void MainFrameTest::PromptsAndTooltips() {
    // The prompt before "\n" goes to the status line, the part after it to the tooltip.
    CMainFrame* frame = StartApp().MainFrame();
    const std::vector<std::tuple<int, QString, QString>> samples{
        {57601, "Open project", "Open"},
        {57088, "Delete the selection", "Delete"},
        {59392, "Show or hide tool bar", "Tool Bar"},
        {57665, "Exit", "Exit"}};
    for (const auto& [id, prompt, tip] : samples) {
        QCOMPARE(frame->Action(id)->statusTip(), prompt);
        QCOMPARE(frame->Action(id)->toolTip(), tip);
    }
}

void MainFrameTest::Accelerators() {
    CApp& app = StartApp();
    CMainFrame* frame = app.MainFrame();
    const std::vector<std::pair<int, QKeySequence>> keys{
        {57600, QKeySequence("Ctrl+N")},       {57601, QKeySequence("Ctrl+O")},
        {57603, QKeySequence("Ctrl+S")},       {57643, QKeySequence("Ctrl+Z")},
        {57088, QKeySequence(Qt::Key_Delete)}, {57642, QKeySequence("Ctrl+A")},
        {57112, QKeySequence("Ctrl+G")},       {32812, QKeySequence("Ctrl+W")}};
    for (const auto& [id, key] : keys)
        QCOMPARE(frame->Action(id)->shortcut(), key);
    // F1 opens the manual only from a project window.
    QVERIFY(frame->Action(32858)->shortcut().isEmpty());
    app.OnFileNew();
    frame->UpdateCommandUi();
    QCOMPARE(frame->Action(32858)->shortcut(), QKeySequence(Qt::Key_F1));
    // Ctrl+N works from the keyboard.
    frame->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(frame));
    QTest::keyClick(frame, Qt::Key_N, Qt::ControlModifier);
    QCOMPARE(app.Documents().Documents().size(), std::size_t(2));
}

void MainFrameTest::ToolBarAndStatusLine() {
    CMainFrame* frame = StartApp().MainFrame();
    QToolBar* bar = frame->ToolBar();
    QCOMPARE(bar->windowTitle(), QStringLiteral("Tool Bar"));
    QStringList buttons;
    for (QAction* action : bar->actions())
        buttons << (action->isSeparator() ? QStringLiteral("|")
                                          : QString::number(action->data().toInt()));
    QCOMPARE(buttons,
             (QStringList{"57600", "57601", "57603", "|", "57643", "57088", "|", "32858"}));
    for (QAction* action : bar->actions())
        if (!action->isSeparator())
            QVERIFY(!action->icon().isNull());
    QCOMPARE(bar->allowedAreas(), Qt::AllToolBarAreas);
    QCOMPARE(frame->toolBarArea(bar), Qt::TopToolBarArea);
    const auto labels = frame->statusBar()->findChildren<QLabel*>();
    QVERIFY(
        std::any_of(labels.begin(), labels.end(), [](QLabel* l) { return l->text() == "Ready"; }));
}

void MainFrameTest::FirstStartPlacesWindowAtDefault() {
    CMainFrame* frame = StartApp().MainFrame();
    QCOMPARE(QRect(frame->pos(), frame->size()), QRect(0, 0, 800, 600));
    QVERIFY(!frame->isMaximized());
    QCOMPARE(frame->windowTitle(), QStringLiteral("Corvane Librarian"));
}

void MainFrameTest::ProjectCommandsNeedAProjectWindow() {
    CApp& app = StartApp();
    CMainFrame* frame = app.MainFrame();
    frame->UpdateCommandUi();
    for (int id :
         {57602, 57603, 57604, 32864, 32865, 57088, 57642, 32863, 57150, 57151, 57152, 57643})
        QVERIFY2(!frame->Action(id)->isEnabled(), QByteArray::number(id));
    for (int id : {57600, 57601, 32858, 57664, 57665})
        QVERIFY2(frame->Action(id)->isEnabled(), QByteArray::number(id));
    app.OnFileNew();
    frame->UpdateCommandUi();
    for (int id : {57602, 57603, 57604, 32864, 32865, 57642, 32863, 57150, 57151, 57152})
        QVERIFY2(frame->Action(id)->isEnabled(), QByteArray::number(id));
    // Delete follows the project window's selection: nothing selected in an empty project.
    QVERIFY(!frame->Action(57088)->isEnabled());
    app.Documents().OpenDocumentFile(MakeProject(m_data, "Selected.prj"));
    frame->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(frame));
    CParameterListCtrl* patches = frame->ActiveView()->List(Corv::kPatchKind);
    patches->setFocus();
    patches->selectRow(0);
    QTRY_VERIFY(frame->Action(57088)->isEnabled());
    patches->clearSelection();
    QTRY_VERIFY(!frame->Action(57088)->isEnabled());
    // Maximize Height and Width need a window that is neither minimized nor maximized.
    frame->ActiveProjectFrame()->showMaximized();
    frame->UpdateCommandUi();
    QVERIFY(!frame->Action(57150)->isEnabled());
    QVERIFY(!frame->Action(57151)->isEnabled());
}

void MainFrameTest::UndoFollowsTheStore() {
    CApp& app = StartApp();
    CMainFrame* frame = app.MainFrame();
    app.OnFileNew();
    CFileDoc* document = app.Documents().Documents().front();
    frame->UpdateCommandUi();
    QVERIFY(!frame->Action(Cmd::kUndo)->isEnabled());
    Corv::CDomain::Get().RecordUndo(Corv::kPatchKind, document->Data());
    frame->UpdateCommandUi();
    QVERIFY(frame->Action(Cmd::kUndo)->isEnabled());
    Corv::CDomain::Get().ClearUndo();
    frame->UpdateCommandUi();
    QVERIFY(!frame->Action(Cmd::kUndo)->isEnabled());
    // Closing the owner discards its step.
    Corv::CDomain::Get().RecordUndo(Corv::kPatchKind, document->Data());
    app.Documents().CloseDocument(*document);
    frame->UpdateCommandUi();
    QVERIFY(!frame->Action(Cmd::kUndo)->isEnabled());
}

void MainFrameTest::UndoMarksOwnersModifiedAndKeepsTopRows() {
    CApp& app = StartApp();
    CFileDoc* a = app.Documents().OpenDocumentFile(MakeProject(m_data, "UndoA.prj"));
    CFileDoc* b = app.Documents().OpenDocumentFile(MakeProject(m_data, "UndoB.prj"));
    CFileDoc* c = app.Documents().OpenDocumentFile(MakeProject(m_data, "UndoC.prj"));
    CFileView* viewA = app.Documents().FrameOf(*a)->View();
    viewA->SetTopRows({100, 200, 300});
    const std::array<int, 3> rows = viewA->TopRows();
    QVERIFY(rows[0] > 0);
    Corv::CDomain& domain = Corv::CDomain::Get();
    domain.RecordUndo(Corv::kPatchKind, a->Data());
    domain.RecordUndo(Corv::kToneKind, b->Data());
    a->Data().Patches().Item(0).SetName("Changed");
    QSignalSpy updatedC(c, &CFileDoc::ViewsUpdateRequested);

    app.MainFrame()->Action(Cmd::kUndo)->setEnabled(true);
    app.MainFrame()->Action(Cmd::kUndo)->trigger();
    QCOMPARE(a->Data().Patches().Item(0).Name(), std::string("Lead"));
    QVERIFY(a->IsModified());
    QVERIFY(b->IsModified());
    QVERIFY(!c->IsModified());
    QCOMPARE(updatedC.size(), 0);
    QCOMPARE(viewA->TopRows(), rows);
    QVERIFY(app.Documents().FrameOf(*a)->windowTitle().endsWith(u'*'));
    // Undoing again redoes.
    app.OnEditUndo();
    QCOMPARE(a->Data().Patches().Item(0).Name(), std::string("Changed"));
}

void MainFrameTest::DroppedProjectFolderOpens() {
    CApp& app = StartApp();
    const QString folder = MakeProject(m_data, "Dropped.prj");
    app.MainFrame()->HandleDrop({QUrl::fromLocalFile(folder)});
    QCOMPARE(app.Documents().Documents().size(), std::size_t(1));
    QCOMPARE(app.Documents().Documents().front()->Title(), QStringLiteral("Dropped.prj"));
    // A folder that is no project is reported like any failed load.
    QDir(m_data.path()).mkpath("Plain");
    app.MainFrame()->HandleDrop({QUrl::fromLocalFile(m_data.filePath("Plain"))});
    QCOMPARE(m_script.sink->Errors(), std::vector<int>{Corv::kMsgLoadFailed});
    QCOMPARE(app.Documents().Documents().size(), std::size_t(1));
}

void MainFrameTest::DroppedFolderAmongFilesIsIgnored() {
    CApp& app = StartApp();
    CFileDoc* target = app.Documents().OpenDocumentFile(MakeProject(m_data, "Target.prj"));
    const QString other = MakeProject(m_data, "Other.prj");
    const QString wave = m_data.filePath("Kick.wav");
    CorvTest::WriteBytes(wave.toStdString(), CorvTest::Bytes(100, 1));
    const std::size_t before = UsedWaves(*target);
    app.MainFrame()->HandleDrop({QUrl::fromLocalFile(other), QUrl::fromLocalFile(wave)});
    QCOMPARE(app.Documents().Documents().size(), std::size_t(1));
    QCOMPARE(UsedWaves(*target), before + 1);
    QVERIFY(target->IsModified());
}

void MainFrameTest::DroppedFilesWithoutProjectAreIgnored() {
    CApp& app = StartApp();
    const QString wave = m_data.filePath("Snare.wav");
    CorvTest::WriteBytes(wave.toStdString(), CorvTest::Bytes(100, 1));
    app.MainFrame()->HandleDrop({QUrl::fromLocalFile(wave)});
    QVERIFY(app.Documents().Documents().empty());
    QVERIFY(m_script.sink->Calls().empty());
}

void MainFrameTest::FortyWindowsListThirtySix() {
    CApp& app = StartApp();
    for (int i = 0; i < 40; ++i)
        app.OnFileNew();
    CMainFrame* frame = app.MainFrame();
    frame->RebuildWindowList();
    const QList<QAction*> entries = frame->WindowListMenu()->actions();
    QCOMPARE(entries.size(), 36);
    // Sorted by title bytes: Untitled1, Untitled10, Untitled11, ...
    QCOMPARE(entries[0]->text(), QStringLiteral("&0\tUntitled1 "));
    QCOMPARE(entries[1]->text(), QStringLiteral("&1\tUntitled10 "));
    const auto checked =
        std::count_if(entries.begin(), entries.end(), [](QAction* a) { return a->isChecked(); });
    QCOMPARE(checked, 1); // the active one, Untitled40
    QCOMPARE(entries[34]->text(), QStringLiteral("&Y\tUntitled40 "));
    QVERIFY(entries[34]->isChecked());
}

void MainFrameTest::CtrlGPopsUpTheWindowList() {
    CApp& app = StartApp();
    app.OnFileNew();
    app.OnFileNew();
    CMainFrame* frame = app.MainFrame();
    frame->UpdateCommandUi();
    frame->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(frame));
    QTest::keyClick(frame, Qt::Key_G, Qt::ControlModifier);
    QTRY_VERIFY(frame->WindowListMenu()->isVisible());
    const QList<QAction*> entries = frame->WindowListMenu()->actions();
    QCOMPARE(entries.size(), 2);
    QVERIFY(!entries[0]->isChecked());
    QVERIFY(entries[1]->isChecked()); // Untitled2 is active
    entries[0]->trigger();
    frame->WindowListMenu()->hide();
    QCOMPARE(frame->ActiveProjectFrame()->Document().Title(), QStringLiteral("Untitled1"));
}

void MainFrameTest::CtrlWDoesNothing() {
    CApp& app = StartApp();
    app.OnFileNew();
    CMainFrame* frame = app.MainFrame();
    frame->UpdateCommandUi();
    frame->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(frame));
    QWidget* focus = frame->ActiveProjectFrame()->widget();
    focus->setFocus();
    QTest::keyClick(focus, Qt::Key_W, Qt::ControlModifier);
    QTest::keyClick(frame, Qt::Key_W, Qt::ControlModifier);
    QTest::qWait(20);
    QCOMPARE(app.Documents().Documents().size(), std::size_t(1));
    QCOMPARE(frame->MdiArea()->subWindowList().size(), 1);
    QVERIFY(frame->isVisible());
}

void MainFrameTest::WindowCommandsActOnActiveChild() {
    CApp& app = StartApp();
    app.OnFileNew();
    CMainFrame* frame = app.MainFrame();
    CFileFrame* child = frame->ActiveProjectFrame();
    child->setGeometry(20, 30, 730, 200);
    frame->Action(Cmd::kMaximizeWidth)->setEnabled(true);
    frame->Action(Cmd::kMaximizeWidth)->trigger();
    const QRect area = frame->MdiArea()->viewport()->rect();
    QCOMPARE(child->geometry(), QRect(0, 30, std::max(area.width(), CFileFrame::kMinWidth), 200));
    frame->Action(Cmd::kSavePosition)->setEnabled(true);
    frame->Action(Cmd::kSavePosition)->trigger();
    QCOMPARE(QSettings().value("Window/Position4107").toString(), QStringLiteral("%1,%2,%3,%4")
                                                                      .arg(child->x())
                                                                      .arg(child->y())
                                                                      .arg(child->width())
                                                                      .arg(child->height()));
    // The next project window takes that placement, moved off the first one's corner.
    app.OnFileNew();
    CFileFrame* next = frame->ActiveProjectFrame();
    QCOMPARE(next->pos(), child->pos() + QPoint(10, 10));
    QCOMPARE(next->size(), child->size());
    QVERIFY(child->minimumSize() == QSize(720, 160));
}

void MainFrameTest::ToolBarAndStatusBarToggle() {
    CMainFrame* frame = StartApp().MainFrame();
    frame->UpdateCommandUi();
    QVERIFY(frame->Action(Cmd::kToolBar)->isChecked());
    frame->Action(Cmd::kToolBar)->trigger();
    QVERIFY(frame->ToolBar()->isHidden());
    frame->Action(Cmd::kStatusBar)->trigger();
    QVERIFY(frame->statusBar()->isHidden());
    frame->UpdateCommandUi();
    QVERIFY(!frame->Action(Cmd::kToolBar)->isChecked());
    QVERIFY(!frame->Action(Cmd::kStatusBar)->isChecked());
}

QTEST_MAIN(MainFrameTest)
#include "main_frame_test.moc"
