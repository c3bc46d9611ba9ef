// What a save does to a full project on disk, counted at the file-system seam: only files whose
// bytes change are written, a file whose only change is its name is only renamed, and a save
// with nothing to do writes nothing.
#include "storage_fixture.h"
#include "support/faulty_file_system.h"

#include <functional>

using namespace Corv;
using namespace CorvTest;

namespace {

struct WriteCount {
    int opensForWriting = 0; // Open in Write or Update mode
    int writes = 0, renames = 0, removes = 0, copies = 0;
    bool operator==(const WriteCount&) const = default;
};

class SaveWritesTest : public StorageTest {};

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
        {"nothing", [] {}, {}},
        {"a patch renamed", [&] { data.Patches()[0].SetName("Renamed"); }, {0, 0, 1, 0, 0}},
        {"a tone memo", [&] { data.Tones()[4].SetMemo(3, "new memo"); }, {1, 1, 1, 0, 0}},
        // A new record area: a copy with the area written into it takes the file's name.
        {"a patch's tone slot", [&] { data.Patches()[2].ResetToneSlot(1); }, {1, 1, 1, 0, 1}},
        // The wave's file goes and its memo with it: two changes, made under a journal (written
        // and removed) with the old memo file set aside first.
        {"a wave emptied", [&] { data.Waves()[9].ClearTexts(); }, {2, 2, 3, 3, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.change);
        c.edit();
        doc.SetModifiedFlag(true);
        InstalledFaultyFileSystem counting;
        counting.SetLogging(true);
        ASSERT_TRUE(doc.SaveProject(folder));
        WriteCount count;
        for (const std::string& line : counting.Log())
            count.opensForWriting +=
                line.rfind("Open Write", 0) == 0 || line.rfind("Open Update", 0) == 0;
        count.writes = counting.Count(FsOp::Write);
        count.renames = counting.Count(FsOp::Rename);
        count.removes = counting.Count(FsOp::Remove);
        count.copies = counting.Count(FsOp::CopyFile);
        EXPECT_EQ(count, c.expected);
    }
}

} // namespace
