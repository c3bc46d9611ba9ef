#include "audio/sound_file.h"

#include "model/file_system.h"

#include <algorithm>
#include <array>
#include <cassert>
#include <cctype>
#include <cmath>
#include <cstring>
#include <mutex>
#include <sndfile.h>
#include <vector>

namespace Corv::Audio {

namespace {

std::string LowerExtension(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    const std::size_t dot = path.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        return {};
    std::string extension = path.substr(dot);
    for (char& c : extension)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return extension;
}

// The container a file's first twelve bytes name; empty for anything else.
std::string ContainerOf(const std::array<char, 12>& head) {
    const auto is = [&](std::size_t at, const char* tag) {
        return std::memcmp(head.data() + at, tag, 4) == 0;
    };
    if (is(0, "RIFF") && is(8, "WAVE"))
        return "wav";
    if (is(0, "FORM") && is(8, "AIFF"))
        return "aiff";
    if (is(0, "FORM") && is(8, "AIFC"))
        return "aifc";
    return {};
}

// Bits of one stored sample of the sample encodings read; 0 for the others (compressed ones).
int BitsOf(int format) {
    switch (format & SF_FORMAT_SUBMASK) {
    case SF_FORMAT_PCM_S8:
    case SF_FORMAT_PCM_U8:
        return 8;
    case SF_FORMAT_PCM_16:
        return 16;
    case SF_FORMAT_PCM_24:
        return 24;
    case SF_FORMAT_PCM_32:
    case SF_FORMAT_FLOAT:
        return 32;
    case SF_FORMAT_DOUBLE:
        return 64;
    default:
        return 0;
    }
}

// libsndfile keeps the error of a failed open in one variable of the process: opens are taken
// one at a time so that each reads its own reason.
std::mutex& OpenMutex() {
    static std::mutex mutex;
    return mutex;
}

} // namespace

bool IsInstrumentWavePath(const std::string& path) {
    const std::string extension = LowerExtension(path);
    return extension == ".w00" || extension == ".vpw";
}

// The open file of the seam that libsndfile reads through its virtual I/O. The seam has no
// "tell", so the position is kept here. Headers are read in many small pieces: those come from
// a buffer of the bytes around them, and a seek reaches the file only with the next read. A
// buffer as big as the file takes the whole file with its first read.
struct CSoundFile::Source {
    static constexpr std::size_t kBufferBytes = 16384;

    std::unique_ptr<IFile> file;
    std::int64_t size = 0;
    std::int64_t position = 0;     // where libsndfile reads next
    std::int64_t filePosition = 0; // where the seam's file stands
    // Not cleared (a whole file's buffer would be written twice): only what a read filled is
    // looked at.
    std::unique_ptr<char[]> buffer;
    std::size_t bufferBytes = 0;
    bool whole = false; // the buffer is as big as the file
    std::int64_t bufferStart = 0;
    std::int64_t bufferLength = 0;
    bool failed = false;
    std::string failure;

    void Fail() {
        if (!failed)
            failure = LastFileError().reason.empty() ? "a read failed" : LastFileError().reason;
        failed = true;
    }

    // Reads up to n bytes at an offset of the file, fewer only at its end; -1 on failure.
    std::int64_t ReadAt(std::int64_t at, char* to, std::size_t n) {
        if (at != filePosition && !file->Seek(static_cast<std::uint64_t>(at))) {
            Fail();
            return -1;
        }
        std::size_t done = 0;
        while (done < n) {
            const std::int64_t got = file->Read(to + done, n - done);
            if (got < 0) {
                Fail();
                return -1;
            }
            if (got == 0)
                break;
            done += static_cast<std::size_t>(got);
        }
        filePosition = at + static_cast<std::int64_t>(done);
        return static_cast<std::int64_t>(done);
    }

    std::int64_t Take(char* to, std::int64_t count) {
        std::int64_t done = 0;
        while (count > 0 && !failed) {
            if (position >= bufferStart && position < bufferStart + bufferLength) {
                const std::int64_t n = std::min(count, bufferStart + bufferLength - position);
                std::memcpy(to + done, buffer.get() + (position - bufferStart),
                            static_cast<std::size_t>(n));
                position += n;
                done += n;
                count -= n;
            } else if (count >= static_cast<std::int64_t>(bufferBytes)) {
                const std::int64_t got =
                    ReadAt(position, to + done, static_cast<std::size_t>(count));
                if (got > 0) {
                    position += got;
                    done += got;
                }
                break;
            } else if (whole && bufferLength == size) {
                break; // past the end of a file held whole
            } else {
                const std::int64_t got = ReadAt(position, buffer.get(), bufferBytes);
                if (got <= 0)
                    break;
                bufferStart = position;
                bufferLength = got;
            }
        }
        return failed ? 0 : done;
    }

