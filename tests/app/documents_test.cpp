// Project documents in the desktop program: New and its untitled numbers, opening (also an
// open folder under another spelling), the close question, Save and Save As through the
// chooser, titles that follow the modified flag, the remembered folder and the recent files.
#include "app/file_doc.h"
#include "app_fixture.h"
#include "support/project_builder.h"
#include "ui/child_frame.h"
#include "ui/main_frame.h"

#include <QDir>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QSettings>
#include <QTest>

using namespace AppTest;

namespace {

QString MakeProject(const QTemporaryDir& dir, const QString& name) {
    const QString folder = dir.filePath(name);
    CorvTest::ProjectBuilder(folder.toStdString())
        .Patch(1, "Lead", 1)
        .Tone(1, "Pad", {1})
        .Wave(1, "Sine", 64);
    return folder;
}

std::vector<QString> Titles(CApp& app) {
    std::vector<QString> titles;
    for (CFileDoc* document : app.Documents().Documents())
        titles.push_back(document->Title());
    return titles;
}

} // namespace

class DocumentsTest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void NewTwiceCountsAndOpenDoesNot();
    void OpeningAnOpenFolderActivatesIt_data();
    void OpeningAnOpenFolderActivatesIt();
    void OtherLetterCaseOpensSecondDocument();
    void FailedLoadLeavesNothingBehind();
    void OpenThroughChooserRemembersFolder();
    void ChooserCancelOpensNothing();
    void ClosingUnmodifiedNeverAsks();
    void ClosingModifiedAsksOnce_data();
    void ClosingModifiedAsksOnce();
    void ClosingTheWindowAsksToo();
    void ClosingHandsSharedFilesOver();
    void SaveOfNewProjectIsSaveAs();
    void SaveAsTakesNewFolderAndTitle();
    void TitlesFollowModifiedFlag();
    void RecentFilesListTheNewestFirst();
    void RecentEntryThatFailsIsDropped();
    void ExitAsksForEveryModifiedDocument();

private:
    CApp& StartApp();

    Script m_script;
    QTemporaryDir m_settings;
    QTemporaryDir m_data;
    std::unique_ptr<CApp> m_app;
};

void DocumentsTest::init() {
    ResetProcessState(m_settings);
    m_script = Script();
}

void DocumentsTest::cleanup() {
    if (m_app)
        m_app->ExitInstance();
    m_app.reset();
}

CApp& DocumentsTest::StartApp() {
    m_app =
        std::make_unique<CApp>(ScriptedEnvironment(m_script, m_data.path(), InstanceName("docs")));
    if (!m_app->InitInstance({}))
        qFatal("start-up failed");
    return *m_app;
}

void DocumentsTest::NewTwiceCountsAndOpenDoesNot() {
    const QString folder = MakeProject(m_data, "Between.prj");
    CApp& app = StartApp();
    app.OnFileNew();
    QVERIFY(app.Documents().OpenDocumentFile(folder) != nullptr);
    app.OnFileNew();
    QCOMPARE(Titles(app), (std::vector<QString>{"Untitled1", "Between.prj", "Untitled2"}));
    const CFileDoc* fresh = app.Documents().Documents().back();
    QVERIFY(!fresh->IsModified());
    QVERIFY(fresh->Data().ProjectFolder().empty());
    QCOMPARE(app.MainFrame()->MdiArea()->subWindowList().size(), 3);
}

void DocumentsTest::OpeningAnOpenFolderActivatesIt_data() {
    QTest::addColumn<QString>("spelling");
    QTest::newRow("same") << "%1";
    QTest::newRow("trailing slash") << "%1/";
    QTest::newRow("backslashes") << "%1\\";
    QTest::newRow("doubled backslashes") << "%1\\\\";
}

void DocumentsTest::OpeningAnOpenFolderActivatesIt() {
    QFETCH(QString, spelling);
    const QString folder = MakeProject(m_data, "Twice.prj");
    CApp& app = StartApp();
    CFileDoc* first = app.Documents().OpenDocumentFile(folder);
    QVERIFY(first != nullptr);
    app.OnFileNew(); // another window becomes active
    QVERIFY(app.MainFrame()->ActiveProjectFrame()->Document().Title() == "Untitled1");
    QString path = spelling.arg(folder);
    if (spelling.contains(u'\\'))
        path =
            spelling.arg(QString(folder).replace(u'/', spelling.contains("\\\\") ? "\\\\" : "\\"));
    CFileDoc* again = app.Documents().OpenDocumentFile(path);
    QCOMPARE(again, first);
    QCOMPARE(app.Documents().Documents().size(), std::size_t(2));
    QCOMPARE(&app.MainFrame()->ActiveProjectFrame()->Document(), first);
    QVERIFY(m_script.sink->Calls().empty());
}

