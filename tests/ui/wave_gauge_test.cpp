// The wave memory gauge: its colour at the thresholds, and the project window's gauge following
// the project's waves.
#include "model/lum_data.h"
#include "ui/wave_gauge.h"
#include "ui_fixture.h"

#include <QImage>
#include <QTest>
#include <filesystem>

namespace {

constexpr std::uint64_t kLimit = Corv::kWaveBytesLimit;

class WaveGaugeTest : public QObject {
    Q_OBJECT

private slots:
    void ColourAtTheThresholds_data() {
        QTest::addColumn<qulonglong>("bytes");
        QTest::addColumn<int>("level");
        QTest::newRow("empty") << qulonglong{0} << int(CWaveGauge::kNormal);
        QTest::newRow("half") << qulonglong{kLimit / 2} << int(CWaveGauge::kNormal);
        QTest::newRow("exactly 90 %") << qulonglong{kLimit / 10 * 9} << int(CWaveGauge::kNormal);
        QTest::newRow("one byte above 90 %")
            << qulonglong{kLimit / 10 * 9 + 1} << int(CWaveGauge::kAmber);
        QTest::newRow("one byte short of full")
            << qulonglong{kLimit - 1} << int(CWaveGauge::kAmber);
        QTest::newRow("full") << qulonglong{kLimit} << int(CWaveGauge::kFull);
        QTest::newRow("over the limit") << qulonglong{kLimit + 4096} << int(CWaveGauge::kFull);
    }
    // The bar is drawn in its level's colour, and amber and red stand apart from the normal bar.
    void ColourAtTheThresholds() {
        QFETCH(qulonglong, bytes);
        QFETCH(int, level);
        CWaveGauge gauge;
        gauge.resize(100, 10);
        gauge.SetBytes(bytes);
        QCOMPARE(int(gauge.CurrentLevel()), level);
        const QImage image = gauge.grab().toImage();
        const QColor drawn = image.pixelColor(3, 5);
        const QColor expected = bytes == 0 ? gauge.palette().color(QPalette::Base)
                                           : gauge.BarColor(CWaveGauge::Level(level));
        QCOMPARE(drawn.name(), expected.name());
        const QColor normal = gauge.BarColor(CWaveGauge::kNormal);
        QVERIFY(normal != gauge.BarColor(CWaveGauge::kAmber));
        QVERIFY(normal != gauge.BarColor(CWaveGauge::kFull));
        // The bar ends where the share does: three quarters along, only a fuller gauge is drawn.
        if (bytes > 0)
            QCOMPARE(image.pixelColor(75, 5).name() == expected.name(), bytes > kLimit * 3 / 4);
    }

    // Import and Delete change the gauge as they change the status text.
    void FollowsTheProjectsWaves() {
        CorvUiTest::World world;
        auto view = world.Show(world.OpenSong("A"));
        QCOMPARE(view->Gauge()->Bytes(), std::uint64_t{2150});
        const std::string big = world.Scratch("big.wav");
        CorvTest::WriteBytes(big, CorvTest::AudioFileBytes(".wav", 12, 1));
        std::filesystem::resize_file(big, kLimit / 100 * 95);
        CUiChoosers::Get().importWave = [&](QWidget*) {
            return QStringList{QString::fromStdString(big)};
        };
        view->ImportWave();
        QCOMPARE(view->Gauge()->Bytes(), std::uint64_t{2150 + kLimit / 100 * 95});
        QCOMPARE(view->Gauge()->CurrentLevel(), CWaveGauge::kAmber);
        view->List(2)->SelectRows({0}); // the imported wave took the first empty slot
        view->List(2)->setFocus();
        view->Delete();
        QCOMPARE(view->Gauge()->Bytes(), std::uint64_t{2150});
        QCOMPARE(view->Gauge()->CurrentLevel(), CWaveGauge::kNormal);
    }
};

} // namespace

QTEST_MAIN(WaveGaugeTest)
#include "wave_gauge_test.moc"
