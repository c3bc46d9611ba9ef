// Drag and drop, delete and undo through the tool: copies between projects carry tones and
// waves, questions are answered by the policy, and one Undo restores both projects of a move.

#include "cli_fixture.h"

namespace CorvCliTest {
namespace {

class CliTransferTest : public CliTest {
protected:
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

TEST_F(CliTransferTest, CopyCarriesTonesAndWavesAndSavesTheTarget) {
    const std::string a = MakeSource();
    const std::string b = MakeTarget();
    const auto sourceBefore = CorvTest::FolderSnapshot(a);
    ExpectRun(RunCorvane({"copy", a, "patch", "1-2", b, "5"}), 0, {});

    // A's tones 2 and 3 land in B's free slots 3 and 4, its waves 1 and 2 in 2 and 3; the
    // preset reference stays as it was and the unused tone stays behind.
    const Json dump = DumpOf(b); // read back from disk
    EXPECT_FALSE(dump["modified"].get<bool>());
    const Json& lead = dump["patches"][4];
    EXPECT_EQ(lead["memos"][0], "lead memo");
    EXPECT_EQ(lead["slots"], Json::parse(R"([{"switch":1,"bank":87,"tone":3},
                                             {"switch":1,"bank":87,"tone":4}])"));
    EXPECT_EQ(dump["patches"][5]["slots"], Json::parse(R"([{"switch":1,"bank":87,"tone":4},
                                                           {"switch":1,"bank":65,"tone":0}])"));
    const Json& saw = dump["tones"][2]["waves"];
    EXPECT_EQ(Json({saw[0], saw[1], dump["tones"][3]["waves"][0]}), Json({2, 3, 3}));
    EXPECT_EQ(dump["tones"][3]["users"], Json({4, 5}));
    EXPECT_EQ(dump["tones"][3]["file"], b + "Tone/004 Sub.p00");
    EXPECT_TRUE(dump["tones"][4]["empty"].get<bool>());
    EXPECT_EQ(dump["waves"][2]["users"], Json({2, 3}));
    EXPECT_EQ(dump["waves"][2]["file"], b + "Wave/003 Sub Wave.wav");
    // Carried files keep their bytes; the patch file keeps every byte before the record.
    EXPECT_EQ(CorvTest::ReadBytes(dump["waves"][1]["file"]),
              CorvTest::ReadBytes(a + "Wave/001 Saw Wave.w00"));
    const CorvTest::Bytes oldBytes = CorvTest::ReadBytes(a + "Patch/001 Lead.d00");
    const CorvTest::Bytes newBytes = CorvTest::ReadBytes(lead["file"]);
    ASSERT_EQ(oldBytes.size(), newBytes.size());
    EXPECT_TRUE(std::equal(oldBytes.begin(), oldBytes.begin() + 138, newBytes.begin()));
    EXPECT_EQ(CorvTest::FolderSnapshot(a), sourceBefore);
    ExpectRun(RunCorvane({"check", b}), 0, {"ok"});
}

// A move saves both projects, or neither: when the target cannot be saved, the source's files
// are all that is left of the moved entries.
TEST_F(CliTransferTest, MoveSavesBothProjectsOrNeither) {
    const std::string a = MakeSource();
    ProjectBuilder broken(ProjectPath("Broken"), false);
    broken.File("Wave", {0}); // a file where the wave folder belongs
    const auto sourceBefore = CorvTest::FolderSnapshot(a);
    ExpectRun(RunCorvane({"move", a, "patch", "1", broken.Folder(), "1"}), 1,
              {"error 2: This project could not be saved."});
    EXPECT_EQ(CorvTest::FolderSnapshot(a), sourceBefore);

    const std::string b = MakeTarget();
    ExpectRun(RunCorvane({"move", a, "tone", "2", b, "3"}), 0, {});
    EXPECT_EQ(DumpOf(b)["tones"][2]["file"], b + "Tone/003 Saw.p00");
    const Json source = DumpOf(a);
    EXPECT_TRUE(source["tones"][1]["empty"].get<bool>());
    EXPECT_EQ(source["patches"][0]["slots"][0]["bank"], 0); // the patch lost the moved tone
    ExpectRun(RunCorvane({"check", a}), 0, {"ok"});
}

TEST_F(CliTransferTest, InsertAsksQuestion11AndDropsWithinAListMoveByDefault) {
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

TEST_F(CliTransferTest, UndoAfterAMoveBetweenProjectsRestoresBoth) {
    const std::string a = MakeSource();
    const std::string b = MakeTarget();
    std::vector<Json> dumps;
    const RunResult result = RunScript({"open A " + Quoted(a), "open B " + Quoted(b), "dump A",
                                        "dump B", "drop A tone 2 B 3 move", "dump A", "dump B",
                                        "undo", "dump A", "dump B", "status A"},
                                       &dumps);
    ASSERT_EQ(dumps.size(), 6u) << result.out << result.err;
    EXPECT_TRUE(dumps[2]["tones"][1]["empty"].get<bool>()); // moved out of A ...
    EXPECT_EQ(dumps[3]["tones"][2]["name"], "Saw");         // ... into B
    for (Json& dump : dumps)
        dump.erase("modified");
    EXPECT_EQ(dumps[4], dumps[0]);
    EXPECT_EQ(dumps[5], dumps[1]);
    const Strings lines = result.Lines();
    EXPECT_EQ(Strings(lines.end() - 4, lines.end()),
              (Strings{"modified 1", "folder " + a, "wave-bytes 800 Bytes", "undo 1"}));
}

// Without --yes a question is asked on a terminal (again after an answer it does not know) and
// answered Cancel otherwise.
TEST_F(CliTransferTest, DeleteAsksOnATerminalAndCancelsWithoutOne) {
    ProjectBuilder p(ProjectPath("P"));
    p.Patch(1, "One", 0).Patch(2, "Two", 0).Patch(3, "Three", 0);
    const std::string f = p.Folder();
    const std::string question = "ask 1 9: OK to delete? -> ";
    ExpectRun(RunCorvane({"delete", f, "patch", "1"}), 1, {question + "cancel"});
    const std::string prompt = "OK to delete? [ok/cancel] ";
    const RunResult kept = RunCorvaneInTerminal({"delete", f, "patch", "2"}, "maybe\ncancel\n");
    EXPECT_EQ(kept.status, 1);
    EXPECT_NE(kept.out.find(prompt + prompt + question + "cancel"), std::string::npos) << kept.out;
    const RunResult deleted = RunCorvaneInTerminal({"delete", f, "patch", "1"}, "ok\n");
    EXPECT_EQ(deleted.status, 0);
    EXPECT_NE(deleted.out.find(prompt + question + "ok"), std::string::npos) << deleted.out;
    ExpectRun(RunCorvane({"delete", f, "patch", "3", "--yes"}), 0, {question + "ok"});
    EXPECT_EQ(CorvTest::ListFolder(f + "Patch"), Strings{"002 Two.d00"});
}

} // namespace
} // namespace CorvCliTest
