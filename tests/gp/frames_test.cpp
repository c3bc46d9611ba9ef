// Frames and their settings (placement, bar state, child positions, the font), the window list,
// tiling, and the single-instance guard that hands a second start over.
#include "gp/font_ex.h"
#include "gp/mdi_child_ex.h"
#include "gp/mdi_frame_ex.h"
#include "gp/profile.h"
#include "gp/single_instance.h"
#include "gp/window_list.h"

#include <QFontDatabase>
#include <QMdiArea>
#include <QMenu>
#include <QSet>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QToolBar>

namespace {

const QRect kDefault(0, 0, 800, 600);

// A shown frame of this size, on the screen.
std::unique_ptr<GP::CMDIFrameWndEx> ShownFrame(int width = 1000, int height = 800) {
    auto frame = std::make_unique<GP::CMDIFrameWndEx>();
    frame->resize(width, height);
    frame->show();
    static_cast<void>(QTest::qWaitForWindowExposed(frame.get()));
    return frame;
}

GP::CMDIChildWndEx* AddChild(GP::CMDIFrameWndEx& frame, const QString& title = "C",
                             int kind = 4107) {
    auto* child = new GP::CMDIChildWndEx(kind);
    child->setWidget(new QWidget);
    child->setWindowTitle(title);
    frame.MdiArea()->addSubWindow(child);
    child->show();
    return child;
}

// The window list's entries, " [x]" after the checked one.
QStringList Texts(const GP::CMDIFrameWndEx& frame) {
    QStringList texts;
    for (const QAction* action : frame.WindowListMenu()->actions())
        texts << action->text() + (action->isChecked() ? QStringLiteral(" [x]") : QString());
    return texts;
}

// A frame with its tool bar in `area` saves its state, or loads it: (loaded?, the bar's area).
std::pair<bool, Qt::ToolBarArea> BarState(Qt::ToolBarArea area, bool save) {
    GP::CMDIFrameWndEx frame;
    auto* bar = new QToolBar("Tool Bar", &frame);
    bar->setObjectName("ToolBar");
    frame.addToolBar(area, bar);
    if (save)
        frame.SaveStateOnClose();
    const bool loaded = !save && frame.LoadBarState();
    return {loaded, frame.toolBarArea(bar)};
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
        const std::vector<std::pair<QString, QRect>> cases{
            {QString(), kDefault},     {"10,20,650,500", QRect(10, 20, 640, 480)},
            {"10,20,650", kDefault},   {"a,b,c,d", kDefault},
            {"50,50,10,10", kDefault}, {"1,2,300,400,5", kDefault}};
        for (const auto& [stored, expected] : cases) {
            QSettings().clear();
            if (!stored.isNull())
                GP::WriteProfileString("Window", "Position", stored);
            GP::CMDIFrameWndEx frame;
            QVERIFY(!frame.LoadPlacement(kDefault));
            QCOMPARE(QRect(frame.pos(), frame.size()), expected);
        }
        GP::WriteProfileInt("Window", "Maximized", 1);
        QVERIFY(GP::CMDIFrameWndEx().LoadPlacement(kDefault));
        {
            auto frame = ShownFrame(700, 500);
            frame->move(30, 40);
            frame->SaveStateOnClose();
        }
        QCOMPARE(GP::GetProfileString("Window", "Position"), QStringLiteral("30,40,730,540"));
        QCOMPARE(GP::GetProfileInt("Window", "Maximized", -1), 0);
    }

    void BarStateOnlyFromTheSameFileVersion() {
        BarState(Qt::LeftToolBarArea, true);
        QCOMPARE(BarState(Qt::TopToolBarArea, false), std::make_pair(true, Qt::LeftToolBarArea));
        GP::WriteProfileString("Version", "FileVersion", "0.0.0-older");
        QCOMPARE(BarState(Qt::TopToolBarArea, false), std::make_pair(false, Qt::TopToolBarArea));
    }

    void ChildTakesStoredPositionAndAvoidsCoincidingCorners() {
        auto frame = ShownFrame();
        QVERIFY(!AddChild(*frame)->ApplyStoredPlacement()); // left to the window system
        GP::WriteProfileString("Window", "Position4107", "15,25,400,300");
        std::vector<QRect> placed;
        for (int i = 0; i < 3; ++i) {
            GP::CMDIChildWndEx* child = AddChild(*frame);
            QVERIFY(child->ApplyStoredPlacement());
            child->AvoidCoincidingCorners();
            placed.push_back(child->geometry());
        }
        QCOMPARE(placed, (std::vector<QRect>{QRect(15, 25, 400, 300), QRect(25, 35, 400, 300),
                                             QRect(35, 45, 400, 300)}));
        QVERIFY(!AddChild(*frame, "C", 4200)->ApplyStoredPlacement()); // another kind
    }

