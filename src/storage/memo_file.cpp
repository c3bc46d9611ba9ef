#include "storage/memo_file.h"

#include "model/file_system.h"
#include "storage/domain.h"
#include "storage/slot_file_name.h"

#include <algorithm>
#include <string>
#include <string_view>

namespace Corv {

namespace {

constexpr int kMemosPerSlot = 4;

bool ValidKind(int kind) {
    return kind >= kPatchKind && kind <= kWaveKind;
}

std::string MemoFilePath(const CLumData& data, int kind) {
    return data.ProjectFolder() + MemoFileName(kind);
}

// Why a memo file could not be opened: something that is not a regular file is refused, a
// missing or unreadable one leaves the memos alone.
MemoRead WhyNotOpened(const std::string& osPath) {
    const FileType type = FileSystem().Status(osPath).type;
    return type == FileType::Other || type == FileType::Directory ? MemoRead::NotRegular
                                                                  : MemoRead::Absent;
}

// Reads at most `limit` bytes of a file into `content`; TooLarge as soon as the file proves
// longer (by its size or, should it grow meanwhile, by what is read).
MemoRead ReadLimited(const std::string& osPath, std::uint64_t limit, std::string& content) {
    auto file = FileSystem().Open(osPath, OpenMode::Read);
    if (!file)
        return WhyNotOpened(osPath);
    const std::int64_t size = file->Size();
    if (size > 0 && static_cast<std::uint64_t>(size) > limit)
        return MemoRead::TooLarge;
    content.clear();
    char buffer[1 << 16];
    for (;;) {
        const std::int64_t got = file->Read(buffer, sizeof buffer);
        if (got < 0)
            return MemoRead::Absent;
        if (got == 0)
            break;
        if (content.size() + static_cast<std::uint64_t>(got) > limit)
            return MemoRead::TooLarge;
        content.append(buffer, static_cast<std::size_t>(got));
    }
    file->Close();
    return MemoRead::Read;
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
        memo = memo.substr(0, std::min(memo.size(), kMemoLength));
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

std::uint64_t MaxMemoFileBytes(int kind) {
    return static_cast<std::uint64_t>(SlotCount(kind)) * kMemosPerSlot * (kMemoLength + 2);
}

MemoRead ReadMemoFile(CLumData& data, int kind, std::string* text) {
    if (!ValidKind(kind))
        return MemoRead::Absent;
    std::string content;
    const MemoRead result = ReadLimited(MemoFilePath(data, kind), MaxMemoFileBytes(kind), content);
    if (result != MemoRead::Read)
        return result;
    StoreLines(content, data.Records(kind));
    if (text != nullptr)
        *text = std::move(content);
    return result;
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
