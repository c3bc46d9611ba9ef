// The application (start, settings, hand-over, its own dialogs) and its main window: commands,
// drops, New, Open, closing, Save As, titles, recent files, window placement, the check window.
#include "app_fixture.h"
#include "ui/check_window.h"
#include "ui/desktop.h"
#include "ui/drag_state.h"
#include "ui/find_bar.h"
#include "ui/font_setup.h"
#include "ui/message_box_sink.h"
#include "ui/progress_dialog.h"
#include "ui/question_box.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QSet>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <filesystem>

using namespace CorvDesktop;

namespace {

void Touch(const QString& path) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
}

std::vector<std::uint32_t> Options() {
    const CProjectOptions& o = CDesktop::Get().Options();
    return {o.m_gridSw, o.m_cleanOptions[0], o.m_cleanOptions[1], o.m_cleanOptions[2],
            o.m_cleanOptions[3]};
}

// Presses a key in the next modal window that comes up (a question asked with exec()).
void PressInNextModal(Qt::Key key) {
    auto* timer = new QTimer;
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, timer, [timer, key] {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            timer->deleteLater();
            timer->stop();
            QTest::keyClick(modal, key);
        }
    });
    timer->start();
}

} // namespace

class ApplicationTest : public QObject, public AppTest::World {
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
    // Opens projects in a fixed-size main window: all inside the client area, at `corners` places.
    void OpenInside(int count, int corners) {
        Frame().resize(1200, 860);
        QVERIFY(QTest::qWaitForWindowExposed(&Frame()));
        for (int i = 0; i < count; ++i)
            QVERIFY(Open(QStringLiteral("P%1.prj").arg(i)) != nullptr);
        if (corners == 0)
            Frame().Action(Cmd::kCascade)->trigger();
        const QRect area = Frame().MdiArea()->viewport()->rect();
        QSet<std::pair<int, int>> seen;
        for (QMdiSubWindow* child : Frame().MdiArea()->subWindowList()) {
            QVERIFY2(area.contains(child->geometry()), qPrintable(child->windowTitle()));
            seen.insert({child->x(), child->y()});
        }
        QCOMPARE(seen.size(), corners == 0 ? count : corners);
    }

    // Opens a project where "b" is found in three patches, a tone and a wave (wave 2 is not).
    bool OpenFindProject(const char* name) {
        const QString folder = data.filePath(QString::fromUtf8(name));
        CorvTest::ProjectBuilder(folder.toStdString())
            .Patch(1, "Bass", 1)
            .Patch(2, "Brass", 1)
            .Patch(3, "Bell", 1)
            .Tone(1, "Bob", {1})
            .Wave(1, "Bird", 64)
            .Wave(2, "Sine", 64);
        return Docs().OpenDocumentFile(folder) != nullptr;
    }

private slots:
    void init() {
        Reset();
        QVERIFY(Start());
    }

    // The Manual command looks in "Manual" beside the program (a build tree), else in the
    // documentation folder of an installation around it (PREFIX/bin -> PREFIX/share/doc/...).
    void ManualIsFoundBesideTheProgramOrInstalled() {
        const QString beside = "bin/Manual", installed = "share/doc/corvane-librarian";
        // The folders that hold a manual, and the one found (with none: the place beside).
        for (const auto& [holding, found] : {std::pair{QStringList{beside}, beside},
                                             {QStringList{installed}, installed},
                                             {QStringList{beside, installed}, beside},
                                             {QStringList{}, beside}}) {
            QTemporaryDir prefix;
            const QDir root(prefix.path());
            QVERIFY(root.mkpath(beside) && root.mkpath(installed));
            for (const QString& folder : holding)
                QVERIFY(QFile(root.filePath(folder + "/CorvaneLibrarianManualE.html"))
                            .open(QIODevice::WriteOnly));
            QCOMPARE(ManualFolderFor(root.filePath("bin")), root.filePath(found));
        }
    }

