// Frames that remember their placement: the main window's rectangle and maximized flag, the
// file-version gate on the bar state, and the child windows' stored positions and commands.
#include "gp/mdi_child_ex.h"
#include "gp/mdi_frame_ex.h"
#include "gp/profile.h"
#include "gp/version_info.h"
#include "gp_test_support.h"

#include <QMdiArea>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QToolBar>
#include <climits>

namespace {

GP::CMDIChildWndEx* AddChild(GP::CMDIFrameWndEx& frame, int kind = 4107) {
    auto* child = new GP::CMDIChildWndEx(kind);
    child->setWidget(new QWidget);
    frame.MdiArea()->addSubWindow(child);
    return child;
}

} // namespace

class PlacementTest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void FirstStartUsesDefaultRectangle();
    void StoredRectangleAndMaximizedFlagAreUsed();
    void UnreadablePositionFallsBackToDefault();
    void ClosingAndDestructionWritePlacement();
    void BarStateOnlyFromTheSameFileVersion();
    void ChildWithoutStoredPositionIsLeftToTheSystem();
    void ChildTakesStoredPositionAndAvoidsCoincidingCorners();
    void SaveCurrentPositionWritesNormalRectangle();
    void MaximizeHeightAndWidth();

private:
    QTemporaryDir m_settings;
};

void PlacementTest::init() {
    UseTemporarySettings(m_settings);
}

void PlacementTest::FirstStartUsesDefaultRectangle() {
    GP::CMDIFrameWndEx frame;
    QVERIFY(!frame.LoadPlacement(QRect(0, 0, 800, 600)));
    QCOMPARE(QRect(frame.pos(), frame.size()), QRect(0, 0, 800, 600));
}

void PlacementTest::StoredRectangleAndMaximizedFlagAreUsed() {
    GP::WriteProfileString("Window", "Position", "10,20,650,500");
    GP::WriteProfileInt("Window", "Maximized", 1);
    GP::CMDIFrameWndEx frame;
    QVERIFY(frame.LoadPlacement(QRect(0, 0, 800, 600)));
    QCOMPARE(QRect(frame.pos(), frame.size()), QRect(10, 20, 640, 480));
}

void PlacementTest::UnreadablePositionFallsBackToDefault() {
    for (const char* stored : {"10,20,650", "a,b,c,d", "50,50,10,10", ""}) {
        GP::WriteProfileString("Window", "Position", QString::fromLatin1(stored));
        GP::CMDIFrameWndEx frame;
        frame.LoadPlacement(QRect(0, 0, 800, 600));
        QCOMPARE(QRect(frame.pos(), frame.size()), QRect(0, 0, 800, 600));
    }
}

void PlacementTest::ClosingAndDestructionWritePlacement() {
    {
        GP::CMDIFrameWndEx frame;
        frame.show();
        frame.move(30, 40);
        frame.resize(700, 500);
        frame.SaveStateOnClose();
    }
    QCOMPARE(GP::GetProfileString("Window", "Position"), QStringLiteral("30,40,730,540"));
    QCOMPARE(GP::GetProfileInt("Window", "Maximized", -1), 0);
    QCOMPARE(GP::GetProfileString("Version", "FileVersion"), GP::VersionString("FileVersion"));
    QVERIFY(!GP::GetProfileBinary("ControlBar", "State").isEmpty());
}

void PlacementTest::BarStateOnlyFromTheSameFileVersion() {
    auto makeFrame = [](GP::CMDIFrameWndEx& frame) {
        auto* bar = new QToolBar("Tool Bar", &frame);
        bar->setObjectName("ToolBar");
        frame.addToolBar(Qt::TopToolBarArea, bar);
        return bar;
    };
    {
        GP::CMDIFrameWndEx frame;
        QToolBar* bar = makeFrame(frame);
        frame.addToolBar(Qt::LeftToolBarArea, bar);
        frame.SaveStateOnClose();
    }
    {
        GP::CMDIFrameWndEx frame;
        QToolBar* bar = makeFrame(frame);
        QVERIFY(frame.LoadBarState());
        QCOMPARE(frame.toolBarArea(bar), Qt::LeftToolBarArea);
    }
    GP::WriteProfileString("Version", "FileVersion", "0.0.0-older");
    {
        GP::CMDIFrameWndEx frame;
        QToolBar* bar = makeFrame(frame);
        QVERIFY(!frame.LoadBarState());
        QCOMPARE(frame.toolBarArea(bar), Qt::TopToolBarArea);
    }
}

