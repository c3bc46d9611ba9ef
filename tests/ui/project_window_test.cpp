// The project window and its lists: cell texts, keys, editing names and memos in single- and
// double-byte code pages, column widths, refill, row drawing, selection links, the commands (with
// undo), the missing-files warning, the layout, and the dialogs driven without being shown.
#include "ui/clean_project_dlg.h"
#include "ui/code_page.h"
#include "ui/list_delegate.h"
#include "ui/profiled_file_dialog.h"
#include "ui/replace_string_dlg.h"
#include "ui_fixture.h"

#include <QCheckBox>
#include <QFileDialog>
#include <QImage>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>
#include <filesystem>

using CorvUiTest::Rows;

namespace {

Rows UsedRows(const Corv::CParameterArray& records) {
    Rows rows;
    for (std::size_t i = 0; i < records.Size(); ++i)
        if (!records.Item(i).IsEmpty())
            rows.push_back(static_cast<int>(i));
    return rows;
}

} // namespace

class ProjectWindowTest : public QObject {
    Q_OBJECT
    std::unique_ptr<CorvUiTest::World> m_world;
    std::unique_ptr<CFileView> m_view;
    Corv::CProjectDocument* m_song = nullptr;
    std::unique_ptr<CParameterListCtrl> m_list;
    // The scripted edit dialog: "field:text;" for each opening, and the answer on OK.
    QString m_log;
    bool m_accept = true;
    QString m_answer;

    CParameterListCtrl& MakeList(int kind) {
        m_list = std::make_unique<CParameterListCtrl>(kind);
        m_list->Bind(&m_song->Data());
        m_list->Refresh();
        m_list->resize(400, 300);
        m_list->show();
        m_list->setFocus();
        return *m_list;
    }
    QString Cell(int row, int column) const {
        return m_list->model()->index(row, column).data().toString();
    }

    CFileView& ShowSong() {
        m_view = m_world->Show(*m_song);
        return *m_view;
    }
    Corv::CLumData& Data() const { return m_song->Data(); }
    std::tuple<Rows, Rows, Rows> Selected() const {
        return {m_view->List(0)->SelectedRows(), m_view->List(1)->SelectedRows(),
                m_view->List(2)->SelectedRows()};
    }
    QString Cell(int kind, int row, int column) const {
        return m_view->List(kind)->model()->index(row, column).data().toString();
    }
    // A file dialog with the import filters, prepared from what the settings remember.
    static std::unique_ptr<QFileDialog> PreparedImportDialog() {
        auto dialog = std::make_unique<QFileDialog>();
        dialog->setNameFilters(CProfiledFileDialog::ImportFilters());
        CProfiledFileDialog::ImportProfile().Prepare(*dialog);
        return dialog;
    }

private slots:
    void init() {
        m_world = std::make_unique<CorvUiTest::World>();
        CCodePage::Get().Select(QStringLiteral("windows-1252"));
        m_song = &m_world->OpenSong("Song");
        m_log.clear();
        m_accept = true;
        CUiChoosers::Get().editText = [this](QWidget*, int field, QString& text) {
            m_log += QStringLiteral("%1:%2;").arg(field).arg(text);
            if (m_accept)
                text = m_answer;
            return m_accept;
        };
    }

    void cleanup() {
        m_list.reset();
        m_view.reset();
        m_world.reset();
    }

    void selectionLinks() {
        // The list and its selected rows; the rows then selected in the patch, tone, wave lists.
        const std::tuple<int, Rows, Rows, Rows, Rows> cases[] = {
            {0, {1}, {1}, {2, 4}, {1, 3}},       // a patch on two tones
            {0, {4}, {4}, {8}, {5}},             // a patch on its second slot
            {0, {3}, {3}, {}, {}},               // a free slot
            {1, {2}, {0, 1}, {2}, {1, 3}},       // a shared tone
            {1, {6}, {}, {6}, {}},               // an unused tone
            {1, {4, 8}, {1, 4}, {4, 8}, {3, 5}}, // two tones
            {2, {3}, {0, 1}, {2, 4}, {3}}};      // a wave of two tones
        CFileView& view = ShowSong();
        for (const auto& [kind, selected, patches, tones, waves] : cases) {
            for (int other = 0; other < 3; ++other)
                view.List(other)->SelectRows({10}); // stale selections are cleared
            view.List(kind)->SelectRows(selected);
            view.LinkSelection(*view.List(kind));
            QCOMPARE(Selected(), std::tuple(patches, tones, waves));
        }
    }

