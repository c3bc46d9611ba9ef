// Whole-project commands through the tool: save-as, import and the work folder, cell edits,
// clean, new projects, and the byte-exact JSON texts.

#include "cli_fixture.h"

#include <filesystem>

namespace CorvCliTest {
namespace {

class CliProjectTest : public CliTest {
protected:
    // Gaps, shared waves, mixed wave extensions, memos and system files.
    std::string MakeRichProject(const std::string& name) {
        ProjectBuilder p(ProjectPath(name));
        p.Patch(1, "Warm Pad", 2, 4).Patch(3, "Glass Bell", 4).Patch(7, "Bass", 9);
        p.Tone(2, "Pad Saw", {1, 3}).Tone(4, "Bell FM", {3, 0, 5}).Tone(6, "Unused", {5});
        p.Wave(1, "Saw", 2048, ".w00").Wave(3, "Bell", 4096, ".wav").Wave(5, "Air", 512, ".AIFF");
        p.Wave(8, "Lonely", 64, ".vpw").SystemFiles();
        p.Memos(Corv::kPatchKind, {"soft", "", "", "evening", "", "second memo"});
        p.Memos(Corv::kWaveKind, {"", "", "", "", "", "", "", "", "sampled"});
        return p.Folder();
    }

    // A file of `size` bytes outside any project.
    std::string LooseFile(const std::string& name, std::size_t size) {
        CorvTest::WriteBytes(m_temp / name, CorvTest::Bytes(size, 0x5A));
        return m_temp / name;
    }

