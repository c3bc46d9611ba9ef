#include "edit/drop.h"
#include "edit/drop_detail.h"
#include "edit/list_edits.h"
#include "storage/slot_file_name.h"
#include "storage/text_out.h"

#include <algorithm>
#include <cstdint>

namespace Corv {

using namespace DropDetail;

namespace {

// "1 patch", "3 patches"; `adjective` goes between the count and the noun.
std::string Counted(int count, int kind, const char* adjective = "") {
    static const char* const kNouns[3][2] = {
        {"patch", "patches"}, {"tone", "tones"}, {"wave", "waves"}};
    std::string text = std::to_string(count) + " " + adjective;
    if (*adjective != '\0')
        text += " ";
    return text + kNouns[kind][count == 1 ? 0 : 1];
}

// "row 5" or "rows 10-12" (1-based) for `count` rows from the 0-based `first` on.
std::string RowsText(int first, int count) {
    if (count == 1)
        return "row " + std::to_string(first + 1);
    return "rows " + std::to_string(first + 1) + "-" + std::to_string(first + count);
}

// A byte count as the project window shows the wave bytes total.
std::string BytesText(std::uint64_t bytes) {
    return WaveBytesText(static_cast<std::uint32_t>(std::min<std::uint64_t>(bytes, UINT32_MAX)));
}

DropPreview Refused(std::string text) {
    return DropPreview{false, std::move(text)};
}

int UsedCount(const CParameterArray& records) {
    int used = 0;
    for (std::size_t i = 0; i < records.Size(); ++i)
        used += records.Item(i).IsEmpty() ? 0 : 1;
    return used;
}

// Why nothing would be dropped (a row outside the list, or no dragged row holds a record);
// empty when something would.
std::string NothingToDrop(const CLumData& source, int kind, const std::vector<int>& rows,
                          const std::vector<int>& valid) {
    if (!valid.empty()) {
        if (AnyUsed(source, kind, valid))
            return {};
        return valid.size() == 1 ? "nothing to drop: the dragged row is empty"
                                 : "nothing to drop: the dragged rows are empty";
    }
    const int size = static_cast<int>(source.Records(kind).Size());
    const auto outside =
        std::find_if(rows.begin(), rows.end(), [&](int row) { return row < 0 || row >= size; });
    if (outside == rows.end())
        return "nothing to drop: no rows are dragged";
    return "nothing to drop: row " + std::to_string(*outside + 1) + " lies outside the list";
}

// The reason of a refusal that the checks found.
std::string RefusalText(const DropCheck& check, int at, const std::string& target) {
    if (check.count == 0)
        return "nothing to drop";
    if (!check.fits)
        return RowsText(at, check.count) + (check.count == 1 ? " lies" : " run") +
               " past the end of the list";
    if (check.error == kMsgToneSpace || check.error == kMsgWaveSpace) {
        const bool tones = check.error == kMsgToneSpace;
        const int needed = tones ? check.tonesNeeded : check.wavesNeeded;
        const int free = tones ? check.freeToneSlots : check.freeWaveSlots;
        return "needs " + std::to_string(needed) + " free " + (tones ? "tone" : "wave") +
               (needed == 1 ? " slot, " : " slots, ") + target + " has " + std::to_string(free);
    }
    return "waves would exceed 64 MB by " + BytesText(check.waveBytesAfter - kWaveBytesLimit);
}

// ", carrying 4 tones, 2 waves, 1.3 MB": the used tones and waves a drop into another project
// places there, and the bytes of those waves; empty when nothing comes along.
std::string CarriedText(const CTransfer& transfer, const DropCheck& check) {
    const int kind = transfer.kind;
    const int tones = kind == kPatchKind ? UsedCount(transfer.tones) : 0;
    const int waves = kind != kWaveKind ? UsedCount(transfer.waves) : 0;
    if (tones == 0 && waves == 0)
        return {};
    std::string text = ", carrying ";
    if (tones > 0)
        text += Counted(tones, kToneKind) + (waves > 0 ? ", " : "");
    if (waves > 0)
        text += Counted(waves, kWaveKind) + ", " + BytesText(check.transferWaveBytes);
    return text;
}

std::string AcceptedText(const DropCheck& check, const CTransfer& transfer, int at,
                         DropOptions options, bool otherProject, const std::string& target) {
    const int kind = transfer.kind;
    std::string text = (options.copy ? "copy " : "move ") + Counted(check.count, kind);
    if (kind == kWaveKind)
        text += " (" + BytesText(check.transferWaveBytes) + ")";
    text += " to " + (otherProject ? target + " " : std::string()) + RowsText(at, check.count) +
            (options.insert ? " (insert)" : " (overwrite)");
    if (otherProject)
        text += CarriedText(transfer, check);
    if (check.question == kMsgOverwrite)
        text += "; overwrites " + Counted(check.displaced, kind, "used") + " (asks first)";
    else if (check.question == kMsgInsert)
        text += "; pushes " + Counted(check.displaced, kind, "used") + " off the end (asks first)";
    return text;
}

} // namespace

DropPreview PreviewTransferDrop(const CTransfer& transfer, const CLumData& source,
                                const std::vector<int>& rows, CLumData& target, int at,
                                DropOptions options, const std::string& targetName) {
    const int kind = transfer.kind;
    if (!IsKind(kind))
        return Refused("nothing to drop");
    const std::vector<int> valid = ValidRows(source, kind, rows);
    if (std::string nothing = NothingToDrop(source, kind, rows, valid); !nothing.empty())
        return Refused(std::move(nothing));
    if (DroppedOntoItself(source, valid, target, at, options.insert, options.copy))
        return Refused("nothing to do: the block is dropped onto itself");

    const bool otherProject = &source != &target;
    const std::string name = targetName.empty() ? "the other project" : targetName;
    const DropCheck check = CheckDrop(target, at, transfer, otherProject, options);
    if (!check.Passes())
        return Refused(RefusalText(check, at, name));
    return DropPreview{true, AcceptedText(check, transfer, at, options, otherProject, name)};
}

DropPreview PreviewDrop(const DropRequest& request, const std::string& targetName) {
    if (request.source == nullptr || request.target == nullptr || !IsKind(request.kind))
        return Refused("nothing to drop");
    const bool otherProject = request.source != request.target;
    const CTransfer transfer = StoreSelection(
        *request.source, ValidRows(*request.source, request.kind, request.rows), request.kind);
    const DropOptions options{request.copy.value_or(otherProject), request.insert};
    return PreviewTransferDrop(transfer, *request.source, request.rows, *request.target, request.at,
                               options, targetName);
}

} // namespace Corv
