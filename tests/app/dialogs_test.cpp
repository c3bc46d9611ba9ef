// The program's own windows: message boxes behind the core's message sink, the progress window
// with its nesting, Set Up Font reaching every project, and the project chooser with its
// folder-name field.
#include "app/input_text_dialog.h"
#include "app/select_project_dialog.h"
#include "app_fixture.h"
#include "ui/file_view.h"
#include "ui/font_setup.h"
#include "ui/message_box_sink.h"
#include "ui/parameter_list.h"
#include "ui/progress_dialog.h"

#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QProgressBar>
#include <QPushButton>

using Corv::CSelectProjectDialog;

namespace {

std::unique_ptr<CSelectProjectDialog> SaveDialog(const QString& start) {
    return std::make_unique<CSelectProjectDialog>(CSelectFolderDialog::kSaveMode, start,
                                                  "Save &Project", "Save Project");
}

} // namespace

class DialogsTest : public QObject, public AppTest::World {
    Q_OBJECT
private slots:
    void init() { Reset(); }

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
    }

    void CancelOnlyWhenCancellable() {
        CProgressBar progress;
        for (const bool cancellable : {false, true, true}) {
            progress.Begin(10, "Operation", cancellable);
            QVERIFY(!progress.IsCancelled()); // each operation starts uncancelled
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
                QCOMPARE(app->Documents().FrameOf(*document)->View()->List(kind)->font(), font);
    }

    void ChooserTakesOnlyProjectFolders() {
        const QDir dir(data.path());
        const QStringList names{"Song.prj",     "Song.PRJ", "Song.Prj", "Song",
                                "Song.prj.old", "File.prj", "Gone.prj"};
        for (const QString& name : names.mid(0, 5))
            dir.mkpath(name);
        QFile(dir.filePath("File.prj")).open(QIODevice::WriteOnly);
        CSelectFolderDialog plain(CSelectFolderDialog::kOpenMode, dir.path(), QString(), "Folder");
        auto dialog = SaveDialog(dir.path());
        QString taken; // project chooser, then the general folder chooser
        for (const QString& name : names)
            taken += QStringLiteral("%1%2 ")
                         .arg(dialog->IsAcceptableFolder(dir.filePath(name)))
                         .arg(plain.IsAcceptableFolder(dir.filePath(name)));
        QCOMPARE(taken, QStringLiteral("11 11 11 01 01 00 00 "));
        // Entering folders fills the read-only field or empties it; Accept takes only a project.
        QVERIFY(dialog->ChosenField()->isReadOnly());
        dialog->EnterFolder(dir.filePath("Song.PRJ"));
        QCOMPARE(dialog->ChosenField()->text(), QDir::toNativeSeparators(dir.filePath("Song.PRJ")));
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

    void ChooserStartsInTheRememberedFolder() {
        const QString start = data.filePath("Start.prj");
        QDir().mkpath(start);
        auto dialog = SaveDialog(start + "\\"); // remembered with a backslash
        dialog->show();
        QCOMPARE(dialog->ChosenFolder(), start);
        QCOMPARE(SaveDialog(data.filePath("Nowhere"))->CurrentFolder(), QDir::homePath());
        // New Project only in save mode.
        QVERIFY(dialog->NewProjectButton()->isEnabled());
        CSelectProjectDialog open(CSelectFolderDialog::kOpenMode, data.path(), "Open", "Open");
        QVERIFY(!open.NewProjectButton()->isEnabled());
        open.OnNewProject();
        QCOMPARE(QDir(data.path()).entryList(QDir::Dirs | QDir::NoDotAndDotDot),
                 QStringList{"Start.prj"});
    }

    void NewProjectMakesItsFolder() {
        Corv::CDomain::Get().SetMessageSink(std::make_unique<CorvTest::ScriptedSink>(sink));
        const QDir dir(data.path());
        dir.mkpath("Old.prj/Patch");
        // Typed name and folder; an existing folder is taken as it is.
        const std::pair<QString, QString> names[] = {{"Song", "Song.prj"},
                                                     {"Song.PRJ", "Song.PRJ"},
                                                     {"My.Song", "My.Song.prj"},
                                                     {"a:b*c", "abc.prj"},
                                                     {"Old", "Old.prj"}};
        for (const auto& [typed, folder] : names) {
            auto dialog = SaveDialog(dir.path());
            dialog->EnterFolder(dir.filePath("Old.prj")); // made beside a chosen project
            dialog->SetNameInput([&typed](QString& name) { return !(name = typed).isEmpty(); });
            dialog->OnNewProject();
            QVERIFY(dialog->result() == QDialog::Accepted &&
                    QFileInfo(dir.filePath(folder)).isDir());
            QCOMPARE(dialog->ChosenFolder(), dir.filePath(folder));
        }
        QVERIFY(QFileInfo(dir.filePath("Old.prj/Patch")).isDir() && sink->Calls().empty());
        // A name that cannot be made, or Cancel in the name dialog, leaves the dialog open.
        QFile(dir.filePath("Taken.prj")).open(QIODevice::WriteOnly);
        auto dialog = SaveDialog(dir.path());
        dialog->setResult(-1);
        QVERIFY(!dialog->CreateNewProject("Taken") && !dialog->CreateNewProject("::"));
        dialog->SetNameInput([](QString&) { return false; });
        dialog->OnNewProject();
        QCOMPARE(dialog->result(), -1);
        QCOMPARE(sink->Errors(), (std::vector<int>{Corv::kMsgSaveFailed, Corv::kMsgSaveFailed}));
    }

    void FolderNameFieldDropsCharacters() {
        CInputTextDialog dialog("New Project");
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QTest::keyClicks(dialog.Edit(), "x\"*/:<>?\\|y Live 2024 (v2).prj");
        QCOMPARE(dialog.Text(), QStringLiteral("xy Live 2024 (v2).prj"));
        QCOMPARE(dialog.Edit()->cursorPosition(), static_cast<int>(dialog.Text().size()));
    }
};

QTEST_MAIN(DialogsTest)
#include "dialogs_test.moc"
