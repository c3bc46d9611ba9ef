// The window list of the Window menu and Move to Top: sorting, the 36-entry limit, mnemonics,
// the check on the active window, activation, and the frame's tiling commands.
#include "gp/mdi_child_ex.h"
#include "gp/mdi_frame_ex.h"
#include "gp/window_list.h"

#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QTest>

class WindowListTest : public QObject {
    Q_OBJECT
private slots:
    void SortsByteWiseAndChecksActive();
    void FortyWindowsShowThirtySix();
    void FrameListsChildrenWithIdsAndCheck();
    void ChoosingAnEntryRestoresAndActivates();
    void MoveToTopPopsUpTheList();
    void RightClickOnTitleBarPopsUpTheList();
    void TilesAndArranges();
};

void WindowListTest::SortsByteWiseAndChecksActive() {
    // Upper case sorts before lower case, as bytes do.
    const std::vector<QString> titles{"beta ", "Alpha *", "alpha ", "Gamma "};
    const auto entries = GP::BuildWindowList(titles, 2);
    QCOMPARE(entries.size(), std::size_t(4));
    QCOMPARE(entries[0].text, QStringLiteral("&0\tAlpha *"));
    QCOMPARE(entries[1].text, QStringLiteral("&1\tGamma "));
    QCOMPARE(entries[2].text, QStringLiteral("&2\talpha "));
    QCOMPARE(entries[3].text, QStringLiteral("&3\tbeta "));
    QCOMPARE(entries[2].window, 2);
    for (const auto& entry : entries)
        QCOMPARE(entry.checked, entry.window == 2);
    QVERIFY(GP::BuildWindowList({}, -1).empty());
}

void WindowListTest::FortyWindowsShowThirtySix() {
    std::vector<QString> titles;
    for (int i = 39; i >= 0; --i)
        titles.push_back(QStringLiteral("P%1").arg(i, 2, 10, QChar(u'0')));
    const auto entries = GP::BuildWindowList(titles, 0);
    QCOMPARE(entries.size(), std::size_t(36));
    QCOMPARE(entries.front().text, QStringLiteral("&0\tP00"));
    QCOMPARE(entries[9].text, QStringLiteral("&9\tP09"));
    QCOMPARE(entries[10].text, QStringLiteral("&A\tP10"));
    QCOMPARE(entries.back().text, QStringLiteral("&Z\tP35"));
}

void WindowListTest::FrameListsChildrenWithIdsAndCheck() {
    GP::CMDIFrameWndEx frame;
    frame.resize(900, 700);
    frame.show();
    std::vector<QMdiSubWindow*> children;
    for (int i = 0; i < 40; ++i) {
        auto* child = frame.MdiArea()->addSubWindow(new QWidget);
        child->setWindowTitle(QStringLiteral("Song%1.prj ").arg(i, 2, 10, QChar(u'0')));
        child->show();
        children.push_back(child);
    }
    frame.MdiArea()->setActiveSubWindow(children[7]);
    frame.RebuildWindowList();
    const QList<QAction*> actions = frame.WindowListMenu()->actions();
    QCOMPARE(actions.size(), 36);
    for (int i = 0; i < actions.size(); ++i) {
        QCOMPARE(actions[i]->data().toInt(), GP::CMDIFrameWndEx::kFirstWindowListId + i);
        QCOMPARE(actions[i]->isChecked(), i == 7);
        QCOMPARE(actions[i]->text(), GP::WindowListMnemonic(i) + u'\t' +
                                         children[static_cast<std::size_t>(i)]->windowTitle());
    }
}

