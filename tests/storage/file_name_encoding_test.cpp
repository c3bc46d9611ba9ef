#include "model/text_encoding.h"
#include "storage/slot_file_name.h"
#include "storage_fixture.h"
#include "support/scoped_code_page.h"

#include <algorithm>
#include <tuple>

using namespace Corv;
using namespace CorvTest;

namespace {

constexpr CodePage kWestern = CodePage::Windows1252;
constexpr CodePage kJapanese = CodePage::ShiftJis;

class FileNameEncodingTest : public StorageTest {
protected:
    // Closes every project and opens the folder afresh.
    CProjectDocument& Reopen(const std::string& folder) {
        Docs().CloseAll();
        return Open(folder);
    }
    static Bytes Patch(const std::string& name) { return PatchFileBytes(MakePatch(name, 0)); }
};

// A file name an earlier version wrote in code-page bytes still loads, and the next save only
// renames it to its UTF-8 name: its bytes stay, nothing else is written.
TEST_F(FileNameEncodingTest, ALegacyFileNameLoadsAndTheNextSaveOnlyRenamesIt) {
    for (const auto& [page, name, utf8] :
         {std::tuple<CodePage, std::string, std::string>{kWestern, "Cr\xE8me", "Cr\xC3\xA8me"},
          {kJapanese, "\x83\x65\x83\x58\x83\x67", "\xE3\x83\x86\xE3\x82\xB9\xE3\x83\x88"}}) {
        ScopedCodePage chosen(page);
        const std::string folder = Project(page == kWestern ? "Old" : "OldJ");
        ProjectBuilder b(folder);
        b.File("Patch/001 " + name + ".d00", Patch("x")).Patch(2, "Keep", 0).Tone(1, "T", {});
        b.File("Wave/003 " + name + ".wav", Bytes(40, 7));
        const auto before = FolderSnapshot(folder);
        CProjectDocument& doc = Open(folder);
        EXPECT_EQ(doc.Data().Patches()[0].Name(), name);
        EXPECT_EQ(doc.Data().Waves()[2].Name(), name);
        EXPECT_TRUE(doc.RejectedFiles().empty());
        ASSERT_TRUE(doc.SaveProject(folder));

        EXPECT_EQ(ListFolder(folder + "Patch"),
                  (std::vector<std::string>{"001 " + utf8 + ".d00", "002 Keep.d00"}));
        EXPECT_EQ(ListFolder(folder + "Wave"), std::vector<std::string>{"003 " + utf8 + ".wav"});
        std::vector<std::pair<std::string, Bytes>> renamed = before;
        for (auto& [relative, bytes] : renamed)
            if (relative.find(name) != std::string::npos)
                relative.replace(relative.find(name), name.size(), utf8);
        std::sort(renamed.begin(), renamed.end());
        EXPECT_EQ(SnapshotDifference(FolderSnapshot(folder), renamed), "");
        EXPECT_EQ(Reopen(folder).Data().Patches()[0].Name(), name);
    }
}

} // namespace
