// Dragging rows between lists: the keys' flags, the automatic-scroll step, the hover timing, the
// drag object, where a block lands, the drops themselves (within a list, into another project,
// onto itself, refused, cancelled) and what undo brings back. Drag events are sent to the lists'
// viewports as the platform's drag loop would send them.
#include "storage/domain.h"
#include "ui/drag_state.h"
#include "ui/parameter_list_model.h"
#include "ui_fixture.h"

#include <QMimeData>
#include <QSignalSpy>
#include <QTest>

using CorvUiTest::Rows;

namespace {

QString Name(const Corv::CLumData& data, int kind, int row) {
    return QString::fromStdString(data.Records(kind).Item(static_cast<std::size_t>(row)).Name());
}

Rows DropRows(const CParameterListCtrl& list) {
    Rows rows;
    for (int row = 0; row < list.model()->rowCount(); ++row)
        if (list.model()->index(row, 0).data(CParameterListModel::DropTargetRole).toBool())
            rows.push_back(row);
    return rows;
}

} // namespace

class DragDropTest : public QObject {
    Q_OBJECT
    std::unique_ptr<CorvUiTest::World> m_world;
    Corv::CProjectDocument* m_a = nullptr;
    Corv::CProjectDocument* m_b = nullptr;
    std::unique_ptr<CFileView> m_viewA, m_viewB;
    std::unique_ptr<QMimeData> m_data;
    qint64 m_now = 0;

    CParameterListCtrl& ListA(int kind) { return *m_viewA->List(kind); }
    CParameterListCtrl& ListB(int kind) { return *m_viewB->List(kind); }

    // Starts a drag of these rows of a list, pressed on `pressed`.
    bool Begin(CParameterListCtrl& list, const Rows& rows, int pressed) {
        list.SelectRows(rows);
        m_data.reset(MakeDragData(list.Kind()));
        return CDragState::Get().Begin(&list, pressed);
    }
    QPoint RowPoint(const CParameterListCtrl& list, int row) {
        return CorvUiTest::CellCentre(list, row, 1);
    }
    // Enter and move over a row of a list with keys held; the effect the list answers.
    Qt::DropAction Over(CParameterListCtrl& list, int row, Qt::KeyboardModifiers keys = {}) {
        return OverPoint(list, RowPoint(list, row), keys);
    }
    Qt::DropAction OverPoint(CParameterListCtrl& list, QPoint at, Qt::KeyboardModifiers keys = {}) {
        QDragEnterEvent enter(at, Qt::CopyAction | Qt::MoveAction, m_data.get(), Qt::LeftButton, keys);
        QCoreApplication::sendEvent(list.viewport(), &enter);
        QDragMoveEvent move(at, Qt::CopyAction | Qt::MoveAction, m_data.get(), Qt::LeftButton, keys);
        QCoreApplication::sendEvent(list.viewport(), &move);
        return move.isAccepted() ? move.dropAction() : Qt::IgnoreAction;
    }
    // Drops on a row and ends the drag as the drag loop does; true when the drop was done.
    bool DropOn(CParameterListCtrl& list, int row, Qt::KeyboardModifiers keys = {}) {
        Over(list, row, keys);
        QDropEvent drop(RowPoint(list, row), Qt::CopyAction | Qt::MoveAction, m_data.get(),
                        Qt::LeftButton, keys);
        QCoreApplication::sendEvent(list.viewport(), &drop);
        const bool done = CDragState::Get().DropDone();
        CDragState::Get().End();
        return done;
    }

private slots:
    void init() {
        m_world = std::make_unique<CorvUiTest::World>();
        m_a = &m_world->OpenSong("A");
        m_b = &m_world->OpenSong("B");
        m_viewA = m_world->Show(*m_a);
        m_viewB = m_world->Show(*m_b);
        m_now = 0;
        CDragState::Get().clock = [this] { return m_now; };
    }
    void cleanup() {
        CDragState::Get().End();
        m_viewA.reset();
        m_viewB.reset();
        m_world.reset();
    }

    void keysGiveTheFlags() {
        struct Case {
            Qt::KeyboardModifiers keys;
            bool overSource, insert, copy;
        };
        const Case cases[] = {
            {{}, true, false, false},
            {Qt::ControlModifier, true, false, true},
            {{}, false, false, true},
            {Qt::ControlModifier, false, false, false},
            {Qt::AltModifier, true, true, false},
            {Qt::ShiftModifier, false, true, true},
            {Qt::ShiftModifier | Qt::ControlModifier, true, true, true},
        };
        for (const Case& c : cases) {
            const DropFlags flags = FlagsForKeys(c.keys, c.overSource);
            QCOMPARE(flags.insert, c.insert);
            QCOMPARE(flags.copy, c.copy);
        }
    }

