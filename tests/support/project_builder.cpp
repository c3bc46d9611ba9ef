#include "project_builder.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>

#include "model/codec.h"
#include "storage/slot_file_name.h"
#include "storage/svd_file.h"

namespace fs = std::filesystem;

namespace CorvTest {

namespace {

// Fills bytes from the options: random from the seed, or one fixed byte.
class Filler {
public:
    explicit Filler(const FileOptions& options) : m_fill(options.opaqueFill), m_random(options.seed) {}
    void Fill(std::uint8_t* first, std::size_t n) {
        for (std::size_t i = 0; i < n; ++i)
            first[i] = m_fill >= 0 ? static_cast<std::uint8_t>(m_fill)
                                   : static_cast<std::uint8_t>(m_random() & 0xFF);
    }

private:
    int m_fill;
    std::mt19937 m_random;
};

// A file image: header template, filled opaque bytes and record area, trailing bytes; the
// record blocks are packed over the filled area so that bits outside every parameter keep the
// fill.
template <class Block>
Bytes SvdFileBytes(const std::array<std::uint8_t, Corv::kSvdHeaderBytes>& header,
                   std::size_t prefixBytes, std::size_t areaOffset, const std::vector<const Block*>& blocks,
                   std::size_t blockBytes, Corv::CodecTable table, const FileOptions& options) {
    Bytes bytes(prefixBytes + options.trailing);
    Filler filler(options);
    filler.Fill(bytes.data(), bytes.size());
    std::copy(header.begin(), header.end(), bytes.begin());
    bytes[30] = options.headerByte30;
    bytes[31] = options.headerByte31;
    for (std::size_t n = 0; n < blocks.size(); ++n)
        Corv::PackParameters(bytes.data() + areaOffset + n * blockBytes, table,
                             blocks[n]->Params().data(), static_cast<int>(table.size()));
    return bytes;
}

void CreateParentFolders(const std::string& path) {
    const fs::path parent = fs::path(path).parent_path();
    if (!parent.empty())
        fs::create_directories(parent);
}

void WriteText(const std::string& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
    if (!out)
        throw std::runtime_error("cannot write " + path);
}

std::string MemoText(const std::vector<std::string>& lines, const std::string& lineEnd) {
    std::string text;
    for (const std::string& line : lines)
        text += line + lineEnd;
    return text;
}

} // namespace

TempDir::TempDir() {
    static std::mt19937_64 random(std::random_device{}());
    const fs::path base = fs::temp_directory_path();
    for (;;) {
        const fs::path candidate = base / ("corv-test-" + std::to_string(random()));
        if (fs::create_directory(candidate)) {
            m_path = candidate.string();
            return;
        }
    }
}

TempDir::~TempDir() {
    std::error_code ignored;
    // A test may have taken permissions away; give them back so everything can go.
    for (auto it = fs::recursive_directory_iterator(m_path, ignored);
         it != fs::recursive_directory_iterator(); it.increment(ignored))
        fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ignored);
    fs::remove_all(m_path, ignored);
}

Bytes ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteBytes(const std::string& path, const Bytes& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!out)
        throw std::runtime_error("cannot write " + path);
}

bool FileExists(const std::string& path) {
    std::error_code ignored;
    return fs::is_regular_file(path, ignored);
}

