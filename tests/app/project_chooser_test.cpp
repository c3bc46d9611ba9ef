// The project chooser as the user meets it: where Save As starts and what Enter does there, the
// folder tree (its top, hidden folders, scrolling to the start), paths typed into the field,
// and the double click that opens a project.
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
    QWidget* focus = QApplication::focusWidget();
    QVERIFY(focus != nullptr && focus->window() == window);
    QTest::keyClick(focus, Qt::Key_Return);
}

// The real project dialog, shown and answered with Enter (after `pick`, the user's moves).
struct EnterChooser : IProjectChooser {
    bool Choose(bool openMode, const QString& initialFolder, QString& chosen) override {
        const auto dialog = CDialogProjectChooser::CreateDialog(openMode, initialFolder, nullptr);
        dialog->show();
        if (pick)
            pick(*dialog);
        field = dialog->ChosenField()->text();
        PressEnter(dialog.get());
        dialog->hide();
        return CDialogProjectChooser::Result(*dialog, chosen);
    }
    std::function<void(CSelectFolderDialog&)> pick;
    QString field; // what the field showed when Enter was pressed
};

// The program's message boxes, each shown and answered with Enter.
struct EnterSink : Corv::CTextOutBox {
    void ShowError(int code) override { answers << QStringLiteral("error %1").arg(code); }
    void ShowNotice(const std::string&) override {}
    int Ask(int buttonSet, int code) override {
        std::unique_ptr<QMessageBox> box(
            CMessageBoxSink::CreateBox(nullptr, true, buttonSet, code));
        box->show();
        PressEnter(box.get());
        const auto button = box->clickedButton() != nullptr
                                ? box->standardButton(box->clickedButton())
                                : QMessageBox::NoButton;
        const int answer = CMessageBoxSink::AnswerFor(button);
        answers << QStringLiteral("ask %1 -> %2").arg(code).arg(answer);
        return answer;
    }
    QStringList& answers;
    explicit EnterSink(QStringList& log) : answers(log) {}
};

} // namespace

class ProjectChooserTest : public QObject, public AppTest::World {
    Q_OBJECT
private:
    QString Home() const { return QDir(m_home.path()).canonicalPath(); }

private slots:
    void init() {
        Reset();
        qputenv("HOME", m_home.path().toUtf8());
        QDir(m_home.path()).removeRecursively();
        QDir().mkpath(m_home.path());
    }

    // Victim.prj was opened and closed; another project is active; Save As, Enter, Enter.
    void EnterTwiceInSaveAsReplacesNothing_data() {
        QTest::addColumn<QString>("active");
        QTest::addColumn<QString>("field");   // what the chooser showed chosen at Enter
        QTest::addColumn<QString>("answers"); // the questions and errors, answered with Enter
        QTest::addColumn<bool>("saved");
        QTest::newRow("untitled project") << ""
                                          << ""
                                          << "" << false;
        QTest::newRow("opened project") << "Beta.prj"
                                        << "Beta.prj"
                                        << "" << true;
        QTest::newRow("victim picked by the user") << ""
                                                   << "Victim.prj"
                                                   << "ask 7 -> 3" << false;
    }

    void EnterTwiceInSaveAsReplacesNothing() {
        QFETCH(QString, active);
        QFETCH(QString, field);
        QFETCH(QString, answers);
        QFETCH(bool, saved);
        Started();
        QStringList asked;
        Corv::CDomain::Get().SetMessageSink(std::make_unique<EnterSink>(asked));
        EnterChooser keys;
        Docs().SetChooser(&keys);
        const QString victim = Project("Victim.prj");
        QVERIFY(Docs().CloseDocument(*Docs().OpenDocumentFile(victim)));
        const QStringList before = Contents(victim);
        CFileDoc* document = active.isEmpty() ? Docs().NewDocument() : Open(active);
        document->SetModifiedFlag(true);
        if (field == u"Victim.prj")
            keys.pick = [&victim](CSelectFolderDialog& dialog) { dialog.GoToTyped(victim); };
        QCOMPARE(Docs().SaveAs(*document), saved);
        QCOMPARE(keys.field, field.isEmpty() ? field : data.filePath(field));
        QCOMPARE(asked.join(", "), answers);
        QCOMPARE(Contents(victim), before);
        QCOMPARE(document->IsModified(), !saved);
    }

