// The project chooser: only ".prj" folders are taken, the accept button and New Project in
// save mode, and the folder-name field that drops the characters a folder name cannot hold.
#include "app/input_text_dialog.h"
#include "app/select_project_dialog.h"
#include "app_fixture.h"

#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

using Corv::CSelectProjectDialog;

namespace {

CSelectProjectDialog* SaveDialog(const QString& start) {
    return new CSelectProjectDialog(CSelectFolderDialog::kSaveMode, start, "Save &Project",
                                    "Save Project");
}

} // namespace

class SelectProjectTest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void OpenModeDisablesNewProject();
    void AcceptsOnlyProjectFolders_data();
    void AcceptsOnlyProjectFolders();
    void EnteringFoldersFillsOrEmptiesField();
    void AcceptWithoutProjectFolderCancels();
    void StartFolderIsTestedWhenShown();
    void NewProjectNames_data();
    void NewProjectNames();
    void NewProjectUsesExistingFolder();
    void NewProjectBesideASelectedProject();
    void NewProjectThatCannotBeMadeStaysOpen();
    void NewProjectCancelChangesNothing();
    void FolderNameFieldDropsCharacters_data();
    void FolderNameFieldDropsCharacters();

private:
    QTemporaryDir m_settings;
    QTemporaryDir m_dir;
    std::shared_ptr<CorvTest::SinkLog> m_sink;
};

void SelectProjectTest::init() {
    AppTest::ResetProcessState(m_settings);
    m_sink = CorvTest::InstallScriptedSink();
    QDir(m_dir.path()).removeRecursively();
    QDir().mkpath(m_dir.path());
}

void SelectProjectTest::OpenModeDisablesNewProject() {
    CSelectProjectDialog dialog(CSelectFolderDialog::kOpenMode, m_dir.path(), "Open &Project",
                                "Open Project");
    QVERIFY(!dialog.NewProjectButton()->isEnabled());
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Open Project"));
    QCOMPARE(dialog.AcceptButton()->text(), QStringLiteral("Open &Project"));
    QVERIFY(dialog.ChosenField()->isReadOnly());
    dialog.OnNewProject(); // does nothing in open mode
    std::unique_ptr<CSelectProjectDialog> save(SaveDialog(m_dir.path()));
    QVERIFY(save->NewProjectButton()->isEnabled());
    QVERIFY(QDir(m_dir.path()).entryList(QDir::Dirs | QDir::NoDotAndDotDot).isEmpty());
}

void SelectProjectTest::AcceptsOnlyProjectFolders_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("folder");
    QTest::addColumn<bool>("acceptable");
    QTest::newRow("lower case") << "Song.prj" << true << true;
    QTest::newRow("upper case") << "Song.PRJ" << true << true;
    QTest::newRow("mixed case") << "Song.Prj" << true << true;
    QTest::newRow("no extension") << "Song" << true << false;
    QTest::newRow("prj inside name") << "Song.prj.old" << true << false;
    QTest::newRow("a file named .prj") << "File.prj" << false << false;
    QTest::newRow("missing") << "Gone.prj" << false << false;
}

void SelectProjectTest::AcceptsOnlyProjectFolders() {
    QFETCH(QString, name);
    QFETCH(bool, folder);
    QFETCH(bool, acceptable);
    const QString path = m_dir.filePath(name);
    if (folder)
        QDir().mkpath(path);
    else if (name.startsWith("File")) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
    }
    std::unique_ptr<CSelectProjectDialog> dialog(SaveDialog(m_dir.path()));
    QCOMPARE(dialog->IsAcceptableFolder(path), acceptable);
    // The general chooser takes every existing folder.
    CSelectFolderDialog plain(CSelectFolderDialog::kOpenMode, m_dir.path(), QString(), "Folder");
    QCOMPARE(plain.IsAcceptableFolder(path), folder);
}

