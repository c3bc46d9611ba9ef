// The windows on the screen: the main window of a first start, where project windows open,
// Cascade keeping every project usable, and the background double click fitting a window.
#include "app_fixture.h"
#include "gp/anchor_layout.h"
#include "ui/file_view.h"
#include "ui/parameter_list.h"

#include <QGuiApplication>
#include <QScreen>
#include <QSet>

class WindowsOnScreenTest : public QObject, public AppTest::World {
    Q_OBJECT
private:
    // Opens `count` projects in a main window of this size.
    void OpenProjects(int count, QSize size = QSize(1200, 860)) {
        Frame().resize(size);
        QVERIFY(QTest::qWaitForWindowExposed(&Frame()));
        for (int i = 0; i < count; ++i)
            QVERIFY(Open(QStringLiteral("P%1.prj").arg(i)) != nullptr);
    }
    QList<CFileFrame*> Frames() {
        QList<CFileFrame*> frames;
        for (QMdiSubWindow* child : Frame().MdiArea()->subWindowList())
            frames << qobject_cast<CFileFrame*>(child);
        return frames;
    }

private slots:
    void init() { Reset(); }

    void FirstStartFillsMostOfTheScreen() {
        Started();
        const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
        const QRect placed(Frame().pos(), Frame().size());
        QVERIFY(screen.contains(placed));
        QVERIFY(placed.width() >= screen.width() * 8 / 10 &&
                placed.height() >= screen.height() * 8 / 10);
    }

    // New project windows open inside the client area, each with its own corner, whether the
    // platform places them or a stored placement does (even one larger than the area).
    void ProjectWindowsOpenInside_data() {
        QTest::addColumn<QString>("stored");
        QTest::newRow("platform's placement") << "";
        QTest::newRow("stored, too large") << "200,100,3000,2000";
        QTest::newRow("stored, far off") << "4000,3000,800,400";
    }

    void ProjectWindowsOpenInside() {
        QFETCH(QString, stored);
        if (!stored.isEmpty())
            QSettings().setValue("Window/Position4107", stored);
        Started();
        OpenProjects(6);
        const QRect area = Frame().MdiArea()->viewport()->rect();
        QSet<std::pair<int, int>> corners;
        for (CFileFrame* frame : Frames()) {
            QVERIFY2(area.contains(frame->geometry()), qPrintable(frame->windowTitle()));
            corners.insert({frame->x(), frame->y()});
        }
        QCOMPARE(corners.size(), stored.startsWith("200") ? 1 : 6); // a full-size one: one place
    }

    // After Cascade every list of every project window shows at least 12 rows.
    void CascadeKeepsTwelveRows_data() {
        QTest::addColumn<int>("count");
        QTest::newRow("three") << 3;
        QTest::newRow("twenty") << 20;
    }

    void CascadeKeepsTwelveRows() {
        QFETCH(int, count);
        Started();
        OpenProjects(count);
        Frames().front()->showMaximized();
        QMdiSubWindow* active = Frame().MdiArea()->activeSubWindow();
        Frame().Action(Cmd::kCascade)->trigger();
        QCOMPARE(Frame().MdiArea()->subWindowList(QMdiArea::StackingOrder).back(), active);
        const QRect area = Frame().MdiArea()->viewport()->rect();
        QSet<std::pair<int, int>> corners;
        for (CFileFrame* frame : Frames()) {
            QVERIFY(area.contains(frame->geometry()) && !frame->isMaximized());
            corners.insert({frame->x(), frame->y()});
            for (int kind = 0; kind < 3; ++kind) {
                const CParameterListCtrl* list = frame->View()->List(kind);
                QVERIFY2(
                    list->viewport()->height() >= CMainFrame::kUsableRows * list->rowHeight(0),
                    qPrintable(QStringLiteral("%1 list %2").arg(frame->windowTitle()).arg(kind)));
            }
        }
        QCOMPARE(corners.size(), count);
    }

    // A double click on a project window's background fits it to its form; on a list, or
    // while the window is maximized, nothing happens.
    void BackgroundDoubleClickFitsTheWindow() {
        Started();
        OpenProjects(1);
        CFileFrame* frame = Frames().front();
        frame->resize(1000, 600);
        CFileView* view = frame->View();
        const QPoint background(1, view->height() / 2);
        QVERIFY(view->childAt(background) == nullptr);
        const QSize form = GP::TemplateSizeOf(*view);
        QVERIFY(form.isValid());
        QTest::mouseDClick(view->List(0)->viewport(), Qt::LeftButton, {}, QPoint(5, 5));
        QCOMPARE(frame->size(), QSize(1000, 600));
        const QSize expected =
            (frame->size() + form - view->size()).expandedTo(frame->minimumSize());
        QTest::mouseDClick(view, Qt::LeftButton, {}, background);
        QCOMPARE(frame->size(), expected);
        frame->showMaximized();
        const QSize maximized = frame->size();
        QTest::mouseDClick(view, Qt::LeftButton, {}, QPoint(1, view->height() / 2));
        QCOMPARE(frame->size(), maximized);
    }
};

QTEST_MAIN(WindowsOnScreenTest)
#include "windows_on_screen_test.moc"