    void clickAndSelectAllLinkTheOtherLists() {
        CFileView& view = ShowSong();
        CParameterListCtrl& tones = *view.List(1);
        QTest::mouseClick(tones.viewport(), Qt::LeftButton, {},
                          CorvUiTest::CellCentre(tones, 8, 1));
        QCOMPARE(Selected(), std::tuple(Rows{4}, Rows{8}, Rows{5}));
        QCOMPARE(view.ActiveList(), &tones);
        // Select All takes the rows up to the last used one of the active list.
        view.List(2)->setFocus();
        view.SelectAll();
        QCOMPARE(Selected(), std::tuple(Rows{0, 1, 4}, Rows{2, 4, 8}, Rows{0, 1, 2, 3, 4, 5}));
    }

    void deleteInToneListDeletesTonesOnly() {
        CFileView& view = ShowSong();
        CParameterListCtrl& tones = *view.List(1);
        tones.setFocus();
        tones.SelectRows({0, 1}); // free slots only: nothing to delete
        QVERIFY(!view.CanDelete());
        QSignalSpy state(&view, &CFileView::CommandStateChanged);
        tones.SelectRows({2});
        QVERIFY(view.CanDelete());
        QCOMPARE(state.count(), 1);       // the frame enables Delete
        view.List(0)->SelectRows({0, 1}); // patches selected elsewhere must survive
        m_world->m_sink->QueueAnswers({Corv::kAnswerCancel});
        QTest::keyClick(&tones, Qt::Key_Delete);
        QVERIFY(!view.Document().IsModified());
        QTest::keyClick(&tones, Qt::Key_Delete);
        QCOMPARE(m_world->m_sink->Questions(), (std::vector<int>{9, 9}));
        QCOMPARE(std::tuple(UsedRows(Data().Patches()), UsedRows(Data().Tones())),
                 std::tuple(Rows{0, 1, 4}, Rows{4, 6, 8}));
        QCOMPARE(Data().Patches()[0].Slot(0).ToneNumber(), 0);
        QCOMPARE(Data().Patches()[1].Slot(1).ToneNumber(), 5);
        QCOMPARE(UsedRows(Data().Waves()), (Rows{1, 3, 5})); // waves lose a user but stay
        QVERIFY(view.Document().IsModified());
        QCOMPARE(Cell(1, 2, 1), QString());
    }

    void cleanThroughTheCommandAndUndo() {
        CFileView& view = ShowSong();
        Corv::CDomain::Get().m_toneOption = 1;
        std::array<std::uint32_t, 4> shown{};
        bool accept = false;
        CUiChoosers::Get().cleanProject = [&](QWidget*, std::array<std::uint32_t, 4>& options) {
            shown = options;
            options = {0, 0, 0, 0};
            return accept;
        };
        view.CleanProject(); // cancelled: nothing changes, not even the options
        QCOMPARE(Corv::CDomain::Get().m_toneOption, 1u);
        QVERIFY(!view.Document().IsModified());
        accept = true;
        view.CleanProject();
        QCOMPARE(shown, (std::array<std::uint32_t, 4>{0, 1, 0, 0}));
        QCOMPARE(Corv::CDomain::Get().m_toneOption, 0u);
        QCOMPARE(UsedRows(Data().Patches()), (Rows{0, 1, 2}));
        QCOMPARE(Data().Patches()[2].Slot(1).ToneNumber(), 3);
        QVERIFY(view.Document().IsModified());
        QCOMPARE(Cell(1, 2, 1), QStringLiteral("Lonely"));
        // Undo (the application's command) swaps the project back; the views refill.
        Corv::CProjectDocuments::Get().Undo();
        view.Document().UpdateAllViews();
        QCOMPARE(Data().Patches()[4].Slot(1).ToneNumber(), 9);
        QCOMPARE(Cell(1, 6, 1), QStringLiteral("Sub"));
    }

