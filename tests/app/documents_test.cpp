// Project documents in the desktop program: New and its untitled numbers, opening (also an
// open folder under another spelling), the close question, Save and Save As through the
// chooser, titles that follow the modified flag, the remembered folder and the recent files.
#include "app_fixture.h"

using AppTest::World;

namespace {

QStringList Titles(World& w) {
    QStringList titles;
    for (CFileDoc* document : w.Documents())
        titles << document->Title();
    return titles;
}

} // namespace

class DocumentsTest : public QObject {
    Q_OBJECT
private slots:
    void NewTwiceCountsAndOpenDoesNot() {
        World w;
        CApp& app = w.Started();
        app.OnFileNew();
        QVERIFY(w.Open("Between.prj") != nullptr);
        app.OnFileNew();
        QCOMPARE(Titles(w), (QStringList{"Untitled1", "Between.prj", "Untitled2"}));
        QVERIFY(!w.Documents().back()->IsModified());
        QVERIFY(w.Documents().back()->Data().ProjectFolder().empty());
        QCOMPARE(w.Frame().MdiArea()->subWindowList().size(), 3);
    }

    void OpeningAnOpenFolderActivatesIt_data() {
        QTest::addColumn<QString>("spelling");
        QTest::addColumn<bool>("same");
        QTest::newRow("same") << "%1/Twice.prj" << true;
        QTest::newRow("trailing slash") << "%1/Twice.prj/" << true;
        QTest::newRow("backslashes") << "%1\\Twice.prj\\" << true;
        QTest::newRow("doubled backslashes") << "%1\\\\Twice.prj" << true;
        QTest::newRow("other letter case") << "%1/TWICE.prj" << false;
    }

    void OpeningAnOpenFolderActivatesIt() {
        QFETCH(QString, spelling);
        QFETCH(bool, same);
        World w;
        CApp& app = w.Started();
        CFileDoc* first = w.Open("Twice.prj");
        w.Project("TWICE.prj"); // a folder of its own on this file system
        app.OnFileNew();        // another window becomes active
        QString path = spelling.arg(w.data.path());
        if (spelling.contains(u'\\'))
            path = spelling.arg(QString(w.data.path()).replace(u'/', u'\\'));
        CFileDoc* again = app.Documents().OpenDocumentFile(path);
        QCOMPARE(again == first, same);
        QCOMPARE(w.Documents().size(), same ? std::size_t(2) : std::size_t(3));
        QCOMPARE(&w.Frame().ActiveProjectFrame()->Document(), again);
        QVERIFY(w.sink->Calls().empty());
    }

    void FailedLoadLeavesNothingBehind() {
        World w;
        CApp& app = w.Started();
        QDir(w.data.path()).mkpath("Broken.prj"); // no Patch/ and Tone/ folders
        QVERIFY(app.Documents().OpenDocumentFile(w.data.filePath("Broken.prj")) == nullptr);
        QCOMPARE(w.sink->Errors(), std::vector<int>{Corv::kMsgLoadFailed});
        QVERIFY(w.Documents().empty() && Corv::CProjectDocuments::Get().Documents().empty());
        QVERIFY(w.Frame().MdiArea()->subWindowList().isEmpty());
        QVERIFY(!QSettings().contains("OpenFolder/FolderName"));
    }

    void OpenThroughChooserRemembersFolder() {
        World w;
        CApp& app = w.Started();
        app.OnFileOpen(); // cancelled
        const QString folder = w.Project("Chosen.prj");
        w.chooser.m_answers << folder;
        app.OnFileOpen();
        QCOMPARE(Titles(w), QStringList{"Chosen.prj"});
        QCOMPARE(QSettings().value("OpenFolder/FolderName").toString(), folder + u'\\');
        app.OnFileOpen(); // the next chooser starts there
        QCOMPARE(w.chooser.m_calls, (QStringList{"open ", "open ", "open " + folder + u'\\'}));
        QVERIFY(w.sink->Calls().empty());
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
        World w;
        CApp& app = w.Started();
        CFileDoc* document = w.Open("Asked.prj");
        const QString folder = w.data.filePath("Asked.prj");
        if (answer >= 0) {
            document->Data().Patches().Item(0).SetName("Renamed");
            document->SetModifiedFlag(true);
            w.saveAnswers = {answer};
        }
        QCOMPARE(app.Documents().CloseDocument(*document), closed);
        QCOMPARE(w.saveQuestions,
                 answer < 0 ? QStringList() : QStringList{"Save changes to " + folder + "?"});
        QCOMPARE(w.Documents().size(), closed ? std::size_t(0) : std::size_t(1));
        QCOMPARE(Corv::CProjectDocuments::Get().Documents().size(), w.Documents().size());
        QCOMPARE(w.Frame().MdiArea()->subWindowList().size(), closed ? 0 : 1);
        QVERIFY(closed || document->IsModified());
        QCOMPARE(QFile::exists(folder + "/Patch/001 Renamed.d00"), answer == Corv::kAnswerYes);
    }

    void ClosingTheWindowOrTheProgramAsksToo() {
        World w;
        CApp& app = w.Started();
        for (int i = 0; i < 3; ++i)
            app.OnFileNew();
        w.Documents()[0]->SetModifiedFlag(true);
        w.Documents()[2]->SetModifiedFlag(true);
        w.saveAnswers = {Corv::kAnswerCancel};
        QVERIFY(!app.Documents().FrameOf(*w.Documents()[0])->close());
        w.saveAnswers = {Corv::kAnswerNo, Corv::kAnswerCancel};
        QVERIFY(!w.Frame().close());
        QCOMPARE(w.Documents().size(), std::size_t(3));
        w.saveAnswers = {Corv::kAnswerNo, Corv::kAnswerNo};
        QVERIFY(w.Frame().close());
        QVERIFY(w.Documents().empty());
        QCOMPARE(w.saveQuestions,
                 (QStringList{"Save changes to Untitled1?", "Save changes to Untitled1?",
                              "Save changes to Untitled3?", "Save changes to Untitled1?",
                              "Save changes to Untitled3?"}));
        QCOMPARE(QSettings().value("Window/Maximized").toInt(), 0);
    }

