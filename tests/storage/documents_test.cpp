#include "storage_fixture.h"

#include <algorithm>
#include <filesystem>

using namespace Corv;
using namespace CorvTest;

namespace {

using DocumentsTest = StorageTest;

TEST_F(DocumentsTest, ClosingHandsOverOnlyTheFilesOthersStillUse) {
    ProjectBuilder a(Project("Leaving")), stays(Project("Staying"));
    a.Patch(1, "Shared", 1).Patch(2, "Private", 0).Tone(1, "T", {1}).Wave(1, "W", 10);
    CProjectDocument& leaving = Open(a.Folder());
    CProjectDocument& staying = Open(stays.Folder());
    staying.Data().Patches().PlaceClone(0, leaving.Data().Patches()[0]);
    staying.Data().Waves().PlaceClone(4, leaving.Data().Waves()[0]);
    Docs().Close(leaving);
    EXPECT_EQ(ListFolder(m_work.Path()), (std::vector<std::string>{"000 Shared.d00", "001 W.w00"}));
    EXPECT_EQ(staying.Data().Patches()[0].FilePath(), m_work.Path() + "/000 Shared.d00");
    EXPECT_EQ(staying.Data().Waves()[4].FilePath(), m_work.Path() + "/001 W.w00");
    EXPECT_EQ(ReadBytes(m_work.Path() + "/000 Shared.d00"),
              ReadBytes(a.Folder() + "Patch/001 Shared.d00"));
}

// One folder under other spellings is one open project; another folder, or one that is not
// there, is not. Each spelling is relative to the temporary folder that holds the projects.
TEST_F(DocumentsTest, AnOpenFolderIsFoundUnderEverySpelling) {
    ProjectBuilder b(Project("Twice"));
    ProjectBuilder other(Project("Other"));
    const std::string base = m_dir.Path() + "/";
    std::filesystem::create_directory(base + "sub");
    std::filesystem::create_directory_symlink(base + "Twice.prj", base + "Link.prj");
    std::filesystem::create_directory_symlink(m_dir.Path(), base + "up");
    CProjectDocument& first = Open(base + "Twice.prj//"); // as a shell completes it
    EXPECT_EQ(first.Data().ProjectFolder(), b.Folder());
    std::string backslashed = base + "Twice.prj\\";
    std::replace(backslashed.begin(), backslashed.end(), '/', '\\');
    const std::pair<std::string, bool> cases[] = {{"Twice.prj", true},
                                                  {"./Twice.prj/", true},
                                                  {"sub//..//Twice.prj//", true},
                                                  {"Link.prj", true},
                                                  {"up/sub/../Link.prj/", true},
                                                  {"Other.prj", false},
                                                  {"Gone.prj", false},
                                                  {"sub", false}};
    for (const auto& [spelling, same] : cases)
        EXPECT_EQ(Docs().FindOpenProject(base + spelling) == &first, same) << spelling;
    EXPECT_EQ(Docs().FindOpenProject(backslashed), &first);
    // Opening it again under another spelling brings the open document forward.
    EXPECT_EQ(Docs().OpenProject(base + "up/sub/../Link.prj"), &first);
    EXPECT_EQ(Docs().OpenProject(backslashed), &first);
    EXPECT_EQ(Docs().Documents().size(), 1u);
    EXPECT_TRUE(Messages().empty());
    EXPECT_EQ(NormaliseFolderPath("C:\\\\Work\\\\Song.PRJ"), "C:/Work/Song.PRJ/");
}

} // namespace
