// The application object: the work folder and sinks, settings read at start and written at
// exit, the command line, the single-instance hand-over, deferred messages and the manual.
#include "app_fixture.h"
#include "ui/font_setup.h"

#include <QApplication>
#include <QDialog>

using AppTest::World;

namespace {

void Touch(const QString& path) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
}

std::vector<std::uint32_t> Options() {
    const Corv::CDomain& d = Corv::CDomain::Get();
    return {d.m_gridSw, d.m_waveOption, d.m_toneOption, d.m_tnumOption, d.m_pnumOption};
}

} // namespace

class AppTest_ : public QObject {
    Q_OBJECT
private slots:
    void StartMakesTheWorkFolderLevelByLevelAndInstallsSinks() {
        World w;
        const QString base = w.data.filePath("fresh/user/data"); // not there yet
        w.app = std::make_unique<CApp>(w.Environment(base));
        QVERIFY(w.app->InitInstance({}));
        const QString work = QDir(base).absoluteFilePath("Brisko/Corvane Librarian/CorvWork/");
        QCOMPARE(w.app->WorkFolder(), work);
        QVERIFY(QFileInfo(work).isDir());
        Corv::CDomain& domain = Corv::CDomain::Get();
        domain.ShowError(Corv::kMsgSaveFailed);
        QCOMPARE(w.sink->Errors(), std::vector<int>{Corv::kMsgSaveFailed});
        w.app->ExitInstance();
        QVERIFY(domain.MessageSink() == nullptr && domain.TextBuffer() == nullptr);
        // A level that is a file cannot become a folder: start-up ends without a message.
        w.app.reset();
        w.sink->Clear();
        Touch(w.data.filePath("Brisko"));
        QVERIFY(!w.Start());
        QVERIFY(!w.app->ExitWork());
        QVERIFY(w.sink->Calls().empty());
    }

    void SettingsReadAtStartAndWrittenAtExit() {
        World w;
        Corv::CDomain& domain = Corv::CDomain::Get();
        domain.m_gridSw = domain.m_waveOption = domain.m_toneOption = domain.m_tnumOption =
            domain.m_pnumOption = 1;
        w.Started();
        QCOMPARE(Options(), std::vector<std::uint32_t>(5, 0)); // absent values read as 0
        domain.m_gridSw = domain.m_waveOption = domain.m_tnumOption = 1;
        QFont font(QStringLiteral("DejaVu Sans Mono"));
        font.setPixelSize(19);
        CListFont::Get().Set(font, QColor(200, 0, 50));
        QVERIFY(!QSettings().contains("Option/GridSw")); // nothing is written before exit
        w.app->ExitInstance();
        QSettings settings;
        QStringList stored;
        for (const char* key : {"GridSw", "WaveOption", "ToneOption", "TnumOption", "PnumOption"})
            stored << settings.value(QStringLiteral("Option/") + key).toString();
        QCOMPARE(stored, (QStringList{"1", "1", "0", "1", "0"}));
        QCOMPARE(settings.value("Option/FontColor").toInt(), 200 | (50 << 16));
        Corv::CDomain::Reset();
        CListFont::Get().Set(QFont(), Qt::black);
        w.app.reset();
        w.Started();
        QCOMPARE(Options(), (std::vector<std::uint32_t>{1, 1, 0, 1, 0}));
        QCOMPARE(CListFont::Get().Font().family(), QStringLiteral("DejaVu Sans Mono"));
        QCOMPARE(CListFont::Get().Font().pixelSize(), 19);
        QCOMPARE(CListFont::Get().Color(), QColor(200, 0, 50));
    }

    void ExitEmptiesOnlyWorkFiles() {
        World w;
        const QDir work(w.Started().WorkFolder());
        for (const char* name :
             {"001 A.d00", "Kick.wav", "Loop.aif", "notes.txt", "002 T.p00", "Take.VPW"})
            Touch(work.filePath(name));
        work.mkdir("sub");
        Touch(work.filePath("sub/003 B.d00"));
        w.app->ExitInstance();
        QCOMPARE(work.entryList(QDir::Files), QStringList{"notes.txt"});
        QVERIFY(QFile::exists(work.filePath("sub/003 B.d00")));
        QVERIFY(w.sink->Calls().empty());
    }

