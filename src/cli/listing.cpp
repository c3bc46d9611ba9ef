#include "cli/listing.h"

#include "edit/project_check.h"
#include "model/file_system.h"
#include "model/list_text.h"
#include "storage/domain.h"
#include "storage/project_document.h"
#include "storage/slot_file_name.h"

#include <cstdio>

namespace Corv::Cli {

namespace {

// Memo1 to Memo4 joined by " | ", without the empty memos at the end.
std::string MemoCell(const CParameter& record) {
    int last = 0;
    for (int n = 1; n <= 4; ++n)
        if (!record.Memo(n).empty())
            last = n;
    std::string text;
    for (int n = 1; n <= last; ++n) {
        if (n > 1)
            text += " | ";
        text += record.Memo(n);
    }
    return text;
}

std::string Padded(std::string text, std::size_t width) {
    if (text.size() < width)
        text.append(width - text.size(), ' ');
    return text;
}

std::string TrimmedRight(std::string text) {
    while (!text.empty() && text.back() == ' ')
        text.pop_back();
    return text;
}

bool IsUsed(int kind, const CParameter& record) {
    if (kind == kPatchKind)
        return false;
    return !static_cast<const CReferencedParameter&>(record).Users().empty();
}

std::string ListLine(int kind, int index, const CParameter& record) {
    char number[16];
    if (kind == kPatchKind)
        std::snprintf(number, sizeof number, "%4d", index + 1);
    else
        std::snprintf(number, sizeof number, "%c%3d", IsUsed(kind, record) ? '>' : ' ', index + 1);
    std::string line = number;
    line += "  " + Padded(NameCell(kind, record), kind == kWaveKind ? 14 : 12);
    if (kind == kPatchKind)
        line += "  " + Padded(ToneSwitchCell(static_cast<const CPatch&>(record)), 3);
    line += "  " + MemoCell(record);
    return TrimmedRight(line);
}

int CountUsed(const CLumData& data, int kind) {
    return SlotCount(kind) - data.CountEmpty(kind);
}

void AppendPaths(std::vector<std::string>& lines, const std::string& title,
                 const std::vector<std::string>& paths) {
    lines.push_back(title + " " + std::to_string(paths.size()));
    for (const std::string& path : paths)
        lines.push_back("  " + path);
}

} // namespace

std::string NameCell(int kind, const CParameter& record) {
    return ListNamePrefix(kind, record) + record.Name();
}

std::string ToneSwitchCell(const CPatch& patch) {
    return ToneSwitchText(patch);
}

std::vector<std::string> ListLines(const CLumData& data, int kind, bool all) {
    std::vector<std::string> lines;
    const CParameterArray& records = data.Records(kind);
    for (std::size_t i = 0; i < records.Size(); ++i)
        if (all || !records.Item(i).IsEmpty())
            lines.push_back(ListLine(kind, static_cast<int>(i), records.Item(i)));
    return lines;
}

std::string ListRow(const CLumData& data, int kind, int slot) {
    return ListLine(kind, slot, data.Records(kind).Item(static_cast<std::size_t>(slot)));
}

std::vector<std::string> MissingFiles(const CLumData& data) {
    std::vector<std::string> paths;
    for (const ProjectProblem& problem : MissingSlotFiles(data))
        paths.push_back(problem.path);
    return paths;
}

std::vector<std::string> InfoLines(const CProjectDocument& document) {
    const CLumData& data = document.Data();
    std::vector<std::string> lines;
    lines.push_back("folder " + data.ProjectFolder());
    lines.push_back("patches " + std::to_string(CountUsed(data, kPatchKind)));
    lines.push_back("tones " + std::to_string(CountUsed(data, kToneKind)));
    lines.push_back("waves " + std::to_string(CountUsed(data, kWaveKind)));
    lines.push_back("wave-bytes " + WaveBytesText(data.WaveBytesTotal()));
    AppendPaths(lines, "rejected", document.RejectedFiles());
    AppendPaths(lines, "missing", MissingFiles(data));
    return lines;
}

std::vector<std::string> StatusLines(const CProjectDocument& document) {
    const CLumData& data = document.Data();
    return {std::string("modified ") + (document.IsModified() ? "1" : "0"),
            "folder " + data.ProjectFolder(), "wave-bytes " + WaveBytesText(data.WaveBytesTotal()),
            std::string("undo ") + (CProjectDocuments::Get().UndoStep().CanUndo() ? "1" : "0")};
}

} // namespace Corv::Cli
