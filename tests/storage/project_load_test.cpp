#include "storage/folder_transaction.h"
#include "storage_fixture.h"

#include <algorithm>
#include <filesystem>
#include <set>

using namespace Corv;
using namespace CorvTest;

namespace {

using LoadTest = StorageTest;
namespace fs = std::filesystem;

TEST_F(LoadTest, PlacesFilesBySlotNumberAndRejectsWhatBreaksTheNamingRule) {
    ProjectBuilder b(Project("Song"));
    b.Patch(1, "A", 0).Patch(1, "B", 0).Patch(2, "ABCDEFGHIJKL", 0).Patch(513, "Far", 0);
    std::set<std::string> expected = {b.Folder() + "Patch/001 B.d00"};
    for (const char* name :
         {"000 Zero.d00", "1 Short.d00", "003 ABCDEFGHIJKLM.d00", "004X.d00", "Extra.d00"}) {
        b.File(std::string("Patch/") + name, PatchFileBytes(MakePatch("", 0)));
        expected.insert(b.Folder() + "Patch/" + name);
    }
    b.File("Patch/005 Notes.txt", {1, 2, 3});
    CProjectDocument& doc = Open(b.Folder());
    const CLumData& data = doc.Data();
    EXPECT_EQ(data.Patches()[0].FilePath(), b.Folder() + "Patch/001 A.d00");
    EXPECT_EQ(data.Patches()[1].Name(), "ABCDEFGHIJKL");
    EXPECT_EQ(data.CountEmpty(kPatchKind), 510);
    // 513 is dropped without a trace, the .txt is never listed
    EXPECT_EQ(std::set<std::string>(doc.RejectedFiles().begin(), doc.RejectedFiles().end()),
              expected);
    EXPECT_FALSE(doc.IsModified());
    EXPECT_TRUE(Messages().empty());
}

// Each of these folders is refused with message 1, which says why and names the first file or
// folder concerned (a file by its place in the project folder); no document is left and the disk
// is as it was.
TEST_F(LoadTest, BrokenProjectsAreRefusedWithTheReasonWithoutChangingTheDisk) {
    // Spoils the project (null: no project folder is built).
    using Spoil = std::function<void(ProjectBuilder&)>;
    const std::vector<std::tuple<std::string, Spoil, std::string>> cases = {
        {"Swapped",
         [](ProjectBuilder& b) { b.File("Patch/012 Lead.d00", ToneFileBytes(MakeTone("", {}))); },
         "Patch/012 Lead.d00: not a patch file"},
        {"Journal",
         [](ProjectBuilder& b) {
             const std::string text = "not a journal";
             b.File(kPlacingJournalName, Bytes(text.begin(), text.end()));
         },
         "an interrupted save could not be completed: its save journal is damaged"},
        {"Nothing.prj", nullptr, "%Nothing.prj/ is missing"},
        {"Plain", nullptr, "%Plain/ is not a folder named *.prj"}};
    for (const auto& [name, spoil, detail] : cases) {
        SCOPED_TRACE(name);
        TempDir dir;
        const std::string parent = dir.Path() + "/";
        std::string path = parent + name;
        if (name == "Plain")
            ProjectBuilder(path + "/"); // a project folder without ".prj"
        if (spoil) {
            ProjectBuilder b(path + ".prj/");
            spoil(b);
            path = b.Folder();
        }
        const auto before = FolderSnapshot(dir.Path());
        const std::size_t notices = m_sink->Notices().size();
        m_sink->Clear();
        EXPECT_EQ(Docs().OpenProject(path), nullptr);
        EXPECT_TRUE(Docs().Documents().empty());
        ASSERT_EQ(Messages(), std::vector<std::string>{"error 1"});
        const std::string expected = detail[0] == '%' ? parent + detail.substr(1) : detail;
        EXPECT_EQ(m_sink->Calls().front().detail, expected);
        EXPECT_EQ(m_sink->Notices().size(), notices); // the reason is the error's, not a notice's
        EXPECT_EQ(FolderSnapshot(dir.Path()), before);
    }
}

// One folder under other spellings is one open project, and opening it again brings that
// project forward; another folder, or one that is not there, is not it.
TEST_F(LoadTest, AnOpenFolderIsFoundUnderEverySpelling) {
    ProjectBuilder b(Project("Twice")), other(Project("Other"));
    const std::string base = m_dir.Path() + "/";
    fs::create_directory(base + "sub");
    fs::create_directory_symlink(base + "Twice.prj", base + "Link.prj");
    CProjectDocument& first = Open(base + "Twice.prj//"); // as a shell completes it
    EXPECT_EQ(first.Data().ProjectFolder(), b.Folder());
    std::string backslashed = base + "Twice.prj\\";
    std::replace(backslashed.begin(), backslashed.end(), '/', '\\');
    for (const std::string& same : {base + "./Twice.prj/", base + "sub//..//Twice.prj//",
                                    base + "sub/../Link.prj/", backslashed}) {
        EXPECT_EQ(Docs().FindOpenProject(same), &first) << same;
        EXPECT_EQ(Docs().OpenProject(same), &first) << same;
    }
    for (const std::string& elsewhere : {base + "Other.prj", base + "Gone.prj", base + "sub"})
        EXPECT_EQ(Docs().FindOpenProject(elsewhere), nullptr) << elsewhere;
    EXPECT_EQ(Docs().Documents().size(), 1u);
    EXPECT_EQ(NormaliseFolderPath("C:\\\\Work\\\\Song.PRJ"), "C:/Work/Song.PRJ/");
}

} // namespace
