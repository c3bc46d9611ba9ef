// Commands that change projects: drag and drop, delete, save-as, import, cell edits, clean, new
// projects and the byte-exact JSON texts; saves killed by the system at any call; the work
// folders of runs.

#include "cli_fixture.h"

#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <set>
#include <sys/file.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace CorvCliTest {
namespace {

namespace fs = std::filesystem;

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
        return p.Folder();
    }

    std::string LooseFile(const std::string& name, std::size_t size) {
        CorvTest::WriteBytes(m_temp / name,
                             CorvTest::AudioFileBytes(Corv::Extension(name), size, 0x5A));
        return m_temp / name;
    }

    // A: patch 1 "Lead" plays tones 2 and 3, patch 2 "Pad" plays tone 3 and a preset tone;
    // tone 2 uses waves 1 and 2, tone 3 wave 2; tone 5 is unused.
    std::string MakeSource() {
        ProjectBuilder a(ProjectPath("A"));
        Corv::CPatch pad = CorvTest::MakePatch("Pad", 3);
        pad.Slot(1).SetP(0, 1);
        pad.Slot(1).SetP(1, 65); // a preset bank
        pad.Slot(1).SetP(3, 9);
        a.Patch(1, "Lead", 2, 3).Patch(2, pad);
        a.Tone(2, "Saw", {1, 2}).Tone(3, "Sub", {2}).Tone(5, "Spare", {});
        a.Wave(1, "Saw Wave", 300, ".w00").Wave(2, "Sub Wave", 500, ".wav");
        a.Memos(Corv::kPatchKind, {"lead memo", "", "", ""});
        return a.Folder();
    }

    // B: patch 1, tones 1 and 2 and wave 1 are taken.
    std::string MakeTarget() {
        ProjectBuilder b(ProjectPath("B"));
        b.Patch(1, "Existing", 1).Tone(1, "Old", {1}).Tone(2, "Old Two", {});
        b.Wave(1, "Old Wave", 100);
        return b.Folder();
    }
};

TEST_F(CliProjectTest, SaveAsGivesTheSameDumpAndAsksBeforeReplacingAProject) {
    const std::string a = MakeRichProject("A");
    const std::string copy = ProjectPath("Copy");
    ExpectRun(RunCorvane({"save-as", a, copy}), 0, {});
    EXPECT_EQ(DumpOf(copy).dump(), Replaced(DumpOf(a).dump(), a, copy));
    EXPECT_TRUE(CorvTest::FileExists(copy + "Corvane Palette.s00"));

    ProjectBuilder other(ProjectPath("Other"));
    other.Patch(2, "Old", 0);
    const std::string question = "ask 2 7: Project already exists. Do you want to replace it? -> ";
    ExpectRun(RunCorvane({"save-as", a, other.Folder()}), 1, {question + "no"});
    EXPECT_TRUE(CorvTest::FileExists(other.Folder() + "Patch/002 Old.d00"));
    // The replaced project's files are not deleted: they are moved out, and the run says where.
    const RunResult replaced = RunCorvane({"save-as", a, other.Folder(), "--yes"});
    ExpectRun(replaced, 0, {question + "yes"});
    EXPECT_NE(replaced.err.find("\nnote: " + other.Folder() + "Patch/002 Old.d00 -> "),
              std::string::npos)
        << replaced.err;
    EXPECT_EQ(CorvTest::ListFolder(other.Folder() + "Patch"), CorvTest::ListFolder(a + "Patch"));
}

TEST_F(CliProjectTest, ImportTakesTheAcceptedFilesAndLeavesNoWorkFilesBehind) {
    ProjectBuilder p(ProjectPath("P"));
    p.Wave(1, "First", 10);
    const std::string work = m_temp / "work";
    const std::string history = m_temp / "history";
    std::filesystem::create_directories(work);
    CorvTest::WriteBytes(work + "/notes.txt", {1, 2, 3});
    const std::string wav = LooseFile("Kick One.wav", 1234);
    const std::string text = LooseFile("readme.txt", 10);
    ExpectRun(RunCorvane({"import", p.Folder(), wav, text}, {{"CORVANE_WORK_FOLDER", work}}), 0,
              {});
    EXPECT_TRUE(DumpOf(p.Folder())["waves"][2]["empty"].get<bool>()); // the text file not taken
    EXPECT_EQ(CorvTest::ReadBytes(p.Folder() + "Wave/002 Kick One.wav"), CorvTest::ReadBytes(wav));
    EXPECT_EQ(CorvTest::ListFolder(work), Strings{"notes.txt"});

    // Nothing accepted: message 9, its three lines joined on one.
    const RunResult none = RunCorvane({"import", p.Folder(), text});
    ASSERT_EQ(none.Lines().size(), 1u) << none.out;
    EXPECT_EQ(none.out.rfind("error 9: Files could not be imported. ", 0), 0u);
    EXPECT_NE(none.out.find(" | - Format is WAV, AIFF, or VPW"), std::string::npos);
}