    // Wherever a child would go, it ends fully inside the client area (when it fits there at
    // its minimum size), with its own top-left corner.
    void ChildrenStayInsideTheClientArea_data() {
        QTest::addColumn<QRect>("placed"); // where each child comes to lie first
        QTest::addColumn<int>("count");
        QTest::newRow("too large") << QRect(300, 200, 2000, 1500) << 1;
        QTest::newRow("off to the right") << QRect(5000, 5000, 400, 300) << 3;
        QTest::newRow("many alike") << QRect(0, 0, 700, 500) << 40;
    }

    void ChildrenStayInsideTheClientArea() {
        QFETCH(QRect, placed);
        QFETCH(int, count);
        auto frame = ShownFrame();
        const QRect area = frame->MdiArea()->viewport()->rect();
        QSet<std::pair<int, int>> corners;
        for (int i = 0; i < count; ++i) {
            GP::CMDIChildWndEx* child = AddChild(*frame);
            child->setMinimumSize(200, 150);
            child->setGeometry(placed);
            child->FitInClientArea();
            child->AvoidCoincidingCorners();
            QVERIFY2(area.contains(child->geometry()), qPrintable(QString::number(i)));
            QVERIFY(child->size() == placed.size().boundedTo(area.size()));
            corners.insert({child->x(), child->y()});
        }
        QCOMPARE(corners.size(), count);
    }

    void MaximizeHeightAndSavePosition() {
        auto frame = ShownFrame();
        GP::CMDIChildWndEx* child = AddChild(*frame);
        child->setGeometry(50, 60, 300, 200);
        const int height = frame->MdiArea()->viewport()->height() - frame->MinimizedHeight();
        child->MaximizeHeight();
        QCOMPARE(child->geometry(), QRect(50, 0, 300, height));
        // A maximized or minimized window stays as it is and saves its normal rectangle.
        child->showMaximized();
        QVERIFY(!child->CanMaximizePartly());
        child->SaveCurrentPosition();
        QCOMPARE(GP::GetProfileString("Window", "Position4107"),
                 QStringLiteral("50,0,300,%1").arg(height));
        child->showMinimized();
        const QRect minimized = child->geometry();
        child->MaximizeHeight();
        QCOMPARE(child->geometry(), minimized);
    }

    void FortyWindowsListThirtySix() {
        auto frame = ShownFrame();
        for (int i = 39; i >= 0; --i)
            AddChild(*frame, QStringLiteral("Song%1").arg(i, 2, 10, QChar(u'0')));
        frame->MdiArea()->setActiveSubWindow(frame->MdiArea()->subWindowList()[32]); // Song07
        frame->RebuildWindowList();
        const QStringList texts = Texts(*frame);
        QCOMPARE(texts.size(), 36);
        QCOMPARE(texts.mid(6, 5), (QStringList{"&6\tSong06", "&7\tSong07 [x]", "&8\tSong08",
                                               "&9\tSong09", "&A\tSong10"}));
        QCOMPARE(texts.back(), QStringLiteral("&Z\tSong35"));
        QCOMPARE(frame->WindowListMenu()->actions()[35]->data().toInt(),
                 GP::CMDIFrameWndEx::kFirstWindowListId + 35);
    }

    void WindowListPopsUpAndActivates() {
        auto frame = ShownFrame();
        frame->MoveToTop(); // without children nothing pops up
        QVERIFY(!frame->WindowListMenu()->isVisible());
        QMdiSubWindow* a = AddChild(*frame, "a");
        GP::CMDIChildWndEx* b = AddChild(*frame, "B");
        b->resize(300, 200);
        a->showMinimized();
        // A right click on the title bar pops the list up; one inside the content does not.
        const QPoint inside = b->widget()->geometry().center();
        for (const QPoint at : {inside, QPoint(b->width() / 2, b->widget()->y() / 2)}) {
            QContextMenuEvent click(QContextMenuEvent::Mouse, at, b->mapToGlobal(at));
            QApplication::sendEvent(b, &click);
            QTRY_COMPARE(frame->WindowListMenu()->isVisible(), at != inside);
        }
        frame->WindowListMenu()->actions().at(1)->trigger(); // "a": entries are in byte order
        frame->WindowListMenu()->hide();
        QVERIFY(!a->isMinimized());
        QCOMPARE(frame->MdiArea()->activeSubWindow(), a);
        frame->RebuildWindowList();
        QCOMPARE(Texts(*frame), (QStringList{"&0\tB", "&1\ta [x]"}));
    }