    void ClosingHandsSharedFilesOver() {
        World w;
        CApp& app = w.Started();
        CFileDoc* a = w.Open("Giver.prj");
        CFileDoc* b = w.Open("Taker.prj");
        // B holds a copy of A's tone that still names A's file, as a drag leaves it.
        b->Data().Tones().PlaceClone(4, a->Data().Tones()[0]);
        QVERIFY(app.Documents().CloseDocument(*a));
        const QString handed = QString::fromStdString(b->Data().Tones()[4].FilePath());
        QVERIFY(handed.startsWith(app.WorkFolder()));
        QVERIFY(QFile::exists(handed));
        app.ExitInstance(); // a work file: leaving the program removes it
        QVERIFY(!QFile::exists(handed));
    }

    void SaveAsTakesTheChosenFolder() {
        World w;
        CApp& app = w.Started();
        app.OnFileNew();
        CFileDoc* fresh = w.Documents().front();
        fresh->SetModifiedFlag(true);
        QVERIFY(!app.Documents().Save(*fresh)); // a new project asks; cancelled, nothing changes
        QVERIFY(fresh->IsModified());
        QCOMPARE(w.chooser.m_calls, QStringList{"save "});
        const QString target = w.data.filePath("Fresh.prj");
        QDir().mkpath(target);
        w.chooser.m_answers << target;
        QVERIFY(app.Documents().Save(*fresh));
        QVERIFY(!fresh->IsModified() && QFileInfo(target + "/Patch").isDir());
        QCOMPARE(app.Documents().FrameOf(*fresh)->windowTitle(), QStringLiteral("Fresh.prj "));
        QCOMPARE(QSettings().value("OpenFolder/FolderName").toString(), target + u'\\');
        // Save As of an opened project leaves the old folder, and later saves go to the new one.
        CFileDoc* document = w.Open("Origin.prj");
        w.chooser.m_answers << w.data.filePath("Copy.prj");
        QVERIFY(app.Documents().SaveAs(*document));
        QCOMPARE(document->Title(), QStringLiteral("Copy.prj"));
        QVERIFY(QFile::exists(w.data.filePath("Copy.prj/Patch/001 Lead.d00")));
        QVERIFY(QFile::exists(w.data.filePath("Origin.prj/Patch/001 Lead.d00")));
        document->SetModifiedFlag(true);
        QVERIFY(app.Documents().Save(*document));
        QCOMPARE(w.chooser.m_calls.size(), 3); // the last Save asks nothing
    }

    void TitlesFollowModifiedFlag() {
        World w;
        CApp& app = w.Started();
        CFileDoc* document = w.Open("Titled.prj");
        CFileFrame* frame = app.Documents().FrameOf(*document);
        const QString main = "Corvane Librarian - " + w.data.filePath("Titled.prj/");
        QCOMPARE(frame->windowTitle() + w.Frame().windowTitle(), "Titled.prj " + main + " ");
        document->SetModifiedFlag(true);
        QCOMPARE(frame->windowTitle() + w.Frame().windowTitle(), "Titled.prj *" + main + " *");
        document->Core().SetModifiedFlag(false); // as a save does
        QCOMPARE(frame->windowTitle(), QStringLiteral("Titled.prj "));
        // A maximized child adds its own title (the window system's rule).
        frame->showMaximized();
        QCOMPARE(w.Frame().TitleText(), QStringLiteral("Corvane Librarian"));
        app.Documents().CloseAllDocuments();
        w.Frame().UpdateTitle();
        QCOMPARE(w.Frame().windowTitle(), QStringLiteral("Corvane Librarian"));
    }

    void RecentFilesListTheNewestFirst() {
        World w;
        CApp& app = w.Started();
        QStringList folders;
        for (int i = 0; i < 10; ++i) {
            folders << w.data.filePath(QStringLiteral("Recent%1.prj").arg(i));
            QVERIFY(app.Documents().CloseDocument(*w.Open(QStringLiteral("Recent%1.prj").arg(i))));
        }
        QVERIFY(app.Documents().OpenDocumentFile(folders[5] + "/") != nullptr); // other spelling
        const QStringList entries = app.Documents().RecentFiles().Entries();
        QCOMPARE(entries, (QStringList{folders[5] + "/", folders[9], folders[8], folders[7],
                                       folders[6], folders[4], folders[3], folders[2]}));
        QSettings settings;
        QCOMPARE(settings.value("Recent File List/File1").toString(), folders[5] + "/");
        QCOMPARE(settings.value("Recent File List/File8").toString(), folders[2]);
        QVERIFY(!settings.contains("Recent File List/File9"));
        // An entry that no longer opens is dropped.
        QVERIFY(QDir(folders[9]).removeRecursively());
        app.OnOpenRecent(1);
        QCOMPARE(w.sink->Errors(), std::vector<int>{Corv::kMsgLoadFailed});
        QVERIFY(!app.Documents().RecentFiles().Entries().contains(folders[9]));
    }
};

QTEST_MAIN(DocumentsTest)
#include "documents_test.moc"
