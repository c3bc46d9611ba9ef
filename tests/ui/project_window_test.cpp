// The project window and its lists: cells, keys, links, editing, commands, gauge, notices, find
// bar, dialogs, and drags (events sent to the viewports as the platform's drag loop sends them).
#include "edit/find.h"
#include "project_world.h"
#include "storage/domain.h"
#include "storage/project_document.h"
#include "storage/undo_step.h"
#include "support/fresh_store.h"
#include "support/project_builder.h"
#include "support/scoped_environment.h"
#include "support/scripted_sink.h"
#include "ui/choosers.h"
#include "ui/clean_project_dlg.h"
#include "ui/code_page.h"
#include "ui/desktop.h"
#include "ui/drag_state.h"
#include "ui/file_doc.h"
#include "ui/file_view.h"
#include "ui/find_bar.h"
#include "ui/parameter_list.h"
#include "ui/parameter_list_model.h"
#include "ui/profiled_file_dialog.h"
#include "ui/project_options.h"
#include "ui/wave_gauge.h"

#include <QApplication>
#include <QCheckBox>
#include <QFileDialog>
#include <QMimeData>
#include <QPushButton>
#include <QSet>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>
#include <filesystem>
#include <memory>
#include <string>

using namespace CorvDesktop;
using namespace CorvUiTest;

class ProjectWindowTest : public QObject, private DragDriver {
    Q_OBJECT
    std::unique_ptr<World> m_world;
    std::unique_ptr<CFileView> m_view, m_secondView;
    Corv::CProjectDocument* m_song = nullptr;
    Corv::CProjectDocument* m_second = nullptr; // "B", shown once Second() is asked for
    // The scripted edit dialog: "field:text;" for each opening, and the answer (null: Cancel).
    QString m_log;
    QString m_answer;

    CFileView& View() {
        if (!m_view)
            m_view = m_world->Show(*m_song);
        return *m_view;
    }
    CFileView& Second() {
        if (!m_secondView)
            m_secondView = m_world->Show(*m_second);
        return *m_secondView;
    }
    // A list of the project window, in the active window and with the keyboard focus.
    CParameterListCtrl& List(int kind) {
        QApplication::setActiveWindow(&View());
        static_cast<void>(QTest::qWaitForWindowActive(&View()));
        View().List(kind)->setFocus();
        return *View().List(kind);
    }
    Corv::CLumData& Data() const { return m_song->Data(); }
    std::tuple<Rows, Rows, Rows> Selected() {
        return {View().List(0)->SelectedRows(), View().List(1)->SelectedRows(),
                View().List(2)->SelectedRows()};
    }
    QString Cell(int kind, int row, int column) {
        return View().List(kind)->model()->index(row, column).data().toString();
    }
    static void Click(CParameterListCtrl& list, int row, int column = 1) {
        QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, CellCentre(list, row, column));
    }
    // Steps the find bar forward (true) or back; the messages it shows.
    static QString Steps(CFindBar& bar, std::initializer_list<bool> forward) {
        QStringList said;
        for (const bool step : forward) {
            static_cast<void>(bar.Step(step));
            said << bar.LastMessage();
        }
        return said.join(", ");
    }
    void Undo() {
        Corv::CProjectDocuments::Get().Undo();
        View().Document().UpdateAllViews();
    }

    // Dragging: the clock of the edge scrolling.
    qint64 m_now = 0;

    // The rows a list marks as where the drop would land.
    static Rows DropRows(const CParameterListCtrl& list) {
        Rows rows;
        for (int row = 0; row < list.model()->rowCount(); ++row)
            if (list.model()->index(row, 0).data(CParameterListModel::DropTargetRole).toBool())
                rows.push_back(row);
        return rows;
    }
