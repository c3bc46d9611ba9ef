// `corvane find`: the hits printed as `list` prints rows, the exit status telling whether there
// was one, and usage errors.

#include "cli_fixture.h"

namespace CorvCliTest {
namespace {

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

} // namespace
} // namespace CorvCliTest
