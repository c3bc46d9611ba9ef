// The library window: searching as the user types with its filters and status, tags and
// favourites from its commands, offline projects, opening an entry, duplicates, and results
// dragged onto a project window's list as a copy drop with one undo step.
#include "library/library_fixture.h"
#include "model/lum_data.h"
#include "project_world.h"
#include "ui/library_model.h"
#include "ui/library_service.h"
#include "ui/library_window.h"
#include "ui/main_frame.h"
#include "ui/status_line.h"
#include "ui/text_codec.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QMenu>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QSet>
#include <QSignalSpy>
#include <QTableView>
#include <QTest>
#include <filesystem>

using namespace CorvDesktop;
using namespace CorvUiTest;

namespace {

// The rows of the table as "PROJECT KIND NUMBER NAME", in their order.
QStringList Results(const CLibraryWindow& window) {
    QStringList rows;
    const CLibraryModel& model = *window.Model();
    for (int row = 0; row < model.rowCount(); ++row)
        rows << QStringList{model.index(row, CLibraryModel::kProject).data().toString(),
                            model.index(row, CLibraryModel::kKind).data().toString(),
                            model.index(row, CLibraryModel::kNumber).data().toString(),
                            model.index(row, CLibraryModel::kName).data().toString()}
                    .join(u' ');
    return rows;
}

int RowOf(const CLibraryWindow& window, const QString& text) {
    return static_cast<int>(Results(window).indexOf(text));
}

// The name of a used slot, or "-" for a free one.
std::string NameAt(const Corv::CLumData& data, int kind, int number) {
    const Corv::CParameter& record = data.Records(kind).Item(static_cast<std::size_t>(number - 1));
    return record.IsEmpty() ? "-" : record.Name();
}

} // namespace

class LibraryWindowTest : public QObject, private DragDriver {
    Q_OBJECT
    std::unique_ptr<World> m_world;
    std::unique_ptr<CLibraryWindow> m_window;

    CLibrary& Library() { return CDesktop::Get().Library(); }
    std::string Root() const { return m_world->Scratch("Songs"); }
    // Projects under the root: "Src.prj" (patch 1 Glass on tone 2 Bell on wave 3 Ping; patch
    // 4 Warm Pad on tone 6 Pad Tone on waves 3 and 5 Hum) and "Copy.prj", the same sounds ten
    // slots further on.
    void BuildSources() {
        for (const auto& [name, shift] : {std::pair("Src", 0), std::pair("Copy", 10)}) {
            CorvTest::ProjectBuilder project(Root() + "/" + name + ".prj/");
            project.Patch(1 + shift, "Glass", 2 + shift).Patch(4 + shift, "Warm Pad", 6 + shift);
            project.Tone(2 + shift, "Bell", {3 + shift});
            project.Tone(6 + shift, "Pad Tone", {3 + shift, 5 + shift});
            WaveFile(project, 3 + shift, "Ping", CorvTest::Bytes(300, 'p'));
            WaveFile(project, 5 + shift, "Hum", CorvTest::Bytes(200, 'h'));
        }
    }
    // A wave file with these bytes (the builder's own depend on the slot number).
    static void WaveFile(CorvTest::ProjectBuilder& project, int number, const std::string& name,
                         const CorvTest::Bytes& bytes) {
        char prefix[8];
        std::snprintf(prefix, sizeof prefix, "%03d ", number);
        project.File("Wave/" + std::string(prefix) + name + ".w00", bytes);
    }
    // A scan done and its end handled, as the window sees it.
    void Scanned() {
        Library().StartScan(false);
        Library().WaitIdle();
        QCoreApplication::processEvents();
        m_window->Refresh();
    }

private slots:
    void init() {
        m_world = std::make_unique<World>();
        Library().SetFile(QString::fromStdString(m_world->Scratch("data/library.sqlite3")));
        BuildSources();
        QVERIFY(Library().Catalogue() != nullptr);
        QVERIFY(Library().Catalogue()->AddRoot(Root()));
        m_window = std::make_unique<CLibraryWindow>(Library());
        m_window->resize(900, 400);
        m_window->show();
        Scanned();
    }
    void cleanup() {
        m_window.reset();
        Library().SetFile({});
        m_world.reset();
    }

