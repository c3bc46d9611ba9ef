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

// "patch" or "patches".
const char* Noun(int kind, bool one) {
    static const char* const kNouns[3][2] = {
        {"patch", "patches"}, {"tone", "tones"}, {"wave", "waves"}};
    return kNouns[kind][one ? 0 : 1];
}

// "1 patch", "3 patches"; `adjective` goes between the count and the noun.
std::string Counted(int count, int kind, const char* adjective = "") {
    std::string text = std::to_string(count) + " " + adjective;
    if (*adjective != '\0')
        text += " ";
    return text + Noun(kind, count == 1);
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
    return DropPreview{false, std::move(text), {}, {}};
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
// places there, and the bytes of those waves (when `withBytes`); empty when nothing comes along.
std::string CarriedText(const CTransfer& transfer, const DropCheck& check, const char* lead,
                        bool withBytes) {
    const int kind = transfer.kind;
    const int tones = kind == kPatchKind ? UsedCount(transfer.tones) : 0;
    const int waves = kind != kWaveKind ? UsedCount(transfer.waves) : 0;
    if (tones == 0 && waves == 0)
        return {};
    std::string text = lead;
    if (tones > 0)
        text += Counted(tones, kToneKind) + (waves > 0 ? ", " : "");
    if (waves > 0)
        text += Counted(waves, kWaveKind) +
                (withBytes ? ", " + BytesText(check.transferWaveBytes) : std::string());
    return text;
}

// The past-tense line of a drop that was carried out, and the name of its undo step.
void DoneText(DropPreview& preview, const DropCheck& check, const CTransfer& transfer, int at,
              DropOptions options, bool otherProject, const std::string& target) {
    const std::string counted = Counted(check.count, transfer.kind);
    preview.what = (options.copy ? "copy of " : "move of ") + counted;
    preview.done = (options.copy ? "Copied " : "Moved ") + counted + " to " +
                   (otherProject ? target + " " : std::string()) + RowsText(at, check.count) +
                   (options.insert ? " (inserted)" : "");
    if (otherProject)
        preview.done += CarriedText(transfer, check, " with ", false);
}

std::string AcceptedText(const DropCheck& check, const CTransfer& transfer, int at,
                         DropOptions options, bool otherProject, const std::string& target,
                         const std::string& changes) {
    const int kind = transfer.kind;
    std::string text = (options.copy ? "copy " : "move ") + Counted(check.count, kind);
    if (kind == kWaveKind)
        text += " (" + BytesText(check.transferWaveBytes) + ")";
    text += " to " + (otherProject ? target + " " : std::string()) + RowsText(at, check.count) +
            (options.insert ? " (insert)" : " (overwrite)");
    if (otherProject)
        text += CarriedText(transfer, check, ", carrying ", true);
    text += changes;
    if (check.question == kMsgOverwrite)
        text += "; overwrites " + Counted(check.displaced, kind, "used") + " (asks first)";
    else if (check.question == kMsgInsert)
        text += "; pushes " + Counted(check.displaced, kind, "used") + " off the end (asks first)";
    return text;
}

// "8, 14, 46, 47" of 0-based rows, 1-based, the first ten and "…" for the rest.
std::string NumbersText(const std::vector<int>& rows) {
    std::string text;
    for (std::size_t i = 0; i < rows.size() && i < 10; ++i)
        text += (i == 0 ? "" : ", ") + std::to_string(rows[i] + 1);
    return rows.size() > 10 ? text + ", …" : text;
}

// What a move into another project takes from the source besides the dragged entries: the
// references of the source's patches to moved tones, or of its tones to moved waves, which the
// move clears. Empty when it takes nothing more.
std::string SourceLossText(const CLumData& source, int kind, const std::vector<int>& rows,
                           const std::string& sourceName) {
    if (kind == kPatchKind)
        return {};
    std::vector<int> moved; // 1-based numbers of the used rows that go
    for (const int row : rows)
        if (!source.Records(kind).Item(At(row)).IsEmpty())
            moved.push_back(row + 1);
    const auto refersToMoved = [&](const auto& numbers) {
        return std::any_of(numbers.begin(), numbers.end(), [&](int number) {
            return number > 0 && std::find(moved.begin(), moved.end(), number) != moved.end();
        });
    };
    std::vector<int> losers;
    const int losingKind = kind == kToneKind ? kPatchKind : kToneKind;
    const CParameterArray& referrers = source.Records(losingKind);
    for (std::size_t i = 0; i < referrers.Size(); ++i) {
        if (referrers.Item(i).IsEmpty())
            continue;
        const bool loses = kind == kToneKind ? refersToMoved(source.Patches()[i].ToneNumbers())
                                             : refersToMoved(source.Tones()[i].WaveNumbers());
        if (loses)
            losers.push_back(static_cast<int>(i));
    }
    if (losers.empty())
        return {};
    return " - clears " + std::string(kind == kToneKind ? "tone" : "wave") + " references in " +
           Counted(static_cast<int>(losers.size()), losingKind) + " of " + sourceName + " (" +
           NumbersText(losers) + ")";
}

// What an insert moves down in the target: its used entries from the drop on, which end up
// `count` rows further ("moves patches 23-25 down to 25-27"). Empty when nothing moves.
std::string RenumberText(const CLumData& target, int kind, int at, int count) {
    const CParameterArray& records = target.Records(kind);
    const int end = static_cast<int>(records.Size()) - count; // the rows that stay in the list
    int first = -1;
    int last = -1;
    for (int row = std::max(at, 0); row < end; ++row)
        if (!records.Item(At(row)).IsEmpty()) {
            first = first < 0 ? row : first;
            last = row;
        }
    if (first < 0)
        return {};
    const auto span = [](int from, int to) {
        return from == to ? std::to_string(from + 1)
                          : std::to_string(from + 1) + "-" + std::to_string(to + 1);
    };
    return " - moves " + std::string(Noun(kind, first == last)) + " " + span(first, last) +
           " down to " + span(first + count, last + count);
}

} // namespace

DropPreview PreviewTransferDrop(const CTransfer& transfer, const CLumData& source,
                                const std::vector<int>& rows, CLumData& target, int at,
                                DropOptions options, const std::string& targetName,
                                const std::string& sourceName) {
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
    // What else changes: an insert moves entries of the target down; a move into another
    // project clears what referred to the moved entries in the source.
    std::string changes;
    if (options.insert && (otherProject || options.copy))
        changes += RenumberText(target, kind, at, check.count);
    if (otherProject && !options.copy)
        changes += SourceLossText(source, kind, valid,
                                  sourceName.empty() ? "the source project" : sourceName);
    DropPreview preview{
        true, AcceptedText(check, transfer, at, options, otherProject, name, changes), {}, {}};
    DoneText(preview, check, transfer, at, options, otherProject, name);
    return preview;
}

DropPreview PreviewDrop(const DropRequest& request, const std::string& targetName,
                        const std::string& sourceName) {
    if (request.source == nullptr || request.target == nullptr || !IsKind(request.kind))
        return Refused("nothing to drop");
    const bool otherProject = request.source != request.target;
    const CTransfer transfer = StoreSelection(
        *request.source, ValidRows(*request.source, request.kind, request.rows), request.kind);
    const DropOptions options{request.copy.value_or(otherProject), request.insert};
    return PreviewTransferDrop(transfer, *request.source, request.rows, *request.target, request.at,
                               options, targetName, sourceName);
}

} // namespace Corv