    void StartMakesTheWorkFolderAndInstallsSinks() {
        Reset();
        const QString base = data.filePath("fresh/user/data"); // not there yet
        app = std::make_unique<CApp>(Environment(base));
        QVERIFY(app->InitInstance({}));
        const QString work = QDir(base).absoluteFilePath("Brisko/Corvane Librarian/CorvWork/");
        QVERIFY(app->WorkFolder() == work && QFileInfo(work).isDir());
        // Leaving empties only the work files of the work folder, and removes the sinks.
        for (const char* name : {"001 A.d00", "Kick.wav", "notes.txt", "002 T.p00", "Take.VPW"})
            Touch(QDir(work).filePath(name));
        app->ExitInstance();
        QCOMPARE(QDir(work).entryList(QDir::Files), QStringList{"notes.txt"});
        // A level that is a file cannot become a folder: start-up ends without a message.
        Reset();
        Touch(data.filePath("Brisko"));
        QVERIFY(!Start() && !app->ExitWork());
        QVERIFY(sink->Calls().empty());
    }

    void SettingsReadAtStartAndWrittenAtExit() {
        CProjectOptions& options = CDesktop::Get().Options();
        options.m_gridSw = options.m_cleanOptions[0] = options.m_cleanOptions[2] = 1;
        CDesktop::Get().ListFont().Set(QFont(QStringLiteral("DejaVu Sans Mono")),
                                       QColor(200, 0, 50));
        app->ExitInstance();
        QCOMPARE(QSettings().value("Option/FontColor").toInt(), 200 | (50 << 16));
        CDesktop::Get().Options() = {};
        CDesktop::Get().ListFont().Set(QFont(), Qt::black);
        QVERIFY(Start());
        QCOMPARE(Options(), (std::vector<std::uint32_t>{1, 1, 0, 1, 0}));
        QCOMPARE(CDesktop::Get().ListFont().Font().family(), QStringLiteral("DejaVu Sans Mono"));
    }

    // A relative path is read from the starting folder and stored whole; a missing one fails.
    void CommandLineOpensAProject() {
        Reset();
        QVERIFY(!Start({data.filePath("Missing.prj")}) && !app->ExitWork());
        QCOMPARE(sink->Errors(), std::vector<int>{Corv::kMsgLoadFailed});
        Reset();
        const QString folder = Project("My \"Best\", Live.prj");
        const QString previous = QDir::currentPath();
        QDir::setCurrent(data.path());
        const bool started = Start({"My \"Best\", Live.prj"});
        QDir::setCurrent(previous);
        QVERIFY(started);
        QCOMPARE(Docs().RecentFiles().Entries(), QStringList{folder});
    }

    // A second start makes no work folder; the first opens the project and comes forward.
    void SecondStartHandsItsProjectOverAndExits() {
        Frame().showMinimized();
        QTemporaryDir secondData;
        {
            CApp second(Environment(secondData.path()));
            QVERIFY(!second.InitInstance({Project("Handed.prj")}));
            QVERIFY(second.ExitWork() && second.MainFrame() == nullptr);
            second.ExitInstance();
        }
        QVERIFY(QDir(secondData.path()).isEmpty());
        QTRY_COMPARE(Documents().size(), std::size_t(1));
        QCOMPARE(Documents().front()->Title(), QStringLiteral("Handed.prj"));
        QVERIFY(!Frame().isMinimized());
    }

    // While a modal window is up, a hand-over only raises the window.
    void HandOverWhileBusyOnlyRaises() {
        const QString folder = Project("Busy.prj");
        QDialog modal(app->MainFrame());
        modal.setWindowModality(Qt::ApplicationModal);
        modal.show();
        QTRY_VERIFY(QApplication::activeModalWidget() == &modal);
        app->OnHandedOver({folder});
        modal.hide();
        QTRY_VERIFY(QApplication::activeModalWidget() == nullptr);
        QVERIFY(Documents().empty());
        app->OnHandedOver({folder});
        QCOMPARE(Documents().size(), std::size_t(1));
    }

