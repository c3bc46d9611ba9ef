// The application object: start-up order and failures, the work folder, settings written at
// exit and read at start, the single-instance hand-over, deferred messages and the manual.
#include "app/file_doc.h"
#include "app_fixture.h"
#include "support/project_builder.h"
#include "ui/font_setup.h"
#include "ui/main_frame.h"

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTest>

using namespace AppTest;

namespace {

void Touch(const QString& path) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("x");
}

QString MakeProject(const QTemporaryDir& dir, const QString& name) {
    const QString folder = dir.filePath(name);
    CorvTest::ProjectBuilder(folder.toStdString())
        .Patch(1, "Lead", 1)
        .Tone(1, "Pad", {1})
        .Wave(1, "Sine", 64);
    return folder;
}

} // namespace

class AppTest_ : public QObject {
    Q_OBJECT
private slots:
    void init();
    void StartCreatesWorkFolderLevelByLevel();
    void StartFindsExistingWorkFolder();
    void SinksInstalledAndReleased();
    void AbsentSettingsReadAsZero();
    void SettingsWrittenAtExitAndReadAtStart();
    void ExitEmptiesOnlyWorkFiles();
    void CommandLineProjectOpens();
    void RelativeCommandLinePathIsRememberedWhole();
    void CommandLineProjectThatFailsEndsStartUp();
    void SeveralPlainParametersOpenNothing();
    void SecondStartHandsItsProjectOverAndExits();
    void HandOverWhileBusyOnlyRaises();
    void DeferredMessageShownWhenIdle();
    void ManualOpensOrReportsItsAbsence();
    void LanguageLetter();

private:
    Script m_script;
    QTemporaryDir m_settings;
    QTemporaryDir m_data;
};

void AppTest_::init() {
    ResetProcessState(m_settings);
    m_script = Script();
    QDir(m_data.path()).removeRecursively();
    QDir().mkpath(m_data.path());
}

void AppTest_::StartCreatesWorkFolderLevelByLevel() {
    const QString base = m_data.filePath("fresh/user/data"); // not there yet
    CApp app(ScriptedEnvironment(m_script, base, InstanceName("work")));
    QVERIFY(app.InitInstance({}));
    const QString expected =
        QDir(base).absoluteFilePath("Brisko/Corvane Librarian/CorvWork") + u'/';
    QCOMPARE(app.WorkFolder(), expected);
    QVERIFY(QFileInfo(expected).isDir());
    QCOMPARE(QString::fromStdString(Corv::CDomain::Get().m_workFolder), expected);
    QCOMPARE(QString::fromStdString(Corv::CDomain::Get().m_pathSeparator), QStringLiteral("/"));
    app.ExitInstance();
}

void AppTest_::StartFindsExistingWorkFolder() {
    QDir().mkpath(m_data.filePath("Brisko/Corvane Librarian/CorvWork"));
    Touch(m_data.filePath("Brisko/Corvane Librarian/CorvWork/keep.txt"));
    CApp app(ScriptedEnvironment(m_script, m_data.path(), InstanceName("again")));
    QVERIFY(app.InitInstance({}));
    QVERIFY(QFile::exists(m_data.filePath("Brisko/Corvane Librarian/CorvWork/keep.txt")));
    app.ExitInstance();
    // A level that is a file cannot become a folder: start-up ends without a message.
    QTemporaryDir blocked;
    Touch(blocked.filePath("Brisko"));
    CApp other(ScriptedEnvironment(m_script, blocked.path(), InstanceName("blocked")));
    QVERIFY(!other.InitInstance({}));
    QVERIFY(!other.ExitWork());
    QVERIFY(m_script.sink->Calls().empty());
}

void AppTest_::SinksInstalledAndReleased() {
    CApp app(ScriptedEnvironment(m_script, m_data.path(), InstanceName("sinks")));
    QVERIFY(app.InitInstance({}));
    Corv::CDomain& domain = Corv::CDomain::Get();
    QVERIFY(domain.MessageSink() != nullptr);
    QVERIFY(domain.TextBuffer() != nullptr);
    domain.ShowError(Corv::kMsgSaveFailed);
    QCOMPARE(m_script.sink->Errors(), std::vector<int>{Corv::kMsgSaveFailed});
    app.ExitInstance();
    QVERIFY(domain.MessageSink() == nullptr);
    QVERIFY(domain.TextBuffer() == nullptr);
}

void AppTest_::AbsentSettingsReadAsZero() {
    Corv::CDomain& domain = Corv::CDomain::Get();
    domain.m_gridSw = domain.m_waveOption = domain.m_toneOption = domain.m_tnumOption =
        domain.m_pnumOption = 1;
    CApp app(ScriptedEnvironment(m_script, m_data.path(), InstanceName("zero")));
    QVERIFY(app.InitInstance({}));
    QCOMPARE(domain.m_gridSw, 0u);
    QCOMPARE(domain.m_waveOption, 0u);
    QCOMPARE(domain.m_toneOption, 0u);
    QCOMPARE(domain.m_tnumOption, 0u);
    QCOMPARE(domain.m_pnumOption, 0u);
    app.ExitInstance();
}