// Renames and memos are saved; the dry run of a clean prints the summary and every entry that
// moves or goes, leaves the folder as it was, and the clean that follows does what it said.
TEST_F(CliProjectTest, RenameMemoAndCleanAreSavedAndTheDryRunChangesNothing) {
    const std::string p = MakeRichProject("P");
    ExpectRun(RunCorvane({"memo", p, "wave", "5", "2", "from a field recording"}), 0, {});
    const auto before = CorvTest::FolderSnapshot(p);
    ExpectRun(RunCorvane({"clean", p, "--dry-run"}), 0,
              {"removes 1 tone and 1 wave (64 Bytes); renumbers 2 patches, 2 tones and 2 waves; "
               "clears 1 reference to empty slots",
               "patch 3 -> 2  Glass Bell", "patch 7 -> 3  Bass", "tone 2 -> 1  Pad Saw",
               "tone 4 -> 2  Bell FM", "tone 6 removed  Unused", "wave 3 -> 2  Bell",
               "wave 5 -> 3  Air", "wave 8 removed  Lonely"});
    ExpectRun(RunCorvane({"clean", p, "--dry-run", "--keep-tone-numbering",
                          "--keep-patch-numbering", "--keep-unused-waves"}),
              0,
              {"removes 1 tone; renumbers 3 waves; clears 1 reference to empty slots",
               "tone 6 removed  Unused", "wave 3 -> 2  Bell", "wave 5 -> 3  Air",
               "wave 8 -> 4  Lonely"});
    EXPECT_EQ(CorvTest::FolderSnapshot(p), before);

    ExpectRun(RunCorvane({"rename", p, "patch", "3", "Glass/Bell:Twinkle"}), 0, {});
    ExpectRun(RunCorvane({"clean", p}), 0, {});
    EXPECT_EQ(CorvTest::ListFolder(p + "Patch"),
              (Strings{"001 Warm Pad.d00", "002 GlassBellTwi.d00", "003 Bass.d00"}));
    EXPECT_EQ(CorvTest::ListFolder(p + "Tone"), (Strings{"001 Pad Saw.p00", "002 Bell FM.p00"}));
    EXPECT_EQ(DumpOf(p)["waves"][2]["memos"][1], "from a field recording");
    ExpectRun(RunCorvane({"clean", p, "--dry-run"}), 0, {"nothing to clean"});
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
    ExpectRun(RunCorvane({"check", made}), 0, {"ok"});
}

// The dump tells whether the project holds changes that are not saved yet.
TEST_F(CliProjectTest, DumpSaysWhetherChangesAreUnsaved) {
    const std::string p = MakeRichProject("P");
    std::vector<Json> dumps;
    const RunResult result = RunScript(
        {"open P " + Quoted(p), "dump P", "memo P tone 2 1 changed", "dump P", "save P", "dump P"},
        &dumps);
    ASSERT_EQ(result.status, 0) << result.out << result.err;
    ASSERT_EQ(dumps.size(), 3u) << result.out;
    EXPECT_EQ(Json({dumps[0]["modified"], dumps[1]["modified"], dumps[2]["modified"]}),
              Json({false, true, false}));
    EXPECT_EQ(dumps[1]["tones"][1]["memos"][0], "changed");
    EXPECT_EQ(DumpOf(p)["tones"][1]["memos"][0], "changed");
}

