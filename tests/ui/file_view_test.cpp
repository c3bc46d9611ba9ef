// The project window: selection links, Delete, Select All, Clean Project and Import Wave
// through their commands with undo, Set Up Grid over every window, the missing-files warning,
// the status text and the form's layout.
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <filesystem>

#include "edit/domain.h"
#include "ui/parameter_list_model.h"
#include "ui_fixture.h"

namespace {

using Rows = std::vector<int>;

// Patches 1 Lead (tone 3), 2 Pad (tones 3, 5), 5 Bass (second slot: tone 9); tones 3 Saw
// (waves 2, 4), 5 Str (wave 4), 7 Sub (none, unused), 9 Lonely (wave 6); waves 2 Kick.w00
// (100 bytes), 4 Snare.wav (50), 6 Hat.W00 (2000).
void BuildSong(const std::string& folder) {
    CorvTest::ProjectBuilder(folder)
        .Patch(1, "Lead", 3)
        .Patch(2, "Pad", 3, 5)
        .Patch(5, "Bass", 0, 9)
        .Tone(3, "Saw", {2, 4})
        .Tone(5, "Str", {4})
        .Tone(7, "Sub", {})
        .Tone(9, "Lonely", {6})
        .Wave(2, "Kick", 100, ".w00")
        .Wave(4, "Snare", 50, ".wav")
        .Wave(6, "Hat", 2000, ".W00");
}

Rows UsedRows(const Corv::CParameterArray& records) {
    Rows rows;
    for (std::size_t i = 0; i < records.Size(); ++i)
        if (!records.Item(i).IsEmpty())
            rows.push_back(static_cast<int>(i));
    return rows;
}

std::vector<std::string> Names(const Corv::CParameterArray& records) {
    std::vector<std::string> names;
    for (const int row : UsedRows(records))
        names.push_back(records.Item(static_cast<std::size_t>(row)).Name());
    return names;
}

} // namespace

class FileViewTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void selectionLinks_data();
    void selectionLinks();
    void clickLinksTheOtherLists();
    void selectAllCommand();
    void deleteInToneListDeletesTonesOnly();
    void deleteAnsweredCancelChangesNothing();
    void deleteNeedsAUsedSelection();
    void cleanThroughTheCommandAndUndo();
    void cancelledCleanKeepsOptions();
    void importThroughTheCommandAndUndo();
    void importScrollsToTheNewWaves();
    void setUpGridReachesEveryWindow();
    void missingFilesWarnOncePerActivation();
    void widthGoesToThePatchList();

private:
    CFileView& ShowSong();

    QTemporaryDir m_settings;
    std::unique_ptr<CorvUiTest::World> m_world;
    Corv::CProjectDocument* m_document = nullptr;
    std::unique_ptr<CFileView> m_view;
};

void FileViewTest::initTestCase() { CorvUiTest::UseTestSettings(m_settings.path()); }

void FileViewTest::init() { m_world = std::make_unique<CorvUiTest::World>(); }

void FileViewTest::cleanup() {
    m_view.reset();
    m_world.reset();
}

CFileView& FileViewTest::ShowSong() {
    const std::string folder = m_world->Folder("Song");
    BuildSong(folder);
    m_document = m_world->Open(folder);
    if (m_document == nullptr)
        qFatal("the test project did not load");
    m_view = m_world->Show(*m_document);
    return *m_view;
}

void FileViewTest::selectionLinks_data() {
    QTest::addColumn<int>("kind");
    QTest::addColumn<Rows>("selected");
    QTest::addColumn<Rows>("patches");
    QTest::addColumn<Rows>("tones");
    QTest::addColumn<Rows>("waves");
    QTest::newRow("patch with two tones") << 0 << Rows{1} << Rows{1} << Rows{2, 4} << Rows{1, 3};
    QTest::newRow("patch on its second slot") << 0 << Rows{4} << Rows{4} << Rows{8} << Rows{5};
    QTest::newRow("free patch slot") << 0 << Rows{3} << Rows{3} << Rows{} << Rows{};
    QTest::newRow("shared tone") << 1 << Rows{2} << Rows{0, 1} << Rows{2} << Rows{1, 3};
    QTest::newRow("unused tone") << 1 << Rows{6} << Rows{} << Rows{6} << Rows{};
    QTest::newRow("two tones") << 1 << Rows{4, 8} << Rows{1, 4} << Rows{4, 8} << Rows{3, 5};
    QTest::newRow("shared wave") << 2 << Rows{3} << Rows{0, 1} << Rows{2, 4} << Rows{3};
    QTest::newRow("wave of one tone") << 2 << Rows{5} << Rows{4} << Rows{8} << Rows{5};
}

