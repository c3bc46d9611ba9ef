// Whole-project commands through the tool: save-as, import, cell edits, clean, the work
// folder, and the byte-exact JSON texts.

#include "cli/json_dump.h"
#include "cli_fixture.h"

#include <filesystem>

namespace CorvCliTest {
namespace {

using CorvTest::ProjectBuilder;

class CliProjectTest : public CliTest {
protected:
    // Gaps, shared waves, mixed wave extensions, memos and system files.
    std::string MakeRichProject(const std::string& name) {
        ProjectBuilder p(ProjectPath(name));
        p.Patch(1, "Warm Pad", 2, 4).Patch(3, "Glass Bell", 4).Patch(7, "Bass", 9);
        p.Tone(2, "Pad Saw", {1, 3}).Tone(4, "Bell FM", {3, 0, 5}).Tone(6, "Unused", {5});
        p.Wave(1, "Saw", 2048, ".w00").Wave(3, "Bell", 4096, ".wav").Wave(5, "Air", 512, ".AIFF");
        p.Wave(8, "Lonely", 64, ".vpw");
        p.SystemFiles();
        p.Memos(Corv::kPatchKind, {"soft", "", "", "evening", "", "second memo"});
        p.Memos(Corv::kWaveKind, {"", "", "", "", "", "", "", "", "sampled"});
        return p.Folder();
    }