// A save in place saves first the project that holds entries moved out of this one, and says
// so: the moved entry's file is then in the target before the source lets go of it.
TEST_F(CliProjectTest, SavingTheSourceOfAMoveSavesTheTargetFirst) {
    const std::string a = MakeSource();
    const std::string b = MakeTarget();
    const RunResult result =
        RunScript({"open A " + Quoted(a), "open B " + Quoted(b), "drop A tone 5 B 7 move", "save A",
                   "echo saved", "status B"});
    ExpectRun(result, 0, {"saved", "modified 0", "folder " + b, "wave-bytes 100 Bytes", "undo 0"});
    EXPECT_EQ(result.err,
              "note: Saving " + b + " first: it holds entries moved out of " + a + "\n");
    EXPECT_FALSE(CorvTest::FileExists(a + "Tone/005 Spare.p00"));
    EXPECT_TRUE(CorvTest::FileExists(b + "Tone/007 Spare.p00"));
    EXPECT_EQ(DumpOf(b)["tones"][6]["name"], "Spare");
    ExpectRun(RunCorvane({"check", a}), 0, {"ok"});
    ExpectRun(RunCorvane({"check", b}), 0, {"ok"});
}

// Bytes outside 0x20-0x7E in names and memos are written as "\u00XX", before and after a save.
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
    }
}

TEST_F(CliProjectTest, CopyCarriesTonesAndWavesAndSavesTheTarget) {
    const std::string a = MakeSource();
    const std::string b = MakeTarget();
    const auto sourceBefore = CorvTest::FolderSnapshot(a);
    ExpectRun(RunCorvane({"copy", a, "patch", "1-2", b, "5"}), 0, {});

    // A's tones 2 and 3 land in B's free slots 3 and 4, its waves 1 and 2 in 2 and 3; the
    // preset reference stays as it was and the unused tone stays behind.
    const Json dump = DumpOf(b); // read back from disk
    const Json& lead = dump["patches"][4];
    EXPECT_EQ(lead["memos"][0], "lead memo");
    EXPECT_EQ(lead["slots"], Json::parse(R"([{"switch":1,"bank":87,"tone":3},
                                             {"switch":1,"bank":87,"tone":4}])"));
    EXPECT_EQ(dump["patches"][5]["slots"], Json::parse(R"([{"switch":1,"bank":87,"tone":4},
                                                           {"switch":1,"bank":65,"tone":0}])"));
    const Json& saw = dump["tones"][2]["waves"];
    EXPECT_EQ(Json({saw[0], saw[1], dump["tones"][3]["waves"][0]}), Json({2, 3, 3}));
    EXPECT_EQ(dump["tones"][3]["file"], b + "Tone/004 Sub.p00");
    EXPECT_TRUE(dump["tones"][4]["empty"].get<bool>());
    EXPECT_EQ(dump["waves"][2]["file"], b + "Wave/003 Sub Wave.wav");
    EXPECT_EQ(CorvTest::ReadBytes(dump["waves"][1]["file"]),
              CorvTest::ReadBytes(a + "Wave/001 Saw Wave.w00"));
    EXPECT_EQ(CorvTest::FolderSnapshot(a), sourceBefore);
    ExpectRun(RunCorvane({"check", b}), 0, {"ok"});
}

// When the target of a move cannot be saved, the source's files are all that is left of the move.
TEST_F(CliProjectTest, MoveSavesBothProjectsOrNeither) {
    const std::string a = MakeSource();
    ProjectBuilder broken(ProjectPath("Broken"), false);
    broken.File("Wave", {0}); // a file where the wave folder belongs
    const auto sourceBefore = CorvTest::FolderSnapshot(a);
    const RunResult refused = RunCorvane({"move", a, "patch", "1", broken.Folder(), "1"});
    ExpectRun(refused, 1, {"error 2: This project could not be saved."});
    EXPECT_EQ(
        refused.err,
        "note: " + broken.Folder() +
            ": Wave/ is not a folder. The project can be looked at and copied with Save "
            "As, but it is not saved in place, and nothing is written there.\n"
            "note: Wave/ is not a folder; the project can only be saved elsewhere (Save As)\n");
    EXPECT_EQ(CorvTest::FolderSnapshot(a), sourceBefore);

    const std::string b = MakeTarget();
    ExpectRun(RunCorvane({"move", a, "tone", "2", b, "3"}), 0, {});
    EXPECT_TRUE(CorvTest::FileExists(b + "Tone/003 Saw.p00"));
    EXPECT_EQ(DumpOf(a)["patches"][0]["slots"][0]["bank"], 0); // the patch lost the moved tone
    ExpectRun(RunCorvane({"check", a}), 0, {"ok"});
}

