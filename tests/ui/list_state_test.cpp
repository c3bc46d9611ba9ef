// The lists' state as the user sees and acts on it: the navigation keys move the focus and the
// selection together, the current cell is framed, linked rows are drawn apart from a selection
// of the user's own, and no stale link survives Delete, Clean and Undo.
#include "ui/list_delegate.h"
#include "ui/parameter_list_model.h"
#include "ui_fixture.h"

#include <QApplication>
#include <QImage>
#include <QSignalSpy>
#include <QTest>

using CorvUiTest::Rows;

namespace {

Rows Span(int first, int last) {
    Rows rows;
    for (int row = first; row <= last; ++row)
        rows.push_back(row);
    return rows;
}

bool RowInView(const CParameterListCtrl& list, int row) {
    const QRect rect = list.visualRect(list.model()->index(row, 0));
    return rect.top() >= 0 && rect.bottom() < list.viewport()->height();
}

} // namespace

class ListStateTest : public QObject {
    Q_OBJECT
    std::unique_ptr<CorvUiTest::World> m_world;
    std::unique_ptr<CFileView> m_view;

    CParameterListCtrl& List(int kind) const { return *m_view->List(kind); }
    Corv::CLumData& Data() const { return m_view->Document().Data(); }
    void Click(CParameterListCtrl& list, int row, Qt::KeyboardModifiers keys = {}) {
        QTest::mouseClick(list.viewport(), Qt::LeftButton, keys,
                          CorvUiTest::CellCentre(list, row, 1));
    }
    QImage Picture(const CParameterListCtrl& list) const {
        QImage image(list.viewport()->size(), QImage::Format_ARGB32);
        list.viewport()->render(&image);
        return image;
    }
    // The colour inside a cell, away from its text and frame.
    static QColor Ground(const QImage& image, const CParameterListCtrl& list, int row, int column) {
        const QRect cell = list.visualRect(list.model()->index(row, column));
        return image.pixelColor(cell.right() - 1, cell.top() + 1);
    }

private slots:
    void init() {
        m_world = std::make_unique<CorvUiTest::World>();
        m_view = m_world->Show(m_world->OpenSong("Song"));
        QApplication::setActiveWindow(m_view.get());
        QVERIFY(QTest::qWaitForWindowActive(m_view.get()));
    }
    void cleanup() {
        m_view.reset();
        m_world.reset();
    }

    void navigationKeysMoveFocusAndSelectionTogether() {
        CParameterListCtrl& patches = List(0);
        Click(patches, 1); // Pad
        const int page = patches.viewport()->height() / patches.rowHeight(0) - 1;
        // A key with its modifiers; the focused row and the selection after it.
        const std::tuple<int, Qt::KeyboardModifiers, int, Rows> steps[] = {
            {Qt::Key_Down, Qt::ControlModifier, 2, {2}},
            {Qt::Key_End, Qt::ControlModifier, 511, {511}},
            {Qt::Key_Home, {}, 0, {0}},
            {Qt::Key_End, {}, 511, {511}},
            {Qt::Key_Home, Qt::ControlModifier, 0, {0}},
            {Qt::Key_Up, {}, 0, {0}}, // at the top the row stays selected
            {Qt::Key_Down, {}, 1, {1}},
            {Qt::Key_Down, Qt::ShiftModifier, 2, {1, 2}},
            {Qt::Key_End, Qt::ShiftModifier | Qt::ControlModifier, 511, Span(1, 511)},
            {Qt::Key_Home, Qt::ShiftModifier, 0, {0, 1}},
            {Qt::Key_PageDown, {}, page, {page}},
            {Qt::Key_PageDown, Qt::ControlModifier, 2 * page, {2 * page}},
            {Qt::Key_PageUp, {}, page, {page}},
            {Qt::Key_J, Qt::ShiftModifier, page + 1, {page + 1}}, // J is the arrow, not Shift+arrow
        };
        QSignalSpy links(&patches, &CParameterListCtrl::SelectionLinkRequested);
        int count = 0;
        for (const auto& [key, keys, focus, selected] : steps) {
            QTest::keyClick(&patches, static_cast<Qt::Key>(key), keys);
            QCOMPARE(std::tuple(patches.FocusedRow(), patches.SelectedRows()),
                     std::tuple(focus, selected));
            QVERIFY(RowInView(patches, focus));
            QCOMPARE(links.count(), ++count);
        }
        // The other lists follow: patch 1 plays tone 3 on waves 2 and 4.
        QTest::keyClick(&patches, Qt::Key_Home, Qt::ControlModifier);
        QCOMPARE(std::tuple(List(1).SelectedRows(), List(2).SelectedRows()),
                 std::tuple(Rows{2}, Rows{1, 3}));
        // Typing a slot number goes to it the same way.
        QTest::keyClicks(&patches, QStringLiteral("500"));
        QCOMPARE(std::tuple(patches.FocusedRow(), patches.SelectedRows()),
                 std::tuple(499, Rows{499}));
        QVERIFY(RowInView(patches, 499));
        QTest::qWait(QApplication::keyboardInputInterval() + 50); // a new number begins
        QTest::keyClicks(&patches, QStringLiteral("2"));
        QCOMPARE(std::tuple(List(1).SelectedRows(), List(2).SelectedRows()),
                 std::tuple(Rows{2, 4}, Rows{1, 3})); // patch 2: tones 3 and 5
        // Shift+click reaches from where the keys left the anchor.
        QTest::keyClick(&patches, Qt::Key_Home);
        QTest::keyClick(&patches, Qt::Key_Down);
        Click(patches, 4, Qt::ShiftModifier);
        QCOMPARE(patches.SelectedRows(), (Rows{1, 2, 3, 4}));
    }

