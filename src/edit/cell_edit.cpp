#include "edit/cell_edit.h"

#include "model/parameter.h"
#include "storage/undo_step.h"

#include <algorithm>

namespace Corv {

namespace {

bool IsLeadByte(unsigned char c) {
    return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}

bool IsControl(char c) {
    return static_cast<unsigned char>(c) < 0x20;
}

// Characters a file name cannot carry. A NUL byte would end the name where the file system
// reads it, so a saved record would lose its extension and not be found again; the other
// control bytes are no letters either (a code page's substitute byte 0x1A among them).
bool IsForbidden(char c) {
    return IsControl(c) || std::string_view("\\/*?:\"<>|").find(c) != std::string_view::npos;
}

// The rows exist in the list of a valid kind.
bool CanEdit(const CLumData& project, int kind, const std::vector<int>& rows) {
    if (kind != kPatchKind && kind != kToneKind && kind != kWaveKind)
        return false;
    if (rows.empty())
        return false;
    const int count = static_cast<int>(project.Records(kind).Size());
    for (const int row : rows)
        if (row < 0 || row >= count)
            return false;
    return true;
}

void RecordEdit(CLumData& project, int kind, CUndoStep& undo) {
    undo.Clear();
    undo.Record(KindSet::Of(kind), project);
}

} // namespace

std::string FilterName(std::string_view text, bool doubleByte) {
    std::string name;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (IsLeadByte(static_cast<unsigned char>(text[i]))) {
            if (doubleByte)
                ++i; // the byte after a lead byte belongs to the same character
            continue;
        }
        if (!IsForbidden(text[i]))
            name += text[i];
    }
    return name;
}

std::string StoredName(std::string_view text, bool doubleByte) {
    std::string name = FilterName(text, doubleByte);
    if (name.size() > kNameLength)
        name.resize(kNameLength);
    return name;
}

std::string EmptyNameRefusal(std::string_view typed, std::string_view codePage) {
    const bool blank = typed.find_first_not_of(" \t\n\v\f\r") == std::string_view::npos;
    if (blank)
        return "The name was not changed: an entry needs a name, or its slot could not be told "
               "from an empty one.";
    return "The name \u201c" + std::string(typed) +
           "\u201d was not used: none of its characters can be stored in a name in the code "
           "page " +
           std::string(codePage) + ", so it would be stored as no name at all.";
}

std::string FilterMemo(std::string_view text) {
    std::string memo;
    memo.reserve(text.size());
    for (const char c : text) {
        if (c == '\r' || c == '\n' || c == '\t')
            memo += ' '; // words stay apart
        else if (!IsControl(c))
            memo += c;
    }
    return memo;
}

std::string StoredMemo(std::string_view text) {
    std::string memo = FilterMemo(text);
    if (memo.size() > kMemoLength)
        memo.resize(kMemoLength);
    return memo;
}

bool SetNames(CLumData& project, int kind, const std::vector<int>& rows, std::string_view text,
              CUndoStep& undo, bool doubleByte) {
    if (!CanEdit(project, kind, rows))
        return false;
    RecordEdit(project, kind, undo);
    const std::string name = StoredName(text, doubleByte);
    for (const int row : rows)
        project.Records(kind).Item(static_cast<std::size_t>(row)).SetName(name);
    return true;
}

bool SetMemos(CLumData& project, int kind, const std::vector<int>& rows, int memo,
              const std::string& text, CUndoStep& undo) {
    if (memo < 1 || memo > 4 || !CanEdit(project, kind, rows))
        return false;
    RecordEdit(project, kind, undo);
    for (const int row : rows)
        project.Records(kind).Item(static_cast<std::size_t>(row)).SetMemo(memo, text);
    return true;
}

bool SetMemoFields(CLumData& project, int kind, const std::vector<int>& rows,
                   const std::array<std::optional<std::string>, 4>& memos, CUndoStep& undo) {
    const bool any =
        std::any_of(memos.begin(), memos.end(), [](const auto& m) { return m.has_value(); });
    if (!any || !CanEdit(project, kind, rows))
        return false;
    RecordEdit(project, kind, undo);
    for (const int row : rows)
        for (int memo = 1; memo <= 4; ++memo)
            if (const auto& text = memos[static_cast<std::size_t>(memo - 1)])
                project.Records(kind).Item(static_cast<std::size_t>(row)).SetMemo(memo, *text);
    return true;
}

} // namespace Corv