void AppTest_::SettingsWrittenAtExitAndReadAtStart() {
    QFont font(QStringLiteral("DejaVu Sans Mono"));
    font.setPixelSize(19);
    {
        CApp app(ScriptedEnvironment(m_script, m_data.path(), InstanceName("write")));
        QVERIFY(app.InitInstance({}));
        Corv::CDomain& domain = Corv::CDomain::Get();
        domain.m_gridSw = 1;
        domain.m_waveOption = 1;
        domain.m_tnumOption = 1;
        CListFont::Get().Set(font, QColor(200, 0, 50));
        // Nothing is written before exit.
        QVERIFY(!QSettings().contains("Option/GridSw"));
        app.ExitInstance();
    }
    QSettings settings;
    QCOMPARE(settings.value("Option/GridSw").toInt(), 1);
    QCOMPARE(settings.value("Option/WaveOption").toInt(), 1);
    QCOMPARE(settings.value("Option/ToneOption").toInt(), 0);
    QCOMPARE(settings.value("Option/TnumOption").toInt(), 1);
    QCOMPARE(settings.value("Option/PnumOption").toInt(), 0);
    QCOMPARE(settings.value("Option/FontFaceName").toString(), QStringLiteral("DejaVu Sans Mono"));
    QCOMPARE(settings.value("Option/FontColor").toInt(), 200 | (50 << 16));

    Corv::CDomain::Reset();
    CListFont::Get().Set(QFont(), Qt::black);
    CApp app(ScriptedEnvironment(m_script, m_data.path(), InstanceName("read")));
    QVERIFY(app.InitInstance({}));
    Corv::CDomain& domain = Corv::CDomain::Get();
    QCOMPARE(domain.m_gridSw, 1u);
    QCOMPARE(domain.m_waveOption, 1u);
    QCOMPARE(domain.m_toneOption, 0u);
    QCOMPARE(domain.m_tnumOption, 1u);
    QCOMPARE(CListFont::Get().Font().family(), QStringLiteral("DejaVu Sans Mono"));
    QCOMPARE(CListFont::Get().Font().pixelSize(), 19);
    QCOMPARE(CListFont::Get().Color(), QColor(200, 0, 50));
    app.ExitInstance();
}

void AppTest_::ExitEmptiesOnlyWorkFiles() {
    CApp app(ScriptedEnvironment(m_script, m_data.path(), InstanceName("empty")));
    QVERIFY(app.InitInstance({}));
    const QDir work(app.WorkFolder());
    for (const char* name :
         {"001 A.d00", "Kick.wav", "Loop.aif", "notes.txt", "002 T.p00", "Take.VPW"})
        Touch(work.filePath(QString::fromLatin1(name)));
    work.mkdir("sub");
    Touch(work.filePath("sub/003 B.d00"));
    app.ExitInstance();
    QCOMPARE(work.entryList(QDir::Files), QStringList{"notes.txt"});
    QVERIFY(QFile::exists(work.filePath("sub/003 B.d00")));
    QVERIFY(m_script.sink->Calls().empty());
}

void AppTest_::CommandLineProjectOpens() {
    const QString folder = MakeProject(m_data, "Live Set.prj");
    CApp app(ScriptedEnvironment(m_script, m_data.path(), InstanceName("cmd")));
    QVERIFY(app.InitInstance({folder}));
    const auto documents = app.Documents().Documents();
    QCOMPARE(documents.size(), std::size_t(1));
    QCOMPARE(documents.front()->Title(), QStringLiteral("Live Set.prj"));
    QCOMPARE(documents.front()->Data().Patches().Item(0).Name(), std::string("Lead"));
    app.ExitInstance();
}

void AppTest_::RelativeCommandLinePathIsRememberedWhole() {
    const QString folder = MakeProject(m_data, "Here.prj");
    const QString previous = QDir::currentPath();
    QDir::setCurrent(m_data.path());
    CApp app(ScriptedEnvironment(m_script, m_data.path(), InstanceName("relative")));
    const bool started = app.InitInstance({"Here.prj"});
    QDir::setCurrent(previous);
    QVERIFY(started);
    QCOMPARE(app.Documents().RecentFiles().Entries(), QStringList{folder});
    QCOMPARE(QString::fromStdString(app.Documents().Documents().front()->Data().ProjectFolder()),
             folder + u'/');
    app.ExitInstance();
}

void AppTest_::CommandLineProjectThatFailsEndsStartUp() {
    CApp app(ScriptedEnvironment(m_script, m_data.path(), InstanceName("cmdfail")));
    QVERIFY(!app.InitInstance({m_data.filePath("Missing.prj")}));
    QCOMPARE(m_script.sink->Errors(), std::vector<int>{Corv::kMsgLoadFailed});
    QVERIFY(app.Documents().Documents().empty());
    QVERIFY(!app.ExitWork());
}