    void importThroughTheCommandAndUndo() {
        CFileView& view = ShowSong();
        QStringList files;
        for (const auto& [name, size] : {std::pair{"b.WAV", 400}, {"a.wav", 300}, {"c.txt", 5}}) {
            CorvTest::WriteBytes(m_world->Scratch(name),
                                 CorvTest::AudioFileBytes(Corv::Extension(name), size, 1));
            files << QString::fromStdString(m_world->Scratch(name));
        }
        CUiChoosers::Get().importWave = [&](QWidget*) { return files; };
        view.List(2)->SetTopRow(500);
        view.ImportWave();
        // In ascending path order into the first empty slots, shown and selected.
        QCOMPARE(std::tuple(Cell(2, 0, 1), Cell(2, 2, 1)),
                 std::tuple(QString("  a"), QString("  b")));
        QCOMPARE(std::tuple(view.List(2)->SelectedRows(), view.List(2)->TopRow()),
                 std::tuple(Rows{0, 2}, 0));
        QCOMPARE(view.StatusText(), QStringLiteral("2.8 KB")); // 2,150 + 700 bytes
        QVERIFY(view.Document().IsModified());
        QVERIFY(m_world->m_sink->Calls().empty());
        Corv::CProjectDocuments::Get().Undo();
        view.Document().UpdateAllViews();
        QCOMPARE(UsedRows(Data().Waves()), (Rows{1, 3, 5}));
        QCOMPARE(Cell(2, 0, 1), QString());
    }

    void setUpGridReachesEveryWindow() {
        CFileView& first = ShowSong();
        std::unique_ptr<CFileView> second = m_world->Show(m_world->OpenSong("Other"));
        second->List(1)->setColumnWidth(1, 99);
        bool accept = true;
        CUiChoosers::Get().setUpGrid = [&](QWidget*, int& gridSw) {
            gridSw = 1 - gridSw; // the dialog is offered the stored switch
            return accept;
        };
        first.SetUpGrid();
        QCOMPARE(Corv::CDomain::Get().m_gridSw, 1u);
        QVERIFY(first.List(2)->showGrid() && second->List(0)->showGrid());
        QCOMPARE(second->List(1)->columnWidth(1), 99);
        accept = false;
        second->SetUpGrid();
        QVERIFY(first.List(0)->showGrid());
    }

    void missingFilesWarnOncePerActivation() {
        CFileView& view = ShowSong();
        view.List(0)->setFocus();
        view.OnActivateView();
        QCOMPARE(m_world->m_notices.size(), 0);
        std::filesystem::remove(Data().Waves()[3].FilePath());
        view.OnActivateView();
        view.OnActivateView();
        QCOMPARE(m_world->m_notices.size(), 1);
        QVERIFY(m_world->m_notices[0].startsWith("Some patch/tone/wave files within the project"));
        // Switching to another project window and back warns again.
        std::unique_ptr<CFileView> second = m_world->Show(m_world->OpenSong("Other"));
        second->List(1)->setFocus();
        second->OnActivateView();
        view.OnActivateView();
        QCOMPARE(m_world->m_notices.size(), 2);
        // Without an active list there is no warning.
        view.OnDeactivateView();
        view.List(0)->clearFocus();
        view.OnActivateView();
        QCOMPARE(m_world->m_notices.size(), 2);
    }

    void widthGoesToThePatchList() {
        CFileView& view = ShowSong();
        view.resize(1000, 400);
        const QRect patch = view.List(0)->geometry();
        const QRect tone = view.List(1)->geometry();
        const QRect wave = view.List(2)->geometry();
        view.resize(1300, 500);
        QCOMPARE(view.List(0)->geometry(), patch.adjusted(0, 0, 300, 100));
        QCOMPARE(view.List(1)->geometry(), tone.adjusted(300, 0, 300, 100));
        QCOMPARE(view.List(2)->geometry(), wave.adjusted(300, 0, 300, 100));
        QVERIFY(tone.left() > patch.right() && wave.left() > tone.right());
    }

    void editDialogTitles() {
        for (const auto& [field, title, label] : {std::tuple{1, "Edit Name", "Name"},
                                                  {2, "Edit Memo", "Memo1"},
                                                  {5, "Edit Memo", "Memo4"}}) {
            CReplaceStringDlg dialog(field, QStringLiteral("Old text"));
            QCOMPARE(dialog.windowTitle(), QString::fromLatin1(title));
            QCOMPARE(dialog.Label(), QString::fromLatin1(label));
            QCOMPARE(dialog.Text(), QStringLiteral("Old text"));
            // No length limit in the field: filtering happens when the text is stored.
            dialog.findChild<QLineEdit*>()->setText(QString(40, QLatin1Char('x')));
            QCOMPARE(dialog.Text().size(), 40);
        }
    }

