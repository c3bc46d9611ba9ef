// The main frame: the two menu bars, prompts, keys (Ctrl+G for the window list) and bars, the
// commands' enabling, Undo, the window commands, and files and folders dropped from the desktop.
#include "app_fixture.h"
#include "ui/file_view.h"
#include "ui/parameter_list.h"

#include <QMenu>
#include <QMenuBar>
#include <QSignalSpy>
#include <QStatusBar>
#include <QToolBar>

class MainFrameTest : public QObject, public AppTest::World {
    Q_OBJECT

    // Brings the main window to the front so that keys reach it.
    bool Activate() {
        Frame().UpdateCommandUi();
        Frame().activateWindow();
        return QTest::qWaitForWindowActive(&Frame());
    }
    // "1" or "0" for each command: enabled or not.
    QString Enabled(std::initializer_list<int> ids) {
        Frame().UpdateCommandUi();
        QString states;
        for (int id : ids)
            states += Frame().Action(id)->isEnabled() ? u'1' : u'0';
        return states;
    }

private slots:
    void init() {
        Reset();
        Started();
    }

    void MenuBarsFollowTheProjectWindows() {
        QCOMPARE(Frame().menuBar()->actions().size(), 2); // File, Help
        Open("Menus.prj");
        QCOMPARE(Frame().menuBar()->actions().size(), 6);
        QMenu* file = Frame().Menus()[0];
        emit file->aboutToShow();
        const QString recent = "&1 " + QDir::toNativeSeparators(data.filePath("Menus.prj"));
        QVERIFY(std::any_of(file->actions().begin(), file->actions().end(), [&](const QAction* a) {
            return a->isVisible() && a->text() == recent;
        }));
        QVERIFY(Frame().Menus()[4]->actions().front()->menu() == Frame().WindowListMenu());
        // The prompt before "\n" goes to the status line, the part after it to the tooltip.
        const QAction* open = Frame().Action(Cmd::kOpen);
        QCOMPARE(open->statusTip() + "|" + open->toolTip(), QStringLiteral("Open project|Open"));
        Docs().CloseAllDocuments();
        QTRY_COMPARE(Frame().menuBar()->actions().size(), 2);
    }

    void KeysAndBars() {
        for (const QAction* action : Frame().ToolBar()->actions())
            QVERIFY(action->isSeparator() || !action->icon().isNull());
        // F1 opens the manual only from a project window; Ctrl+N works from the keyboard.
        QVERIFY(Frame().Action(Cmd::kManual)->shortcut().isEmpty());
        QVERIFY(Activate());
        QTest::keyClick(&Frame(), Qt::Key_N, Qt::ControlModifier);
        QCOMPARE(Documents().size(), std::size_t(1));
        Frame().UpdateCommandUi();
        QCOMPARE(Frame().Action(Cmd::kManual)->shortcut(), QKeySequence(Qt::Key_F1));
        // Ctrl+W closes nothing.
        QWidget* child = Frame().ActiveProjectFrame()->widget();
        child->setFocus();
        QTest::keyClick(child, Qt::Key_W, Qt::ControlModifier);
        QTest::keyClick(&Frame(), Qt::Key_W, Qt::ControlModifier);
        QTest::qWait(20);
        QCOMPARE(Frame().MdiArea()->subWindowList().size(), 1);
        // Ctrl+G pops up the window list.
        QTest::keyClick(&Frame(), Qt::Key_G, Qt::ControlModifier);
        QTRY_VERIFY(Frame().WindowListMenu()->isVisible());
        Frame().WindowListMenu()->hide();
        // View's commands hide the bars and uncheck themselves.
        Frame().Action(Cmd::kToolBar)->trigger();
        Frame().Action(Cmd::kStatusBar)->trigger();
        Frame().UpdateCommandUi();
        QVERIFY(Frame().ToolBar()->isHidden() && Frame().statusBar()->isHidden());
        QVERIFY(!Frame().Action(Cmd::kToolBar)->isChecked() &&
                !Frame().Action(Cmd::kStatusBar)->isChecked());
    }

    void ProjectCommandsNeedAProjectWindow() {
        // Close, Save, Save As, Clean, Import, Select All, Grid, the three window commands.
        const auto project = {57602, 57603, 57604, 32864, 32865, 57642, 32863, 57150, 57151, 57152};
        QCOMPARE(Enabled(project), QStringLiteral("0000000000"));
        QCOMPARE(Enabled({Cmd::kNew, Cmd::kOpen, Cmd::kManual, Cmd::kAbout, Cmd::kExit}),
                 QStringLiteral("11111"));
        app->OnFileNew();
        QCOMPARE(Enabled(project), QStringLiteral("1111111111"));
        // Delete follows the selection of the project window.
        QCOMPARE(Enabled({Cmd::kDelete}), QStringLiteral("0"));
        Open("Selected.prj");
        QVERIFY(Activate());
        CParameterListCtrl* patches = Frame().ActiveView()->List(Corv::kPatchKind);
        patches->setFocus();
        patches->selectRow(0);
        QTRY_VERIFY(Frame().Action(Cmd::kDelete)->isEnabled());
        patches->clearSelection();
        QTRY_VERIFY(!Frame().Action(Cmd::kDelete)->isEnabled());
        // Maximize Height and Width need a window that is neither minimized nor maximized.
        Frame().ActiveProjectFrame()->showMaximized();
        QCOMPARE(Enabled({Cmd::kMaximizeHeight, Cmd::kMaximizeWidth}), QStringLiteral("00"));
    }