void DocumentsTest::OtherLetterCaseOpensSecondDocument() {
    const QString folder = MakeProject(m_data, "Case.prj");
    const QString upper = m_data.filePath("CASE.prj");
    if (!QFile::link(folder, upper))
        QSKIP("no symbolic links here");
    CApp& app = StartApp();
    QVERIFY(app.Documents().OpenDocumentFile(folder) != nullptr);
    QVERIFY(app.Documents().OpenDocumentFile(upper) != nullptr);
    QCOMPARE(app.Documents().Documents().size(), std::size_t(2));
}

void DocumentsTest::FailedLoadLeavesNothingBehind() {
    QDir(m_data.path()).mkpath("Broken.prj"); // no Patch/ and Tone/ folders
    CApp& app = StartApp();
    QVERIFY(app.Documents().OpenDocumentFile(m_data.filePath("Broken.prj")) == nullptr);
    QCOMPARE(m_script.sink->Errors(), std::vector<int>{Corv::kMsgLoadFailed});
    QVERIFY(app.Documents().Documents().empty());
    QVERIFY(Corv::CProjectDocuments::Get().Documents().empty());
    QVERIFY(app.MainFrame()->MdiArea()->subWindowList().isEmpty());
    QVERIFY(!QSettings().contains("OpenFolder/FolderName"));
}

void DocumentsTest::OpenThroughChooserRemembersFolder() {
    const QString folder = MakeProject(m_data, "Chosen.prj");
    CApp& app = StartApp();
    m_script.chooser.m_answers << folder;
    app.OnFileOpen();
    QCOMPARE(Titles(app), std::vector<QString>{"Chosen.prj"});
    QCOMPARE(m_script.chooser.m_calls.size(), std::size_t(1));
    QVERIFY(m_script.chooser.m_calls[0].openMode);
    QCOMPARE(m_script.chooser.m_calls[0].initialFolder, QString()); // nothing remembered yet
    QCOMPARE(QSettings().value("OpenFolder/FolderName").toString(), folder + u'\\');
    // The next chooser starts there.
    app.OnFileOpen();
    QCOMPARE(m_script.chooser.m_calls.back().initialFolder, folder + u'\\');
}

void DocumentsTest::ChooserCancelOpensNothing() {
    CApp& app = StartApp();
    app.OnFileOpen();
    QVERIFY(app.Documents().Documents().empty());
    QVERIFY(m_script.sink->Calls().empty());
}

void DocumentsTest::ClosingUnmodifiedNeverAsks() {
    const QString folder = MakeProject(m_data, "Calm.prj");
    CApp& app = StartApp();
    CFileDoc* document = app.Documents().OpenDocumentFile(folder);
    QVERIFY(app.Documents().CloseDocument(*document));
    QVERIFY(m_script.saveQuestions.isEmpty());
    QVERIFY(app.Documents().Documents().empty());
    QVERIFY(Corv::CProjectDocuments::Get().Documents().empty());
    QVERIFY(app.MainFrame()->MdiArea()->subWindowList().isEmpty());
}

void DocumentsTest::ClosingModifiedAsksOnce_data() {
    QTest::addColumn<int>("answer");
    QTest::addColumn<bool>("closed");
    QTest::newRow("No discards") << int(Corv::kAnswerNo) << true;
    QTest::newRow("Cancel keeps it open") << int(Corv::kAnswerCancel) << false;
    QTest::newRow("Yes saves in place") << int(Corv::kAnswerYes) << true;
}

void DocumentsTest::ClosingModifiedAsksOnce() {
    QFETCH(int, answer);
    QFETCH(bool, closed);
    const QString folder = MakeProject(m_data, QStringLiteral("Asked%1.prj").arg(answer));
    CApp& app = StartApp();
    CFileDoc* document = app.Documents().OpenDocumentFile(folder);
    document->Data().Patches().Item(0).SetName("Renamed");
    document->SetModifiedFlag(true);
    m_script.saveAnswers = {answer};
    QCOMPARE(app.Documents().CloseDocument(*document), closed);
    QCOMPARE(m_script.saveQuestions,
             QStringList{QStringLiteral("Save changes to %1?").arg(folder)});
    QCOMPARE(app.Documents().Documents().size(), closed ? std::size_t(0) : std::size_t(1));
    if (!closed)
        QVERIFY(document->IsModified());
    if (answer == Corv::kAnswerYes)
        QVERIFY(QFile::exists(folder + "/Patch/001 Renamed.d00"));
    else
        QVERIFY(!QFile::exists(folder + "/Patch/001 Renamed.d00"));
}

