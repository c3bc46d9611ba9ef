// The lists' commands beyond the drag: copy, cut and paste (which must do exactly what the drop
// of the same rows does), Show Users, Edit Memos, the right click, and what the status line says
// after each action.
#include "edit/drop.h"
#include "project_world.h"
#include "storage/undo_step.h"
#include "ui/code_page.h"
#include "ui/feedback_text.h"
#include "ui/list_clipboard.h"
#include "ui/list_delegate.h"
#include "ui/profiled_file_dialog.h"
#include "ui/status_line.h"

#include <QApplication>
#include <QClipboard>
#include <QSignalSpy>
#include <QTest>

using namespace CorvDesktop;
using namespace CorvUiTest;

namespace {

// Everything a drop can change in a project, one line: each used entry's number and name, with
// the tone numbers of a patch and the wave numbers of a tone.
std::string Contents(const Corv::CLumData& project) {
    std::string text;
    for (int kind = 0; kind < 3; ++kind)
        for (std::size_t i = 0; i < project.Records(kind).Size(); ++i) {
            const Corv::CParameter& record = project.Records(kind).Item(i);
            if (record.IsEmpty())
                continue;
            text += std::to_string(kind) + ":" + std::to_string(i + 1) + " " + record.Name();
            if (kind == Corv::kPatchKind)
                for (const int tone : project.Patches()[i].ToneNumbers())
                    text += "," + std::to_string(tone);
            if (kind == Corv::kToneKind)
                for (const int wave : project.Tones()[i].WaveNumbers())
                    text += wave != 0 ? "," + std::to_string(wave) : std::string();
            text += "; ";
        }
    return text;
}

} // namespace

class ListCommandsTest : public QObject, private DragDriver {
    Q_OBJECT
    std::unique_ptr<World> m_world;
    std::unique_ptr<CFileView> m_song, m_b;

    CFileView& Window(bool b) { return b ? *m_b : *m_song; }
    // A list of a window, active and with the keyboard focus.
    CParameterListCtrl& Focus(bool b, int kind) {
        QApplication::setActiveWindow(&Window(b));
        static_cast<void>(QTest::qWaitForWindowActive(&Window(b)));
        Window(b).List(kind)->setFocus();
        return *Window(b).List(kind);
    }
    std::string Both() {
        return Contents(m_song->Document().Data()) + "| " + Contents(m_b->Document().Data());
    }
    static QString Said() { return CDesktop::Get().Status().Last(); }

private slots:
    void init() {
        m_world = std::make_unique<World>();
        CDesktop::Get().CodePage().Select(QStringLiteral("windows-1252"));
        CDesktop::Get().Clipboard().Clear();
        m_song = m_world->Show(m_world->OpenSong("Song"));
        m_b = m_world->Show(m_world->OpenSong("B"));
    }
    void cleanup() {
        CDesktop::Get().Drag().End();
        m_song.reset();
        m_b.reset();
        m_world.reset();
    }

    // A paste does what the drop of the same rows at the same row does, keys for keys, as one
    // undo step; the status line says what was done.
    void pasteIsTheDropOfTheSameRows() {
        struct Case {
            int kind;
            Rows rows;
            bool toB;
            int at;
            bool insert;
            bool cut;
            const char* said;
        };
        const Case cases[] = {
            {0,
             {0, 1},
             true,
             9,
             false,
             false,
             "Copied 2 patches to B.prj rows 10-11 with 2 tones, 2 waves"},
            {0,
             {4},
             true,
             0,
             true,
             true,
             "Moved 1 patch to B.prj row 1 (inserted) with 1 tone, 1 wave"},
            {1, {2, 4}, false, 10, false, true, "Moved 2 tones to rows 11-12"},
            {1, {8}, false, 0, true, false, "Copied 1 tone to row 1 (inserted)"},
            {2, {1, 3}, true, 20, false, true, "Moved 2 waves to B.prj rows 21-22"},
        };
        for (const Case& c : cases) {
            const std::string before = Both();
            // The keys a drag holds for the same drop: over another project a plain drop copies
            // and Ctrl moves; within one a plain drop moves and Ctrl copies; Shift inserts.
            const bool ctrl = c.toB == c.cut;
            const Qt::KeyboardModifiers keys = (ctrl ? Qt::ControlModifier : Qt::NoModifier) |
                                               (c.insert ? Qt::ShiftModifier : Qt::NoModifier);
            CParameterListCtrl& source = Focus(false, c.kind);
            QVERIFY(Begin(source, c.rows, c.rows.front()));
            QVERIFY(DropOn(*Window(c.toB).List(c.kind), c.at, keys));
            const std::string dragged = Both();
            Corv::CProjectDocuments::Get().Undo();
            QCOMPARE(Both(), before);

            Focus(false, c.kind).SelectRows(c.rows);
            QVERIFY(Window(false).Copy(c.cut));
            CParameterListCtrl& target = Focus(c.toB, c.kind);
            target.SetFocusedRow(c.at);
            QVERIFY(Window(c.toB).Paste(c.insert));
            QCOMPARE(Both(), dragged);
            QCOMPARE(Said(), QString::fromLatin1(c.said));
            // The entries are selected where they landed.
            QCOMPARE(target.SelectedRows().front(), c.at);
            QCOMPARE(CDesktop::Get().Clipboard().Holds(), !c.cut); // a cut is used up
            Corv::CProjectDocuments::Get().Undo();
            QVERIFY2(Both() == before, "one Undo takes the paste back");
        }
    }

