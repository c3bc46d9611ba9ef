// The application and its own windows: work folder, sinks, settings, command line, hand-over,
// deferred messages, manual; message boxes, progress window, Set Up Font, project chooser.
#include "app/input_text_dialog.h"
#include "app/select_project_dialog.h"
#include "app_fixture.h"
#include "ui/file_view.h"
#include "ui/font_setup.h"
#include "ui/message_box_sink.h"
#include "ui/parameter_list.h"
#include "ui/progress_dialog.h"

#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QProgressBar>
#include <QPushButton>

using Corv::CSelectProjectDialog;

namespace {

void Touch(const QString& path) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
}

std::vector<std::uint32_t> Options() {
    const Corv::CDomain& d = Corv::CDomain::Get();
    return {d.m_gridSw, d.m_waveOption, d.m_toneOption, d.m_tnumOption, d.m_pnumOption};
}

std::unique_ptr<CSelectProjectDialog> SaveDialog(const QString& start) {
    return std::make_unique<CSelectProjectDialog>(CSelectFolderDialog::kSaveMode, start,
                                                  "Save &Project", "Save Project");
}

} // namespace

class AppTest_ : public QObject, public AppTest::World {
    Q_OBJECT
private slots:
    void init() { Reset(); }

    void StartMakesTheWorkFolderLevelByLevelAndInstallsSinks() {
        const QString base = data.filePath("fresh/user/data"); // not there yet
        app = std::make_unique<CApp>(Environment(base));
        QVERIFY(app->InitInstance({}));
        const QString work = QDir(base).absoluteFilePath("Brisko/Corvane Librarian/CorvWork/");
        QCOMPARE(app->WorkFolder(), work);
        QVERIFY(QFileInfo(work).isDir());
        Corv::CDomain& domain = Corv::CDomain::Get();
        domain.ShowError(Corv::kMsgSaveFailed);
        QCOMPARE(sink->Errors(), std::vector<int>{Corv::kMsgSaveFailed});
        app->ExitInstance();
        QVERIFY(domain.MessageSink() == nullptr && domain.TextBuffer() == nullptr);
        // A level that is a file cannot become a folder: start-up ends without a message.
        Reset();
        Touch(data.filePath("Brisko"));
        QVERIFY(!Start() && !app->ExitWork());
        QVERIFY(sink->Calls().empty());
    }

    void SettingsReadAtStartAndWrittenAtExit() {
        Corv::CDomain& domain = Corv::CDomain::Get();
        domain.m_gridSw = domain.m_waveOption = domain.m_toneOption = domain.m_tnumOption =
            domain.m_pnumOption = 1;
        Started();
        QCOMPARE(Options(), std::vector<std::uint32_t>(5, 0)); // absent values read as 0
        domain.m_gridSw = domain.m_waveOption = domain.m_tnumOption = 1;
        CListFont::Get().Set(QFont(QStringLiteral("DejaVu Sans Mono")), QColor(200, 0, 50));
        QVERIFY(!QSettings().contains("Option/GridSw")); // nothing is written before exit
        app->ExitInstance();
        QSettings profile;
        QStringList stored;
        for (const char* key : {"GridSw", "WaveOption", "ToneOption", "TnumOption", "PnumOption"})
            stored << profile.value(QStringLiteral("Option/") + key).toString();
        QCOMPARE(stored, (QStringList{"1", "1", "0", "1", "0"}));
        QCOMPARE(profile.value("Option/FontColor").toInt(), 200 | (50 << 16));
        Corv::CDomain::Reset();
        CListFont::Get().Set(QFont(), Qt::black);
        Started();
        QCOMPARE(Options(), (std::vector<std::uint32_t>{1, 1, 0, 1, 0}));
        QCOMPARE(CListFont::Get().Font().family(), QStringLiteral("DejaVu Sans Mono"));
    }