void DocumentsTest::ClosingTheWindowAsksToo() {
    CApp& app = StartApp();
    app.OnFileNew();
    CFileDoc* document = app.Documents().Documents().front();
    document->SetModifiedFlag(true);
    CFileFrame* frame = app.Documents().FrameOf(*document);
    m_script.saveAnswers = {Corv::kAnswerCancel};
    QVERIFY(!frame->close());
    QCOMPARE(m_script.saveQuestions, QStringList{"Save changes to Untitled1?"});
    QCOMPARE(app.Documents().Documents().size(), std::size_t(1));
    m_script.saveAnswers = {Corv::kAnswerNo};
    QVERIFY(frame->close());
    QTRY_VERIFY(app.Documents().Documents().empty());
    QCOMPARE(m_script.saveQuestions.size(), 2);
}

void DocumentsTest::ClosingHandsSharedFilesOver() {
    CApp& app = StartApp();
    CFileDoc* a = app.Documents().OpenDocumentFile(MakeProject(m_data, "Giver.prj"));
    CFileDoc* b = app.Documents().OpenDocumentFile(MakeProject(m_data, "Taker.prj"));
    // B holds a copy of A's tone that still names A's file, as a drag leaves it.
    b->Data().Tones().PlaceClone(4, a->Data().Tones()[0]);
    const QString original = QString::fromStdString(a->Data().Tones()[0].FilePath());
    QVERIFY(app.Documents().CloseDocument(*a));
    const QString handed = QString::fromStdString(b->Data().Tones()[4].FilePath());
    QVERIFY(handed != original);
    QVERIFY(handed.startsWith(app.WorkFolder()));
    QVERIFY(QFile::exists(handed));
    // The copy is a work file: leaving the program removes it.
    app.ExitInstance();
    QVERIFY(!QFile::exists(handed));
}

void DocumentsTest::SaveOfNewProjectIsSaveAs() {
    CApp& app = StartApp();
    app.OnFileNew();
    CFileDoc* document = app.Documents().Documents().front();
    document->SetModifiedFlag(true);
    // Cancel in the chooser: nothing changes.
    QVERIFY(!app.Documents().Save(*document));
    QCOMPARE(m_script.chooser.m_calls.size(), std::size_t(1));
    QVERIFY(!m_script.chooser.m_calls[0].openMode);
    QVERIFY(document->IsModified());
    QCOMPARE(document->Title(), QStringLiteral("Untitled1"));
    // A chosen folder becomes the project's.
    const QString target = m_data.filePath("Fresh.prj");
    QDir().mkpath(target);
    m_script.chooser.m_answers << target;
    QVERIFY(app.Documents().Save(*document));
    QVERIFY(!document->IsModified());
    QCOMPARE(document->Title(), QStringLiteral("Fresh.prj"));
    QVERIFY(QFileInfo(target + "/Patch").isDir());
    QCOMPARE(QSettings().value("OpenFolder/FolderName").toString(), target + u'\\');
    QCOMPARE(app.Documents().FrameOf(*document)->windowTitle(), QStringLiteral("Fresh.prj "));
}

void DocumentsTest::SaveAsTakesNewFolderAndTitle() {
    const QString folder = MakeProject(m_data, "Origin.prj");
    CApp& app = StartApp();
    CFileDoc* document = app.Documents().OpenDocumentFile(folder);
    const QString target = m_data.filePath("Copy.prj");
    m_script.chooser.m_answers << target;
    QVERIFY(app.Documents().SaveAs(*document));
    QCOMPARE(document->Title(), QStringLiteral("Copy.prj"));
    QVERIFY(QFile::exists(target + "/Patch/001 Lead.d00"));
    QVERIFY(QFile::exists(folder + "/Patch/001 Lead.d00"));
    // Save now goes to the new folder without asking.
    document->SetModifiedFlag(true);
    QVERIFY(app.Documents().Save(*document));
    QCOMPARE(m_script.chooser.m_calls.size(), std::size_t(1));
}

