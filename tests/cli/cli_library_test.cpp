#include "cli_fixture.h"

namespace CorvCliTest {
namespace {

// Two demo projects under one root, and the catalogue in a file of the test's own.
class LibraryCli : public CliTest {
protected:
    void SetUp() override {
        ASSERT_EQ(RunCorvane({"demo", m_temp / "Songs/One.prj"}).status, 0);
        ASSERT_EQ(RunCorvane({"demo", m_temp / "Songs/Two.prj"}).status, 0);
    }
    RunResult Library(Strings arguments) {
        arguments.insert(arguments.begin(), {"library", "--library", m_temp / "lib.sqlite3"});
        return RunCorvane(arguments);
    }
};

TEST_F(LibraryCli, ScanSearchDupesAndStatsAsJson) {
    ASSERT_EQ(Library({"add", m_temp / "Songs"}).status, 0);
    const RunResult scan = Library({"scan"});
    EXPECT_EQ(scan.status, 0) << scan.err;
    EXPECT_EQ(scan.Lines(), Strings{"read 2, unchanged 0, offline 0, failed 0"});
    EXPECT_NE(scan.err.find("of 2"), std::string::npos) << scan.err; // the progress line
    EXPECT_EQ(Library({"scan"}).Lines(), Strings{"read 0, unchanged 2, offline 0, failed 0"});

    const Json stats = Json::parse(Library({"stats", "--json"}).out);
    EXPECT_EQ(stats["projects"], 2);
    EXPECT_EQ(stats["offline"], 0);
    EXPECT_GT(stats["entries"].get<int>(), 0);
    EXPECT_EQ(stats["tags"], 0);

    // Both demo projects are made from the same seed: every entry has a copy.
    const RunResult search = Library({"search", "", "--kind", "patch", "--json"});
    ASSERT_EQ(search.status, 0) << search.err;
    const Json hits = Json::parse(search.out);
    ASSERT_FALSE(hits.empty());
    const Json& first = hits[0];
    for (const char* key :
         {"project", "kind", "number", "name", "memos", "tags", "favourite", "copies", "offline"})
        EXPECT_TRUE(first.contains(key)) << key;
    EXPECT_EQ(first["kind"], "patch");
    EXPECT_EQ(first["memos"].size(), 4u);
    EXPECT_EQ(first["copies"], 2);

    const Json groups = Json::parse(Library({"dupes", "--kind", "wave", "--json"}).out);
    ASSERT_FALSE(groups.empty());
    EXPECT_EQ(groups[0]["kind"], "wave");
    EXPECT_EQ(groups[0]["fingerprint"].get<std::string>().size(), 32u);
    EXPECT_GT(groups[0]["bytes"].get<long>(), 0);
    EXPECT_EQ(groups[0]["entries"].size(), 2u);
    EXPECT_EQ(groups[0]["entries"][0].size(), 3u); // project, number, name
}

TEST_F(LibraryCli, TagsFavouritesAndTheirExport) {
    Library({"add", m_temp / "Songs"});
    Library({"scan"});
    const std::string one = m_temp / "Songs/One.prj";
    EXPECT_EQ(Library({"tag", one, "patch", "1", "best"}).status, 0);
    EXPECT_EQ(Library({"favourite", one, "patch", "1"}).status, 0);
    const Json tagged = Json::parse(Library({"search", "", "--tag", "best", "--json"}).out);
    ASSERT_EQ(tagged.size(), 2u); // the copy in Two.prj carries the tag too
    EXPECT_EQ(tagged[0]["tags"], Json::array({"best"}));
    EXPECT_EQ(tagged[1]["favourite"], true);

    const std::string file = m_temp / "tags.json";
    EXPECT_EQ(Library({"tags", "export", file}).status, 0);
    EXPECT_EQ(Json::parse(ReadText(file))["tags"].size(), 1u);
    EXPECT_EQ(Library({"tag", one, "patch", "1", "best", "--remove"}).status, 0);
    EXPECT_EQ(Library({"search", "", "--tag", "best"}).status, 1);
    EXPECT_EQ(Library({"tags", "import", file}).status, 0);
    EXPECT_EQ(Library({"search", "", "--tag", "best"}).status, 0);
}

TEST_F(LibraryCli, ExitStatuses) {
    Library({"add", m_temp / "Songs"});
    Library({"scan"});
    const struct {
        Strings arguments;
        int status;
    } cases[] = {
        {{"search", "zzzzqqq"}, 1},                                   // nothing found
        {{"search", "", "--kind", "plant"}, 2},                       // a bad kind
        {{"tag", m_temp / "Songs/One.prj", "patch", "1000", "x"}, 2}, // past the list
        {{"tag", m_temp / "Nowhere.prj", "patch", "1", "x"}, 1},      // no such entry
        {{"remove", m_temp / "Nowhere"}, 1},
        {{"tags", "import", m_temp / "missing.json"}, 2},
        {{"frobnicate"}, 2},
        {{"stats"}, 0},
    };
    for (const auto& c : cases) {
        const RunResult result = Library(c.arguments);
        EXPECT_EQ(result.status, c.status) << c.arguments.front() << ": " << result.err;
    }
    // A catalogue that cannot be made at all.
    EXPECT_EQ(RunCorvane({"library", "--library", "/proc/no/lib.sqlite3", "stats"}).status, 2);
}

TEST_F(LibraryCli, TwoScansAtOnceLeaveNoDuplicateRows) {
    Library({"add", m_temp / "Songs"});
    const std::string scan =
        CommandLine({"library", "--library", m_temp / "lib.sqlite3", "scan", "--full"});
    const RunResult both = RunShell(scan + " & " + scan + "; wait");
    EXPECT_TRUE(both.err.find("corvane:") == std::string::npos) << both.err;
    const Json stats = Json::parse(Library({"stats", "--json"}).out);
    EXPECT_EQ(stats["projects"], 2);
    const RunResult again = Library({"scan", "--full"});
    EXPECT_EQ(Json::parse(Library({"stats", "--json"}).out)["entries"], stats["entries"]);
}

} // namespace
} // namespace CorvCliTest
