// The application object: the work folder and sinks, settings read at start and written at
// exit, the command line, the single-instance hand-over, deferred messages and the manual.
#include "app_fixture.h"
#include "ui/font_setup.h"

#include <QApplication>
#include <QDialog>

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
        QFont font(QStringLiteral("DejaVu Sans Mono"));
        font.setPixelSize(19);
        CListFont::Get().Set(font, QColor(200, 0, 50));
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
        QCOMPARE(CListFont::Get().Color(), QColor(200, 0, 50));
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
        QCOMPARE(Documents().size(), std::size_t(1));
        QCOMPARE(Documents().front()->Data().Patches().Item(0).Name(), std::string("Lead"));
        QCOMPARE(QString::fromStdString(Documents().front()->Data().ProjectFolder()),
                 folder + u'/');
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
};

QTEST_MAIN(AppTest_)
#include "app_test.moc"