    // Typing searches after a pause, filters narrow at once, and the status counts the hits
    // against the whole catalogue.
    void SearchAsYouTypeWithFilters() {
        QCOMPARE(m_window->StatusText(),
                 QStringLiteral("12 of 12 entries in 2 projects (0 offline)"));
        QTest::keyClicks(m_window->SearchField(), QStringLiteral("pa"));
        QTRY_COMPARE(Results(*m_window).size(), 4); // Warm Pad and Pad Tone, in both projects
        QCOMPARE(m_window->StatusText(),
                 QStringLiteral("4 of 12 entries in 2 projects (0 offline)"));
        m_window->KindFilter()->setCurrentIndex(2); // tones
        QCOMPARE(Results(*m_window),
                 QStringList({"Copy.prj Tone 16 Pad Tone", "Src.prj Tone 6 Pad Tone"}));
        m_window->ProjectFilter()->setCurrentIndex(
            m_window->ProjectFilter()->findText(QStringLiteral("Src.prj")));
        QCOMPARE(Results(*m_window), QStringList({"Src.prj Tone 6 Pad Tone"}));
        m_window->SearchField()->clear();
        m_window->KindFilter()->setCurrentIndex(0);
        m_window->UsedFilter()->setCurrentIndex(2); // unused: nothing, every entry is used
        QCOMPARE(Results(*m_window), QStringList());
    }

    // Tags and favourites follow the sound: given in one project, they show in its copy too.
    void TagsAndFavouritesFollowTheSound() {
        CDesktop::Get().Choosers().tagName = [](QWidget*, QString& tag) {
            tag = QStringLiteral("glassy");
            return true;
        };
        const int glass = RowOf(*m_window, QStringLiteral("Src.prj Patch 1 Glass"));
        QVERIFY(glass >= 0);
        m_window->Table()->selectRow(glass);
        QVERIFY(m_window->AddTag());
        m_window->ToggleFavourite();
        const int copy = RowOf(*m_window, QStringLiteral("Copy.prj Patch 11 Glass"));
        const CLibraryModel& model = *m_window->Model();
        QCOMPARE(model.index(copy, CLibraryModel::kTags).data().toString(),
                 QStringLiteral("glassy"));
        QCOMPARE(model.index(copy, CLibraryModel::kFavourite).data().toString(),
                 QStringLiteral("★"));
        QVERIFY(m_window->TagFilter()->findText(QStringLiteral("glassy")) > 0);
        m_window->FavouriteFilter()->setChecked(true);
        QCOMPARE(Results(*m_window).size(), 2);
        m_window->Table()->selectRow(0);
        m_window->RemoveTag(QStringLiteral("glassy"));
        m_window->ToggleFavourite();
        QCOMPARE(Results(*m_window), QStringList());
    }

    // A project whose folder went is kept, greyed and counted offline; it cannot be opened.
    void OfflineProjectsStayListedInGrey() {
        std::filesystem::rename(Root() + "/Copy.prj", m_world->Scratch("Copy.prj"));
        Scanned();
        QCOMPARE(m_window->StatusText(),
                 QStringLiteral("12 of 12 entries in 2 projects (1 offline)"));
        const int copy = RowOf(*m_window, QStringLiteral("Copy.prj Patch 11 Glass"));
        const int src = RowOf(*m_window, QStringLiteral("Src.prj Patch 1 Glass"));
        const auto colour = [&](int row) {
            return m_window->Model()->index(row, 0).data(Qt::ForegroundRole);
        };
        QVERIFY(colour(copy).isValid());
        QVERIFY(!colour(src).isValid());
        QVERIFY(!m_window->OpenEntry(copy));
        QVERIFY(m_window->DragRows(copy).empty());
        QVERIFY(CDesktop::Get().Status().Last().contains(QStringLiteral("offline")));
    }

    // Show Duplicates lists the copies of one sound; Show All goes back to the search.
    void ShowDuplicatesListsTheCopies() {
        m_window->ShowDuplicates(RowOf(*m_window, QStringLiteral("Src.prj Wave 3 Ping")));
        QCOMPARE(Results(*m_window), QStringList({"Copy.prj Wave 13 Ping", "Src.prj Wave 3 Ping"}));
        m_window->ShowAll();
        QCOMPARE(Results(*m_window).size(), 12);
    }

    // Opening a result opens its project (as the application would) and selects the entry.
    void OpeningAResultSelectsItsEntry() {
        std::unique_ptr<CFileView> opened;
        m_window->openFolder = [&](const QString& folder) {
            auto* document =
                Corv::CProjectDocuments::Get().OpenProject(CTextCodec::EncodePath(folder));
            opened = document != nullptr ? m_world->Show(*document) : nullptr;
            return opened.get();
        };
        QVERIFY(m_window->OpenEntry(RowOf(*m_window, QStringLiteral("Src.prj Tone 6 Pad Tone"))));
        QCOMPARE(opened->List(Corv::kToneKind)->SelectedRows(), Rows{5});
    }

