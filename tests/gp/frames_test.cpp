// The window library: placement, window list and the single-instance guard.
#include "gp/mdi_child_ex.h"
#include "gp/mdi_frame_ex.h"
#include "gp/profile.h"
#include "gp/single_instance.h"

#include <QMdiArea>
#include <QMenu>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

std::unique_ptr<GP::CMDIFrameWndEx> ShownFrame() {
    auto frame = std::make_unique<GP::CMDIFrameWndEx>();
    frame->resize(1000, 800);
    frame->show();
    static_cast<void>(QTest::qWaitForWindowExposed(frame.get()));
    return frame;
}

} // namespace

class FramesTest : public QObject {
    Q_OBJECT
private slots:
    void init() {
        QCoreApplication::setOrganizationName(QStringLiteral("Brisko"));
        QCoreApplication::setApplicationName(QStringLiteral("Corvane Librarian"));
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_settings.path());
        QSettings().clear();
    }

    void MainWindowPlacementIsStoredAndRead() {
        // Stored as left, top, right, bottom; anything unreadable gives the default.
        const QRect fallback(0, 0, 800, 600);
        for (const auto& [stored, expected] :
             {std::pair{QString("10,20,650,500"), QRect(10, 20, 640, 480)},
              {"10,20,650", fallback},
              {"50,50,10,10", fallback}}) {
            GP::WriteProfileString("Window", "Position", stored);
            GP::CMDIFrameWndEx frame;
            QVERIFY(!frame.LoadPlacement(fallback));
            QCOMPARE(QRect(frame.pos(), frame.size()), expected);
        }
        {
            auto frame = ShownFrame();
            frame->resize(700, 500);
            frame->move(30, 40);
            frame->SaveStateOnClose();
        }
        QCOMPARE(GP::GetProfileString("Window", "Position"), QStringLiteral("30,40,730,540"));
        QCOMPARE(GP::GetProfileInt("Window", "Maximized", -1), 0);
    }

    // At most 36 entries, numbered 0-9 and A-Z, in title order; choosing one restores it.
    void WindowListShowsThirtySixAndActivates() {
        auto frame = ShownFrame();
        for (int i = 39; i >= 0; --i) {
            auto* child = new GP::CMDIChildWndEx(4107);
            child->setWidget(new QWidget);
            child->setWindowTitle(QStringLiteral("Song%1").arg(i, 2, 10, QChar(u'0')));
            frame->MdiArea()->addSubWindow(child)->show();
        }
        frame->MdiArea()->setActiveSubWindow(frame->MdiArea()->subWindowList()[32]); // Song07
        frame->RebuildWindowList();
        const QList<QAction*> entries = frame->WindowListMenu()->actions();
        QCOMPARE(entries.size(), 36);
        QVERIFY(entries[7]->isChecked());
        QCOMPARE(entries[7]->text() + entries[10]->text() + entries[35]->text(),
                 "&7\tSong07&A\tSong10&Z\tSong35");
        QMdiSubWindow* song01 = frame->MdiArea()->subWindowList()[38];
        song01->showMinimized();
        frame->WindowListMenu()->actions().at(1)->trigger();
        QVERIFY(!song01->isMinimized());
        QCOMPARE(frame->MdiArea()->activeSubWindow(), song01);
    }

    // Tiling puts side by side as many children as keep their usable size across the tiling and
    // stacks the rest; without that limit all are side by side.
    void TilingNeverSqueezesBelowTheUsableSize() {
        // Children, their minimum width, and the x of each child after Tile Vertically.
        for (const auto& [count, minimum, lefts] : {std::tuple{3, 100, QList<int>{0, 333, 666}},
                                                    {3, 400, QList<int>{0, 0, 500}},
                                                    {4, 600, QList<int>{0, 0, 0, 0}}}) {
            auto frame = ShownFrame();
            for (int i = 0; i < count; ++i) {
                auto* child = new GP::CMDIChildWndEx(4107);
                child->setWidget(new QWidget);
                child->setMinimumSize(minimum, 50);
                frame->MdiArea()->addSubWindow(child)->show();
            }
            const QRect area = frame->MdiArea()->viewport()->rect();
            frame->TileVertically();
            QList<int> seen;
            for (QMdiSubWindow* child : frame->MdiArea()->subWindowList()) {
                seen << child->x() * 1000 / area.width();
                QVERIFY(child->width() >= minimum);
                QVERIFY(area.contains(child->geometry()));
            }
            QCOMPARE(seen, lefts);
        }
    }

    // A second start runs alone with another runtime folder or display, after a crash, when others
    // may enter the folder, or when the socket is another user's (then neither used nor replaced).
    void SecondStartMeetsTheFirstOnlyWhenSafe() {
        const QString name = QStringLiteral("Guard");
        // What happens after the first has started; the second's runtime folder and display;
        // where its socket then is and whether it listens.
        for (const auto& [between, runtime, display, folder, listens] :
             {std::tuple{"", "B", ":1", "B", true},
              {"", "A", ":2", "A", true},
              {"crash", "A", ":1", "A", true},
              {"chmod", "A", ":1", "tmp", true},
              {"chown", "A", ":1", "A", false}}) {
            if (QString(between) == "chown" && ::getuid() != 0)
                continue; // giving a socket to another user needs root
            QTemporaryDir root;
            for (const char* sub : {"A", "B", "tmp"})
                ::mkdir(QFile::encodeName(root.filePath(sub)).constData(), S_IRWXU);
            qputenv("TMPDIR", QFile::encodeName(root.filePath("tmp")));
            qputenv("XDG_RUNTIME_DIR", QFile::encodeName(root.filePath("A")));
            qputenv("DISPLAY", ":1");
            auto first = std::make_unique<GP::CMMF>(GP::CMMF::DefaultName(name));
            QVERIFY(first->Create({}) && first->IsListening());
            QSignalSpy received(first.get(), &GP::CMMF::ArgumentsReceived);
            const QByteArray socket = QFile::encodeName(first->SocketPath());
            if (QString(between) == "crash") { // its socket file stays behind, nobody listening
                first.reset();
                sockaddr_un address{};
                address.sun_family = AF_UNIX;
                std::copy(socket.begin(), socket.end(), address.sun_path);
                const int stale = ::socket(AF_UNIX, SOCK_STREAM, 0);
                QVERIFY(::bind(stale, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0);
                ::close(stale);
            } else if (QString(between) == "chmod") {
                QVERIFY(::chmod(QFile::encodeName(root.filePath("A")).constData(), 0755) == 0);
            } else if (QString(between) == "chown") {
                QVERIFY(::lchown(socket.constData(), 4242, 4242) == 0);
            }
            qputenv("XDG_RUNTIME_DIR", QFile::encodeName(root.filePath(runtime)));
            qputenv("DISPLAY", display);
            GP::CMMF second(GP::CMMF::DefaultName(name));
            QVERIFY(second.Create({"/music/My Song.prj"}));
            QVERIFY(QFileInfo(second.SocketPath()).path().startsWith(root.filePath(folder)));
            QCOMPARE(second.IsListening(), listens);
            QVERIFY(received.isEmpty());
        }
    }

private:
    QTemporaryDir m_settings;
};

QTEST_MAIN(FramesTest)
#include "frames_test.moc"
