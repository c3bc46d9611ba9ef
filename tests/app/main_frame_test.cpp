// The main frame with its project documents: menus, keys and bars, the commands' enabling, Undo,
// drops from the desktop; New, opening (also under another spelling), the close question, Save
// As, titles, recent files; the window commands and where project windows go; the check window.
#include "app_fixture.h"
#include "gp/anchor_layout.h"
#include "ui/check_window.h"

#include <QGuiApplication>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QSet>
#include <QSignalSpy>
#include <QStatusBar>
#include <QToolBar>
#include <filesystem>

class MainFrameTest : public QObject, public AppTest::World {
    Q_OBJECT

    // "1" or "0" for each command: enabled or not.
    QString Enabled(std::initializer_list<int> ids) {
        Frame().UpdateCommandUi();
        QString states;
        for (int id : ids)
            states += Frame().Action(id)->isEnabled() ? u'1' : u'0';
        return states;
    }
    QStringList Titles() {
        QStringList titles;
        for (CFileDoc* document : Documents())
            titles << document->Title();
        return titles;
    }
    // Every project window placed inside the client area, each with its own corner.
    void ExpectInsideWithOwnCorners(int corners) {
        const QRect area = Frame().MdiArea()->viewport()->rect();
        QSet<std::pair<int, int>> seen;
        for (QMdiSubWindow* child : Frame().MdiArea()->subWindowList()) {
            QVERIFY2(area.contains(child->geometry()), qPrintable(child->windowTitle()));
            seen.insert({child->x(), child->y()});
        }
        QCOMPARE(seen.size(), corners);
    }
    void OpenProjects(int count) {
        Frame().resize(1200, 860);
        QVERIFY(QTest::qWaitForWindowExposed(&Frame()));
        for (int i = 0; i < count; ++i)
            QVERIFY(Open(QStringLiteral("P%1.prj").arg(i)) != nullptr);
    }
    // Patch 200 plays tone 700, which is empty; tone 1's wave file is gone.
    QString Broken(const QString& name) {
        CorvTest::ProjectBuilder p(data.filePath(name).toStdString());
        p.Patch(1, "Lead", 1).Patch(200, "Far", 700).Tone(1, "Pad", {1}).Wave(1, "Sine", 64);
        std::filesystem::remove(p.SlotPath(Corv::kWaveKind, 1, "Sine", ".w00"));
        return data.filePath(name);
    }

private slots:
    void init() {
        Reset();
        Started();
    }

    void MenusFollowTheProjectWindows() {
        QCOMPARE(Frame().menuBar()->actions().size(), 2); // File, Help
        Open("Menus.prj");
        QCOMPARE(Frame().menuBar()->actions().size(), 7);
        QMenu* file = Frame().Menus()[0];
        emit file->aboutToShow();
        const QString recent = "&1 " + QDir::toNativeSeparators(data.filePath("Menus.prj"));
        const QList<QAction*> actions = file->actions();
        QVERIFY(std::any_of(actions.begin(), actions.end(), [&](const QAction* a) {
            return a->isVisible() && a->text() == recent;
        }));
        // The prompt before "\n" goes to the status line, the part after it to the tooltip.
        const QAction* open = Frame().Action(Cmd::kOpen);
        QCOMPARE(open->statusTip() + "|" + open->toolTip(), QStringLiteral("Open project|Open"));
        Docs().CloseAllDocuments();
        QTRY_COMPARE(Frame().menuBar()->actions().size(), 2);
    }

    void KeysAndBars() {
        // F1 opens the manual only from a project window; Ctrl+N works from the keyboard.
        QVERIFY(Frame().Action(Cmd::kManual)->shortcut().isEmpty());
        QVERIFY(Activate());
        QTest::keyClick(&Frame(), Qt::Key_N, Qt::ControlModifier);
        QCOMPARE(Documents().size(), std::size_t(1));
        Frame().UpdateCommandUi();
        QCOMPARE(Frame().Action(Cmd::kManual)->shortcut(), QKeySequence(Qt::Key_F1));
        // Ctrl+W closes nothing; Ctrl+G pops up the window list.
        QTest::keyClick(Frame().ActiveProjectFrame()->widget(), Qt::Key_W, Qt::ControlModifier);
        QTest::keyClick(&Frame(), Qt::Key_W, Qt::ControlModifier);
        QCOMPARE(Frame().MdiArea()->subWindowList().size(), 1);
        QTest::keyClick(&Frame(), Qt::Key_G, Qt::ControlModifier);
        QTRY_VERIFY(Frame().WindowListMenu()->isVisible());
        Frame().WindowListMenu()->hide();
        // View's commands hide the bars and uncheck themselves.
        Frame().Action(Cmd::kToolBar)->trigger();
        Frame().Action(Cmd::kStatusBar)->trigger();
        Frame().UpdateCommandUi();
        QVERIFY(Frame().ToolBar()->isHidden() && Frame().statusBar()->isHidden());
        QVERIFY(!Frame().Action(Cmd::kToolBar)->isChecked());
    }

