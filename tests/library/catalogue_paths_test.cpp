#include "library/library_fixture.h"
#include "model/parameter.h"

#include <algorithm>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;
using Corv::Library::CCatalogue;

// Songs/A.prj and Elsewhere/B.prj, reached also through links: Library -> Songs (the root is
// added through it), Songs/Again.prj -> Songs/A.prj, Songs/Shortcut -> Elsewhere/B.prj.
class LinkedProjects : public ::testing::Test {
protected:
    void SetUp() override {
        store.InstallSink();
        CorvTest::SongA(dir / "Songs/A.prj");
        CorvTest::SongA(dir / "Elsewhere/B.prj");
        fs::create_directory_symlink(dir / "Songs", dir / "Library");
        fs::create_directory_symlink(dir / "Songs/A.prj", dir / "Songs/Again.prj");
        fs::create_directory_symlink(dir / "Elsewhere/B.prj", dir / "Songs/Shortcut");
        std::string error;
        ASSERT_TRUE(catalogue.Open(dir / "data/library.sqlite3", error)) << error;
        ASSERT_TRUE(catalogue.AddRoot(dir / "Library/"));
        const auto report = catalogue.Scan(false, progress);
        ASSERT_TRUE(report.failures.empty());
        ASSERT_EQ(report.read, 2);
    }
    // The real spelling the catalogue keeps.
    std::string Real(const std::string& relative) const {
        return fs::canonical(dir / relative).string() + "/";
    }

    CorvTest::FreshStore store;
    CorvTest::TempDir dir;
    CCatalogue catalogue;
    Corv::CLumProgressBar progress;
};

TEST_F(LinkedProjects, AreCataloguedOnceUnderTheirRealPaths) {
    EXPECT_EQ(catalogue.Roots(), std::vector<std::string>{Real("Songs")});
    EXPECT_EQ(catalogue.Stats().projects, 2);
    std::vector<std::string> projects;
    for (const auto& entry :
         catalogue.Search(CorvTest::Query("", Corv::kPatchKind, "", "", false, 0)).entries)
        projects.push_back(entry.project);
    std::sort(projects.begin(), projects.end());
    EXPECT_EQ(projects, (std::vector<std::string>{Real("Elsewhere/B.prj"), Real("Songs/A.prj")}));
    // A second scan finds nothing new and nothing gone.
    const auto again = catalogue.Scan(false, progress);
    EXPECT_EQ(again.unchanged, 2);
    EXPECT_EQ(again.read + again.offline, 0);
}

TEST_F(LinkedProjects, AnySpellingFindsTheSameRows) {
    const struct {
        const char* spelling;
        const char* real;
    } cases[] = {
        {"Songs/A.prj", "Songs/A.prj"},
        {"Songs/A.prj/", "Songs/A.prj"},
        {"Songs/A.prj//", "Songs/A.prj"},
        {"Library/A.prj", "Songs/A.prj"},
        {"Library/A.prj/", "Songs/A.prj"},
        {"Songs/Again.prj", "Songs/A.prj"},
        {"Library/Again.prj/", "Songs/A.prj"},
        {"Songs/../Songs/A.prj", "Songs/A.prj"},
        {"Library/../Songs/./A.prj", "Songs/A.prj"},
        {"Elsewhere/B.prj", "Elsewhere/B.prj"},
        {"Songs/Shortcut", "Elsewhere/B.prj"},
        {"Library/Shortcut/", "Elsewhere/B.prj"},
        {"Songs/Shortcut/../B.prj", "Elsewhere/B.prj"}, // ".." of the link's target
    };
    for (const auto& c : cases) {
        const std::string spelling = dir / c.spelling;
        EXPECT_EQ(Corv::Library::CatalogueFolder(spelling), Real(c.real)) << c.spelling;
        const auto found =
            catalogue.Search(CorvTest::Query("", Corv::kPatchKind, "", spelling, false, 0));
        ASSERT_EQ(found.total, 1) << c.spelling;
        EXPECT_EQ(found.entries.front().project, Real(c.real)) << c.spelling;
        EXPECT_TRUE(catalogue.FingerprintOf(spelling, Corv::kPatchKind, 1)) << c.spelling;
        // Opened (and so scanned) through that spelling, it is the project catalogued already.
        std::string why;
        EXPECT_EQ(catalogue.ScanProject(spelling, false, why),
                  Corv::Library::ScanOutcome::Unchanged)
            << c.spelling << ": " << why;
    }
    EXPECT_EQ(catalogue.Stats().projects, 2);
    // Removing the root through another spelling than it was added with works too.
    EXPECT_TRUE(catalogue.Remove(dir / "Songs"));
    EXPECT_TRUE(catalogue.Roots().empty());
}

// Makes `count` stray files in a folder: one small file and links to it under other names (a
// name costs far less to make than a file, and the walk looks at names).
bool StrayFiles(const std::string& folder, int count) {
    const std::string first = folder + "/stray0.bin";
    const int fd = ::open(first.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0 || ::write(fd, "x", 1) != 1 || ::close(fd) != 0)
        return false;
    for (int i = 1; i < count; ++i) {
        const std::string name = folder + "/stray" + std::to_string(i) + ".bin";
        if (::link(first.c_str(), name.c_str()) != 0)
            return false;
    }
    return true;
}

// Gives an unreadable folder its permissions back so that it can be removed.
struct PermissionsBack {
    std::string folder;
    ~PermissionsBack() {
        if (!folder.empty())
            ::chmod(folder.c_str(), 0755);
    }
};

using HostileTree = CorvTest::LibraryTest;

TEST_F(HostileTree, ScanFindsTheProjectsAmongAHundredThousandStrayFiles) {
    CorvTest::SongA(Project("A.prj"));
    CorvTest::SongA(Project("Deep/er/B.prj"));
    for (int folder = 0; folder < 100; ++folder) {
        const std::string path =
            Root() + "/Stray/" + std::to_string(folder % 10) + "/" + std::to_string(folder);
        fs::create_directories(path);
        ASSERT_TRUE(StrayFiles(path, 1000)) << path;
    }
    ASSERT_EQ(::mkfifo((Root() + "/pipe").c_str(), 0644), 0);
    fs::create_directory_symlink(Root(), Root() + "/Stray/loop"); // back to the root
    fs::create_directory_symlink(Root() + "/Stray", Root() + "/Stray/0/up");
    fs::create_symlink(Root() + "/knot2", Root() + "/knot1"); // two links that lead to
    fs::create_symlink(Root() + "/knot1", Root() + "/knot2"); // each other
    fs::create_symlink(Root() + "/nowhere", Root() + "/dangling");
    const std::string locked = Root() + "/Locked";
    PermissionsBack restore;
    fs::create_directories(locked + "/Inner");
    const bool asRoot = ::geteuid() == 0; // root reads every folder: that case cannot be made
    if (!asRoot) {
        ASSERT_EQ(::chmod(locked.c_str(), 0), 0);
        restore.folder = locked;
    }

    const auto report = Scan();
    EXPECT_FALSE(report.cancelled);
    EXPECT_EQ(report.read, 2);
    EXPECT_TRUE(report.failures.empty()) << report.failures.front();
    const std::string realRoot = fs::canonical(Root()).string() + "/";
    std::vector<std::string> expected{realRoot + "pipe: neither a file nor a folder"};
    if (!asRoot)
        expected.push_back(realRoot + "Locked/: cannot be listed");
    std::vector<std::string> skipped = report.skipped;
    std::sort(skipped.begin(), skipped.end());
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(skipped, expected);
    EXPECT_EQ(catalogue.Stats().projects, 2);
}

} // namespace
