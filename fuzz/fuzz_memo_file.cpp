// Memo files: any input is read as the memo file of one kind.
//
// Properties: no array changes its slot count; no memo holds a line feed or more than 1023
// characters; a line that the input does not have stores nothing; and what was read, written
// and read again comes back with each carriage return turned into a blank (a memo is written
// as one line, so a line break inside it cannot survive).
#include "fuzz_check.h"
#include "model/file_system.h"
#include "model/lum_data.h"
#include "storage/memo_file.h"
#include "storage/slot_file_name.h"
#include "support/memory_file_system.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>

namespace {

constexpr std::size_t kMaxMemo = 1023;
const std::string kFolder = "/Song.prj/";

// A project whose memos of a kind are all empty. Two projects serve every input: building the
// records anew each time would take most of the time.
Corv::CLumData& EmptyProject(int which, int kind) {
    static Corv::CLumData projects[2];
    Corv::CLumData& data = projects[which];
    data.SetProjectFolder(kFolder);
    for (std::size_t slot = 0; slot < data.Records(kind).Size(); ++slot)
        for (int n = 1; n <= 4; ++n)
            data.Records(kind).Item(slot).SetMemo(n, std::string());
    return data;
}

void CheckMemos(const Corv::CLumData& data, int kind, std::size_t lineFeeds) {
    const Corv::CParameterArray& records = data.Records(kind);
    FUZZ_CHECK(records.Size() == static_cast<std::size_t>(Corv::SlotCount(kind)));
    for (std::size_t slot = 0; slot < records.Size(); ++slot)
        for (int n = 1; n <= 4; ++n) {
            const std::string& memo = records.Item(slot).Memo(n);
            FUZZ_CHECK(memo.size() <= kMaxMemo);
            FUZZ_CHECK(memo.find('\n') == std::string::npos);
            // Line 4 * slot + n - 1 needs that many line feeds before its own.
            if (4 * slot + static_cast<std::size_t>(n) > lineFeeds)
                FUZZ_CHECK(memo.empty());
        }
}

// Every memo of `read`, with carriage returns as blanks, is the memo of `reread`.
void CheckRoundTrip(const Corv::CLumData& read, const Corv::CLumData& reread, int kind) {
    const Corv::CParameterArray& first = read.Records(kind);
    const Corv::CParameterArray& second = reread.Records(kind);
    for (std::size_t slot = 0; slot < first.Size(); ++slot)
        for (int n = 1; n <= 4; ++n) {
            std::string expected = first.Item(slot).Memo(n);
            std::replace(expected.begin(), expected.end(), '\r', ' ');
            FUZZ_CHECK(second.Item(slot).Memo(n) == expected);
        }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // One kind an input (they differ only in their slot counts), chosen by the length, which
    // the mutator changes often.
    const int kind = static_cast<int>(size % 3);
    CorvTest::MemoryFileSystem memory;
    Corv::SetFileSystem(&memory);
    memory.CreateDirectory(kFolder);
    {
        auto file = memory.Open(kFolder + Corv::MemoFileName(kind), Corv::OpenMode::Write);
        FUZZ_CHECK(file && file->Write(data, size));
    }
    const std::size_t lineFeeds =
        static_cast<std::size_t>(std::count(data, data + size, std::uint8_t{'\n'}));
    Corv::CLumData& project = EmptyProject(0, kind);
    Corv::ReadMemoFile(project, kind);
    CheckMemos(project, kind, lineFeeds);

    FUZZ_CHECK(Corv::WriteMemoFile(project, kind));
    Corv::CLumData& reread = EmptyProject(1, kind);
    Corv::ReadMemoFile(reread, kind);
    CheckRoundTrip(project, reread, kind);
    Corv::SetFileSystem(nullptr);
    return 0;
}