std::vector<std::string> ListFolder(const std::string& folder) {
    std::vector<std::string> names;
    std::error_code ignored;
    for (const auto& entry : fs::directory_iterator(folder, ignored))
        if (entry.is_regular_file(ignored))
            names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

std::vector<std::pair<std::string, Bytes>> FolderSnapshot(const std::string& folder) {
    std::vector<std::pair<std::string, Bytes>> files;
    std::error_code ignored;
    for (const auto& entry : fs::recursive_directory_iterator(folder, ignored))
        if (entry.is_regular_file(ignored))
            files.emplace_back(fs::relative(entry.path(), folder).generic_string(),
                               ReadBytes(entry.path().string()));
    std::sort(files.begin(), files.end());
    return files;
}

Corv::CPatch MakePatch(const std::string& name, int tone0, int tone1) {
    Corv::CPatch patch;
    patch.SetName(name);
    const int tones[2] = {tone0, tone1};
    for (int slot = 0; slot < 2; ++slot) {
        if (tones[slot] == 0)
            continue;
        patch.Slot(slot).SetP(0, 1);
        patch.Slot(slot).SetToneNumber(tones[slot]);
    }
    return patch;
}

Corv::CTone MakeTone(const std::string& name, const std::vector<int>& waves) {
    Corv::CTone tone;
    tone.SetName(name);
    const std::size_t sides = std::min<std::size_t>(waves.size(), 2 * Corv::CTone::kOscCount);
    for (std::size_t i = 0; i < sides; ++i) {
        if (waves[i] == 0)
            continue;
        Corv::COsc& osc = tone.Osc(static_cast<int>(i / 2));
        const int side = static_cast<int>(i % 2);
        osc.SetP(side == 0 ? 18 : 70, Corv::COsc::kUserWaveSource);
        osc.SetWaveNumber(side, waves[i]);
    }
    return tone;
}

Corv::CWave MakeWave(const std::string& name, const std::string& path) {
    Corv::CWave wave;
    wave.SetName(name);
    wave.SetFilePath(path);
    return wave;
}

Bytes PatchFileBytes(const Corv::CPatch& patch, const FileOptions& options) {
    const std::vector<const Corv::CPatchTone*> slots = {&patch.Slot(0), &patch.Slot(1)};
    return SvdFileBytes(Corv::PatchHeaderTemplate(), Corv::kPatchPrefixBytes, Corv::kPatchAreaOffset,
                        slots, Corv::kPatchToneBlockBytes, Corv::PatchToneCodecTable(), options);
}

Bytes ToneFileBytes(const Corv::CTone& tone, const FileOptions& options) {
    std::vector<const Corv::COsc*> oscs;
    for (int n = 0; n < Corv::CTone::kOscCount; ++n)
        oscs.push_back(&tone.Osc(n));
    return SvdFileBytes(Corv::ToneHeaderTemplate(), Corv::kTonePrefixBytes, Corv::kToneAreaOffset,
                        oscs, Corv::kOscBlockBytes, Corv::OscCodecTable(), options);
}

ProjectBuilder::ProjectBuilder(std::string folder, bool withWaveFolder) : m_folder(std::move(folder)) {
    if (m_folder.empty() || m_folder.back() != '/')
        m_folder += '/';
    fs::create_directories(m_folder + "Patch");
    fs::create_directories(m_folder + "Tone");
    if (withWaveFolder)
        fs::create_directories(m_folder + "Wave");
}

// The file name takes the name as given (it may be longer than a record's name can be).
ProjectBuilder& ProjectBuilder::Patch(int number, const std::string& name, int tone0, int tone1,
                                      const FileOptions& options) {
    WriteBytes(SlotPath(Corv::kPatchKind, number, name, ".d00"),
               PatchFileBytes(MakePatch(name, tone0, tone1), options));
    return *this;
}

ProjectBuilder& ProjectBuilder::Patch(int number, const Corv::CPatch& patch, const FileOptions& options) {
    WriteBytes(SlotPath(Corv::kPatchKind, number, patch.Name(), ".d00"), PatchFileBytes(patch, options));
    return *this;
}

ProjectBuilder& ProjectBuilder::Tone(int number, const std::string& name, const std::vector<int>& waves,
                                     const FileOptions& options) {
    WriteBytes(SlotPath(Corv::kToneKind, number, name, ".p00"),
               ToneFileBytes(MakeTone(name, waves), options));
    return *this;
}

ProjectBuilder& ProjectBuilder::Tone(int number, const Corv::CTone& tone, const FileOptions& options) {
    WriteBytes(SlotPath(Corv::kToneKind, number, tone.Name(), ".p00"), ToneFileBytes(tone, options));
    return *this;
}

std::string ProjectBuilder::SlotPath(int kind, int number, const std::string& name,
                                     const std::string& extension) const {
    return m_folder + Corv::SubfolderName(kind) +
           Corv::SlotFileName(static_cast<unsigned>(number), name, extension);
}

ProjectBuilder& ProjectBuilder::Wave(int number, const std::string& name, std::size_t bytes,
                                     const std::string& extension) {
    // Content that differs from wave to wave, so that a file that lands in the wrong slot shows.
    Bytes content(bytes);
    for (std::size_t i = 0; i < bytes; ++i)
        content[i] = static_cast<std::uint8_t>((static_cast<std::size_t>(number) * 31 + i) & 0xFF);
    fs::create_directories(m_folder + "Wave");
    WriteBytes(SlotPath(Corv::kWaveKind, number, name, extension), content);
    return *this;
}

ProjectBuilder& ProjectBuilder::File(const std::string& relativePath, const Bytes& content) {
    const std::string path = m_folder + relativePath;
    CreateParentFolders(path);
    WriteBytes(path, content);
    return *this;
}

ProjectBuilder& ProjectBuilder::SystemFiles() {
    for (const char* name : Corv::kSystemFileNames)
        WriteText(m_folder + name, std::string("system file: ") + name);
    return *this;
}

ProjectBuilder& ProjectBuilder::Memos(int kind, const std::vector<std::string>& lines,
                                      const std::string& lineEnd) {
    WriteText(m_folder + Corv::MemoFileName(kind), MemoText(lines, lineEnd));
    return *this;
}

void BuildFullProject(const std::string& folder, std::uint32_t seed, std::size_t waveBytes) {
    ProjectBuilder builder(folder);
    std::mt19937 random(seed);
    const auto nextOptions = [&random] {
        FileOptions options;
        options.seed = static_cast<std::uint32_t>(random());
        return options;
    };
    // Patch p plays tones 2p and 2p + 1 (modulo the tone count), so every tone is used.
    for (int p = 0; p < Corv::kPatchSlots; ++p) {
        const int tone0 = (2 * p) % Corv::kToneSlots + 1;
        const int tone1 = (2 * p + 1) % Corv::kToneSlots + 1;
        builder.Patch(p + 1, "Patch " + std::to_string(p + 1), tone0, tone1, nextOptions());
    }
    // Tone t uses four waves starting at 4t (modulo the wave count), so every wave is used.
    for (int t = 0; t < Corv::kToneSlots; ++t) {
        std::vector<int> waves;
        for (int s = 0; s < 4; ++s)
            waves.push_back((4 * t + s) % Corv::kWaveSlots + 1);
        builder.Tone(t + 1, "Tone " + std::to_string(t + 1), waves, nextOptions());
    }
    for (int w = 1; w <= Corv::kWaveSlots; ++w)
        builder.Wave(w, "Wave " + std::to_string(w), waveBytes);
    builder.SystemFiles();
    for (int kind = 0; kind < 3; ++kind) {
        std::vector<std::string> lines;
        for (int slot = 1; slot <= Corv::SlotCount(kind); ++slot)
            lines.insert(lines.end(), {"memo " + std::to_string(slot), "", "", ""});
        builder.Memos(kind, lines);
    }
}

} // namespace CorvTest
