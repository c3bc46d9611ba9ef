// The commands that read projects — `check`, `info`, `list`, `find` and `diff` — on sound and
// faulty projects, `demo`, and usage errors (exit status 2, a text on stderr, no change to any
// project).

#include "cli/arguments.h"
#include "cli_fixture.h"

#include <filesystem>
#include <functional>
#include <set>
#include <sstream>

namespace CorvCliTest {
namespace {

TEST_F(CliTest, FindsDanglingReferencesAndRejectedFiles) {
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

TEST_F(CliTest, NamesTheFilesThatKeepAProjectFromLoading) {
    ProjectBuilder p(ProjectPath("P"));
    p.Patch(1, "Fine", 0).Tone(1, "Fine", {}).Wave(1, "Fine", 10);
    CorvTest::Bytes shortTone = CorvTest::ToneFileBytes(CorvTest::MakeTone("", {}));
    shortTone.resize(1509); // one byte short of the prefix
    p.File("Tone/002 Short.p00", shortTone);
    std::filesystem::create_symlink(m_temp / "nowhere.wav", p.Folder() + "Wave/003 Gone.wav");
    CorvTest::MakeFifo(p.Folder() + "Wave/004 Pipe.wav"); // left out, not a reason to refuse
    const std::string unloadable = "error 1: This project could not be loaded.";
    // The contract's error line on standard output, and why on standard error.
    const std::string why = "note: Tone/002 Short.p00: too short to be a tone file (1509 bytes)\n";
    CorvTest::Deadline deadline(60);
    const RunResult checked = RunCorvane({"check", p.Folder()});
    ExpectRun(checked, 1,
              {unloadable, "unreadable " + p.Folder() + "Tone/002 Short.p00",
               "missing " + p.Folder() + "Wave/003 Gone.wav",
               "not a regular file: " + p.Folder() + "Wave/004 Pipe.wav", "problems 3"});
    EXPECT_EQ(checked.err, why);
    const RunResult info = RunCorvane({"info", p.Folder()});
    ExpectRun(info, 1, {unloadable});
    EXPECT_EQ(info.err, why);
}

// What cannot be a project's file is left out, named, and reported by check with the wave
// bytes over the limit; the project still loads.
TEST_F(CliTest, CheckReportsWhatIsNotARegularFileAndWaveBytesOverTheLimit) {
    ProjectBuilder p(ProjectPath("P"));
    p.Patch(1, "Fine", 0).Wave(1, "Big", 10);
    std::filesystem::resize_file(p.Folder() + "Wave/001 Big.w00", Corv::kWaveBytesLimit + 1);
    const std::string pipe = p.Folder() + "Patch/002 Pipe.d00", memo = p.Folder() + "PatchMemo.txt",
                      zero = p.Folder() + "Tone/003 Zero.p00", odd = p.Folder() + "Wave/odd";
    CorvTest::MakeFifo(pipe);
    CorvTest::MakeFifo(memo);
    std::filesystem::create_symlink("/dev/zero", zero);
    CorvTest::MakeFifo(odd); // no wave file name: the loader never looks at it
    CorvTest::Deadline deadline(60);
    const RunResult checked = RunCorvane({"check", p.Folder()});
    ExpectRun(checked, 1,
              {"rejected " + memo, "rejected " + pipe, "rejected " + zero,
               "not a regular file: " + pipe, "not a regular file: " + memo,
               "not a regular file: " + zero, "not a regular file: " + odd,
               "wave bytes 67107841 over the limit of 67107840", "problems 8"});
    EXPECT_EQ(checked.err,
              "note: 3 files in this project are not regular files and were left out:\nnote: " +
                  pipe + "\nnote: " + memo + "\nnote: " + zero + "\n");
    EXPECT_EQ(DumpOf(p.Folder())["rejected"], Json::array({memo, pipe, zero}));
}

TEST_F(CliTest, SoundProjectPassesAndInfoAndListShowIt) {
    ProjectBuilder p(ProjectPath("P"));
    p.Patch(2, "Both", 1, 1).Patch(5, CorvTest::MakePatch("Lower", 0, 1));
    p.Tone(1, "Used", {3}).Tone(2, "Idle", {});
    p.Wave(3, "Inst", 2048, ".W00").Wave(4, "Loop", 10, ".wav");
    p.Memos(Corv::kPatchKind, {"", "", "", "", "m1", "", "m3", ""});
    ExpectRun(RunCorvane({"check", p.Folder()}), 0, {"ok"});
    // A relative spelling reaches the core as the absolute folder.
    const std::string relative =
        std::filesystem::relative(p.Folder(), std::filesystem::current_path()).string() + "/./";
    ExpectRun(RunCorvane({"info", relative}), 0,
              {"folder " + p.Folder(), "patches 2", "tones 2", "waves 2", "wave-bytes 2.0 KB",
               "rejected 0", "missing 0"});
    const auto list = [&](const std::string& kind, const Strings& lines) {
        ExpectRun(RunCorvane({"list", p.Folder(), kind}), 0, lines);
    };
    list("patch", {"   2  Both          L/U  m1 |  | m3", "   5  Lower         L/_"});
    list("tones", {">  1  Used", "   2  Idle"});
    list("wave", {">  3  * Inst", "   4    Loop"});
    EXPECT_EQ(RunCorvane({"list", p.Folder(), "patches", "--all"}).Lines().at(511), " 512");
}

// A kind is named in the singular or the plural, and the list of it is the same from the command
// line and from a script: its used rows, or with --all every slot of the kind.
TEST_F(CliTest, EveryKindNameListsItsKindOnTheCommandLineAndInAScript) {
    ProjectBuilder p(ProjectPath("P"));
    p.Patch(2, "Lead", 1).Tone(1, "Saw", {3}).Tone(4, "Idle", {}).Wave(3, "Saw", 100);
    const struct {
        const char* kind;
        Strings used;
        std::size_t slots;
    } cases[] = {
        {"patch", {"   2  Lead          _/U"}, 512},
        {"patches", {"   2  Lead          _/U"}, 512},
        {"tone", {">  1  Saw", "   4  Idle"}, 896},
        {"tones", {">  1  Saw", "   4  Idle"}, 896},
        {"wave", {">  3  * Saw"}, 999},
        {"waves", {">  3  * Saw"}, 999},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.kind);
        ExpectRun(RunCorvane({"list", p.Folder(), c.kind}), 0, c.used);
        const RunResult all = RunCorvane({"list", p.Folder(), c.kind, "--all"});
        EXPECT_EQ(all.status, 0) << all.err;
        EXPECT_EQ(all.Lines().size(), c.slots);
        const RunResult script =
            RunScript({"open P " + Quoted(p.Folder()), "list P " + std::string(c.kind),
                       "list P " + std::string(c.kind) + " --all"});
        const Strings every = all.Lines();
        Strings both = c.used;
        both.insert(both.end(), every.begin(), every.end());
        ExpectRun(script, 0, both);
    }
    for (const char* bad : {"Patch", "wav", "tonez", "patchs", "waveses"}) {
        const RunResult result = RunCorvane({"list", p.Folder(), bad});
        EXPECT_TRUE(result.status == 2 && result.out.empty() &&
                    result.err ==
                        "corvane: bad kind \"" + std::string(bad) + "\" (patch, tone or wave)\n")
            << bad << ": " << result.status << " " << result.out << result.err;
    }
}

// A folder that does not load is looked at file by file: check names every problem it can see
// there, and never calls such a folder sound, even when it finds nothing else wrong.
TEST_F(CliTest, CheckOfAFolderThatDoesNotLoadNamesWhatItFinds) {
    const std::string unloadable = "error 1: This project could not be loaded.";
    const std::uint64_t half = Corv::kWaveBytesLimit / 2 + 1;
    const auto shortTone = [](ProjectBuilder& p) {
        CorvTest::Bytes bytes = CorvTest::ToneFileBytes(CorvTest::MakeTone("", {}));
        bytes.resize(1509);
        p.File("Tone/002 Short.p00", bytes);
    };
    const struct {
        const char* name;
        std::function<void(ProjectBuilder&)> spoil;
        Strings problems; // {F} stands for the folder
    } cases[] = {
        {"NoTones",
         [](ProjectBuilder& p) { std::filesystem::remove_all(p.Folder() + "Tone"); },
         {"missing folder {F}Tone/"}},
        {"NoPatches",
         [](ProjectBuilder& p) { std::filesystem::remove_all(p.Folder() + "Patch"); },
         {"missing folder {F}Patch/"}},
        // Two waves that are each under the limit and together over it.
        {"Heavy",
         [&](ProjectBuilder& p) {
             shortTone(p);
             p.Wave(1, "Half", 10).Wave(2, "Other Half", 10);
             std::filesystem::resize_file(p.Folder() + "Wave/001 Half.w00", half);
             std::filesystem::resize_file(p.Folder() + "Wave/002 Other Half.w00", half);
         },
         {"unreadable {F}Tone/002 Short.p00",
          "wave bytes " + std::to_string(2 * half) + " over the limit of 67107840"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ProjectBuilder p(ProjectPath(c.name));
        p.Patch(1, "Fine", 1).Tone(1, "Fine", {});
        c.spoil(p);
        Strings lines = {unloadable};
        for (const std::string& problem : c.problems)
            lines.push_back(Replaced(problem, "{F}", p.Folder()));
        lines.push_back("problems " + std::to_string(c.problems.size()));
        ExpectRun(RunCorvane({"check", p.Folder()}), 1, lines);
    }
    // Held by another program that saves it: nothing wrong on disk, and still not "ok".
    ProjectBuilder held(ProjectPath("Held"));
    held.Patch(1, "Fine", 0);
    const RunResult waited =
        RunShell("(flock -x " + ShellQuoted(held.Folder()) +
                 " sleep 2 & sleep 0.2; env CORVANE_LOCK_WAIT=0.3 " +
                 CommandLine({"check", held.Folder()}) + "; status=$?; wait; exit $status)");
    ExpectRun(waited, 1, {unloadable, "problems 0"});
    EXPECT_NE(waited.err.find(" is being saved by another program"), std::string::npos)
        << waited.err;
}

const auto Used = [](const Json& slot) { return !slot["empty"].get<bool>(); };

const auto Count = [](const Json& slots, const auto& test) {
    return static_cast<int>(std::count_if(slots.begin(), slots.end(), test));
};

TEST_F(CliTest, DemoLoadsCleanlyLooksLikeARealProjectAndFollowsItsSeed) {
    const std::string demo = ProjectPath("Demo");
    ExpectRun(RunCorvane({"demo", demo}), 0, {});
    ExpectRun(RunCorvane({"check", demo}), 0, {"ok"});
    const Json dump = DumpOf(demo);
    const auto banks = [&](int slot, bool (*test)(int)) {
        return Count(dump["patches"],
                     [&](const Json& p) { return Used(p) && test(p["slots"][slot]["bank"]); });
    };
    EXPECT_GT(banks(1, [](int b) { return b == 87; }), 0) << "no patch on two tones";
    EXPECT_GT(banks(1, [](int b) { return b == 0; }), 0) << "no patch on one tone";
    EXPECT_GT(banks(0, [](int b) { return b != 0 && b != 87; }), 0) << "no preset reference";
    EXPECT_GT(Count(dump["patches"], [](const Json& p) { return p["memos"][0] != ""; }), 0);
    EXPECT_GT(Count(dump["waves"], [](const Json& w) { return w["users"].size() > 1; }), 0);
    for (const char* kind : {"patches", "tones", "waves"}) {
        const Json& slots = dump[kind];
        const auto last = std::find_if(slots.rbegin(), slots.rend(), Used);
        EXPECT_LT(Count(slots, Used), slots.rend() - last) << "no gap among the " << kind;
    }
    for (const char* kind : {"tones", "waves"})
        EXPECT_GT(Count(dump[kind], [](const Json& s) { return Used(s) && s["users"].empty(); }), 0)
            << "nothing unused among the " << kind;
    std::set<std::filesystem::path> extensions;
    for (const Json& wave : dump["waves"])
        if (Used(wave))
            extensions.insert(std::filesystem::path(wave["file"].get<std::string>()).extension());
    EXPECT_GE(extensions.size(), 3u);
    EXPECT_EQ(Count(dump["waves"], [](const Json& w) { return Used(w) && w["bytes"] < 1000; }), 0);
    // Its WAV and AIFF waves are sounds the program reads and draws, each at a level short of
    // the full scale that noise in their place would have.
    int sounds = 0;
    for (std::size_t n = 1; n <= dump["waves"].size(); ++n) {
        const Json& wave = dump["waves"][n - 1];
        const std::string extension =
            std::filesystem::path(Used(wave) ? wave["file"].get<std::string>() : "")
                .extension()
                .string();
        if (extension != ".wav" && extension != ".WAV" && extension != ".aif" &&
            extension != ".aiff")
            continue;
        const RunResult facts = RunCorvane({"wave", demo, std::to_string(n), "--json"});
        ASSERT_EQ(facts.status, 0) << wave["file"] << facts.err;
        const double level = Json::parse(facts.out)["peak"];
        EXPECT_TRUE(level > 0.1 && level < 0.99) << wave["file"] << " " << level;
        ++sounds;
    }
    EXPECT_GT(sounds, 0);
    EXPECT_EQ(CorvTest::ListFolder(demo),
              (Strings{"Corvane MicSetting.s00", "Corvane Palette.s00", "Corvane Setup.s00",
                       "Corvane System.s00", "Corvane Template.s00", "PatchMemo.txt",
                       "ToneMemo.txt", "WaveMemo.txt"}));
    // A second demo into the same folder is refused and leaves it alone; a seed gives the same
    // project every time; --full fills every slot with waves just under the limit.
    const auto before = CorvTest::FolderSnapshot(demo);
    EXPECT_EQ(RunCorvane({"demo", demo}).status, 1);
    EXPECT_EQ(CorvTest::FolderSnapshot(demo), before);
    for (const char* name : {"A", "B", "C"})
        ExpectRun(RunCorvane({"demo", ProjectPath(name), "--seed", name[0] == 'C' ? "43" : "42"}),
                  0, {});
    const auto a = CorvTest::FolderSnapshot(ProjectPath("A"));
    EXPECT_EQ(CorvTest::FolderSnapshot(ProjectPath("B")), a);
    EXPECT_NE(CorvTest::FolderSnapshot(ProjectPath("C")), a);
    const std::string full = ProjectPath("Full");
    ExpectRun(RunCorvane({"demo", full, "--full"}), 0, {});
    ExpectRun(RunCorvane({"check", full}), 0, {"ok"});
    const Json fullDump = DumpOf(full);
    for (const char* kind : {"patches", "tones", "waves"})
        EXPECT_EQ(Count(fullDump[kind], Used), static_cast<int>(fullDump[kind].size())) << kind;
    const auto bytes = fullDump["waveBytes"].get<std::uint64_t>();
    EXPECT_LE(bytes, Corv::kWaveBytesLimit);
    EXPECT_GT(bytes, Corv::kWaveBytesLimit - 65536);
}

TEST_F(CliTest, BadCommandLinesExitWith2AndChangeNothing) {
    ProjectBuilder p(ProjectPath("P"));
    p.Patch(1, "Keep", 0).Patch(2, "Also", 0);
    const auto before = CorvTest::FolderSnapshot(p.Folder());
    // "P" stands for the project, "T/" for the temporary folder.
    for (const char* line :
         {"", "bogus", "list P", "list P gizmo", "copy P patch 1-x P 3", "copy P patch 1 P 513",
          "move P wave 1 P 1000", "delete P tone 897 --yes", "rename P patch 1",
          "memo P patch 1 5 text", "clean P --keep-everything", "demo T/NoExtension",
          "demo T/D.prj --seed many", "script T/no-such-script", "copy P patch 5-3 P 1"}) {
        Strings arguments;
        std::istringstream words(line);
        for (std::string word; words >> word;)
            arguments.push_back(word == "P" ? p.Folder() : Replaced(word, "T/", m_temp / ""));
        const RunResult result = RunCorvane(arguments);
        EXPECT_TRUE(result.status == 2 && !result.err.empty() && result.out.empty()) << line;
    }
    EXPECT_EQ(CorvTest::FolderSnapshot(p.Folder()), before);
    const RunResult help = RunCorvane({"save-as", "--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("Usage"), std::string::npos);
}

TEST_F(CliTest, ScriptStopsAtItsFirstUsageError) {
    ProjectBuilder p(ProjectPath("P"));
    p.Patch(1, "Keep", 0);
    for (const char* bad :
         {"bogus", "dump Nobody", "echo \"open", "answer maybe", "drop P patch 1 P 2 sideways",
          "memo P patch 1 0 x", "list P", "open P"}) {
        const RunResult result =
            RunScript({"open P " + Quoted(p.Folder()), R"(echo a"b c"d "" "C:\dir")", bad,
                       "delete P patch 1"});
        EXPECT_EQ(result.status, 2) << bad;
        EXPECT_EQ(result.out, "ab cd  C:\\dir\n") << bad;
        EXPECT_NE(result.err.find(":3: "), std::string::npos) << bad << ": " << result.err;
    }
    EXPECT_TRUE(CorvTest::FileExists(p.Folder() + "Patch/001 Keep.d00"));
}

// <t>/link is a link to <t>/elsewhere/inner: "link/.." is <t>/elsewhere to the operating
// system, never <t> as folding the text would make it.
class CliPathTest : public CliTest {
protected:
    void SetUp() override {
        std::filesystem::create_directories(m_temp / "elsewhere/inner");
        std::filesystem::create_directory_symlink(m_temp / "elsewhere/inner", m_temp / "link");
        m_real = std::filesystem::canonical(m_temp.Path()).string();
    }
    std::string m_real; // the temporary folder as the system names it
};

TEST_F(CliPathTest, DotDotIsResolvedByTheOperatingSystem) {
    using Corv::Cli::AbsolutePath;
    const std::string relative =
        (std::filesystem::relative(m_temp.Path(), std::filesystem::current_path()) / "link")
            .string();
    const std::pair<std::string, std::string> cases[] = {
        {m_temp / "link/../X.prj", m_real + "/elsewhere/X.prj"},
        {m_temp / "link/../X.prj/", m_real + "/elsewhere/X.prj"},
        {relative + "/../X.prj", m_real + "/elsewhere/X.prj"},
        {m_temp / "link/..", m_real + "/elsewhere"},
        {m_temp / "link/./new/deeper.prj", m_real + "/elsewhere/inner/new/deeper.prj"},
        {m_temp / "link", m_real + "/link"}, // the last part keeps its name
        // a folder that is not there cannot be gone back out of
        {m_temp / "missing/../X.prj", m_real + "/missing/../X.prj"}};
    for (const auto& [given, resolved] : cases)
        EXPECT_EQ(AbsolutePath(given), resolved) << given;
    // A command goes where the system means, not to the decoy that folding the text reaches.
    ProjectBuilder(ProjectPath("X")).Patch(1, "Decoy", 0);
    ProjectBuilder(m_temp / "elsewhere/X.prj/").Patch(1, "Real", 0);
    ExpectRun(RunCorvane({"save-as", m_temp / "link/../X.prj", m_temp / "link/../Y.prj"}), 0, {});
    EXPECT_TRUE(CorvTest::FileExists(m_temp / "elsewhere/Y.prj/Patch/001 Real.d00"));
}

TEST(CliRows, KeepTheGivenOrderAndRefuseWhatNoSelectionHolds) {
    std::vector<int> rows;
    std::string error;
    ASSERT_TRUE(Corv::Cli::ParseRows("12,3,5-7", Corv::kPatchKind, rows, error)) << error;
    EXPECT_EQ(rows, (std::vector<int>{11, 2, 4, 5, 6}));
    for (const char* bad : {"", "3,", ",3", "0", "513", "5-3", "3,3-4", "1--2", "+1", "1 ", "2-"})
        EXPECT_FALSE(Corv::Cli::ParseRows(bad, Corv::kPatchKind, rows, error)) << bad;
}

// `corvane find`: the hits printed as `list` prints rows; exit status 1 without a hit.
class CliFindTest : public CliTest {
protected:
    void SetUp() override {
        p.Patch(2, "Bass Lead", 1, 1).Patch(9, "Pad", 0);
        p.Tone(1, "Sub bass", {3}).Tone(4, "Idle", {});
        p.Wave(3, "BASSDRUM", 64, ".w00").Wave(5, "Loop", 10, ".wav");
        // memo 2 of patch 9 and memo 4 of wave 5 (four lines per entry)
        std::vector<std::string> patchMemos(36), waveMemos(20);
        patchMemos[33] = "deep BaSs";
        waveMemos[19] = "no match here";
        p.Memos(Corv::kPatchKind, patchMemos).Memos(Corv::kWaveKind, waveMemos);
    }
    ProjectBuilder p{ProjectPath("P")};
};

TEST_F(CliFindTest, PrintsTheHitsOfEachKindAsTheListDoes) {
    ExpectRun(RunCorvane({"find", p.Folder(), "BASS"}), 0,
              {"patches 2", "   2  Bass Lead     L/U", "   9  Pad           _/_   | deep BaSs",
               "tones 1", ">  1  Sub bass", "waves 1", ">  3  * BASSDRUM"});
    ExpectRun(RunCorvane({"find", p.Folder(), "bass", "--kind", "tones"}), 0, {">  1  Sub bass"});
    ExpectRun(RunCorvane({"find", p.Folder(), "match", "--kind", "wave"}), 0,
              {"   5    Loop           |  |  | no match here"});
}

TEST_F(CliFindTest, NoHitExitsWith1AndBadArgumentsWith2) {
    ExpectRun(RunCorvane({"find", p.Folder(), "bass", "--kind", "wave"}), 0, {">  3  * BASSDRUM"});
    ExpectRun(RunCorvane({"find", p.Folder(), "Idle", "--kind", "patch"}), 1, {});
    ExpectRun(RunCorvane({"find", p.Folder(), "nowhere"}), 1, {});
    const auto usage = [&](const Strings& arguments) {
        const RunResult result = RunCorvane(arguments);
        EXPECT_EQ(result.status, 2) << result.out << result.err;
        EXPECT_FALSE(result.err.empty());
    };
    usage({"find", p.Folder(), "bass", "--kind", "drum"});
    usage({"find", p.Folder(), ""});
    usage({"find", p.Folder()});
}

// `corvane diff`: two project folders, or one folder given twice, compared slot by slot.
class CliDiffTest : public CliTest {
protected:
    std::string MakeProject(const std::string& name) {
        ProjectBuilder p(ProjectPath(name));
        p.Patch(1, "Warm Pad", 2, 4).Patch(3, "Glass Bell", 4).Patch(7, "Bass", 9);
        p.Tone(2, "Pad Saw", {1, 3}).Tone(4, "Bell FM", {3, 0, 5}).Tone(9, "Sub", {});
        p.Wave(1, "Saw", 2048).Wave(3, "Bell", 4096, ".wav").Wave(5, "Air", 512, ".aiff");
        p.SystemFiles();
        m_builders.emplace(name, p);
        return p.Folder();
    }
    std::string Copy(const std::string& from, const std::string& name) {
        std::filesystem::copy(from, ProjectPath(name), std::filesystem::copy_options::recursive);
        return ProjectPath(name);
    }
    std::map<std::string, ProjectBuilder> m_builders;
};

TEST_F(CliDiffTest, EditsOfACopyShowAsOneLinePerDifference) {
    const std::string a = MakeProject("A");
    const std::string b = Copy(a, "B");
    // Moving tone 2 to 20 renumbers patch 1's reference: the patch itself is unchanged.
    ASSERT_EQ(RunCorvane({"move", b, "tone", "2", b, "20", "--yes"}).status, 0);
    ASSERT_EQ(RunCorvane({"rename", b, "wave", "1", "Sawtooth"}).status, 0);
    ASSERT_EQ(RunCorvane({"memo", b, "patch", "3", "1", "night \"set\""}).status, 0);
    ASSERT_EQ(RunCorvane({"delete", b, "patch", "7", "--yes"}).status, 0);
    // Other bytes in the wave file of slot 5, under the same name.
    CorvTest::WriteBytes(
        m_builders.at("A").SlotPath(Corv::kWaveKind, 5, "Air", ".aiff").replace(0, a.size(), b),
        CorvTest::AudioFileBytes(".aiff", 512, 0x33));
    const Strings lines = {
        "patch 3: memo 1 \"\" -> \"night \\\"set\\\"\"",
        "patch 7: only in A \"Bass\"",
        "tone 2 -> 20: moved",
        "wave 1: name \"Saw\" -> \"Sawtooth\"",
        "wave 5: content differs",
    };
    ExpectRun(RunCorvane({"diff", a, b}), 1, lines);

    const RunResult json = RunCorvane({"diff", a, b, "--json"});
    EXPECT_EQ(json.status, 1);
    ASSERT_EQ(json.Lines().size(), 1u) << json.out;
    EXPECT_EQ(Json::parse(json.out), Json::parse(R"([
        {"kind": "patch", "change": "memo", "a": 3, "b": 3, "memo": 1, "from": "", "to": "night \"set\""},
        {"kind": "patch", "change": "only-in-a", "a": 7, "b": null, "name": "Bass"},
        {"kind": "tone", "change": "moved", "a": 2, "b": 20},
        {"kind": "wave", "change": "name", "a": 1, "b": 1, "from": "Saw", "to": "Sawtooth"},
        {"kind": "wave", "change": "content", "a": 5, "b": 5}])"));

    // B against A: the same differences seen from the other side.
    const RunResult back = RunCorvane({"diff", b, a});
    EXPECT_EQ(back.status, 1);
    EXPECT_EQ(back.Lines()[1], "patch 7: only in B \"Bass\"");
    EXPECT_EQ(back.Lines()[2], "tone 20 -> 2: moved");
}

// One folder given twice is equal; a folder that cannot be loaded is never "different".
TEST_F(CliDiffTest, TheSameFolderIsEqualAndOneThatCannotBeLoadedIsStatus2) {
    const std::string a = MakeProject("A");
    ExpectRun(RunCorvane({"diff", a, a}), 0, {});
    ExpectRun(RunCorvane({"diff", a, a, "--json"}), 0, {"[]"});
    const RunResult missing = RunCorvane({"diff", a, m_temp / "None.prj"});
    EXPECT_EQ(missing.status, 2);
    EXPECT_NE(missing.out.find("error"), std::string::npos) << missing.out;
    EXPECT_EQ(RunCorvane({"diff", a}).status, 2);
    EXPECT_EQ(RunCorvane({"diff", a, a, "--bogus"}).status, 2);
}

} // namespace
} // namespace CorvCliTest
