#include "edit/fingerprint.h"
#include "library/library_fixture.h"
#include "model/parameter.h"
#include "support/scoped_code_page.h"

#include <filesystem>
#include <fstream>
#include <functional>

namespace {

namespace fs = std::filesystem;
using Corv::Library::SearchQuery;
using Found = std::vector<std::string>;

// A.prj as SongA, with an accented name (Windows-1252 bytes) and a memo; B.prj holds a copy of
// A's patch 1 with its tones and waves in other slots under other names.
class Search : public CorvTest::LibraryTest {
protected:
    void SetUp() override {
        CorvTest::LibraryTest::SetUp();
        auto a = CorvTest::SongA(Project("A.prj"));
        a.Tone(5, "Caf\xE9 Keys", {1}); // a code-page name
        a.Memos(Corv::kToneKind, {"", "", "", "", "slow attack", "", "", ""});
        CorvTest::ProjectBuilder b(Project("B.prj"));
        b.Patch(9, "Copy", 20, 21).Tone(20, "Str", {30, 31}).Tone(21, "Low", {32});
        CorvTest::WaveFile(b, 30, "a", CorvTest::Bytes(100, 1));
        CorvTest::WaveFile(b, 31, "b", CorvTest::Bytes(200, 2));
        CorvTest::WaveFile(b, 32, "c", CorvTest::Bytes(300, 3));
        const auto report = Scan();
        ASSERT_EQ(report.read, 2);
    }
    CorvTest::ScopedCodePage page{Corv::CodePage::Windows1252};
};

TEST_F(Search, WordsPrefixesCaseAndAccents) {
    const struct {
        const char* text;
        Found hits;
    } cases[] = {
        {"keys", {"A.prj/ 1 5"}},
        {"warm", {"A.prj/ 0 1"}},
        {"WAR", {"A.prj/ 0 1"}},
        {"pad warm", {"A.prj/ 0 1"}},
        {"warm bass", {}},        // every word must be there
        {"cafe", {"A.prj/ 1 5"}}, // accents ignored
        {"CAFÉ", {"A.prj/ 1 5"}},
        {"slow att", {"A.prj/ 1 2"}},      // memos are searched
        {"arm", {}},                       // words are matched from their start
        {"\"warm\" pad*", {"A.prj/ 0 1"}}, // query syntax is taken as text
    };
    for (const auto& c : cases)
        EXPECT_EQ(Hits(CorvTest::Query(c.text, std::nullopt, "", "", false, 0)), c.hits) << c.text;
}

TEST_F(Search, FiltersByKindProjectAndCountsTheTotal) {
    EXPECT_EQ(Hits(CorvTest::Query("", Corv::kPatchKind, "", "", false, 0)),
              (Found{"A.prj/ 0 1", "B.prj/ 0 9"}));
    EXPECT_EQ(Hits(CorvTest::Query("", Corv::kToneKind, "", Project("B.prj"), false, 0)),
              (Found{"B.prj/ 1 20", "B.prj/ 1 21"}));
    const auto limited = catalogue.Search(CorvTest::Query("", std::nullopt, "", "", false, 2));
    EXPECT_EQ(limited.entries.size(), 2u);
    EXPECT_EQ(limited.total, 7 + 6);
}

// Used or unused, and only sounds that are also somewhere else.
TEST_F(Search, FiltersByUseAndByDuplicates) {
    SearchQuery unused = CorvTest::Query("", std::nullopt, "", "", false, 0);
    unused.used = false;
    EXPECT_EQ(Hits(unused), (Found{"A.prj/ 1 5"})); // Café Keys: no patch plays it
    SearchQuery usedTones = CorvTest::Query("", Corv::kToneKind, "", "", false, 0);
    usedTones.used = true;
    EXPECT_EQ(Hits(usedTones), (Found{"A.prj/ 1 1", "A.prj/ 1 2", "B.prj/ 1 20", "B.prj/ 1 21"}));
    SearchQuery copied = CorvTest::Query("", Corv::kWaveKind, "", "", false, 0);
    copied.duplicated = true;
    EXPECT_EQ(Hits(copied), (Found{"A.prj/ 2 1", "A.prj/ 2 2", "A.prj/ 2 3", "B.prj/ 2 30",
                                   "B.prj/ 2 31", "B.prj/ 2 32"}));
    copied.kind = Corv::kToneKind;
    EXPECT_EQ(Hits(copied), (Found{"A.prj/ 1 1", "A.prj/ 1 2", "B.prj/ 1 20", "B.prj/ 1 21"}));
}

// Entries whose name holds the words come before those found through a memo, also when the
// limit cuts the list; the total counts every hit whatever the limit.
TEST_F(Search, NameHitsComeFirstAndTheLimitKeepsTheTotal) {
    CorvTest::ProjectBuilder c(Project("C.prj"));
    c.Patch(1, "Zed", 0).Patch(2, "Lead", 0).Patch(3, "Lead Two", 0);
    c.Memos(Corv::kPatchKind, {"lead line", "", "", "", "", "", "", ""});
    ASSERT_EQ(Scan().read, 1);
    const struct {
        int limit;
        Found hits;
    } cases[] = {
        {0, {"C.prj/ 0 2", "C.prj/ 0 3", "C.prj/ 0 1"}},
        {1, {"C.prj/ 0 2"}},
        {2, {"C.prj/ 0 2", "C.prj/ 0 3"}},
        {3, {"C.prj/ 0 2", "C.prj/ 0 3", "C.prj/ 0 1"}},
        {10, {"C.prj/ 0 2", "C.prj/ 0 3", "C.prj/ 0 1"}},
    };
    for (const auto& k : cases) {
        const auto query = CorvTest::Query("lea", std::nullopt, "", "", false, k.limit);
        EXPECT_EQ(Hits(query), k.hits) << k.limit;
        EXPECT_EQ(catalogue.Search(query).total, 3) << k.limit;
    }
    // Only the memo holds "line": it is found all the same.
    EXPECT_EQ(Hits(CorvTest::Query("line", std::nullopt, "", "", false, 1)), Found{"C.prj/ 0 1"});
}

// Results follow the projects' folders, not the order the catalogue learned of them: here Z
// and 0 are catalogued after A and B, and A is read again after them.
TEST_F(Search, ResultsFollowTheFoldersWhateverOrderTheyWereCataloguedIn) {
    CorvTest::ProjectBuilder z(Project("Z.prj"));
    z.Patch(2, "Warm Z", 0);
    CorvTest::ProjectBuilder zero(Project("0.prj"));
    zero.Patch(4, "Other", 0).Patch(3, "Warm Zero", 0);
    // Four memos an entry, from patch 1 on: the first memo of patch 4.
    std::vector<std::string> memos(16);
    memos[12] = "warm memo";
    zero.Memos(Corv::kPatchKind, memos);
    std::string why;
    ASSERT_EQ(catalogue.ScanProject(Project("Z.prj"), false, why),
              Corv::Library::ScanOutcome::Read);
    ASSERT_EQ(catalogue.ScanProject(Project("0.prj"), false, why),
              Corv::Library::ScanOutcome::Read);
    ASSERT_EQ(catalogue.ScanProject(Project("A.prj"), true, why), Corv::Library::ScanOutcome::Read);
    const Found all{"0.prj/ 0 3", "A.prj/ 0 1", "Z.prj/ 0 2", "0.prj/ 0 4"};
    const struct {
        int limit;
        std::size_t shown;
    } cases[] = {{0, 4}, {1, 1}, {2, 2}, {3, 3}, {4, 4}, {9, 4}};
    for (const auto& c : cases) {
        const auto query = CorvTest::Query("warm", std::nullopt, "", "", false, c.limit);
        EXPECT_EQ(Hits(query), Found(all.begin(), all.begin() + static_cast<long>(c.shown)))
            << c.limit;
        EXPECT_EQ(catalogue.Search(query).total, 4) << c.limit;
    }
    EXPECT_EQ(Hits(CorvTest::Query("", Corv::kPatchKind, "", "", false, 0)),
              (Found{"0.prj/ 0 3", "0.prj/ 0 4", "A.prj/ 0 1", "B.prj/ 0 9", "Z.prj/ 0 2"}));
    EXPECT_EQ(Hits(CorvTest::Query("warm", std::nullopt, "", Project("Z.prj"), false, 0)),
              Found{"Z.prj/ 0 2"});
}

// The copies a search shows follow every change of the catalogue: a project read again,
// projects forgotten.
TEST_F(Search, CopiesFollowRescansAndRemovals) {
    const auto copiesOfPatch = [&](const std::string& project, int number) {
        const auto query = CorvTest::Query("", Corv::kPatchKind, "", Project(project), false, 0);
        for (const auto& entry : catalogue.Search(query).entries)
            if (entry.number == number)
                return entry.copies;
        return 0;
    };
    const struct {
        const char* step;
        std::function<void()> change;
        int copiesOfA1;
    } steps[] = {
        {"as scanned", [] {}, 2},
        {"A read again after a rename",
         [&] {
             fs::rename(Project("A.prj") + "Patch/001 Warm Pad.d00",
                        Project("A.prj") + "Patch/001 Hot.d00");
             ASSERT_EQ(Scan().read, 1);
         },
         2},
        {"A read again in full", [&] { ASSERT_EQ(Scan(true).read, 2); }, 2},
        {"both forgotten with their root, A read alone",
         [&] {
             ASSERT_TRUE(catalogue.Remove(Root()));
             std::string why;
             ASSERT_EQ(catalogue.ScanProject(Project("A.prj"), false, why),
                       Corv::Library::ScanOutcome::Read)
                 << why;
         },
         1},
    };
    for (const auto& step : steps) {
        step.change();
        EXPECT_EQ(copiesOfPatch("A.prj", 1), step.copiesOfA1) << step.step;
    }
    SearchQuery copied = CorvTest::Query("", std::nullopt, "", "", false, 0);
    copied.duplicated = true;
    EXPECT_EQ(Hits(copied), Found{}); // nothing has a copy left
}

// A wave's fingerprint, taken as the load reads the file, is the hash of the file's bytes.
TEST_F(Search, WaveFingerprintsAreTheHashOfTheirFiles) {
    const struct {
        const char* project;
        int number;
        const char* file;
    } waves[] = {{"A.prj", 1, "Wave/001 Saw.w00"},
                 {"A.prj", 3, "Wave/003 Noise.w00"},
                 {"B.prj", 31, "Wave/031 b.w00"}};
    for (const auto& wave : waves) {
        const auto expected = Corv::FileFingerprint(Project(wave.project) + wave.file);
        ASSERT_TRUE(expected.has_value()) << wave.file;
        EXPECT_EQ(catalogue.FingerprintOf(Project(wave.project), Corv::kWaveKind, wave.number),
                  expected->Hex())
            << wave.file;
    }
}

TEST_F(Search, TagsAndFavouritesFollowTheSoundIntoEveryCopy) {
    const auto print = catalogue.FingerprintOf(Project("A.prj"), Corv::kPatchKind, 1);
    ASSERT_TRUE(print.has_value());
    EXPECT_EQ(catalogue.FingerprintOf(Project("B.prj"), Corv::kPatchKind, 9), print);
    ASSERT_TRUE(catalogue.SetTag(*print, "pads", true));
    ASSERT_TRUE(catalogue.SetFavourite(*print, true));
    EXPECT_EQ(Hits(CorvTest::Query("", std::nullopt, "pads", "", false, 0)),
              (Found{"A.prj/ 0 1", "B.prj/ 0 9"}));
    EXPECT_EQ(Hits(CorvTest::Query("", std::nullopt, "", "", true, 0)),
              (Found{"A.prj/ 0 1", "B.prj/ 0 9"}));

    // Moved to another slot and renamed: the tag stays with it.
    fs::rename(Project("A.prj") + "Patch/001 Warm Pad.d00", Project("A.prj") + "Patch/100 Hot.d00");
    Scan();
    EXPECT_EQ(Hits(CorvTest::Query("", std::nullopt, "pads", "", false, 0)),
              (Found{"A.prj/ 0 100", "B.prj/ 0 9"}));
    const auto entry =
        catalogue.Search(CorvTest::Query("hot", std::nullopt, "", "", false, 0)).entries.at(0);
    EXPECT_EQ(entry.tags, std::vector<std::string>{"pads"});
    EXPECT_TRUE(entry.favourite);
    EXPECT_EQ(entry.copies, 2);

    ASSERT_TRUE(catalogue.SetTag(*print, "pads", false));
    EXPECT_EQ(Hits(CorvTest::Query("", std::nullopt, "pads", "", false, 0)), Found{});
}

TEST_F(Search, DuplicatesGroupEqualContentWithTheWaveBytesOfTheCopies) {
    const auto groups = catalogue.Duplicates(std::nullopt);
    // Patch 1 / 9, tones 1 / 20 and 2 / 21, waves 1 / 30, 2 / 31, 3 / 32.
    ASSERT_EQ(groups.size(), 6u);
    EXPECT_EQ(groups[0].kind, Corv::kPatchKind);
    EXPECT_EQ(groups[0].bytes, 600);
    ASSERT_EQ(groups[0].entries.size(), 2u);
    EXPECT_EQ(groups[0].entries[1].number, 9);
    const auto waves = catalogue.Duplicates(Corv::kWaveKind);
    ASSERT_EQ(waves.size(), 3u);
    std::int64_t bytes = 0;
    for (const auto& group : waves)
        bytes += group.bytes;
    EXPECT_EQ(bytes, 600);
}

TEST_F(Search, TagsExportAndImportRoundTrip) {
    const auto print = catalogue.FingerprintOf(Project("A.prj"), Corv::kToneKind, 5);
    ASSERT_TRUE(print.has_value());
    catalogue.SetTag(*print, "keys", true);
    catalogue.SetFavourite(*print, true);
    const std::string exported = catalogue.ExportJson();
    // The export beside the catalogue is kept up to date.
    std::ifstream beside(catalogue.ExportFile());
    const std::string kept((std::istreambuf_iterator<char>(beside)), {});
    EXPECT_EQ(kept, exported);

    Corv::Library::CCatalogue other;
    std::string error;
    ASSERT_TRUE(other.Open(dir / "other.sqlite3", error)) << error;
    ASSERT_TRUE(other.ImportJson(exported, error)) << error;
    EXPECT_EQ(other.ExportJson(), exported);
    EXPECT_FALSE(other.ImportJson("[1, 2", error));
}

TEST_F(Search, BrokenCatalogueIsSetAsideAndRebuiltWithRootsAndTags) {
    const auto print = catalogue.FingerprintOf(Project("A.prj"), Corv::kPatchKind, 1);
    catalogue.SetTag(*print, "pads", true);
    catalogue.Database().Close();
    fs::remove(CataloguePath() + "-wal"), fs::remove(CataloguePath() + "-shm");
    CorvTest::WriteBytes(CataloguePath(), CorvTest::Bytes(4096, 0x5A));

    Corv::Library::CCatalogue reopened;
    std::string message;
    ASSERT_TRUE(reopened.Open(CataloguePath(), message)) << message;
    ASSERT_TRUE(reopened.Rebuilt());
    EXPECT_EQ(CorvTest::ReadBytes(reopened.SetAside()), CorvTest::Bytes(4096, 0x5A));
    EXPECT_NE(message.find("set aside"), std::string::npos);
    EXPECT_EQ(reopened.Roots(), std::vector<std::string>{Root() + "/"});
    reopened.Scan(false, progress);
    EXPECT_EQ(reopened.Search(CorvTest::Query("", std::nullopt, "pads", "", false, 0)).total, 2);
}

} // namespace