void SelectProjectTest::EnteringFoldersFillsOrEmptiesField() {
    QDir().mkpath(m_dir.filePath("Song.PRJ"));
    QDir().mkpath(m_dir.filePath("Song"));
    std::unique_ptr<CSelectProjectDialog> dialog(SaveDialog(m_dir.path()));
    dialog->show();
    QVERIFY(QTest::qWaitForWindowExposed(dialog.get()));
    dialog->EnterFolder(m_dir.filePath("Song.PRJ"));
    QVERIFY(dialog->IsChosen());
    QCOMPARE(dialog->ChosenFolder(), m_dir.filePath("Song.PRJ"));
    QCOMPARE(dialog->ChosenField()->text(), QDir::toNativeSeparators(m_dir.filePath("Song.PRJ")));
    QCOMPARE(dialog->focusWidget(), dialog->AcceptButton());
    dialog->EnterFolder(m_dir.filePath("Song"));
    QVERIFY(!dialog->IsChosen());
    QVERIFY(dialog->ChosenFolder().isEmpty());
    QVERIFY(dialog->ChosenField()->text().isEmpty());
}

void SelectProjectTest::AcceptWithoutProjectFolderCancels() {
    QDir().mkpath(m_dir.filePath("Live.prj"));
    std::unique_ptr<CSelectProjectDialog> dialog(SaveDialog(m_dir.path()));
    dialog->EnterFolder(m_dir.path());
    dialog->OnAccept();
    QCOMPARE(dialog->result(), int(QDialog::Rejected));
    QVERIFY(dialog->ChosenFolder().isEmpty());

    std::unique_ptr<CSelectProjectDialog> again(SaveDialog(m_dir.path()));
    again->EnterFolder(m_dir.filePath("Live.prj"));
    // The folder went away before Accept: cancelled, nothing chosen.
    QDir(m_dir.filePath("Live.prj")).removeRecursively();
    again->OnAccept();
    QCOMPARE(again->result(), int(QDialog::Rejected));
    QVERIFY(again->ChosenFolder().isEmpty());

    QDir().mkpath(m_dir.filePath("Live.prj"));
    std::unique_ptr<CSelectProjectDialog> third(SaveDialog(m_dir.path()));
    third->EnterFolder(m_dir.filePath("Live.prj"));
    third->OnAccept();
    QCOMPARE(third->result(), int(QDialog::Accepted));
    QCOMPARE(third->ChosenFolder(), m_dir.filePath("Live.prj"));
}

void SelectProjectTest::StartFolderIsTestedWhenShown() {
    QDir().mkpath(m_dir.filePath("Start.prj"));
    // The remembered folder ends in a backslash.
    std::unique_ptr<CSelectProjectDialog> dialog(SaveDialog(m_dir.filePath("Start.prj") + "\\"));
    dialog->show();
    QCOMPARE(dialog->ChosenFolder(), m_dir.filePath("Start.prj"));
    std::unique_ptr<CSelectProjectDialog> plain(SaveDialog(m_dir.path()));
    plain->show();
    QVERIFY(plain->ChosenFolder().isEmpty());
    QCOMPARE(plain->CurrentFolder(), m_dir.path());
    std::unique_ptr<CSelectProjectDialog> gone(SaveDialog(m_dir.filePath("Nowhere")));
    QCOMPARE(gone->CurrentFolder(), QDir::homePath());
}

void SelectProjectTest::NewProjectNames_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("folder");
    QTest::newRow("extension added") << "Song"
                                     << "Song.prj";
    QTest::newRow("upper case extension kept") << "Song.PRJ"
                                               << "Song.PRJ";
    QTest::newRow("dot inside name") << "My.Song"
                                     << "My.Song.prj";
    QTest::newRow("forbidden characters dropped") << "a:b*c"
                                                  << "abc.prj";
}

