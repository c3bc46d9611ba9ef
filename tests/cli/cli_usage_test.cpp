// Usage errors end with exit status 2, a text on stderr and no change to any project; the
// script tokenizer and the row lists.

#include "cli/arguments.h"
#include "cli/script.h"
#include "cli_fixture.h"

namespace CorvCliTest {
namespace {

using CorvTest::ProjectBuilder;

class CliUsageTest : public CliTest {};

TEST_F(CliUsageTest, BadCommandLinesExitWith2AndChangeNothing) {
    ProjectBuilder p(ProjectPath("P"));
    p.Patch(1, "Keep", 0).Patch(2, "Also", 0);
    const std::string f = p.Folder();
    const auto before = CorvTest::FolderSnapshot(f);
    const std::vector<std::vector<std::string>> cases = {
        {},
        {"bogus"},
        {"list", f},
        {"list", f, "gizmo"},
        {"copy", f, "patch", "0", f, "3"},
        {"copy", f, "patch", "1-x", f, "3"},
        {"copy", f, "patch", "2-1", f, "3"},
        {"copy", f, "patch", "1,1", f, "3"},
        {"copy", f, "patch", "1", f, "513"},
        {"move", f, "wave", "1", f, "1000"},
        {"delete", f, "tone", "897", "--yes"},
        {"rename", f, "patch", "1"},
        {"memo", f, "patch", "1", "5", "text"},
        {"clean", f, "--keep-everything"},
        {"demo", (m_temp / "NoExtension")},
        {"demo", (m_temp / "D.prj"), "--seed", "many"},
        {"script", (m_temp / "no-such-script")},
    };
    for (const std::vector<std::string>& arguments : cases) {
        const RunResult result = RunCorvane(arguments);
        std::string shown;
        for (const std::string& argument : arguments)
            shown += argument + " ";
        EXPECT_EQ(result.status, 2) << shown;
        EXPECT_FALSE(result.err.empty()) << shown;
        EXPECT_EQ(result.out, "") << shown;
    }
    EXPECT_EQ(CorvTest::FolderSnapshot(f), before);
}

TEST_F(CliUsageTest, ScriptStopsAtItsFirstUsageError) {
    ProjectBuilder p(ProjectPath("P"));
    p.Patch(1, "Keep", 0);
    const std::vector<std::string> badLines = {"bogus",
                                               "dump Nobody",
                                               "echo \"open",
                                               "answer maybe",
                                               "drop P patch 1 P 2 sideways",
                                               "memo P patch 1 0 x",
                                               "list P",
                                               "open P"};
    for (const std::string& bad : badLines) {
        const RunResult result = RunScript(
            {"open P " + Quoted(p.Folder()), "echo before", bad, "echo after", "delete P patch 1"});
        EXPECT_EQ(result.status, 2) << bad;
        EXPECT_EQ(result.out, "before\n") << bad;
        EXPECT_NE(result.err.find(":3: "), std::string::npos) << bad << ": " << result.err;
    }
    EXPECT_TRUE(CorvTest::FileExists(p.Folder() + "Patch/001 Keep.d00"));
}

TEST_F(CliUsageTest, HelpIsOfferedForEveryCommand) {
    for (const char* command : {"info", "list", "dump", "check", "copy", "move", "delete", "rename",
                                "memo", "clean", "import", "save-as", "demo", "script"}) {
        const RunResult result = RunCorvane({command, "--help"});
        EXPECT_EQ(result.status, 0) << command;
        EXPECT_NE(result.out.find("Usage"), std::string::npos) << command;
    }
}

TEST(CliTokenize, SplitsAtBlanksAndKeepsQuotedText) {
    const struct {
        std::string line;
        std::vector<std::string> arguments;
    } cases[] = {
        {"  open  A\t/x/Song.prj ", {"open", "A", "/x/Song.prj"}},
        {"rename A patch 1 \"Warm Pad\"", {"rename", "A", "patch", "1", "Warm Pad"}},
        {"memo A tone 2 1 \"say \\\"hi\\\" \\\\ now\"",
         {"memo", "A", "tone", "2", "1", "say \"hi\" \\ now"}},
        {"echo \"\" x", {"echo", "", "x"}},
        {"echo a\"b c\"d", {"echo", "ab cd"}},
        {"echo \"C:\\dir\"", {"echo", "C:\\dir"}},
        {"", {}},
    };
    for (const auto& c : cases) {
        std::vector<std::string> arguments;
        std::string error;
        EXPECT_TRUE(Corv::Cli::Tokenize(c.line, arguments, error)) << c.line;
        EXPECT_EQ(arguments, c.arguments) << c.line;
    }
    std::vector<std::string> arguments;
    std::string error;
    EXPECT_FALSE(Corv::Cli::Tokenize("echo \"open", arguments, error));
    EXPECT_FALSE(Corv::Cli::Tokenize("echo \"a\\\"", arguments, error));
}

TEST(CliRows, KeepTheGivenOrderAndRefuseWhatNoSelectionHolds) {
    std::vector<int> rows;
    std::string error;
    ASSERT_TRUE(Corv::Cli::ParseRows("12,3,5-7", Corv::kPatchKind, rows, error)) << error;
    EXPECT_EQ(rows, (std::vector<int>{11, 2, 4, 5, 6}));
    ASSERT_TRUE(Corv::Cli::ParseRows("999", Corv::kWaveKind, rows, error));
    EXPECT_EQ(rows, std::vector<int>{998});
    for (const char* bad : {"", "3,", ",3", "0", "513", "5-3", "3,3-4", "1--2", "+1", "1 ", "2-"})
        EXPECT_FALSE(Corv::Cli::ParseRows(bad, Corv::kPatchKind, rows, error)) << bad;
}

} // namespace
} // namespace CorvCliTest
