// Drag and drop, delete and undo through the tool: copies between projects carry tones and
// waves, questions are answered by the policy, and one Undo restores both projects of a move.

#include "cli_fixture.h"
#include "storage/svd_file.h"

namespace CorvCliTest {
namespace {

using CorvTest::ProjectBuilder;

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
        b.Patch(1, "Existing", 1)
            .Tone(1, "Old", {1})
            .Tone(2, "Old Two", {})
            .Wave(1, "Old Wave", 100);
        return b.Folder();
    }
};

TEST_F(CliTransferTest, CopyCarriesTonesAndWavesAndSavesTheTarget) {
    const std::string a = MakeSource();
    const std::string b = MakeTarget();
    const auto sourceBefore = CorvTest::FolderSnapshot(a);

    const RunResult copy = RunCorvane({"copy", a, "patch", "1-2", b, "5"});
    ASSERT_EQ(copy.status, 0) << copy.out << copy.err;
    EXPECT_EQ(copy.out, ""); // the target slots were empty: nothing to ask

    const nlohmann::json dump = DumpOf(b);
    EXPECT_FALSE(dump["modified"].get<bool>());
    const auto& lead = dump["patches"][4];
    EXPECT_EQ(lead["name"], "Lead");
    EXPECT_EQ(lead["memos"][0], "lead memo");
    EXPECT_EQ(lead["slots"][0]["tone"], 3); // A's tone 2 lands in B's first free tone slot
    EXPECT_EQ(lead["slots"][1]["tone"], 4);
    const auto& pad = dump["patches"][5];
    EXPECT_EQ(pad["slots"][0]["tone"], 4);
    EXPECT_EQ(pad["slots"][1]["bank"], 65); // the preset reference is kept as it was
    EXPECT_EQ(pad["slots"][1]["tone"], 0);
    EXPECT_EQ(dump["tones"][2]["name"], "Saw");
    EXPECT_EQ(dump["tones"][2]["waves"][0], 2);
    EXPECT_EQ(dump["tones"][2]["waves"][1], 3);
    EXPECT_EQ(dump["tones"][3]["waves"][0], 3);
    EXPECT_EQ(dump["tones"][3]["users"], nlohmann::json({4, 5}));
    EXPECT_TRUE(dump["tones"][4]["empty"].get<bool>()); // the unused tone stays behind
    EXPECT_EQ(dump["waves"][1]["bytes"], 300);
    EXPECT_EQ(dump["waves"][2]["file"], b + "Wave/003 Sub Wave.wav");
    EXPECT_EQ(dump["waves"][2]["users"], nlohmann::json({2, 3}));

    // On disk: the carried files under their new slot names, wave bytes unchanged, the patch
    // record rewritten with the new tone numbers and every other byte as in A.
    EXPECT_EQ(CorvTest::ReadBytes(b + "Wave/002 Saw Wave.w00"),
              CorvTest::ReadBytes(a + "Wave/001 Saw Wave.w00"));
    EXPECT_TRUE(CorvTest::FileExists(b + "Tone/004 Sub.p00"));
    Corv::CPatch saved;
    ASSERT_TRUE(Corv::ReadPatchFile(b + "Patch/005 Lead.d00", saved));
    EXPECT_EQ(saved.Slot(0).ToneNumber(), 3);
    EXPECT_EQ(saved.Slot(1).ToneNumber(), 4);
    const CorvTest::Bytes oldBytes = CorvTest::ReadBytes(a + "Patch/001 Lead.d00");
    const CorvTest::Bytes newBytes = CorvTest::ReadBytes(b + "Patch/005 Lead.d00");
    ASSERT_EQ(oldBytes.size(), newBytes.size());
    EXPECT_TRUE(std::equal(oldBytes.begin(), oldBytes.begin() + 138, newBytes.begin()));

    EXPECT_EQ(CorvTest::FolderSnapshot(a), sourceBefore);
    const RunResult check = RunCorvane({"check", b});
    EXPECT_EQ(check.status, 0) << check.out;
}

TEST_F(CliTransferTest, MoveSavesBothProjectsAndEmptiesTheSource) {
    const std::string a = MakeSource();
    const std::string b = MakeTarget();
    const RunResult move = RunCorvane({"move", a, "tone", "2", b, "3"});
    ASSERT_EQ(move.status, 0) << move.out << move.err;
    EXPECT_TRUE(CorvTest::FileExists(b + "Tone/003 Saw.p00"));
    EXPECT_FALSE(CorvTest::FileExists(a + "Tone/002 Saw.p00"));
    const nlohmann::json source = DumpOf(a);
    EXPECT_TRUE(source["tones"][1]["empty"].get<bool>());
    EXPECT_EQ(source["patches"][0]["slots"][0]["bank"], 0); // the patch lost the moved tone
    EXPECT_EQ(RunCorvane({"check", a}).status, 0);
    EXPECT_EQ(RunCorvane({"check", b}).status, 0);
}

