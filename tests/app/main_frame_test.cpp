// The main frame: the two menu bars, prompts, keys and toolbar, the commands' enabling, Undo,
// the window commands, and files and folders dropped from the desktop.
#include "app_fixture.h"
#include "ui/file_view.h"
#include "ui/parameter_list.h"

#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QSignalSpy>
#include <QStatusBar>
#include <QToolBar>

using AppTest::World;

namespace {

// A menu's visible items, "-" for a separator and "> " before a submenu's title.
QStringList Items(const QMenu* menu) {
    QStringList items;
    for (const QAction* action : menu->actions())
        if (action->isVisible())
            items << (action->isSeparator() ? "-"
                      : action->menu()      ? "> " + action->text()
                                            : action->text());
    return items;
}

QStringList Titles(const CMainFrame& frame) {
    QStringList titles;
    for (const QMenu* menu : frame.Menus())
        titles << menu->title();
    return titles;
}

// Brings the main window to the front so that keys reach it.
bool Activate(CMainFrame& frame) {
    frame.UpdateCommandUi();
    frame.activateWindow();
    return QTest::qWaitForWindowActive(&frame);
}

} // namespace

class MainFrameTest : public QObject {
    Q_OBJECT
private slots:
    void MenuBarsFollowTheProjectWindows() {
        World w;
        CApp& app = w.Started();
        QCOMPARE(Titles(w.Frame()), (QStringList{"&File", "&Help"}));
        QCOMPARE(w.Frame().menuBar()->actions().size(), 2);
        w.Open("Menus.prj");
        QCOMPARE(Titles(w.Frame()),
                 (QStringList{"&File", "&Edit", "&View", "&Setup", "&Window", "&Help"}));
        QMenu* file = w.Frame().Menus()[0];
        emit file->aboutToShow();
        QCOMPARE(
            Items(file).mid(10, 2),
            (QStringList{"&1 " + QDir::toNativeSeparators(w.data.filePath("Menus.prj")), "-"}));
        QCOMPARE(Items(w.Frame().Menus()[4]).front(), QStringLiteral("> Move to &Top\tCtrl+G"));
        // The prompt before "\n" goes to the status line, the part after it to the tooltip.
        QCOMPARE(w.Frame().Action(Cmd::kOpen)->statusTip() + "|" +
                     w.Frame().Action(Cmd::kOpen)->toolTip(),
                 QStringLiteral("Open project|Open"));
        app.Documents().CloseAllDocuments();
        QTRY_COMPARE(Titles(w.Frame()), (QStringList{"&File", "&Help"}));
    }

    void KeysAndToolBar() {
        World w;
        w.Started();
        QToolBar* bar = w.Frame().ToolBar();
        QStringList buttons;
        for (QAction* action : bar->actions())
            buttons << (action->isSeparator() ? "|"
                                              : QString::number(action->data().toInt()) +
                                                    (action->icon().isNull() ? "?" : ""));
        QCOMPARE(buttons,
                 (QStringList{"57600", "57601", "57603", "|", "57643", "57088", "|", "32858"}));
        const auto labels = w.Frame().statusBar()->findChildren<QLabel*>();
        QVERIFY(std::any_of(labels.begin(), labels.end(),
                            [](QLabel* l) { return l->text() == "Ready"; }));
        // F1 opens the manual only from a project window; Ctrl+N works from the keyboard.
        QVERIFY(w.Frame().Action(Cmd::kManual)->shortcut().isEmpty());
        QVERIFY(Activate(w.Frame()));
        QTest::keyClick(&w.Frame(), Qt::Key_N, Qt::ControlModifier);
        QCOMPARE(w.Documents().size(), std::size_t(1));
        w.Frame().UpdateCommandUi();
        QCOMPARE(w.Frame().Action(Cmd::kManual)->shortcut(), QKeySequence(Qt::Key_F1));
        // Ctrl+W closes nothing.
        w.Frame().ActiveProjectFrame()->widget()->setFocus();
        QTest::keyClick(w.Frame().ActiveProjectFrame()->widget(), Qt::Key_W, Qt::ControlModifier);
        QTest::keyClick(&w.Frame(), Qt::Key_W, Qt::ControlModifier);
        QTest::qWait(20);
        QCOMPARE(w.Frame().MdiArea()->subWindowList().size(), 1);
        // View's commands hide and show the bars.
        w.Frame().Action(Cmd::kToolBar)->trigger();
        w.Frame().Action(Cmd::kStatusBar)->trigger();
        w.Frame().UpdateCommandUi();
        QVERIFY(bar->isHidden() && w.Frame().statusBar()->isHidden());
        QVERIFY(!w.Frame().Action(Cmd::kToolBar)->isChecked() &&
                !w.Frame().Action(Cmd::kStatusBar)->isChecked());
    }

