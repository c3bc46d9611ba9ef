// The project chooser: which folders it takes, where it starts, New Project, paths typed into
// the field, the folder tree, the double click that opens a project, and Enter pressed twice in
// Save As, which must replace nothing.
#include "app/input_text_dialog.h"
#include "app/select_project_dialog.h"
#include "app_fixture.h"
#include "ui/message_box_sink.h"

#include <QApplication>
#include <QCryptographicHash>
#include <QDirIterator>
#include <QFileSystemModel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeView>

using Corv::CSelectProjectDialog;

namespace {

// Every file of a folder with a digest of its bytes: what "nothing was replaced" means.
QStringList Contents(const QString& folder) {
    QStringList lines;
    QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        QFile file(it.next());
        if (!file.open(QIODevice::ReadOnly))
            return {"unreadable " + file.fileName()};
        lines << file.fileName() + ' ' +
                     QCryptographicHash::hash(file.readAll(), QCryptographicHash::Md5).toHex();
    }
    lines.sort();
    return lines;
}

// Presses Enter where the keyboard focus is in a window that has just been shown.
void PressEnter(QWidget* window) {
    QVERIFY(QTest::qWaitForWindowActive(window));
    QVERIFY(QApplication::focusWidget() != nullptr);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
}

// The real project dialog, shown and answered with Enter after the user went to `pick`.
struct EnterChooser : IProjectChooser {
    bool Choose(bool openMode, const QString& initialFolder, QString& chosen) override {
        const auto dialog = CDialogProjectChooser::CreateDialog(openMode, initialFolder, nullptr);
        dialog->show();
        if (!pick.isEmpty())
            dialog->GoToTyped(pick);
        field = dialog->ChosenField()->text();
        PressEnter(dialog.get());
        return CDialogProjectChooser::Result(*dialog, chosen);
    }
    QString pick;
    QString field; // what the field showed when Enter was pressed
};

// The program's message boxes, each shown and answered with Enter.
struct EnterSink : Corv::CTextOutBox {
    explicit EnterSink(QStringList& log) : answers(log) {}
    void ShowError(int code) override { answers << QStringLiteral("error %1").arg(code); }
    void ShowNotice(const std::string&) override {}
    int Ask(int buttonSet, int code) override {
        std::unique_ptr<QMessageBox> box(
            CMessageBoxSink::CreateBox(nullptr, true, buttonSet, code));
        box->show();
        PressEnter(box.get());
        const int answer = CMessageBoxSink::AnswerFor(box->standardButton(box->clickedButton()));
        answers << QStringLiteral("ask %1 -> %2").arg(code).arg(answer);
        return answer;
    }
    QStringList& answers;
};

} // namespace

class ProjectChooserTest : public QObject, public AppTest::World {
    Q_OBJECT
    QTemporaryDir m_home;
    QDir Home() const { return QDir(QDir(m_home.path()).canonicalPath()); }
    static std::unique_ptr<CSelectProjectDialog> Dialog(bool save, const QString& start) {
        return std::make_unique<CSelectProjectDialog>(save ? CSelectFolderDialog::kSaveMode
                                                           : CSelectFolderDialog::kOpenMode,
                                                      start, "OK", "");
    }

private slots:
    void init() {
        Reset();
        qputenv("HOME", m_home.path().toUtf8());
        QDir(m_home.path()).removeRecursively();
        QDir().mkpath(m_home.path());
        Corv::CDomain::Get().SetMessageSink(std::make_unique<CorvTest::ScriptedSink>(sink));
    }

    void TakesOnlyProjectFolders() {
        const QDir dir(data.path());
        for (const char* name : {"Song.prj", "Song.PRJ", "Song", "Song.prj.old"})
            dir.mkpath(name);
        QVERIFY(QFile(dir.filePath("File.prj")).open(QIODevice::WriteOnly));
        const auto open = Dialog(false, dir.path());
        CSelectFolderDialog plain(CSelectFolderDialog::kOpenMode, dir.path(), QString(), "Folder");
        QString taken; // the project chooser, then the general folder chooser
        for (const char* name : {"Song.prj", "Song.PRJ", "Song", "Song.prj.old", "File.prj"})
            taken += QStringLiteral("%1%2 ")
                         .arg(open->IsAcceptableFolder(dir.filePath(name)))
                         .arg(plain.IsAcceptableFolder(dir.filePath(name)));
        QCOMPARE(taken, QStringLiteral("11 11 01 01 00 "));
        QVERIFY(!open->NewProjectButton()->isEnabled()); // New Project only in save mode
        // It starts in the remembered folder (stored with a backslash) and takes it.
        auto dialog = Dialog(true, dir.filePath("Song.PRJ") + "\\");
        dialog->show();
        QCOMPARE(dialog->ChosenFolder(), dir.filePath("Song.PRJ"));
        QCOMPARE(Dialog(true, data.filePath("Nowhere"))->CurrentFolder(), QDir::homePath());
        // A folder that is no project, or one gone before Accept, is not taken.
        dialog->EnterFolder(dir.filePath("Song"));
        QVERIFY(dialog->ChosenField()->text().isEmpty());
        dialog->OnAccept();
        QVERIFY(dialog->result() == QDialog::Rejected && dialog->ChosenFolder().isEmpty());
        dialog->EnterFolder(dir.filePath("Song.prj"));
        QDir(dir.filePath("Song.prj")).removeRecursively();
        dialog->OnAccept();
        QVERIFY(dialog->result() == QDialog::Rejected && dialog->ChosenFolder().isEmpty());
    }

