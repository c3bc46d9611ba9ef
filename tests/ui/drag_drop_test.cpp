// Dragging rows between lists: the keys' flags, where a block lands, the drops, undo, the status
// preview and scrolling at the edges. Drag events are sent to the lists' viewports as the
// platform's drag loop would send them.
#include "storage/domain.h"
#include "ui/drag_state.h"
#include "ui/parameter_list_model.h"
#include "ui_fixture.h"

#include <QMimeData>

using CorvUiTest::Rows;

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
    static QString Name(const Corv::CProjectDocument* document, int kind, int row) {
        return QString::fromStdString(
            document->Data().Records(kind).Item(static_cast<std::size_t>(row)).Name());
    }
    // The rows a list marks as where the drop would land.
    static Rows DropRows(const CParameterListCtrl& list) {
        Rows rows;
        for (int row = 0; row < list.model()->rowCount(); ++row)
            if (list.model()->index(row, 0).data(CParameterListModel::DropTargetRole).toBool())
                rows.push_back(row);
        return rows;
    }
    // Starts a drag of these rows of a list, pressed on `pressed`.
    bool Begin(CParameterListCtrl& list, const Rows& rows, int pressed) {
        list.SelectRows(rows);
        m_data.reset(MakeDragData(list.Kind()));
        return CDragState::Get().Begin(&list, pressed);
    }
    // Enters and moves over a point of a list with keys held; the effect the list answers.
    Qt::DropAction Over(CParameterListCtrl& list, QPoint at, Qt::KeyboardModifiers keys = {}) {
        const Qt::DropActions actions = Qt::CopyAction | Qt::MoveAction;
        QDragEnterEvent enter(at, actions, m_data.get(), Qt::LeftButton, keys);
        QCoreApplication::sendEvent(list.viewport(), &enter);
        QDragMoveEvent move(at, actions, m_data.get(), Qt::LeftButton, keys);
        QCoreApplication::sendEvent(list.viewport(), &move);
        return move.isAccepted() ? move.dropAction() : Qt::IgnoreAction;
    }
    Qt::DropAction Over(CParameterListCtrl& list, int row, Qt::KeyboardModifiers keys = {}) {
        return Over(list, CorvUiTest::CellCentre(list, row, 1), keys);
    }
    // Drops on a row and ends the drag as the drag loop does; true when the drop was done.
    bool DropOn(CParameterListCtrl& list, int row, Qt::KeyboardModifiers keys = {}) {
        Over(list, row, keys);
        QDropEvent drop(CorvUiTest::CellCentre(list, row, 1), Qt::CopyAction | Qt::MoveAction,
                        m_data.get(), Qt::LeftButton, keys);
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
        // Keys, over the source list?; insert?, copy?
        const std::tuple<Qt::KeyboardModifiers, bool, bool, bool> cases[] = {
            {{}, true, false, false},
            {Qt::ControlModifier, true, false, true},
            {{}, false, false, true},
            {Qt::ControlModifier, false, false, false},
            {Qt::AltModifier, true, true, false},
            {Qt::ShiftModifier, false, true, true},
            {Qt::ShiftModifier | Qt::ControlModifier, true, true, true}};
        for (const auto& [keys, overSource, insert, copy] : cases) {
            const DropFlags flags = FlagsForKeys(keys, overSource);
            QCOMPARE(std::pair(flags.insert, flags.copy), std::pair(insert, copy));
        }
        // The drag object carries one format, named after the kind.
        QCOMPARE(std::unique_ptr<QMimeData>(MakeDragData(Corv::kToneKind))->formats(),
                 QStringList{"application/x-corvanelibrarian-tone"});
    }

    void aDragNeedsAUsedSlotAndKeepsTheGrabOffset() {
        QVERIFY(!Begin(ListA(0), {2, 3}, 2)); // patches 3 and 4 are free
        QVERIFY(Begin(ListA(0), {0, 1, 2}, 1));
        // Rows 1-3 dragged by row 2 onto row 10 land on rows 9-11.
        QCOMPARE(Over(ListB(0), 9), Qt::CopyAction);
        QCOMPARE(DropRows(ListB(0)), (Rows{8, 9, 10}));
        QVERIFY(DropRows(ListA(0)).empty());
        // Only a list of the drag's kind takes it; within the source list a plain drag moves.
        QCOMPARE(Over(ListB(1), 3), Qt::IgnoreAction);
        QCOMPARE(Over(ListA(0), 3), Qt::MoveAction);
        CDragState::Get().End();
        QCOMPARE(Corv::CDomain::Get().m_transferPatches.Size(), std::size_t{0});
    }

    void aPlainDragWithinAListMoves() {
        QVERIFY(Begin(ListA(0), {0, 1}, 0)); // Lead, Pad onto rows 8-9
        QVERIFY(DropOn(ListA(0), 7));
        QVERIFY(m_a->Data().Patches()[0].IsEmpty() && m_a->Data().Patches()[1].IsEmpty());
        QCOMPARE(Name(m_a, 0, 7) + Name(m_a, 0, 8), QStringLiteral("LeadPad"));
        QCOMPARE(ListA(0).SelectedRows(), (Rows{0, 1})); // the rows where the block was
        QVERIFY(m_a->IsModified() && !m_b->IsModified());
    }

    void aCtrlDragIntoAnotherProjectMovesAndOneUndoRestoresBoth() {
        const std::string leadFile = m_a->Data().Patches()[0].FilePath();
        QVERIFY(Begin(ListA(0), {0}, 0));
        QVERIFY(DropOn(ListB(0), 9, Qt::ControlModifier));
        QVERIFY(m_a->Data().Patches()[0].IsEmpty() && m_a->IsModified() && m_b->IsModified());
        QCOMPARE(Name(m_b, 0, 9), QStringLiteral("Lead"));
        Corv::CProjectDocuments::Get().Undo();
        QCOMPARE(m_a->Data().Patches()[0].FilePath(), leadFile);
        QVERIFY(m_b->Data().Patches()[9].IsEmpty());
    }

    // The status line says what the drop would do; a cancelled drag changes nothing.
    void theStatusPreviewSaysWhatTheDropWouldDo() {
        QVERIFY(Begin(ListA(0), {0}, 0)); // Lead plays tone 3 (Saw: waves 2 and 4)
        Over(ListB(0), 9);
        QCOMPARE(CDragState::Get().Preview(),
                 "copy 1 patch to B.prj row 10 (overwrite), carrying 1 tone, 2 waves, 150 Bytes   "
                 "(Ctrl: move, Shift or Alt: insert)");
        Over(ListA(0), 1, Qt::ShiftModifier);
        QVERIFY(CDragState::Get().Preview().startsWith("move 1 patch to row 2 (insert)"));
        CDragState::Get().End(); // Escape, or a release outside any list
        QVERIFY(!m_a->IsModified() && !m_b->IsModified() && !Corv::CDomain::Get().CanUndo());
        QVERIFY(DropRows(ListA(0)).empty() && m_b->Data().Patches()[9].IsEmpty());
    }

    void theEdgesScrollFasterTheLongerTheCursorStaysThere() {
        QVERIFY(Begin(ListA(0), {0}, 0));
        CParameterListCtrl& list = ListB(0);
        const QPoint bottom(40, list.viewport()->height() - 3);
        Over(list, bottom);
        const int top = list.TopRow();
        for (const auto& [now, scrolled] : {std::pair{500, 1}, {4200, 5}}) {
            m_now = now;
            list.AutoScrollTick();
            QCOMPARE(list.TopRow(), top + scrolled);
        }
        // The drop position follows the rows that scrolled under the cursor.
        QCOMPARE(CDragState::Get().DropPosition(), list.rowAt(bottom.y()));
    }
};

QTEST_MAIN(DragDropTest)
#include "drag_drop_test.moc"