void PlacementTest::ChildWithoutStoredPositionIsLeftToTheSystem() {
    GP::CMDIFrameWndEx frame;
    GP::CMDIChildWndEx* child = AddChild(frame);
    QCOMPARE(child->PositionEntry(), QStringLiteral("Position4107"));
    QVERIFY(!child->ApplyStoredPlacement());
    GP::WriteProfileString("Window", "Position4107", GP::FormatFourInts(INT_MIN, INT_MIN, 0, 0));
    QVERIFY(!child->ApplyStoredPlacement());
}

void PlacementTest::ChildTakesStoredPositionAndAvoidsCoincidingCorners() {
    GP::WriteProfileString("Window", "Position4107", "15,25,400,300");
    GP::CMDIFrameWndEx frame;
    frame.resize(1000, 800);
    frame.show();
    std::vector<GP::CMDIChildWndEx*> children;
    for (int i = 0; i < 3; ++i) {
        GP::CMDIChildWndEx* child = AddChild(frame);
        QVERIFY(child->ApplyStoredPlacement());
        child->show();
        child->AvoidCoincidingCorners();
        children.push_back(child);
    }
    QCOMPARE(children[0]->geometry(), QRect(15, 25, 400, 300));
    QCOMPARE(children[1]->pos(), QPoint(25, 35));
    QCOMPARE(children[2]->pos(), QPoint(35, 45));
    QCOMPARE(children[2]->size(), QSize(400, 300));
    // Another kind has its own entry.
    GP::CMDIChildWndEx* other = AddChild(frame, 4200);
    QVERIFY(!other->ApplyStoredPlacement());
}

void PlacementTest::SaveCurrentPositionWritesNormalRectangle() {
    GP::CMDIFrameWndEx frame;
    frame.resize(1000, 800);
    frame.show();
    GP::CMDIChildWndEx* child = AddChild(frame);
    child->show();
    child->setGeometry(12, 34, 420, 260);
    child->SaveCurrentPosition();
    QCOMPARE(GP::GetProfileString("Window", "Position4107"), QStringLiteral("12,34,420,260"));
    child->showMaximized();
    child->SaveCurrentPosition();
    QCOMPARE(GP::GetProfileString("Window", "Position4107"), QStringLiteral("12,34,420,260"));
}

void PlacementTest::MaximizeHeightAndWidth() {
    GP::CMDIFrameWndEx frame;
    frame.resize(1000, 800);
    frame.show();
    QVERIFY(QTest::qWaitForWindowExposed(&frame));
    GP::CMDIChildWndEx* child = AddChild(frame);
    child->show();
    child->setGeometry(50, 60, 300, 200);
    const QRect area = frame.MdiArea()->viewport()->rect();
    child->MaximizeHeight();
    QCOMPARE(child->geometry(), QRect(50, 0, 300, area.height() - frame.MinimizedHeight()));
    child->setGeometry(50, 60, 300, 200);
    child->MaximizeWidth();
    QCOMPARE(child->geometry(), QRect(0, 60, area.width(), 200));
    child->showMinimized();
    QVERIFY(!child->CanMaximizePartly());
    const QRect minimized = child->geometry();
    child->MaximizeWidth();
    QCOMPARE(child->geometry(), minimized);
    child->showMaximized();
    QVERIFY(!child->CanMaximizePartly());
}

QTEST_MAIN(PlacementTest)
#include "placement_test.moc"