    void NewProjectMakesItsFolder() {
        for (const auto& [typed, folder] :
             {std::pair{"Song", "Song.prj"}, {"Song.PRJ", "Song.PRJ"}, {"My.Song", "My.Song.prj"}})
            QCOMPARE(CSelectFolderDialog::ProjectFolderName(typed), QString(folder));
        // Made beside the chosen project, where the system finds it ("link/.." is the parent of
        // the link's target, never the folder the link is in).
        const QDir dir(QFileInfo(data.path()).canonicalFilePath());
        QVERIFY(dir.mkpath("elsewhere/inner") && dir.mkpath("elsewhere/Old.prj/Patch"));
        QVERIFY(QFile::link(dir.filePath("elsewhere/inner"), dir.filePath("link")));
        auto dialog = Dialog(true, dir.filePath("link/../Old.prj") + "\\");
        QCOMPARE(dialog->CurrentFolder(), dir.filePath("elsewhere/Old.prj"));
        dialog->SetNameInput([](QString& name) { return !(name = "a:b*c").isEmpty(); });
        dialog->OnNewProject();
        QVERIFY(dialog->result() == QDialog::Accepted && sink->Calls().empty());
        QCOMPARE(dialog->ChosenFolder(), dir.filePath("elsewhere/abc.prj"));
        QVERIFY(QFileInfo(dir.filePath("elsewhere/abc.prj")).isDir());
        // A name that is there already is said so and chosen, and the dialog stays open: a "new"
        // project never replaces the one of that name unasked.
        dialog = Dialog(true, dir.filePath("elsewhere"));
        dialog->setResult(-1);
        dialog->SetNameInput([](QString& name) { return !(name = "Old").isEmpty(); });
        dialog->OnNewProject();
        QCOMPARE(std::pair(dialog->result(), dialog->ChosenFolder()),
                 std::pair(-1, dir.filePath("elsewhere/Old.prj")));
        QVERIFY(QString::fromStdString(sink->Notices().back()).startsWith("A project named"));
        QVERIFY(QFileInfo(dir.filePath("elsewhere/Old.prj/Patch")).isDir());
        // A name that cannot be made, or Cancel in the name dialog, leaves the dialog open.
        QVERIFY(QFile(dir.filePath("elsewhere/Taken.prj")).open(QIODevice::WriteOnly));
        QVERIFY(!dialog->CreateNewProject("Taken"));
        QCOMPARE(sink->Errors(), std::vector<int>{Corv::kMsgSaveFailed});
        dialog->SetNameInput([](QString&) { return false; });
        dialog->OnNewProject();
        QCOMPARE(dialog->result(), -1);
    }

    void FolderNameFieldDropsCharacters() {
        CInputTextDialog dialog("New Project");
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QTest::keyClicks(dialog.Edit(), "x\"*/:<>?\\|y (v2).prj");
        QCOMPARE(dialog.Text(), QStringLiteral("xy (v2).prj"));
        // Pasted control characters go the same way, the cursor after the pasted text.
        dialog.Edit()->setCursorPosition(1);
        dialog.Edit()->insert(QStringLiteral("\tLive\r\n\x1A"));
        QCOMPARE(dialog.Text(), QStringLiteral("xLivey (v2).prj"));
        QCOMPARE(dialog.Edit()->cursorPosition(), 5);
    }

    // Victim.prj was opened and closed; another project is active; Save As, Enter, Enter.
    void EnterTwiceInSaveAsReplacesNothing() {
        // The active project ("": a new one), the project the user goes to, what the field
        // showed at Enter, the questions and errors answered with Enter, and whether it saved.
        const std::tuple<QString, QString, QString, QString, bool> cases[] = {
            {"", "", "", "", false},
            {"Beta.prj", "", "Beta.prj", "", true},
            {"", "Victim.prj", "Victim.prj", "ask 7 -> 3", false}};
        for (const auto& [active, pick, field, answers, saved] : cases) {
            Reset();
            Started();
            EnterChooser keys;
            QStringList asked;
            Corv::CDomain::Get().SetMessageSink(std::make_unique<EnterSink>(asked));
            Docs().SetChooser(&keys);
            const QString victim = Project("Victim.prj");
            QVERIFY(Docs().CloseDocument(*Docs().OpenDocumentFile(victim)));
            const QStringList before = Contents(victim);
            CFileDoc* document = active.isEmpty() ? Docs().NewDocument() : Open(active);
            document->SetModifiedFlag(true);
            keys.pick = pick.isEmpty() ? QString() : data.filePath(pick);
            QCOMPARE(Docs().SaveAs(*document), saved);
            QCOMPARE(keys.field, field.isEmpty() ? field : data.filePath(field));
            QCOMPARE(asked.join(", "), answers);
            QCOMPARE(Contents(victim), before);
        }
    }