    static Source& Of(void* data) { return *static_cast<Source*>(data); }

    static sf_count_t Length(void* data) { return Of(data).size; }

    static sf_count_t Seek(sf_count_t offset, int whence, void* data) {
        Source& s = Of(data);
        const sf_count_t base = whence == SEEK_CUR ? s.position : whence == SEEK_END ? s.size : 0;
        if (base + offset < 0)
            return -1;
        s.position = base + offset;
        return s.position;
    }

    static sf_count_t Read(void* buffer, sf_count_t count, void* data) {
        return Of(data).Take(static_cast<char*>(buffer), count);
    }

    static sf_count_t Write(const void*, sf_count_t, void*) { return 0; }
    static sf_count_t Tell(void* data) { return Of(data).position; }
};

struct CSoundFile::SoundHandle {
    SNDFILE* sound = nullptr;
    SF_INFO info{};
    ~SoundHandle() {
        if (sound != nullptr)
            sf_close(sound);
    }
};

CSoundFile::CSoundFile() = default;
CSoundFile::~CSoundFile() = default;

bool CSoundFile::Refuse(std::string why) {
    m_facts = WaveFacts();
    m_facts.reason = "cannot be read: " + std::move(why);
    m_sound.reset();
    m_source.reset();
    return false;
}

bool CSoundFile::Open(const std::string& path, FileReading reading) {
    m_facts = WaveFacts();
    m_sound.reset();
    m_source.reset();
    m_framesLeft = 0;
    if (IsInstrumentWavePath(path)) {
        m_facts.format = "instrument";
        m_facts.reason = "the instrument's own format";
        return false;
    }
    return OpenSound(path, reading) && CheckSound();
}

bool CSoundFile::OpenSound(const std::string& path, FileReading reading) {
    ClearLastFileError();
    auto source = std::make_unique<Source>();
    source->file = FileSystem().Open(path, OpenMode::Read);
    if (!source->file)
        return Refuse(LastFileError().reason.empty() ? "the file cannot be opened"
                                                     : LastFileError().reason);
    source->size = source->file->Size();
    if (source->size < 0)
        return Refuse("its size cannot be read");
    source->whole = reading == FileReading::Whole && source->size <= kWholeFileBytes;
    source->bufferBytes = source->whole
                              ? static_cast<std::size_t>(std::max<std::int64_t>(source->size, 1))
                              : Source::kBufferBytes;
    source->buffer.reset(new char[source->bufferBytes]);
    // The first bytes fill the buffer that the header is then parsed from.
    std::array<char, 12> head{};
    if (source->size < 12 || source->Take(head.data(), 12) != 12)
        return Refuse(source->failed ? source->failure
                                     : "the file is too short for a WAV or AIFF header");
    const std::string container = ContainerOf(head);
    if (container.empty())
        return Refuse("not a WAV or AIFF file");
    source->position = 0;
    m_source = std::move(source);

    SF_VIRTUAL_IO io{&Source::Length, &Source::Seek, &Source::Read, &Source::Write, &Source::Tell};
    auto sound = std::make_unique<SoundHandle>();
    {
        const std::lock_guard<std::mutex> lock(OpenMutex());
        sound->sound = sf_open_virtual(&io, SFM_READ, &sound->info, m_source.get());
        if (sound->sound == nullptr) {
            std::string why = m_source->failed ? m_source->failure : sf_strerror(nullptr);
            return Refuse(why);
        }
    }
    m_sound = std::move(sound);
    m_facts.format = container;
    return true;
}

// Refuses what the picture and the player cannot take, and fills the facts of the rest.
bool CSoundFile::CheckSound() {
    const SF_INFO& info = m_sound->info;
    const int major = info.format & SF_FORMAT_TYPEMASK;
    if (major != SF_FORMAT_WAV && major != SF_FORMAT_WAVEX && major != SF_FORMAT_AIFF)
        return Refuse("not a WAV or AIFF file");
    const int bits = BitsOf(info.format);
    if (bits == 0)
        return Refuse("compressed samples (only PCM and floating-point samples are read)");
    if (info.channels < 1 || info.channels > kMaxChannels)
        return Refuse(std::to_string(info.channels) + " channels (at most " +
                      std::to_string(kMaxChannels) + " are read)");
    if (info.samplerate < kMinSampleRate || info.samplerate > kMaxSampleRate)
        return Refuse("a sample rate of " + std::to_string(info.samplerate) + " Hz (only " +
                      std::to_string(kMinSampleRate) + " to " + std::to_string(kMaxSampleRate) +
                      " Hz are read)");
    // A header may claim more samples than the file holds; no more are counted than fit in it.
    const std::uint64_t frameBytes = static_cast<std::uint64_t>(bits / 8 * info.channels);
    const std::uint64_t fitting = static_cast<std::uint64_t>(m_source->size) / frameBytes;
    const std::uint64_t frames = std::min<std::uint64_t>(
        info.frames > 0 ? static_cast<std::uint64_t>(info.frames) : 0, fitting);
    if (frames == 0)
        return Refuse("the file holds no samples");
    m_facts.sampleRate = info.samplerate;
    m_facts.channels = info.channels;
    m_facts.bits = bits;
    m_facts.frames = frames;
    m_facts.seconds = static_cast<double>(frames) / info.samplerate;
    m_framesLeft = frames;
    const int sub = info.format & SF_FORMAT_SUBMASK;
    m_floatSamples = sub == SF_FORMAT_FLOAT || sub == SF_FORMAT_DOUBLE;
    ReadLoop();
    return true;
}

// The first loop of the sampler chunk (WAV "smpl", AIFF "INST" with its "MARK" positions). A
// loop that is empty or reaches past the wave is kept to the wave's frames or left out.
void CSoundFile::ReadLoop() {
    SF_INSTRUMENT instrument{};
    if (sf_command(m_sound->sound, SFC_GET_INSTRUMENT, &instrument, sizeof instrument) != SF_TRUE)
        return;
    if (instrument.loop_count < 1 || instrument.loops[0].mode == SF_LOOP_NONE)
        return;
    const std::uint64_t start = instrument.loops[0].start;
    const std::uint64_t end = std::min<std::uint64_t>(instrument.loops[0].end, m_facts.frames);
    if (start < end)
        m_facts.loop = WaveLoop{start, end};
}

std::size_t CSoundFile::ReadableFrames(std::size_t frames) const {
    if (!m_sound || m_source->failed)
        return 0;
    return static_cast<std::size_t>(std::min<std::uint64_t>(frames, m_framesLeft));
}

std::size_t CSoundFile::Took(std::int64_t got) {
    if (got <= 0 || m_source->failed) {
        m_framesLeft = 0;
        return 0;
    }
    m_framesLeft -= static_cast<std::uint64_t>(got);
    return static_cast<std::size_t>(got);
}

std::size_t CSoundFile::ReadFrames(float* buffer, std::size_t frames) {
    const std::size_t wanted = ReadableFrames(frames);
    if (wanted == 0)
        return 0;
    const std::size_t got =
        Took(sf_readf_float(m_sound->sound, buffer, static_cast<sf_count_t>(wanted)));
    const std::size_t count = got * static_cast<std::size_t>(m_facts.channels);
    if (m_floatSamples)
        for (std::size_t i = 0; i < count; ++i) {
            const float v = buffer[i];
            buffer[i] = std::isnan(v) ? 0.0f : std::clamp(v, -1.0f, 1.0f);
        }
    return got;
}

std::size_t CSoundFile::ReadShortFrames(std::int16_t* buffer, std::size_t frames) {
    assert(HasShortSamples());
    const std::size_t wanted = ReadableFrames(frames);
    if (wanted == 0)
        return 0;
    return Took(sf_readf_short(m_sound->sound, buffer, static_cast<sf_count_t>(wanted)));
}

void CSoundFile::Close() {
    m_sound.reset();
    m_source.reset();
    m_framesLeft = 0;
}

bool CSoundFile::ReadFailed() const {
    return m_source && m_source->failed;
}

std::string CSoundFile::FailureReason() const {
    return "cannot be read: " + (m_source ? m_source->failure : std::string("not open"));
}

WaveFacts ReadWaveFacts(const std::string& path) {
    CSoundFile file;
    file.Open(path);
    return file.Facts();
}

} // namespace Corv::Audio
