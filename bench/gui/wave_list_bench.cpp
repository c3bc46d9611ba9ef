// The wave list's pictures and auditions on a full project of WAV files (999 waves, 64 MB),
// offscreen: with the peaks on disk from an earlier run, the first screen of the list must
// have every picture within 100 ms of the window being made; and a Space on the wave list
// must hand the first sound to the output within 50 ms for a wave under 10 MB.

#include "bench_support.h"
#include "support/audio_files.h"
#include "ui/desktop.h"
#include "ui/file_doc.h"
#include "ui/file_view.h"
#include "ui/parameter_list.h"
#include "ui/parameter_list_model.h"
#include "ui/wave_pictures.h"
#include "ui/wave_player.h"
#include "ui/wave_services.h"
#include "wave_project.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QKeyEvent>

using namespace CorvDesktop;

namespace CorvBench {

namespace {

// The peaks of every wave of the project, on disk: the warm cache a reopened project finds.
QString WarmCacheFolder() {
    static const QString folder = [] {
        const QString path = QString::fromStdString(TheWorld().Scratch("peaks/"));
        CWavePictures pictures(path);
        for (const std::string& file : WaveProjectPaths()) {
            Corv::Audio::WavePeaks peaks;
            std::string reason;
            pictures.Cache().Peaks(file, peaks, reason);
        }
        return path;
    }();
    return folder;
}

bool VisiblePicturesReady(CWaveListCtrl& list) {
    const CWavePictures& pictures = CDesktop::Get().Waves().Pictures();
    const std::vector<int> rows = list.VisibleRows();
    return !rows.empty() && std::all_of(rows.begin(), rows.end(), [&](int row) {
        const WavePicture* picture = pictures.Find(list.Model()->FilePath(row));
        return picture != nullptr && picture->state == WavePicture::State::Done;
    });
}

// A fresh picture service over the warm disk cache (nothing in memory), the project window
// made and shown, and events handled until every visible row of the wave list has its picture.
void WaveListFirstScreen(benchmark::State& state) {
    const QString cache = WarmCacheFolder();
    FreshStore();
    Corv::CProjectDocument* document = Open(WaveProjectFolder());
    if (document == nullptr) {
        state.SkipWithError("the wave project did not load");
        return;
    }
    CFileDoc doc(*document);
    bool ok = true;
    for (auto _ : state) {
        CDesktop::Get().Waves().UsePictures(new CWavePictures(cache));
        CFileView view(doc);
        view.resize(1100, 600);
        view.show();
        auto& list = static_cast<CWaveListCtrl&>(*view.List(Corv::kWaveKind));
        QElapsedTimer waited;
        waited.start();
        while (!VisiblePicturesReady(list) && waited.elapsed() < 10000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
        benchmark::DoNotOptimize(view.grab());
        ok = ok && VisiblePicturesReady(list);
        state.PauseTiming();
        view.hide();
        state.ResumeTiming();
    }
    CDesktop::Get().Waves().UsePictures(nullptr);
    Corv::CProjectDocuments::Get().CloseAll();
    if (!ok)
        state.SkipWithError("the first screen did not get its pictures");
}

// A sound output that takes the first bytes it is handed and remembers when.
class FirstBytesOutput : public ISoundOutput {
public:
    explicit FirstBytesOutput(QElapsedTimer& clock) : m_clock(clock) {}
    bool PreferredFormat(Corv::Audio::PlaybackFormat& format) override {
        format = {48000, 2, Corv::Audio::SampleType::Int16};
        return true;
    }
    bool Start(QIODevice* source, const Corv::Audio::PlaybackFormat&) override {
        char bytes[4096];
        if (source->read(bytes, sizeof bytes) > 0)
            m_firstBytes = m_clock.nsecsElapsed();
        return true;
    }
    void Stop() override {}
    std::int64_t PlayedMicroseconds() const override { return 0; }
    bool RanDry() const override { return false; }
    bool Failed() const override { return false; }

    std::int64_t m_firstBytes = -1;

private:
    QElapsedTimer& m_clock;
};

// Space pressed on a wave list whose focused wave is a 9.5 MB WAV file (16-bit stereo at
// 44.1 kHz, played at 48 kHz): the time until the output has its first bytes.
void AuditionStartFromSpace(benchmark::State& state) {
    static const std::string folder = [] {
        const std::string path = TheWorld().Scratch("Audition.prj/");
        RemoveTree(path);
        CorvTest::ProjectBuilder builder(path);
        CorvTest::WriteBytes(
            builder.SlotPath(Corv::kWaveKind, 1, "Long", ".wav"),
            CorvTest::AudioBytes(CorvTest::Spec(CorvTest::AudioContainer::Wav, 44100, 2, 16),
                                 CorvTest::Sawtooth(9500 * 1024 / 4, 2)));
        return path;
    }();
    FreshStore();
    Corv::CProjectDocument* document = Open(folder);
    if (document == nullptr) {
        state.SkipWithError("the audition project did not load");
        return;
    }
    QElapsedTimer clock;
    auto output = std::make_unique<FirstBytesOutput>(clock);
    FirstBytesOutput& sink = *output;
    CWavePlayer player(std::move(output));
    CDesktop::Get().Waves().SetPlayer(&player);
    CFileDoc doc(*document);
    CFileView view(doc);
    view.resize(1100, 600);
    view.show();
    auto& list = static_cast<CWaveListCtrl&>(*view.List(Corv::kWaveKind));
    list.setFocus();
    list.SetFocusedRow(0);
    bool ok = true;
    std::int64_t total = 0;
    for (auto _ : state) {
        sink.m_firstBytes = -1;
        QKeyEvent space(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier, QStringLiteral(" "));
        clock.start();
        QCoreApplication::sendEvent(&list, &space);
        ok = ok && sink.m_firstBytes >= 0 && player.IsPlaying();
        total += sink.m_firstBytes;
        state.PauseTiming();
        player.Stop();
        state.ResumeTiming();
    }
    state.counters["ms to first bytes"] =
        benchmark::Counter(static_cast<double>(total) / 1e6, benchmark::Counter::kAvgIterations);
    CDesktop::Get().Waves().SetPlayer(nullptr);
    Corv::CProjectDocuments::Get().CloseAll();
    if (!ok)
        state.SkipWithError("Space did not start the audition");
}

const bool g_registered = [] {
    Measure("wave list first screen", WaveListFirstScreen)->Iterations(10);
    Measure("audition start from Space", AuditionStartFromSpace);
    return true;
}();

} // namespace

} // namespace CorvBench
