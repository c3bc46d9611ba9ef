// Names in code-page bytes and file names in UTF-8: what a save writes, what a load reads back,
// and what becomes of file names written by earlier versions.
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

struct RoundTripCase {
    CodePage page;
    std::string name;     // code-page bytes
    std::string fileName; // the UTF-8 name part of its files
};

// Patch, tone and wave n get name n; every file name is UTF-8 and the names come back.
TEST_F(FileNameEncodingTest, NamesRoundTripThroughUtf8FileNames) {
    const std::vector<RoundTripCase> cases = {
        {kWestern, "Lead 1", "Lead 1"},
        {kWestern, "Cr\xE8me", "Cr\xC3\xA8me"},
        {kWestern, std::string(12, '\xE9'),
         "\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9"
         "\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9"},
        {kWestern, "\x80\x81\x9F", "\xE2\x82\xAC\xC2\x81\xC5\xB8"},
        {kJapanese, "Lead~1", "Lead~1"},
        {kJapanese, "\xC3\xBD\xC4 Pad", "\xEF\xBE\x83\xEF\xBD\xBD\xEF\xBE\x84 Pad"},
        {kJapanese, "\x83\x65\x83\x58\x83\x67", "\xE3\x83\x86\xE3\x82\xB9\xE3\x83\x88"},
        {kJapanese, "\x89\xB9\x90\x46\x89\xB9\x90\x46\x89\xB9\x90\x46",
         "\xE9\x9F\xB3\xE8\x89\xB2\xE9\x9F\xB3\xE8\x89\xB2\xE9\x9F\xB3\xE8\x89\xB2"},
    };
    for (const CodePage page : {kWestern, kJapanese}) {
        ScopedCodePage chosen(page);
        const std::string folder = Project(page == kWestern ? "Western" : "Japanese");
        ProjectBuilder b(folder);
        std::vector<const RoundTripCase*> used;
        for (const RoundTripCase& c : cases)
            if (c.page == page) {
                used.push_back(&c);
                const int n = static_cast<int>(used.size());
                b.Patch(n, "p", 0).Tone(n, "t", {}).Wave(n, "w", 4);
            }
        CProjectDocument& doc = Open(folder);
        for (std::size_t i = 0; i < used.size(); ++i)
            for (int kind = kPatchKind; kind <= kWaveKind; ++kind)
                doc.Data().Records(kind).Item(i).SetName(used[i]->name);
        ASSERT_TRUE(doc.SaveProject(folder));

        const CProjectDocument& again = Reopen(folder);
        EXPECT_TRUE(again.RejectedFiles().empty());
        for (int kind = kPatchKind; kind <= kWaveKind; ++kind) {
            const std::vector<std::string> files = ListFolder(folder + SubfolderName(kind));
            ASSERT_EQ(files.size(), used.size());
            for (std::size_t i = 0; i < used.size(); ++i) {
                const std::string expected = SlotNumberText(static_cast<unsigned>(i + 1)) + " " +
                                             used[i]->fileName +
                                             (kind == kPatchKind  ? ".d00"
                                              : kind == kToneKind ? ".p00"
                                                                  : ".w00");
                EXPECT_EQ(files[i], expected);
                EXPECT_TRUE(IsValidUtf8(files[i])) << files[i];
                EXPECT_EQ(again.Data().Records(kind).Item(i).Name(), used[i]->name) << files[i];
            }
        }
    }
}

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

// Characters the code page cannot hold are left out of the name, but the file keeps them while
// the entry keeps its name, in its own slot and in another; a new name is written anew.
TEST_F(FileNameEncodingTest, AFileNameKeepsWhatTheCodePageCannotHoldUntilTheNameChanges) {
    ScopedCodePage chosen(kWestern);
    const std::string note = "Pad \xE2\x99\xAA";                     // a musical note
    const std::string kana = "\xEF\xBE\x83\xEF\xBD\xBD\xEF\xBE\x84"; // half-width katakana
    ProjectBuilder b(Project("Kept"));
    b.File("Patch/001 " + note + ".d00", Patch("a")).File("Patch/002 " + kana + ".d00", Patch("b"));
    CProjectDocument& doc = Open(b.Folder());
    CPatchArray& patches = doc.Data().Patches();
    EXPECT_EQ(patches[0].Name(), "Pad ");
    EXPECT_EQ(patches[1].Name(), "");

    auto first = CPatchArray::Copy(patches[0]);
    patches.PlaceClone(0, patches[1]);
    patches.Place(1, std::move(first));
    ASSERT_TRUE(doc.SaveProject(b.Folder()));
    EXPECT_EQ(ListFolder(b.Folder() + "Patch"),
              (std::vector<std::string>{"001 " + kana + ".d00", "002 " + note + ".d00"}));

    patches[1].SetName("Pad");
    patches[0].SetName("\xE9");
    ASSERT_TRUE(doc.SaveProject(b.Folder()));
    EXPECT_EQ(ListFolder(b.Folder() + "Patch"),
              (std::vector<std::string>{"001 \xC3\xA9.d00", "002 Pad.d00"}));
}

} // namespace
