// The wave list's pictures and lengths, the detail area and auditions: cells drawn by the
// delegate into images, the detail area's line and loop lines, the keys and Auto-Play driving a
// recording player, and the status bar when no sound output is there.
#include "edit/wave_import.h"
#include "gp/anchor_layout.h"
#include "ui/list_columns.h"
#include "ui/list_delegate.h"
#include "ui/parameter_list_model.h"
#include "ui/status_line.h"
#include "ui/wave_detail.h"
#include "ui/wave_preview.h"
#include "ui/wave_text.h"
#include "wave_world.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QListView>
#include <QMessageBox>
#include <QPainter>
#include <QScrollBar>
#include <QSettings>
#include <QStandardPaths>
#include <QTreeView>
#include <filesystem>

using namespace CorvDesktop;
using namespace CorvUiTest;

namespace {

constexpr int kWaveformColumn = 2;
constexpr int kLengthColumn = 3;

// A cell of the list drawn by its delegate into an image of the cell's size.
QImage DrawCell(CParameterListCtrl& list, int row, int column, QSize size = {120, 30}) {
    QImage image(size, QImage::Format_RGB32);
    QStyleOptionViewItem option;
    option.initFrom(list.viewport());
    option.widget = &list;
    option.rect = QRect(QPoint(0, 0), size);
    option.font = list.font();
    option.state &= ~QStyle::State_Selected;
    QPainter painter(&image);
    list.itemDelegate()->paint(&painter, option, list.model()->index(row, column));
    return image;
}

// The pixels of rows [top, bottom] of an image that have a given colour.
int CountColour(const QImage& image, int top, int bottom, QColor colour, int skipRow = -1) {
    int count = 0;
    for (int y = top; y <= bottom; ++y)
        for (int x = 0; x < image.width(); ++x)
            if (y != skipRow && image.pixelColor(x, y) == colour)
                ++count;
    return count;
}

int CountOther(const QImage& image, int top, int bottom, QColor colour, int skipRow = -1) {
    return (bottom - top + 1 - (skipRow >= top && skipRow <= bottom ? 1 : 0)) * image.width() -
           CountColour(image, top, bottom, colour, skipRow);
}

Corv::Audio::WaveFacts Facts(int rate, int bits, int channels, std::uint64_t frames,
                             std::optional<Corv::Audio::WaveLoop> loop = {}) {
    Corv::Audio::WaveFacts facts;
    facts.format = "wav";
    facts.sampleRate = rate;
    facts.bits = bits;
    facts.channels = channels;
    facts.frames = frames;
    facts.seconds = static_cast<double>(frames) / rate;
    facts.loop = loop;
    return facts;
}

} // namespace

class WaveListTest : public QObject {
    Q_OBJECT
    std::unique_ptr<WaveWorld> m_world;
    std::unique_ptr<CFileView> m_view;

