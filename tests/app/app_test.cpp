// The application and its own windows: work folder, sinks, settings, command line, hand-over;
// message boxes, the progress window and Set Up Font.
#include "app_fixture.h"
#include "ui/font_setup.h"
#include "ui/message_box_sink.h"
#include "ui/progress_dialog.h"

#include <QApplication>
#include <QDialog>
#include <QMainWindow>
#include <QProgressBar>
#include <QPushButton>

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

    void StartMakesTheWorkFolderAndInstallsSinks() {
        const QString base = data.filePath("fresh/user/data"); // not there yet
        app = std::make_unique<CApp>(Environment(base));
        QVERIFY(app->InitInstance({}));
        const QString work = QDir(base).absoluteFilePath("Brisko/Corvane Librarian/CorvWork/");
        QVERIFY(app->WorkFolder() == work && QFileInfo(work).isDir());
        // Leaving empties only the work files of the work folder, and removes the sinks.
        for (const char* name : {"001 A.d00", "Kick.wav", "notes.txt", "002 T.p00", "Take.VPW"})
            Touch(QDir(work).filePath(name));
        app->ExitInstance();
        QCOMPARE(QDir(work).entryList(QDir::Files), QStringList{"notes.txt"});
        // A level that is a file cannot become a folder: start-up ends without a message.
        Reset();
        Touch(data.filePath("Brisko"));
        QVERIFY(!Start() && !app->ExitWork());
        QVERIFY(sink->Calls().empty());
    }

    void SettingsReadAtStartAndWrittenAtExit() {
        Corv::CDomain& domain = Corv::CDomain::Get();
        Started();
        domain.m_gridSw = domain.m_waveOption = domain.m_tnumOption = 1;
        CListFont::Get().Set(QFont(QStringLiteral("DejaVu Sans Mono")), QColor(200, 0, 50));
        app->ExitInstance();
        QCOMPARE(QSettings().value("Option/FontColor").toInt(), 200 | (50 << 16));
        Corv::CDomain::Reset();
        CListFont::Get().Set(QFont(), Qt::black);
        Started();
        QCOMPARE(Options(), (std::vector<std::uint32_t>{1, 1, 0, 1, 0}));
        QCOMPARE(CListFont::Get().Font().family(), QStringLiteral("DejaVu Sans Mono"));
    }

    // A relative path is taken from the starting folder and remembered whole, quotes, commas and
    // blanks in it too; a missing project ends start-up.
    void CommandLineOpensAProject() {
        QVERIFY(!Start({data.filePath("Missing.prj")}) && !app->ExitWork());
        QCOMPARE(sink->Errors(), std::vector<int>{Corv::kMsgLoadFailed});
        Reset();
        const QString folder = Project("My \"Best\", Live.prj");
        const QString previous = QDir::currentPath();
        QDir::setCurrent(data.path());
        const bool started = Start({"My \"Best\", Live.prj"});
        QDir::setCurrent(previous);
        QVERIFY(started);
        QCOMPARE(Docs().RecentFiles().Entries(), QStringList{folder});
    }

    // The second start makes no work folder of its own; the first opens the project and comes
    // forward.
    void SecondStartHandsItsProjectOverAndExits() {
        Started();
        Frame().showMinimized();
        QTemporaryDir secondData;
        {
            CApp second(Environment(secondData.path()));
            QVERIFY(!second.InitInstance({Project("Handed.prj")}));
            QVERIFY(second.ExitWork() && second.MainFrame() == nullptr);
            second.ExitInstance();
        }
        QVERIFY(QDir(secondData.path()).isEmpty());
        QTRY_COMPARE(Documents().size(), std::size_t(1));
        QCOMPARE(Documents().front()->Title(), QStringLiteral("Handed.prj"));
        QVERIFY(!Frame().isMinimized());
    }

    // While a modal window is up, a hand-over only raises the window.
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
        QVERIFY(Documents().empty());
        app->OnHandedOver({folder});
        QCOMPARE(Documents().size(), std::size_t(1));
    }

    void MessageBoxes() {
        std::unique_ptr<QMessageBox> box(CMessageBoxSink::CreateBox(nullptr, true, 3, 7));
        QCOMPARE(box->windowTitle() + ": " + box->text(),
                 "Corvane Librarian: Project already exists. Do you want to replace it?");
        QCOMPARE(box->standardButtons(), QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        // Every way of closing a question other than its buttons counts as Cancel.
        QCOMPARE(CMessageBoxSink::AnswerFor(QMessageBox::NoButton), int(Corv::kAnswerCancel));
        // A load that fails says why under the message, which stays as it was.
        box.reset(CMessageBoxSink::CreateErrorBox(nullptr, Corv::kMsgLoadFailed, "X.d00: bad"));
        QCOMPARE(box->text() + "|" + box->informativeText(),
                 QStringLiteral("This project could not be loaded.|X.d00: bad"));
    }

    // The progress window shows the outermost operation only and keeps the main window disabled
    // until it ends; Cancel counts only in a cancellable operation.
    void ProgressShowsTheOutermostOperationOnly() {
        QMainWindow main;
        main.show();
        CProgressBar progress(&main);
        progress.Begin(100, "Outer", false);
        progress.SetPosition(40);
        progress.Begin(10, "Inner", true);
        progress.SetPosition(9);
        progress.CancelButton()->click();
        QVERIFY(progress.Bar()->value() == 40 && !main.isEnabled() && !progress.IsCancelled());
        progress.End();
        progress.End();
        QVERIFY(progress.Window() == nullptr && main.isEnabled());
        progress.Begin(10, "Operation", true);
        progress.CancelButton()->click();
        QVERIFY(progress.IsCancelled() && progress.Window()->isVisible());
    }

    void FontChangeReachesEveryProject() {
        Started();
        app->OnFileNew();
        app->OnFileNew();
        const QFont font(QStringLiteral("DejaVu Serif"), 21);
        ApplyListFont(font, QColor(1, 2, 3));
        for (CFileDoc* document : Documents())
            for (int kind = 0; kind < 3; ++kind)
                QCOMPARE(Docs().FrameOf(*document)->View()->List(kind)->font(), font);
    }
};

QTEST_MAIN(AppTest_)
#include "app_test.moc"