    // Results dragged onto a list are copied there with their tones and waves, as one undo
    // step; the source folder, never opened, is left as it was.
    void DraggedResultsAreCopiedWithWhatTheyNeed() {
        const std::string source = Root() + "/Src.prj/";
        const auto before = CorvTest::FolderSnapshot(source);
        Corv::CProjectDocument& b = m_world->OpenSong("B");
        const std::unique_ptr<CFileView> target = m_world->Show(b);
        m_window->Table()->selectRow(RowOf(*m_window, QStringLiteral("Src.prj Patch 1 Glass")));
        m_window->Table()->selectionModel()->select(
            m_window->Model()->index(RowOf(*m_window, QStringLiteral("Src.prj Patch 4 Warm Pad")),
                                     0),
            QItemSelectionModel::Select | QItemSelectionModel::Rows);
        m_data.reset(
            m_window->BeginDrag(RowOf(*m_window, QStringLiteral("Src.prj Patch 1 Glass"))));
        QVERIFY(m_data != nullptr);
        CParameterListCtrl& patches = *target->List(Corv::kPatchKind);
        QCOMPARE(Over(patches, 8), Qt::CopyAction);                       // a plain drag copies
        QVERIFY(Over(patches, 8, Qt::ControlModifier) == Qt::CopyAction); // and Ctrl does not move
        QVERIFY(CDesktop::Get().Drag().Preview().contains(QStringLiteral("copy 2 patches")));
        QVERIFY(DropOn(patches, 8));
        const Corv::CLumData& data = b.Data();
        QCOMPARE(NameAt(data, Corv::kPatchKind, 9), std::string("Glass"));
        QCOMPARE(NameAt(data, Corv::kPatchKind, 10), std::string("Warm Pad"));
        const int tone = data.Patches()[8].ToneNumbers()[0];
        QCOMPARE(NameAt(data, Corv::kToneKind, tone), std::string("Bell"));
        const int wave = data.Tones()[static_cast<std::size_t>(tone - 1)].WaveNumbers()[0];
        QCOMPARE(NameAt(data, Corv::kWaveKind, wave), std::string("Ping"));
        QCOMPARE(patches.SelectedRows(), Rows({8, 9}));
        // The carried wave no longer depends on the source folder.
        QVERIFY(data.Waves()[static_cast<std::size_t>(wave - 1)].FilePath().rfind(source, 0) != 0);
        Corv::CProjectDocuments::Get().Undo();
        QCOMPARE(NameAt(data, Corv::kPatchKind, 9), std::string("-"));
        QCOMPARE(NameAt(data, Corv::kToneKind, tone), std::string("-"));
        QVERIFY(CorvTest::FolderSnapshot(source) == before);
    }

    // After a program ended without closing the catalogue, the next use checks it on the
    // worker; a damaged one is built again, with its tags, and the user is told.
    void AnUncleanEndGetsTheCatalogueChecked() {
        const int glass = RowOf(*m_window, QStringLiteral("Src.prj Patch 1 Glass"));
        QVERIFY(Library().Catalogue()->SetTag(m_window->Model()->Entry(glass)->fingerprint,
                                              "glassy", true));
        const QString file = Library().File();
        m_window.reset();
        Library().SetFile({});
        CorvTest::WriteBytes(file.toStdString() + ".open-999999-1", {});
        QVERIFY(CorvTest::DamageIndex(file.toStdString()));
        Library().SetFile(file);
        QSignalSpy notices(&Library(), &CLibrary::Notice);
        QVERIFY(Library().Catalogue() != nullptr);
        QTRY_COMPARE(notices.size(), 1);
        Library().WaitIdle(); // the scan that fills the new catalogue
        QCoreApplication::processEvents();
        const auto found =
            Library().Catalogue()->Search(CorvTest::Query("glass", {}, "glassy", {}, false, 0));
        QCOMPARE(found.total, 2);
    }

    // A project opened or saved outside every added folder joins the catalogue in the
    // background, and the window's search shows it without being asked.
    void OpenedProjectsJoinTheLibrary() {
        Corv::CProjectDocument& b = m_world->OpenSong("B");
        m_window->SearchField()->setText(QStringLiteral("lonely"));
        m_window->Refresh();
        QCOMPARE(Results(*m_window), QStringList());
        Library().NoteProject(CTextCodec::DecodePath(b.PathName()));
        QTRY_COMPARE(Results(*m_window), QStringList({"B.prj Tone 9 Lonely"}));
    }