void AppTest_::SeveralPlainParametersOpenNothing() {
    const QString a = MakeProject(m_data, "A.prj");
    const QString b = MakeProject(m_data, "B.prj");
    CApp app(ScriptedEnvironment(m_script, m_data.path(), InstanceName("two")));
    QVERIFY(app.InitInstance({a, b}));
    QVERIFY(app.Documents().Documents().empty());
    app.ExitInstance();
}

void AppTest_::SecondStartHandsItsProjectOverAndExits() {
    const QString folder = MakeProject(m_data, "Handed.prj");
    const QString name = InstanceName("single");
    CApp first(ScriptedEnvironment(m_script, m_data.path(), name));
    QVERIFY(first.InitInstance({}));
    QSettings().setValue("Option/GridSw", 7);
    Corv::CDomain::Get().m_gridSw = 0;

    Script secondScript;
    QTemporaryDir secondData;
    {
        CApp second(ScriptedEnvironment(secondScript, secondData.path(), name));
        QVERIFY(!second.InitInstance({folder}));
        QVERIFY(second.ExitWork());
        QVERIFY(second.MainFrame() == nullptr);
        second.ExitInstance();
    }
    // The second start changed nothing: no work folder, no settings written.
    QVERIFY(!QFileInfo::exists(QDir(secondData.path()).filePath("Brisko")));
    QCOMPARE(QSettings().value("Option/GridSw").toInt(), 7);
    // The first one opened the project it was handed.
    QTRY_COMPARE(first.Documents().Documents().size(), std::size_t(1));
    QCOMPARE(first.Documents().Documents().front()->Title(), QStringLiteral("Handed.prj"));
    first.ExitInstance();
}

void AppTest_::HandOverWhileBusyOnlyRaises() {
    const QString folder = MakeProject(m_data, "Busy.prj");
    const QString name = InstanceName("busy");
    CApp first(ScriptedEnvironment(m_script, m_data.path(), name));
    QVERIFY(first.InitInstance({}));
    QDialog modal(first.MainFrame());
    modal.setWindowModality(Qt::ApplicationModal);
    modal.show();
    QTRY_VERIFY(QApplication::activeModalWidget() == &modal);
    first.OnHandedOver({folder});
    QVERIFY(first.Documents().Documents().empty());
    modal.hide();
    QTRY_VERIFY(QApplication::activeModalWidget() == nullptr);
    first.MainFrame()->setEnabled(false); // a long operation runs
    first.OnHandedOver({folder});
    QVERIFY(first.Documents().Documents().empty());
    first.MainFrame()->setEnabled(true);
    first.OnHandedOver({folder});
    QCOMPARE(first.Documents().Documents().size(), std::size_t(1));
    first.ExitInstance();
}

void AppTest_::DeferredMessageShownWhenIdle() {
    CApp app(ScriptedEnvironment(m_script, m_data.path(), InstanceName("idle")));
    QVERIFY(app.InitInstance({}));
    Corv::CDomain::Get().TextBuffer()->SetDeferredMessage(Corv::kMsgWaveSpace);
    QVERIFY(m_script.sink->Calls().empty());
    QTRY_COMPARE(m_script.sink->Errors(), std::vector<int>{Corv::kMsgWaveSpace});
    QCOMPARE(Corv::CDomain::Get().TextBuffer()->DeferredMessage(), 0);
    QTest::qWait(50);
    QCOMPARE(m_script.sink->Errors().size(), std::size_t(1)); // shown once
    app.ExitInstance();
}

void AppTest_::ManualOpensOrReportsItsAbsence() {
    QTemporaryDir manuals;
    CApp::Environment env = ScriptedEnvironment(m_script, m_data.path(), InstanceName("manual"));
    env.manualFolder = manuals.path();
    CApp app(env);
    QVERIFY(app.InitInstance({}));
    const QString expected = QDir(manuals.path()).filePath("CorvaneLibrarianManualE.html");
    QCOMPARE(app.ManualPath(), expected);
    app.OnManual();
    QVERIFY(m_script.opened.isEmpty());
    QCOMPARE(m_script.notices.size(), 1);
    QVERIFY(m_script.notices.front().contains("manual could not be found"));
    QVERIFY(m_script.notices.front().contains("CorvaneLibrarianManualE.html"));

    Touch(expected);
    app.OnManual();
    QCOMPARE(m_script.opened, QStringList{expected});
    QCOMPARE(m_script.notices.size(), 1);
    m_script.openSucceeds = false;
    app.OnManual();
    QCOMPARE(m_script.notices.size(), 2);
    QVERIFY(m_script.notices.back().contains("could not be opened"));
    app.ExitInstance();
}

void AppTest_::LanguageLetter() {
    CApp app(ScriptedEnvironment(m_script, m_data.path(), InstanceName("lang")));
    QVERIFY(app.InitInstance({}));
    const bool japanese = QLocale::system().language() == QLocale::Japanese;
    QCOMPARE(app.LanguageLetter(), japanese ? QStringLiteral("J") : QStringLiteral("E"));
    app.ExitInstance();
}

QTEST_MAIN(AppTest_)
#include "app_test.moc"