void FileViewTest::selectionLinks() {
    QFETCH(int, kind);
    QFETCH(Rows, selected);
    QFETCH(Rows, patches);
    QFETCH(Rows, tones);
    QFETCH(Rows, waves);
    CFileView& view = ShowSong();
    // Stale selections in the other lists are cleared.
    view.List(0)->SelectRows({10});
    view.List(1)->SelectRows({10});
    view.List(2)->SelectRows({10});
    view.List(kind)->SelectRows(selected);
    view.LinkSelection(*view.List(kind));
    QCOMPARE(view.List(0)->SelectedRows(), patches);
    QCOMPARE(view.List(1)->SelectedRows(), tones);
    QCOMPARE(view.List(2)->SelectedRows(), waves);
}

void FileViewTest::clickLinksTheOtherLists() {
    CFileView& view = ShowSong();
    CParameterListCtrl& tones = *view.List(1);
    QTest::mouseClick(tones.viewport(), Qt::LeftButton, {}, CorvUiTest::CellCentre(tones, 8, 1));
    QCOMPARE(tones.SelectedRows(), Rows{8});
    QCOMPARE(view.List(0)->SelectedRows(), Rows{4});
    QCOMPARE(view.List(2)->SelectedRows(), Rows{5});
    QCOMPARE(view.ActiveList(), &tones);
    // Moving down with the keyboard follows too: tone 10 is free and links nothing.
    QTest::keyClick(&tones, Qt::Key_Down);
    QCOMPARE(tones.SelectedRows(), Rows{9});
    QVERIFY(view.List(0)->SelectedRows().empty());
}

void FileViewTest::selectAllCommand() {
    CFileView& view = ShowSong();
    view.List(2)->setFocus();
    view.SelectAll();
    QCOMPARE(view.List(2)->SelectedRows(), (Rows{0, 1, 2, 3, 4, 5}));
    QCOMPARE(view.List(1)->SelectedRows(), (Rows{2, 4, 8}));
    QCOMPARE(view.List(0)->SelectedRows(), (Rows{0, 1, 4}));
}

void FileViewTest::deleteInToneListDeletesTonesOnly() {
    CFileView& view = ShowSong();
    CFileDoc& doc = view.Document();
    QSignalSpy modified(&doc, &CFileDoc::ModifiedChanged);
    CParameterListCtrl& tones = *view.List(1);
    tones.setFocus();
    tones.SelectRows({2});
    view.List(0)->SelectRows({0, 1}); // patches selected elsewhere must survive
    QTest::keyClick(&tones, Qt::Key_Delete);
    QCOMPARE(m_world->m_sink->Questions(), std::vector<int>{9});
    const Corv::CLumData& data = doc.Data();
    QCOMPARE(UsedRows(data.Tones()), (Rows{4, 6, 8}));
    QCOMPARE(UsedRows(data.Patches()), (Rows{0, 1, 4}));
    QCOMPARE(data.Patches()[0].Slot(0).ToneNumber(), 0);
    QCOMPARE(data.Patches()[1].Slot(0).ToneNumber(), 0);
    QCOMPARE(data.Patches()[1].Slot(1).ToneNumber(), 5);
    QVERIFY(doc.IsModified());
    QVERIFY(modified.count() >= 1);
    QVERIFY(tones.model()->index(2, 0).data(CParameterListModel::FreeSlotRole).toBool());
    // Waves lose their user but stay.
    QCOMPARE(UsedRows(data.Waves()), (Rows{1, 3, 5}));
}

void FileViewTest::deleteAnsweredCancelChangesNothing() {
    CFileView& view = ShowSong();
    m_world->m_sink->QueueAnswers({Corv::kAnswerCancel});
    view.List(0)->setFocus();
    view.List(0)->SelectRows({0, 4});
    view.Delete();
    QCOMPARE(m_world->m_sink->Questions(), std::vector<int>{9});
    QCOMPARE(UsedRows(view.Document().Data().Patches()), (Rows{0, 1, 4}));
    QVERIFY(!view.Document().IsModified());
    QVERIFY(!Corv::CDomain::Get().CanUndo());
}

void FileViewTest::deleteNeedsAUsedSelection() {
    CFileView& view = ShowSong();
    view.List(1)->SelectRows({0, 1}); // free slots only
    view.List(1)->setFocus();
    QVERIFY(!view.CanDelete());
    view.Delete();
    view.List(1)->SelectRows({});
    view.Delete();
    QVERIFY(m_world->m_sink->Calls().empty());
    QSignalSpy state(&view, &CFileView::CommandStateChanged);
    view.List(1)->SelectRows({1, 2});
    QVERIFY(view.CanDelete());
    QCOMPARE(state.count(), 1); // the frame re-enables Delete
}