    void ExitEmptiesOnlyWorkFiles() {
        Started();
        const QDir work(app->WorkFolder());
        for (const char* name :
             {"001 A.d00", "Kick.wav", "Loop.aif", "notes.txt", "002 T.p00", "Take.VPW"})
            Touch(work.filePath(name));
        work.mkdir("sub");
        Touch(work.filePath("sub/003 B.d00"));
        app->ExitInstance();
        QCOMPARE(work.entryList(QDir::Files), QStringList{"notes.txt"});
        QVERIFY(QFile::exists(work.filePath("sub/003 B.d00")));
        QVERIFY(sink->Calls().empty());
    }

    void CommandLineOpensASingleProject() {
        QVERIFY(Start({Project("A.prj"), Project("B.prj")})); // two: nothing opens
        QVERIFY(Documents().empty());
        Reset();
        QVERIFY(!Start({data.filePath("Missing.prj")}));
        QCOMPARE(sink->Errors(), std::vector<int>{Corv::kMsgLoadFailed});
        QVERIFY(Documents().empty() && !app->ExitWork());
        // A relative path is taken from the starting folder and remembered whole.
        Reset();
        const QString folder = Project("Here.prj");
        const QString previous = QDir::currentPath();
        QDir::setCurrent(data.path());
        const bool started = Start({"Here.prj"});
        QDir::setCurrent(previous);
        QVERIFY(started);
        QCOMPARE(Documents().front()->Data().Patches().Item(0).Name(), std::string("Lead"));
        QCOMPARE(Docs().RecentFiles().Entries(), QStringList{folder});
    }

    void SecondStartHandsItsProjectOverAndExits() {
        Started();
        QSettings().setValue("Option/GridSw", 7);
        QTemporaryDir secondData;
        {
            CApp second(Environment(secondData.path()));
            QVERIFY(!second.InitInstance({Project("Handed.prj")}));
            QVERIFY(second.ExitWork() && second.MainFrame() == nullptr);
            second.ExitInstance();
        }
        // The second start changed nothing: no work folder, no settings written.
        QVERIFY(QDir(secondData.path()).isEmpty());
        QCOMPARE(QSettings().value("Option/GridSw").toInt(), 7);
        QTRY_COMPARE(Documents().size(), std::size_t(1));
        QCOMPARE(Documents().front()->Title(), QStringLiteral("Handed.prj"));
    }

    void HandOverWhileBusyOnlyRaises() {
        Started();
        const QString folder = Project("Busy.prj");
        QDialog modal(app->MainFrame());
        modal.setWindowModality(Qt::ApplicationModal);
        modal.show();
        QTRY_VERIFY(QApplication::activeModalWidget() == &modal);
        app->OnHandedOver({folder});
        modal.hide();
        QTRY_VERIFY(QApplication::activeModalWidget() == nullptr);
        app->MainFrame()->setEnabled(false); // a long operation runs
        app->OnHandedOver({folder});
        QVERIFY(Documents().empty());
        app->MainFrame()->setEnabled(true);
        app->OnHandedOver({folder});
        QCOMPARE(Documents().size(), std::size_t(1));
    }

    void DeferredMessageShownOnceWhenIdle() {
        Started();
        Corv::CDomain::Get().TextBuffer()->SetDeferredMessage(Corv::kMsgWaveSpace);
        QVERIFY(sink->Calls().empty());
        QTRY_COMPARE(sink->Errors(), std::vector<int>{Corv::kMsgWaveSpace});
        QTest::qWait(50);
        QCOMPARE(sink->Errors().size(), std::size_t(1));
    }

    void ManualOpensOrReportsItsAbsence() {
        Started();
        app->OnManual();
        const QString manual = data.filePath("Manual/CorvaneLibrarianManualE.html");
        QCOMPARE(notices, QStringList{"The manual could not be found:\n" + manual});
        QDir().mkpath(data.filePath("Manual"));
        Touch(manual);
        app->OnManual();
        QCOMPARE(opened, QStringList{manual});
        openSucceeds = false;
        app->OnManual();
        QCOMPARE(notices.back(), "The manual could not be opened:\n" + manual);
    }

