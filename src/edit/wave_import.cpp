#include "edit/wave_import.h"

#include "edit/domain.h"
#include "edit/text_out.h"
#include "model/file_system.h"
#include "storage/slot_file_name.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdint>

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
void RefuseNotRegular(std::vector<std::string>& files) {
    std::vector<std::string> refused;
    std::erase_if(files, [&refused](const std::string& path) {
        const FileType type = FileSystem().Status(ToOsPath(path)).type;
        if (type != FileType::Other && type != FileType::Directory)
            return false;
        refused.push_back(path);
        return true;
    });
    if (!refused.empty())
        CDomain::Get().ShowNotice(
            NoticeText("1 file is not a regular file and was not imported:",
                       "files are not regular files and were not imported:", refused));
}

// The project's wave total with the files added fits the limit. Summed wide, so that no
// total can wrap around below the limit.
bool WaveBytesFit(const CLumData& data, const std::vector<std::string>& files) {
    std::uint64_t total = data.WaveBytesTotal();
    for (const std::string& path : files)
        total += FileBytes(ToOsPath(path));
    return total <= kWaveBytesLimit;
}

} // namespace

bool IsImportableWave(std::string_view path) {
    const std::string extension = Lowered(Extension(path));
    return std::find(kWaveExtensions.begin(), kWaveExtensions.end(), extension) !=
           kWaveExtensions.end();
}

std::string ImportWorkFileName(unsigned counter, std::string_view path) {
    const std::string_view title = Title(path);
    return SlotNumberText(counter) + " " + std::string(title.substr(0, kNameLength)) +
           Extension(path);
}

int ImportWaves(CLumFileDocument& document, std::vector<std::string> files) {
    CDomain& domain = CDomain::Get();
    CLumData& data = document.Data();
    if (files.empty()) {
        domain.ShowError(kMsgImportConditions);
        return 0;
    }
    if (files.size() > static_cast<std::size_t>(data.CountEmpty(kWaveKind))) {
        domain.ShowError(kMsgWaveSpace);
        return 0;
    }
    KeepImportable(files);
    RefuseNotRegular(files);
    if (files.empty()) {
        domain.ShowError(kMsgImportConditions);
        return 0;
    }
    if (!WaveBytesFit(data, files)) {
        domain.ShowError(kMsgWaveBytes);
        return 0;
    }
    domain.ClearUndo();
    domain.RecordUndo(kUndoAllKinds, data);
    const std::vector<int> emptySlots = data.EmptySlots(kWaveKind);
    for (std::size_t i = 0; i < files.size(); ++i) {
        const std::string fileName = ImportWorkFileName(domain.NextWorkFileNumber(), files[i]);
        const std::string destination = domain.m_workFolder + fileName;
        if (!document.CopyDataFile(files[i], destination)) {
            domain.ShowError(kMsgImportConditions);
            return static_cast<int>(i);
        }
        CWave& wave = data.Waves()[static_cast<std::size_t>(emptySlots[i])];
        wave.SetFilePath(destination);
        wave.SetName(fileName, true);
    }
    return static_cast<int>(files.size());
}

} // namespace Corv
