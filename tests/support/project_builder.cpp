#include "project_builder.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>

#include "model/codec.h"
#include "storage/slot_file_name.h"
#include "storage/svd_file.h"

namespace fs = std::filesystem;

namespace CorvTest {

using namespace Corv;

namespace {

Bytes ToBytes(const std::string& text) { return Bytes(text.begin(), text.end()); }

// A file image: header template over opaque bytes, then `count` record blocks packed over the
// filled record area, so that bits outside every parameter keep the fill.
Bytes SvdFileBytes(bool tone, int count, const auto& blockAt, const FileOptions& options) {
    Bytes bytes((tone ? kTonePrefixBytes : kPatchPrefixBytes) + options.trailing);
    std::mt19937 random(options.seed);
    for (auto& b : bytes)
        b = static_cast<std::uint8_t>(options.opaqueFill >= 0 ? options.opaqueFill : random() & 0xFF);
    const auto& header = tone ? ToneHeaderTemplate() : PatchHeaderTemplate();
    std::copy(header.begin(), header.end(), bytes.begin());
    bytes[30] = options.headerByte30;
    bytes[31] = options.headerByte31;
    const CodecTable table = tone ? OscCodecTable() : PatchToneCodecTable();
    const std::size_t blockBytes = tone ? kOscBlockBytes : kPatchToneBlockBytes;
    for (int n = 0; n < count; ++n)
        PackParameters(bytes.data() + (tone ? kToneAreaOffset : kPatchAreaOffset) + n * blockBytes,
                       table, blockAt(n).Params().data(), static_cast<int>(table.size()));
    return bytes;
}

} // namespace

TempDir::TempDir() {
    static std::mt19937_64 random(std::random_device{}());
    do
        m_path = (fs::temp_directory_path() / ("corv-test-" + std::to_string(random()))).string();
    while (!fs::create_directory(m_path));
}

TempDir::~TempDir() {
    std::error_code ignored;
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

void MakeFifo(const std::string& path) {
    if (::mkfifo(path.c_str(), 0644) != 0)
        throw std::runtime_error("cannot make the FIFO " + path);
}

Deadline::Deadline(unsigned seconds) {
    ::alarm(seconds);
}

Deadline::~Deadline() {
    ::alarm(0);
}

std::string SnapshotDifference(const std::vector<std::pair<std::string, Bytes>>& first,
                               const std::vector<std::pair<std::string, Bytes>>& second) {
    std::size_t i = 0, j = 0;
    while (i < first.size() || j < second.size()) {
        if (j == second.size() || (i < first.size() && first[i].first < second[j].first))
            return "only in the first: " + first[i].first;
        if (i == first.size() || second[j].first < first[i].first)
            return "only in the second: " + second[j].first;
        if (first[i].second != second[j].second)
            return "content differs: " + first[i].first;
        ++i;
        ++j;
    }
    return {};
}

CPatch MakePatch(const std::string& name, int tone0, int tone1) {
    CPatch patch;
    patch.SetName(name);
    for (int slot = 0; slot < 2; ++slot)
        if (const int tone = slot == 0 ? tone0 : tone1; tone != 0) {
            patch.Slot(slot).SetP(0, 1);
            patch.Slot(slot).SetToneNumber(tone);
        }
    return patch;
}

CTone MakeTone(const std::string& name, const std::vector<int>& waves) {
    CTone tone;
    tone.SetName(name);
    for (std::size_t i = 0; i < std::min<std::size_t>(waves.size(), 2 * CTone::kOscCount); ++i)
        if (const int side = static_cast<int>(i % 2); waves[i] != 0) {
            COsc& osc = tone.Osc(static_cast<int>(i / 2));
            osc.SetP(side == 0 ? 18 : 70, COsc::kUserWaveSource);
            osc.SetWaveNumber(side, waves[i]);
        }
    return tone;
}

CWave MakeWave(const std::string& name, const std::string& path) {
    CWave wave;
    wave.SetName(name);
    wave.SetFilePath(path);
    return wave;
}

Bytes AudioFileBytes(const std::string& extension, std::size_t size, std::uint8_t fill) {
    std::string lower = extension;
    for (char& c : lower)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    using namespace std::string_literals;
    const std::string header = lower == ".wav"                       ? "RIFF\0\0\0\0WAVE"s
                               : lower == ".aif" || lower == ".aiff" ? "FORM\0\0\0\0AIFF"s
                                                                     : ""s;
    Bytes bytes(size, fill);
    std::copy_n(header.begin(), std::min(header.size(), size), bytes.begin());
    return bytes;
}

Bytes PatchFileBytes(const CPatch& patch, const FileOptions& options) {
    return SvdFileBytes(false, 2, [&](int n) -> const CData& { return patch.Slot(n); }, options);
}

Bytes ToneFileBytes(const CTone& tone, const FileOptions& options) {
    return SvdFileBytes(true, CTone::kOscCount, [&](int n) -> const CData& { return tone.Osc(n); },
                        options);
}

ProjectBuilder::ProjectBuilder(std::string folder, bool withWaveFolder) : m_folder(std::move(folder)) {
    if (m_folder.empty() || m_folder.back() != '/')
        m_folder += '/';
    fs::create_directories(m_folder + "Patch");
    fs::create_directories(m_folder + "Tone");
    if (withWaveFolder)
        fs::create_directories(m_folder + "Wave");
}

ProjectBuilder& ProjectBuilder::Patch(int number, const std::string& name, int tone0, int tone1,
                                      const FileOptions& options) {
    WriteBytes(SlotPath(kPatchKind, number, name, ".d00"),
               PatchFileBytes(MakePatch(name, tone0, tone1), options));
    return *this;
}

ProjectBuilder& ProjectBuilder::Patch(int number, const CPatch& patch, const FileOptions& options) {
    WriteBytes(SlotPath(kPatchKind, number, patch.Name(), ".d00"), PatchFileBytes(patch, options));
    return *this;
}

ProjectBuilder& ProjectBuilder::Tone(int number, const std::string& name, const std::vector<int>& waves,
                                     const FileOptions& options) {
    WriteBytes(SlotPath(kToneKind, number, name, ".p00"),
               ToneFileBytes(MakeTone(name, waves), options));
    return *this;
}

ProjectBuilder& ProjectBuilder::Tone(int number, const CTone& tone, const FileOptions& options) {
    WriteBytes(SlotPath(kToneKind, number, tone.Name(), ".p00"), ToneFileBytes(tone, options));
    return *this;
}

std::string ProjectBuilder::SlotPath(int kind, int number, const std::string& name,
                                     const std::string& extension) const {
    return m_folder + SubfolderName(kind) + SlotFileName(static_cast<unsigned>(number), name, extension);
}

ProjectBuilder& ProjectBuilder::Wave(int number, const std::string& name, std::size_t bytes,
                                     const std::string& extension) {
    // Content that differs from wave to wave, so that a file that lands in the wrong slot shows.
    Bytes content(bytes);
    for (std::size_t i = 0; i < bytes; ++i)
        content[i] = static_cast<std::uint8_t>((static_cast<std::size_t>(number) * 31 + i) & 0xFF);
    return File(SubfolderName(kWaveKind) + SlotFileName(static_cast<unsigned>(number), name, extension),
                content);
}

ProjectBuilder& ProjectBuilder::File(const std::string& relativePath, const Bytes& content) {
    fs::create_directories(fs::path(m_folder + relativePath).parent_path());
    WriteBytes(m_folder + relativePath, content);
    return *this;
}

ProjectBuilder& ProjectBuilder::SystemFiles() {
    for (const std::string name : kSystemFileNames)
        File(name, ToBytes("system file: " + name));
    return *this;
}

ProjectBuilder& ProjectBuilder::Memos(int kind, const std::vector<std::string>& lines,
                                      const std::string& lineEnd) {
    std::string text;
    for (const std::string& line : lines)
        text += line + lineEnd;
    return File(MemoFileName(kind), ToBytes(text));
}

void BuildFullProject(const std::string& folder, std::uint32_t seed, std::size_t waveBytes) {
    ProjectBuilder builder(folder);
    std::mt19937 random(seed);
    FileOptions options;
    // Patch p plays tones 2p and 2p + 1 (modulo the tone count), so every tone is used.
    for (int p = 0; p < kPatchSlots; ++p) {
        options.seed = static_cast<std::uint32_t>(random());
        builder.Patch(p + 1, "Patch " + std::to_string(p + 1), 2 * p % kToneSlots + 1,
                      (2 * p + 1) % kToneSlots + 1, options);
    }
    // Tone t uses four waves starting at 4t (modulo the wave count), so every wave is used.
    for (int t = 0; t < kToneSlots; ++t) {
        options.seed = static_cast<std::uint32_t>(random());
        const std::vector<int> waves = {4 * t % kWaveSlots + 1, (4 * t + 1) % kWaveSlots + 1,
                                        (4 * t + 2) % kWaveSlots + 1, (4 * t + 3) % kWaveSlots + 1};
        builder.Tone(t + 1, "Tone " + std::to_string(t + 1), waves, options);
    }
    for (int w = 1; w <= kWaveSlots; ++w)
        builder.Wave(w, "Wave " + std::to_string(w), waveBytes);
    builder.SystemFiles();
    for (int kind = 0; kind < 3; ++kind) {
        std::vector<std::string> lines;
        for (int slot = 1; slot <= SlotCount(kind); ++slot)
            lines.insert(lines.end(), {"memo " + std::to_string(slot), "", "", ""});
        builder.Memos(kind, lines);
    }
}

} // namespace CorvTest