    void cleanDialogOrderAndStore() {
        Corv::CDomain& domain = Corv::CDomain::Get();
        domain.m_waveOption = 1;
        domain.m_pnumOption = 1;
        CCleanProjectDlg dialog(CCleanProjectDlg::StoreOptions());
        const QList<QCheckBox*> boxes = dialog.findChildren<QCheckBox*>();
        QStringList shown;
        for (const QCheckBox* box : boxes)
            shown << (box->isChecked() ? "[x] " : "[ ] ") + box->text();
        QCOMPARE(shown, (QStringList{"[x] Keep Unused User &Waves", "[ ] Keep Unused User &Tones",
                                     "[ ] Keep Tone &Numbering", "[x] Keep &Patch Numbering"}));
        boxes[1]->setChecked(true);
        boxes[3]->setChecked(false);
        CCleanProjectDlg::SetStoreOptions(dialog.Options());
        QCOMPARE((std::array{domain.m_waveOption, domain.m_toneOption, domain.m_tnumOption,
                             domain.m_pnumOption}),
                 (std::array<std::uint32_t, 4>{1, 1, 0, 0}));
    }

    void fileDialogRemembersWhereItWasLeft() {
        // With nothing stored the first filter is chosen.
        QCOMPARE(PreparedImportDialog()->selectedNameFilter(),
                 CProfiledFileDialog::ImportFilters()[0]);
        const QString folder = QString::fromStdString(m_world->Scratch("Samples"));
        QDir().mkpath(folder);
        auto dialog = PreparedImportDialog();
        dialog->setDirectory(folder);
        dialog->selectNameFilter(CProfiledFileDialog::ImportFilters()[3]);
        CProfiledFileDialog::ImportProfile().Remember(*dialog, false);
        QVERIFY(!QSettings().contains("WAV/InitialFileName")); // only an OK keeps the file
        auto reopened = PreparedImportDialog();
        QCOMPARE(reopened->directory().absolutePath(), folder);
        QCOMPARE(reopened->selectedNameFilter(), CProfiledFileDialog::ImportFilters()[3]);
        // A remembered ".." through a link opens the folder the system means by it.
        QVERIFY(QDir(folder).mkpath("elsewhere/inner"));
        QVERIFY(QFile::link(folder + "/elsewhere/inner", folder + "/link"));
        QSettings().setValue("WAV/InitialDirectory", folder + "/link/..");
        QCOMPARE(PreparedImportDialog()->directory().absolutePath(), folder + "/elsewhere");
    }

    void cellTexts() {
        // Kind, row, column and the text shown.
        const std::tuple<int, int, int, const char*> cases[] = {
            {1, 0, 0, "1"},       {2, 998, 0, "999"}, {2, 1, 1, "* Kick"}, {2, 5, 1, "* Hat"},
            {2, 3, 1, "  Snare"}, {2, 0, 1, ""},      {1, 2, 1, "Saw"},    {1, 2, 2, "m1"},
            {0, 0, 6, "m4"},      {0, 1, 2, "L/U"},   {0, 0, 2, "_/U"},    {0, 4, 2, "L/_"},
            {0, 2, 2, ""}};
        for (const auto& [kind, row, column, text] : cases) {
            MakeList(kind);
            QCOMPARE(Cell(row, column), QString::fromLatin1(text));
        }
    }

    void currentColumnKeys() {
        // Each key and the current column it leaves; '>' and '<' stand for the arrow keys.
        for (const auto& [kind, keys, columns] : {std::tuple{0, "lll", Rows{0, 1, 2}},
                                                  {1, "$ll", Rows{5, 5, 5}},
                                                  {2, "$hhhhhhh", Rows{5, 4, 3, 2, 1, 0, 0, 0}},
                                                  {0, "$^$_$|", Rows{6, 0, 6, 0, 6, 0}},
                                                  {1, "><<", Rows{0, 0, 0}}}) {
            CParameterListCtrl& list = MakeList(kind);
            for (std::size_t i = 0; keys[i] != 0; ++i) {
                if (keys[i] == '>' || keys[i] == '<')
                    QTest::keyClick(&list, keys[i] == '>' ? Qt::Key_Right : Qt::Key_Left);
                else
                    QTest::keyClicks(&list, QString(QChar(keys[i])));
                QCOMPARE(list.CurrentColumn(), columns[i]);
            }
        }
    }