void DocumentsTest::TitlesFollowModifiedFlag() {
    const QString folder = MakeProject(m_data, "Titled.prj");
    CApp& app = StartApp();
    CFileDoc* document = app.Documents().OpenDocumentFile(folder);
    CFileFrame* frame = app.Documents().FrameOf(*document);
    CMainFrame* main = app.MainFrame();
    const QString projectFolder = QString::fromStdString(document->Data().ProjectFolder());
    QCOMPARE(frame->windowTitle(), QStringLiteral("Titled.prj "));
    QCOMPARE(main->windowTitle(), QStringLiteral("Corvane Librarian - %1 ").arg(projectFolder));
    document->SetModifiedFlag(true);
    QCOMPARE(frame->windowTitle(), QStringLiteral("Titled.prj *"));
    QCOMPARE(main->windowTitle(), QStringLiteral("Corvane Librarian - %1 *").arg(projectFolder));
    // The core changing the flag (as a save does) reaches the titles too.
    document->Core().SetModifiedFlag(false);
    QCOMPARE(frame->windowTitle(), QStringLiteral("Titled.prj "));
    // A maximized child adds its own title to the frame's (the window system's rule); the
    // program's part is the application name alone.
    frame->showMaximized();
    QCOMPARE(main->TitleText(), QStringLiteral("Corvane Librarian"));
    frame->showNormal();
    app.OnFileNew();
    QCOMPARE(main->windowTitle(), QStringLiteral("Corvane Librarian - Untitled1 "));
    app.Documents().CloseAllDocuments();
    main->UpdateTitle();
    QCOMPARE(main->windowTitle(), QStringLiteral("Corvane Librarian"));
}

void DocumentsTest::RecentFilesListTheNewestFirst() {
    CApp& app = StartApp();
    QStringList folders;
    for (int i = 0; i < 10; ++i)
        folders << MakeProject(m_data, QStringLiteral("Recent%1.prj").arg(i));
    for (const QString& folder : folders) {
        CFileDoc* document = app.Documents().OpenDocumentFile(folder);
        QVERIFY(document != nullptr);
        app.Documents().CloseDocument(*document);
    }
    QVERIFY(app.Documents().OpenDocumentFile(folders[5] + "/") != nullptr); // another spelling
    const QStringList entries = app.Documents().RecentFiles().Entries();
    QCOMPARE(entries.size(), 8);
    QCOMPARE(entries[0], folders[5] + "/");
    QCOMPARE(entries[1], folders[9]);
    QVERIFY(!entries.contains(folders[5]));
    QVERIFY(!entries.contains(folders[1]));
    QSettings settings;
    QCOMPARE(settings.value("Recent File List/File1").toString(), folders[5] + "/");
    QCOMPARE(settings.value("Recent File List/File8").toString(), entries[7]);
    QVERIFY(!settings.contains("Recent File List/File9"));
}

void DocumentsTest::RecentEntryThatFailsIsDropped() {
    const QString folder = MakeProject(m_data, "Gone.prj");
    CApp& app = StartApp();
    CFileDoc* document = app.Documents().OpenDocumentFile(folder);
    app.Documents().CloseDocument(*document);
    QVERIFY(QDir(folder).removeRecursively());
    app.OnOpenRecent(0);
    QCOMPARE(m_script.sink->Errors(), std::vector<int>{Corv::kMsgLoadFailed});
    QVERIFY(app.Documents().RecentFiles().Entries().isEmpty());
}

void DocumentsTest::ExitAsksForEveryModifiedDocument() {
    CApp& app = StartApp();
    app.OnFileNew();
    app.OnFileNew();
    app.OnFileNew();
    app.Documents().Documents()[0]->SetModifiedFlag(true);
    app.Documents().Documents()[2]->SetModifiedFlag(true);
    m_script.saveAnswers = {Corv::kAnswerNo, Corv::kAnswerCancel};
    QVERIFY(!app.MainFrame()->close());
    QCOMPARE(m_script.saveQuestions,
             (QStringList{"Save changes to Untitled1?", "Save changes to Untitled3?"}));
    QCOMPARE(app.Documents().Documents().size(), std::size_t(3));
    m_script.saveAnswers = {Corv::kAnswerNo, Corv::kAnswerNo};
    QVERIFY(app.MainFrame()->close());
    QVERIFY(app.Documents().Documents().empty());
    QCOMPARE(QSettings().value("Window/Maximized").toInt(), 0);
}

QTEST_MAIN(DocumentsTest)
#include "documents_test.moc"