    void TilesAndArranges() {
        auto frame = ShownFrame(900, 700);
        const std::vector<QMdiSubWindow*> children{AddChild(*frame), AddChild(*frame),
                                                   AddChild(*frame)};
        const int w = frame->MdiArea()->viewport()->width(),
                  h = frame->MdiArea()->viewport()->height();
        frame->TileHorizontally();
        QCOMPARE(children[2]->geometry(), QRect(0, 2 * h / 3, w, h - 2 * h / 3));
        frame->TileVertically();
        QCOMPARE(children[1]->geometry(), QRect(w / 3, 0, 2 * w / 3 - w / 3, h));
        children[0]->showMinimized();
        children[2]->showMinimized();
        frame->ArrangeIcons();
        QCOMPARE(children[0]->geometry().bottomLeft(), QPoint(0, h - 1));
        QCOMPARE(children[2]->pos(), QPoint(children[0]->width(), children[0]->y()));
    }

    void FontKeepsItselfInTheSettings() {
        QFont chosen(QStringLiteral("DejaVu Sans"), -1, QFont::Bold, true);
        chosen.setPixelSize(17);
        chosen.setStrikeOut(true);
        GP::CFontEx font;
        font.SetFont(chosen);
        font.SetColor(QColor(10, 20, 30));
        font.Save("Option", "Font");
        // Height in pixels (negative), 3 × 0, weight, italic, underline, strike-out, character set
        QCOMPARE(GP::GetProfileString("Option", "FontAttribute"),
                 QStringLiteral("-17,0,0,0,700,1,0,1,1,0,0,0,0"));
        GP::CFontEx loaded;
        QVERIFY(loaded.Load("Option", "Font"));
        QCOMPARE(loaded.Font(), chosen);
        QCOMPARE(loaded.Color(), QColor(10, 20, 30));
        // Missing numbers count as zero; weight 0 means normal.
        GP::WriteProfileString("Option", "FontAttribute", "-15");
        QVERIFY(loaded.Load("Option", "Font"));
        QCOMPARE(loaded.Font().pixelSize(), 15);
        QVERIFY(loaded.Font().weight() == QFont::Normal && !loaded.Font().italic());
        for (const char* entry : {"FontAttribute", "FontFaceName"}) {
            GP::WriteProfileString("Option", entry, "");
            QVERIFY(!loaded.Load("Option", "Font"));
            QCOMPARE(loaded.Font(), QFontDatabase::systemFont(QFontDatabase::GeneralFont));
            QCOMPARE(loaded.Color(), QColor(Qt::black));
            GP::WriteProfileString("Option", "FontAttribute", "-15");
        }
    }

    void SecondStartHandsArgumentsOverAndFirstComesForward() {
        const QString name = QStringLiteral("corv-test-%1").arg(QCoreApplication::applicationPid());
        QWidget window;
        window.showMinimized();
        auto first = std::make_unique<GP::CMMF>(name);
        QVERIFY(first->Create({}) && first->IsFirstInstance());
        first->SetMainWindow(&window);
        QSignalSpy received(first.get(), &GP::CMMF::ArgumentsReceived);
        const QStringList arguments{"/home/me/My Song.prj", "two, three"};
        auto second = std::make_unique<GP::CMMF>(name);
        QVERIFY(!second->Create(arguments) && !second->IsFirstInstance());
        QTRY_COMPARE(received.size(), 1);
        QCOMPARE(received.front().front().toStringList(), arguments);
        QVERIFY(window.isVisible() && !window.isMinimized());
        // Once the first has ended, the next start is the first again.
        first.reset();
        GP::CMMF again(name);
        QVERIFY(again.Create({}) && again.IsFirstInstance());
    }

private:
    QTemporaryDir m_settings;
};

QTEST_MAIN(FramesTest)
#include "frames_test.moc"
