// `corvane check`, `info` and `list` on sound projects and on projects with planted faults; the
// demo project.

#include "cli_fixture.h"

#include <filesystem>
#include <functional>
#include <set>

namespace CorvCliTest {
namespace {

using CliCheckTest = CliTest;

TEST_F(CliCheckTest, SoundProjectPassesAndInfoCountsIt) {
    ProjectBuilder p(ProjectPath("P"));
    p.Patch(1, "Lead", 1).Patch(4, "Pad", 1, 2).Tone(1, "T1", {2}).Tone(2, "T2", {});
    p.Wave(2, "W", 2048);
    ExpectRun(RunCorvane({"check", p.Folder()}), 0, {"ok"});
    // A relative spelling reaches the core as the absolute folder.
    const std::string relative =
        std::filesystem::relative(p.Folder(), std::filesystem::current_path()).string() + "/./";
    ExpectRun(RunCorvane({"info", relative}), 0,
              {"folder " + p.Folder(), "patches 2", "tones 2", "waves 1", "wave-bytes 2.0 KB",
               "rejected 0", "missing 0"});
}

TEST_F(CliCheckTest, FindsDanglingReferencesAndRejectedFiles) {
    ProjectBuilder p(ProjectPath("P"));
    Corv::CTone farWave = CorvTest::MakeTone("Far", {});
    farWave.Osc(3).SetP(70, Corv::COsc::kUserWaveSource);
    farWave.Osc(3).SetWaveNumber(1, 1200); // past the 999 wave slots
    p.Patch(1, "Lost", 5).Tone(1, farWave).Tone(2, "Gap", {7});
    p.File("Patch/Extra.d00", CorvTest::PatchFileBytes(CorvTest::MakePatch("Extra", 0)));
    ExpectRun(RunCorvane({"check", p.Folder()}), 1,
              {"dangling patch 1 U -> tone 5 (empty slot)",
               "dangling tone 1 osc 3 side 1 -> wave 1200 (beyond 999)",
               "dangling tone 2 osc 0 side 0 -> wave 7 (empty slot)",
               "rejected " + p.Folder() + "Patch/Extra.d00", "problems 4"});
}

TEST_F(CliCheckTest, NamesTheFilesThatKeepAProjectFromLoading) {
    ProjectBuilder p(ProjectPath("P"));
    p.Patch(1, "Fine", 0).Tone(1, "Fine", {}).Wave(1, "Fine", 10);
    p.File("Tone/002 Short.p00", CorvTest::Bytes(1509, 0)); // one byte short of the prefix
    std::filesystem::create_symlink(m_temp / "nowhere.wav", p.Folder() + "Wave/003 Gone.wav");
    const std::string unloadable = "error 1: This project could not be loaded.";
    ExpectRun(RunCorvane({"check", p.Folder()}), 1,
              {unloadable, "unreadable " + p.Folder() + "Tone/002 Short.p00",
               "missing " + p.Folder() + "Wave/003 Gone.wav", "problems 2"});
    ExpectRun(RunCorvane({"info", p.Folder()}), 1, {unloadable});
}

TEST_F(CliCheckTest, ListShowsTheDesktopColumns) {
    ProjectBuilder p(ProjectPath("P"));
    p.Patch(2, "Both", 1, 1).Patch(5, CorvTest::MakePatch("Lower", 0, 1));
    p.Tone(1, "Used", {3}).Tone(2, "Idle", {});
    p.Wave(3, "Inst", 10, ".W00").Wave(4, "Loop", 10, ".wav");
    p.Memos(Corv::kPatchKind, {"", "", "", "", "m1", "", "m3", ""});
    const auto list = [&](const std::string& kind, const Strings& lines) {
        ExpectRun(RunCorvane({"list", p.Folder(), kind}), 0, lines);
    };
    list("patch", {"   2  Both          L/U  m1 |  | m3", "   5  Lower         L/_"});
    list("tones", {">  1  Used", "   2  Idle"});
    list("wave", {">  3  * Inst", "   4    Loop"});
    const Strings all = RunCorvane({"list", p.Folder(), "patches", "--all"}).Lines();
    ASSERT_EQ(all.size(), 512u);
    EXPECT_EQ(all[511], " 512");
}

bool Used(const Json& slot) {
    return !slot["empty"].get<bool>();
}

int Count(const Json& slots, const std::function<bool(const Json&)>& test) {
    return static_cast<int>(std::count_if(slots.begin(), slots.end(), test));
}

TEST_F(CliCheckTest, DemoLoadsCleanlyAndLooksLikeARealProject) {
    const std::string demo = ProjectPath("Demo");
    ExpectRun(RunCorvane({"demo", demo}), 0, {});
    ExpectRun(RunCorvane({"check", demo}), 0, {"ok"});
    const Json dump = DumpOf(demo);
    const Json& patches = dump["patches"];
    const auto bank = [](int slot, auto test) {
        return [=](const Json& p) { return Used(p) && test(p["slots"][slot]["bank"].get<int>()); };
    };
    const auto preset = [](int b) { return b != 87 && b != 0; };
    EXPECT_GT(Count(patches, bank(1, [](int b) { return b == 87; })), 0) << "none on two tones";
    EXPECT_GT(Count(patches, bank(1, [](int b) { return b == 0; })), 0) << "none on one tone";
    EXPECT_GT(Count(patches, bank(0, preset)) + Count(patches, bank(1, preset)), 0);
    EXPECT_GT(Count(patches, [](const Json& p) { return p["memos"][0] != ""; }), 0);
    for (const char* kind : {"tones", "waves"})
        EXPECT_GT(Count(dump[kind], [](const Json& s) { return Used(s) && s["users"].empty(); }), 0)
            << "nothing unused among the " << kind;
    EXPECT_GT(Count(dump["waves"], [](const Json& w) { return w["users"].size() > 1; }), 0);
    for (const char* kind : {"patches", "tones", "waves"}) {
        const Json& slots = dump[kind];
        const auto last = std::find_if(slots.rbegin(), slots.rend(), Used);
        EXPECT_LT(Count(slots, Used), slots.rend() - last) << "no gap among the " << kind;
    }
    std::set<std::string> extensions;
    for (const Json& wave : dump["waves"])
        if (Used(wave)) {
            const std::string file = wave["file"];
            extensions.insert(file.substr(file.rfind('.')));
            EXPECT_GT(wave["bytes"].get<int>(), 1000);
        }
    EXPECT_GE(extensions.size(), 3u);
    for (const char* file :
         {"Corvane System.s00", "Corvane Template.s00", "Corvane Palette.s00", "Corvane Setup.s00",
          "Corvane MicSetting.s00", "PatchMemo.txt", "ToneMemo.txt", "WaveMemo.txt"})
        EXPECT_TRUE(CorvTest::FileExists(demo + file)) << file;
    // A second demo into the same folder is refused and leaves it alone.
    const auto before = CorvTest::FolderSnapshot(demo);
    const RunResult again = RunCorvane({"demo", demo});
    EXPECT_EQ(again.status, 1);
    EXPECT_NE(again.err, "");
    EXPECT_EQ(CorvTest::FolderSnapshot(demo), before);
}

TEST_F(CliCheckTest, DemoFollowsItsSeedAndFullFillsEverySlotJustUnderTheWaveLimit) {
    const auto demo = [&](const std::string& name, const Strings& options) {
        Strings arguments = {"demo", ProjectPath(name)};
        arguments.insert(arguments.end(), options.begin(), options.end());
        ExpectRun(RunCorvane(arguments), 0, {});
        return ProjectPath(name);
    };
    const auto a = CorvTest::FolderSnapshot(demo("A", {"--seed", "42"}));
    EXPECT_EQ(CorvTest::FolderSnapshot(demo("B", {"--seed", "42"})), a);
    EXPECT_NE(CorvTest::FolderSnapshot(demo("C", {"--seed", "43"})), a);

    const std::string full = demo("Full", {"--full"});
    ExpectRun(RunCorvane({"check", full}), 0, {"ok"});
    const Json dump = DumpOf(full);
    for (const char* kind : {"patches", "tones", "waves"})
        EXPECT_EQ(Count(dump[kind], Used), static_cast<int>(dump[kind].size())) << kind;
    const auto bytes = dump["waveBytes"].get<std::uint64_t>();
    EXPECT_LE(bytes, Corv::kWaveBytesLimit);
    EXPECT_GT(bytes, Corv::kWaveBytesLimit - 65536);
}

} // namespace
} // namespace CorvCliTest