    void UndoFollowsTheStoreAndKeepsTheOwnersTopRows() {
        CFileDoc* a = Open("UndoA.prj");
        CFileDoc* b = Open("UndoB.prj");
        CFileDoc* c = Open("UndoC.prj");
        QCOMPARE(Enabled({Cmd::kUndo}), QStringLiteral("0"));
        CFileView* viewA = Docs().FrameOf(*a)->View();
        viewA->SetTopRows({100, 200, 300});
        const std::array<int, 3> rows = viewA->TopRows();
        QVERIFY(rows[0] > 0);
        Corv::CDomain::Get().RecordUndo(Corv::kPatchKind, a->Data());
        Corv::CDomain::Get().RecordUndo(Corv::kToneKind, b->Data());
        a->Data().Patches().Item(0).SetName("Changed");
        QSignalSpy updatedC(c, &CFileDoc::ViewsUpdateRequested);
        QCOMPARE(Enabled({Cmd::kUndo}), QStringLiteral("1"));
        Frame().Action(Cmd::kUndo)->trigger();
        QCOMPARE(a->Data().Patches().Item(0).Name(), std::string("Lead"));
        QVERIFY(a->IsModified() && b->IsModified() && !c->IsModified());
        QCOMPARE(updatedC.size(), 0);
        QCOMPARE(viewA->TopRows(), rows);
        QVERIFY(Docs().FrameOf(*a)->windowTitle().endsWith(u'*'));
        app->OnEditUndo(); // undoing again redoes
        QCOMPARE(a->Data().Patches().Item(0).Name(), std::string("Changed"));
        Corv::CDomain::Get().ClearUndo();
        QCOMPARE(Enabled({Cmd::kUndo}), QStringLiteral("0"));
        Corv::CDomain::Get().RecordUndo(Corv::kPatchKind, c->Data());
        Docs().CloseDocument(*c); // closing the owner discards its step
        QCOMPARE(Enabled({Cmd::kUndo}), QStringLiteral("0"));
    }

    void DropsOpenAFolderOrImportFiles() {
        const QString wave = data.filePath("Kick.wav");
        CorvTest::WriteBytes(wave.toStdString(), CorvTest::Bytes(100, 1));
        Frame().HandleDrop({QUrl::fromLocalFile(wave)}); // no project: ignored
        QVERIFY(Documents().empty() && sink->Calls().empty());
        Frame().HandleDrop({QUrl::fromLocalFile(Project("Dropped.prj"))});
        QCOMPARE(Documents().size(), std::size_t(1));
        const Corv::CParameterArray& waves = Documents().front()->Data().Waves();
        const auto used = [&waves] {
            int count = 0;
            for (std::size_t i = 0; i < waves.Size(); ++i)
                count += waves.Item(i).IsEmpty() ? 0 : 1;
            return count;
        };
        QCOMPARE(used(), 1);
        // A folder among files is ignored; the files are imported into the active project.
        Frame().HandleDrop({QUrl::fromLocalFile(Project("Other.prj")), QUrl::fromLocalFile(wave)});
        QCOMPARE(Documents().size(), std::size_t(1));
        QCOMPARE(used(), 2);
        QVERIFY(Documents().front()->IsModified());
        // A folder that is no project is reported like any failed load.
        QDir(data.path()).mkpath("Plain");
        Frame().HandleDrop({QUrl::fromLocalFile(data.filePath("Plain"))});
        QCOMPARE(sink->Errors(), std::vector<int>{Corv::kMsgLoadFailed});
        QCOMPARE(Documents().size(), std::size_t(1));
    }

    void WindowCommandsActOnActiveChild() {
        app->OnFileNew();
        CFileFrame* child = Frame().ActiveProjectFrame();
        QCOMPARE(child->minimumSize(), QSize(720, 160));
        child->setGeometry(20, 30, 730, 200);
        Frame().UpdateCommandUi();
        Frame().Action(Cmd::kMaximizeWidth)->trigger();
        const int width = std::max(Frame().MdiArea()->viewport()->width(), CFileFrame::kMinWidth);
        QCOMPARE(child->geometry(), QRect(0, 30, width, 200));
        Frame().Action(Cmd::kSavePosition)->trigger();
        QCOMPARE(QSettings().value("Window/Position4107").toString(),
                 QStringLiteral("0,30,%1,200").arg(width));
        // The next project window takes that placement, moved off the first one's corner.
        app->OnFileNew();
        QCOMPARE(Frame().ActiveProjectFrame()->geometry(), QRect(10, 40, width, 200));
    }
};

QTEST_MAIN(MainFrameTest)
#include "main_frame_test.moc"