    void CommandLineOpensASingleProject() {
        {
            World w;
            QVERIFY(w.Start({w.Project("A.prj"), w.Project("B.prj")})); // two: nothing opens
            QVERIFY(w.Documents().empty());
        }
        {
            World w;
            QVERIFY(!w.Start({w.data.filePath("Missing.prj")}));
            QCOMPARE(w.sink->Errors(), std::vector<int>{Corv::kMsgLoadFailed});
            QVERIFY(w.Documents().empty() && !w.app->ExitWork());
        }
        // A relative path is taken from the starting folder and remembered whole.
        World w;
        const QString folder = w.Project("Here.prj");
        const QString previous = QDir::currentPath();
        QDir::setCurrent(w.data.path());
        const bool started = w.Start({"Here.prj"});
        QDir::setCurrent(previous);
        QVERIFY(started);
        QCOMPARE(w.Documents().size(), std::size_t(1));
        QCOMPARE(w.Documents().front()->Data().Patches().Item(0).Name(), std::string("Lead"));
        QCOMPARE(QString::fromStdString(w.Documents().front()->Data().ProjectFolder()),
                 folder + u'/');
        QCOMPARE(w.app->Documents().RecentFiles().Entries(), QStringList{folder});
    }

    void SecondStartHandsItsProjectOverAndExits() {
        World w;
        w.Started();
        const QString folder = w.Project("Handed.prj");
        QSettings().setValue("Option/GridSw", 7);
        QTemporaryDir secondData;
        {
            CApp second(w.Environment(secondData.path()));
            QVERIFY(!second.InitInstance({folder}));
            QVERIFY(second.ExitWork() && second.MainFrame() == nullptr);
            second.ExitInstance();
        }
        // The second start changed nothing: no work folder, no settings written.
        QVERIFY(QDir(secondData.path()).isEmpty());
        QCOMPARE(QSettings().value("Option/GridSw").toInt(), 7);
        QTRY_COMPARE(w.Documents().size(), std::size_t(1));
        QCOMPARE(w.Documents().front()->Title(), QStringLiteral("Handed.prj"));
    }

    void HandOverWhileBusyOnlyRaises() {
        World w;
        CApp& app = w.Started();
        const QString folder = w.Project("Busy.prj");
        QDialog modal(app.MainFrame());
        modal.setWindowModality(Qt::ApplicationModal);
        modal.show();
        QTRY_VERIFY(QApplication::activeModalWidget() == &modal);
        app.OnHandedOver({folder});
        modal.hide();
        QTRY_VERIFY(QApplication::activeModalWidget() == nullptr);
        app.MainFrame()->setEnabled(false); // a long operation runs
        app.OnHandedOver({folder});
        QVERIFY(w.Documents().empty());
        app.MainFrame()->setEnabled(true);
        app.OnHandedOver({folder});
        QCOMPARE(w.Documents().size(), std::size_t(1));
    }

    void DeferredMessageShownOnceWhenIdle() {
        World w;
        w.Started();
        Corv::CDomain::Get().TextBuffer()->SetDeferredMessage(Corv::kMsgWaveSpace);
        QVERIFY(w.sink->Calls().empty());
        QTRY_COMPARE(w.sink->Errors(), std::vector<int>{Corv::kMsgWaveSpace});
        QTest::qWait(50);
        QCOMPARE(w.sink->Errors().size(), std::size_t(1));
    }

    void ManualOpensOrReportsItsAbsence() {
        World w;
        QTemporaryDir manuals;
        CApp::Environment env = w.Environment(w.data.path());
        env.manualFolder = manuals.path();
        w.app = std::make_unique<CApp>(env);
        QVERIFY(w.app->InitInstance({}));
        const QString manual = manuals.filePath("CorvaneLibrarianManualE.html");
        w.app->OnManual();
        QCOMPARE(w.notices, QStringList{"The manual could not be found:\n" + manual});
        Touch(manual);
        w.app->OnManual();
        QCOMPARE(w.opened, QStringList{manual});
        w.openSucceeds = false;
        w.app->OnManual();
        QCOMPARE(w.notices.back(), "The manual could not be opened:\n" + manual);
    }
};

QTEST_MAIN(AppTest_)
#include "app_test.moc"
