#include "storage/memo_file.h"

#include <algorithm>
#include <string>
#include <string_view>

#include "edit/domain.h"
#include "model/file_system.h"
#include "storage/slot_file_name.h"

namespace Corv {

namespace {

// A memo read back keeps at most this many characters (the instrument's side reads lines into
// a 1024-character buffer).
constexpr std::size_t kMaxMemoLength = 1023;
constexpr int kMemosPerSlot = 4;

bool ValidKind(int kind) { return kind >= kPatchKind && kind <= kWaveKind; }

std::string MemoFilePath(const CLumData& data, int kind) {
    return ToOsPath(data.ProjectFolder() + MemoFileName(kind));
}

// The whole content of a file; false when it cannot be opened or read.
bool ReadWholeFile(const std::string& osPath, std::string& content) {
    auto file = FileSystem().Open(osPath, OpenMode::Read);
    if (!file)
        return false;
    content.clear();
    char buffer[1 << 16];
    for (;;) {
        const std::int64_t got = file->Read(buffer, sizeof buffer);
        if (got < 0)
            return false;
        if (got == 0)
            break;
        content.append(buffer, static_cast<std::size_t>(got));
    }
    file->Close();
    return true;
}

// Stores the complete lines of the text as memos, four per slot from slot 1 on. A line may end
// in CR LF or LF; text after the last line feed is not a complete line and is dropped.
void StoreLines(std::string_view text, CParameterArray& records) {
    const std::size_t lineCount = records.Size() * kMemosPerSlot;
    std::size_t pos = 0;
    for (std::size_t line = 0; line < lineCount; ++line) {
        const std::size_t end = text.find('\n', pos);
        if (end == std::string_view::npos)
            return;
        std::string_view memo = text.substr(pos, end - pos);
        if (!memo.empty() && memo.back() == '\r')
            memo.remove_suffix(1);
        // An over-long line keeps its start; the rest of it is skipped, so that the lines after
        // it still reach their own slots.
        memo = memo.substr(0, std::min(memo.size(), kMaxMemoLength));
        records.Item(line / kMemosPerSlot)
            .SetMemo(static_cast<int>(line % kMemosPerSlot) + 1, std::string(memo));
        pos = end + 1;
    }
}

// A memo is one line of the file: a line break inside it would move every later memo to
// another slot, so it is written as a blank.
void AppendMemoLine(std::string& out, const std::string& memo) {
    const std::size_t start = out.size();
    out += memo;
    std::replace_if(
        out.begin() + static_cast<std::ptrdiff_t>(start), out.end(),
        [](char c) { return c == '\r' || c == '\n'; }, ' ');
    out += "\r\n";
}

} // namespace

void ReadMemoFile(CLumData& data, int kind) {
    if (!ValidKind(kind))
        return;
    std::string content;
    if (!ReadWholeFile(MemoFilePath(data, kind), content))
        return;
    StoreLines(content, data.Records(kind));
}

std::string MemoFileText(const CLumData& data, int kind) {
    if (!ValidKind(kind))
        return {};
    const CParameterArray& records = data.Records(kind);
    std::string content;
    for (std::size_t i = 0; i < records.Size(); ++i)
        for (int n = 1; n <= kMemosPerSlot; ++n)
            AppendMemoLine(content, records.Item(i).Memo(n));
    return content;
}

bool WriteMemoFile(const CLumData& data, int kind) {
    if (!ValidKind(kind))
        return false;
    const std::string content = MemoFileText(data, kind);
    auto file = FileSystem().Open(MemoFilePath(data, kind), OpenMode::Write);
    if (!file)
        return false;
    if (!file->Write(content.data(), content.size()))
        return false;
    return file->Close();
}

} // namespace Corv