TEST_F(CliTransferTest, InsertAsksQuestion11AndCancelChangesNothing) {
    ProjectBuilder a(ProjectPath("A"));
    a.Patch(1, "New", 0);
    ProjectBuilder b(ProjectPath("B"));
    b.Patch(1, "First", 0).Patch(2, "Second", 0).Patch(512, "Last", 0);
    const RunResult result =
        RunScript({"open A " + Quoted(a.Folder()), "open B " + Quoted(b.Folder()), "answer cancel",
                   "drop A patch 1 B 1 insert", "dump B", "answer ok", "drop A patch 1 B 1 insert",
                   "dump B", "save B"});
    EXPECT_EQ(result.status, 1) << result.err; // one operation was refused
    const std::string question = "ask 1 11: Do you want to delete the last data, and then insert?";
    const std::vector<std::string> lines = result.Lines();
    ASSERT_EQ(lines.size(), 4u) << result.out;
    EXPECT_EQ(lines[0], question + " -> cancel");
    EXPECT_EQ(lines[2], question + " -> ok");

    const std::vector<nlohmann::json> dumps = Dumps(result);
    ASSERT_EQ(dumps.size(), 2u);
    EXPECT_EQ(dumps[0]["patches"][0]["name"], "First");
    EXPECT_FALSE(dumps[0]["modified"].get<bool>());
    EXPECT_EQ(dumps[0]["patches"][511]["name"], "Last");
    EXPECT_EQ(dumps[1]["patches"][0]["name"], "New");
    EXPECT_EQ(dumps[1]["patches"][2]["name"], "Second");
    EXPECT_TRUE(dumps[1]["patches"][511]["empty"].get<bool>());
    EXPECT_EQ(CorvTest::ListFolder(b.Folder() + "Patch"),
              (std::vector<std::string>{"001 New.d00", "002 First.d00", "003 Second.d00"}));
}

TEST_F(CliTransferTest, UndoAfterAMoveBetweenProjectsRestoresBoth) {
    const std::string a = MakeSource();
    const std::string b = MakeTarget();
    const RunResult result = RunScript({"open A " + Quoted(a), "open B " + Quoted(b), "dump A",
                                        "dump B", "drop A tone 2 B 3 move", "dump A", "dump B",
                                        "undo", "dump A", "dump B", "status A", "status B"});
    ASSERT_EQ(result.status, 0) << result.out << result.err;
    const std::vector<nlohmann::json> dumps = Dumps(result);
    ASSERT_EQ(dumps.size(), 6u);
    EXPECT_TRUE(dumps[2]["tones"][1]["empty"].get<bool>()); // moved out of A ...
    EXPECT_EQ(dumps[3]["tones"][2]["name"], "Saw");         // ... into B
    EXPECT_EQ(WithoutModified(dumps[4]), WithoutModified(dumps[0]));
    EXPECT_EQ(WithoutModified(dumps[5]), WithoutModified(dumps[1]));
    const std::vector<std::string> lines = result.Lines();
    const std::vector<std::string> statusA(lines.end() - 8, lines.end() - 4);
    EXPECT_EQ(statusA[0], "modified 1");
    EXPECT_EQ(statusA[1], "folder " + a);
    EXPECT_EQ(statusA[3], "undo 1");
    EXPECT_EQ(lines[lines.size() - 4], "modified 1");
}

TEST_F(CliTransferTest, DropWithinOneListMovesByDefaultAndCopiesOnRequest) {
    ProjectBuilder p(ProjectPath("P"));
    p.Patch(1, "One", 1).Tone(1, "T", {});
    const RunResult result = RunScript({"open P " + Quoted(p.Folder()), "drop P patch 1 P 3",
                                        "dump P", "drop P patch 3 P 5 copy", "dump P"});
    ASSERT_EQ(result.status, 0) << result.out << result.err;
    const std::vector<nlohmann::json> dumps = Dumps(result);
    ASSERT_EQ(dumps.size(), 2u);
    EXPECT_TRUE(dumps[0]["patches"][0]["empty"].get<bool>());
    EXPECT_EQ(dumps[0]["patches"][2]["name"], "One");
    EXPECT_EQ(dumps[1]["patches"][2]["name"], "One");
    EXPECT_EQ(dumps[1]["patches"][4]["name"], "One");
    EXPECT_EQ(dumps[1]["tones"][0]["users"], nlohmann::json({2, 4}));
}