    // A scan in progress shows its count and Cancel beside the buttons; its end hides them and
    // says what it did in the status bar.
    void AScanShowsItsProgress() {
        emit Library().ScanProgress(1, 3, QStringLiteral("/songs/A.prj/"));
        QVERIFY(m_window->ScanBar()->isVisible() && m_window->CancelButton()->isVisible());
        QCOMPARE(m_window->ScanBar()->text(), QStringLiteral("1 of 3"));
        Library().StartScan(true);
        Library().WaitIdle();
        QTRY_VERIFY(!m_window->ScanBar()->isVisible());
        QCOMPARE(CDesktop::Get().Status().Last(),
                 QStringLiteral("Library scan: 2 read, 0 unchanged"));
    }

#ifdef CORVANE_PATH
    // The program's own scan and tag changes while two command-line scans run on the same
    // catalogue: every run ends well, no entry is counted twice, no tag is lost.
    void TheProgramAndTwoCommandLineScansAtOnce() {
        const QString file = Library().File();
        for (int round = 0; round < 3; ++round) {
            std::vector<std::unique_ptr<QProcess>> scans;
            for (int i = 0; i < 2; ++i) {
                scans.push_back(std::make_unique<QProcess>());
                scans.back()->start(QStringLiteral(CORVANE_PATH),
                                    {"library", "--library", file, "scan", "--full"});
            }
            Library().StartScan(true);
            const QString tag = QStringLiteral("round%1").arg(round);
            for (const int row : {0, 5})
                QVERIFY(Library().Catalogue()->SetTag(m_window->Model()->Entry(row)->fingerprint,
                                                      tag.toStdString(), true));
            for (const auto& scan : scans) {
                if (!scan->waitForFinished(30000))
                    scan->kill();
                QCOMPARE(scan->exitCode(), 0);
            }
            Library().WaitIdle();
            QCoreApplication::processEvents();
            const Corv::Library::CatalogueStats stats = Library().Catalogue()->Stats();
            QCOMPARE(std::pair(stats.projects, stats.entries), std::pair(2, 12));
            QCOMPARE(Library().Catalogue()->TagNames().size(), std::size_t(round + 1));
        }
    }
#endif

    // Alt with a letter opens the main window's menus: no button or box of the library window
    // may take one of their letters (Alt+F once opened Add Folder instead of the File menu).
    void KeysOfTheWindowLeaveTheMenusAlone() {
        CMainFrame frame;
        frame.ShowLibrary();
        const auto letter = [](const QString& text) {
            const qsizetype at = text.indexOf(u'&');
            return at >= 0 && at + 1 < text.size() ? text[at + 1].toLower() : QChar();
        };
        QSet<QChar> menus;
        for (QMenu* menu : frame.Menus())
            menus << letter(menu->title());
        QVERIFY(menus.contains(u'f') && menus.contains(u'w'));
        for (const QAbstractButton* button :
             frame.LibraryWindow()->findChildren<QAbstractButton*>()) {
            const QChar key = letter(button->text());
            QVERIFY2(key.isNull() || !menus.contains(key), qPrintable(button->text()));
        }
    }

    // A source changed since the last scan gives nothing: the user chose what the catalogue
    // showed, not what the slot holds now.
    void AStaleCatalogueRefusesTheDrop() {
        Corv::CProjectDocument& b = m_world->OpenSong("B");
        const std::unique_ptr<CFileView> target = m_world->Show(b);
        CorvTest::ProjectBuilder changed(Root() + "/Src.prj/");
        WaveFile(changed, 3, "Ping", CorvTest::Bytes(300, 'q'));
        const int ping = RowOf(*m_window, QStringLiteral("Src.prj Wave 3 Ping"));
        m_window->Table()->selectRow(ping);
        m_data.reset(m_window->BeginDrag(ping));
        CParameterListCtrl& waves = *target->List(Corv::kWaveKind);
        Over(waves, 10);
        QVERIFY(CDesktop::Get().Drag().Preview().contains(QStringLiteral("rescan")));
        QVERIFY(!DropOn(waves, 10));
        QCOMPARE(NameAt(b.Data(), Corv::kWaveKind, 11), std::string("-"));
    }
};

QTEST_MAIN(LibraryWindowTest)
#include "library_window_test.moc"