    void autoScrollGathersSpeedAfterThreeSeconds() {
        const std::pair<qint64, int> steps[] = {{0, 1}, {2999, 1}, {3000, 3}, {4999, 4}, {10000, 10}};
        for (const auto& [elapsed, rows] : steps)
            QCOMPARE(AutoScrollRows(elapsed), rows);
    }

    void dragObjectCarriesOneFormatOfFourZeroBytes() {
        for (int kind = 0; kind < 3; ++kind) {
            std::unique_ptr<QMimeData> data(MakeDragData(kind));
            QCOMPARE(data->formats(), QStringList{DragFormat(kind)});
            QCOMPARE(data->data(DragFormat(kind)), QByteArray(4, '\0'));
            QCOMPARE(DragKind(data.get()), kind);
        }
        QCOMPARE(DragFormat(0), QStringLiteral("application/x-corvanelibrarian-patch"));
    }

    void aDragNeedsAUsedSlotAndKeepsTheGrabOffset() {
        QVERIFY(!Begin(ListA(0), {2, 3}, 2)); // patches 3 and 4 are free
        QVERIFY(Corv::CDomain::Get().m_transferPatches.Size() == 0);
        QVERIFY(Begin(ListA(0), {0, 1, 2}, 1));
        QCOMPARE(CDragState::Get().GrabOffset(), 1);
        QVERIFY(CDragState::Get().Contiguous());
        QCOMPARE(Corv::CDomain::Get().m_transferPatches.Size(), std::size_t{3});
        // Rows 1-3 dragged by row 2 onto row 10 land on rows 9-11.
        QCOMPARE(Over(ListB(0), 9), Qt::CopyAction);
        QCOMPARE(CDragState::Get().DropPosition(), 8);
        QCOMPARE(DropRows(ListB(0)), (Rows{8, 9, 10}));
        QVERIFY(DropRows(ListA(0)).empty());
        CDragState::Get().End();
        QCOMPARE(Corv::CDomain::Get().m_transferPatches.Size(), std::size_t{0});
    }

    void onlyTheListOfTheDragsKindTakesIt() {
        QVERIFY(Begin(ListA(0), {0}, 0));
        QCOMPARE(Over(ListB(1), 3), Qt::IgnoreAction);
        QCOMPARE(Over(ListA(2), 3), Qt::IgnoreAction);
        QCOMPARE(Over(ListB(0), 3), Qt::CopyAction);
        QCOMPARE(Over(ListB(0), 3, Qt::ControlModifier), Qt::MoveAction);
        QCOMPARE(Over(ListA(0), 3), Qt::MoveAction);
        QCOMPARE(Over(ListA(0), 3, Qt::ControlModifier), Qt::CopyAction);
        QVERIFY(!CDragState::Get().Flags().insert);
        Over(ListA(0), 3, Qt::ShiftModifier);
        QVERIFY(CDragState::Get().Flags().insert);
    }

    void aPlainDragWithinAListMoves() {
        QVERIFY(Begin(ListA(0), {0, 1}, 0)); // Lead, Pad onto rows 8-9
        QVERIFY(DropOn(ListA(0), 7));
        const Corv::CLumData& data = m_a->Data();
        QVERIFY(data.Patches()[0].IsEmpty() && data.Patches()[1].IsEmpty());
        QCOMPARE(Name(data, 0, 7) + Name(data, 0, 8), QStringLiteral("LeadPad"));
        QCOMPARE(ListA(0).SelectedRows(), (Rows{0, 1})); // the rows where the block was
        QVERIFY(m_a->IsModified() && !m_b->IsModified());
    }

    void aCtrlDragIntoAnotherProjectMovesAndOneUndoRestoresBoth() {
        const std::string leadFile = m_a->Data().Patches()[0].FilePath();
        QVERIFY(Begin(ListA(0), {0}, 0));
        QVERIFY(DropOn(ListB(0), 9, Qt::ControlModifier));
        QVERIFY(m_a->Data().Patches()[0].IsEmpty());
        QCOMPARE(Name(m_b->Data(), 0, 9), QStringLiteral("Lead"));
        QVERIFY(m_a->IsModified() && m_b->IsModified());
        Corv::CProjectDocuments::Get().Undo();
        QCOMPARE(m_a->Data().Patches()[0].FilePath(), leadFile);
        QVERIFY(m_b->Data().Patches()[9].IsEmpty());
    }

