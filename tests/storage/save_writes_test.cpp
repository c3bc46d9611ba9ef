// A save of a full project writes only files whose bytes change; a new name is only a rename.
#include "storage_fixture.h"
#include "support/faulty_file_system.h"

#include <array>
#include <functional>

using namespace Corv;
using namespace CorvTest;

namespace {

// Opens in Write or Update mode, writes, renames, removes, copies.
using WriteCount = std::array<int, 5>;

using SaveWritesTest = StorageTest;

TEST_F(SaveWritesTest, ASaveWritesOnlyWhatChanged) {
    const std::string folder = Project("Full");
    BuildFullProject(folder);
    CProjectDocument& doc = Open(folder);
    CLumData& data = doc.Data();
    struct Case {
        const char* change;
        std::function<void()> edit;
        WriteCount expected;
    };
    const Case cases[] = {
        {"nothing", [] {}, {0, 0, 0, 0, 0}},
        {"a patch renamed", [&] { data.Patches()[0].SetName("Renamed"); }, {0, 0, 1, 0, 0}},
        {"a tone memo", [&] { data.Tones()[4].SetMemo(3, "new memo"); }, {1, 1, 1, 0, 0}},
        // A new record area: a copy with the area written into it takes the file's name.
        {"a patch's tone slot", [&] { data.Patches()[2].ResetToneSlot(1); }, {1, 1, 1, 0, 1}},
        // File and memo change under a journal, the old memo file set aside first.
        {"a wave emptied", [&] { data.Waves()[9].ClearTexts(); }, {2, 2, 3, 3, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.change);
        c.edit();
        doc.SetModifiedFlag(true);
        InstalledFaultyFileSystem counting;
        counting.SetLogging(true);
        ASSERT_TRUE(doc.SaveProject(folder));
        WriteCount count = {0, counting.Count(FsOp::Write), counting.Count(FsOp::Rename),
                            counting.Count(FsOp::Remove), counting.Count(FsOp::CopyFile)};
        for (const std::string& line : counting.Log())
            count[0] += line.rfind("Open Write", 0) == 0 || line.rfind("Open Update", 0) == 0;
        EXPECT_EQ(count, c.expected);
    }
}

} // namespace