    // Reopening `copy` gives the dump of `original`, folder paths aside.
    void ExpectSameDump(const std::string& copy, const std::string& original) {
        EXPECT_EQ(DumpOf(copy).dump(), Replaced(DumpOf(original).dump(), original, copy));
    }
};

TEST_F(CliProjectTest, SaveAsGivesTheSameDumpAndAsksBeforeReplacingAProject) {
    const std::string a = MakeRichProject("A");
    const std::string copy = ProjectPath("Copy");
    ExpectRun(RunCorvane({"save-as", a, copy}), 0, {});
    ExpectSameDump(copy, a);
    EXPECT_TRUE(CorvTest::FileExists(copy + "Corvane Palette.s00"));

    ProjectBuilder other(ProjectPath("Other"));
    other.Patch(2, "Old", 0);
    const std::string question = "ask 2 7: Project already exists. Do you want to replace it? -> ";
    ExpectRun(RunCorvane({"save-as", a, other.Folder()}), 1, {question + "no"});
    EXPECT_TRUE(CorvTest::FileExists(other.Folder() + "Patch/002 Old.d00"));
    ExpectRun(RunCorvane({"save-as", a, other.Folder(), "--yes"}), 0, {question + "yes"});
    EXPECT_FALSE(CorvTest::FileExists(other.Folder() + "Patch/002 Old.d00"));
    ExpectSameDump(other.Folder(), a);
}

TEST_F(CliProjectTest, ImportTakesTheAcceptedFilesAndLeavesNoWorkFilesBehind) {
    ProjectBuilder p(ProjectPath("P"));
    p.Wave(1, "First", 10);
    const std::string work = m_temp / "work";
    std::filesystem::create_directories(work);
    CorvTest::WriteBytes(work + "/notes.txt", {1, 2, 3});
    const std::string wav = LooseFile("Kick One.wav", 1234);
    const std::string text = LooseFile("readme.txt", 10);
    // The unaccepted file is dropped without a message.
    ExpectRun(RunCorvane({"import", p.Folder(), wav, text}, {{"CORVANE_WORK_FOLDER", work}}), 0,
              {});
    const Json waves = DumpOf(p.Folder())["waves"];
    EXPECT_EQ(waves[1]["name"], "Kick One");
    EXPECT_TRUE(waves[2]["empty"].get<bool>());
    EXPECT_EQ(CorvTest::ReadBytes(p.Folder() + "Wave/002 Kick One.wav"), CorvTest::ReadBytes(wav));
    EXPECT_EQ(CorvTest::ListFolder(work), Strings{"notes.txt"});

    // Without a named work folder the run's own goes at exit.
    const std::string tmp = m_temp / "tmp";
    std::filesystem::create_directories(tmp);
    const auto environment =
        std::map<std::string, std::string>{{"TMPDIR", tmp}, {"CORVANE_WORK_FOLDER", ""}};
    ExpectRun(RunCorvane({"import", p.Folder(), LooseFile("a.wav", 100)}, environment), 0, {});
    EXPECT_TRUE(std::filesystem::is_empty(tmp));

    // Nothing accepted: message 9, its three lines joined on one.
    const RunResult none = RunCorvane({"import", p.Folder(), text});
    EXPECT_EQ(none.status, 1);
    ASSERT_EQ(none.Lines().size(), 1u) << none.out;
    EXPECT_EQ(none.out.rfind("error 9: Files could not be imported.", 0), 0u);
    EXPECT_NE(none.out.find(" | - Format is WAV, AIFF, or VPW"), std::string::npos);
}

TEST_F(CliProjectTest, RenameMemoAndCleanAreSavedToTheFolder) {
    const std::string p = MakeRichProject("P");
    ExpectRun(RunCorvane({"rename", p, "patch", "3", "Glass/Bell:Twinkle"}), 0, {});
    ExpectRun(RunCorvane({"memo", p, "wave", "5", "2", "from a field recording"}), 0, {});
    EXPECT_EQ(DumpOf(p)["patches"][2]["file"], p + "Patch/003 GlassBellTwi.d00");

    // Patch 7 refers to an empty tone: its slot is reset. The unused tone and wave go; tones
    // and waves close up, patches keep their numbers.
    ExpectRun(RunCorvane({"clean", p, "--keep-patch-numbering"}), 0, {});
    EXPECT_EQ(CorvTest::ListFolder(p + "Patch"),
              (Strings{"001 Warm Pad.d00", "003 GlassBellTwi.d00", "007 Bass.d00"}));
    EXPECT_EQ(CorvTest::ListFolder(p + "Tone"), (Strings{"001 Pad Saw.p00", "002 Bell FM.p00"}));
    EXPECT_EQ(CorvTest::ListFolder(p + "Wave"),
              (Strings{"001 Saw.w00", "002 Bell.wav", "003 Air.AIFF"}));
    const Json cleaned = DumpOf(p);
    EXPECT_EQ(cleaned["patches"][0]["slots"][1]["tone"], 2);
    EXPECT_EQ(cleaned["patches"][6]["slots"][0]["bank"], 0);
    EXPECT_EQ(cleaned["waves"][2]["memos"][1], "from a field recording");
    ExpectRun(RunCorvane({"check", p}), 0, {"ok"});
}

TEST_F(CliProjectTest, NewProjectIsSavedOnlyIntoAFolder) {
    const std::string a = MakeRichProject("A");
    const std::string made = ProjectPath("Made");
    const RunResult result =
        RunScript({"new N", "open A " + Quoted(a), "drop A patch 1 N 2", "save N",
                   "saveas N " + Quoted(made), "status N", "close N", "status N"});
    ExpectRun(result, 2, // the handle is gone after close
              {"error 2: This project could not be saved.", "modified 0", "folder " + made,
               "wave-bytes 6.5 KB", "undo 0"});
    EXPECT_NE(result.err.find("unknown handle"), std::string::npos) << result.err;
    EXPECT_EQ(DumpOf(made)["patches"][1]["slots"][1]["tone"], 2);
    ExpectRun(RunCorvane({"check", made}), 0, {"ok"});
}

// Bytes outside 0x20-0x7E travel through names and memos and are written as "\u00XX", before
// and after a save and reload.
TEST_F(CliProjectTest, JsonEscapesEveryByteOutsidePrintableAscii) {
    ProjectBuilder p(ProjectPath("P"));
    p.Patch(1, "Plain", 0);
    std::string memo = "quote \" backslash \\ ";
    std::string json = "quote \\\" backslash \\\\ ";
    for (int byte = 1; byte < 256; ++byte)
        if (byte != '\n' && byte != '\r' && byte != '"' && byte != '\\') {
            memo += static_cast<char>(byte);
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\u%04X", byte);
            json += byte >= 0x20 && byte <= 0x7E ? std::string(1, static_cast<char>(byte)) : escape;
        }
    const std::string quotedMemo = Quoted(Replaced(Replaced(memo, "\\", "\\\\"), "\"", "\\\""));
    const RunResult result =
        RunScript({"open P " + Quoted(p.Folder()), "rename P patch 1 \"\xC4\xD6 \xA0\x7F\"",
                   "memo P patch 1 4 " + quotedMemo, "dump P", "save P"});
    ASSERT_EQ(result.status, 0) << result.out << result.err;
    for (const std::string& dump : {result.out, RunCorvane({"dump", p.Folder()}).out}) {
        EXPECT_NE(dump.find(R"("name": "\u00C4\u00D6 \u00A0\u007F")"), std::string::npos);
        EXPECT_NE(dump.find(R"("memos": ["", "", "", ")" + json + "\"]"), std::string::npos);
        EXPECT_TRUE(std::all_of(dump.begin(), dump.end(),
                                [](char c) { return c == '\n' || (c >= 0x20 && c <= 0x7E); }));
    }
}

} // namespace
} // namespace CorvCliTest
