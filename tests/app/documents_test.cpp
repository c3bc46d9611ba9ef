// Project documents in the desktop program: New and its untitled numbers, opening (also an
// open folder under another spelling), the close question, Save and Save As through the
// chooser, titles that follow the modified flag, the remembered folder and the recent files.
#include "app_fixture.h"

class DocumentsTest : public QObject, public AppTest::World {
    Q_OBJECT

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
    }

    void OpeningAnOpenFolderActivatesIt() {
        QFETCH(QString, spelling);
        QFETCH(bool, same);
        CFileDoc* first = Open("Twice.prj");
        Project("TWICE.prj"); // a folder of its own on this file system
        app->OnFileNew();     // another window becomes active
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
        // Save As of an opened project leaves the old folder, and later saves go to the new one.
        CFileDoc* document = Open("Origin.prj");
        chooser.m_answers << data.filePath("Copy.prj");
        QVERIFY(Docs().SaveAs(*document));
        QCOMPARE(document->Title(), QStringLiteral("Copy.prj"));
        QVERIFY(QFile::exists(data.filePath("Copy.prj/Patch/001 Lead.d00")) &&
                QFile::exists(data.filePath("Origin.prj/Patch/001 Lead.d00")));
        document->SetModifiedFlag(true);
        QVERIFY(Docs().Save(*document));
        QCOMPARE(chooser.m_calls.size(), 3); // the last Save asks nothing
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
        QVERIFY(!QSettings().contains("Recent File List/File9"));
        // An entry that no longer opens is dropped.
        QVERIFY(QDir(folders[9]).removeRecursively());
        app->OnOpenRecent(1);
        QCOMPARE(sink->Errors(), std::vector<int>{Corv::kMsgLoadFailed});
        QVERIFY(!Docs().RecentFiles().Entries().contains(folders[9]));
    }
};

QTEST_MAIN(DocumentsTest)
#include "documents_test.moc"
