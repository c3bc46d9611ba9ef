// The ground of the wave tests: projects whose waves are real WAV/AIFF files written by the test
// writers, a picture service of the case's own, and players and sound outputs that record.
#pragma once

#include "project_world.h"
#include "support/audio_files.h"
#include "ui/wave_pictures.h"
#include "ui/wave_player.h"
#include "ui/wave_services.h"

#include <QFile>
#include <QSignalSpy>
#include <QTest>

namespace CorvUiTest {

// A player that plays nothing and remembers what it was asked.
class RecordingPlayer : public IWavePlayer {
public:
    bool Play(const QString& path) override {
        Stop();
        m_played << path;
        m_path = path;
        return true;
    }
    void Stop() override {
        if (m_path.isEmpty())
            return;
        m_path.clear();
        ++m_stops;
        emit Stopped();
    }
    bool IsPlaying() const override { return !m_path.isEmpty(); }
    QString Path() const override { return m_path; }

    QStringList m_played;
    int m_stops = 0;

private:
    QString m_path;
};

// A sound output that takes bytes as fast as they come (or has no device at all).
class PullingOutput : public ISoundOutput {
public:
    explicit PullingOutput(bool present = true) : m_present(present) {}
    bool PreferredFormat(Corv::Audio::PlaybackFormat& format) override {
        format = {48000, 2, Corv::Audio::SampleType::Int16};
        return m_present;
    }
    bool Start(QIODevice* source, const Corv::Audio::PlaybackFormat&) override {
        m_source = source;
        m_atStart = source->bytesAvailable();
        return m_present;
    }
    void Stop() override { m_source = nullptr; }
    // Takes everything the source has now.
    void Pull() {
        if (m_source != nullptr)
            m_taken += m_source->readAll().size();
    }
    std::int64_t PlayedMicroseconds() const override { return m_taken * 1000000 / (48000 * 4); }
    bool RanDry() const override { return m_source == nullptr || m_source->bytesAvailable() == 0; }
    bool Failed() const override { return false; }

    bool m_present;
    QIODevice* m_source = nullptr;
    qint64 m_atStart = 0;
    qint64 m_taken = 0;
};

// A case's wave ground: a World, its own peak cache folder and picture service, and a recording
// player in place of the program's.
class WaveWorld : public World {
public:
    WaveWorld() {
        CDesktop::Get().Waves().UsePictures(
            new CWavePictures(QString::fromStdString(m_cache.Path() + "/peaks/")));
        CDesktop::Get().Waves().SetPlayer(&m_player);
        CDesktop::Get().Waves().AutoPlayAction()->setChecked(false);
        CDesktop::Get().Waves().DetailsAction()->setChecked(true);
    }
    ~WaveWorld() {
        CDesktop::Get().Waves().SetPlayer(nullptr);
        CDesktop::Get().Waves().UsePictures(nullptr);
    }
    CWavePictures& Pictures() { return CDesktop::Get().Waves().Pictures(); }

    // Writes wave files into slots of a new project ("number" -> bytes, with its extension) and
    // opens it.
    struct SlotFile {
        int number;
        std::string name;
        std::string extension;
        CorvTest::Bytes bytes;
    };
    Corv::CProjectDocument& OpenWaves(const std::string& name, const std::vector<SlotFile>& files) {
        const std::string folder = Scratch(name + ".prj/");
        CorvTest::ProjectBuilder builder(folder);
        for (const SlotFile& file : files)
            CorvTest::WriteBytes(
                builder.SlotPath(Corv::kWaveKind, file.number, file.name, file.extension),
                file.bytes);
        Corv::CProjectDocument* document = Corv::CProjectDocuments::Get().OpenProject(folder);
        if (document == nullptr)
            qFatal("the wave project did not load");
        return *document;
    }

    RecordingPlayer m_player;

private:
    CorvTest::TempDir m_cache;
};

// A WAV file: the left channel a full-scale square (1 and -1 in turns of 5 frames, so that
// every column of a picture holds both), the right one silent.
inline CorvTest::Bytes SquareLeft(std::size_t frames) {
    std::vector<double> samples;
    for (std::size_t i = 0; i < frames; ++i) {
        samples.push_back((i / 5) % 2 == 0 ? 1.0 : -1.0);
        samples.push_back(0.0);
    }
    return CorvTest::AudioBytes(CorvTest::Spec(CorvTest::AudioContainer::Wav, 44100, 2, 16),
                                samples);
}

// A mono WAV file of silence, with a loop when given.
inline CorvTest::Bytes Silence(std::size_t frames, int rate = 44100,
                               std::optional<CorvTest::AudioSpec::Loop> loop = {}) {
    CorvTest::AudioSpec spec = CorvTest::Spec(CorvTest::AudioContainer::Wav, rate, 1, 16);
    spec.loop = loop;
    return CorvTest::AudioBytes(spec, std::vector<double>(frames, 0.0));
}

// The file of a wave slot as the list holds it.
inline QString SlotFile(const Corv::CProjectDocument& document, int number) {
    return QFile::decodeName(document.Data().Waves()[Corv::At(number - 1)].FilePath().c_str());
}

// Waits until the picture of a wave is known.
inline bool PictureReady(CWavePictures& pictures, const QString& path) {
    return QTest::qWaitFor(
        [&] {
            const WavePicture* picture = pictures.Find(path);
            return picture != nullptr && picture->Ready();
        },
        10000);
}

} // namespace CorvUiTest