    void MessageBoxes() {
        const std::tuple<bool, int, int, QString, QMessageBox::StandardButtons> boxes[] = {
            {false, 0, 1, "This project could not be loaded.", QMessageBox::Ok},
            {true, 3, 7, "Project already exists. Do you want to replace it?",
             QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel},
            {false, 2, 42, "Undefined error.", QMessageBox::Ok}};
        for (const auto& [question, set, code, text, buttons] : boxes) {
            std::unique_ptr<QMessageBox> box(
                CMessageBoxSink::CreateBox(nullptr, question, set, code));
            QCOMPARE(box->windowTitle() + ": " + box->text(), "Corvane Librarian: " + text);
            QCOMPARE(box->standardButtons(), buttons);
        }
        // Every way of closing a question other than its buttons counts as Cancel.
        QCOMPARE(CMessageBoxSink::AnswerFor(QMessageBox::NoButton), int(Corv::kAnswerCancel));
    }

    void ProgressShowsTheOutermostOperationOnly() {
        QMainWindow main;
        main.show();
        CProgressBar progress(&main);
        progress.End(); // without Begin: harmless
        progress.SetPosition(3);
        QVERIFY(progress.Nesting() == 0 && progress.Position() == 0 && main.isEnabled());
        progress.Begin(100, "Outer", false);
        QVERIFY(progress.Window()->isVisible() && !main.isEnabled());
        QVERIFY(!progress.CancelButton()->isVisible());
        progress.SetPosition(40);
        progress.SetText("step");
        progress.Begin(10, "Inner", true);
        progress.SetPosition(9);
        progress.SetText("inner step");
        QCOMPARE(progress.Bar()->value(), 40);
        QCOMPARE(progress.Label()->text(), QStringLiteral("step"));
        progress.End();
        QVERIFY(progress.Window() != nullptr && !main.isEnabled());
        progress.SetPosition(60);
        QCOMPARE(progress.Bar()->value(), 60);
        progress.End();
        QVERIFY(progress.Window() == nullptr && main.isEnabled());
        // Cancel counts only in a cancellable operation, and each operation starts uncancelled.
        for (const bool cancellable : {true, false, true}) {
            progress.Begin(10, "Operation", cancellable);
            QVERIFY(!progress.IsCancelled());
            progress.CancelButton()->click();
            QCOMPARE(progress.IsCancelled(), cancellable);
            QVERIFY(progress.Window()->isVisible()); // the window never closes itself
            progress.End();
        }
    }

    void FontChangeReachesEveryProject() {
        Started();
        app->OnFileNew();
        app->OnFileNew();
        QFont font(QStringLiteral("DejaVu Serif"));
        font.setPixelSize(21);
        ApplyListFont(font, QColor(1, 2, 3));
        QCOMPARE(CListFont::Get().Color(), QColor(1, 2, 3));
        for (CFileDoc* document : Documents())
            for (int kind = 0; kind < 3; ++kind)
                QCOMPARE(Docs().FrameOf(*document)->View()->List(kind)->font(), font);
    }