void FileViewTest::cleanThroughTheCommandAndUndo() {
    CFileView& view = ShowSong();
    Corv::CDomain::Get().m_toneOption = 1;
    std::array<std::uint32_t, 4> shown{};
    CUiChoosers::Get().cleanProject = [&](QWidget*, std::array<std::uint32_t, 4>& options) {
        shown = options;
        options = {0, 0, 0, 0};
        return true;
    };
    view.List(0)->SelectRows({4});
    view.CleanProject();
    QCOMPARE(shown, (std::array<std::uint32_t, 4>{0, 1, 0, 0}));
    QCOMPARE(Corv::CDomain::Get().m_toneOption, 0u);
    const Corv::CLumData& data = view.Document().Data();
    QCOMPARE(UsedRows(data.Patches()), (Rows{0, 1, 2}));
    QCOMPARE(Names(data.Tones()), (std::vector<std::string>{"Saw", "Str", "Lonely"}));
    QCOMPARE(UsedRows(data.Waves()), (Rows{0, 1, 2}));
    QCOMPARE(data.Patches()[2].Slot(1).ToneNumber(), 3);
    QVERIFY(view.Document().IsModified());
    QCOMPARE(view.List(1)->model()->index(6, 1).data().toString(), QString());
    // Undo (the application's command) swaps the project back; the views refill.
    Corv::CProjectDocuments::Get().Undo();
    view.Document().UpdateAllViews();
    QCOMPARE(UsedRows(data.Patches()), (Rows{0, 1, 4}));
    QCOMPARE(UsedRows(data.Tones()), (Rows{2, 4, 6, 8}));
    QCOMPARE(data.Patches()[4].Slot(1).ToneNumber(), 9);
    QCOMPARE(view.List(1)->model()->index(6, 1).data().toString(), QStringLiteral("Sub"));
}

void FileViewTest::cancelledCleanKeepsOptions() {
    CFileView& view = ShowSong();
    Corv::CDomain::Get().m_pnumOption = 1;
    CUiChoosers::Get().cleanProject = [](QWidget*, std::array<std::uint32_t, 4>& options) {
        options = {1, 1, 1, 0};
        return false;
    };
    view.CleanProject();
    QCOMPARE(Corv::CDomain::Get().m_pnumOption, 1u);
    QCOMPARE(Corv::CDomain::Get().m_waveOption, 0u);
    QCOMPARE(UsedRows(view.Document().Data().Tones()), (Rows{2, 4, 6, 8}));
    QVERIFY(!view.Document().IsModified());
}

void FileViewTest::importThroughTheCommandAndUndo() {
    CFileView& view = ShowSong();
    const std::string b = m_world->Scratch("b.WAV");
    const std::string a = m_world->Scratch("a.wav");
    CorvTest::WriteBytes(b, CorvTest::Bytes(30, 1));
    CorvTest::WriteBytes(a, CorvTest::Bytes(20, 2));
    CorvTest::WriteBytes(m_world->Scratch("c.txt"), CorvTest::Bytes(5, 3));
    const QString before = view.StatusText();
    QCOMPARE(before, QStringLiteral("2.1 KB")); // 2,150 bytes
    CUiChoosers::Get().importWave = [&](QWidget*) {
        return QStringList{QString::fromStdString(b), QString::fromStdString(a),
                           QString::fromStdString(m_world->Scratch("c.txt"))};
    };
    view.ImportWave();
    const Corv::CLumData& data = view.Document().Data();
    // In ascending path order into the first empty slots: a.wav to wave 1, b.WAV to wave 3.
    QCOMPARE(data.Waves()[0].Name(), std::string("a"));
    QCOMPARE(data.Waves()[2].Name(), std::string("b"));
    QCOMPARE(view.List(2)->SelectedRows(), (Rows{0, 2}));
    QCOMPARE(view.List(2)->model()->index(2, 1).data().toString(), QStringLiteral("  b"));
    QCOMPARE(view.StatusText(), QStringLiteral("2.1 KB"));
    QVERIFY(view.Document().IsModified());
    QVERIFY(m_world->m_sink->Calls().empty());
    Corv::CProjectDocuments::Get().Undo();
    view.Document().UpdateAllViews();
    QCOMPARE(UsedRows(data.Waves()), (Rows{1, 3, 5}));
    QVERIFY(view.List(2)->model()->index(0, 0).data(CParameterListModel::FreeSlotRole).toBool());
}

