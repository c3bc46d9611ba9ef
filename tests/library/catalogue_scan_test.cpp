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

// A progress sink that asks to cancel once it was told of `texts` projects.
class CancelAfter : public Corv::CLumProgressBar {
public:
    explicit CancelAfter(int texts) : m_left(texts) {}
    void SetText(const std::string& text) override {
        CLumProgressBar::SetText(text);
        if (--m_left == 0)
            RequestCancel();
    }

private:
    int m_left;
};

// A cancelled scan ends after the project it was at (while the next ones may already be read
// ahead), keeps every project it wrote whole, and the next scan reads the rest only.
TEST_F(Catalogue, CancelledScanKeepsWhatItWroteAndTheNextScanReadsTheRest) {
    const char* const names[] = {"A.prj", "B.prj", "C.prj", "D.prj", "E.prj"};
    for (const char* name : names)
        CorvTest::SongA(Project(name));
    for (const int at : {1, 2, 4}) {
        SCOPED_TRACE(at);
        CorvTest::Deadline deadline(30);
        const std::string file = dir / ("cancel" + std::to_string(at) + ".sqlite3");
        Corv::Library::CCatalogue fresh;
        std::string error;
        ASSERT_TRUE(fresh.Open(file, error)) << error;
        ASSERT_TRUE(fresh.AddRoot(Root()));
        CancelAfter sink(at);
        const auto cancelled = fresh.Scan(false, sink);
        EXPECT_TRUE(cancelled.cancelled);
        EXPECT_EQ(cancelled.read, at);
        EXPECT_EQ(fresh.Stats().projects, at);
        // Each project written holds all its entries: patch, two tones and three waves.
        EXPECT_EQ(fresh.Stats().entries, 6 * at);
        const auto found = fresh.Search(CorvTest::Query("warm", std::nullopt, "", "", false, 0));
        ASSERT_EQ(found.entries.size(), static_cast<std::size_t>(at));
        EXPECT_EQ(found.entries.back().project, Project(names[at - 1]));

        Corv::CLumProgressBar quiet;
        const auto rest = fresh.Scan(false, quiet);
        EXPECT_FALSE(rest.cancelled);
        EXPECT_EQ(rest.read, 5 - at);
        EXPECT_EQ(rest.unchanged, at);
        EXPECT_EQ(fresh.Stats().entries, 6 * 5);
    }
}

// The single-project scan and the whole scan tell the same outcomes.
TEST_F(Catalogue, ScanningOneProjectTellsItsOutcome) {
    CorvTest::SongA(Project("A.prj"));
    CorvTest::SongA(Project("Bad.prj"));
    fs::resize_file(Project("Bad.prj") + "Tone/002 Bass.p00", 1000);
    const struct {
        std::string folder;
        bool full;
        Corv::Library::ScanOutcome outcome;
        bool why;
    } cases[] = {
        {Project("A.prj"), false, Corv::Library::ScanOutcome::Read, false},
        {Project("A.prj"), false, Corv::Library::ScanOutcome::Unchanged, false},
        {Project("A.prj"), true, Corv::Library::ScanOutcome::Read, false},
        {Project("Bad.prj"), false, Corv::Library::ScanOutcome::Failed, true},
        {Project("Bad.prj"), false, Corv::Library::ScanOutcome::Failed, true}, // failed again
        {Project("Gone.prj"), false, Corv::Library::ScanOutcome::Offline, false},
    };
    for (const auto& c : cases) {
        std::string why;
        EXPECT_EQ(catalogue.ScanProject(c.folder, c.full, why), c.outcome) << c.folder;
        EXPECT_EQ(why.empty(), !c.why) << c.folder << ": " << why;
    }
    EXPECT_EQ(catalogue.Stats().entries, 6);
    const auto projects = catalogue.Projects();
    ASSERT_EQ(projects.size(), 2u);
    EXPECT_EQ(projects[1].state, "failed");
    EXPECT_NE(projects[1].reason.find("Bass"), std::string::npos) << projects[1].reason;
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