    void ProjectCommandsNeedAProjectWindow() {
        const std::initializer_list<int> project = {
            Cmd::kClose,        Cmd::kSave,          Cmd::kSaveAs,
            Cmd::kImportWave,   Cmd::kSelectAll,     Cmd::kSetUpGrid,
            Cmd::kCleanProject, Cmd::kMaximizeWidth, Cmd::kSavePosition};
        QCOMPARE(Enabled(project), QStringLiteral("000000000"));
        QCOMPARE(Enabled({Cmd::kNew, Cmd::kOpen, Cmd::kAbout, Cmd::kExit}), QStringLiteral("1111"));
        app->OnFileNew();
        QCOMPARE(Enabled(project), QStringLiteral("111111111"));
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

    // Undo swaps back every project of the step, and only those, and keeps their top rows.
    void UndoFollowsTheStore() {
        CFileDoc* a = Open("UndoA.prj");
        CFileDoc* b = Open("UndoB.prj");
        CFileDoc* c = Open("UndoC.prj");
        QCOMPARE(Enabled({Cmd::kUndo}), QStringLiteral("0"));
        CFileView* viewA = Docs().FrameOf(*a)->View();
        viewA->SetTopRows({100, 200, 300});
        const std::array<int, 3> rows = viewA->TopRows();
        Corv::CDomain::Get().RecordUndo(Corv::kPatchKind, a->Data());
        Corv::CDomain::Get().RecordUndo(Corv::kToneKind, b->Data());
        a->Data().Patches().Item(0).SetName("Changed");
        QSignalSpy updatedC(c, &CFileDoc::ViewsUpdateRequested);
        QCOMPARE(Enabled({Cmd::kUndo}), QStringLiteral("1"));
        Frame().Action(Cmd::kUndo)->trigger();
        QCOMPARE(a->Data().Patches().Item(0).Name(), std::string("Lead"));
        QVERIFY(a->IsModified() && b->IsModified() && !c->IsModified() && updatedC.isEmpty());
        QCOMPARE(viewA->TopRows(), rows);
        QVERIFY(Docs().FrameOf(*a)->windowTitle().endsWith(u'*'));
        Corv::CDomain::Get().RecordUndo(Corv::kPatchKind, c->Data());
        Docs().CloseDocument(*c); // closing the owner discards its step
        QCOMPARE(Enabled({Cmd::kUndo}), QStringLiteral("0"));
    }

    void DropsOpenAFolderOrImportFiles() {
        const QString wave = data.filePath("Kick.wav");
        CorvTest::WriteBytes(wave.toStdString(), CorvTest::AudioFileBytes(".wav", 100, 1));
        Frame().HandleDrop({QUrl::fromLocalFile(wave)}); // no project: ignored
        QVERIFY(Documents().empty() && sink->Calls().empty());
        Frame().HandleDrop({QUrl::fromLocalFile(Project("Dropped.prj"))});
        QCOMPARE(Titles(), QStringList{"Dropped.prj"});
        // A folder among files is ignored; the files are imported into the active project.
        Frame().HandleDrop({QUrl::fromLocalFile(Project("Other.prj")), QUrl::fromLocalFile(wave)});
        QCOMPARE(Titles(), QStringList{"Dropped.prj"});
        QVERIFY(!Documents().front()->Data().Waves()[1].IsEmpty());
        // A folder that is no project is reported like any failed load, and leaves nothing open.
        QDir(data.path()).mkpath("Plain.prj");
        Frame().HandleDrop({QUrl::fromLocalFile(data.filePath("Plain.prj"))});
        QCOMPARE(sink->Errors(), std::vector<int>{Corv::kMsgLoadFailed});
        QCOMPARE(Counts(), QStringLiteral("1 1 1"));
    }

    void OpenNewAndTitles() {
        app->OnFileOpen(); // cancelled
        chooser.m_answers << Project("Chosen.prj");
        app->OnFileOpen();
        app->OnFileNew();
        app->OnFileOpen(); // the next chooser starts in the remembered folder
        app->OnFileNew();
        QCOMPARE(Titles(), (QStringList{"Chosen.prj", "Untitled1", "Untitled2"}));
        QCOMPARE(Counts(), QStringLiteral("3 3 3"));
        const QString folder = data.filePath("Chosen.prj");
        QCOMPARE(chooser.m_calls, (QStringList{"open ", "open ", "open " + folder + u'\\'}));
        // The titles mark a modified project.
        CFileDoc* document = Documents().front();
        Frame().MdiArea()->setActiveSubWindow(Docs().FrameOf(*document));
        document->SetModifiedFlag(true);
        const QString main = "Corvane Librarian - " + folder + "/";
        QCOMPARE(Docs().FrameOf(*document)->windowTitle() + Frame().windowTitle(),
                 "Chosen.prj *" + main + " *");
        document->Core().SetModifiedFlag(false); // as a save does
        QCOMPARE(Docs().FrameOf(*document)->windowTitle(), QStringLiteral("Chosen.prj "));
    }

    // Another spelling of an open folder activates its window; another folder opens.
    void OpeningAnOpenFolderActivatesIt() {
        CFileDoc* first = Open("Twice.prj");
        Project("TWICE.prj"); // a folder of its own on this file system
        QVERIFY(QFile::link(data.path(), data.filePath("Up")));
        const QString base = data.path();
        for (const auto& [spelling, same] : {std::pair{"%1/Twice.prj/", true},
                                             {"%1/Up/./Twice.prj/../Twice.prj", true},
                                             {"%1/TWICE.prj", false}}) {
            app->OnFileNew(); // another window becomes active
            CFileDoc* again = Docs().OpenDocumentFile(QString(spelling).arg(base));
            QCOMPARE(again == first, same);
            QCOMPARE(&Frame().ActiveProjectFrame()->Document(), again);
        }
        QCOMPARE(Counts(), QStringLiteral("5 5 5"));
        QVERIFY(sink->Calls().empty());
    }

    // The close question comes only for a modified project: Yes saves, No discards, Cancel keeps.
    void ClosingAsksOnlyForAModifiedProject() {
        for (const int answer :
             {-1, int(Corv::kAnswerNo), int(Corv::kAnswerCancel), int(Corv::kAnswerYes)}) {
            saveQuestions.clear();
            CFileDoc* document = Open("Asked.prj");
            const QString folder = data.filePath("Asked.prj");
            if (answer >= 0) {
                document->Data().Patches().Item(0).SetName("Renamed");
                document->SetModifiedFlag(true);
                saveAnswers = {answer};
            }
            const bool closed = answer != Corv::kAnswerCancel;
            QCOMPARE(Docs().CloseDocument(*document), closed);
            QCOMPARE(saveQuestions.size(), answer < 0 ? 0 : 1);
            QCOMPARE(Counts(), closed ? QStringLiteral("0 0 0") : QStringLiteral("1 1 1"));
            QCOMPARE(QFile::exists(folder + "/Patch/001 Renamed.d00"), answer == Corv::kAnswerYes);
            Docs().CloseAllDocuments();
            QDir(folder).removeRecursively();
        }
        // Closing the program asks for each modified project; Cancel stops it all.
        saveQuestions.clear();
        for (int i = 0; i < 3; ++i)
            app->OnFileNew();
        Documents()[0]->SetModifiedFlag(true);
        Documents()[2]->SetModifiedFlag(true);
        saveAnswers = {Corv::kAnswerNo, Corv::kAnswerCancel};
        QVERIFY(!Frame().close());
        QCOMPARE(Documents().size(), std::size_t(3));
        saveAnswers = {Corv::kAnswerNo, Corv::kAnswerNo};
        QVERIFY(Frame().close());
        QCOMPARE(Counts(), QStringLiteral("0 0 0"));
        const QStringList asked{"Save changes to Untitled1?", "Save changes to Untitled3?"};
        QCOMPARE(saveQuestions, asked + asked);
    }

    void SaveAsTakesTheChosenFolder() {
        app->OnFileNew();
        CFileDoc* fresh = Documents().front();
        fresh->SetModifiedFlag(true);
        QVERIFY(!Docs().Save(*fresh)); // a new project asks; cancelled, nothing changes
        QVERIFY(fresh->IsModified());
        const QString target = data.filePath("Fresh.prj");
        QDir().mkpath(target);
        chooser.m_answers << target;
        QVERIFY(Docs().Save(*fresh));
        QVERIFY(!fresh->IsModified() && QFileInfo(target + "/Patch").isDir());
        QCOMPARE(fresh->Title(), QStringLiteral("Fresh.prj"));
        // Another new project starts beside the remembered one, never on it.
        app->OnFileNew();
        QVERIFY(!Docs().SaveAs(*Documents().back()));
        QCOMPARE(chooser.m_calls.back(), "save " + data.path());
        // Save As of an opened project starts on its own folder and leaves that folder; later
        // saves go to the new one without asking.
        CFileDoc* document = Open("Origin.prj");
        chooser.m_answers << data.filePath("Copy.prj");
        QVERIFY(Docs().SaveAs(*document));
        QCOMPARE(chooser.m_calls.back(), "save " + data.filePath("Origin.prj"));
        QCOMPARE(document->Title(), QStringLiteral("Copy.prj"));
        QVERIFY(QFile::exists(data.filePath("Copy.prj/Patch/001 Lead.d00")) &&
                QFile::exists(data.filePath("Origin.prj/Patch/001 Lead.d00")));
        document->SetModifiedFlag(true);
        QVERIFY(Docs().Save(*document));
        QCOMPARE(chooser.m_calls.size(), 4);
    }

    void RecentFilesListTheNewestFirst() {
        QStringList folders;
        for (int i = 0; i < 10; ++i) {
            folders.prepend(data.filePath(QStringLiteral("Recent%1.prj").arg(i)));
            QVERIFY(Docs().CloseDocument(*Open(QStringLiteral("Recent%1.prj").arg(i))));
        }
        // Another spelling of a listed folder moves it to the top; eight entries are kept.
        QVERIFY(Docs().OpenDocumentFile(folders[4] + "/") != nullptr);
        QCOMPARE(Docs().RecentFiles().Entries(),
                 (QStringList{folders[4] + "/"} + folders.mid(0, 4) + folders.mid(5, 3)));
        QCOMPARE(QSettings().value("Recent File List/File1").toString(), folders[4] + "/");
        QVERIFY(!QSettings().contains("Recent File List/File9"));
        // An entry that no longer opens is dropped.
        QVERIFY(QDir(folders[0]).removeRecursively());
        app->OnOpenRecent(1);
        QCOMPARE(sink->Errors(), std::vector<int>{Corv::kMsgLoadFailed});
        QVERIFY(!Docs().RecentFiles().Entries().contains(folders[0]));
    }

    void FirstStartFillsMostOfTheScreen() {
        const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
        const QRect placed(Frame().pos(), Frame().size());
        QVERIFY(screen.contains(placed));
        QVERIFY(placed.width() >= screen.width() * 8 / 10 &&
                placed.height() >= screen.height() * 8 / 10);
    }

    // New project windows open inside the client area, each with its own corner, whether the
    // platform places them or a stored placement does (even one larger than the area).
    void ProjectWindowsOpenInside() {
        for (const QString stored : {"", "4000,3000,800,400", "200,100,3000,2000"}) {
            Reset();
            if (!stored.isEmpty())
                QSettings().setValue("Window/Position4107", stored);
            Started();
            OpenProjects(6);
            ExpectInsideWithOwnCorners(stored.startsWith("200") ? 1 : 6); // full size: one place
        }
    }

    // Maximize Width and Save Position act on the active window; the next one takes the place.
    void WindowCommandsActOnActiveChild() {
        app->OnFileNew();
        CFileFrame* child = Frame().ActiveProjectFrame();
        child->setGeometry(20, 30, 730, 200);
        Frame().UpdateCommandUi();
        Frame().Action(Cmd::kMaximizeWidth)->trigger();
        const int width = std::max(Frame().MdiArea()->viewport()->width(), CFileFrame::kMinWidth);
        QCOMPARE(child->geometry(), QRect(0, 30, width, 200));
        Frame().Action(Cmd::kSavePosition)->trigger();
        QCOMPARE(QSettings().value("Window/Position4107").toString(),
                 QStringLiteral("0,30,%1,200").arg(width));
        // Moved off the first one's corner; as a step right would leave the area, at the top.
        app->OnFileNew();
        QCOMPARE(Frame().ActiveProjectFrame()->geometry(), QRect(0, 0, width, 200));
    }

    // After Cascade every list of every project window shows at least twelve rows.
    void CascadeKeepsTwelveRows() {
        OpenProjects(20);
        Frame().MdiArea()->subWindowList().front()->showMaximized();
        QMdiSubWindow* active = Frame().MdiArea()->activeSubWindow();
        Frame().Action(Cmd::kCascade)->trigger();
        QCOMPARE(Frame().MdiArea()->subWindowList(QMdiArea::StackingOrder).back(), active);
        ExpectInsideWithOwnCorners(20);
        for (CFileDoc* document : Documents())
            for (int kind = 0; kind < 3; ++kind) {
                const CParameterListCtrl* list = Docs().FrameOf(*document)->View()->List(kind);
                QVERIFY(list->viewport()->height() >= CMainFrame::kUsableRows * list->rowHeight(0));
            }
    }

    // A double click on a project window's background fits it to its form; on a list, nothing.
    void BackgroundDoubleClickFitsTheWindow() {
        OpenProjects(1);
        CFileFrame* frame = Frame().ActiveProjectFrame();
        frame->resize(1000, 600);
        CFileView* view = frame->View();
        QTest::mouseDClick(view->List(0)->viewport(), Qt::LeftButton, {}, QPoint(5, 5));
        QCOMPARE(frame->size(), QSize(1000, 600));
        const QSize expected = (frame->size() + GP::TemplateSizeOf(*view) - view->size())
                                   .expandedTo(frame->minimumSize());
        QTest::mouseDClick(view, Qt::LeftButton, {}, QPoint(1, view->height() / 2));
        QCOMPARE(frame->size(), expected);
    }

    // Opening a project with problems says so once in the status bar; F7 shows them, and the
    // window follows the active project.
    void CheckWindowListsTheActiveProjectsProblems() {
        CFileDoc* broken = Docs().OpenDocumentFile(Broken("Song.prj"));
        QCOMPARE(Frame().statusBar()->currentMessage(),
                 QStringLiteral("Song.prj: 2 problems found \u2014 Project > Check lists them"));
        Frame().statusBar()->clearMessage();
        CFileDoc* sound = Open("Sound.prj");
        QCOMPARE(Docs().OpenDocumentFile(data.filePath("Song.prj")), broken);
        QCOMPARE(Frame().statusBar()->currentMessage(), QString());
        Frame().MdiArea()->setActiveSubWindow(Docs().FrameOf(*sound));
        QVERIFY(Activate());
        CParameterListCtrl* list = Frame().ActiveView()->List(Corv::kToneKind);
        list->setFocus();
        QTest::keyClick(list, Qt::Key_F7);
        CCheckWindow* window = Frame().CheckWindow();
        QVERIFY(window != nullptr && window->isVisible() && !window->isModal());
        QCOMPARE(window->Summary(), QStringLiteral("No problems found."));
        Frame().MdiArea()->setActiveSubWindow(Docs().FrameOf(*broken));
        QStringList lines;
        for (int i = 0; i < window->Lines()->count(); ++i)
            lines << window->Lines()->item(i)->text();
        QCOMPARE(lines, (QStringList{"dangling patch 200 U -> tone 700 (empty slot)",
                                     "dangling tone 1 osc 0 side 0 -> wave 1 (empty slot)"}));
    }

    // Enter on a line selects its entry alone, in view, in its window, which becomes active.
    void CheckLineSelectsItsEntry() {
        CFileDoc* broken = Docs().OpenDocumentFile(Broken("Song.prj"));
        QVERIFY(Open("Other.prj") != nullptr);
        Frame().ShowCheckWindow();
        CCheckWindow* window = Frame().CheckWindow();
        Frame().MdiArea()->setActiveSubWindow(Docs().FrameOf(*broken));
        window->Lines()->setCurrentRow(0);
        QTest::keyClick(window->Lines(), Qt::Key_Return);
        CFileView* view = Docs().FrameOf(*broken)->View();
        CParameterListCtrl* patches = view->List(Corv::kPatchKind);
        QCOMPARE(std::tuple(patches->SelectedRows(), patches->FocusedRow()),
                 std::tuple(std::vector<int>{199}, 199));
        QVERIFY(patches->viewport()->rect().intersects(
            patches->visualRect(patches->model()->index(199, 0))));
        QCOMPARE(Frame().ActiveView(), view);
        QVERIFY(window->ActivateLine(1)); // tone 1's line
        QCOMPARE(view->ActiveList(), view->List(Corv::kToneKind));
        // A line beyond the list, or of a project that was closed, selects nothing.
        QVERIFY(!window->ActivateLine(2));
        Docs().CloseAllDocuments();
        QVERIFY(!window->ActivateLine(0));
    }
};

QTEST_MAIN(MainFrameTest)
#include "main_frame_test.moc"