TEST_F(CliProjectTest, InsertAsksQuestion11AndDropsWithinAListMoveByDefault) {
    ProjectBuilder a(ProjectPath("A"));
    a.Patch(1, "New", 1).Tone(1, "T", {});
    ProjectBuilder b(ProjectPath("B"));
    b.Patch(1, "First", 0).Patch(2, "Second", 0).Patch(512, "Last", 0);
    std::vector<Json> dumps;
    const RunResult result =
        RunScript({"open A " + Quoted(a.Folder()), "open B " + Quoted(b.Folder()), "answer cancel",
                   "drop A patch 1 B 1 insert", "dump B", "answer ok", "drop A patch 1 B 1 insert",
                   "save B", "drop A patch 1 A 3", "drop A patch 3 A 5 copy", "dump A"},
                  &dumps);
    const std::string question = "ask 1 11: Do you want to delete the last data, and then insert?";
    EXPECT_EQ(result.status, 1) << result.err; // one operation was refused
    ASSERT_EQ(dumps.size(), 2u) << result.out;
    EXPECT_EQ(result.Lines()[0], question + " -> cancel");
    EXPECT_EQ(result.Lines()[2], question + " -> ok");
    EXPECT_FALSE(dumps[0]["modified"].get<bool>());
    EXPECT_EQ(dumps[0]["patches"][511]["name"], "Last");
    EXPECT_EQ(CorvTest::ListFolder(b.Folder() + "Patch"),
              (Strings{"001 New.d00", "002 First.d00", "003 Second.d00"}));
    EXPECT_TRUE(dumps[1]["patches"][0]["empty"].get<bool>());
    EXPECT_EQ(dumps[1]["patches"][4]["name"], "New");
    EXPECT_EQ(dumps[1]["tones"][0]["users"], Json({2, 4}));
}

// The preview of a drop, as a one-shot dry run and as a script command: its line, its exit
// status, no question, no undo step and no change on disk.
TEST_F(CliProjectTest, DryRunAndPreviewPrintWhatADropWouldDoAndChangeNothing) {
    const std::string a = MakeSource();
    const std::string b = MakeTarget();
    const auto aBefore = CorvTest::FolderSnapshot(a);
    const auto bBefore = CorvTest::FolderSnapshot(b);
    const std::string carried = "carrying 2 tones, 2 waves, 800 Bytes";
    const std::pair<Strings, std::string> runs[] = {
        {{"move", a, "patch", "1", b, "1"},
         "ok: move 1 patch to B.prj row 1 (overwrite), " + carried +
             "; overwrites 1 used patch (asks first)"},
        {{"copy", a, "tone", "2", b, "1", "--insert"},
         "ok: copy 1 tone to B.prj row 1 (insert), carrying 2 waves, 800 Bytes - moves tones 1-2 "
         "down to 2-3"},
        {{"copy", a, "patch", "1-2", b, "512"},
         "refused: rows 512-513 run past the end of the list"},
    };
    for (const auto& [arguments, line] : runs) {
        Strings dryRun = arguments;
        dryRun.push_back("--dry-run");
        ExpectRun(RunCorvane(dryRun), line.starts_with("ok") ? 0 : 1, {"preview " + line});
    }
    const RunResult script =
        RunScript({"open A " + Quoted(a), "new N", "answer cancel", "preview A patch 1-2 A 1 move",
                   "preview A wave 2 N 3 insert", "status A"});
    ExpectRun(script, 0,
              {"preview refused: nothing to do: the block is dropped onto itself",
               "preview ok: copy 1 wave (500 Bytes) to N row 3 (insert)", "modified 0",
               "folder " + a, "wave-bytes 800 Bytes", "undo 0"});
    EXPECT_EQ(CorvTest::FolderSnapshot(a), aBefore);
    EXPECT_EQ(CorvTest::FolderSnapshot(b), bBefore);
}

