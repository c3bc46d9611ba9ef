#include "wave_project.h"

#include "bench_support.h"
#include "support/audio_files.h"

namespace CorvBench {

namespace {

constexpr int kWaves = 999;

} // namespace

const std::string& WaveProjectFolder() {
    static const std::string folder = [] {
        const std::string path = TheWorld().Scratch("Waves.prj/");
        RemoveTree(path);
        CorvTest::ProjectBuilder builder(path);
        const std::size_t frames = (World::WaveBytes() - 44) / 4;
        const CorvTest::Bytes bytes =
            CorvTest::AudioBytes(CorvTest::Spec(CorvTest::AudioContainer::Wav, 44100, 2, 16),
                                 CorvTest::Sawtooth(frames, 2));
        for (int w = 1; w <= kWaves; ++w)
            CorvTest::WriteBytes(
                builder.SlotPath(Corv::kWaveKind, w, "Wave " + std::to_string(w), ".wav"), bytes);
        return path;
    }();
    return folder;
}

const std::vector<std::string>& WaveProjectPaths() {
    static const std::vector<std::string> paths = [] {
        FreshStore();
        std::vector<std::string> files;
        if (const Corv::CProjectDocument* document = Open(WaveProjectFolder()))
            for (int w = 0; w < Corv::kWaveSlots; ++w)
                if (const Corv::CWave& wave = document->Data().Waves()[Corv::At(w)];
                    !wave.IsEmpty())
                    files.push_back(wave.FilePath());
        FreshStore();
        return files;
    }();
    return paths;
}

} // namespace CorvBench
