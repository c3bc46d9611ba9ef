// Waves: the peaks of every wave of a full project of WAV files (999 waves, 64 MB of 16-bit
// stereo) at the resolution the peak cache keeps, on two threads as the desktop program's
// workers compute them and on one, against reading the same bytes once; and how long the
// audition of a 10 MB wave takes to have its first quarter of a second ready to play.

#include "audio/peak_cache.h"
#include "audio/peaks.h"
#include "audio/playback.h"
#include "bench_support.h"
#include "support/audio_files.h"
#include "wave_project.h"

#include <atomic>
#include <fcntl.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace CorvBench {

namespace {

constexpr int kWaves = 999;

const std::vector<std::string>& WavePaths() {
    return WaveProjectPaths();
}

// Runs `work` on every wave path from `threads` threads, each taking the next path; false when
// any call failed.
template <class Work> bool OverEveryWave(int threads, Work work) {
    const std::vector<std::string>& paths = WavePaths();
    std::atomic<std::size_t> next{0};
    std::atomic<bool> ok{paths.size() == kWaves};
    const auto worker = [&] {
        for (std::size_t i = next++; i < paths.size(); i = next++)
            if (!work(paths[i]))
                ok = false;
    };
    std::vector<std::thread> others;
    for (int t = 1; t < threads; ++t)
        others.emplace_back(worker);
    worker();
    for (std::thread& thread : others)
        thread.join();
    return ok;
}

bool PeaksOf(const std::string& path) {
    Corv::Audio::WavePeaks peaks;
    std::string reason;
    return Corv::Audio::ComputePeaks(path, Corv::Audio::kStoredColumns, peaks, reason) ==
               Corv::Audio::PeakStatus::Done &&
           peaks.level > 0;
}

void Peaks(benchmark::State& state, int threads) {
    WavePaths();
    bool ok = true;
    for (auto _ : state)
        ok = OverEveryWave(threads, PeaksOf) && ok;
    if (!ok)
        state.SkipWithError("a wave gave no peaks");
}

void PeaksTwoThreads(benchmark::State& state) {
    Peaks(state, 2);
}

void PeaksOneThread(benchmark::State& state) {
    Peaks(state, 1);
}

// Reads every byte of every wave file once, in blocks of 256 KB.
void ReadBaseline(benchmark::State& state) {
    WavePaths();
    std::vector<char> buffer(256 * 1024);
    bool ok = true;
    for (auto _ : state)
        ok = OverEveryWave(1,
                           [&](const std::string& path) {
                               const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
                               if (fd < 0)
                                   return false;
                               ssize_t got = 0;
                               while ((got = ::read(fd, buffer.data(), buffer.size())) > 0) {
                               }
                               ::close(fd);
                               return got == 0;
                           }) &&
             ok;
    if (!ok)
        state.SkipWithError("a wave file could not be read");
}

// A 10 MB wave (16-bit stereo, 44100 Hz, about a minute) opened and its first quarter second
// decoded for a 48000 Hz output: the wait between the key press and the sound.
void AuditionStart(benchmark::State& state) {
    static const std::string path = [] {
        const std::string file = TheWorld().Scratch("audition.wav");
        CorvTest::WriteBytes(
            file, CorvTest::AudioBytes(CorvTest::Spec(CorvTest::AudioContainer::Wav, 44100, 2, 16),
                                       CorvTest::Sawtooth(10 * 1024 * 1024 / 4, 2)));
        return file;
    }();
    bool ok = true;
    for (auto _ : state) {
        Corv::Audio::CWaveDecoder decoder;
        std::string reason;
        std::vector<std::uint8_t> bytes;
        ok = decoder.Open(path, Corv::Audio::PlaybackFormat(), reason) &&
             decoder.Decode(12000, bytes) == 12000 && ok;
    }
    if (!ok)
        state.SkipWithError("the wave did not decode");
}

const bool g_registered = [] {
    Measure("peaks, full project", PeaksTwoThreads)->Iterations(3);
    Measure("peaks, full project, one thread", PeaksOneThread)->Iterations(3);
    Measure("peaks, full project baseline", ReadBaseline)->Iterations(3);
    PairWithBaseline("peaks, full project", "peaks, full project baseline",
                     "peaks (1024 columns) of the 999 WAV waves of a full project (64 MB), on two "
                     "threads; baseline reads every wave file once on one");
    PairWithBaseline("peaks, full project, one thread", "peaks, full project baseline",
                     "the same peaks on one thread");
    Measure("wave audition start", AuditionStart);
    return true;
}();

} // namespace

} // namespace CorvBench
