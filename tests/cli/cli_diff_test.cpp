// `corvane diff`: two project folders, or one folder given twice, compared slot by slot.

#include "cli_fixture.h"

#include <filesystem>

namespace CorvCliTest {
namespace {

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
