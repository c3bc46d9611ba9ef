// The project window: selection links, its commands (with undo), the missing-files warning, the
// form's layout, and its dialogs driven without being shown.
#include "ui/clean_project_dlg.h"
#include "ui/profiled_file_dialog.h"
#include "ui/replace_string_dlg.h"
#include "ui_fixture.h"

#include <QCheckBox>
#include <QFileDialog>
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

class FileViewTest : public QObject {
    Q_OBJECT
    std::unique_ptr<CorvUiTest::World> m_world;
    std::unique_ptr<CFileView> m_view;

    CFileView& ShowSong() {
        m_view = m_world->Show(m_world->OpenSong("Song"));
        return *m_view;
    }
    const Corv::CLumData& Data() const { return m_view->Document().Data(); }
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
    void init() { m_world = std::make_unique<CorvUiTest::World>(); }
    void cleanup() {
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
            QCOMPARE(std::tuple(view.List(0)->SelectedRows(), view.List(1)->SelectedRows(),
                                view.List(2)->SelectedRows()),
                     std::tuple(patches, tones, waves));
        }
    }

    void clickAndSelectAllLinkTheOtherLists() {
        CFileView& view = ShowSong();
        CParameterListCtrl& tones = *view.List(1);
        QTest::mouseClick(tones.viewport(), Qt::LeftButton, {},
                          CorvUiTest::CellCentre(tones, 8, 1));
        QCOMPARE(view.List(0)->SelectedRows(), Rows{4});
        QCOMPARE(view.List(2)->SelectedRows(), Rows{5});
        QCOMPARE(view.ActiveList(), &tones);
        // Select All takes the rows up to the last used one of the active list.
        view.List(2)->setFocus();
        view.SelectAll();
        QCOMPARE(view.List(2)->SelectedRows(), (Rows{0, 1, 2, 3, 4, 5}));
        QCOMPARE(view.List(1)->SelectedRows(), (Rows{2, 4, 8}));
        QCOMPARE(view.List(0)->SelectedRows(), (Rows{0, 1, 4}));
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
        QCOMPARE(UsedRows(Data().Tones()), (Rows{4, 6, 8}));
        QCOMPARE(UsedRows(Data().Patches()), (Rows{0, 1, 4}));
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
        QCOMPARE(UsedRows(Data().Tones()), (Rows{2, 4, 6, 8}));
        QCOMPARE(Data().Patches()[4].Slot(1).ToneNumber(), 9);
        QCOMPARE(Cell(1, 6, 1), QStringLiteral("Sub"));
    }

    void importThroughTheCommandAndUndo() {
        CFileView& view = ShowSong();
        QStringList files;
        for (const auto& [name, size] : {std::pair{"b.WAV", 400}, {"a.wav", 300}, {"c.txt", 5}}) {
            CorvTest::WriteBytes(m_world->Scratch(name), CorvTest::Bytes(size, 1));
            files << QString::fromStdString(m_world->Scratch(name));
        }
        CUiChoosers::Get().importWave = [&](QWidget*) { return files; };
        view.List(2)->SetTopRow(500);
        view.ImportWave();
        // In ascending path order into the first empty slots, shown and selected.
        QCOMPARE(Data().Waves()[0].Name(), std::string("a"));
        QCOMPARE(Data().Waves()[2].Name(), std::string("b"));
        QCOMPARE(view.List(2)->SelectedRows(), (Rows{0, 2}));
        QCOMPARE(view.List(2)->TopRow(), 0);
        QCOMPARE(Cell(2, 2, 1), QStringLiteral("  b"));
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
        QCOMPARE(boxes.size(), 4);
        QCOMPARE(boxes[0]->text(), QStringLiteral("Keep Unused User &Waves"));
        QCOMPARE(boxes[3]->text(), QStringLiteral("Keep &Patch Numbering"));
        QVERIFY(boxes[0]->isChecked() && !boxes[1]->isChecked() && !boxes[2]->isChecked() &&
                boxes[3]->isChecked());
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
    }
};

QTEST_MAIN(FileViewTest)
#include "file_view_test.moc"
