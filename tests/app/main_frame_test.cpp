// The main frame with its project documents: New, opening (also under another spelling), the
// close question, Save As, titles, the remembered folder, recent files; menus, keys and bars,
// the commands' enabling, Undo, the window commands, and drops from the desktop.
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

    QStringList Titles() {
        QStringList titles;
        for (CFileDoc* document : Documents())
            titles << document->Title();
        return titles;
    }

private slots:
    void init() {
        Reset();
        Started();
    }

    void MenuBarsFollowTheProjectWindows() {
        QCOMPARE(Frame().menuBar()->actions().size(), 2); // File, Help
        Open("Menus.prj");
        QCOMPARE(Frame().menuBar()->actions().size(), 7); // File, Edit, View, Project, Setup, Window, Help
        QMenu* file = Frame().Menus()[0];
        emit file->aboutToShow();
        const QString recent = "&1 " + QDir::toNativeSeparators(data.filePath("Menus.prj"));
        const QList<QAction*> actions = file->actions(); // one list: begin and end of the same
        QVERIFY(std::any_of(actions.begin(), actions.end(), [&](const QAction* a) {
            return a->isVisible() && a->text() == recent;
        }));
        QVERIFY(Frame().Menus()[5]->actions().front()->menu() == Frame().WindowListMenu());
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
        CorvTest::WriteBytes(wave.toStdString(), CorvTest::AudioFileBytes(".wav", 100, 1));
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
        child->setGeometry(20, 30, 730, 200);
        Frame().UpdateCommandUi();
        Frame().Action(Cmd::kMaximizeWidth)->trigger();
        const int width = std::max(Frame().MdiArea()->viewport()->width(), CFileFrame::kMinWidth);
        QCOMPARE(child->geometry(), QRect(0, 30, width, 200));
        Frame().Action(Cmd::kSavePosition)->trigger();
        QCOMPARE(QSettings().value("Window/Position4107").toString(),
                 QStringLiteral("0,30,%1,200").arg(width));
        // The next project window takes that placement, moved off the first one's corner; as
        // a step right would leave the client area, it starts again at the top.
        app->OnFileNew();
        QCOMPARE(Frame().ActiveProjectFrame()->geometry(), QRect(0, 0, width, 200));
    }

    void NewTwiceCountsAndOpenDoesNot() {
        app->OnFileNew();
        QVERIFY(Open("Between.prj") != nullptr);
        app->OnFileNew();
        QCOMPARE(Titles(), (QStringList{"Untitled1", "Between.prj", "Untitled2"}));
        QVERIFY(!Documents().back()->IsModified() &&
                Documents().back()->Data().ProjectFolder().empty());
        QCOMPARE(Counts(), QStringLiteral("3 3 3"));
    }

    void OpeningAnOpenFolderActivatesIt_data() {
        QTest::addColumn<QString>("spelling");
        QTest::addColumn<bool>("same");
        QTest::newRow("same") << "%1/Twice.prj" << true;
        QTest::newRow("trailing slash") << "%1/Twice.prj/" << true;
        QTest::newRow("backslashes") << "%1\\Twice.prj\\" << true;
        QTest::newRow("doubled backslashes") << "%1\\\\Twice.prj" << true;
        QTest::newRow("other letter case") << "%1/TWICE.prj" << false;
        QTest::newRow("dot and dot-dot") << "%1/./Sub/../Twice.prj" << true;
        QTest::newRow("link to the folder") << "%1/Link.prj" << true;
        QTest::newRow("through a linked parent") << "%1/Up/Sub/../Twice.prj/" << true;
    }

    void OpeningAnOpenFolderActivatesIt() {
        QFETCH(QString, spelling);
        QFETCH(bool, same);
        CFileDoc* first = Open("Twice.prj");
        Project("TWICE.prj"); // a folder of its own on this file system
        QVERIFY(QDir(data.path()).mkpath("Sub"));
        QVERIFY(QFile::link(data.filePath("Twice.prj"), data.filePath("Link.prj")));
        QVERIFY(QFile::link(data.path(), data.filePath("Up")));
        app->OnFileNew(); // another window becomes active
        const QString base = data.path();
        CFileDoc* again = Docs().OpenDocumentFile(
            spelling.arg(spelling.contains(u'\\') ? QString(base).replace(u'/', u'\\') : base));
        QCOMPARE(again == first, same);
        QCOMPARE(Documents().size(), same ? std::size_t(2) : std::size_t(3));
        QCOMPARE(&Frame().ActiveProjectFrame()->Document(), again);
        QVERIFY(sink->Calls().empty());
    }

    void FailedLoadLeavesNothingBehind() {
        QDir(data.path()).mkpath("Broken.prj"); // no Patch/ and Tone/ folders
        QVERIFY(Docs().OpenDocumentFile(data.filePath("Broken.prj")) == nullptr);
        QCOMPARE(sink->Errors(), std::vector<int>{Corv::kMsgLoadFailed});
        QCOMPARE(Counts(), QStringLiteral("0 0 0"));
        QVERIFY(!QSettings().contains("OpenFolder/FolderName"));
    }

    void OpenThroughChooserRemembersFolder() {
        app->OnFileOpen(); // cancelled
        const QString folder = Project("Chosen.prj");
        chooser.m_answers << folder;
        app->OnFileOpen();
        QCOMPARE(Titles(), QStringList{"Chosen.prj"});
        QCOMPARE(QSettings().value("OpenFolder/FolderName").toString(), folder + u'\\');
        app->OnFileOpen(); // the next chooser starts there
        QCOMPARE(chooser.m_calls, (QStringList{"open ", "open ", "open " + folder + u'\\'}));
        QVERIFY(sink->Calls().empty());
    }

    void ClosingAsksOnlyForAModifiedProject_data() {
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("closed");
        QTest::newRow("unmodified") << -1 << true;
        QTest::newRow("No discards") << int(Corv::kAnswerNo) << true;
        QTest::newRow("Cancel keeps it open") << int(Corv::kAnswerCancel) << false;
        QTest::newRow("Yes saves in place") << int(Corv::kAnswerYes) << true;
    }

    void ClosingAsksOnlyForAModifiedProject() {
        QFETCH(int, answer);
        QFETCH(bool, closed);
        CFileDoc* document = Open("Asked.prj");
        const QString folder = data.filePath("Asked.prj");
        if (answer >= 0) {
            document->Data().Patches().Item(0).SetName("Renamed");
            document->SetModifiedFlag(true);
            saveAnswers = {answer};
        }
        QCOMPARE(Docs().CloseDocument(*document), closed);
        QCOMPARE(saveQuestions,
                 answer < 0 ? QStringList() : QStringList{"Save changes to " + folder + "?"});
        QCOMPARE(Counts(), closed ? QStringLiteral("0 0 0") : QStringLiteral("1 1 1"));
        QVERIFY(closed || document->IsModified());
        QCOMPARE(QFile::exists(folder + "/Patch/001 Renamed.d00"), answer == Corv::kAnswerYes);
    }

    void ClosingTheWindowOrTheProgramAsksToo() {
        for (int i = 0; i < 3; ++i)
            app->OnFileNew();
        Documents()[0]->SetModifiedFlag(true);
        Documents()[2]->SetModifiedFlag(true);
        saveAnswers = {Corv::kAnswerCancel};
        QVERIFY(!Docs().FrameOf(*Documents()[0])->close());
        saveAnswers = {Corv::kAnswerNo, Corv::kAnswerCancel};
        QVERIFY(!Frame().close());
        QCOMPARE(Documents().size(), std::size_t(3));
        saveAnswers = {Corv::kAnswerNo, Corv::kAnswerNo};
        QVERIFY(Frame().close());
        QCOMPARE(Counts(), QStringLiteral("0 0 0"));
        QCOMPARE(saveQuestions,
                 (QStringList{"Save changes to Untitled1?", "Save changes to Untitled1?",
                              "Save changes to Untitled3?", "Save changes to Untitled1?",
                              "Save changes to Untitled3?"}));
        QCOMPARE(QSettings().value("Window/Maximized").toInt(), 0);
    }

    void ClosingHandsSharedFilesOver() {
        CFileDoc* a = Open("Giver.prj");
        CFileDoc* b = Open("Taker.prj");
        // B holds a copy of A's tone that still names A's file, as a drag leaves it.
        b->Data().Tones().PlaceClone(4, a->Data().Tones()[0]);
        QVERIFY(Docs().CloseDocument(*a));
        const QString handed = QString::fromStdString(b->Data().Tones()[4].FilePath());
        QVERIFY(handed.startsWith(app->WorkFolder()) && QFile::exists(handed));
        app->ExitInstance(); // a work file: leaving the program removes it
        QVERIFY(!QFile::exists(handed));
    }

    void SaveAsTakesTheChosenFolder() {
        app->OnFileNew();
        CFileDoc* fresh = Documents().front();
        fresh->SetModifiedFlag(true);
        QVERIFY(!Docs().Save(*fresh)); // a new project asks; cancelled, nothing changes
        QVERIFY(fresh->IsModified());
        QCOMPARE(chooser.m_calls, QStringList{"save "});
        const QString target = data.filePath("Fresh.prj");
        QDir().mkpath(target);
        chooser.m_answers << target;
        QVERIFY(Docs().Save(*fresh));
        QVERIFY(!fresh->IsModified() && QFileInfo(target + "/Patch").isDir());
        QCOMPARE(fresh->Title(), QStringLiteral("Fresh.prj"));
        QCOMPARE(QSettings().value("OpenFolder/FolderName").toString(), target + u'\\');
        // Another new project starts beside the remembered one, never on it.
        app->OnFileNew();
        QVERIFY(!Docs().SaveAs(*Documents().back()));
        QCOMPARE(chooser.m_calls.back(), "save " + data.path());
        // Save As of an opened project starts on its own folder, leaves that folder, and later
        // saves go to the new one.
        CFileDoc* document = Open("Origin.prj");
        chooser.m_answers << data.filePath("Copy.prj");
        QVERIFY(Docs().SaveAs(*document));
        QCOMPARE(chooser.m_calls.back(), "save " + data.filePath("Origin.prj"));
        QCOMPARE(document->Title(), QStringLiteral("Copy.prj"));
        QVERIFY(QFile::exists(data.filePath("Copy.prj/Patch/001 Lead.d00")) &&
                QFile::exists(data.filePath("Origin.prj/Patch/001 Lead.d00")));
        document->SetModifiedFlag(true);
        QVERIFY(Docs().Save(*document));
        QCOMPARE(chooser.m_calls.size(), 4); // the last Save asks nothing
    }

    void TitlesFollowModifiedFlag() {
        CFileDoc* document = Open("Titled.prj");
        CFileFrame* frame = Docs().FrameOf(*document);
        const QString main = "Corvane Librarian - " + data.filePath("Titled.prj/");
        QCOMPARE(frame->windowTitle() + Frame().windowTitle(), "Titled.prj " + main + " ");
        document->SetModifiedFlag(true);
        QCOMPARE(frame->windowTitle() + Frame().windowTitle(), "Titled.prj *" + main + " *");
        document->Core().SetModifiedFlag(false); // as a save does
        QCOMPARE(frame->windowTitle(), QStringLiteral("Titled.prj "));
        Docs().CloseAllDocuments();
        Frame().UpdateTitle();
        QCOMPARE(Frame().windowTitle(), QStringLiteral("Corvane Librarian"));
    }

    void RecentFilesListTheNewestFirst() {
        QStringList folders;
        for (int i = 0; i < 10; ++i) {
            folders << data.filePath(QStringLiteral("Recent%1.prj").arg(i));
            QVERIFY(Docs().CloseDocument(*Open(QStringLiteral("Recent%1.prj").arg(i))));
        }
        QVERIFY(Docs().OpenDocumentFile(folders[5] + "/") != nullptr); // another spelling
        QCOMPARE(Docs().RecentFiles().Entries(),
                 (QStringList{folders[5] + "/", folders[9], folders[8], folders[7], folders[6],
                              folders[4], folders[3], folders[2]}));
        QCOMPARE(QSettings().value("Recent File List/File1").toString(), folders[5] + "/");
        // So is the folder through a link, or with "." and ".." in its path.
        QVERIFY(QFile::link(data.path(), data.filePath("Up")));
        const QString linked = data.filePath("Up/./Recent9.prj/../Recent7.prj");
        Docs().RecentFile(linked.toStdString());
        QCOMPARE(Docs().RecentFiles().Entries(),
                 (QStringList{linked, folders[5] + "/", folders[9], folders[8], folders[6],
                              folders[4], folders[3], folders[2]}));
        QVERIFY(!QSettings().contains("Recent File List/File9"));
        // An entry that no longer opens is dropped.
        QVERIFY(QDir(folders[9]).removeRecursively());
        app->OnOpenRecent(2);
        QCOMPARE(sink->Errors(), std::vector<int>{Corv::kMsgLoadFailed});
        QVERIFY(!Docs().RecentFiles().Entries().contains(folders[9]));
    }
};

QTEST_MAIN(MainFrameTest)
#include "main_frame_test.moc"