    void aBlockDroppedOntoItselfStaysUnlessInsertedAsACopy() {
        QVERIFY(Begin(ListA(1), {2, 3, 4}, 3)); // tones 3-5, grabbed by 4
        QVERIFY(!DropOn(ListA(1), 3));
        QVERIFY(!m_a->IsModified());
        QVERIFY(!Corv::CDomain::Get().CanUndo());
        QVERIFY(Begin(ListA(1), {2, 3, 4}, 3));
        QVERIFY(DropOn(ListA(1), 3, Qt::AltModifier | Qt::ControlModifier));
        QCOMPARE(Name(m_a->Data(), 1, 2) + Name(m_a->Data(), 1, 5), QStringLiteral("SawSaw"));
    }

    void theStatusPreviewSaysWhatTheDropWouldDo() {
        QVERIFY(Begin(ListA(0), {0}, 0)); // Lead plays tone 3 (Saw: waves 2 and 4)
        Over(ListB(0), 9);
        QCOMPARE(CDragState::Get().Preview(),
                 QStringLiteral("copy 1 patch to B.prj row 10 (overwrite), carrying 1 tone, 2 waves, "
                                "150 Bytes   (Ctrl: move, Shift or Alt: insert)"));
        Over(ListA(0), 1, Qt::ShiftModifier);
        QVERIFY(CDragState::Get().Preview().startsWith(QStringLiteral("move 1 patch to row 2 (insert)")));
        QVERIFY(CDragState::Get().Preview().endsWith(QStringLiteral("(Ctrl: copy, Shift or Alt: insert)")));
        // Nothing changed while the preview was worked out.
        QVERIFY(!m_a->IsModified() && !m_b->IsModified() && !Corv::CDomain::Get().CanUndo());
    }

    void aRefusedOrCancelledDragChangesNothing() {
        // Every wave slot of B taken: carrying Lead's waves into B is refused.
        for (std::size_t i = 0; i < m_b->Data().Waves().Size(); ++i)
            if (m_b->Data().Waves()[i].IsEmpty())
                m_b->Data().Waves()[i].SetFilePath(m_b->Data().Waves()[1].FilePath());
        QVERIFY(Begin(ListA(0), {0}, 0));
        Over(ListB(0), 20);
        QVERIFY(CDragState::Get().Preview().startsWith(QStringLiteral("needs 2 free wave slots")));
        QVERIFY(!DropOn(ListB(0), 20));
        QVERIFY(Begin(ListA(0), {1}, 1));
        Over(ListB(0), 30);
        CDragState::Get().End(); // Escape, or a release outside any list
        QVERIFY(!m_a->IsModified() && !m_b->IsModified());
        QVERIFY(!Corv::CDomain::Get().CanUndo());
        QVERIFY(m_b->Data().Patches()[20].IsEmpty() && m_b->Data().Patches()[30].IsEmpty());
        QVERIFY(DropRows(ListB(0)).empty());
    }

    void theEdgesScrollFasterTheLongerTheCursorStaysThere() {
        QVERIFY(Begin(ListA(0), {0}, 0));
        CParameterListCtrl& list = ListB(0);
        const QPoint bottom(40, list.viewport()->height() - 3);
        OverPoint(list, bottom);
        const int top = list.TopRow();
        m_now = 500;
        list.AutoScrollTick();
        QCOMPARE(list.TopRow(), top + 1);
        m_now = 4200;
        list.AutoScrollTick();
        QCOMPARE(list.TopRow(), top + 5);
        // The drop position follows the rows that scrolled under the cursor.
        QCOMPARE(CDragState::Get().DropPosition(), list.rowAt(bottom.y()));
        OverPoint(list, QPoint(40, list.viewport()->height() / 2)); // out of the zone: it stops
        m_now = 9000;
        list.AutoScrollTick();
        QCOMPARE(list.TopRow(), top + 5);
    }

    void aBackgroundWindowComesForwardAfterTheCursorRestsASecond() {
        m_viewA->OnActivateView();
        QSignalSpy raised(&CDragState::Get(), &CDragState::HoverRaised);
        QVERIFY(Begin(ListA(0), {0}, 0));
        Over(ListB(0), 5);
        m_now = 1000;
        CDragState::Get().CheckHover();
        QCOMPARE(raised.size(), 0);
        m_now = 1001;
        CDragState::Get().CheckHover();
        QCOMPARE(raised.size(), 1);
        // Resting on the current window brings nothing forward.
        Over(ListA(0), 5);
        m_now = 5000;
        CDragState::Get().CheckHover();
        QCOMPARE(raised.size(), 1);
    }
};

QTEST_MAIN(DragDropTest)
#include "drag_drop_test.moc"