    // Writes a file of `size` bytes outside any project.
    std::string LooseFile(const std::string& name, std::size_t size) {
        const std::string path = m_temp / name;
        CorvTest::WriteBytes(path, CorvTest::Bytes(size, 0x5A));
        return path;
    }
};

TEST_F(CliProjectTest, SaveAsThenReopeningGivesTheSameDump) {
    const std::string a = MakeRichProject("A");
    const std::string copy = ProjectPath("Copy");
    const RunResult saved = RunCorvane({"save-as", a, copy});
    ASSERT_EQ(saved.status, 0) << saved.out << saved.err;
    EXPECT_EQ(saved.out, "");
    EXPECT_EQ(DumpOf(copy), ReplacePrefix(DumpOf(a), a, copy));
    EXPECT_TRUE(CorvTest::FileExists(copy + "Corvane Palette.s00"));
}

TEST_F(CliProjectTest, SaveAsOverAnExistingProjectAsksQuestion7) {
    const std::string a = MakeRichProject("A");
    ProjectBuilder other(ProjectPath("Other"));
    other.Patch(2, "Old", 0);
    const RunResult declined = RunCorvane({"save-as", a, other.Folder()});
    EXPECT_EQ(declined.status, 1);
    EXPECT_EQ(declined.out, "ask 2 7: Project already exists. Do you want to replace it? -> no\n");
    EXPECT_TRUE(CorvTest::FileExists(other.Folder() + "Patch/002 Old.d00"));

    const RunResult replaced = RunCorvane({"save-as", a, other.Folder(), "--yes"});
    EXPECT_EQ(replaced.status, 0) << replaced.err;
    EXPECT_EQ(replaced.out, "ask 2 7: Project already exists. Do you want to replace it? -> yes\n");
    EXPECT_FALSE(CorvTest::FileExists(other.Folder() + "Patch/002 Old.d00"));
    EXPECT_EQ(DumpOf(other.Folder()), ReplacePrefix(DumpOf(a), a, other.Folder()));
}

TEST_F(CliProjectTest, ImportTakesTheAcceptedFileAndTheWorkFolderIsEmptiedAtExit) {
    ProjectBuilder p(ProjectPath("P"));
    p.Wave(1, "First", 10);
    const std::string work = m_temp / "work";
    std::filesystem::create_directories(work);
    CorvTest::WriteBytes(work + "/notes.txt", {1, 2, 3});
    const std::string wav = LooseFile("Kick One.wav", 1234);
    const std::string text = LooseFile("readme.txt", 10);

    const RunResult result = RunCorvane({"import", p.Folder(), wav, text},
                                        WithEnvironment({{"CORVANE_WORK_FOLDER", work}}));
    ASSERT_EQ(result.status, 0) << result.out << result.err;
    EXPECT_EQ(result.out, ""); // the unaccepted file is dropped without a message
    const nlohmann::json dump = DumpOf(p.Folder());
    EXPECT_EQ(dump["waves"][1]["name"], "Kick One");
    EXPECT_EQ(dump["waves"][1]["bytes"], 1234);
    EXPECT_TRUE(dump["waves"][2]["empty"].get<bool>());
    EXPECT_EQ(CorvTest::ReadBytes(p.Folder() + "Wave/002 Kick One.wav"), CorvTest::ReadBytes(wav));
    EXPECT_EQ(CorvTest::ListFolder(work), std::vector<std::string>{"notes.txt"});
}

TEST_F(CliProjectTest, ImportWithoutAnAcceptedFilePrintsMessage9OnOneLine) {
    ProjectBuilder p(ProjectPath("P"));
    const RunResult result = RunCorvane({"import", p.Folder(), LooseFile("readme.txt", 10)});
    EXPECT_EQ(result.status, 1);
    const std::vector<std::string> lines = result.Lines();
    ASSERT_EQ(lines.size(), 1u) << result.out;
    EXPECT_EQ(lines[0].rfind("error 9: Files could not be imported.", 0), 0u);
    EXPECT_NE(lines[0].find("conditions. | - File name of"), std::string::npos);
    EXPECT_NE(lines[0].find(" | - Format is WAV, AIFF, or VPW"), std::string::npos);
}

TEST_F(CliProjectTest, RenameAndMemoAreSavedToTheFolder) {
    const std::string p = MakeRichProject("P");
    const RunResult rename = RunCorvane({"rename", p, "patch", "3", "Glass/Bell:Twinkle"});
    ASSERT_EQ(rename.status, 0) << rename.out << rename.err;
    const RunResult memo = RunCorvane({"memo", p, "wave", "5", "2", "from a field recording"});
    ASSERT_EQ(memo.status, 0) << memo.out << memo.err;
    EXPECT_TRUE(CorvTest::FileExists(p + "Patch/003 GlassBellTwi.d00"));
    const nlohmann::json dump = DumpOf(p);
    EXPECT_EQ(dump["patches"][2]["name"], "GlassBellTwi");
    EXPECT_EQ(dump["waves"][4]["memos"][1], "from a field recording");
}

TEST_F(CliProjectTest, CleanWithOptionsIsSaved) {
    const std::string p = MakeRichProject("P");
    const RunResult result = RunCorvane({"clean", p, "--keep-patch-numbering"});
    ASSERT_EQ(result.status, 0) << result.out << result.err;
    // Patch 7 referred to an empty tone: its slot is reset. The unused tone and the unused
    // wave are gone; tones and waves close up, patches keep their numbers.
    EXPECT_EQ(CorvTest::ListFolder(p + "Patch"),
              (std::vector<std::string>{"001 Warm Pad.d00", "003 Glass Bell.d00", "007 Bass.d00"}));
    EXPECT_EQ(CorvTest::ListFolder(p + "Tone"),
              (std::vector<std::string>{"001 Pad Saw.p00", "002 Bell FM.p00"}));
    EXPECT_EQ(CorvTest::ListFolder(p + "Wave"),
              (std::vector<std::string>{"001 Saw.w00", "002 Bell.wav", "003 Air.AIFF"}));
    const nlohmann::json dump = DumpOf(p);
    EXPECT_EQ(dump["patches"][0]["slots"][1]["tone"], 2);
    EXPECT_EQ(dump["patches"][6]["slots"][0]["bank"], 0);
    EXPECT_EQ(RunCorvane({"check", p}).status, 0);
}

TEST_F(CliProjectTest, NewProjectIsSavedOnlyIntoAFolder) {
    const std::string a = MakeRichProject("A");
    const std::string made = ProjectPath("Made");
    const RunResult result =
        RunScript({"new N", "open A " + Quoted(a), "drop A patch 1 N 2", "save N",
                   "saveas N " + Quoted(made), "status N", "close N", "status N"});
    EXPECT_EQ(result.status, 2); // the handle is gone after close
    EXPECT_NE(result.err.find("unknown handle"), std::string::npos) << result.err;
    EXPECT_EQ(result.Lines(),
              (std::vector<std::string>{"error 2: This project could not be saved.", "modified 0",
                                        "folder " + made, "wave-bytes 6.5 KB", "undo 0"}));
    const nlohmann::json dump = DumpOf(made);
    EXPECT_EQ(dump["patches"][1]["name"], "Warm Pad");
    EXPECT_EQ(dump["patches"][1]["slots"][1]["tone"], 2);
    EXPECT_EQ(RunCorvane({"check", made}).status, 0);
}

TEST_F(CliProjectTest, TemporaryWorkFolderIsRemovedAtExit) {
    const std::string tmp = m_temp / "tmp";
    std::filesystem::create_directories(tmp);
    ProjectBuilder p(ProjectPath("P"));
    const RunResult result =
        RunCorvane({"import", p.Folder(), LooseFile("a.wav", 100)},
                   WithEnvironment({{"TMPDIR", tmp}, {"CORVANE_WORK_FOLDER", ""}}));
    ASSERT_EQ(result.status, 0) << result.out << result.err;
    EXPECT_TRUE(std::filesystem::is_empty(tmp));
}

// Bytes outside 0x20-0x7E travel through names and memos and come back exactly from the dump,
// before and after a save and reload.
TEST_F(CliProjectTest, JsonEscapesRoundTripEveryByte) {
    ProjectBuilder p(ProjectPath("P"));
    p.Patch(1, "Plain", 0);
    const std::string name = "\xC4\xD6\xDC \xA0\xDF\x7F";
    std::string memo = "quote \" backslash \\ tab \t";
    for (int byte = 1; byte < 256; ++byte)
        if (byte != '\n' && byte != '\r' && byte != '"' && byte != '\\')
            memo += static_cast<char>(byte);
    const auto escaped = [](const std::string& text) {
        std::string out;
        for (const char c : text)
            out += c == '"' || c == '\\' ? std::string("\\") + c : std::string(1, c);
        return "\"" + out + "\"";
    };
    const RunResult result =
        RunScript({"open P " + Quoted(p.Folder()), "rename P patch 1 " + escaped(name),
                   "memo P patch 1 4 " + escaped(memo), "dump P", "save P"});
    ASSERT_EQ(result.status, 0) << result.out << result.err;
    for (const char c : result.out)
        ASSERT_TRUE(c == '\n' || (c >= 0x20 && c <= 0x7E))
            << "unescaped byte " << int(static_cast<unsigned char>(c));
    EXPECT_NE(result.out.find("\\u00C4\\u00D6\\u00DC \\u00A0\\u00DF\\u007F"), std::string::npos);
    for (const nlohmann::json& dump : {Dumps(result).at(0), DumpOf(p.Folder())}) {
        EXPECT_EQ(Bytes(dump["patches"][0]["name"]), name);
        EXPECT_EQ(Bytes(dump["patches"][0]["memos"][3]), memo);
    }
}

TEST(CliJsonString, EscapesExactlyTheBytesOutsidePrintableAscii) {
    const struct {
        std::string bytes;
        std::string json;
    } cases[] = {
        {"", "\"\""},
        {"Warm Pad ~!", "\"Warm Pad ~!\""},
        {"a\"b\\c/", "\"a\\\"b\\\\c/\""},
        {std::string("\0\x1F", 2), "\"\\u0000\\u001F\""},
        {"\n\t\x7F", "\"\\u000A\\u0009\\u007F\""},
        {"\x80\xE9\xFF", "\"\\u0080\\u00E9\\u00FF\""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Corv::Cli::JsonString(c.bytes), c.json);
        EXPECT_EQ(Bytes(nlohmann::json::parse(c.json)), c.bytes);
    }
}

} // namespace
} // namespace CorvCliTest