void WindowListTest::ChoosingAnEntryRestoresAndActivates() {
    GP::CMDIFrameWndEx frame;
    frame.resize(900, 700);
    frame.show();
    QVERIFY(QTest::qWaitForWindowExposed(&frame));
    auto* a = frame.MdiArea()->addSubWindow(new QWidget);
    a->setWindowTitle("A");
    a->show();
    auto* b = frame.MdiArea()->addSubWindow(new QWidget);
    b->setWindowTitle("B");
    b->show();
    frame.MdiArea()->setActiveSubWindow(b);
    a->showMinimized();
    frame.RebuildWindowList();
    frame.WindowListMenu()->actions().at(0)->trigger(); // "A"
    QVERIFY(!a->isMinimized());
    QCOMPARE(frame.MdiArea()->activeSubWindow(), a);
    frame.RebuildWindowList();
    QVERIFY(frame.WindowListMenu()->actions().at(0)->isChecked());
    QVERIFY(!frame.WindowListMenu()->actions().at(1)->isChecked());
}

void WindowListTest::MoveToTopPopsUpTheList() {
    GP::CMDIFrameWndEx frame;
    frame.resize(600, 400);
    frame.show();
    frame.MoveToTop(); // no children: nothing pops up
    QVERIFY(!frame.WindowListMenu()->isVisible());
    auto* a = frame.MdiArea()->addSubWindow(new QWidget);
    a->setWindowTitle("A");
    a->show();
    frame.MoveToTop();
    QTRY_VERIFY(frame.WindowListMenu()->isVisible());
    QCOMPARE(frame.WindowListMenu()->actions().size(), 1);
    frame.WindowListMenu()->hide();
}

void WindowListTest::RightClickOnTitleBarPopsUpTheList() {
    GP::CMDIFrameWndEx frame;
    frame.resize(600, 400);
    frame.show();
    QVERIFY(QTest::qWaitForWindowExposed(&frame));
    auto* child = new GP::CMDIChildWndEx(4107);
    child->setWidget(new QWidget);
    child->setWindowTitle("A");
    frame.MdiArea()->addSubWindow(child);
    child->resize(300, 200);
    child->show();
    // The title bar lies above the content widget.
    const QPoint onTitle(child->width() / 2, child->widget()->geometry().top() / 2);
    QContextMenuEvent titleClick(QContextMenuEvent::Mouse, onTitle, child->mapToGlobal(onTitle));
    QApplication::sendEvent(child, &titleClick);
    QTRY_VERIFY(frame.WindowListMenu()->isVisible());
    frame.WindowListMenu()->hide();
    // Inside the content the frame shows nothing of its own.
    const QPoint inside = child->widget()->geometry().center();
    QContextMenuEvent contentClick(QContextMenuEvent::Mouse, inside, child->mapToGlobal(inside));
    QApplication::sendEvent(child, &contentClick);
    QVERIFY(!frame.WindowListMenu()->isVisible());
}

void WindowListTest::TilesAndArranges() {
    GP::CMDIFrameWndEx frame;
    frame.resize(900, 700);
    frame.show();
    QVERIFY(QTest::qWaitForWindowExposed(&frame));
    std::vector<QMdiSubWindow*> children;
    for (int i = 0; i < 3; ++i) {
        auto* child = frame.MdiArea()->addSubWindow(new QWidget);
        child->show();
        children.push_back(child);
    }
    const QRect area = frame.MdiArea()->viewport()->rect();
    frame.TileHorizontally();
    for (std::size_t i = 0; i < 3; ++i) {
        QCOMPARE(children[i]->width(), area.width());
        QCOMPARE(children[i]->y(), area.height() * static_cast<int>(i) / 3);
    }
    frame.TileVertically();
    for (std::size_t i = 0; i < 3; ++i) {
        QCOMPARE(children[i]->height(), area.height());
        QCOMPARE(children[i]->x(), area.width() * static_cast<int>(i) / 3);
    }
    children[0]->showMinimized();
    children[2]->showMinimized();
    frame.ArrangeIcons();
    QCOMPARE(children[0]->y() + children[0]->height(), area.height());
    QCOMPARE(children[2]->y(), children[0]->y());
    QCOMPARE(children[0]->x(), 0);
    QCOMPARE(children[2]->x(), children[0]->width());
}

QTEST_MAIN(WindowListTest)
#include "window_list_test.moc"
