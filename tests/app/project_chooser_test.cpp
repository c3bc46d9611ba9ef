// The project chooser: which folders it takes, where it starts, New Project, paths typed into
// the field, the folder tree, and Enter pressed twice in Save As, which must replace nothing.
#include "app/select_project_dialog.h"
#include "app_fixture.h"
#include "ui/message_box_sink.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QTreeView>

using namespace CorvDesktop;

namespace {

// Presses Enter where the keyboard focus is in a window that has just been shown.
void PressEnter(QWidget* window) {
    QVERIFY(QTest::qWaitForWindowActive(window));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
}

// The real project dialog, shown and answered with Enter after the user went to `pick`.
struct EnterChooser : IProjectChooser {
    bool Choose(bool openMode, const QString& initialFolder, QString& chosen) override {
        const auto dialog = CDialogProjectChooser::CreateDialog(openMode, initialFolder, nullptr);
        dialog->show();
        ++shown;
        if (!pick.isEmpty())
            dialog->GoToTyped(std::exchange(pick, QString())); // picked once, then nothing
        PressEnter(dialog.get());
        return CDialogProjectChooser::Result(*dialog, chosen);
    }
    QString pick;
    int shown = 0;
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
    static std::unique_ptr<CSelectFolderDialog> Dialog(bool save, const QString& start) {
        return CDialogProjectChooser::CreateDialog(!save, start, nullptr);
    }

private slots:
    void init() {
        Reset();
        qputenv("HOME", m_home.path().toUtf8());
        QDir(m_home.path()).removeRecursively();
        QDir().mkpath(m_home.path());
        CorvTest::FreshStore::Services().SetMessageSink(
            std::make_unique<CorvTest::ScriptedSink>(sink));
    }

    // Only an existing "*.prj" folder, in any case, is taken; the start may end in a backslash.
    void TakesOnlyProjectFolders() {
        const QDir dir = Home();
        for (const char* name : {"Song.prj", "Song.PRJ", "Song", "Song.prj.old"})
            dir.mkpath(name);
        auto dialog = Dialog(true, dir.filePath("Song.PRJ") + "\\");
        for (const auto& [name, taken] : {std::pair{"Song.prj", true},
                                          {"Song", false},
                                          {"Song.prj.old", false},
                                          {"Nowhere.prj", false}})
            QCOMPARE(dialog->IsAcceptableFolder(dir.filePath(name)), taken);
        dialog->show();
        QCOMPARE(dialog->ChosenFolder(), dir.filePath("Song.PRJ"));
        dialog->EnterFolder(dir.filePath("Song.prj"));
        QDir(dir.filePath("Song.prj")).removeRecursively(); // gone before Accept
        dialog->OnAccept();
        QVERIFY(dialog->isVisible() && dialog->result() == 0 && dialog->ChosenFolder().isEmpty());
        QVERIFY(dialog->HintLine()->isVisible() && dialog->HintLine()->text().contains(".prj"));
        QCOMPARE(dialog->PathLine()->text(), "Folder: " + dir.filePath("Song.prj"));
    }

    // The start folder is scrolled into view among many, and the path line names it.
    void TheStartFolderIsInView() {
        const QDir dir = Home();
        for (int i = 0; i < 300; ++i)
            dir.mkpath(QStringLiteral("Song%1.prj").arg(i, 3, 10, QChar(u'0')));
        const QString start = dir.filePath("Song250.prj");
        auto dialog = Dialog(false, start);
        dialog->show();
        QTreeView* tree = dialog->Tree();
        QTRY_VERIFY(tree->currentIndex().isValid() &&
                    tree->viewport()->rect().contains(tree->visualRect(tree->currentIndex())));
        QCOMPARE(dialog->PathLine()->text(), "Folder: " + start);
    }

