// The demo project: it loads, passes the check, follows from its seed and shows what a real
// project holds.

#include "cli_fixture.h"

#include <functional>
#include <set>

namespace CorvCliTest {
namespace {

class CliDemoTest : public CliTest {
protected:
    std::string MakeDemo(const std::string& name, const std::vector<std::string>& extra = {}) {
        std::vector<std::string> arguments = {"demo", ProjectPath(name)};
        arguments.insert(arguments.end(), extra.begin(), extra.end());
        const RunResult result = RunCorvane(arguments);
        EXPECT_EQ(result.status, 0) << result.err;
        return ProjectPath(name);
    }
};

int CountIf(const nlohmann::json& slots, const std::function<bool(const nlohmann::json&)>& test) {
    int count = 0;
    for (const nlohmann::json& slot : slots)
        count += test(slot) ? 1 : 0;
    return count;
}

bool Used(const nlohmann::json& slot) {
    return !slot["empty"].get<bool>();
}

TEST_F(CliDemoTest, DemoLoadsCleanlyAndLooksLikeARealProject) {
    const std::string demo = MakeDemo("Demo");
    const RunResult check = RunCorvane({"check", demo});
    EXPECT_EQ(check.status, 0) << check.out;
    const nlohmann::json dump = DumpOf(demo);
    const nlohmann::json& patches = dump["patches"];
    const nlohmann::json& tones = dump["tones"];
    const nlohmann::json& waves = dump["waves"];

    EXPECT_GT(
        CountIf(patches,
                [](const nlohmann::json& p) { return Used(p) && p["slots"][1]["bank"] == 87; }),
        0);
    EXPECT_GT(
        CountIf(patches,
                [](const nlohmann::json& p) { return Used(p) && p["slots"][1]["switch"] == 0; }),
        0);
    EXPECT_GT(CountIf(patches,
                      [](const nlohmann::json& p) {
                          return p["slots"][0]["bank"] != 87 && p["slots"][0]["bank"] != 0;
                      }) +
                  CountIf(patches,
                          [](const nlohmann::json& p) {
                              return p["slots"][1]["bank"] != 87 && p["slots"][1]["bank"] != 0;
                          }),
              0)
        << "no preset references";
    EXPECT_GT(CountIf(tones, [](const nlohmann::json& t) { return Used(t) && t["users"].empty(); }),
              0);
    EXPECT_GT(CountIf(waves, [](const nlohmann::json& w) { return Used(w) && w["users"].empty(); }),
              0);
    EXPECT_GT(CountIf(waves, [](const nlohmann::json& w) { return w["users"].size() > 1; }), 0)
        << "no shared wave";
    EXPECT_GT(
        CountIf(patches,
                [](const nlohmann::json& p) { return !p["memos"][0].get<std::string>().empty(); }),
        0);
    // Gaps: an empty slot before the last used one in every list.
    for (const nlohmann::json* slots : {&patches, &tones, &waves}) {
        std::size_t last = 0;
        for (std::size_t i = 0; i < slots->size(); ++i)
            if (Used((*slots)[i]))
                last = i;
        EXPECT_LT(CountIf(*slots, Used), static_cast<int>(last) + 1);
    }
    std::set<std::string> extensions;
    for (const nlohmann::json& wave : waves)
        if (Used(wave)) {
            const std::string file = wave["file"];
            extensions.insert(file.substr(file.rfind('.')));
            EXPECT_GT(wave["bytes"].get<int>(), 1000);
        }
    EXPECT_GE(extensions.size(), 3u);
    for (const char* system :
         {"Corvane System.s00", "Corvane Template.s00", "Corvane Palette.s00", "Corvane Setup.s00",
          "Corvane MicSetting.s00", "PatchMemo.txt", "ToneMemo.txt", "WaveMemo.txt"})
        EXPECT_TRUE(CorvTest::FileExists(demo + system)) << system;
}

TEST_F(CliDemoTest, TheSeedDecidesTheProject) {
    const auto sameSeedA = CorvTest::FolderSnapshot(MakeDemo("A", {"--seed", "42"}));
    const auto sameSeedB = CorvTest::FolderSnapshot(MakeDemo("B", {"--seed", "42"}));
    const auto otherSeed = CorvTest::FolderSnapshot(MakeDemo("C", {"--seed", "43"}));
    EXPECT_EQ(sameSeedA, sameSeedB);
    EXPECT_NE(sameSeedA, otherSeed);
}

TEST_F(CliDemoTest, FullDemoFillsEverySlotJustUnderTheWaveLimit) {
    const std::string demo = MakeDemo("Full", {"--full"});
    EXPECT_EQ(RunCorvane({"check", demo}).status, 0);
    const nlohmann::json dump = DumpOf(demo);
    for (const char* kind : {"patches", "tones", "waves"})
        EXPECT_EQ(CountIf(dump[kind], Used), static_cast<int>(dump[kind].size())) << kind;
    const auto bytes = dump["waveBytes"].get<std::uint64_t>();
    EXPECT_LE(bytes, Corv::kWaveBytesLimit);
    EXPECT_GT(bytes, Corv::kWaveBytesLimit - 65536);
}

TEST_F(CliDemoTest, DemoRefusesAnExistingFolder) {
    const std::string demo = MakeDemo("Demo");
    const auto before = CorvTest::FolderSnapshot(demo);
    const RunResult again = RunCorvane({"demo", demo});
    EXPECT_EQ(again.status, 1);
    EXPECT_FALSE(again.err.empty());
    EXPECT_EQ(CorvTest::FolderSnapshot(demo), before);
}

} // namespace
} // namespace CorvCliTest
