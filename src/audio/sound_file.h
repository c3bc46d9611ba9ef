#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace Corv::Audio {

// The loop of a wave in frames: `start` is its first frame, `end` the frame just after its last
// one, so that `end - start` frames repeat; start < end <= the wave's frames.
struct WaveLoop {
    std::uint64_t start = 0;
    std::uint64_t end = 0;
    bool operator==(const WaveLoop&) const = default;
};

// What a wave file is, as the list's length column and the detail area's format line show it.
// The numbers are those of a readable wave and stay 0 for the others.
struct WaveFacts {
    // "wav", "aiff", "aifc" (readable), "instrument" (the instrument's own format, never read)
    // or "unreadable".
    std::string format = "unreadable";
    // Empty for a readable wave; otherwise why it has no picture.
    std::string reason;
    int sampleRate = 0;
    int channels = 0;
    int bits = 0; // bits of one stored sample (32 or 64 for floating point)
    std::uint64_t frames = 0;
    double seconds = 0;
    std::optional<WaveLoop> loop;

    bool Readable() const { return format == "wav" || format == "aiff" || format == "aifc"; }
};

// The most channels and the range of sample rates a wave may have to be read; anything outside
// is refused with its reason rather than drawn or played.
inline constexpr int kMaxChannels = 16;
inline constexpr int kMinSampleRate = 1000;
inline constexpr int kMaxSampleRate = 768000;

// True for the extensions of the instrument's own wave formats (".w00", ".vpw", any letter
// case): such files are never opened for a picture.
bool IsInstrumentWavePath(const std::string& path);

// How much of a file an open reads at once.
enum class FileReading {
    // A few kilobytes at a time: for the facts, or for a file read in part (an audition).
    Streamed,
    // The whole file in one read when it has at most `kWholeFileBytes` (a bigger one is
    // streamed): for a file whose every sample is read, which then costs one read instead of a
    // read for the header's every few kilobytes and each block.
    Whole,
};

// The largest file read whole (see `FileReading::Whole`): the memory an open file may hold.
inline constexpr std::int64_t kWholeFileBytes = 4 * 1024 * 1024;

// A WAV, AIFF or AIFC file opened for reading through the core's file-system seam. Reading is
// sequential, in blocks the caller chooses; the object holds no more than libsndfile's own
// buffers and a buffer of the file's bytes (at most `kWholeFileBytes`). One object is used by
// one thread at a time; different objects may be used on different threads at once.
class CSoundFile {
public:
    CSoundFile();
    ~CSoundFile();
    CSoundFile(const CSoundFile&) = delete;
    CSoundFile& operator=(const CSoundFile&) = delete;

    // Opens a wave file and reads its facts. False when it is not a readable wave; `Facts()`
    // then says which kind of file it is and why it cannot be drawn or played.
    bool Open(const std::string& path, FileReading reading = FileReading::Streamed);
    const WaveFacts& Facts() const { return m_facts; }
    // Closes the file; the facts stay.
    void Close();

    // Reads up to `frames` frames into `buffer` (frames * channels floats, interleaved), each
    // sample in -1..1. Returns the frames read: fewer at the end of the wave, 0 after it or
    // after a failed read (see `ReadFailed`).
    std::size_t ReadFrames(float* buffer, std::size_t frames);
    // True when every sample fits a 16-bit integer exactly (PCM of 8 or 16 bits): such a wave
    // may be read with `ReadShortFrames`, the quicker way.
    bool HasShortSamples() const { return m_facts.Readable() && m_facts.bits <= 16; }
    // As `ReadFrames`, each sample as a 16-bit integer (an 8-bit sample shifted up by 8 bits);
    // a sample s read as float is s / 32768.
    std::size_t ReadShortFrames(std::int16_t* buffer, std::size_t frames);
    // True once reading the file failed (an I/O error, not the end of the wave).
    bool ReadFailed() const;
    // Why reading failed, as "cannot be read: ..." text.
    std::string FailureReason() const;

private:
    bool OpenSound(const std::string& path, FileReading reading);
    bool CheckSound();
    void ReadLoop();
    bool Refuse(std::string why);
    // The frames (0 to `frames`) that may still be read, before a read.
    std::size_t ReadableFrames(std::size_t frames) const;
    // Counts frames read; 0 and the end once a read gave none or failed.
    std::size_t Took(std::int64_t got);

    struct Source;
    std::unique_ptr<Source> m_source;
    struct SoundHandle;
    std::unique_ptr<SoundHandle> m_sound;
    WaveFacts m_facts;
    std::uint64_t m_framesLeft = 0;
    bool m_floatSamples = false;
};

// The facts of a wave file (opening and closing it).
WaveFacts ReadWaveFacts(const std::string& path);

} // namespace Corv::Audio