// Without --yes a question is asked on a terminal (again after an unknown answer), else cancelled.
TEST_F(CliProjectTest, DeleteAsksOnATerminalAndCancelsWithoutOne) {
    ProjectBuilder p(ProjectPath("P"));
    p.Patch(1, "One", 0).Patch(2, "Two", 0).Patch(3, "Three", 0);
    const std::string f = p.Folder();
    const std::string question = "ask 1 9: OK to delete? -> ";
    ExpectRun(RunCorvane({"delete", f, "patch", "1"}), 1, {question + "cancel"});
    // The terminal may echo the typed answers between the pieces of a prompt.
    const auto prompts = [](const std::string& text) {
        return (text.size() - Replaced(text, "[ok/cancel]", "").size()) / 11;
    };
    const RunResult kept = RunCorvaneInTerminal({"delete", f, "patch", "2"}, "maybe\ncancel\n");
    EXPECT_EQ(std::tuple(kept.status, prompts(kept.out)), std::tuple(1, 2u)) << kept.out;
    EXPECT_NE(kept.out.find(question + "cancel"), std::string::npos) << kept.out;
    const RunResult deleted = RunCorvaneInTerminal({"delete", f, "patch", "1"}, "ok\n");
    EXPECT_EQ(std::tuple(deleted.status, prompts(deleted.out)), std::tuple(0, 1u)) << deleted.out;
    EXPECT_NE(deleted.out.find(question + "ok"), std::string::npos) << deleted.out;
    EXPECT_EQ(CorvTest::ListFolder(f + "Patch"), (Strings{"002 Two.d00", "003 Three.d00"}));
}

// A save killed by the operating system at a chosen system call (strace injects SIGKILL) must
// leave a project that the next run opens as exactly the old or exactly the new state, and a
// history that holds either no version or a complete one of the old state.
using Snapshot = std::vector<std::pair<std::string, CorvTest::Bytes>>;

// The project state as the next run sees it: `corvane check` opens it (completing or undoing an
// interrupted save), then every file of the folder.
Snapshot Reopened(const std::string& folder) {
    RunCorvane({"check", folder});
    return CorvTest::FolderSnapshot(folder);
}

class CliKillTest : public CliTest {};

TEST_F(CliKillTest, ASaveKilledAtAnySystemCallReopensOldOrNew) {
    ASSERT_EQ(RunShell("command -v strace").status, 0) << "strace is needed (scripts/install-deps)";
    const std::string original = ProjectPath("Original");
    ASSERT_EQ(RunCorvane({"demo", original, "--seed", "3"}).status, 0);
    const std::string folder = ProjectPath("Song");
    const std::string work = m_temp / "work";
    const std::string history = m_temp / "history";
    const std::string steps = "open P " + Quoted(folder) +
                              "\nrename P patch 1 NewName\nmemo P tone 2 1 hello\n"
                              "drop P patch 2-4 P 20 move\ndelete P wave 3\nsave P\n";
    const std::string command = "env CORVANE_WORK_FOLDER=" + ShellQuoted(work) +
                                " CORVANE_HISTORY=" + ShellQuoted(history) + " " +
                                CommandLine({"script"});
    const auto reset = [&] {
        fs::remove_all(history);
        fs::remove_all(folder);
        fs::copy(original, folder, fs::copy_options::recursive);
    };
    reset();
    const Snapshot before = CorvTest::FolderSnapshot(folder);
    RunShell(command, steps);
    const Snapshot after = Reopened(folder);
    ASSERT_NE(before, after);

    // The k-th call of each kind that changes the disk, and every 23rd open, until the save no
    // longer makes that many and ends by itself.
    int stops = 0, old = 0, completed = 0;
    for (const auto& [call, step] :
         {std::pair{"rename", 1}, {"unlink", 1}, {"fsync", 1}, {"write", 1}, {"openat", 23}})
        for (int k = 1;; k += step) {
            SCOPED_TRACE("killed at " + std::string(call) + " " + std::to_string(k));
            reset();
            const RunResult killed =
                RunShell("strace -f -o /dev/null -e inject=" + std::string(call) +
                             ":signal=KILL:when=" + std::to_string(k) + " " + command,
                         steps);
            if (killed.status == 0)
                break;
            ++stops;
            const Snapshot state = Reopened(folder);
            EXPECT_TRUE(state == before || state == after)
                << "neither state: " << CorvTest::SnapshotDifference(state, before) << " / "
                << CorvTest::SnapshotDifference(state, after);
            old += state == before;
            completed += state == after;
            const RunResult listed =
                RunCorvane({"history", "--history", history, folder, "--json"});
            const Json versions = Json::parse(listed.out.empty() ? "[]" : listed.out);
            EXPECT_LE(versions.size(), 1u) << listed.out;
            if (versions.size() == 1) {
                EXPECT_EQ(versions[0].value("damaged", ""), "") << listed.out;
                const std::string exported = m_temp / "Version.prj";
                fs::remove_all(exported);
                EXPECT_EQ(
                    RunCorvane({"history", "--history", history, "export", folder, "1", exported})
                        .status,
                    0);
                EXPECT_EQ(CorvTest::SnapshotDifference(CorvTest::FolderSnapshot(exported), before),
                          "");
            }
            if (::testing::Test::HasFailure())
                return;
        }
    ASSERT_GT(stops, 40);
    std::printf("killed saves: %d, reopened old %d, new %d\n", stops, old, completed);
    EXPECT_GT(old, 0);
    EXPECT_GT(completed, 0);
}