    void rowKeysAndKeysThatDoNothing() {
        CParameterListCtrl& list = MakeList(0);
        list.SelectRows({1});
        list.SetFocusedRow(1);
        list.SetCurrentColumn(2);
        QSignalSpy links(&list, &CParameterListCtrl::SelectionLinkRequested);
        // Enter, Ctrl+R on ToneSwitch and the right button do nothing at all.
        QTest::keyClick(&list, Qt::Key_Return);
        QTest::keyClick(&list, Qt::Key_Enter);
        QTest::keyClick(&list, Qt::Key_R, Qt::ControlModifier);
        QTest::mouseClick(list.viewport(), Qt::RightButton, {}, CorvUiTest::CellCentre(list, 4, 1));
        QCOMPARE(std::tuple(m_log, list.SelectedRows(), list.FocusedRow(), list.CurrentColumn()),
                 std::tuple(QString(), Rows{1}, 1, 2));
        // j and J move down, k up, selecting the row and linking the other lists.
        QTest::keyClicks(&list, QStringLiteral("jJjk"));
        QCOMPARE(std::tuple(list.FocusedRow(), list.SelectedRows(), links.count()),
                 std::tuple(3, Rows{3}, 4));
    }

    void doubleClick() {
        // Kind, row, column; the dialog opened (field and text) and the current column after.
        const std::tuple<int, int, int, const char*, int> cases[] = {
            {1, 2, 1, "1:Saw;", 1}, {0, 0, 3, "2:;", 3}, {2, 1, 1, "1:Kick;", 1},
            {0, 0, 2, "", -1},      {1, 0, 1, "", -1},   {1, 2, 0, "", 0}};
        m_accept = false;
        for (const auto& [kind, row, column, opened, current] : cases) {
            CParameterListCtrl& list = MakeList(kind);
            m_log.clear();
            const QPoint at = CorvUiTest::CellCentre(list, row, column);
            QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, at);
            QTest::mouseDClick(list.viewport(), Qt::LeftButton, {}, at);
            QCOMPARE(std::tuple(m_log, list.CurrentColumn()), std::tuple(QString(opened), current));
        }
    }

    void renameThreeTonesAtOnce() {
        // In a single-byte code page a byte of the double-byte lead range is a letter and goes
        // alone; a double-byte character goes whole.
        const std::tuple<const char*, QString, std::string> cases[] = {
            {"windows-1252", QStringLiteral("a/b:c"), "abc"},
            {"windows-1252", QString::fromUtf8("Caf\u00e9 X"), "Caf X"},
            // What the code page cannot hold is left out, never stored as substitute bytes.
            {"windows-1252", QString::fromUtf8("Piano\u30d4\u30a2\u30ce\u97f3\u8272"), "Piano"},
            {"Shift_JIS", QString::fromUtf8("\u3042X"), "X"}};
        CParameterListCtrl& list = MakeList(1);
        QSignalSpy edited(&list, &CParameterListCtrl::CellEdited);
        list.SelectRows({2, 4, 6});
        list.SetCurrentColumn(1);
        m_accept = false;
        QVERIFY(!list.EditCurrentColumn());
        QVERIFY(!Corv::CDomain::Get().CanUndo());
        m_accept = true;
        for (const auto& [codePage, typed, stored] : cases) {
            QVERIFY(CCodePage::Get().Select(QString::fromLatin1(codePage)));
            m_answer = typed;
            QTest::keyClick(&list, Qt::Key_R, Qt::ControlModifier);
            for (const int row : {2, 4, 6})
                QCOMPARE(Data().Tones()[static_cast<std::size_t>(row)].Name(), stored);
            QCOMPARE(Data().Tones()[8].Name(), std::string("Lonely"));
            // One undo step takes all three names back.
            Corv::CDomain::Get().Undo();
            QCOMPARE(Data().Tones()[6].Name(), std::string("Sub"));
        }
        QCOMPARE(edited.count(), 4);
        QCOMPARE(m_log, QStringLiteral("1:Saw;").repeated(5)); // the first selected row's name
    }

    void memosKeepOneLineAndUneditedBytes() {
        CParameterListCtrl& list = MakeList(2);
        list.SelectRows({1, 3});
        list.SetCurrentColumn(5); // Memo4
        m_answer = QStringLiteral("one\r\ntwo\nthree\tfour\x01");
        QVERIFY(list.EditCurrentColumn());
        QCOMPARE(m_log, QStringLiteral("5:;"));
        QCOMPARE(Data().Waves()[1].Memo(4), std::string("one  two three four"));
        QCOMPARE(Data().Waves()[3].Memo(4), std::string("one  two three four"));
        // A lone lead byte has no character in a double-byte code page: a memo confirmed
        // unchanged keeps it.
        QVERIFY(CCodePage::Get().Select(QStringLiteral("Shift_JIS")));
        const std::string odd("Memo \x81", 6);
        Data().Waves()[1].SetMemo(4, odd);
        list.SelectRows({1});
        m_answer = CCodePage::Get().Decode(odd);
        list.EditCurrentColumn();
        QCOMPARE(Data().Waves()[1].Memo(4), odd);
    }

    void columnWidthsFromTheSettings() {
        QSettings().setValue(QStringLiteral("ToneListCtrl/ColumnWidth"), QStringLiteral("70,,90"));
        QSettings().setValue(QStringLiteral("PatchListCtrl/ColumnWidth"),
                             QStringLiteral("x,-5,99999,60,61,62,63,64"));
        QCOMPARE(MakeList(1).ColumnWidths(), (Rows{70, 136, 90, 50, 50, 50}));
        m_list->setColumnWidth(1, 150);
        m_list.reset(); // a list writes its widths when it goes
        QCOMPARE(QSettings().value(QStringLiteral("ToneListCtrl/ColumnWidth")).toString(),
                 QStringLiteral("70,150,90,50,50,50"));
        QCOMPARE(MakeList(0).ColumnWidths(), (Rows{56, 136, 76, 60, 61, 62, 63}));
    }

    void refillAndRefreshKeepThePlace() {
        CParameterListCtrl& list = MakeList(2);
        list.SelectRows({1, 3, 500});
        list.SetFocusedRow(3);
        list.SetTopRow(100);
        list.SetCurrentColumn(2);
        const int top = list.TopRow();
        QVERIFY(top > 0);
        Data().Waves()[3].SetName("Changed");
        const auto place = [&] {
            return std::tuple(list.SelectedRows(), list.FocusedRow(), list.TopRow(),
                              list.CurrentColumn());
        };
        list.Refill();
        QCOMPARE(place(), std::tuple(Rows{1, 3, 500}, 3, top, 2));
        QCOMPARE(Cell(3, 1), QStringLiteral("  Changed"));
        // With a count the selection becomes as many rows from the first one, when they fit.
        list.Refill(true, 3);
        QCOMPARE(list.SelectedRows(), (Rows{1, 2, 3}));
        list.SelectRows({997});
        list.Refill(true, 5);
        QCOMPARE(list.SelectedRows(), Rows{997});
        // A refresh keeps the place too, but nothing stays selected.
        list.Refresh();
        QCOMPARE(place(), std::tuple(Rows{}, 3, top, 2));
    }

    void rowDrawing() {
        CParameterListCtrl& list = MakeList(1);
        list.clearFocus();
        QImage image(list.viewport()->size(), QImage::Format_ARGB32);
        list.viewport()->render(&image);
        const auto marked = [&](int row) {
            const QRect cell = list.visualRect(list.model()->index(row, 0));
            for (int y = cell.top(); y <= cell.bottom(); ++y)
                for (int x = cell.left(); x < cell.left() + 10; ++x)
                    if (image.pixelColor(x, y) == QColor(255, 0, 0))
                        return true;
            return false;
        };
        // Tone 3 is used by two patches, tone 7 by none; row 0 is a free slot.
        QCOMPARE((std::array{marked(2), marked(6), marked(0)}), (std::array{true, false, false}));
        // After the used length (tone 9) the number cell is darkened by 4.
        const QColor base = list.palette().color(QPalette::Base);
        const QRect after = list.visualRect(list.model()->index(9, 0));
        QCOMPARE(image.pixelColor(after.right() - 1, after.top() + 1),
                 CListDelegate::Darkened(base));
        const QRect before = list.visualRect(list.model()->index(5, 0));
        QCOMPARE(image.pixelColor(before.right() - 1, before.top() + 1), base);
        QCOMPARE(CListDelegate::Darkened(QColor(2, 100, 4)), QColor(0, 96, 0));
    }
};

QTEST_MAIN(ProjectWindowTest)
#include "project_window_test.moc"
