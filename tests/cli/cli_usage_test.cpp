// Usage errors end with exit status 2, a text on stderr and no change to any project; the
// script tokenizer and the row lists.

#include "cli/arguments.h"
#include "cli/script.h"
#include "cli_fixture.h"

namespace CorvCliTest {
namespace {

using CliUsageTest = CliTest;

TEST_F(CliUsageTest, BadCommandLinesExitWith2AndChangeNothing) {
    ProjectBuilder p(ProjectPath("P"));
    p.Patch(1, "Keep", 0).Patch(2, "Also", 0);
    const auto before = CorvTest::FolderSnapshot(p.Folder());
    // "P" stands for the project, "T/" for the temporary folder.
    for (const char* line :
         {"", "bogus", "list P", "list P gizmo", "copy P patch 1-x P 3", "copy P patch 1 P 513",
          "move P wave 1 P 1000", "delete P tone 897 --yes", "rename P patch 1",
          "memo P patch 1 5 text", "clean P --keep-everything", "demo T/NoExtension",
          "demo T/D.prj --seed many", "script T/no-such-script", "info --help-me"}) {
        Strings arguments;
        std::string error;
        ASSERT_TRUE(Corv::Cli::Tokenize(line, arguments, error));
        for (std::string& argument : arguments)
            argument = argument == "P" ? p.Folder() : Replaced(argument, "T/", m_temp / "");
        const RunResult result = RunCorvane(arguments);
        EXPECT_EQ(result.status, 2) << line;
        EXPECT_NE(result.err, "") << line;
        EXPECT_EQ(result.out, "") << line;
    }
    EXPECT_EQ(CorvTest::FolderSnapshot(p.Folder()), before);
    const RunResult help = RunCorvane({"save-as", "--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("Usage"), std::string::npos);
}

TEST_F(CliUsageTest, ScriptStopsAtItsFirstUsageError) {
    ProjectBuilder p(ProjectPath("P"));
    p.Patch(1, "Keep", 0);
    for (const char* bad :
         {"bogus", "dump Nobody", "echo \"open", "answer maybe", "drop P patch 1 P 2 sideways",
          "memo P patch 1 0 x", "list P", "open P"}) {
        const RunResult result = RunScript(
            {"open P " + Quoted(p.Folder()), "echo before", bad, "echo after", "delete P patch 1"});
        EXPECT_EQ(result.status, 2) << bad;
        EXPECT_EQ(result.out, "before\n") << bad;
        EXPECT_NE(result.err.find(":3: "), std::string::npos) << bad << ": " << result.err;
    }
    EXPECT_TRUE(CorvTest::FileExists(p.Folder() + "Patch/001 Keep.d00"));
}

TEST(CliTokenize, SplitsAtBlanksAndKeepsQuotedText) {
    const std::pair<std::string, Strings> cases[] = {
        {" open\tA  \"x y\" ", {"open", "A", "x y"}},
        {R"(memo "say \"hi\" \\ now" "" a"b c"d "C:\dir")",
         {"memo", R"(say "hi" \ now)", "", "ab cd", R"(C:\dir)"}}};
    Strings arguments;
    std::string error;
    for (const auto& [line, expected] : cases) {
        EXPECT_TRUE(Corv::Cli::Tokenize(line, arguments, error)) << line;
        EXPECT_EQ(arguments, expected) << line;
    }
    EXPECT_FALSE(Corv::Cli::Tokenize(R"(echo "a\")", arguments, error));
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