    // The tree starts at the home folder (the root for a folder outside it), shows no hidden
    // folders, and Up climbs to the root.
    void TreeStartsAtHome() {
        const QDir home(Home());
        QVERIFY(home.mkpath("Songs/Beta.prj") && home.mkpath(".cache") && home.mkpath("Notes"));
        Corv::CSelectProjectDialog dialog(CSelectFolderDialog::kOpenMode,
                                          home.filePath("Songs/Beta.prj"), "Open", "Open");
        dialog.show();
        QCOMPARE(dialog.TreeRoot(), home.path());
        QCOMPARE(dialog.ChosenFolder(), home.filePath("Songs/Beta.prj"));
        const auto* model = qobject_cast<const QFileSystemModel*>(dialog.FolderTree()->model());
        const QModelIndex top = dialog.FolderTree()->rootIndex();
        QTRY_COMPARE(model->rowCount(top), 2);
        QStringList shown;
        for (int row = 0; row < model->rowCount(top); ++row)
            shown << model->fileName(model->index(row, 0, top));
        shown.sort();
        QCOMPARE(shown, (QStringList{"Notes", "Songs"}));
        for (int steps = 0; dialog.UpButton()->isEnabled() && steps < 64; ++steps)
            dialog.OnUp();
        QCOMPARE(dialog.TreeRoot(), QStringLiteral("/"));
        QCOMPARE(dialog.ChosenFolder(), home.filePath("Songs/Beta.prj")); // Up chooses nothing
        // A start outside the home folder shows the root.
        Corv::CSelectProjectDialog outside(CSelectFolderDialog::kOpenMode, data.path(), "", "");
        QCOMPARE(outside.TreeRoot(), QStringLiteral("/"));
    }

    // The start folder is selected and scrolled to once its folder has loaded.
    void TreeScrollsToTheStart() {
        const QDir songs(Home() + "/Songs");
        for (int i = 0; i < 120; ++i)
            QVERIFY(songs.mkpath(QStringLiteral("%1 Song.prj").arg(i, 3, 10, QChar(u'0'))));
        Corv::CSelectProjectDialog dialog(CSelectFolderDialog::kOpenMode,
                                          songs.filePath("100 Song.prj"), "Open", "Open");
        dialog.resize(400, 300);
        dialog.show();
        QTreeView* tree = dialog.FolderTree();
        const auto* model = qobject_cast<const QFileSystemModel*>(tree->model());
        QTRY_COMPARE(model->filePath(tree->currentIndex()), songs.filePath("100 Song.prj"));
        const auto shown = [tree] {
            const QRect row = tree->visualRect(tree->currentIndex());
            return row.isValid() && tree->viewport()->rect().contains(row);
        };
        QTRY_VERIFY(shown());
    }