void SelectProjectTest::NewProjectNames() {
    QFETCH(QString, typed);
    QFETCH(QString, folder);
    std::unique_ptr<CSelectProjectDialog> dialog(SaveDialog(m_dir.path()));
    dialog->EnterFolder(m_dir.path());
    dialog->SetNameInput([&](QString& name) {
        name = typed;
        return true;
    });
    dialog->OnNewProject();
    QCOMPARE(dialog->result(), int(QDialog::Accepted));
    QCOMPARE(dialog->ChosenFolder(), m_dir.filePath(folder));
    QVERIFY(QFileInfo(m_dir.filePath(folder)).isDir());
    QVERIFY(m_sink->Calls().empty());
}

void SelectProjectTest::NewProjectUsesExistingFolder() {
    QDir().mkpath(m_dir.filePath("Song.prj/Patch"));
    std::unique_ptr<CSelectProjectDialog> dialog(SaveDialog(m_dir.path()));
    dialog->EnterFolder(m_dir.path());
    QVERIFY(dialog->CreateNewProject("Song"));
    QCOMPARE(dialog->ChosenFolder(), m_dir.filePath("Song.prj"));
    QVERIFY(QFileInfo(m_dir.filePath("Song.prj/Patch")).isDir());
}

void SelectProjectTest::NewProjectBesideASelectedProject() {
    QDir().mkpath(m_dir.filePath("Old.prj"));
    std::unique_ptr<CSelectProjectDialog> dialog(SaveDialog(m_dir.path()));
    dialog->EnterFolder(m_dir.filePath("Old.prj"));
    QVERIFY(dialog->CreateNewProject("New"));
    QCOMPARE(dialog->ChosenFolder(), m_dir.filePath("New.prj"));
}

void SelectProjectTest::NewProjectThatCannotBeMadeStaysOpen() {
    QFile file(m_dir.filePath("Taken.prj"));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();
    std::unique_ptr<CSelectProjectDialog> dialog(SaveDialog(m_dir.path()));
    dialog->EnterFolder(m_dir.path());
    dialog->setResult(-1);
    QVERIFY(!dialog->CreateNewProject("Taken"));
    QCOMPARE(m_sink->Errors(), std::vector<int>{Corv::kMsgSaveFailed});
    QCOMPARE(dialog->result(), -1);
    QVERIFY(!dialog->CreateNewProject("::"));
    QCOMPARE(m_sink->Errors().size(), std::size_t(2));
}

void SelectProjectTest::NewProjectCancelChangesNothing() {
    std::unique_ptr<CSelectProjectDialog> dialog(SaveDialog(m_dir.path()));
    dialog->EnterFolder(m_dir.path());
    dialog->setResult(-1);
    dialog->SetNameInput([](QString&) { return false; });
    dialog->OnNewProject();
    QCOMPARE(dialog->result(), -1);
    QVERIFY(QDir(m_dir.path()).entryList(QDir::Dirs | QDir::NoDotAndDotDot).isEmpty());
    QVERIFY(m_sink->Calls().empty());
}

void SelectProjectTest::FolderNameFieldDropsCharacters_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("shown");
    QTest::newRow("colon") << "a:b"
                           << "ab";
    QTest::newRow("every forbidden one") << "x\"*/:<>?\\|y"
                                         << "xy";
    QTest::newRow("others pass") << "Live 2024 (v2).prj"
                                 << "Live 2024 (v2).prj";
}

void SelectProjectTest::FolderNameFieldDropsCharacters() {
    QFETCH(QString, typed);
    QFETCH(QString, shown);
    CInputTextDialog dialog("New Project");
    QCOMPARE(dialog.windowTitle(), QStringLiteral("New Project"));
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QTest::keyClicks(dialog.Edit(), typed);
    QCOMPARE(dialog.Text(), shown);
    QCOMPARE(dialog.Edit()->cursorPosition(), static_cast<int>(shown.size()));
}

QTEST_MAIN(SelectProjectTest)
#include "select_project_test.moc"