    void ProjectCommandsNeedAProjectWindow() {
        World w;
        CApp& app = w.Started();
        CMainFrame& frame = w.Frame();
        const auto enabled = [&](std::initializer_list<int> ids) {
            frame.UpdateCommandUi();
            QString states;
            for (int id : ids)
                states += frame.Action(id)->isEnabled() ? u'1' : u'0';
            return states;
        };
        const auto projectIds = {57602, 57603, 57604, 32864, 32865,
                                 57642, 32863, 57150, 57151, 57152};
        QCOMPARE(enabled(projectIds), QStringLiteral("0000000000"));
        QCOMPARE(enabled({57600, 57601, 32858, 57664, 57665, 57088}), QStringLiteral("111110"));
        app.OnFileNew();
        QCOMPARE(enabled(projectIds), QStringLiteral("1111111111"));
        // Delete follows the selection of the project window.
        QCOMPARE(enabled({57088}), QStringLiteral("0"));
        w.Open("Selected.prj");
        QVERIFY(Activate(frame));
        CParameterListCtrl* patches = frame.ActiveView()->List(Corv::kPatchKind);
        patches->setFocus();
        patches->selectRow(0);
        QTRY_VERIFY(frame.Action(Cmd::kDelete)->isEnabled());
        patches->clearSelection();
        QTRY_VERIFY(!frame.Action(Cmd::kDelete)->isEnabled());
        // Maximize Height and Width need a window that is neither minimized nor maximized.
        frame.ActiveProjectFrame()->showMaximized();
        QCOMPARE(enabled({57150, 57151}), QStringLiteral("00"));
    }

    void UndoFollowsTheStore() {
        World w;
        CApp& app = w.Started();
        app.OnFileNew();
        CFileDoc* document = w.Documents().front();
        const auto undoEnabled = [&] {
            w.Frame().UpdateCommandUi();
            return w.Frame().Action(Cmd::kUndo)->isEnabled();
        };
        QVERIFY(!undoEnabled());
        Corv::CDomain::Get().RecordUndo(Corv::kPatchKind, document->Data());
        QVERIFY(undoEnabled());
        Corv::CDomain::Get().ClearUndo();
        QVERIFY(!undoEnabled());
        Corv::CDomain::Get().RecordUndo(Corv::kPatchKind, document->Data());
        app.Documents().CloseDocument(*document); // closing the owner discards its step
        QVERIFY(!undoEnabled());
    }

    void UndoMarksOwnersModifiedAndKeepsTopRows() {
        World w;
        CApp& app = w.Started();
        CFileDoc* a = w.Open("UndoA.prj");
        CFileDoc* b = w.Open("UndoB.prj");
        CFileDoc* c = w.Open("UndoC.prj");
        CFileView* viewA = app.Documents().FrameOf(*a)->View();
        viewA->SetTopRows({100, 200, 300});
        const std::array<int, 3> rows = viewA->TopRows();
        QVERIFY(rows[0] > 0);
        Corv::CDomain::Get().RecordUndo(Corv::kPatchKind, a->Data());
        Corv::CDomain::Get().RecordUndo(Corv::kToneKind, b->Data());
        a->Data().Patches().Item(0).SetName("Changed");
        QSignalSpy updatedC(c, &CFileDoc::ViewsUpdateRequested);
        w.Frame().UpdateCommandUi();
        w.Frame().Action(Cmd::kUndo)->trigger();
        QCOMPARE(a->Data().Patches().Item(0).Name(), std::string("Lead"));
        QVERIFY(a->IsModified() && b->IsModified() && !c->IsModified());
        QCOMPARE(updatedC.size(), 0);
        QCOMPARE(viewA->TopRows(), rows);
        QVERIFY(app.Documents().FrameOf(*a)->windowTitle().endsWith(u'*'));
        app.OnEditUndo(); // undoing again redoes
        QCOMPARE(a->Data().Patches().Item(0).Name(), std::string("Changed"));
    }

