#include "library/library_fixture.h"
#include "model/parameter.h"

#include <filesystem>
#include <functional>

namespace {

namespace fs = std::filesystem;
using Corv::Library::SearchQuery;

struct RescanCase {
    const char* what;
    std::function<void(const std::string& folder)> change; // of A.prj after the first scan
    int read;
    int unchanged;
    int offline;
    std::size_t failures;
    const char* finds; // a search that must find patch 1 of A afterwards ("" for none)
};

using Catalogue = CorvTest::LibraryTest;

class Rescan : public CorvTest::LibraryTest, public ::testing::WithParamInterface<RescanCase> {};

TEST_P(Rescan, ReadsWhatChangedOnly) {
    const RescanCase& c = GetParam();
    CorvTest::SongA(Project("A.prj"));
    CorvTest::SongA(Project("B.prj"));
    const auto first = Scan();
    ASSERT_EQ(first.read, 2);
    ASSERT_TRUE(first.failures.empty());

    c.change(Project("A.prj"));
    const auto second = Scan();
    EXPECT_EQ(second.read, c.read) << c.what;
    EXPECT_EQ(second.unchanged, c.unchanged) << c.what;
    EXPECT_EQ(second.offline, c.offline) << c.what;
    EXPECT_EQ(second.failures.size(), c.failures) << c.what;
    if (*c.finds != '\0') {
        SearchQuery query =
            CorvTest::Query(c.finds, Corv::kPatchKind, "", Project("A.prj"), false, 0);
        EXPECT_EQ(Hits(query), std::vector<std::string>{"A.prj/ 0 1"}) << c.what;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Rescan,
    ::testing::Values(RescanCase{"nothing changed", [](const std::string&) {}, 0, 2, 0, 0, "warm"},
                      RescanCase{"an entry renamed",
                                 [](const std::string& f) {
                                     fs::rename(f + "Patch/001 Warm Pad.d00",
                                                f + "Patch/001 Solo.d00");
                                 },
                                 1, 1, 0, 0, "solo"},
                      RescanCase{"a file edited by hand",
                                 [](const std::string& f) {
                                     auto bytes = CorvTest::ReadBytes(f + "Tone/001 Strings.p00");
                                     bytes[300] ^= 0x10;
                                     CorvTest::WriteBytes(f + "Tone/001 Strings.p00", bytes);
                                 },
                                 1, 1, 0, 0, "warm"},
                      RescanCase{"the project removed",
                                 [](const std::string& f) { fs::rename(f, f + "../../gone.prj"); },
                                 0, 1, 1, 0, "warm"},
                      RescanCase{"the project fails to load",
                                 [](const std::string& f) {
                                     fs::resize_file(f + "Tone/002 Bass.p00", 1000);
                                 },
                                 0, 1, 0, 1, "warm"}),
    [](const ::testing::TestParamInfo<RescanCase>& test) {
        std::string name;
        for (const char* c = test.param.what; *c != '\0'; ++c)
            name += std::isalnum(static_cast<unsigned char>(*c)) ? *c : '_';
        return name;
    });

TEST_F(Catalogue, RemovedProjectGoesOfflineAndComesBack) {
    CorvTest::SongA(Project("A.prj"));
    Scan();
    fs::rename(Project("A.prj"), dir / "away.prj");
    Scan();
    EXPECT_EQ(catalogue.Stats().offline, 1);
    const auto offline = catalogue.Search(CorvTest::Query("warm", std::nullopt, "", "", false, 0));
    ASSERT_EQ(offline.entries.size(), 1u);
    EXPECT_TRUE(offline.entries[0].offline);

    fs::rename(dir / "away.prj", Project("A.prj"));
    const auto report = Scan();
    EXPECT_EQ(report.unchanged + report.read, 1);
    EXPECT_EQ(catalogue.Stats().offline, 0);
    EXPECT_FALSE(catalogue.Search(CorvTest::Query("warm", std::nullopt, "", "", false, 0))
                     .entries[0]
                     .offline);
}

TEST_F(Catalogue, FailingProjectIsListedWithWhyAndTheScanGoesOn) {
    CorvTest::SongA(Project("A.prj"));
    CorvTest::SongA(Project("Z.prj"));
    fs::resize_file(Project("A.prj") + "Patch/001 Warm Pad.d00", 10);
    const auto report = Scan();
    ASSERT_EQ(report.failures.size(), 1u);
    EXPECT_NE(report.failures[0].find("001 Warm Pad.d00"), std::string::npos) << report.failures[0];
    EXPECT_EQ(report.read, 1);
    EXPECT_EQ(Hits(CorvTest::Query("warm", std::nullopt, "", "", false, 0)),
              std::vector<std::string>{"Z.prj/ 0 1"});
}

TEST_F(Catalogue, WalkSkipsHiddenTrashLoopsAndFifosAndWritesNothing) {
    CorvTest::Deadline deadline(30);
    CorvTest::SongA(Project("Gig/A.prj"));
    CorvTest::SongA(Project(".hidden/H.prj"));
    CorvTest::SongA(Project("Trash/T.prj"));
    fs::create_directory_symlink(Root(), Root() + "/Gig/loop"); // a loop back to the root
    fs::create_directory_symlink(Project("Gig/A.prj"), Root() + "/Again.prj"); // the same project
    CorvTest::MakeFifo(Root() + "/pipe");
    const auto before = CorvTest::FolderSnapshot(Root());
    const auto report = Scan();
    EXPECT_EQ(report.read, 1);
    ASSERT_EQ(report.skipped.size(), 1u);
    EXPECT_NE(report.skipped[0].find("pipe"), std::string::npos);
    EXPECT_EQ(catalogue.Stats().projects, 1);
    EXPECT_EQ(CorvTest::SnapshotDifference(before, CorvTest::FolderSnapshot(Root())), "");
}

TEST_F(Catalogue, RemovingARootForgetsItsProjects) {
    CorvTest::SongA(Project("A.prj"));
    Scan();
    EXPECT_FALSE(catalogue.Remove(dir / "elsewhere"));
    EXPECT_TRUE(catalogue.Remove(Root()));
    EXPECT_EQ(catalogue.Stats().projects, 0);
    EXPECT_TRUE(catalogue.Roots().empty());
}

} // namespace