    // The tree starts at the home folder (the root for a folder outside it) and shows no hidden
    // folders; Up climbs to the root and chooses nothing; the start is scrolled into view.
    void TreeStartsAtHome() {
        QVERIFY(Home().mkpath(".cache") && Home().mkpath("Notes"));
        for (int i = 0; i < 120; ++i)
            QVERIFY(Home().mkpath(QStringLiteral("Songs/%1 Song.prj").arg(i, 3, 10, QChar(u'0'))));
        const QString start = Home().filePath("Songs/100 Song.prj");
        const auto dialog = Dialog(false, start);
        dialog->resize(400, 300);
        dialog->show();
        QTreeView* tree = dialog->FolderTree();
        const auto* model = qobject_cast<const QFileSystemModel*>(tree->model());
        QCOMPARE(dialog->TreeRoot(), Home().path());
        QTRY_COMPARE(model->filePath(tree->currentIndex()), start);
        QTRY_VERIFY(tree->viewport()->rect().contains(tree->visualRect(tree->currentIndex())));
        QTRY_COMPARE(model->rowCount(tree->rootIndex()), 2); // Notes and Songs
        while (dialog->UpButton()->isEnabled())
            dialog->OnUp();
        QCOMPARE(std::pair(dialog->TreeRoot(), dialog->ChosenFolder()),
                 std::pair(QString("/"), start));
        QCOMPARE(Dialog(false, data.path())->TreeRoot(), QStringLiteral("/"));
    }

    // A typed or pasted path takes the tree there; Enter in the field never ends the dialog.
    void TypedPaths() {
        const QDir home = Home();
        QVERIFY(home.mkpath("Songs/Beta.prj") && home.mkpath("Notes") &&
                home.mkpath(".hidden/G.prj"));
        // What is typed; where the tree goes (relative to home; "-": nowhere) and if it is chosen.
        const std::tuple<QString, QString, bool> cases[] = {
            {"~/Songs/Beta.prj/", "Songs/Beta.prj", true},
            {"file://%1/Songs/Beta.prj", "Songs/Beta.prj", true},
            {"../Songs/./Beta.prj", "Songs/Beta.prj", true},
            {"%1/Notes", "Notes", false},
            {"~/.hidden/G.prj", ".hidden/G.prj", true},
            {"~/Songs/Gone.prj", "-", false}};
        for (const auto& [typed, current, chosen] : cases) {
            const auto dialog = Dialog(true, home.filePath("Songs"));
            dialog->show();
            QVERIFY(QTest::qWaitForWindowActive(dialog.get()));
            QLineEdit* field = dialog->ChosenField();
            field->setFocus();
            field->selectAll();
            QTest::keyClicks(field, typed.contains("%1") ? typed.arg(home.path()) : typed);
            QTest::keyClick(field, Qt::Key_Return);
            QVERIFY(dialog->isVisible() && dialog->result() == 0);
            QCOMPARE(dialog->CurrentFolder(), home.filePath(current == u"-" ? "Songs" : current));
            QCOMPARE(dialog->ChosenFolder(), chosen ? home.filePath(current) : QString());
        }
        // A path typed but not entered is what Accept takes.
        const auto dialog = Dialog(true, home.filePath("Songs"));
        QTest::keyClicks(dialog->ChosenField(), home.filePath("Songs/Beta.prj"));
        dialog->OnAccept();
        QCOMPARE(std::pair(dialog->result(), dialog->ChosenFolder()),
                 std::pair(int(QDialog::Accepted), home.filePath("Songs/Beta.prj")));
    }

    // A double click takes a project in open mode only.
    void DoubleClickOpens() {
        QVERIFY(Home().mkpath("Beta.prj") && Home().mkpath("Notes"));
        for (const auto& [openMode, folder, accepted] : {std::tuple{true, "Beta.prj", true},
                                                         {false, "Beta.prj", false},
                                                         {true, "Notes", false}}) {
            const auto dialog =
                CDialogProjectChooser::CreateDialog(openMode, Home().path(), nullptr);
            dialog->show();
            QTreeView* tree = dialog->FolderTree();
            const auto* model = qobject_cast<const QFileSystemModel*>(tree->model());
            const QModelIndex index = model->index(Home().filePath(folder));
            QTRY_VERIFY(tree->visualRect(index).isValid());
            QTest::mouseClick(tree->viewport(), Qt::LeftButton, {},
                              tree->visualRect(index).center());
            QTest::mouseDClick(tree->viewport(), Qt::LeftButton, {},
                               tree->visualRect(index).center());
            QString chosen;
            QCOMPARE(CDialogProjectChooser::Result(*dialog, chosen), accepted);
            QCOMPARE(chosen, accepted ? Home().filePath(folder) : QString());
        }
    }
};

QTEST_MAIN(ProjectChooserTest)
#include "project_chooser_test.moc"
