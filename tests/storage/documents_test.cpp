#include "storage_fixture.h"

#include <filesystem>

using namespace Corv;
using namespace CorvTest;

namespace {

// Records what the core asks of the program around it.
class RecordingHooks : public CDocumentHooks {
public:
    void RecentFile(const std::string& path) override { m_events.push_back("recent " + path); }
    void RememberFolder(const std::string& path) override { m_events.push_back("folder " + path); }
    void Activate(CProjectDocument& document) override { m_events.push_back("activate " + document.Title()); }
    void BeginWait() override { m_events.push_back("wait"); }
    void EndWait() override { m_events.push_back("done"); }
    std::vector<std::string> m_events;
};

class DocumentsTest : public StorageTest {
protected:
    void SetUp() override {
        StorageTest::SetUp();
        Docs().SetHooks(&m_hooks);
    }
    void TearDown() override {
        StorageTest::TearDown();
        Docs().SetHooks(nullptr);
    }
    RecordingHooks m_hooks;
};

TEST_F(DocumentsTest, UntitledNumbersCountOnlyNewProjects) {
    ProjectBuilder b(Project("Between"));
    EXPECT_EQ(Docs().New().Title(), "Untitled1");
    EXPECT_EQ(Open(b.Folder()).Title(), "Between.prj");
    EXPECT_EQ(Docs().New().Title(), "Untitled2");
    EXPECT_EQ(Docs().Documents().size(), 3u);
}

TEST_F(DocumentsTest, OpeningTellsTheProgramWhatToRemember) {
    ProjectBuilder b(Project("Remember"));
    const std::string given = b.Folder().substr(0, b.Folder().size() - 1);
    CProjectDocument& doc = Open(given);
    EXPECT_EQ(doc.PathName(), given);
    EXPECT_EQ(m_hooks.m_events,
              (std::vector<std::string>{"wait", "done", "recent " + given, "folder " + given}));
    m_hooks.m_events.clear();
    Open(b.Folder());
    EXPECT_EQ(m_hooks.m_events, std::vector<std::string>{"activate Remember.prj"});
}

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
    EXPECT_EQ(ReadBytes(m_work.Path() + "/000 Shared.d00"), ReadBytes(a.Folder() + "Patch/001 Shared.d00"));
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
    CProjectDocument& first = Open(b.Folder());
    const struct {
        std::string spelling;
        bool same;
    } cases[] = {
        {"Twice.prj", true},
        {"./Twice.prj/", true},
        {"sub/../Twice.prj", true},
        {"sub//..//Twice.prj//", true},
        {"Link.prj", true},
        {"up/Twice.prj", true},
        {"up/sub/../Link.prj/", true},
        {"Other.prj", false},
        {"Gone.prj", false},
        {"sub", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.spelling);
        EXPECT_EQ(Docs().FindOpenProject(base + c.spelling) == &first, c.same);
    }
    // Opening it again under another spelling brings the open document forward.
    m_hooks.m_events.clear();
    EXPECT_EQ(Docs().OpenProject(base + "up/sub/../Link.prj"), &first);
    EXPECT_EQ(m_hooks.m_events, std::vector<std::string>{"activate Twice.prj"});
    EXPECT_EQ(Docs().Documents().size(), 1u);
    EXPECT_TRUE(Messages().empty());
}

} // namespace