void FileViewTest::importScrollsToTheNewWaves() {
    const std::string folder = m_world->Folder("Full");
    CorvTest::BuildFullProject(folder, 7, 8);
    m_document = m_world->Open(folder);
    QVERIFY(m_document != nullptr);
    Corv::CLumData& data = m_document->Data();
    data.Waves()[700] = Corv::CWave(); // one free wave slot, far down the list
    m_view = m_world->Show(*m_document);
    const std::string file = m_world->Scratch("Big Kick Drum Loop.aiff");
    CorvTest::WriteBytes(file, CorvTest::Bytes(4, 0));
    m_view->ImportFiles({QString::fromStdString(file)});
    CParameterListCtrl& waves = *m_view->List(2);
    QCOMPARE(waves.SelectedRows(), Rows{700});
    QCOMPARE(waves.TopRow(), 700);
    QCOMPARE(data.Waves()[700].Name(), std::string("Big Kick Dru"));
    // Too many files for the free slots: message 6 and nothing changes.
    m_view->ImportFiles({QString::fromStdString(file), QString::fromStdString(m_world->Scratch("x.wav"))});
    QCOMPARE(m_world->m_sink->Errors(), std::vector<int>{6});
    QCOMPARE(waves.SelectedRows(), Rows{700});
}

void FileViewTest::setUpGridReachesEveryWindow() {
    CFileView& first = ShowSong();
    BuildSong(m_world->Folder("Other"));
    Corv::CProjectDocument* other = m_world->Open(m_world->Folder("Other"));
    QVERIFY(other != nullptr);
    std::unique_ptr<CFileView> second = m_world->Show(*other);
    second->List(1)->setColumnWidth(1, 99);
    first.List(1)->setColumnWidth(1, 140);
    int offered = -1;
    CUiChoosers::Get().setUpGrid = [&](QWidget*, int& gridSw) {
        offered = gridSw;
        gridSw = 1;
        return true;
    };
    first.SetUpGrid();
    QCOMPARE(offered, 0);
    QCOMPARE(Corv::CDomain::Get().m_gridSw, 1u);
    for (CFileView* view : {&first, second.get()})
        for (int kind = 0; kind < 3; ++kind)
            QVERIFY(view->List(kind)->showGrid());
    QCOMPARE(second->List(1)->columnWidth(1), 99);
    QCOMPARE(first.List(1)->columnWidth(1), 140);
    // Cancel changes nothing.
    CUiChoosers::Get().setUpGrid = [](QWidget*, int& gridSw) {
        gridSw = 0;
        return false;
    };
    second->SetUpGrid();
    QVERIFY(first.List(0)->showGrid());
}

void FileViewTest::missingFilesWarnOncePerActivation() {
    CFileView& view = ShowSong();
    view.List(0)->setFocus();
    view.OnActivateView();
    QCOMPARE(m_world->m_notices.size(), 0);
    QCOMPARE(CFileView::Current(), &view);
    std::filesystem::remove(view.Document().Data().Waves()[3].FilePath());
    view.OnActivateView();
    view.OnActivateView();
    QCOMPARE(m_world->m_notices.size(), 1);
    QVERIFY(m_world->m_notices.first().startsWith("Some patch/tone/wave files within the project"));
    view.OnDeactivateView();
    view.OnActivateView();
    QCOMPARE(m_world->m_notices.size(), 2);
    // Switching to another project window and back warns again.
    BuildSong(m_world->Folder("Other"));
    Corv::CProjectDocument* other = m_world->Open(m_world->Folder("Other"));
    QVERIFY(other != nullptr);
    std::unique_ptr<CFileView> second = m_world->Show(*other);
    second->List(1)->setFocus();
    second->OnActivateView();
    QCOMPARE(m_world->m_notices.size(), 2);
    view.OnActivateView();
    QCOMPARE(m_world->m_notices.size(), 3);
    // Without an active list there is no warning.
    view.OnDeactivateView();
    view.List(0)->clearFocus();
    QCOMPARE(view.ActiveList(), nullptr);
    view.OnActivateView();
    QCOMPARE(m_world->m_notices.size(), 3);
}

void FileViewTest::widthGoesToThePatchList() {
    CFileView& view = ShowSong();
    view.resize(1000, 400);
    const QRect patch = view.List(0)->geometry();
    const QRect tone = view.List(1)->geometry();
    const QRect wave = view.List(2)->geometry();
    view.resize(1300, 500);
    QCOMPARE(view.List(0)->geometry().width(), patch.width() + 300);
    QCOMPARE(view.List(0)->geometry().left(), patch.left());
    QCOMPARE(view.List(1)->geometry().width(), tone.width());
    QCOMPARE(view.List(1)->geometry().left(), tone.left() + 300);
    QCOMPARE(view.List(2)->geometry().left(), wave.left() + 300);
    QCOMPARE(view.List(2)->geometry().height(), wave.height() + 100);
    QVERIFY(tone.left() > patch.right() && wave.left() > tone.right());
}

QTEST_MAIN(FileViewTest)
#include "file_view_test.moc"