TEST_F(CliTransferTest, DeleteIsDeclinedWithoutATerminalAndDoneWithYes) {
    ProjectBuilder p(ProjectPath("P"));
    p.Patch(1, "Gone", 0).Patch(2, "Stays", 0);
    const RunResult declined = RunCorvane({"delete", p.Folder(), "patch", "1"});
    EXPECT_EQ(declined.status, 1);
    EXPECT_EQ(declined.out, "ask 1 9: OK to delete? -> cancel\n");
    EXPECT_TRUE(CorvTest::FileExists(p.Folder() + "Patch/001 Gone.d00"));

    const RunResult confirmed = RunCorvane({"delete", p.Folder(), "patch", "1", "--yes"});
    EXPECT_EQ(confirmed.status, 0) << confirmed.err;
    EXPECT_EQ(confirmed.out, "ask 1 9: OK to delete? -> ok\n");
    EXPECT_EQ(CorvTest::ListFolder(p.Folder() + "Patch"),
              std::vector<std::string>{"002 Stays.d00"});
}

TEST_F(CliTransferTest, QuestionsAreAskedOnATerminal) {
    ProjectBuilder p(ProjectPath("P"));
    p.Patch(1, "Gone", 0).Patch(2, "Stays", 0);
    const RunResult kept =
        RunCorvaneInTerminal({"delete", p.Folder(), "patch", "2"}, "maybe\ncancel\n");
    EXPECT_EQ(kept.status, 1) << kept.out;
    const std::string prompt = "OK to delete? [ok/cancel] ";
    const auto first = kept.out.find(prompt);
    ASSERT_NE(first, std::string::npos) << kept.out;
    EXPECT_NE(kept.out.find(prompt, first + 1), std::string::npos)
        << "no second prompt: " << kept.out;
    EXPECT_NE(kept.out.find("ask 1 9: OK to delete? -> cancel"), std::string::npos) << kept.out;
    EXPECT_TRUE(CorvTest::FileExists(p.Folder() + "Patch/002 Stays.d00"));

    const RunResult deleted = RunCorvaneInTerminal({"delete", p.Folder(), "patch", "1"}, "ok\n");
    EXPECT_EQ(deleted.status, 0) << deleted.out;
    EXPECT_NE(deleted.out.find("ask 1 9: OK to delete? -> ok"), std::string::npos) << deleted.out;
    EXPECT_EQ(CorvTest::ListFolder(p.Folder() + "Patch"),
              std::vector<std::string>{"002 Stays.d00"});
}

// A move whose target cannot be saved must not save the source either: the source's files on
// disk are then all that is left of the moved entries.
TEST_F(CliTransferTest, MoveKeepsTheSourceWhenTheTargetCannotBeSaved) {
    const std::string a = MakeSource();
    ProjectBuilder b(ProjectPath("B"), false);
    b.File("Wave", {0}); // a file where the wave folder belongs
    const auto sourceBefore = CorvTest::FolderSnapshot(a);
    const RunResult move = RunCorvane({"move", a, "patch", "1", b.Folder(), "1"});
    EXPECT_EQ(move.status, 1);
    EXPECT_EQ(move.out, "error 2: This project could not be saved.\n");
    EXPECT_EQ(CorvTest::FolderSnapshot(a), sourceBefore);
}

TEST_F(CliTransferTest, RefusedCopyLeavesTheTargetAlone) {
    // The target has no free tone slot: error 11 and nothing saved.
    const std::string a = MakeSource();
    ProjectBuilder b(ProjectPath("B"));
    for (int t = 1; t <= Corv::kToneSlots; ++t)
        b.Tone(t, "T" + std::to_string(t), {});
    const auto before = CorvTest::FolderSnapshot(b.Folder());
    const RunResult copy = RunCorvane({"copy", a, "patch", "1", b.Folder(), "1"});
    EXPECT_EQ(copy.status, 1);
    EXPECT_EQ(copy.out, "error 11: There is insufficient free tone space.\n");
    EXPECT_EQ(CorvTest::FolderSnapshot(b.Folder()), before);
}

} // namespace
} // namespace CorvCliTest