// The temporary work folders of runs: a killed run leaves its folder behind, and the next run
// that makes one removes it, never the folder of a run that still lives.
// A `corvane script` run that waits for its script on a pipe: it lives until the pipe is closed
// or it is killed.
class WaitingRun {
public:
    explicit WaitingRun(const std::string& tmp) {
        int ends[2];
        if (::pipe(ends) != 0 || (m_pid = ::fork()) < 0)
            throw std::runtime_error("cannot start a run");
        if (m_pid == 0) {
            ::dup2(ends[0], STDIN_FILENO);
            ::close(ends[1]);
            ::setenv("TMPDIR", tmp.c_str(), 1);
            ::unsetenv("CORVANE_WORK_FOLDER");
            ::execl(CORVANE_PATH, CORVANE_PATH, "script", static_cast<char*>(nullptr));
            ::_exit(127);
        }
        ::close(ends[0]);
        m_script = ends[1];
    }
    ~WaitingRun() { End(true); }
    WaitingRun(const WaitingRun&) = delete;
    WaitingRun& operator=(const WaitingRun&) = delete;

    // Ends the script, or kills the run as a crash would; the exit status.
    int End(bool kill = false) {
        if (m_pid <= 0)
            return -1;
        if (kill)
            ::kill(m_pid, SIGKILL);
        ::close(m_script);
        int status = 0;
        ::waitpid(m_pid, &status, 0);
        m_pid = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

private:
    pid_t m_pid = -1;
    int m_script = -1;
};

// The entries of `tmp`, and among them those whose lock file another process holds.
struct Folders {
    std::set<std::string> all, locked;
};
Folders Look(const std::string& tmp) {
    Folders folders;
    for (const fs::directory_entry& entry : fs::directory_iterator(tmp)) {
        folders.all.insert(entry.path().string());
        const int fd = ::open((entry.path() / ".lock").c_str(), O_RDONLY);
        if (fd < 0)
            continue;
        if (::flock(fd, LOCK_EX | LOCK_NB) != 0)
            folders.locked.insert(entry.path().string());
        ::close(fd);
    }
    return folders;
}
// Waits up to ten seconds for `count` held folders.
std::set<std::string> AwaitLocked(const std::string& tmp, std::size_t count) {
    for (int attempt = 0; attempt < 1000 && Look(tmp).locked.size() != count; ++attempt)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    return Look(tmp).locked;
}

TEST_F(CliTest, AKilledRunsWorkFolderIsRemovedByTheNextRunAndALiveRunsStays) {
    ProjectBuilder p(ProjectPath("P"));
    p.Patch(1, "A", 0);
    const std::string tmp = m_temp / "tmp";
    fs::create_directories(tmp);
    WaitingRun live(tmp);
    const std::set<std::string> held = AwaitLocked(tmp, 1);
    ASSERT_EQ(held.size(), 1u);
    // What a killed run leaves: its folder with a lock file that nobody holds any more (the
    // lock goes with the process). A folder without a lock file may be a run that is starting.
    const std::string killed = tmp + "/corvane-Killed", starting = tmp + "/corvane-NoLock";
    fs::create_directories(starting);
    fs::create_directories(killed);
    CorvTest::WriteBytes(killed + "/.lock", {});

    ExpectRun(
        RunCorvane({"list", p.Folder(), "patch"}, {{"TMPDIR", tmp}, {"CORVANE_WORK_FOLDER", ""}}),
        0, {"   1  A             _/_"});
    EXPECT_EQ(Look(tmp).all, (std::set<std::string>{starting, *held.begin()}));
    EXPECT_EQ(live.End(), 0);
    EXPECT_EQ(Look(tmp).all, std::set<std::string>{starting});
}

} // namespace
} // namespace CorvCliTest