private slots:
    void init() {
        m_world = std::make_unique<World>();
        CDesktop::Get().CodePage().Select(QStringLiteral("windows-1252"));
        m_song = &m_world->OpenSong("Song");
        m_second = &m_world->OpenSong("B");
        m_log.clear();
        m_answer = QString();
        CDesktop::Get().Choosers().editText = [this](QWidget*, int field, QString& text) {
            m_log += QStringLiteral("%1:%2;").arg(field).arg(text);
            text = m_answer.isNull() ? text : m_answer;
            return !m_answer.isNull();
        };
        m_now = 0;
        CDesktop::Get().Drag().clock = [this] { return m_now; };
    }
    void cleanup() {
        CDesktop::Get().Drag().End();
        m_view.reset();
        m_secondView.reset();
        m_world.reset();
    }

    void cellTexts() {
        // Kind, row, column and the text shown.
        const std::tuple<int, int, int, const char*> cases[] = {
            {1, 0, 0, "1"},       {2, 998, 0, "999"}, {2, 1, 1, "* Kick"}, {2, 5, 1, "* Hat"},
            {2, 3, 1, "  Snare"}, {2, 0, 1, ""},      {1, 2, 1, "Saw"},    {1, 2, 2, "m1"},
            {0, 0, 6, "m4"},      {0, 1, 2, "L/U"},   {0, 0, 2, "_/U"},    {0, 4, 2, "L/_"}};
        for (const auto& [kind, row, column, text] : cases)
            QCOMPARE(Cell(kind, row, column), QString::fromLatin1(text));
    }

    void selectionLinks() {
        // The list and its selected rows; the rows then selected in the patch, tone, wave lists.
        const std::tuple<int, Rows, Rows, Rows, Rows> cases[] = {
            {0, {4}, {4}, {8}, {5}},             // a patch on its second slot
            {1, {6}, {}, {6}, {}},               // an unused tone
            {1, {4, 8}, {1, 4}, {4, 8}, {3, 5}}, // two tones
            {2, {3}, {0, 1}, {2, 4}, {3}}};      // a wave of two tones
        for (const auto& [kind, selected, patches, tones, waves] : cases) {
            Click(List(kind), selected.front());
            for (int other = 0; other < 3; ++other)
                View().List(other)->SelectRows({10}); // stale selections are cleared
            View().List(kind)->SelectRows(selected);
            View().LinkSelection(*View().List(kind));
            QCOMPARE(Selected(), std::tuple(patches, tones, waves));
        }
        // Linked rows are shown apart from the active list's own selection.
        QVERIFY(View().List(0)->ShowsLinkedRows() && !View().List(2)->ShowsLinkedRows());
        // Select All takes the rows up to the last used one of the active list.
        View().SelectAll();
        QCOMPARE(Selected(), std::tuple(Rows{0, 1, 4}, Rows{2, 4, 8}, Rows{0, 1, 2, 3, 4, 5}));
    }

    // Navigation keys and a typed slot number move focus and selection together, in view, linked.
    void navigationKeys() {
        CParameterListCtrl& patches = List(0);
        Click(patches, 1); // Pad
        const int page = patches.viewport()->height() / patches.rowHeight(0) - 1;
        // A key with its modifiers; the focused row and the selection after it.
        const std::tuple<int, Qt::KeyboardModifiers, int, Rows> steps[] = {
            {Qt::Key_End, Qt::ControlModifier, 511, {511}},
            {Qt::Key_Home, {}, 0, {0}},
            {Qt::Key_Down, Qt::ShiftModifier, 1, {0, 1}},
            {Qt::Key_PageDown, {}, page + 1, {page + 1}},
            {Qt::Key_J, Qt::ShiftModifier, page + 2, {page + 2}}, // the arrow, not Shift+arrow
            {Qt::Key_Home, {}, 0, {0}}};
        for (const auto& [key, keys, focus, selected] : steps) {
            QTest::keyClick(&patches, static_cast<Qt::Key>(key), keys);
            QCOMPARE(std::tuple(patches.FocusedRow(), patches.SelectedRows()),
                     std::tuple(focus, selected));
            QVERIFY(patches.viewport()->rect().contains(CellCentre(patches, focus, 0)));
        }
        QTest::qWait(QApplication::keyboardInputInterval() + 50); // a new number begins
        QTest::keyClicks(&patches, QStringLiteral("2"));
        QCOMPARE(Selected(), std::tuple(Rows{1}, Rows{2, 4}, Rows{1, 3}));
        // A slot number typed in any column goes to that slot.
        for (const int column : {1, 3}) {
            Click(patches, 0, column);
            QTest::qWait(QApplication::keyboardInputInterval() + 50);
            QTest::keyClicks(&patches, QStringLiteral("256"));
            QCOMPARE(std::tuple(patches.FocusedRow(), patches.SelectedRows()),
                     std::tuple(255, Rows{255}));
        }
        // The delete question says what a selection stretched too far would take.
        m_world->m_sink->SetDefaultAnswer(Corv::kAnswerCancel);
        const std::pair<Qt::Key, const char*> stretches[] = {
            {Qt::Key_End, ""}, // only empty slots: nothing to ask about
            {Qt::Key_Home, "ask 1 9 -> 1: 3 patches of Song.prj: 1 Lead, 2 Pad, 5 Bass\n"}};
        for (const auto& [key, said] : stretches) {
            m_world->m_sink->Clear();
            QTest::keyClick(&patches, key, Qt::ControlModifier | Qt::ShiftModifier);
            QTest::keyClick(&patches, Qt::Key_Delete);
            QCOMPARE(QString::fromStdString(m_world->m_sink->Describe()), QString::fromUtf8(said));
        }
        m_world->m_sink->SetDefaultAnswer(CorvTest::SinkLog::kAgree);
        Click(patches, 1);
        // Ctrl+Home used to leave the old selection behind, out of sight, for Delete to empty.
        QTest::keyClick(&patches, Qt::Key_Home, Qt::ControlModifier);
        QTest::keyClick(&patches, Qt::Key_Delete);
        QVERIFY(Data().Patches()[0].IsEmpty() && !Data().Patches()[1].IsEmpty());
    }

    void doubleClickEditsTheCell() {
        // Kind, row, column; the dialog opened (field and text) and the current column after.
        const std::tuple<int, int, int, const char*, int> cases[] = {
            {1, 2, 1, "1:Saw;", 1}, {0, 0, 3, "2:;", 3}, {0, 0, 2, "", -1}};
        for (const auto& [kind, row, column, opened, current] : cases) {
            CParameterListCtrl& list = List(kind);
            list.SetCurrentColumn(-1);
            m_log.clear();
            Click(list, row, column);
            QTest::mouseDClick(list.viewport(), Qt::LeftButton, {}, CellCentre(list, row, column));
            QCOMPARE(std::tuple(m_log, list.CurrentColumn()), std::tuple(QString(opened), current));
        }
    }

    // Ctrl+R names every selected tone in one undo step, leaving out what a name cannot hold.
    void renameThreeTonesAtOnce() {
        CParameterListCtrl& list = List(1);
        list.SelectRows({2, 4, 6});
        list.SetCurrentColumn(1);
        m_answer = QString::fromUtf8("a/b:c\u00e9\u30d4"); // é is a lead byte of double-byte pages
        QTest::keyClick(&list, Qt::Key_R, Qt::ControlModifier);
        QCOMPARE(m_log, QStringLiteral("1:Saw;")); // the first selected row's name
        QCOMPARE(std::tuple(Cell(1, 2, 1), Cell(1, 6, 1), Cell(1, 8, 1), list.SelectedRows()),
                 std::tuple(QString("abc"), QString("abc"), QString("Lonely"), Rows{2, 4, 6}));
        CorvTest::FreshStore::UndoStep().Undo();
        QCOMPARE(Data().Tones()[6].Name(), std::string("Sub"));
    }

    // A typed name that would be stored as nothing is refused with the reason; a used slot whose
    // name is empty is drawn as "(no name)", never like an empty slot.
    void namesStoredAsNothingAreRefused() {
        QVERIFY(CDesktop::Get().CodePage().Select(QStringLiteral("windows-1252")));
        CParameterListCtrl& list = List(1);
        list.SelectRows({2});
        list.SetCurrentColumn(1);
        const std::pair<QString, const char*> typed[] = {
            {QString::fromUtf8("\u30d4\u30a2\u30ce\u97f3\u8272"), "none of its characters"},
            {QStringLiteral(""), "an entry needs a name"},
            {QStringLiteral("Lead 2"), nullptr}};
        for (const auto& [answer, reason] : typed) {
            m_world->m_notices.clear();
            m_answer = answer;
            QCOMPARE(list.EditCurrentColumn(), reason == nullptr);
            QCOMPARE(m_world->m_notices.size(), reason == nullptr ? 0 : 1);
            if (reason != nullptr)
                QVERIFY2(m_world->m_notices.front().contains(QString::fromUtf8(reason)),
                         qPrintable(m_world->m_notices.front()));
            QCOMPARE(Data().Tones()[2].Name(), std::string(reason == nullptr ? "Lead 2" : "Saw"));
        }
        Data().Tones()[4].SetName("");
        const auto unnamed = [&](int row, int column) {
            return list.model()->index(row, column).data(CParameterListModel::UnnamedRole).toBool();
        };
        QCOMPARE(std::tuple(unnamed(4, 1), unnamed(4, 0), unnamed(2, 1), unnamed(0, 1)),
                 std::tuple(true, false, false, false));
    }

    // A memo confirmed unchanged keeps a lone lead byte, which has no character in Shift_JIS.
    void memoConfirmedUnchangedKeepsItsBytes() {
        QVERIFY(CDesktop::Get().CodePage().Select(QStringLiteral("Shift_JIS")));
        const std::string odd("Memo \x81", 6);
        Data().Waves()[1].SetMemo(4, odd);
        CParameterListCtrl& list = List(2);
        list.SelectRows({1});
        list.SetCurrentColumn(5); // Memo4
        m_answer = CDesktop::Get().CodePage().Decode(odd);
        QVERIFY(list.EditCurrentColumn());
        QCOMPARE(Data().Waves()[1].Memo(4), odd);
    }

    // Delete asks, deletes the selected tones only, and leaves no stale links behind.
    void deleteInToneList() {
        CParameterListCtrl& tones = List(1);
        tones.SelectRows({2});
        View().List(0)->SelectRows({0, 1}); // patches selected elsewhere must survive
        QTest::keyClick(&tones, Qt::Key_Delete);
        QCOMPARE(m_world->m_sink->Questions(), (std::vector<int>{9}));
        QVERIFY(Data().Tones()[2].IsEmpty() && !Data().Patches()[1].IsEmpty());
        QCOMPARE(Cell(1, 2, 1), QString());
        Click(List(0), 1); // Pad: only tone 5 and wave 4 are left to it
        QCOMPARE(Selected(), std::tuple(Rows{1}, Rows{4}, Rows{3}));
    }

    // Clean offers and stores the options, clears the selection, refills the lists, also on Undo.
    void cleanThroughTheCommandAndUndo() {
        CDesktop::Get().Options().m_cleanOptions[1] = 1;
        std::array<std::uint32_t, 4> shown{};
        CDesktop::Get().Choosers().cleanProject = [&](QWidget*,
                                                      std::array<std::uint32_t, 4>& options) {
            shown = std::exchange(options, {0, 0, 0, 0});
            return true;
        };
        Click(List(1), 2);
        View().CleanProject();
        QCOMPARE(shown, (std::array<std::uint32_t, 4>{0, 1, 0, 0}));
        QCOMPARE(CDesktop::Get().Options().m_cleanOptions[1], 0u);
        QCOMPARE(Selected(), std::tuple(Rows{}, Rows{}, Rows{}));
        QCOMPARE(Cell(1, 2, 1), QStringLiteral("Lonely"));
        Undo();
        QCOMPARE(Cell(1, 6, 1), QStringLiteral("Sub"));
        QVERIFY(!View().List(0)->ShowsLinkedRows());
    }

    // Import fills free slots in path order and selects them; status and gauge follow, Undo too.
    void importMovesTheGauge() {
        const std::string big = m_world->Scratch("b.WAV");
        CorvTest::WriteBytes(big, CorvTest::AudioFileBytes(".wav", 12, 1));
        std::filesystem::resize_file(big, Corv::kWaveBytesLimit / 100 * 95);
        CorvTest::WriteBytes(m_world->Scratch("a.wav"), CorvTest::AudioFileBytes(".wav", 300, 1));
        CDesktop::Get().Choosers().importWave = [&](QWidget*) {
            return QStringList{QString::fromStdString(big),
                               QString::fromStdString(m_world->Scratch("a.wav"))};
        };
        QCOMPARE(View().Gauge()->Bytes(), std::uint64_t{2150});
        View().ImportWave();
        QCOMPARE(std::tuple(Cell(2, 0, 1), Cell(2, 2, 1), View().List(2)->SelectedRows()),
                 std::tuple(QString("  a"), QString("  b"), Rows{0, 2}));
        QCOMPARE(View().Gauge()->CurrentLevel(), CWaveGauge::kAmber);
        QCOMPARE(View().StatusText(), QStringLiteral("60.8 MB"));
        Undo();
        QCOMPARE(View().Gauge()->Bytes(), std::uint64_t{2150});
    }

    // The gauge's bar in its level's colour: amber above 90 %, red from the limit on.
    void gaugeColourAtTheThresholds() {
        constexpr std::uint64_t limit = Corv::kWaveBytesLimit;
        const std::pair<std::uint64_t, CWaveGauge::Level> cases[] = {
            {limit / 10 * 9, CWaveGauge::kNormal},
            {limit / 10 * 9 + 1, CWaveGauge::kAmber},
            {limit, CWaveGauge::kFull}};
        CWaveGauge gauge;
        gauge.resize(100, 10);
        QSet<QString> drawn;
        for (const auto& [bytes, level] : cases) {
            gauge.SetBytes(bytes);
            QCOMPARE(gauge.CurrentLevel(), level);
            const QString colour = gauge.grab().toImage().pixelColor(3, 5).name();
            QCOMPARE(colour, gauge.BarColor(level).name());
            drawn << colour;
        }
        QCOMPARE(drawn.size(), 3); // normal, amber and red stand apart
    }

    // Set Up Grid reaches every window; the missing-files notice comes once per activation.
    void gridAndMissingFilesReachEveryWindow() {
        CDesktop::Get().Choosers().setUpGrid = [](QWidget*, int& gridSw) { return (gridSw = 1); };
        View().SetUpGrid();
        QVERIFY(Second().List(0)->showGrid());
        List(0); // the notice needs an active list
        std::filesystem::remove(Data().Waves()[3].FilePath());
        View().OnActivateView();
        View().OnActivateView();
        QCOMPARE(m_world->m_notices.size(), 1);
        QVERIFY(m_world->m_notices[0].startsWith("Some patch/tone/wave files within the project"));
    }

    // The import dialog opens where it was left, a ".." after a link resolved as the system does.
    void importDialogRemembersWhereItWasLeft() {
        const QString folder = QString::fromStdString(m_world->Scratch("Samples"));
        QVERIFY(QDir().mkpath(folder + "/elsewhere/inner"));
        QVERIFY(QFile::link(folder + "/elsewhere/inner", folder + "/link"));
        QSettings().setValue("WAV/InitialDirectory", folder + "/link/..");
        QFileDialog dialog;
        dialog.setNameFilters(CProfiledFileDialog::ImportFilters());
        CProfiledFileDialog::ImportProfile().Prepare(dialog);
        QCOMPARE(dialog.directory().absolutePath(), folder + "/elsewhere");
    }

    // The clean dialog previews the checked options' plan, project untouched, details complete.
    void cleanDialogPreviewsItsOptions() {
        CDesktop::Get().Options().m_cleanOptions[3] = 1;
        CCleanProjectDlg dialog(CDesktop::Get().Options().m_cleanOptions,
                                CDesktop::Get().CodePage());
        Data().Patches()[4].ResetToneSlot(1); // tone 9 and its wave 6 become unused
        Data().RebuildToneUsers();
        Data().RebuildWaveUsers();
        const Corv::CToneArray tones = Data().Tones();
        dialog.ShowPreviewOf(Data());
        const QList<QCheckBox*> boxes = dialog.findChildren<QCheckBox*>();
        QCOMPARE(dialog.Summary(), "This clean removes 2 tones and 1 wave (2.0 KB); renumbers 2 "
                                   "tones and 2 waves.");
        dialog.show();
        QTest::mouseClick(dialog.findChild<QPushButton*>(), Qt::LeftButton);
        const QTreeWidget* details = dialog.findChild<CCleanDetailsDlg*>()->List();
        QCOMPARE(details->topLevelItemCount(), 7); // tones 3, 5, 7, 9 and waves 2, 4, 6
        const QTreeWidgetItem* item = details->topLevelItem(2);
        QCOMPARE(item->text(0) + item->text(1) + item->text(2), QStringLiteral("Tone7removed"));
        boxes[1]->setChecked(true); // keep unused tones
        QCOMPARE(dialog.Summary(), QStringLiteral("This clean renumbers 4 tones and 3 waves."));
        QVERIFY(Data().Tones() == tones); // a preview only
    }

    // Next and previous walk and wrap the hits of one or every project, selecting each in its
    // window; memos are searched in the names' code page; no text opens the bar instead.
    void findBarWalksTheHits() {
        Data().Patches()[9].SetFilePath(Data().ProjectFolder() + "Patch/010 Cafe.d00");
        Data().Patches()[9].SetName("Caf\xE9"); // "Café" in Windows-1252
        View().OnActivateView();
        CFindBar bar;
        // "S" is in Bass (patch 5), Saw, Str, Sub (tones 3, 5, 7) and Snare (wave 4).
        bar.SetSearch(QStringLiteral("S"), CFindBar::kActiveProject, Corv::KindSet::All());
        QCOMPARE(Steps(bar, {true, true, false, false, true}),
                 QStringLiteral("hit 1 of 5, hit 2 of 5, hit 1 of 5, hit 5 of 5, hit 1 of 5"));
        QCOMPARE(Selected(), std::tuple(Rows{4}, Rows{}, Rows{})); // earlier hits left nothing
        CFileView& other = Second();
        bar.SetSearch(QStringLiteral("s"), CFindBar::kEveryProject,
                      Corv::KindSet::Of(Corv::kToneKind));
        QVERIFY(Steps(bar, {true, true, true, true}).endsWith("hit 4 of 6"));
        QCOMPARE(std::pair(CFileView::Current(), other.List(1)->SelectedRows()),
                 std::pair(&other, Rows{2}));
        QCOMPARE(Steps(bar, {false}), QStringLiteral("hit 3 of 6"));
        QCOMPARE(CFileView::Current(), &View());
        bar.SetSearch(QStringLiteral("CAF\u00C9"), CFindBar::kActiveProject,
                      Corv::KindSet::Of(Corv::kPatchKind));
        QCOMPARE(Steps(bar, {true}), QStringLiteral("hit 1 of 1"));
        QCOMPARE(View().List(0)->SelectedRows(), Rows{9});
        bar.SetSearch(QStringLiteral("M1"), CFindBar::kActiveProject, Corv::KindSet::All());
        QCOMPARE(Steps(bar, {true}), QStringLiteral("hit 1 of 1"));
        QCOMPARE(View().List(1)->SelectedRows(), Rows{2});
        // Shift+Down extends the selection from the hit.
        QTest::keyClick(View().List(1), Qt::Key_Down, Qt::ShiftModifier);
        QCOMPARE(View().List(1)->SelectedRows(), (Rows{2, 3}));
        bar.SetSearch(QStringLiteral("zzz"), CFindBar::kEveryProject, Corv::KindSet::All());
        QCOMPARE(Steps(bar, {true}), QStringLiteral("No hit for \"zzz\""));
        // A character the code page cannot hold matches nothing, not a stored '?'.
        Data().Patches()[3].SetName("Qu?");
        bar.SetSearch(QStringLiteral("ピ"), CFindBar::kEveryProject, Corv::KindSet::All());
        QCOMPARE(Steps(bar, {true}), QStringLiteral("No hit for \"ピ\": the code page "
                                                    "windows-1252 cannot hold all of its "
                                                    "characters"));
        bar.SetSearch(QString(), CFindBar::kEveryProject, Corv::KindSet::All());
        QVERIFY(bar.isHidden() && !bar.Step(true) && !bar.isHidden());
    }

    void keysGiveTheFlags() {
        // Keys, over the source list?; insert? (Shift or Alt), copy? (Ctrl swaps move and copy)
        const std::tuple<Qt::KeyboardModifiers, bool, bool, bool> cases[] = {
            {{}, true, false, false},
            {Qt::ControlModifier | Qt::AltModifier, true, true, true},
            {Qt::ShiftModifier, false, true, true},
            {Qt::ControlModifier, false, false, false}};
        for (const auto& [keys, overSource, insert, copy] : cases) {
            const DropFlags flags = FlagsForKeys(keys, overSource);
            QCOMPARE(std::pair(flags.insert, flags.copy), std::pair(insert, copy));
        }
        // The drag object carries one format, named after the kind, and what it names reads
        // back only in the program that made it and only when whole.
        const DragPayload payload{QCoreApplication::applicationPid(),
                                  7,
                                  Corv::kToneKind,
                                  {2, 5, 6},
                                  1,
                                  3,
                                  QStringLiteral("/songs/A.prj/"),
                                  {QStringLiteral("0a"), QStringLiteral("0b"), QStringLiteral("0c")}};
        const std::unique_ptr<QMimeData> data(MakeDragData(payload));
        QCOMPARE(data->formats(), QStringList{"application/x-corvanelibrarian-tone"});
        QVERIFY(ReadDragData(data.get()) == payload);
        DragPayload elsewhere = payload;
        elsewhere.process += 1;
        QVERIFY(!ReadDragData(std::unique_ptr<QMimeData>(MakeDragData(elsewhere)).get()));
        const QByteArray bytes = data->data(DragFormat(Corv::kToneKind));
        for (const qsizetype cut : {qsizetype{0}, qsizetype{10}, bytes.size() - 1}) {
            QMimeData shortData;
            shortData.setData(DragFormat(Corv::kToneKind), bytes.left(cut));
            QVERIFY(!ReadDragData(&shortData));
        }
    }

    void aDragNeedsAUsedSlotAndKeepsTheGrabOffset() {
        QVERIFY(!Begin(*View().List(0), {2, 3}, 2)); // patches 3 and 4 are free
        QVERIFY(Begin(*View().List(0), {0, 1, 2}, 1));
        // Rows 1-3 dragged by row 2 onto row 10 land on rows 9-11.
        QCOMPARE(Over(*Second().List(0), 9), Qt::CopyAction);
        QCOMPARE(DropRows(*Second().List(0)), (Rows{8, 9, 10}));
        QVERIFY(DropRows(*View().List(0)).empty());
        // Only a list of the drag's kind takes it; within the source list a plain drag moves.
        QCOMPARE(Over(*Second().List(1), 3), Qt::IgnoreAction);
        QCOMPARE(Over(*View().List(0), 3), Qt::MoveAction);
        CDesktop::Get().Drag().End();
        QVERIFY(!CDesktop::Get().Drag().Dragging());
    }

    // Drops within a list and, with Ctrl, into another project move; one undo restores both.
    void dropsMoveAndOneUndoRestoresBoth() {
        QVERIFY(Begin(*View().List(0), {0, 1}, 0)); // Lead, Pad onto rows 8-9
        QVERIFY(DropOn(*View().List(0), 7));
        QVERIFY(Data().Patches()[0].IsEmpty() && Data().Patches()[1].IsEmpty());
        QCOMPARE(Data().Patches()[7].Name() + Data().Patches()[8].Name(), std::string("LeadPad"));
        QCOMPARE(View().List(0)->SelectedRows(), (Rows{7, 8})); // where the block landed
        QVERIFY(m_song->IsModified() && !m_second->IsModified());
        const std::string leadFile = Data().Patches()[7].FilePath();
        QVERIFY(Begin(*View().List(0), {7}, 7));
        QVERIFY(DropOn(*Second().List(0), 9, Qt::ControlModifier));
        QVERIFY(Data().Patches()[7].IsEmpty() && m_second->IsModified());
        QCOMPARE(m_second->Data().Patches()[9].Name(), std::string("Lead"));
        Corv::CProjectDocuments::Get().Undo();
        QCOMPARE(Data().Patches()[7].FilePath(), leadFile);
        QVERIFY(m_second->Data().Patches()[9].IsEmpty());
    }

    // The status line says what the drop would do; a cancelled drag changes nothing.
    void theStatusPreviewSaysWhatTheDropWouldDo() {
        QVERIFY(Begin(*View().List(0), {0}, 0)); // Lead plays tone 3 (Saw: waves 2 and 4)
        Over(*Second().List(0), 9);
        QCOMPARE(CDesktop::Get().Drag().Preview(),
                 "copy 1 patch to B.prj row 10 (overwrite), carrying 1 tone, 2 waves, 150 Bytes   "
                 "(Ctrl: move, Shift or Alt: insert)");
        Over(*View().List(0), 1, Qt::ShiftModifier);
        QVERIFY(CDesktop::Get().Drag().Preview().startsWith("move 1 patch to row 2 (insert)"));
        CDesktop::Get().Drag().End(); // Escape, or a release outside any list
        QVERIFY(!m_song->IsModified() && !m_second->IsModified() &&
                !CorvTest::FreshStore::UndoStep().CanUndo());
        QVERIFY(DropRows(*View().List(0)).empty() && m_second->Data().Patches()[9].IsEmpty());
    }

    void theEdgesScrollFasterTheLongerTheCursorStaysThere() {
        QVERIFY(Begin(*View().List(0), {0}, 0));
        CParameterListCtrl& list = *Second().List(0);
        const QPoint bottom(40, list.viewport()->height() - 3);
        Over(list, bottom);
        const int top = list.TopRow();
        // A row a tick for the first three seconds, then as many rows as seconds have passed.
        for (const auto& [now, scrolled] : {std::pair{500, 1}, {2500, 2}, {4200, 6}}) {
            m_now = now;
            list.AutoScrollTick();
            QCOMPARE(list.TopRow(), top + scrolled);
        }
        // The drop position follows the rows that scrolled under the cursor.
        QCOMPARE(CDesktop::Get().Drag().DropPosition(), list.rowAt(bottom.y()));
    }

    // A background project window comes forward once the cursor has rested on it for more than
    // a second, and only once; moving on starts the wait again; the current window never does.
    void aRestingCursorBringsABackgroundWindowForward() {
        Second();
        View().OnActivateView(); // the song's window is the current one
        QVERIFY(Begin(*View().List(0), {0}, 0));
        QSignalSpy raised(&CDesktop::Get().Drag(), &CDragState::HoverRaised);
        // The time, the list the cursor then moves over (null: it rests) and its row, and how
        // many times the second window has come forward since the drag began.
        CParameterListCtrl* const other = Second().List(0);
        CParameterListCtrl* const own = View().List(0);
        const std::tuple<qint64, CParameterListCtrl*, int, int> steps[] = {
            {0, other, 3, 0},      {900, nullptr, 0, 0},  {900, other, 4, 0},
            {1500, nullptr, 0, 0}, {2000, nullptr, 0, 1}, {3500, nullptr, 0, 1},
            {3500, own, 5, 1},     {6000, nullptr, 0, 1}};
        for (const auto& [now, list, row, times] : steps) {
            m_now = now;
            if (list != nullptr)
                Over(*list, row);
            CDesktop::Get().Drag().CheckHover();
            QCOMPARE(raised.count(), times);
        }
        QCOMPARE(qvariant_cast<QWidget*>(raised.at(0).at(0)), static_cast<QWidget*>(&Second()));
    }

    // What a drop leaves behind: the preview follows the keys as they change over one row; an
    // inserted copy selects the dragged row where it went; a move out of another project marks
    // that project changed too.
    void dropsSelectAndMarkWhatTheyChanged() {
        QVERIFY(Begin(*View().List(0), {4}, 4)); // Bass
        Over(*View().List(0), 0);
        QVERIFY(CDesktop::Get().Drag().Preview().startsWith("move 1 patch to row 1 (overwrite)"));
        Over(*View().List(0), 0, Qt::ControlModifier | Qt::ShiftModifier);
        QVERIFY(CDesktop::Get().Drag().Preview().startsWith("copy 1 patch to row 1 (insert)"));
        QVERIFY(DropOn(*View().List(0), 0, Qt::ControlModifier | Qt::ShiftModifier));
        QCOMPARE(std::tuple(Cell(0, 0, 1), Cell(0, 5, 1), View().List(0)->SelectedRows()),
                 std::tuple(QString("Bass"), QString("Bass"), Rows{0}));
        QVERIFY(!m_second->IsModified());
        QVERIFY(Begin(*Second().List(0), {1}, 1)); // B's Pad, moved with Ctrl
        QVERIFY(DropOn(*View().List(0), 9, Qt::ControlModifier));
        QCOMPARE(std::tuple(Cell(0, 9, 1), m_song->IsModified(), m_second->IsModified()),
                 std::tuple(QString("Pad"), true, true));
    }

    // Delete is offered while a used slot is selected only; deleting a wave updates the wave
    // total in the status text and the gauge.
    void deleteNeedsAUsedSlotAndUpdatesTheWaveTotal() {
        CParameterListCtrl& waves = List(2);
        // The rows selected, and whether Delete is offered.
        for (const auto& [rows, offered] :
             {std::pair{Rows{0}, false}, {Rows{0, 2}, false}, {Rows{0, 1}, true}}) {
            waves.SelectRows(rows);
            QCOMPARE(View().CanDelete(), offered);
        }
        QCOMPARE(View().StatusText(), QStringLiteral("2.1 KB"));
        waves.SelectRows({5}); // Hat, 2000 bytes
        QTest::keyClick(&waves, Qt::Key_Delete);
        QCOMPARE(std::tuple(Cell(2, 5, 1), View().StatusText(), View().Gauge()->Bytes()),
                 std::tuple(QString(), QString("150 Bytes"), std::uint64_t{150}));
    }
};

QTEST_MAIN(ProjectWindowTest)
#include "project_window_test.moc"