    void DropsOpenAFolderOrImportFiles() {
        World w;
        w.Started();
        const QString wave = w.data.filePath("Kick.wav");
        CorvTest::WriteBytes(wave.toStdString(), CorvTest::Bytes(100, 1));
        w.Frame().HandleDrop({QUrl::fromLocalFile(wave)}); // no project: ignored
        QVERIFY(w.Documents().empty() && w.sink->Calls().empty());
        w.Frame().HandleDrop({QUrl::fromLocalFile(w.Project("Dropped.prj"))});
        QCOMPARE(w.Documents().size(), std::size_t(1));
        CFileDoc* target = w.Documents().front();
        const auto usedWaves = [&] {
            int used = 0;
            for (std::size_t i = 0; i < target->Data().Waves().Size(); ++i)
                used += target->Data().Waves().Item(i).IsEmpty() ? 0 : 1;
            return used;
        };
        QCOMPARE(usedWaves(), 1);
        // A folder among files is ignored; the files are imported into the active project.
        w.Frame().HandleDrop(
            {QUrl::fromLocalFile(w.Project("Other.prj")), QUrl::fromLocalFile(wave)});
        QCOMPARE(w.Documents().size(), std::size_t(1));
        QCOMPARE(usedWaves(), 2);
        QVERIFY(target->IsModified());
        // A folder that is no project is reported like any failed load.
        QDir(w.data.path()).mkpath("Plain");
        w.Frame().HandleDrop({QUrl::fromLocalFile(w.data.filePath("Plain"))});
        QCOMPARE(w.sink->Errors(), std::vector<int>{Corv::kMsgLoadFailed});
        QCOMPARE(w.Documents().size(), std::size_t(1));
    }

    void CtrlGPopsUpTheWindowList() {
        World w;
        CApp& app = w.Started();
        app.OnFileNew();
        app.OnFileNew();
        QVERIFY(Activate(w.Frame()));
        QTest::keyClick(&w.Frame(), Qt::Key_G, Qt::ControlModifier);
        QTRY_VERIFY(w.Frame().WindowListMenu()->isVisible());
        const QList<QAction*> entries = w.Frame().WindowListMenu()->actions();
        QCOMPARE(entries.size(), 2);
        QVERIFY(!entries[0]->isChecked() && entries[1]->isChecked()); // Untitled2 is active
        entries[0]->trigger();
        w.Frame().WindowListMenu()->hide();
        QCOMPARE(w.Frame().ActiveProjectFrame()->Document().Title(), QStringLiteral("Untitled1"));
    }

    void WindowCommandsActOnActiveChild() {
        World w;
        CApp& app = w.Started();
        app.OnFileNew();
        CFileFrame* child = w.Frame().ActiveProjectFrame();
        QCOMPARE(child->minimumSize(), QSize(720, 160));
        child->setGeometry(20, 30, 730, 200);
        w.Frame().UpdateCommandUi();
        w.Frame().Action(Cmd::kMaximizeWidth)->trigger();
        const int width = std::max(w.Frame().MdiArea()->viewport()->width(), CFileFrame::kMinWidth);
        QCOMPARE(child->geometry(), QRect(0, 30, width, 200));
        w.Frame().Action(Cmd::kSavePosition)->trigger();
        QCOMPARE(QSettings().value("Window/Position4107").toString(),
                 QStringLiteral("0,30,%1,200").arg(width));
        // The next project window takes that placement, moved off the first one's corner.
        app.OnFileNew();
        QCOMPARE(w.Frame().ActiveProjectFrame()->geometry(), QRect(10, 40, width, 200));
    }
};

QTEST_MAIN(MainFrameTest)
#include "main_frame_test.moc"