    // A typed or pasted path takes the tree there; Enter in the field never ends the dialog.
    void TypedPaths_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("current"); // relative to the home folder; "-": no folder there
        QTest::addColumn<bool>("chosen");
        QTest::newRow("full path") << "%1/Songs/Beta.prj"
                                   << "Songs/Beta.prj" << true;
        QTest::newRow("home folder") << "~/Songs/Beta.prj/"
                                     << "Songs/Beta.prj" << true;
        QTest::newRow("file URL") << "file://%1/Songs/Beta.prj"
                                  << "Songs/Beta.prj" << true;
        QTest::newRow("relative") << "Beta.prj"
                                  << "Songs/Beta.prj" << true;
        QTest::newRow("dot-dot") << "../Songs/./Beta.prj"
                                 << "Songs/Beta.prj" << true;
        QTest::newRow("no project") << "%1/Notes"
                                    << "Notes" << false;
        QTest::newRow("hidden folder") << "~/.hidden/Gamma.prj"
                                       << ".hidden/Gamma.prj" << true;
        QTest::newRow("nothing there") << "~/Songs/Gone.prj"
                                       << "-" << false;
    }

    void TypedPaths() {
        QFETCH(QString, typed);
        QFETCH(QString, current);
        QFETCH(bool, chosen);
        const QDir home(Home());
        QVERIFY(home.mkpath("Songs/Beta.prj") && home.mkpath("Notes") &&
                home.mkpath(".hidden/Gamma.prj"));
        Corv::CSelectProjectDialog dialog(CSelectFolderDialog::kSaveMode, home.filePath("Songs"),
                                          "Save", "Save");
        dialog.show();
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
        QLineEdit* field = dialog.ChosenField();
        field->setFocus();
        field->selectAll();
        QTest::keyClicks(field, typed.contains("%1") ? typed.arg(home.path()) : typed);
        QTest::keyClick(field, Qt::Key_Return);
        QVERIFY(dialog.isVisible() && dialog.result() == 0);
        QCOMPARE(dialog.CurrentFolder(),
                 current == u"-" ? home.filePath("Songs") : home.filePath(current));
        QCOMPARE(dialog.ChosenFolder(), chosen ? home.filePath(current) : QString());
        QCOMPARE(field->text().isEmpty(), current != u"-" && !chosen);
        if (chosen)
            QCOMPARE(QApplication::focusWidget(), dialog.AcceptButton());
    }

    // A path typed but not entered is what Accept takes.
    void AcceptTakesTheTypedPath() {
        const QDir home(Home());
        QVERIFY(home.mkpath("A.prj") && home.mkpath("B.prj"));
        Corv::CSelectProjectDialog dialog(CSelectFolderDialog::kSaveMode, home.filePath("A.prj"),
                                          "Save", "Save");
        dialog.show();
        QCOMPARE(dialog.ChosenFolder(), home.filePath("A.prj"));
        dialog.ChosenField()->selectAll();
        QTest::keyClicks(dialog.ChosenField(), home.filePath("B.prj"));
        dialog.OnAccept();
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(dialog.ChosenFolder(), home.filePath("B.prj"));
    }

    // A double click takes a project in open mode only.
    void DoubleClickOpens_data() {
        QTest::addColumn<bool>("openMode");
        QTest::addColumn<QString>("folder");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("project, open mode") << true << "Beta.prj" << true;
        QTest::newRow("project, save mode") << false << "Beta.prj" << false;
        QTest::newRow("other folder, open mode") << true << "Notes" << false;
    }

    void DoubleClickOpens() {
        QFETCH(bool, openMode);
        QFETCH(QString, folder);
        QFETCH(bool, accepted);
        const QDir home(Home());
        QVERIFY(home.mkpath("Beta.prj") && home.mkpath("Notes"));
        const auto dialog = CDialogProjectChooser::CreateDialog(openMode, home.path(), nullptr);
        dialog->show();
        QTreeView* tree = dialog->FolderTree();
        const auto* model = qobject_cast<const QFileSystemModel*>(tree->model());
        QTRY_COMPARE(model->rowCount(tree->rootIndex()), 2);
        const QModelIndex index = model->index(home.filePath(folder));
        QTRY_VERIFY(tree->visualRect(index).isValid());
        const QPoint where = tree->visualRect(index).center();
        QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, where);
        QTest::mouseDClick(tree->viewport(), Qt::LeftButton, {}, where);
        QCOMPARE(dialog->result() == QDialog::Accepted, accepted);
        QString chosen;
        QCOMPARE(CDialogProjectChooser::Result(*dialog, chosen), accepted);
        QCOMPARE(chosen, accepted ? home.filePath(folder) : QString());
    }

private:
    QTemporaryDir m_home;
};

QTEST_MAIN(ProjectChooserTest)
#include "project_chooser_test.moc"