    void ChooserTakesOnlyProjectFolders() {
        const QDir dir(data.path());
        const QStringList names{"Song.prj",     "Song.PRJ", "Song.Prj", "Song",
                                "Song.prj.old", "File.prj", "Gone.prj"};
        for (const QString& name : names.mid(0, 5))
            dir.mkpath(name);
        QVERIFY(QFile(dir.filePath("File.prj")).open(QIODevice::WriteOnly));
        CSelectProjectDialog open(CSelectFolderDialog::kOpenMode, dir.path(), "Open", "Open");
        CSelectFolderDialog plain(CSelectFolderDialog::kOpenMode, dir.path(), QString(), "Folder");
        QString taken; // the project chooser, then the general folder chooser
        for (const QString& name : names)
            taken += QStringLiteral("%1%2 ")
                         .arg(open.IsAcceptableFolder(dir.filePath(name)))
                         .arg(plain.IsAcceptableFolder(dir.filePath(name)));
        QCOMPARE(taken, QStringLiteral("11 11 11 01 01 00 00 "));
        QVERIFY(!open.NewProjectButton()->isEnabled()); // New Project only in save mode
        // The chooser starts in the remembered folder (stored with a backslash) and takes it.
        auto dialog = SaveDialog(dir.filePath("Song.PRJ") + "\\");
        dialog->show();
        QCOMPARE(dialog->ChosenField()->text(), QDir::toNativeSeparators(dir.filePath("Song.PRJ")));
        QVERIFY(dialog->NewProjectButton()->isEnabled());
        QCOMPARE(SaveDialog(data.filePath("Nowhere"))->CurrentFolder(), QDir::homePath());
        // Entering a folder that is no project empties the field; Accept then cancels.
        dialog->EnterFolder(dir.filePath("Song"));
        QVERIFY(dialog->ChosenField()->text().isEmpty());
        dialog->OnAccept();
        QVERIFY(dialog->result() == QDialog::Rejected && dialog->ChosenFolder().isEmpty());
        dialog->EnterFolder(dir.filePath("Song.prj"));
        QDir(dir.filePath("Song.prj")).removeRecursively(); // gone before Accept
        dialog->OnAccept();
        QVERIFY(dialog->result() == QDialog::Rejected && dialog->ChosenFolder().isEmpty());
        dialog->EnterFolder(dir.filePath("Song.Prj"));
        dialog->OnAccept();
        QVERIFY(dialog->result() == QDialog::Accepted);
        QCOMPARE(dialog->ChosenFolder(), dir.filePath("Song.Prj"));
    }

    void NewProjectMakesItsFolder() {
        Corv::CDomain::Get().SetMessageSink(std::make_unique<CorvTest::ScriptedSink>(sink));
        const QDir dir(data.path());
        dir.mkpath("Old.prj/Patch");
        // Typed names and their folders.
        const QStringList names{"Song",    "Song.prj",    "Song.PRJ", "Song.PRJ",
                                "My.Song", "My.Song.prj", "a:b*c",    "abc.prj"};
        for (qsizetype i = 0; i < names.size(); i += 2) {
            const QString& typed = names[i];
            const QString& folder = names[i + 1];
            auto dialog = SaveDialog(dir.path());
            dialog->EnterFolder(dir.filePath("Old.prj")); // made beside a chosen project
            dialog->SetNameInput([&typed](QString& name) { return !(name = typed).isEmpty(); });
            dialog->OnNewProject();
            QVERIFY(dialog->result() == QDialog::Accepted &&
                    QFileInfo(dir.filePath(folder)).isDir());
            QCOMPARE(dialog->ChosenFolder(), dir.filePath(folder));
        }
        QVERIFY(QFileInfo(dir.filePath("Old.prj/Patch")).isDir() && sink->Calls().empty());
        // A name that is there already is said so and chosen, and the dialog stays open: a "new"
        // project never replaces the one of that name unasked.
        for (const QString typed : {"Old", "Old.prj"}) {
            auto dialog = SaveDialog(dir.path());
            dialog->setResult(-1);
            dialog->SetNameInput([&typed](QString& name) { return !(name = typed).isEmpty(); });
            dialog->OnNewProject();
            QCOMPARE(dialog->result(), -1);
            QCOMPARE(dialog->ChosenFolder(), dir.filePath("Old.prj"));
            QVERIFY(QString::fromStdString(sink->Notices().back())
                        .startsWith("A project named \"Old.prj\" already exists here."));
        }
        QCOMPARE(sink->Notices().size(), std::size_t(2));
        QVERIFY(QFileInfo(dir.filePath("Old.prj/Patch")).isDir());
        // A name that cannot be made, or Cancel in the name dialog, leaves the dialog open.
        QVERIFY(QFile(dir.filePath("Taken.prj")).open(QIODevice::WriteOnly));
        auto dialog = SaveDialog(dir.path());
        dialog->setResult(-1);
        QVERIFY(!dialog->CreateNewProject("Taken") && !dialog->CreateNewProject("::"));
        dialog->SetNameInput([](QString&) { return false; });
        dialog->OnNewProject();
        QCOMPARE(dialog->result(), -1);
        QCOMPARE(sink->Errors(), (std::vector<int>{Corv::kMsgSaveFailed, Corv::kMsgSaveFailed}));
    }

