#include "audio/peak_cache.h"
#include "audio_fixture.h"
#include "support/faulty_file_system.h"

#include <cmath>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <thread>

namespace CorvAudioTest {
namespace {

using Corv::Audio::CPeakCache;
using Corv::Audio::IdentifyWave;
using Corv::Audio::PeakStatus;
using Corv::Audio::WaveIdentity;
using Corv::Audio::WavePeaks;

class PeakCache : public AudioTest {
protected:
    std::string Folder() const { return m_temp / "cache/Brisko/peaks/"; }

    std::string WriteLevel(double level, std::size_t frames = 3000) {
        std::vector<double> samples(frames, level / 2);
        samples[frames / 2] = level;
        return WriteAudio("wave.wav", Spec(AudioContainer::Wav, 44100, 1, 16), samples);
    }
    static WavePeaks Get(CPeakCache& cache, const std::string& path, int width = 0) {
        WavePeaks peaks;
        std::string reason;
        const PeakStatus status =
            width == 0 ? cache.Peaks(path, peaks, reason) : cache.Peaks(path, width, peaks, reason);
        EXPECT_EQ(status, PeakStatus::Done) << reason;
        return peaks;
    }
    // Sets the time of the last change of a file (the identity's second part).
    static void SetModified(const std::string& path, long seconds) {
        const timespec times[2] = {{seconds, 0}, {seconds, 0}};
        ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
    }
    WaveIdentity Identity(const std::string& path) const {
        WaveIdentity identity;
        EXPECT_TRUE(IdentifyWave(path, identity));
        return identity;
    }
};

TEST_F(PeakCache, KeepsTheStoredResolutionAndReducesIt) {
    CPeakCache cache;
    const std::string path = WriteLevel(0.5);
    const WavePeaks stored = Get(cache, path);
    EXPECT_EQ(stored.width, Corv::Audio::kStoredColumns);
    EXPECT_EQ(stored.level, 0.5f);
    EXPECT_EQ(Get(cache, path, 100), Corv::Audio::ReducePeaks(stored, 100));
    // A wave of fewer frames is kept one column a frame.
    EXPECT_EQ(
        Get(cache, WriteAudio("tiny.wav", Spec(AudioContainer::Wav, 8000, 1, 16), {0.25, 0.5}))
            .width,
        2);
}

// Narrower than the stored columns the peaks are those columns reduced; wider, a wave of more
// frames is read again at that width. Either way they are the peaks made for that width.
TEST_F(PeakCache, GivesEveryWidthThePeaksMadeForIt) {
    std::vector<double> samples(9000);
    for (std::size_t i = 0; i < samples.size(); ++i)
        samples[i] = std::sin(static_cast<double>(i) * 0.37) * (static_cast<double>(i % 700) / 700);
    const std::string path =
        WriteAudio("long.wav", Spec(AudioContainer::Wav, 44100, 1, 16), samples);
    CPeakCache cache;
    for (const int width : {256, 1024, 2048, 4096}) {
        WavePeaks direct;
        std::string reason;
        ASSERT_EQ(Corv::Audio::ComputePeaks(path, width, direct, reason), PeakStatus::Done);
        EXPECT_EQ(Get(cache, path, width), direct) << width;
    }
    EXPECT_EQ(Get(cache, path).width, Corv::Audio::kStoredColumns) << "the wider ones not kept";
}

// The wave's content is changed behind the cache while its size and time stay: the cache still
// gives the old peaks, which shows that they came from the cache; a changed time or size is
// another file and gets new peaks.
TEST_F(PeakCache, AChangedFileGetsNewPeaks) {
    for (const bool disk : {false, true}) {
        SCOPED_TRACE(disk ? "disk" : "memory");
        CPeakCache cache(Folder());
        const std::string path = WriteLevel(0.5);
        SetModified(path, 1000000);
        EXPECT_EQ(Get(cache, path).level, 0.5f);
        WriteLevel(0.25);
        SetModified(path, 1000000);
        if (disk)
            cache.ClearMemory(); // read back from the disk file
        EXPECT_EQ(Get(cache, path).level, 0.5f);
        SetModified(path, 1000001);
        EXPECT_EQ(Get(cache, path).level, 0.25f);
        WriteLevel(0.75, 3002); // a different size, the same time
        SetModified(path, 1000001);
        EXPECT_EQ(Get(cache, path).level, 0.75f);
        std::filesystem::remove_all(Folder());
    }
}

TEST_F(PeakCache, ADiskFileIsUsedByALaterCacheAndWrittenWhole) {
    const std::string path = WriteLevel(0.5);
    const WavePeaks first = Get(*std::make_unique<CPeakCache>(Folder()), path);
    // Only the finished file is left in the folder, no temporary one.
    EXPECT_EQ(CorvTest::ListFolder(Folder()).size(), 1u);
    const std::string file = CPeakCache(Folder()).DiskFile(Identity(path));
    ASSERT_TRUE(CorvTest::FileExists(file));
    CorvTest::InstalledFaultyFileSystem counted;
    CPeakCache later(Folder());
    EXPECT_EQ(Get(later, path), first);
    // Read from its disk file: the wave itself was never opened.
    EXPECT_EQ(counted.Count(CorvTest::FsOp::Open), 1);
}

TEST_F(PeakCache, ADamagedOrForeignDiskFileIsIgnoredAndReplaced) {
    const std::string path = WriteLevel(0.5);
    const WavePeaks right = Get(*std::make_unique<CPeakCache>(Folder()), path);
    const std::string file = CPeakCache(Folder()).DiskFile(Identity(path));
    const Bytes good = CorvTest::ReadBytes(file);
    const auto patched = [&](std::size_t at, std::uint8_t value) {
        Bytes bytes = good;
        bytes[at] = value;
        return bytes;
    };
    // The peaks begin after the header and the path; a level byte set to 0xFF makes a NaN.
    const std::size_t peaksAt = good.size() - 2 * 4 * static_cast<std::size_t>(right.width);
    struct Case {
        const char* name;
        Bytes bytes;
    };
    const Case cases[] = {
        {"empty", {}},
        {"cut short", Bytes(good.begin(), good.end() - 1)},
        {"longer",
         [&] {
             Bytes b = good;
             b.push_back(0);
             return b;
         }()},
        {"magic", patched(0, 'X')},
        {"version", patched(8, 2)},
        {"path", patched(16, 'x')},
        {"channels zero",
         [&] {
             Bytes b = good;
             std::fill_n(b.end() - static_cast<long>(good.size() - peaksAt) - 20, 4, 0);
             return b;
         }()},
        {"a peak out of range", patched(peaksAt + 3, 0x7F)},
        {"a foreign file", Bytes(good.size(), 0x41)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CorvTest::WriteBytes(file, c.bytes);
        CPeakCache cache(Folder());
        EXPECT_EQ(Get(cache, path), right);
        EXPECT_EQ(CorvTest::ReadBytes(file), good); // computed anew and written over
    }
}

TEST_F(PeakCache, MemoryStaysWithinItsBound) {
    // Room for about two waves of 1024 columns.
    CPeakCache cache({}, 20000);
    std::vector<std::string> paths;
    for (int i = 0; i < 5; ++i)
        paths.push_back(WriteAudio("w" + std::to_string(i) + ".wav",
                                   Spec(AudioContainer::Wav, 8000, 1, 16),
                                   CorvTest::Sawtooth(2048, 1)));
    for (const std::string& path : paths)
        Get(cache, path);
    EXPECT_LE(cache.MemoryBytes(), 20000u);
    EXPECT_GT(cache.MemoryBytes(), 0u);
}

TEST_F(PeakCache, ManyThreadsShareOneCache) {
    CPeakCache cache(Folder());
    std::vector<std::string> paths;
    for (int i = 0; i < 8; ++i)
        paths.push_back(WriteAudio("w" + std::to_string(i) + ".wav",
                                   Spec(AudioContainer::Wav, 8000, 2, 16),
                                   CorvTest::Sawtooth(3000 + i, 2)));
    std::vector<WavePeaks> alone;
    for (const std::string& path : paths)
        alone.push_back(Get(*std::make_unique<CPeakCache>(), path));
    std::vector<std::thread> threads;
    std::vector<int> wrong(4, 0);
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&, t] {
            for (int round = 0; round < 3; ++round)
                for (std::size_t i = 0; i < paths.size(); ++i) {
                    WavePeaks peaks;
                    std::string reason;
                    if (cache.Peaks(paths[i], peaks, reason) != PeakStatus::Done ||
                        !(peaks == alone[i]))
                        ++wrong[static_cast<std::size_t>(t)];
                }
        });
    for (std::thread& thread : threads)
        thread.join();
    EXPECT_EQ(wrong, std::vector<int>(4, 0));
}

TEST_F(PeakCache, NoPictureAndCancellingKeepNothing) {
    CPeakCache cache(Folder());
    WavePeaks peaks;
    std::string reason;
    EXPECT_EQ(cache.Peaks(Write("001 Pad.w00", Bytes(64, 0)), peaks, reason),
              PeakStatus::NoPicture);
    EXPECT_EQ(reason, "the instrument's own format");
    EXPECT_EQ(cache.Peaks(m_temp / "missing.wav", peaks, reason), PeakStatus::NoPicture);
    EXPECT_EQ(reason, "cannot be read: No such file or directory");
    const std::string path = WriteLevel(0.5);
    EXPECT_EQ(cache.Peaks(path, peaks, reason, [] { return true; }), PeakStatus::Cancelled);
    EXPECT_EQ(cache.MemoryBytes(), 0u);
    EXPECT_FALSE(std::filesystem::exists(Folder()));
    // A cache folder that cannot be made costs the disk copy, not the peaks.
    CorvTest::WriteBytes(m_temp / "blocked", {1});
    CPeakCache blocked(m_temp / "blocked/peaks");
    EXPECT_EQ(Get(blocked, path).level, 0.5f);
}

} // namespace
} // namespace CorvAudioTest