    void MessageBoxes() {
        std::unique_ptr<QMessageBox> box(CMessageBoxSink::CreateBox(nullptr, true, 3, 7));
        QCOMPARE(box->windowTitle() + ": " + box->text(),
                 "Corvane Librarian: Project already exists. Do you want to replace it?");
        QCOMPARE(box->standardButtons(), QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        // Every way of closing a question other than its buttons counts as Cancel.
        QCOMPARE(CMessageBoxSink::AnswerFor(QMessageBox::NoButton), int(Corv::kAnswerCancel));
        // A load that fails says why under the message, which stays as it was.
        box.reset(CMessageBoxSink::CreateErrorBox(nullptr, Corv::kMsgLoadFailed, "X.d00: bad"));
        QCOMPARE(box->text() + "|" + box->informativeText(),
                 QStringLiteral("This project could not be loaded.|X.d00: bad"));
    }

    // Enter answers a question of the program's own with its default button, Escape with its
    // escape button, whatever order the platform shows the buttons in.
    void QuestionsTakeEnterAndEscape() {
        CQuestion question;
        question.text = QStringLiteral("Which one?");
        question.buttons = {{QStringLiteral("First"), QMessageBox::AcceptRole},
                            {QStringLiteral("Second"), QMessageBox::RejectRole},
                            {QStringLiteral("Third"), QMessageBox::ActionRole}};
        question.defaultButton = 2;
        question.escapeButton = 1;
        for (const auto& [key, answer] : {std::pair{Qt::Key_Return, 2}, {Qt::Key_Escape, 1}}) {
            PressInNextModal(key);
            QCOMPARE(CQuestionBox::Ask(&Frame(), question), answer);
        }
    }

    // Only the outermost operation shows, the main window disabled; Cancel counts where allowed.
    void ProgressShowsTheOutermostOperationOnly() {
        QMainWindow main;
        main.show();
        CProgressBar progress(&main);
        progress.SetShowDelay(0);
        progress.Begin(100, "Outer", false);
        progress.SetPosition(40);
        progress.Begin(10, "Inner", true);
        progress.SetPosition(9);
        progress.CancelButton()->click();
        QVERIFY(progress.Bar()->value() == 40 && !main.isEnabled() && !progress.IsCancelled());
        progress.End();
        progress.End();
        QVERIFY(progress.Window() == nullptr && main.isEnabled());
        progress.Begin(10, "Operation", true);
        progress.CancelButton()->click();
        QVERIFY(progress.IsCancelled() && progress.Window()->isVisible());
        progress.End();
        // Short work shows no window; long work shows one, with the count done.
        progress.SetShowDelay(200);
        progress.Begin(240, "Saving Live.prj: writing 240 files", false);
        progress.SetPosition(1);
        QVERIFY(progress.Window() == nullptr && !main.isEnabled());
        QTest::qWait(250);
        progress.SetPosition(12);
        QVERIFY(progress.Window() != nullptr && progress.Window()->isVisible());
        QCOMPARE(progress.CountLabel()->text(), QStringLiteral("12 of 240"));
        QCOMPARE(progress.Bar()->value(), 12);
        progress.End();
        QVERIFY(progress.Window() == nullptr && main.isEnabled());
    }

    void MenusKeysAndBars() {
        QCOMPARE(Frame().menuBar()->actions().size(), 3); // File, Window (Library), Help
        QVERIFY(Frame().Action(Cmd::kManual)->shortcut().isEmpty());
        QVERIFY(Activate());
        QTest::keyClick(&Frame(), Qt::Key_N, Qt::ControlModifier);
        QCOMPARE(Frame().menuBar()->actions().size(), 7);
        // F1 (manual) needs a project window; Ctrl+G: the window list; Ctrl+W closes the
        // project window (an unchanged one without a question).
        Frame().UpdateCommandUi();
        QCOMPARE(Frame().Action(Cmd::kManual)->shortcut(), QKeySequence(Qt::Key_F1));
        QTest::keyClick(&Frame(), Qt::Key_G, Qt::ControlModifier);
        QTRY_VERIFY(Frame().WindowListMenu()->isVisible());
        Frame().WindowListMenu()->hide();
        Frame().Action(Cmd::kToolBar)->trigger();
        QVERIFY(Frame().ToolBar()->isHidden());
        Frame().UpdateCommandUi();
        QTest::keyClick(&Frame(), Qt::Key_W, Qt::ControlModifier);
        QTRY_COMPARE(Documents().size(), std::size_t(0));
        QTRY_COMPARE(Frame().menuBar()->actions().size(), 3);
    }

    void ProjectCommandsNeedAProjectWindow() {
        const std::initializer_list<int> project = {
            Cmd::kClose,     Cmd::kSave,      Cmd::kSaveAs,       Cmd::kImportWave,
            Cmd::kSelectAll, Cmd::kSetUpGrid, Cmd::kCleanProject, Cmd::kMaximizeWidth};
        QCOMPARE(Enabled(project) + Enabled({Cmd::kNew, Cmd::kOpen}), "0000000011");
        Open("Selected.prj");
        QCOMPARE(Enabled(project) + Enabled({Cmd::kDelete}), "111111110");
        // Delete follows the selection of the project window.
        QVERIFY(Activate());
        CParameterListCtrl* patches = Frame().ActiveView()->List(Corv::kPatchKind);
        patches->setFocus();
        patches->selectRow(0);
        QTRY_VERIFY(Frame().Action(Cmd::kDelete)->isEnabled());
        // Maximize Width needs a window that is neither minimized nor maximized.
        Frame().ActiveProjectFrame()->showMaximized();
        QCOMPARE(Enabled({Cmd::kMaximizeWidth}), QStringLiteral("0"));
    }

    // Undo swaps back every project of the step, and only those.
    void UndoFollowsTheStore() {
        CFileDoc* a = Open("UndoA.prj");
        CFileDoc* b = Open("UndoB.prj");
        QCOMPARE(Enabled({Cmd::kUndo}), QStringLiteral("0"));
        CorvTest::FreshStore::UndoStep().Record(Corv::KindSet::Of(Corv::kPatchKind), a->Data());
        a->Data().Patches().Item(0).SetName("Changed");
        QCOMPARE(Enabled({Cmd::kUndo, Cmd::kRedo}), QStringLiteral("10"));
        Frame().Action(Cmd::kUndo)->trigger();
        QCOMPARE(a->Data().Patches().Item(0).Name(), std::string("Lead"));
        QVERIFY(a->IsModified() && !b->IsModified());
        // Redo (Ctrl+Y, Ctrl+Shift+Z) is the same step undone again, offered right after Undo.
        QCOMPARE(Enabled({Cmd::kUndo, Cmd::kRedo}), QStringLiteral("11"));
        Frame().Action(Cmd::kRedo)->trigger();
        QCOMPARE(a->Data().Patches().Item(0).Name(), std::string("Changed"));
        QCOMPARE(Enabled({Cmd::kUndo, Cmd::kRedo}), QStringLiteral("10"));
        Frame().Action(Cmd::kUndo)->trigger();
        // A wave deleted and undone: the wave total comes back, the lists stay where they were.
        CFileView* view = Docs().FrameOf(*a)->View();
        QVERIFY(Activate());
        view->List(Corv::kWaveKind)->setFocus();
        view->List(Corv::kWaveKind)->SelectRows({0});
        view->List(Corv::kPatchKind)->SetTopRow(100);
        Frame().Action(Cmd::kDelete)->trigger();
        QCOMPARE(view->StatusText(), QStringLiteral("0 Bytes"));
        Frame().Action(Cmd::kUndo)->trigger();
        QCOMPARE(std::pair(view->StatusText(), view->List(Corv::kPatchKind)->TopRow()),
                 std::pair(QStringLiteral("64 Bytes"), 100));
        CorvTest::FreshStore::UndoStep().Record(Corv::KindSet::Of(Corv::kPatchKind), b->Data());
        Docs().CloseDocument(*b); // closing the owner discards its step
        QCOMPARE(Enabled({Cmd::kUndo}), QStringLiteral("0"));
    }

    // The Menu key opens the lists' context menu at the focused row, with the list commands.
    void TheMenuKeyOpensTheListMenu() {
        CFileDoc* a = Open("Menu.prj");
        QVERIFY(Activate());
        CParameterListCtrl* patches = Docs().FrameOf(*a)->View()->List(Corv::kPatchKind);
        patches->setFocus();
        patches->SelectRows({0});
        QStringList texts;
        QString enabled;
        QTimer::singleShot(0, this, [&] {
            QMenu* menu = Frame().OpenListMenu();
            for (QAction* action : menu != nullptr ? menu->actions() : QList<QAction*>())
                if (!action->isSeparator()) {
                    texts << action->text().section(u'\t', 0, 0).remove(u'&');
                    enabled += action->isEnabled() ? u'1' : u'0';
                }
            if (menu != nullptr)
                menu->close();
        });
        QContextMenuEvent key(QContextMenuEvent::Keyboard, QPoint(0, 0),
                              patches->mapToGlobal(QPoint(0, 0)));
        QCoreApplication::sendEvent(patches->viewport(), &key);
        QCOMPARE(texts.join(", "), "Rename, Edit Memos..., Delete, Cut, Copy, Paste, Paste "
                                   "Inserting, Find..., Show Users, Check Project");
        // Nothing taken to paste yet; a patch has no users to show.
        QCOMPARE(enabled, QStringLiteral("1111100101"));
    }

    // The status bar says what each action did: an edit, its Undo and Redo, and the save.
    void StatusBarSaysWhatWasDone() {
        CFileDoc* a = Open("Said.prj");
        CFileView* view = Docs().FrameOf(*a)->View();
        QVERIFY(Activate());
        CParameterListCtrl* patches = view->List(Corv::kPatchKind);
        patches->setFocus();
        patches->SelectRows({0});
        QVERIFY(patches->SetCellValue({0}, 1, "Brass"));
        const auto said = [this] { return Frame().statusBar()->currentMessage(); };
        QCOMPARE(said(), QStringLiteral("Renamed patch 1 to \u201cBrass\u201d"));
        Frame().UpdateCommandUi();
        Frame().Action(Cmd::kUndo)->trigger();
        QCOMPARE(said(), QStringLiteral("Undone: rename of patch 1"));
        Frame().UpdateCommandUi();
        Frame().Action(Cmd::kRedo)->trigger();
        QCOMPARE(said(), QStringLiteral("Redone: rename of patch 1"));
        QVERIFY(Docs().Save(*a));
        // The name lives in the file's name: the save only renames the file.
        QVERIFY2(said().startsWith("Saved Said.prj: 1 renamed ("), qPrintable(said()));
        QVERIFY(Docs().Save(*a));
        QVERIFY2(said().startsWith("Saved Said.prj: nothing to write ("), qPrintable(said()));
    }

    // While a drag is over a list that takes it, the status bar says what a drop would do; the
    // text goes when the drag ends.
    void StatusBarShowsTheDropPreview() {
        CFileDoc* a = Open("DragA.prj");
        CFileDoc* b = Open("DragB.prj");
        CParameterListCtrl* source = Docs().FrameOf(*a)->View()->List(Corv::kPatchKind);
        CParameterListCtrl* target = Docs().FrameOf(*b)->View()->List(Corv::kPatchKind);
        source->SelectRows({0});
        const std::unique_ptr<QMimeData> mime = source->BeginDrag(0);
        QVERIFY(mime != nullptr);
        const QPoint at = target->visualRect(target->model()->index(4, 1)).center();
        const Qt::DropActions actions = Qt::CopyAction | Qt::MoveAction;
        QDragEnterEvent enter(at, actions, mime.get(), Qt::LeftButton, {});
        QCoreApplication::sendEvent(target->viewport(), &enter);
        QDragMoveEvent move(at, actions, mime.get(), Qt::LeftButton, {});
        QCoreApplication::sendEvent(target->viewport(), &move);
        const QString shown = Frame().statusBar()->currentMessage();
        CDesktop::Get().Drag().End();
        QVERIFY2(shown.startsWith("copy 1 patch to DragB.prj row 5 (overwrite)"),
                 qPrintable(shown));
        QCOMPARE(Frame().statusBar()->currentMessage(), QString());
    }

    // Edit > Find Next and Find Previous (F3, Shift+F3) step through the hits, saying where.
    void FindNextAndPrevious() {
        QVERIFY(OpenFindProject("Find.prj"));
        Frame().UpdateCommandUi();
        Frame().FindBar()->SetSearch(QStringLiteral("b"), CFindBar::kActiveProject,
                                     Corv::KindSet::All());
        QStringList said;
        for (const int id : {Cmd::kFindNext, Cmd::kFindNext, Cmd::kFindPrevious}) {
            Frame().Action(id)->trigger();
            said << Frame().statusBar()->currentMessage();
        }
        QCOMPARE(said.join(", "), QStringLiteral("hit 1 of 5, hit 2 of 5, hit 1 of 5"));
        QCOMPARE(Frame().ActiveView()->List(Corv::kPatchKind)->SelectedRows(), std::vector<int>{0});
    }

    // F3 after Escape goes on from the last hit, not from the list focused before the bar
    // opened, and a hit leaves no selection behind in the list it came from.
    void FindGoesOnFromTheLastHitAfterEscape() {
        QVERIFY(OpenFindProject("Hits.prj"));
        CFileView* view = Frame().ActiveView();
        QVERIFY(view != nullptr);
        view->List(Corv::kWaveKind)->SelectRows({1});
        view->List(Corv::kWaveKind)->SetFocusedRow(1);
        view->List(Corv::kWaveKind)->setFocus();
        CFindBar* bar = Frame().FindBar();
        bar->Open();
        auto* text = bar->findChild<QLineEdit*>();
        QTest::keyClicks(text, QStringLiteral("b"));
        QStringList said;
        for (int n = 0; n < 3; ++n) {
            QTest::keyClick(text, Qt::Key_Return);
            said << bar->LastMessage();
        }
        QTest::keyClick(text, Qt::Key_Escape);
        // As a window system may do, the focus goes back where it was before the bar opened.
        view->List(Corv::kWaveKind)->setFocus();
        Frame().Action(Cmd::kFindNext)->trigger();
        said << bar->LastMessage();
        QCOMPARE(said.join(", "), QStringLiteral("hit 1 of 5, hit 2 of 5, hit 3 of 5, hit 4 of 5"));
        QCOMPARE(std::tuple(view->List(Corv::kPatchKind)->SelectedRows(),
                            view->List(Corv::kToneKind)->SelectedRows(),
                            view->List(Corv::kWaveKind)->SelectedRows()),
                 std::tuple(std::vector<int>{}, std::vector<int>{0}, std::vector<int>{}));
    }

    void DropsOpenAFolderOrImportFiles() {
        const QString wave = data.filePath("Kick.wav");
        CorvTest::WriteBytes(wave.toStdString(), CorvTest::AudioFileBytes(".wav", 100, 1));
        Frame().HandleDrop({QUrl::fromLocalFile(wave)}); // no project: ignored
        Frame().HandleDrop({QUrl::fromLocalFile(Project("Dropped.prj"))});
        // A folder among files is ignored; the files are imported into the active project.
        Frame().HandleDrop({QUrl::fromLocalFile(Project("Other.prj")), QUrl::fromLocalFile(wave)});
        QCOMPARE(Titles(), QStringList{"Dropped.prj"});
        QVERIFY(!Documents().front()->Data().Waves()[1].IsEmpty());
    }

    // Open remembers its folder, New counts titles, a respelled open folder activates its window.
    void OpenNewAndTitles() {
        chooser.m_answers << Project("Chosen.prj");
        app->OnFileOpen();
        app->OnFileNew();
        app->OnFileOpen(); // cancelled; it starts in the remembered folder
        app->OnFileNew();
        QCOMPARE(Titles(), (QStringList{"Chosen.prj", "Untitled1", "Untitled2"}));
        const QString folder = data.filePath("Chosen.prj");
        QCOMPARE(chooser.m_calls, (QStringList{"open ", "open " + folder + u'\\'}));
        CFileDoc* document = Docs().OpenDocumentFile(data.path() + "/./Chosen.prj/");
        QCOMPARE(&Frame().ActiveProjectFrame()->Document(), document);
        QCOMPARE(Counts(), QStringLiteral("3 3 3"));
        document->SetModifiedFlag(true);
        QCOMPARE(Docs().FrameOf(*document)->windowTitle() + Frame().windowTitle(),
                 "Chosen.prj *Corvane Librarian - " + folder + "/ *");
    }

    // The close question comes only for a modified project: Yes saves, No discards, Cancel keeps.
    void ClosingAsksOnlyForAModifiedProject() {
        for (const int answer : {-1, int(Corv::kAnswerCancel), int(Corv::kAnswerYes)}) {
            saveQuestions.clear();
            CFileDoc* document = Open(QStringLiteral("Asked%1.prj").arg(answer));
            if (answer >= 0) {
                document->Data().Patches().Item(0).SetName("Renamed");
                document->SetModifiedFlag(true);
                saveAnswers = {answer};
            }
            QCOMPARE(Docs().CloseDocument(*document), answer != Corv::kAnswerCancel);
            QCOMPARE(saveQuestions.size(), answer < 0 ? 0 : 1);
            QCOMPARE(QFile::exists(data.filePath(QStringLiteral("Asked%1.prj").arg(answer)) +
                                   "/Patch/001 Renamed.d00"),
                     answer == Corv::kAnswerYes);
        }
        QCOMPARE(Counts(), QStringLiteral("1 1 1")); // the one cancelled
        // Closing the program asks for each modified project; Cancel stops it all.
        saveAnswers = {Corv::kAnswerCancel};
        QVERIFY(!Frame().close());
        saveAnswers = {Corv::kAnswerNo};
        QVERIFY(Frame().close());
        QCOMPARE(Counts(), QStringLiteral("0 0 0"));
    }

    void SaveAsTakesTheChosenFolder() {
        app->OnFileNew();
        CFileDoc* fresh = Documents().front();
        QVERIFY(!Docs().Save(*fresh)); // a new project asks; cancelled
        const QString target = data.filePath("Fresh.prj");
        chooser.m_answers << target;
        QVERIFY(Docs().Save(*fresh));
        QVERIFY(QFileInfo(target + "/Patch").isDir() && fresh->Title() == "Fresh.prj");
        // Another new project starts beside the remembered one, never on it.
        app->OnFileNew();
        QVERIFY(!Docs().SaveAs(*Documents().back()));
        QCOMPARE(chooser.m_calls.back(), "save " + data.path());
        // Save As of an opened project starts on its own folder and leaves it as it was.
        CFileDoc* document = Open("Origin.prj");
        chooser.m_answers << data.filePath("Copy.prj");
        QVERIFY(Docs().SaveAs(*document));
        QCOMPARE(chooser.m_calls.back(), "save " + data.filePath("Origin.prj"));
        QVERIFY(QFile::exists(data.filePath("Copy.prj/Patch/001 Lead.d00")));
    }

    void RecentFilesListTheNewestFirst() {
        QStringList folders;
        for (int i = 0; i < 10; ++i) {
            folders.prepend(data.filePath(QStringLiteral("Recent%1.prj").arg(i)));
            QVERIFY(Docs().CloseDocument(*Open(QStringLiteral("Recent%1.prj").arg(i))));
        }
        QCOMPARE(Docs().RecentFiles().Entries(), folders.mid(0, 8)); // eight are kept
        // An entry that no longer opens is dropped, also from the list of the next start.
        QVERIFY(QDir(folders[0]).removeRecursively());
        app->OnOpenRecent(0);
        QCOMPARE(Docs().RecentFiles().Entries(), folders.mid(1, 7));
        app->ExitInstance();
        app.reset();
        store.Renew();
        QVERIFY(Start());
        QCOMPARE(Docs().RecentFiles().Entries(), folders.mid(1, 7));
    }

    // The first start fills most of the screen; project windows open inside, each at its own place
    // (a stored full-size one: all at one), and after Cascade every list shows twelve rows.
    void ProjectWindowsOpenInside() {
        const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
        QVERIFY(screen.contains(QRect(Frame().pos(), Frame().size())) &&
                Frame().width() >= screen.width() * 8 / 10);
        for (const QString stored : {"", "4000,3000,800,400", "200,100,3000,2000"}) {
            Reset();
            if (!stored.isEmpty())
                QSettings().setValue("Window/Position4107", stored);
            QVERIFY(Start());
            OpenInside(6, stored.startsWith("200") ? 1 : 6);
        }
        // A large list font needs taller windows for the same rows.
        QFont large(QStringLiteral("DejaVu Sans"));
        large.setPixelSize(24);
        CDesktop::Get().ListFont().Set(large, Qt::black);
        OpenInside(20, 0);
        for (CFileDoc* document : Documents())
            for (int kind = 0; kind < 3; ++kind) {
                const CParameterListCtrl* list = Docs().FrameOf(*document)->View()->List(kind);
                QVERIFY(list->viewport()->height() >= CMainFrame::kUsableRows * list->rowHeight(0));
            }
    }

    // Problems show in the status bar; F7 lists them; Enter on a line selects its entry in view.
    void CheckWindow() {
        CorvTest::ProjectBuilder p(data.filePath("Song.prj").toStdString());
        p.Patch(1, "Lead", 1).Patch(200, "Far", 700).Tone(1, "Pad", {1}).Wave(1, "Sine", 64);
        std::filesystem::remove(p.SlotPath(Corv::kWaveKind, 1, "Sine", ".w00"));
        CFileDoc* broken = Docs().OpenDocumentFile(data.filePath("Song.prj"));
        QCOMPARE(Frame().statusBar()->currentMessage(),
                 QStringLiteral("Song.prj: 2 problems found \u2014 Project > Check lists them"));
        QVERIFY(Open("Sound.prj") != nullptr && Activate());
        QTest::keyClick(Frame().ActiveView()->List(Corv::kToneKind), Qt::Key_F7);
        CCheckWindow* window = Frame().CheckWindow();
        QVERIFY(window != nullptr && window->isVisible() && !window->isModal());
        QCOMPARE(window->Summary(), QStringLiteral("No problems found."));
        Frame().MdiArea()->setActiveSubWindow(Docs().FrameOf(*broken));
        QCOMPARE(window->Summary(),
                 "Song.prj: 2 problems found; activate a line to select its entry.");
        QCOMPARE(window->Lines()->item(0)->text(),
                 QStringLiteral("dangling patch 200 U -> tone 700 (empty slot)"));
        window->Lines()->setCurrentRow(0);
        QTest::keyClick(window->Lines(), Qt::Key_Return);
        CParameterListCtrl* patches = Frame().ActiveView()->List(Corv::kPatchKind);
        QCOMPARE(std::tuple(&Frame().ActiveView()->Document(), patches->SelectedRows()),
                 std::tuple(broken, std::vector<int>{199}));
        QVERIFY(patches->viewport()->rect().contains(patches->visualRect(patches->currentIndex())));
        Docs().CloseAllDocuments(); // a line of a project that was closed selects nothing
        QVERIFY(!window->ActivateLine(0));
    }
};

QTEST_MAIN(ApplicationTest)
#include "app_test.moc"