    CWaveListCtrl& Waves() { return static_cast<CWaveListCtrl&>(*m_view->List(Corv::kWaveKind)); }
    // Opens a project of waves in a window and waits for the pictures of its visible rows.
    void ShowWaves(const std::vector<WaveWorld::SlotFile>& files) {
        Corv::CProjectDocument& document = m_world->OpenWaves("Waves", files);
        m_view = m_world->Show(document);
        for (const WaveWorld::SlotFile& file : files)
            QVERIFY(PictureReady(m_world->Pictures(), SlotFile(document, file.number)));
    }
    const Corv::CProjectDocument& Document() { return m_view->Document().Core(); }
    void Focus(int row) {
        Waves().setFocus();
        Waves().SetFocusedRow(row);
        Waves().SelectRows({row});
    }

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }
    void init() { m_world = std::make_unique<WaveWorld>(); }
    void cleanup() {
        m_view.reset(); // the lists go before their pictures and player
        m_world.reset();
    }

    void theWaveformShowsEachChannelInItsHalf() {
        ShowWaves({{1, "Square", ".wav", SquareLeft(4410)}});
        const QImage cell = DrawCell(Waves(), 0, kWaveformColumn);
        const QColor ink = Waves().palette().color(QPalette::Text);
        const QColor ground = Waves().palette().color(QPalette::Base);
        // The picture covers rows 1..28: the left channel's band is 1..14, the right one's
        // 15..28 with its centre line on row 21.
        QVERIFY2(CountColour(cell, 1, 14, ink) > 116 * 10, "the left channel's square is drawn");
        QCOMPARE(CountOther(cell, 15, 29, ground, 21), 0);
        QVERIFY(CountOther(cell, 21, 21, ground) > 100); // the centre line of the silent channel
        QCOMPARE(CountColour(cell, 15, 29, ink), 0);
    }

    void aPlaceholderShowsUntilThePeaksArrive() {
        Corv::CProjectDocument& document =
            m_world->OpenWaves("Late", {{1, "Square", ".wav", SquareLeft(4410)}});
        m_view = m_world->Show(document);
        const QColor ink = Waves().palette().color(QPalette::Text);
        const QColor ground = Waves().palette().color(QPalette::Base);
        // The list asks for its pictures once the events of its showing are handled: until the
        // peaks come the cell shows the placeholder, without ink.
        QVERIFY(m_world->Pictures().Find(SlotFile(document, 1)) == nullptr);
        const QImage before = DrawCell(Waves(), 0, kWaveformColumn);
        QCOMPARE(CountColour(before, 0, 29, ink), 0);
        QVERIFY(CountOther(before, 0, 29, ground) > 0);
        QSignalSpy ready(&m_world->Pictures(), &CWavePictures::Ready);
        QVERIFY(PictureReady(m_world->Pictures(), SlotFile(document, 1)));
        QCOMPARE(ready.count(), 1);
        QVERIFY(CountColour(DrawCell(Waves(), 0, kWaveformColumn), 0, 29, ink) > 500);
    }

    void lengthsAreMinutesSecondsAndMilliseconds_data() {
        QTest::addColumn<int>("rate");
        QTest::addColumn<qulonglong>("frames");
        QTest::addColumn<QString>("text");
        QTest::newRow("2.35 s") << 44100 << 103635ull << "0:02.350";
        QTest::newRow("empty") << 48000 << 0ull << "0:00.000";
        QTest::newRow("over a minute") << 22050 << 1356075ull << "1:01.500";
        QTest::newRow("rounded to the millisecond") << 44100 << 44122ull << "0:01.000";
        QTest::newRow("ten minutes") << 1000 << 600000ull << "10:00.000";
    }
    void lengthsAreMinutesSecondsAndMilliseconds() {
        QFETCH(int, rate);
        QFETCH(qulonglong, frames);
        QFETCH(QString, text);
        QCOMPARE(LengthText(Facts(rate, 16, 1, frames)), text);
    }

    void theLengthColumnShowsAReadableWavesLength() {
        ShowWaves({{1, "Short", ".wav", Silence(103635)}, {3, "Odd", ".w00", {1, 2, 3}}});
        const QAbstractItemModel& model = *Waves().model();
        QCOMPARE(model.headerData(kLengthColumn, Qt::Horizontal).toString(), QString("Length"));
        QCOMPARE(model.index(0, kLengthColumn).data().toString(), QString("0:02.350"));
        QCOMPARE(model.index(2, kLengthColumn).data().toString(), QString()); // no facts
        QCOMPARE(model.index(1, kLengthColumn).data().toString(), QString()); // a free slot
    }

    void wavesWithoutAPictureSayWhy() {
        ShowWaves({{1, "Own", ".w00", CorvTest::Bytes(300, 7)},
                   {2, "Voice", ".vpw", CorvTest::Bytes(300, 7)},
                   {3, "Broken", ".wav", CorvTest::Bytes(300, 7)}});
        const QAbstractItemModel& model = *Waves().model();
        const auto cell = [&](int row, int role) {
            return model.index(row, kWaveformColumn).data(role).toString();
        };
        QCOMPARE(cell(0, Qt::DisplayRole), QString("instrument format"));
        QCOMPARE(cell(1, Qt::DisplayRole), QString("instrument format"));
        QCOMPARE(cell(0, Qt::ToolTipRole), QString("the instrument's own format"));
        QCOMPARE(cell(2, Qt::DisplayRole), QString("cannot be read"));
        QVERIFY2(cell(2, Qt::ToolTipRole).startsWith("cannot be read: "),
                 qPrintable(cell(2, Qt::ToolTipRole)));
        // The words are drawn in grey, not as a picture.
        const QImage image = DrawCell(Waves(), 2, kWaveformColumn);
        QCOMPARE(CountColour(image, 0, 29, Waves().palette().color(QPalette::Text)), 0);
        QVERIFY(CountColour(image, 0, 29, QColor(128, 128, 128)) > 0);
    }

    // A picture is held while a window that showed it lives: two windows sharing a wave keep it
    // until both let go, and the waves of one are let go when it closes.
    void picturesAreHeldWhileAWindowShowsThem() {
        const std::string folder = m_world->Scratch("Shared/");
        const auto write = [&](const char* name, const CorvTest::Bytes& bytes) {
            CorvTest::WriteBytes(folder + name, bytes);
            return QString::fromStdString(folder + name);
        };
        std::filesystem::create_directories(folder);
        const QString one = write("one.wav", SquareLeft(4410));
        const QString two = write("two.wav", Silence(4410));
        const QString own = write("own.w00", CorvTest::Bytes(30, 1));
        CWavePictures& pictures = m_world->Pictures();
        const int a = 0, b = 0;
        pictures.Want(&a, {one, two, own});
        pictures.Want(&b, {two, own});
        QVERIFY(PictureReady(pictures, one) && PictureReady(pictures, two));
        pictures.Want(&a, {}); // scrolled away: what was made stays
        QCOMPARE(pictures.Count(), std::size_t{3});
        pictures.Forget(&a);
        QVERIFY(pictures.Find(one) == nullptr);
        QVERIFY(pictures.Find(two) != nullptr && pictures.Find(own) != nullptr);
        pictures.Forget(&b);
        QCOMPARE(pictures.Count(), std::size_t{0});
        // A window that closes while its pictures are made stops them and holds nothing.
        pictures.Want(&a, {one, two});
        pictures.Forget(&a);
        QCOMPARE(pictures.Count(), std::size_t{0});
        QVERIFY(pictures.WaitForIdle(10000));
        QCOMPARE(pictures.Count(), std::size_t{0});
    }

    void aChangedFileGetsNewPeaks() {
        ShowWaves({{1, "Quiet", ".wav", Silence(4410)}});
        const QString path = SlotFile(Document(), 1);
        QCOMPARE(m_world->Pictures().Find(path)->peaks.level, 0.0f);
        CorvTest::WriteBytes(QFile::encodeName(path).toStdString(), SquareLeft(8000));
        Waves().Refill(); // as after any edit, or when the list gets the focus back
        QVERIFY(QTest::qWaitFor(
            [&] {
                const WavePicture* picture = m_world->Pictures().Find(path);
                return picture != nullptr && picture->Ready() && picture->peaks.level > 0.9f;
            },
            10000));
        QCOMPARE(Waves().model()->index(0, kLengthColumn).data().toString(), QString("0:00.181"));
    }

    // In a project window of the size a first one takes on a common screen (the world's), the
    // wave list shows its pictures and lengths without scrolling, whether its column widths are
    // the first start's or were stored before the list had those columns. Wider, it takes no
    // more than it needs (the patch list has the rest); as narrow as the form, the form's own.
    void thePicturesAndLengthsAreInViewAtTheDefaultSize_data() {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<int>("nameWidth");
        QTest::newRow("first start") << QString() << -1;
        QTest::newRow("widths stored before the pictures") << "56,150,60,61,62,63" << 150;
    }
    void thePicturesAndLengthsAreInViewAtTheDefaultSize() {
        QFETCH(QString, stored);
        QFETCH(int, nameWidth);
        if (!stored.isEmpty())
            QSettings().setValue(QStringLiteral("WaveListCtrl/ColumnWidth"), stored);
        ShowWaves({{1, "Square", ".wav", SquareLeft(4410)}});
        CWaveListCtrl& waves = Waves();
        if (nameWidth >= 0)
            QCOMPARE(waves.columnWidth(1), nameWidth);
        QCOMPARE(waves.columnWidth(kWaveformColumn), 96);
        const auto inView = [&](int column) {
            const QRect cell = waves.visualRect(waves.model()->index(0, column));
            return cell.left() >= 0 && cell.right() < waves.viewport()->width();
        };
        QVERIFY2(inView(kWaveformColumn), "the Waveform column is in view");
        QVERIFY2(inView(kLengthColumn), "the Length column is in view");
        QCOMPARE(waves.horizontalScrollBar()->value(), 0);

        CParameterListCtrl& patches = *m_view->List(Corv::kPatchKind);
        CParameterListCtrl& tones = *m_view->List(Corv::kToneKind);
        const int toneWidth = tones.width();
        const int patchWidth = patches.width();
        m_view->resize(m_view->width() + 1000, m_view->height());
        QCOMPARE(waves.width(), waves.PictureColumnsWidth());
        QCOMPARE(tones.width(), toneWidth);
        QCOMPARE(patches.width(), patchWidth + 1000);
        QVERIFY(tones.geometry().right() < waves.mapTo(m_view.get(), QPoint(0, 0)).x());

        const int formWidth = GP::TemplateSizeOf(*m_view).width();
        m_view->resize(formWidth, m_view->height());
        QVERIFY2(std::abs(waves.width() - tones.width()) <= 1, "the form's widths");
    }

    // A wave list too narrow for its columns up to Length narrows the picture first (not below
    // a small one), and gives it back its width when there is room; the width kept in the
    // settings stays the one the user gave it.
    void aNarrowListNarrowsThePictureForTheLength() {
        ShowWaves({{1, "Square", ".wav", SquareLeft(4410)}});
        CWaveListCtrl& waves = Waves();
        const int full = waves.PictureColumnsWidth();
        const auto lengthInView = [&] {
            const QRect cell = waves.visualRect(waves.model()->index(0, kLengthColumn));
            return cell.left() >= 0 && cell.right() < waves.viewport()->width();
        };
        const struct {
            int narrower;
            int picture;
        } rows[] = {{30, 66}, {0, 96}, {56, 40}, {400, 40}, {-200, 96}};
        for (const auto& row : rows) {
            waves.resize(full - row.narrower, waves.height());
            QCOMPARE(waves.columnWidth(kWaveformColumn), row.picture);
            if (row.narrower <= 56)
                QVERIFY2(lengthInView(), qPrintable(QString::number(row.narrower)));
            QCOMPARE(waves.PictureColumnsWidth(), full);
        }
        waves.resize(full - 30, waves.height());
        waves.WriteColumnWidths();
        QVERIFY2(QSettings()
                     .value(QStringLiteral("WaveListCtrl/ColumnWidth"))
                     .toString()
                     .contains(",96,"),
                 "the user's width is kept");
        // The user's own narrowing is the width from then on.
        waves.setColumnWidth(kWaveformColumn, 50);
        waves.resize(full + 100, waves.height());
        QCOMPARE(waves.columnWidth(kWaveformColumn), 50);
    }

    void oldColumnWidthsKeepTheirColumns_data() {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("widths");
        QTest::newRow("wave list before the pictures") << 2 << "56,136,60,61,62,63"
                                                       << "56,136,96,64,60,61,62,63";
        QTest::newRow("wave list with them") << 2 << "50,100,200,80,1,2,3,4"
                                             << "50,100,200,80,1,2,3,4";
        QTest::newRow("tone list unchanged") << 1 << "56,136,60,61,62,63"
                                             << "56,136,60,61,62,63";
        QTest::newRow("nothing stored") << 2 << ""
                                        << "56,136,96,64,50,50,50,50";
    }
    void oldColumnWidthsKeepTheirColumns() {
        QFETCH(int, kind);
        QFETCH(QString, stored);
        QFETCH(QString, widths);
        QCOMPARE(FormatColumnWidths(ParseColumnWidths(kind, stored)), widths);
    }

    void theFormatLineSaysRateBitsChannelsLengthAndLoop_data() {
        QTest::addColumn<int>("rate");
        QTest::addColumn<int>("bits");
        QTest::addColumn<int>("channels");
        QTest::addColumn<qulonglong>("frames");
        QTest::addColumn<bool>("floating");
        QTest::addColumn<qulonglong>("loopStart");
        QTest::addColumn<qulonglong>("loopEnd");
        QTest::addColumn<QString>("line");
        QTest::newRow("CD stereo with loop")
            << 44100 << 16 << 2 << 103635ull << false << 17640ull << 92610ull
            << QString("44.1 kHz, 16-bit, stereo, 2.35 s, loop 0.40\u20132.10 s");
        QTest::newRow("mono without loop") << 48000 << 24 << 1 << 48000ull << false << 0ull << 0ull
                                           << QString("48 kHz, 24-bit, mono, 1.00 s");
        QTest::newRow("float") << 96000 << 32 << 2 << 48000ull << true << 0ull << 0ull
                               << QString("96 kHz, 32-bit float, stereo, 0.50 s");
        QTest::newRow("32-bit integers") << 96000 << 32 << 2 << 48000ull << false << 0ull << 0ull
                                         << QString("96 kHz, 32-bit, stereo, 0.50 s");
        QTest::newRow("many channels") << 22050 << 8 << 6 << 22050ull << false << 0ull << 0ull
                                       << QString("22.1 kHz, 8-bit, 6 channels, 1.00 s");
        QTest::newRow("odd rate") << 11025 << 16 << 1 << 11025ull << false << 0ull << 0ull
                                  << QString("11 kHz, 16-bit, mono, 1.00 s");
    }
    void theFormatLineSaysRateBitsChannelsLengthAndLoop() {
        QFETCH(int, rate);
        QFETCH(int, bits);
        QFETCH(int, channels);
        QFETCH(qulonglong, frames);
        QFETCH(bool, floating);
        QFETCH(qulonglong, loopStart);
        QFETCH(qulonglong, loopEnd);
        QFETCH(QString, line);
        std::optional<Corv::Audio::WaveLoop> loop;
        if (loopEnd > 0)
            loop = Corv::Audio::WaveLoop{loopStart, loopEnd};
        QCOMPARE(FormatLine(Facts(rate, bits, channels, frames, loop), floating), line);
    }

    void theDetailAreaShowsTheFocusedWaveAndItsLoop() {
        CorvTest::AudioSpec floatSpec =
            CorvTest::Spec(CorvTest::AudioContainer::Aifc, 48000, 2, 32, true);
        ShowWaves({{1, "Looped", ".wav", Silence(1000, 44100, CorvTest::AudioSpec::Loop{250, 750})},
                   {2, "Floats", ".aif",
                    CorvTest::AudioBytes(floatSpec, std::vector<double>(96000, 0.25))},
                   {3, "Own", ".w00", CorvTest::Bytes(300, 7)}});
        CWaveDetail& detail = *m_view->Detail();
        detail.resize(412, 140);
        Focus(0);
        QTRY_VERIFY(detail.HasPicture());
        QCOMPARE(detail.Line(), QString("44.1 kHz, 16-bit, mono, 0.02 s, loop 0.01\u20130.02 s"));
        const QRect area = detail.WaveRect();
        const auto [start, end] = detail.LoopMarkers();
        QVERIFY2(std::abs(start - (area.left() + area.width() / 4)) <= 1,
                 qPrintable(QString::number(start)));
        QVERIFY2(std::abs(end - (area.left() + area.width() * 3 / 4)) <= 1,
                 qPrintable(QString::number(end)));
        Focus(1);
        QTRY_COMPARE(detail.Line(), QString("48 kHz, 32-bit float, stereo, 1.00 s"));
        QCOMPARE(detail.LoopMarkers(), std::make_pair(-1, -1));
        Focus(2);
        QTRY_COMPARE(detail.Line(), QString("No picture: the instrument's own format"));
    }

    void wave_details_are_hidden_and_remembered() {
        ShowWaves({{1, "Short", ".wav", Silence(100)}});
        QAction* details = CDesktop::Get().Waves().DetailsAction();
        QVERIFY(!m_view->Detail()->isHidden());
        details->setChecked(false);
        QVERIFY(m_view->Detail()->isHidden());
        QCOMPARE(QSettings().value("Wave/Details").toBool(), false);
        details->setChecked(true);
        QVERIFY(!m_view->Detail()->isHidden());
    }

    void spacePlaysAndSpaceOrEscapeStops() {
        ShowWaves({{1, "One", ".wav", Silence(100)}, {2, "Two", ".wav", Silence(100)}});
        RecordingPlayer& player = m_world->m_player;
        Focus(1);
        QTest::keyClick(&Waves(), Qt::Key_Space);
        QCOMPARE(player.m_played, QStringList{SlotFile(Document(), 2)});
        QVERIFY(player.IsPlaying());
        QTest::keyClick(&Waves(), Qt::Key_Space);
        QVERIFY(!player.IsPlaying());
        QCOMPARE(player.m_played.size(), 1);
        QTest::keyClick(&Waves(), Qt::Key_Space);
        QTest::keyClick(&Waves(), Qt::Key_Escape);
        QVERIFY(!player.IsPlaying());
        QCOMPARE(player.m_played.size(), 2);
        // Playing stops when another wave becomes the current one.
        QTest::keyClick(&Waves(), Qt::Key_Space);
        QTest::keyClick(&Waves(), Qt::Key_Up);
        QVERIFY(!player.IsPlaying());
        QCOMPARE(player.m_played.size(), 3); // Auto-Play is off
    }

    void spaceOnAFreeSlotOrAnotherListPlaysNothing() {
        ShowWaves({{1, "One", ".wav", Silence(100)}});
        Focus(4);
        QTest::keyClick(&Waves(), Qt::Key_Space);
        CParameterListCtrl& tones = *m_view->List(Corv::kToneKind);
        tones.setFocus();
        tones.SetFocusedRow(0);
        QTest::keyClick(&tones, Qt::Key_Space);
        QVERIFY(m_world->m_player.m_played.isEmpty());
        QCOMPARE(tones.SelectedRows(), std::vector<int>{0}); // Space still selects there
    }

    void autoPlayPlaysWhatTheKeysAndTheMouseSelect() {
        ShowWaves({{1, "One", ".wav", Silence(100)},
                   {2, "Two", ".wav", Silence(100)},
                   {3, "Three", ".wav", Silence(100)}});
        RecordingPlayer& player = m_world->m_player;
        Focus(0);
        CDesktop::Get().Waves().AutoPlayAction()->setChecked(true);
        QCOMPARE(QSettings().value("Wave/AutoPlay").toBool(), true);
        QTest::keyClick(&Waves(), Qt::Key_Down);
        QCOMPARE(player.m_played, QStringList{SlotFile(Document(), 2)});
        QTest::mouseClick(Waves().viewport(), Qt::LeftButton, {}, CellCentre(Waves(), 2, 1));
        QCOMPARE(player.m_played, (QStringList{SlotFile(Document(), 2), SlotFile(Document(), 3)}));
        QVERIFY(player.IsPlaying());
        // Off again: selecting plays nothing.
        CDesktop::Get().Waves().AutoPlayAction()->setChecked(false);
        QTest::keyClick(&Waves(), Qt::Key_Up);
        QCOMPARE(player.m_played.size(), 2);
    }

    void noSoundOutputIsSaidOnceInTheStatusBar() {
        ShowWaves({{1, "One", ".wav", Silence(100)}});
        CWavePlayer silent(std::make_unique<PullingOutput>(false));
        CDesktop::Get().Waves().SetPlayer(&silent);
        Focus(0);
        QSignalSpy said(&CDesktop::Get().Status(), &CStatusLine::Said);
        QTest::keyClick(&Waves(), Qt::Key_Space);
        QCOMPARE(said.count(), 1);
        QCOMPARE(said.at(0).at(0).toString(), QString("No audio output available"));
        QVERIFY(!silent.IsPlaying());
        // Trying again, or another wave with Auto-Play, says nothing more.
        QTest::keyClick(&Waves(), Qt::Key_Space);
        QCOMPARE(said.count(), 1);
        for (QWidget* widget : QApplication::topLevelWidgets())
            QVERIFY(qobject_cast<QMessageBox*>(widget) == nullptr || !widget->isVisible());
        CDesktop::Get().Waves().SetPlayer(&m_world->m_player);
    }

    void thePlayerStartsWithAQuarterSecondAndStopsAtTheEnd() {
        ShowWaves({{1, "Half", ".wav", Silence(22050)}});
        auto output = std::make_unique<PullingOutput>();
        PullingOutput& sink = *output;
        CWavePlayer player(std::move(output));
        QSignalSpy stopped(&player, &IWavePlayer::Stopped);
        QVERIFY(player.Play(SlotFile(Document(), 1)));
        QCOMPARE(sink.m_atStart, qint64(48000 / 4 * 4)); // a quarter second, 16-bit stereo
        QVERIFY(QTest::qWaitFor(
            [&] {
                sink.Pull();
                return !player.IsPlaying();
            },
            5000));
        QCOMPARE(stopped.count(), 1);
        // Half a second at 48 kHz, give or take the converter's frame or two.
        QVERIFY2(std::abs(sink.m_taken - 24000 * 4) <= 2 * 4,
                 qPrintable(QString::number(sink.m_taken)));
        QVERIFY(!player.Play(QString::fromStdString(m_world->Scratch("missing.wav"))));
    }

    void theImportPreviewShowsTheFilePlaysItAndWeighsTheSelection() {
        ShowWaves({{1, "Big", ".wav", Silence(100)}});
        const std::string small = m_world->Scratch("small.wav");
        const std::string large = m_world->Scratch("large.wav");
        const std::string other = m_world->Scratch("notes.txt");
        CorvTest::WriteBytes(small, Silence(44100, 44100, CorvTest::AudioSpec::Loop{0, 22050}));
        CorvTest::WriteBytes(large, CorvTest::Bytes(Corv::kWaveBytesLimit, 0));
        CorvTest::WriteBytes(other, CorvTest::Bytes(10, 0));
        const Corv::CLumData& project = Document().Data();
        const auto q = [](const std::string& path) { return QString::fromStdString(path); };
        const std::uint64_t present = project.WaveBytesTotal();
        const std::uint64_t smallBytes = CorvTest::ReadBytes(small).size();
        // Within the limit: the total and its share; beyond it: the import's own refusal words.
        QCOMPARE(ImportBudgetText(project, {q(small)}),
                 QString("The waves will total %1 MB of 64.0 MB (%2 %).")
                     .arg(QString::number((present + smallBytes) / 1048576.0, 'f', 1),
                          QString::number(100.0 * (present + smallBytes) / Corv::kWaveBytesLimit,
                                          'f', 1)));
        QCOMPARE(ImportBudgetText(project, {q(small), q(large)}),
                 QString::fromStdString(
                     Corv::WaveBytesOverText(present + smallBytes + Corv::kWaveBytesLimit)));
        QCOMPARE(ImportBudgetText(project, {q(other)}), QString());

        CWavePreview preview(&project);
        preview.resize(300, 200);
        preview.show();
        preview.Show(q(small), {q(small)});
        QTRY_COMPARE(preview.Detail()->Line(),
                     QString("44.1 kHz, 16-bit, mono, 1.00 s, loop 0.00\u20130.50 s"));
        QVERIFY(preview.BudgetLine().startsWith("The waves will total"));
        preview.ToggleAudition();
        QCOMPARE(m_world->m_player.m_played, QStringList{q(small)});
        preview.ToggleAudition();
        QVERIFY(!m_world->m_player.IsPlaying());
    }

    // In the Import Wave dialog itself: the preview stands beside the file list, follows the
    // file made current there, and Space in the list plays it instead of selecting.
    void theImportPreviewFollowsARealFileDialog() {
        ShowWaves({{1, "Big", ".wav", Silence(100)}});
        const QString folder = QString::fromStdString(m_world->Scratch("import/"));
        QDir().mkpath(folder);
        const QString wave = folder + "kick.wav";
        CorvTest::WriteBytes(wave.toStdString(), Silence(22050, 22050));
        QFileDialog dialog(nullptr, "Import Wave", folder);
        dialog.setFileMode(QFileDialog::ExistingFiles);
        auto* preview = new CWavePreview(&Document().Data(), &dialog);
        preview->Attach(dialog);
        dialog.resize(900, 500);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QVERIFY(preview->isVisible());
        // The file list: its list or its detail view, whichever the dialog shows.
        QAbstractItemView* list = dialog.findChild<QListView*>("listView");
        if (list == nullptr || !list->isVisible())
            list = dialog.findChild<QTreeView*>("treeView");
        QVERIFY(list != nullptr && list->isVisible());
        const auto inDialog = [&dialog](QWidget* widget) {
            return QRect(widget->mapTo(&dialog, QPoint(0, 0)), widget->size());
        };
        QVERIFY(!inDialog(preview).intersects(inDialog(list)));
        QVERIFY(inDialog(preview).left() >= inDialog(list).right());
        // The user clicks the file once the dialog has listed the folder.
        QTRY_VERIFY(list->model()->rowCount(list->rootIndex()) == 1);
        const QModelIndex row = list->model()->index(0, 0, list->rootIndex());
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualRect(row).center());
        QTRY_COMPARE(preview->Detail()->Line(), QString("22.1 kHz, 16-bit, mono, 1.00 s"));
        QVERIFY(preview->BudgetLine().startsWith("The waves will total"));
        list->setFocus();
        QTest::keyClick(list, Qt::Key_Space);
        QCOMPARE(m_world->m_player.m_played, QStringList{wave});
        QTest::keyClick(list, Qt::Key_Space);
        QVERIFY(!m_world->m_player.IsPlaying());
        dialog.reject();
    }
};

QTEST_MAIN(WaveListTest)
#include "wave_list_test.moc"