    // A new project is made beside the chosen one, where the system finds it ("link/.." is the
    // parent of the link's target); a name that is there already is chosen, never replaced.
    void NewProjectMakesItsFolder() {
        const QDir dir = Home();
        QVERIFY(dir.mkpath("elsewhere/inner") && dir.mkpath("elsewhere/Old.prj/Patch"));
        QVERIFY(QFile::link(dir.filePath("elsewhere/inner"), dir.filePath("link")));
        auto dialog = Dialog(true, dir.filePath("link/../Old.prj") + "\\");
        dialog->setResult(-1);
        for (const auto& [typed, folder, result] : {std::tuple{"Old", "Old.prj", -1},
                                                    {"Song.PRJ", "Song.PRJ", 1},
                                                    {"a:b*c", "abc.prj", 1}}) {
            dialog->SetNameInput([typed = QString(typed)](QString& name) {
                name = typed;
                return true;
            });
            dialog->OnNewProject();
            QCOMPARE(std::pair(dialog->result(), dialog->ChosenFolder()),
                     std::pair(result, dir.filePath(QStringLiteral("elsewhere/") + folder)));
        }
        QCOMPARE(sink->Notices().size(), std::size_t(1)); // "A project named ... already exists"
        QVERIFY(QFileInfo(dir.filePath("elsewhere/Old.prj/Patch")).isDir());
        QVERIFY(QFileInfo(dir.filePath("elsewhere/abc.prj")).isDir());
    }

    // Victim.prj was opened and closed; another project is active; Save As, Enter, Enter.
    void EnterTwiceInSaveAsReplacesNothing() {
        // The active project ("": a new one), the project the user goes to, the questions and
        // errors answered with Enter, whether it saved, and how often the chooser showed (No to
        // replacing a project brings it back; Accept with nothing chosen keeps it open).
        for (const auto& [active, pick, answers, saved, shown] :
             {std::tuple{"", "", "", false, 1},
              {"Beta.prj", "", "", true, 1},
              {"", "Victim.prj", "ask 7 -> 3", false, 2}}) {
            Reset();
            QVERIFY(Start());
            EnterChooser keys;
            QStringList asked;
            CorvTest::FreshStore::Services().SetMessageSink(std::make_unique<EnterSink>(asked));
            Docs().SetChooser(&keys);
            const QString victim = Project("Victim.prj");
            QVERIFY(Docs().CloseDocument(*Docs().OpenDocumentFile(victim)));
            CFileDoc* document = *active ? Open(active) : Docs().NewDocument();
            document->SetModifiedFlag(true);
            keys.pick = *pick ? data.filePath(pick) : QString();
            QCOMPARE(Docs().SaveAs(*document), saved);
            QCOMPARE(asked.join(", "), QString(answers));
            QVERIFY(QFile::exists(victim + "/Patch/001 Lead.d00"));
            QCOMPARE(document->IsModified(), !saved);
            QCOMPARE(keys.shown, shown);
        }
    }

    // A typed path takes the tree there; Enter in the field never ends the dialog, Accept does.
    void TypedPaths() {
        const QDir home = Home();
        QVERIFY(home.mkpath("Songs/Beta.prj") && home.mkpath("Notes"));
        // What is typed; where the tree goes (relative to home; "-": nowhere) and if it is chosen.
        for (const auto& [typed, current, chosen] :
             {std::tuple{"~/Songs/Beta.prj/", "Songs/Beta.prj", true},
              {"file://%1/Songs/./Beta.prj", "Songs/Beta.prj", true},
              {"../Notes", "Notes", false},
              {"~/Songs/Gone.prj", "-", false}}) {
            const auto dialog = Dialog(true, home.filePath("Songs"));
            dialog->show();
            QLineEdit* field = dialog->ChosenField();
            field->selectAll();
            QTest::keyClicks(field, QString(typed).replace("%1", home.path()));
            QTest::keyClick(field, Qt::Key_Return);
            QVERIFY(dialog->isVisible() && dialog->result() == 0);
            QCOMPARE(dialog->CurrentFolder(), home.filePath(*current == '-' ? "Songs" : current));
            QCOMPARE(dialog->ChosenFolder(), chosen ? home.filePath(current) : QString());
            field->selectAll();
            QTest::keyClicks(field, home.filePath("Songs/Beta.prj"));
            dialog->OnAccept();
            QCOMPARE(dialog->ChosenFolder(), home.filePath("Songs/Beta.prj"));
        }
    }
};

QTEST_MAIN(ProjectChooserTest)
#include "project_chooser_test.moc"
