#include "edit/wave_import.h"

#include "model/file_system.h"
#include "model/text_encoding.h"
#include "storage/domain.h"
#include "storage/progress_bar.h"
#include "storage/slot_file_name.h"
#include "storage/text_out.h"
#include "storage/undo_step.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdint>
#include <cstdio>

namespace Corv {

namespace {

constexpr std::array<std::string_view, 4> kWaveExtensions = {".wav", ".aif", ".aiff", ".vpw"};

std::string Lowered(std::string_view text) {
    std::string lower(text);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return lower;
}

// The part of a path after its last "/" and before its last ".".
std::string_view Title(std::string_view path) {
    if (const auto slash = path.rfind('/'); slash != std::string_view::npos)
        path.remove_prefix(slash + 1);
    if (const auto dot = path.rfind('.'); dot != std::string_view::npos)
        path = path.substr(0, dot);
    return path;
}

// Sorted byte-wise, each path once, only the accepted extensions.
void KeepImportable(std::vector<std::string>& files) {
    std::sort(files.begin(), files.end());
    files.erase(std::unique(files.begin(), files.end()), files.end());
    std::erase_if(files, [](const std::string& path) { return !IsImportableWave(path); });
}

// Takes the files that are not regular files (FIFOs, devices, sockets, folders, links to them)
// out of the list, without ever opening them, and names them in a notice.
void RefuseNotRegular(std::vector<std::string>& files, CDomain& services) {
    std::vector<std::string> refused;
    std::erase_if(files, [&refused](const std::string& path) {
        const FileType type = FileSystem().Status(path).type;
        if (type != FileType::Other && type != FileType::Directory)
            return false;
        refused.push_back(path);
        return true;
    });
    if (!refused.empty())
        services.ShowNotice(
            NoticeText("1 file is not a regular file and was not imported:",
                       "files are not regular files and were not imported:", refused));
}

// The kind of file an extension promises, told by the first twelve bytes: a RIFF file of form
// WAVE, or an IFF file of form AIFF or AIFC. A ".vpw" file has no header this program knows and
// is taken by its extension.
bool HeaderFitsExtension(std::string_view extension, const char (&header)[12]) {
    const std::string_view chunk(header, 4);
    const std::string_view form(header + 8, 4);
    if (extension == ".wav")
        return chunk == "RIFF" && form == "WAVE";
    if (extension == ".aif" || extension == ".aiff")
        return chunk == "FORM" && (form == "AIFF" || form == "AIFC");
    return true;
}

// A file whose content is not what its extension promises. One that cannot be opened is not
// judged here: its copy fails and says so.
bool WrongContent(const std::string& path) {
    const std::string extension = Lowered(Extension(path));
    if (extension == ".vpw")
        return false;
    auto file = FileSystem().Open(path, OpenMode::Read);
    if (!file)
        return false;
    char header[12] = {};
    return file->Read(header, sizeof header) != static_cast<std::int64_t>(sizeof header) ||
           !HeaderFitsExtension(extension, header);
}

// Takes the files that are not WAV or AIFF files out of the list and names them in a notice.
void RefuseWrongContent(std::vector<std::string>& files, CDomain& services) {
    std::vector<std::string> refused;
    std::erase_if(files, [&refused](const std::string& path) {
        if (!WrongContent(path))
            return false;
        refused.push_back(path);
        return true;
    });
    if (!refused.empty())
        services.ShowNotice(NoticeText(
            "1 file is not the WAV or AIFF file its extension says and was not imported:",
            "files are not the WAV or AIFF files their extensions say and were not imported:",
            refused));
}

// What the progress window says while files are imported.
std::string ImportTitle(std::size_t count) {
    char title[64];
    std::snprintf(title, sizeof title, "Importing %zu %s", count, count == 1 ? "wave" : "waves");
    return title;
}

// The name an imported file gives its wave: the file's title (UTF-8, as file names are) in the
// code page, cut to 12 characters.
std::string ImportedName(std::string_view path) {
    std::string name = FileNameToCodePage(Title(path));
    name.resize(CharacterCut(name, kNameLength));
    return name;
}

// "67,107,840": a count with thousands separators.
std::string Grouped(std::uint64_t value) {
    std::string digits = std::to_string(value);
    for (auto i = static_cast<std::ptrdiff_t>(digits.size()) - 3; i > 0; i -= 3)
        digits.insert(static_cast<std::size_t>(i), ",");
    return digits;
}

} // namespace

bool IsImportableWave(std::string_view path) {
    const std::string extension = Lowered(Extension(path));
    return std::find(kWaveExtensions.begin(), kWaveExtensions.end(), extension) !=
           kWaveExtensions.end();
}

std::string ImportWorkFileName(unsigned counter, std::string_view path) {
    return SlotFileName(counter, ImportedName(path), Extension(path));
}

std::uint64_t WaveBytesAfterImport(const CLumData& data, std::vector<std::string> files) {
    KeepImportable(files);
    std::uint64_t total = data.WaveBytesTotal();
    for (const std::string& path : files)
        total += FileBytes(path);
    return total;
}

std::string WaveBytesOverText(std::uint64_t total) {
    char megabytes[32];
    std::snprintf(megabytes, sizeof megabytes, "%.1f MB", static_cast<double>(total) / 1048576.0);
    return std::string("The waves would total ") + megabytes + " (" + Grouped(total) + " bytes), " +
           Grouped(total > kWaveBytesLimit ? total - kWaveBytesLimit : 0) +
           " bytes over the limit of " + Grouped(kWaveBytesLimit) + " bytes.";
}

ImportResult ImportWaves(CLumFileDocument& document, std::vector<std::string> files,
                         CUndoStep& undo) {
    CDomain& services = document.Services();
    CLumData& data = document.Data();
    if (files.empty())
        return {0, EditOutcome::Refusal(kMsgImportConditions)};
    if (files.size() > static_cast<std::size_t>(data.CountEmpty(kWaveKind)))
        return {0, EditOutcome::Refusal(kMsgWaveSpace)};
    KeepImportable(files);
    RefuseNotRegular(files, services);
    RefuseWrongContent(files, services);
    if (files.empty())
        return {0, EditOutcome::Refusal(kMsgImportConditions)};
    if (const std::uint64_t total = WaveBytesAfterImport(data, files); total > kWaveBytesLimit)
        return {0, EditOutcome::Refusal(kMsgWaveBytes, WaveBytesOverText(total))};
    undo.Clear();
    undo.Record(KindSet::All(), data);
    const std::vector<int> emptySlots = data.EmptySlots(kWaveKind);
    const CProgressScope scope(services.Progress(), static_cast<int>(files.size()),
                               ImportTitle(files.size()));
    for (std::size_t i = 0; i < files.size(); ++i) {
        services.Progress().SetPosition(static_cast<int>(i));
        const std::string fileName = ImportWorkFileName(services.NextWorkFileNumber(), files[i]);
        const std::string destination = services.m_workFolder + fileName;
        if (!document.CopyDataFile(files[i], destination))
            return {static_cast<int>(i), EditOutcome::Refusal(kMsgImportConditions)};
        CWave& wave = data.Waves()[static_cast<std::size_t>(emptySlots[i])];
        wave.SetFilePath(destination);
        wave.SetName(fileName, true);
    }
    return {static_cast<int>(files.size()), {}};
}

} // namespace Corv
