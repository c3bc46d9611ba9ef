// `corvane check`, `info` and `list` on projects with planted faults.

#include "cli_fixture.h"

#include <filesystem>

namespace CorvCliTest {
namespace {

using CorvTest::ProjectBuilder;

class CliCheckTest : public CliTest {};

TEST_F(CliCheckTest, SoundProjectPassesAndInfoCountsIt) {
    ProjectBuilder p(ProjectPath("P"));
    p.Patch(1, "Lead", 1)
        .Patch(4, "Pad", 1, 2)
        .Tone(1, "T1", {2})
        .Tone(2, "T2", {})
        .Wave(2, "W", 2048);
    const RunResult check = RunCorvane({"check", p.Folder()});
    EXPECT_EQ(check.status, 0);
    EXPECT_EQ(check.out, "ok\n");
    // A relative spelling reaches the core as the absolute folder.
    const std::string relative =
        std::filesystem::relative(p.Folder(), std::filesystem::current_path()).string() + "/./";
    const RunResult info = RunCorvane({"info", relative});
    EXPECT_EQ(info.status, 0);
    EXPECT_EQ(info.Lines(),
              (std::vector<std::string>{"folder " + p.Folder(), "patches 2", "tones 2", "waves 1",
                                        "wave-bytes 2.0 KB", "rejected 0", "missing 0"}));
}

TEST_F(CliCheckTest, FindsDanglingReferencesAndRejectedFiles) {
    ProjectBuilder p(ProjectPath("P"));
    Corv::CTone farWave = CorvTest::MakeTone("Far", {});
    farWave.Osc(3).SetP(70, Corv::COsc::kUserWaveSource);
    farWave.Osc(3).SetWaveNumber(1, 1200); // past the 999 wave slots
    p.Patch(1, "Lost", 5).Tone(1, farWave).Tone(2, "Gap", {7});
    p.File("Patch/Extra.d00", CorvTest::PatchFileBytes(CorvTest::MakePatch("Extra", 0)));
    const RunResult check = RunCorvane({"check", p.Folder()});
    EXPECT_EQ(check.status, 1);
    EXPECT_EQ(check.Lines(), (std::vector<std::string>{
                                 "dangling patch 1 U -> tone 5 (empty slot)",
                                 "dangling tone 1 osc 3 side 1 -> wave 1200 (beyond 999)",
                                 "dangling tone 2 osc 0 side 0 -> wave 7 (empty slot)",
                                 "rejected " + p.Folder() + "Patch/Extra.d00", "problems 4"}));
}

TEST_F(CliCheckTest, NamesTheFilesThatKeepAProjectFromLoading) {
    ProjectBuilder p(ProjectPath("P"));
    p.Patch(1, "Fine", 0).Tone(1, "Fine", {}).Wave(1, "Fine", 10);
    p.File("Tone/002 Short.p00", CorvTest::Bytes(1509, 0)); // one byte short of the prefix
    std::filesystem::create_symlink(m_temp / "nowhere.wav", p.Folder() + "Wave/003 Gone.wav");
    const RunResult check = RunCorvane({"check", p.Folder()});
    EXPECT_EQ(check.status, 1);
    EXPECT_EQ(check.Lines(), (std::vector<std::string>{
                                 "error 1: This project could not be loaded.",
                                 "unreadable " + p.Folder() + "Tone/002 Short.p00",
                                 "missing " + p.Folder() + "Wave/003 Gone.wav", "problems 2"}));
    const RunResult info = RunCorvane({"info", p.Folder()});
    EXPECT_EQ(info.status, 1);
    EXPECT_EQ(info.out, "error 1: This project could not be loaded.\n");
}

TEST_F(CliCheckTest, ListShowsTheDesktopColumns) {
    ProjectBuilder p(ProjectPath("P"));
    Corv::CPatch lower = CorvTest::MakePatch("Lower", 0, 1);
    p.Patch(2, "Both", 1, 1).Patch(5, lower).Tone(1, "Used", {3}).Tone(2, "Idle", {});
    p.Wave(3, "Inst", 10, ".W00").Wave(4, "Loop", 10, ".wav");
    p.Memos(Corv::kPatchKind, {"", "", "", "", "m1", "", "m3", ""});
    const auto list = [&](const std::string& kind, bool all = false) {
        std::vector<std::string> arguments = {"list", p.Folder(), kind};
        if (all)
            arguments.push_back("--all");
        const RunResult result = RunCorvane(arguments);
        EXPECT_EQ(result.status, 0) << result.err;
        return result.Lines();
    };
    EXPECT_EQ(list("patch"), (std::vector<std::string>{"   2  Both          L/U  m1 |  | m3",
                                                       "   5  Lower         L/_"}));
    EXPECT_EQ(list("tones"), (std::vector<std::string>{">  1  Used", "   2  Idle"}));
    EXPECT_EQ(list("wave"), (std::vector<std::string>{">  3  * Inst", "   4    Loop"}));
    const std::vector<std::string> all = list("patches", true);
    ASSERT_EQ(all.size(), 512u);
    EXPECT_EQ(all[0], "   1");
    EXPECT_EQ(all[511], " 512");
}

} // namespace
} // namespace CorvCliTest
