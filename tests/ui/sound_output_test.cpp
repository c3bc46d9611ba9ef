// The program's player through Qt Multimedia to a real sound server: a PulseAudio daemon of the
// test's own, with a null sink as its output device, started in a private runtime folder (so a
// user's own sound server is never touched) and ended with the test, whatever its outcome.
#include "support/audio_files.h"
#include "support/project_builder.h"
#include "ui/sound_output.h"
#include "ui/wave_player.h"

#include <QElapsedTimer>
#include <QFile>
#include <QMediaDevices>
#include <QProcess>
#include <QSignalSpy>
#include <QTest>
#include <cmath>
#include <csignal>
#include <filesystem>
#include <memory>
#include <sys/prctl.h>

using namespace CorvDesktop;

namespace {

// The sound server of the test: started before Qt Multimedia first looks for devices.
class SoundServer {
public:
    explicit SoundServer(const std::string& runtime) : m_runtime(runtime) {
        std::filesystem::create_directories(runtime);
        std::filesystem::permissions(runtime, std::filesystem::perms::owner_all);
        qputenv("XDG_RUNTIME_DIR", QByteArray::fromStdString(runtime));
        qputenv("PULSE_SERVER", QByteArray::fromStdString("unix:" + runtime + "/pulse/native"));
        qputenv("PULSE_RUNTIME_PATH", QByteArray::fromStdString(runtime + "/pulse"));
        qputenv("PULSE_STATE_PATH", QByteArray::fromStdString(runtime + "/state"));
        qputenv("PULSE_CLIENTCONFIG", QByteArray::fromStdString(runtime + "/client.conf"));
        QFile config(QString::fromStdString(runtime + "/client.conf"));
        if (config.open(QIODevice::WriteOnly))
            config.write("autospawn = no\n");
    }
    ~SoundServer() { Stop(); }

    bool Start() {
        m_process.setProgram(QStringLiteral("pulseaudio"));
        m_process.setArguments({"-n", "--daemonize=no", "--exit-idle-time=-1", "--use-pid-file=no",
                                "--system=no", "-L", "module-null-sink", "-L",
                                "module-native-protocol-unix", "--log-target=stderr"});
        m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        // Whatever it keeps of its own (a cookie, its state) goes to the runtime folder too.
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("HOME"), QString::fromStdString(m_runtime));
        m_process.setProcessEnvironment(environment);
        // The server ends with the test even when the test itself is killed or crashes.
        m_process.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
        m_process.start();
        if (!m_process.waitForStarted(10000))
            return false;
        // Up once its socket is there.
        const QString socket = QString::fromStdString(m_runtime + "/pulse/native");
        return QTest::qWaitFor([&] { return QFile::exists(socket); }, 10000);
    }
    void Stop() {
        if (m_process.state() == QProcess::NotRunning)
            return;
        m_process.kill();
        m_process.waitForFinished(10000);
    }

private:
    std::string m_runtime;
    QProcess m_process;
};

} // namespace

class SoundOutputTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        QVERIFY2(m_server.Start(), "pulseaudio did not start (scripts/install-deps installs it)");
        QVERIFY2(
            QTest::qWaitFor([] { return !QMediaDevices::defaultAudioOutput().isNull(); }, 10000),
            "Qt Multimedia sees the server's output");
    }
    void cleanupTestCase() { m_server.Stop(); }

    // A wave of another rate and channel count than the device's plays to its end: as much
    // sound as the wave holds reaches the device, the position grows, and the end is said. (The
    // null sink plays what it has, then waits for its next two-second block: a device left to
    // pull for itself stopped there with an error and the rest of the wave unplayed.)
    void aWavePlaysToItsEndOnTheDevice() {
        const std::string path = m_temp / "tone.wav";
        std::vector<double> samples(22050 * 3 / 10);
        for (std::size_t i = 0; i < samples.size(); ++i)
            samples[i] = 0.5 * std::sin(static_cast<double>(i) * 0.1);
        CorvTest::WriteBytes(
            path, CorvTest::AudioBytes(CorvTest::Spec(CorvTest::AudioContainer::Wav, 22050, 1, 16),
                                       samples));
        CWavePlayer player(std::make_unique<CSoundOutput>());
        QSignalSpy unavailable(&player, &IWavePlayer::Unavailable);
        QSignalSpy stopped(&player, &IWavePlayer::Stopped);
        double last = -1, first = -1;
        QElapsedTimer clock;
        int backwards = 0;
        connect(&player, &IWavePlayer::PositionChanged, this, [&](double seconds) {
            backwards += seconds < last ? 1 : 0;
            if (first < 0 && seconds > 0)
                first = seconds;
            last = seconds;
        });
        clock.start();
        QVERIFY(player.Play(QString::fromStdString(path)));
        QVERIFY(player.IsPlaying());
        QVERIFY(QTest::qWaitFor([&] { return first > 0; }, 5000));
        const qint64 heard = clock.elapsed();
        QVERIFY(QTest::qWaitFor([&] { return stopped.count() == 1; }, 10000));
        QCOMPARE(unavailable.count(), 0);
        QCOMPARE(backwards, 0);
        QVERIFY2(last > 0.25 && last < 0.45, qPrintable(QString::number(last)));
        QVERIFY(!player.IsPlaying());
        qInfo("first sound heard after %lld ms", heard);
    }

    // Stopped while it plays, the wave is silent at once and can be played again.
    void aPlayingWaveStopsAndPlaysAgain() {
        const std::string path = m_temp / "long.wav";
        CorvTest::WriteBytes(
            path, CorvTest::AudioBytes(CorvTest::Spec(CorvTest::AudioContainer::Wav, 44100, 2, 16),
                                       std::vector<double>(44100 * 2 * 5, 0.25)));
        CWavePlayer player(std::make_unique<CSoundOutput>());
        QSignalSpy stopped(&player, &IWavePlayer::Stopped);
        QVERIFY(player.Play(QString::fromStdString(path)));
        QTest::qWait(200);
        player.Stop();
        QCOMPARE(stopped.count(), 1);
        QVERIFY(!player.IsPlaying());
        QVERIFY(player.Play(QString::fromStdString(path)));
        QVERIFY(player.IsPlaying());
    }

    // The server going away while a wave plays ends the audition: no hang, no crash.
    void aServerThatGoesAwayEndsTheAudition() {
        const std::string path = m_temp / "lost.wav";
        CorvTest::WriteBytes(
            path, CorvTest::AudioBytes(CorvTest::Spec(CorvTest::AudioContainer::Wav, 44100, 1, 16),
                                       std::vector<double>(44100 * 5, 0.25)));
        CWavePlayer player(std::make_unique<CSoundOutput>());
        QSignalSpy stopped(&player, &IWavePlayer::Stopped);
        QVERIFY(player.Play(QString::fromStdString(path)));
        QTest::qWait(200);
        m_server.Stop();
        QVERIFY(QTest::qWaitFor([&] { return stopped.count() == 1; }, 10000));
        QVERIFY(!player.IsPlaying());
    }

private:
    CorvTest::TempDir m_temp;
    SoundServer m_server{m_temp / "runtime"};
};

QTEST_MAIN(SoundOutputTest)
#include "sound_output_test.moc"
