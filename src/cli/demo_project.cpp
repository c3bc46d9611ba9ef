#include "cli/demo_project.h"

#include "model/codec.h"
#include "model/file_system.h"
#include "storage/domain.h"
#include "storage/memo_file.h"
#include "storage/slot_file_name.h"
#include "storage/svd_file.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>
#include <random>
#include <string>
#include <vector>

namespace Corv::Cli {

namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr std::array kPatchNames = {
    "Warm Pad",     "Glass Bell",  "Brass Stab",  "Dusty Keys",  "Night Choir",  "Analog Bass",
    "Soft Strings", "Pluck Lead",  "Airy Flute",  "Deep Drone",  "Bright Piano", "Wobble Bass",
    "Tape Organ",   "Solar Wind",  "Velvet EP",   "Crystal Arp", "Funk Clav",    "Ocean Swell",
    "Metal Hit",    "Hollow Lead", "Choir Aah",   "String Pad",  "Sync Lead",    "Sub Bass",
    "Harp Gliss",   "Vox Pad",     "Dream Bells", "Steel Drum",  "Marimba",      "Cello Solo",
    "Rain Keys",    "Bowed Glass", "Fat Brass",   "Lo-Fi Piano", "Space Pluck",  "Slow Sweep"};
constexpr std::array kToneNames = {
    "Saw Stack",  "Sine Sub",   "Bell FM",     "Noise Air",  "Pulse Lead", "Choir Vox",
    "Str Ens",    "Piano Hi",   "Piano Lo",    "Organ 8ft",  "Brass Sec",  "Flute Breath",
    "Pluck Body", "Drone Low",  "Pad Shimmer", "Bass Pick",  "EP Tine",    "Clav Body",
    "Metal Ring", "Wind Noise", "Harp Body",   "Mallet Hit", "Cello Bow",  "Sync Saw"};
constexpr std::array kWaveNames = {
    "Saw Cycle",  "Sine Cycle", "Bell Attack", "Breath Loop",  "Kick 808",     "Snare Tight",
    "Choir Ah",   "Str Loop",   "Piano C3",    "Piano C5",     "Organ Drawbr", "Brass Fall",
    "Flute Sus",  "Pluck Atk",  "Drone Loop",  "Bass Pick C1", "EP Tine C4",   "Clav Hit",
    "Metal Ring", "Wind Loop",  "Vox Oo",      "Harp C4",      "Marimba C5",   "Cello A2"};
constexpr std::array kPatchMemos = {
    "Lush evening pad", "Use the mod wheel for vibrato", "Split at C3",
    "Live set, song 2", "Velocity opens the filter",     "Layer with strings"};
constexpr std::array kToneMemos = {"Detuned by 7 cents", "Slow attack", "Bright top end",
                                   "Mono, legato"};
constexpr std::array kWaveMemos = {"Sampled at 44.1 kHz", "Loop points set", "From the factory set",
                                   "Normalised"};

// A little helper around one seeded generator, so the whole project follows from the seed.
class Random {
public:
    explicit Random(std::uint32_t seed) : m_engine(seed) {}
    // 0 to n - 1.
    int Below(int n) { return std::uniform_int_distribution<int>(0, n - 1)(m_engine); }
    bool Chance(double p) { return std::uniform_real_distribution<double>(0.0, 1.0)(m_engine) < p; }
    std::uint32_t Next() { return m_engine(); }
    template <class Array> const char* Pick(const Array& names) {
        return names[static_cast<std::size_t>(Below(static_cast<int>(names.size())))];
    }
    std::mt19937& Engine() { return m_engine; }

private:
    std::mt19937 m_engine;
};

// Hands out the names of a list in a shuffled order, each once; after the whole list has
// been used the names come round again with a number ("Warm Pad 2").
class NamePool {
public:
    template <class Array>
    NamePool(Random& random, const Array& names) : m_names(names.begin(), names.end()) {
        std::shuffle(m_names.begin(), m_names.end(), random.Engine());
    }
    std::string Next() {
        const std::size_t round = m_next / m_names.size();
        const std::string base = NextBase();
        return round == 0 ? base : base + " " + std::to_string(round + 1);
    }
    // The next name without the round number.
    std::string NextBase() { return m_names[m_next++ % m_names.size()]; }

private:
    std::vector<std::string> m_names;
    std::size_t m_next = 0;
};

// The name of slot n: the next name of the pool, or (when every slot is used) a name from
// the list with the slot number, cut to fit the 12 characters of a name.
std::string SlotName(NamePool& pool, int number, bool numbered) {
    if (!numbered)
        return pool.Next().substr(0, kNameLength);
    const std::string suffix = " " + std::to_string(number);
    return pool.NextBase().substr(0, kNameLength - suffix.size()) + suffix;
}

// The slots a kind uses: every slot, or about three in four of the first ones, with gaps.
std::vector<int> ChooseSlots(Random& random, int kind, int span, bool full) {
    std::vector<int> slots;
    for (int i = 0; i < (full ? SlotCount(kind) : span); ++i)
        if (full || i < 2 || random.Chance(0.75))
            slots.push_back(i);
    return slots;
}

// Hands out the slots that other records may use: first each of them once, in a shuffled
// order, so that all of them end up used; then slots early in the list more often than
// later ones, so that records share them. A few slots are held back and stay unused.
class SlotDealer {
public:
    SlotDealer(Random& random, const std::vector<int>& slots, int unused)
        : m_random(random), m_usable(slots) {
        for (int n = 0; n < unused && m_usable.size() > 2; ++n)
            m_usable.erase(m_usable.begin() + random.Below(static_cast<int>(m_usable.size())));
        m_fresh = m_usable;
        std::shuffle(m_fresh.begin(), m_fresh.end(), random.Engine());
    }
    // The 0-based slot for the next reference.
    int Next() {
        if (m_next < m_fresh.size())
            return m_fresh[m_next++];
        const int count = static_cast<int>(m_usable.size());
        const int first = m_random.Below(count);
        const int second = m_random.Below(count);
        return m_usable[static_cast<std::size_t>(std::min(first, second))];
    }

private:
    Random& m_random;
    std::vector<int> m_usable;
    std::vector<int> m_fresh;
    std::size_t m_next = 0;
};

// Gives a parameter block some non-default values in the parameters that carry no reference;
// every value fits its field, so the files read back exactly.
void VaryParameters(Random& random, CData& block, CodecTable table,
                    const std::vector<int>& references) {
    for (std::size_t n = 0; n < table.size(); ++n) {
        if (std::find(references.begin(), references.end(), static_cast<int>(n)) !=
                references.end() ||
            !random.Chance(0.2))
            continue;
        const int values = 1 << std::min<int>(table[n].width, 7);
        block.SetP(static_cast<int>(n),
                   static_cast<std::uint8_t>(table[n].bias + random.Below(values)));
    }
}

void MakeWaves(Random& random, CLumData& data, const std::vector<int>& slots, bool full) {
    static constexpr std::array kExtensions = {".w00", ".w00", ".w00", ".w00",  ".wav",
                                               ".wav", ".WAV", ".aif", ".aiff", ".vpw"};
    NamePool names(random, kWaveNames);
    for (const int i : slots) {
        CWave& wave = data.Waves()[static_cast<std::size_t>(i)];
        const std::string name = SlotName(names, i + 1, full);
        const char* extension = random.Pick(kExtensions);
        wave.SetName(name);
        wave.SetFilePath(data.ProjectFolder() + SubfolderName(kWaveKind) +
                         SlotFileName(static_cast<unsigned>(i + 1), name, extension));
        if (random.Chance(0.15))
            wave.SetMemo(1, random.Pick(kWaveMemos));
    }
}

// A side that refers to no project wave: a preset source with some wave number digits.
void PresetSide(Random& random, COsc& osc, int side) {
    osc.SetP(side == 0 ? 18 : 70, random.Chance(0.5) ? 0 : 2);
    const int firstDigit = side == 0 ? 40 : 92;
    for (int d = 0; d < 4; ++d)
        osc.SetP(firstDigit + d, static_cast<std::uint8_t>(d < 2 ? 0 : random.Below(16)));
}

void MakeTone(Random& random, CTone& tone, SlotDealer& waves) {
    static const std::vector<int> kReferences = {18, 40, 41, 42, 43, 70, 92, 93, 94, 95};
    const int userSides = 1 + random.Below(4);
    for (int osc = 0; osc < CTone::kOscCount; ++osc) {
        COsc& block = tone.Osc(osc);
        VaryParameters(random, block, OscCodecTable(), kReferences);
        for (int side = 0; side < 2; ++side) {
            if (osc * 2 + side < userSides) {
                block.SetP(side == 0 ? 18 : 70, COsc::kUserWaveSource);
                block.SetWaveNumber(side, waves.Next() + 1);
            } else {
                PresetSide(random, block, side);
            }
        }
    }
}

void MakeTones(Random& random, CLumData& data, const std::vector<int>& slots, SlotDealer& waves,
               bool full) {
    NamePool names(random, kToneNames);
    for (const int i : slots) {
        CTone& tone = data.Tones()[static_cast<std::size_t>(i)];
        const std::string name = SlotName(names, i + 1, full);
        tone.SetName(name);
        tone.SetFilePath(data.ProjectFolder() + SubfolderName(kToneKind) +
                         SlotFileName(static_cast<unsigned>(i + 1), name, ".p00"));
        MakeTone(random, tone, waves);
        if (random.Chance(0.15))
            tone.SetMemo(1, random.Pick(kToneMemos));
    }
}

void MakePatch(Random& random, CPatch& patch, SlotDealer& tones) {
    static const std::vector<int> kReferences = {0, 1, 2, 3};
    const bool twoTones = random.Chance(0.6);
    for (int slot = 0; slot < (twoTones ? 2 : 1); ++slot) {
        CPatchTone& block = patch.Slot(slot);
        VaryParameters(random, block, PatchToneCodecTable(), kReferences);
        block.SetP(0, 1);
        if (random.Chance(0.1)) {
            // A preset tone of the instrument: a bank code other than 87.
            block.SetP(1, static_cast<std::uint8_t>(65 + random.Below(22)));
            block.SetP(2, static_cast<std::uint8_t>(random.Below(2)));
            block.SetP(3, static_cast<std::uint8_t>(random.Below(128)));
        } else {
            block.SetToneNumber(tones.Next() + 1);
        }
    }
    if (twoTones && random.Chance(0.1))
        patch.Slot(0).SetP(0, 0); // the upper tone switched off: "L/_"
}

void MakePatches(Random& random, CLumData& data, const std::vector<int>& slots, SlotDealer& tones,
                 bool full) {
    NamePool names(random, kPatchNames);
    for (const int i : slots) {
        CPatch& patch = data.Patches()[static_cast<std::size_t>(i)];
        const std::string name = SlotName(names, i + 1, full);
        patch.SetName(name);
        patch.SetFilePath(data.ProjectFolder() + SubfolderName(kPatchKind) +
                          SlotFileName(static_cast<unsigned>(i + 1), name, ".d00"));
        MakePatch(random, patch, tones);
        if (random.Chance(0.25))
            patch.SetMemo(1, random.Pick(kPatchMemos));
        if (random.Chance(0.08))
            patch.SetMemo(2, "Demo");
    }
}

bool WriteFile(const std::string& path, const Bytes& bytes) {
    auto file = FileSystem().Open(path, OpenMode::Write);
    return file && file->Write(bytes.data(), bytes.size()) && file->Close();
}

void FillRandom(Random& random, Bytes& bytes, std::size_t from) {
    for (std::size_t i = from; i < bytes.size(); ++i)
        bytes[i] = static_cast<std::uint8_t>(random.Next() >> 24);
}

void PutLittle32(Bytes& bytes, std::size_t at, std::uint32_t value) {
    for (int n = 0; n < 4; ++n)
        bytes[at + static_cast<std::size_t>(n)] = static_cast<std::uint8_t>(value >> (8 * n));
}

void PutBig32(Bytes& bytes, std::size_t at, std::uint32_t value) {
    for (int n = 0; n < 4; ++n)
        bytes[at + static_cast<std::size_t>(n)] = static_cast<std::uint8_t>(value >> (24 - 8 * n));
}

// A sound of `frames` 16-bit samples that draws like an instrument's: a struck or bowed tone
// of a few partials with its own pitch, attack and decay, and a little of the noise already in
// the bytes (so that it costs no draws of the generator: the project is the same for a seed).
// The parameters come from the noise too. Sample i is written at `at + 2 * i`, little- or
// big-endian.
void WriteSound(Bytes& bytes, std::size_t at, std::size_t frames, bool bigEndian) {
    if (frames < 2)
        return;
    const auto knob = [&](std::size_t n) { return bytes[at + n] / 255.0; };
    constexpr double kPi = 3.14159265358979323846;
    const double pitch = 55.0 * std::pow(2.0, 5.0 * knob(0)) / 44100.0; // cycles per sample
    const double attack = 0.002 + 0.2 * knob(1) * knob(1);              // of the length
    const double decay = 0.5 + 6.0 * knob(2);                           // e-folds over it
    const double second = knob(3), third = 0.6 * knob(4), breath = 0.25 * knob(5) * knob(5);
    const double level = 0.35 + 0.6 * knob(6);
    const bool sustained = knob(7) > 0.7; // a loop: held, with a slow swell
    for (std::size_t i = 0; i < frames; ++i) {
        const double t = static_cast<double>(i) / static_cast<double>(frames);
        const double envelope =
            std::min(1.0, t / attack) *
            (sustained ? 0.75 + 0.25 * std::sin(2 * kPi * 3 * t) : std::exp(-decay * t));
        const double phase = 2 * kPi * pitch * static_cast<double>(i);
        const double noise = (bytes[at + 2 * i + 1] - 127.5) / 127.5;
        const double value =
            envelope * level *
            ((std::sin(phase) + second * std::sin(2 * phase) + third * std::sin(3 * phase)) /
                 (1.0 + second + third) * (1.0 - breath) +
             breath * noise);
        const auto sample = static_cast<std::uint16_t>(
            static_cast<std::int16_t>(std::lround(std::clamp(value, -1.0, 1.0) * 32767)));
        bytes[at + 2 * i + (bigEndian ? 1 : 0)] = static_cast<std::uint8_t>(sample);
        bytes[at + 2 * i + (bigEndian ? 0 : 1)] = static_cast<std::uint8_t>(sample >> 8);
    }
}

// Audio content: a 16-bit mono WAV for ".wav", a 16-bit mono AIFF for ".aif"/".aiff" (both at
// 44.1 kHz, each a sound of its own), noise otherwise (the instrument's own formats).
Bytes WaveContent(Random& random, const std::string& extension, std::size_t size) {
    Bytes bytes(size);
    FillRandom(random, bytes, 0);
    std::string lower = extension;
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (lower == ".wav" && size >= 44) {
        static const std::uint8_t kHeader[44] = {
            'R',  'I', 'F', 'F', 0,  0, 0,   0,   'W', 'A',  'V',  'E', 'f', 'm',  't',
            ' ',  16,  0,   0,   0,  1, 0,   1,   0,   0x44, 0xAC, 0,   0,   0x88, 0x58,
            0x01, 0,   2,   0,   16, 0, 'd', 'a', 't', 'a',  0,    0,   0,   0};
        std::copy(std::begin(kHeader), std::end(kHeader), bytes.begin());
        PutLittle32(bytes, 4, static_cast<std::uint32_t>(size - 8));
        PutLittle32(bytes, 40, static_cast<std::uint32_t>(size - 44));
        WriteSound(bytes, 44, (size - 44) / 2, false);
    } else if ((lower == ".aif" || lower == ".aiff") && size >= 54) {
        // FORM, COMM (channels, frames, bits, the rate as an 80-bit extended number), SSND.
        const std::size_t frames = (size - 54) / 2;
        static const std::uint8_t kHeader[54] = {
            'F', 'O', 'R', 'M', 0,   0,   0, 0, 'A', 'I', 'F',  'F',  'C',  'O',  'M', 'M', 0, 0,
            0,   18,  0,   1,   0,   0,   0, 0, 0,   16,  0x40, 0x0E, 0xAC, 0x44, 0,   0,   0, 0,
            0,   0,   'S', 'S', 'N', 'D', 0, 0, 0,   0,   0,    0,    0,    0,    0,   0,   0, 0};
        std::copy(std::begin(kHeader), std::end(kHeader), bytes.begin());
        PutBig32(bytes, 4, static_cast<std::uint32_t>(size - 8));
        PutBig32(bytes, 22, static_cast<std::uint32_t>(frames));
        PutBig32(bytes, 42, static_cast<std::uint32_t>(8 + 2 * frames));
        WriteSound(bytes, 54, frames, true);
    }
    return bytes;
}

// The sizes of the used waves: plausible single sizes, or (full) summing to just under the limit.
std::vector<std::size_t> WaveSizes(Random& random, const CLumData& data, bool full) {
    std::vector<std::size_t> sizes(kWaveSlots, 0);
    std::vector<double> weights(kWaveSlots, 0.0);
    double sum = 0.0;
    for (std::size_t i = 0; i < sizes.size(); ++i) {
        const CWave& wave = data.Waves()[i];
        if (wave.IsEmpty())
            continue;
        sizes[i] = wave.HasW00Extension() ? 8192 + static_cast<std::size_t>(random.Below(250000))
                                          : 24000 + static_cast<std::size_t>(random.Below(700000));
        weights[i] = 0.5 + random.Below(1000) / 1000.0;
        sum += weights[i];
    }
    if (!full)
        return sizes;
    const std::uint64_t target = kWaveBytesLimit - 4096;
    std::uint64_t given = 0;
    for (std::size_t i = 0; i < sizes.size(); ++i) {
        sizes[i] = static_cast<std::size_t>(static_cast<double>(target) * weights[i] / sum);
        given += sizes[i];
    }
    sizes.back() += static_cast<std::size_t>(target - given); // the last slot is used when full
    return sizes;
}

bool WriteSvdFiles(Random& random, const CLumData& data) {
    for (std::size_t i = 0; i < data.Patches().Size(); ++i) {
        const CPatch& patch = data.Patches()[i];
        if (patch.IsEmpty())
            continue;
        Bytes bytes(kPatchPrefixBytes + static_cast<std::size_t>(random.Below(65)));
        FillRandom(random, bytes, 0);
        std::copy(PatchHeaderTemplate().begin(), PatchHeaderTemplate().end(), bytes.begin());
        if (!CPatchSvdManager().WriteRecord(patch, bytes.data() + kPatchAreaOffset) ||
            !WriteFile(patch.FilePath(), bytes))
            return false;
    }
    for (std::size_t i = 0; i < data.Tones().Size(); ++i) {
        const CTone& tone = data.Tones()[i];
        if (tone.IsEmpty())
            continue;
        Bytes bytes(kTonePrefixBytes + static_cast<std::size_t>(random.Below(257)));
        FillRandom(random, bytes, 0);
        std::copy(ToneHeaderTemplate().begin(), ToneHeaderTemplate().end(), bytes.begin());
        if (!CToneSvdManager().WriteRecord(tone, bytes.data() + kToneAreaOffset) ||
            !WriteFile(tone.FilePath(), bytes))
            return false;
    }
    return true;
}

bool WriteWaveFiles(Random& random, const CLumData& data, bool full) {
    const std::vector<std::size_t> sizes = WaveSizes(random, data, full);
    for (std::size_t i = 0; i < data.Waves().Size(); ++i) {
        const CWave& wave = data.Waves()[i];
        if (!wave.IsEmpty() &&
            !WriteFile(wave.FilePath(), WaveContent(random, Extension(wave.FilePath()), sizes[i])))
            return false;
    }
    return true;
}

bool WriteSystemFiles(Random& random, const std::string& folder) {
    for (const char* name : kSystemFileNames) {
        Bytes bytes(2048 + static_cast<std::size_t>(random.Below(14336)));
        FillRandom(random, bytes, 0);
        if (!WriteFile(folder + name, bytes))
            return false;
    }
    return true;
}

// Creates the folder and every missing parent; false when the folder itself already exists.
bool CreateNewFolder(const std::string& folder) {
    for (std::size_t slash = folder.find('/', 1); slash != std::string::npos;
         slash = folder.find('/', slash + 1)) {
        const std::string level = folder.substr(0, slash);
        const CreateDirResult result = FileSystem().CreateDirectory(level);
        if (slash + 1 == folder.size())
            return result == CreateDirResult::Created;
        if (result == CreateDirResult::Failed)
            return false;
    }
    return false;
}

void BuildRecords(Random& random, CLumData& data, bool full) {
    const std::vector<int> waveSlots = ChooseSlots(random, kWaveKind, 40, full);
    const std::vector<int> toneSlots = ChooseSlots(random, kToneKind, 44, full);
    const std::vector<int> patchSlots = ChooseSlots(random, kPatchKind, 60, full);
    MakeWaves(random, data, waveSlots, full);
    SlotDealer waves(random, waveSlots, full ? 30 : 4);
    MakeTones(random, data, toneSlots, waves, full);
    SlotDealer tones(random, toneSlots, full ? 30 : 5);
    MakePatches(random, data, patchSlots, tones, full);
}

} // namespace

bool WriteDemoProject(const std::string& path, const DemoOptions& options, std::string& error) {
    std::string folder = path;
    while (folder.size() > 1 && folder.back() == '/')
        folder.pop_back();
    folder += '/';
    if (!CreateNewFolder(folder)) {
        error = "cannot create " + folder + " (it must not exist yet)";
        return false;
    }
    CLumData data;
    data.SetProjectFolder(folder);
    Random random(options.seed);
    BuildRecords(random, data, options.full);
    bool written = true;
    for (int kind = kPatchKind; kind <= kWaveKind; ++kind)
        written = written && FileSystem().CreateDirectory(folder + SubfolderName(kind)) ==
                                 CreateDirResult::Created;
    written = written && WriteSvdFiles(random, data) &&
              WriteWaveFiles(random, data, options.full) && WriteSystemFiles(random, folder);
    for (int kind = kPatchKind; kind <= kWaveKind && written; ++kind)
        written = WriteMemoFile(data, kind);
    if (!written)
        error = "cannot write the files of " + folder;
    return written;
}

} // namespace Corv::Cli