    // Ctrl+Home used to leave the old selection behind, out of sight, for Delete to empty.
    void deleteAfterCtrlHomeActsOnTheRowInView() {
        CParameterListCtrl& patches = List(0);
        Click(patches, 4); // Bass
        QTest::keyClick(&patches, Qt::Key_Home, Qt::ControlModifier);
        QTest::keyClick(&patches, Qt::Key_Delete);
        QCOMPARE(m_world->m_sink->Questions(), std::vector<int>{Corv::kMsgDelete});
        QVERIFY(Data().Patches()[0].IsEmpty());
        QCOMPARE(Data().Patches()[4].Name(), std::string("Bass"));
    }

    void currentCellIsFramed() {
        CParameterListCtrl& tones = List(1);
        Click(tones, 2);
        QTest::keyClick(&tones, Qt::Key_Right);
        QTest::keyClick(&tones, Qt::Key_Right); // ToneName
        const QPalette& palette = tones.palette();
        const QColor frame = palette.color(QPalette::Active, QPalette::HighlightedText);
        const QColor ground = palette.color(QPalette::Active, QPalette::Highlight);
        // A point on the frame's left side, halfway down, in the current cell and in the next.
        const auto side = [&](const QImage& image, int column) {
            const QRect cell = tones.visualRect(tones.model()->index(2, column));
            return image.pixelColor(cell.left() + 2, cell.center().y());
        };
        QImage image = Picture(tones);
        QCOMPARE(std::tuple(side(image, 1), side(image, 2)), std::tuple(frame, ground));
        QTest::keyClick(&tones, Qt::Key_L); // Memo1
        image = Picture(tones);
        QCOMPARE(std::tuple(side(image, 1), side(image, 2)), std::tuple(ground, frame));
        // A list without the focus frames nothing.
        List(0).setFocus();
        QCOMPARE(side(Picture(tones), 2), QColor(192, 192, 192));
    }

    void linkedRowsAreDrawnApartFromSelectedRows() {
        CParameterListCtrl& patches = List(0);
        CParameterListCtrl& tones = List(1);
        Click(tones, 8); // Lonely: patch 5 and wave 6 are linked
        const QPalette& palette = patches.palette();
        const QColor linked = CListDelegate::LinkedBackground(palette);
        const QColor focused = palette.color(QPalette::Active, QPalette::Highlight);
        const QColor unfocused(192, 192, 192);
        QVERIFY(linked != focused && linked != unfocused &&
                linked != palette.color(QPalette::Base));
        QVERIFY(patches.ShowsLinkedRows() && List(2).ShowsLinkedRows() && !tones.ShowsLinkedRows());
        QCOMPARE(std::tuple(Ground(Picture(patches), patches, 4, 1),
                            Ground(Picture(tones), tones, 8, 1)),
                 std::tuple(linked, focused));
        // The focus makes the patch list's rows its own selection, what Delete would act on.
        patches.setFocus();
        QVERIFY(!patches.ShowsLinkedRows());
        QCOMPARE(std::tuple(Ground(Picture(patches), patches, 4, 1),
                            Ground(Picture(tones), tones, 8, 1)),
                 std::tuple(focused, unfocused));
        // Links stay links when the lists are refilled after an edit elsewhere.
        Click(tones, 8);
        List(2).Refill();
        QVERIFY(List(2).ShowsLinkedRows());
    }

    void noStaleLinksAfterDeleteCleanAndUndo() {
        CParameterListCtrl& patches = List(0);
        CParameterListCtrl& tones = List(1);
        const auto linked = [&] {
            return std::tuple(patches.SelectedRows(), tones.SelectedRows(), List(2).SelectedRows());
        };
        Click(patches, 1); // Pad: tones 3 and 5, waves 2 and 4
        QCOMPARE(linked(), std::tuple(Rows{1}, Rows{2, 4}, Rows{1, 3}));
        QTest::keyClick(&patches, Qt::Key_Delete);
        QCOMPARE(linked(), std::tuple(Rows{1}, Rows{}, Rows{}));
        Click(tones, 2); // Saw: now only patch 1 uses it
        QCOMPARE(linked(), std::tuple(Rows{0}, Rows{2}, Rows{1, 3}));
        CUiChoosers::Get().cleanProject = [](QWidget*, std::array<std::uint32_t, 4>&) {
            return true;
        };
        m_view->CleanProject(); // the numbers change: nothing stays selected
        QCOMPARE(linked(), std::tuple(Rows{}, Rows{}, Rows{}));
        Click(tones, 0);
        Corv::CProjectDocuments::Get().Undo();
        m_view->OnUpdateSavingWidths(); // as the Undo command does
        QCOMPARE(linked(), std::tuple(Rows{}, Rows{}, Rows{}));
        QVERIFY(!patches.ShowsLinkedRows() && !List(2).ShowsLinkedRows());
    }
};

QTEST_MAIN(ListStateTest)
#include "list_state_test.moc"