    // <data>/link leads to <data>/elsewhere/inner: "link/.." is <data>/elsewhere, as the system
    // resolves it, never <data> as folding the text would make it.
    void ChooserResolvesDotDotAsTheSystemDoes() {
        Corv::CDomain::Get().SetMessageSink(std::make_unique<CorvTest::ScriptedSink>(sink));
        const QDir dir(QFileInfo(data.path()).canonicalFilePath());
        QVERIFY(dir.mkpath("elsewhere/inner") && dir.mkpath("elsewhere/Song.prj") &&
                dir.mkpath("Song.prj"));
        QVERIFY(QFile::link(dir.filePath("elsewhere/inner"), dir.filePath("link")));
        auto dialog = SaveDialog(dir.filePath("link/../Song.prj") + "\\");
        QCOMPARE(dialog->CurrentFolder(), dir.filePath("elsewhere/Song.prj"));
        // A new project goes beside the chosen one, where the system finds that one.
        dialog->EnterFolder(dir.filePath("link/../Song.prj"));
        dialog->SetNameInput([](QString& name) { return !(name = "New").isEmpty(); });
        dialog->OnNewProject();
        QCOMPARE(dialog->ChosenFolder(), dir.filePath("elsewhere/New.prj"));
        QVERIFY(QFileInfo(dir.filePath("elsewhere/New.prj")).isDir());
        QVERIFY(!QFileInfo::exists(dir.filePath("New.prj")) && sink->Calls().empty());
    }

    void FolderNameFieldDropsCharacters() {
        CInputTextDialog dialog("New Project");
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QTest::keyClicks(dialog.Edit(), "x\"*/:<>?\\|y Live 2024 (v2).prj");
        QCOMPARE(dialog.Text(), QStringLiteral("xy Live 2024 (v2).prj"));
        QCOMPARE(dialog.Edit()->cursorPosition(), static_cast<int>(dialog.Text().size()));
        // Pasted control characters go the same way, the cursor after the pasted text.
        dialog.Edit()->setCursorPosition(1);
        dialog.Edit()->insert(QStringLiteral("\tLive\r\n\x1A"));
        QCOMPARE(dialog.Text(), QStringLiteral("xLivey Live 2024 (v2).prj"));
        QCOMPARE(dialog.Edit()->cursorPosition(), 5);
    }

    // A load that fails says why in the same box, under the message that stays as it was.
    void ErrorBoxGivesTheReasonUnderTheMessage() {
        std::unique_ptr<QMessageBox> box(CMessageBoxSink::CreateErrorBox(
            nullptr, Corv::kMsgLoadFailed, "Patch/012 Caf\u00e9.d00: not a patch file"));
        QCOMPARE(std::tuple(box->text(), box->informativeText(), box->standardButtons()),
                 std::tuple(QStringLiteral("This project could not be loaded."),
                            QString::fromUtf8("Patch/012 Caf\u00e9.d00: not a patch file"),
                            QMessageBox::StandardButtons(QMessageBox::Ok)));
    }
};

QTEST_MAIN(AppTest_)
#include "app_test.moc"