    // A paste that cannot be done says why and changes nothing; Escape forgets a cut.
    void pastesThatCannotBeDone() {
        const std::string before = Both();
        Focus(false, 0);
        QVERIFY(!Window(false).Paste(false));
        QCOMPARE(Said(),
                 QStringLiteral("Nothing to paste: copy or cut entries first (Ctrl+C, Ctrl+X)"));
        Focus(false, 1).SelectRows({2});
        QVERIFY(Window(false).Copy(false));
        QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("3\tSaw"));
        Focus(false, 0).SetFocusedRow(3);
        QVERIFY(!Window(false).Paste(false));
        QCOMPARE(Said(), QStringLiteral("1 tone can only be pasted into a tone list"));
        // Onto itself: the preview's reason stays in the status bar.
        Focus(false, 1).SetFocusedRow(2);
        QVERIFY(!Window(false).Paste(false));
        QCOMPARE(Said(), QStringLiteral("Paste: nothing to do: the block is dropped onto itself"));
        // A cut waits until Escape in a list.
        Focus(false, 1).SelectRows({2});
        QVERIFY(Window(false).Copy(true));
        QTest::keyClick(&Focus(false, 1), Qt::Key_Escape);
        QVERIFY(!CDesktop::Get().Clipboard().Holds());
        QCOMPARE(Said(), QStringLiteral("Cut cancelled: nothing will move"));
        // Rows of a project that was closed are not pasted.
        Focus(true, 1).SelectRows({8});
        QVERIFY(Window(true).Copy(false));
        m_b.reset();
        Focus(false, 1).SetFocusedRow(20);
        QVERIFY(!Window(false).CanPaste());
        QVERIFY(!Window(false).Paste(false));
        QVERIFY(Contents(m_song->Document().Data()) + "| " ==
                before.substr(0, before.find("| ") + 2));
    }

    // Show Users selects the patches of the selected tones, or the tones of the selected waves.
    void showUsersSelectsTheUsers() {
        const std::tuple<int, Rows, int, Rows, const char*> cases[] = {
            {1, {2}, 0, {0, 1}, "Tone 3 used by 2 patches: 1, 2"},
            {2, {3}, 1, {2, 4}, "Wave 4 used by 2 tones: 3, 5"},
            {1, {2, 8}, 0, {0, 1, 4}, "2 tones (3, 9) used by 3 patches: 1, 2, 5"},
            {1, {6}, 0, {}, "No patch uses tone 7"},
        };
        // An empty slot still listed as a user (a stale list) is not selected.
        m_song->Document().Data().Tones()[2].Users().push_back(6);
        for (const auto& [kind, rows, userKind, users, said] : cases) {
            Focus(false, kind).SelectRows(rows);
            QCOMPARE(Window(false).ShowUsers(), !users.empty());
            if (!users.empty()) {
                QCOMPARE(Window(false).List(userKind)->SelectedRows(), users);
                QVERIFY(Window(false).List(userKind)->hasFocus());
            }
            QCOMPARE(Said(), QString::fromLatin1(said));
        }
    }

    // Edit Memos shows the focused entry's memos; what was changed goes to every selected row,
    // what was left stays as each row has it; one Undo takes it back.
    void editMemosChangesOnlyWhatWasChanged() {
        Corv::CLumData& data = m_song->Document().Data();
        std::array<QString, 4> shown;
        CDesktop::Get().Choosers().editMemos = [&](QWidget*, std::array<QString, 4>& memos) {
            shown = memos;
            memos[1] = QStringLiteral("Live");
            return true;
        };
        CParameterListCtrl& tones = Focus(false, 1);
        tones.SelectRows({2, 8});
        tones.SetFocusedRow(2);
        QVERIFY(tones.EditMemos());
        QCOMPARE(shown[0], QStringLiteral("m1"));
        QCOMPARE(data.Tones()[8].Memo(2) + data.Tones()[2].Memo(2), std::string("LiveLive"));
        QCOMPARE(data.Tones()[2].Memo(1) + data.Tones()[8].Memo(1), std::string("m1")); // kept
        QCOMPARE(Said(), QStringLiteral("Memos of 2 tones set"));
        Corv::CProjectDocuments::Get().Undo();
        QCOMPARE(data.Tones()[8].Memo(2), std::string());
    }

    // A right click selects the row under the pointer unless it is selected, makes its column
    // current, and asks for the context menu there.
    void rightClickSelectsAndAsksForTheMenu() {
        CParameterListCtrl& patches = Focus(false, 0);
        QSignalSpy asked(&Window(false), &CFileView::ContextMenuRequested);
        patches.SelectRows({0, 1});
        for (const auto& [row, selected] : {std::pair{1, Rows{0, 1}}, {4, Rows{4}}}) {
            const QPoint at = CellCentre(patches, row, 2);
            QTest::mousePress(patches.viewport(), Qt::RightButton, {}, at);
            QContextMenuEvent menu(QContextMenuEvent::Mouse, at,
                                   patches.viewport()->mapToGlobal(at));
            QCoreApplication::sendEvent(patches.viewport(), &menu);
            QCOMPARE(patches.SelectedRows(), selected);
            QCOMPARE(patches.CurrentColumn(), 2);
        }
        QCOMPARE(asked.count(), 2);
    }

    // A cell cut short shows its whole text as a tooltip, one shown whole none; the rows a drop
    // would land on are told apart from selected and linked rows.
    void cellsCutShortHaveTooltips() {
        const QFontMetrics metrics(QApplication::font());
        const QString memo = QStringLiteral("A long memo about the attack of this pad");
        const int whole = metrics.horizontalAdvance(memo) + 2 * metrics.horizontalAdvance(u' ');
        for (const auto& [width, tip] :
             {std::pair{whole, QString()}, {whole + 40, QString()}, {whole - 1, memo}, {30, memo}})
            QCOMPARE(CListDelegate::ToolTipFor(memo, metrics, width), tip);
        const QPalette palette = QApplication::palette();
        const QColor drop = CListDelegate::DropTargetBackground();
        QVERIFY(drop != palette.color(QPalette::Active, QPalette::Highlight));
        QVERIFY(drop != CListDelegate::LinkedBackground(palette));
    }

    // The status line's words for a save, a failed save and a selection.
    void statusTexts() {
        const std::pair<QString, const char*> cases[] = {
            {SaveStatus("Live.prj", 3, 2, 0, 0.42),
             "Saved Live.prj: 3 files written, 2 renamed (0.4 s)"},
            {SaveStatus("Live.prj", 1, 0, 4, 1.0),
             "Saved Live.prj: 1 file written, 4 removed (1.0 s)"},
            {SaveStatus("A.prj", 0, 0, 0, 0.04), "Saved A.prj: nothing to write (0.0 s)"},
            {SaveFailedStatus("A.prj", "Patch/001 A.d00: disk full", false),
             "Save of A.prj failed: Patch/001 A.d00: disk full. The save was rolled back; the "
             "project is as it was before."},
            {SaveFailedStatus("A.prj", "", true),
             "Save of A.prj did not finish. Opening the project again completes it."},
            {SelectionStatus(2, 512, 0), "2 of 512 patches selected"},
            {CleanReport({3, 9, 5}, {3, 7, 4}, "A.prj").done,
             "Clean removed 2 tones, 1 wave from A.prj"},
            {ImportReport({4, 5, 6}, "A.prj").done, "Imported 3 waves into A.prj rows 5-7"},
        };
        const std::string folder = "/music/Live.prj/";
        const std::pair<QString, const char*> more[] = {
            {MissingFilesDetail({folder + "Patch/001 Lead.d00", "/elsewhere/Kick.w00"}, folder,
                                "Live.prj"),
             "Missing from Live.prj (2): Patch/001 Lead.d00, /elsewhere/Kick.w00"},
            {CProfiledFileDialog::ImportFilters().front(),
             "All audio files (*.wav *.aif *.aiff *.vpw *.WAV *.AIF *.AIFF *.VPW)"},
        };
        for (const auto& [text, expected] : cases)
            QCOMPARE(text, QString::fromUtf8(expected));
        for (const auto& [text, expected] : more)
            QCOMPARE(text, QString::fromUtf8(expected));
        // Selecting in the focused list says how much is selected.
        CParameterListCtrl& waves = Focus(false, 2);
        waves.SelectRows({1, 3, 5});
        QCOMPARE(Said(), QStringLiteral("3 of 999 waves selected"));
    }
};

QTEST_MAIN(ListCommandsTest)
#include "list_commands_test.moc"
