#include "cli_fixture.h"
#include "support/audio_files.h"

#include <regex>

namespace CorvCliTest {
namespace {

using CorvTest::AudioContainer;
using CorvTest::Spec;

// A project whose wave slots hold: 1 a stereo WAV with a loop, 2 a mono AIFF, 3 the
// instrument's own format, 4 a ".wav" that is no WAV; 5 is empty.
class WaveCli : public CliTest {
protected:
    void SetUp() override {
        ProjectBuilder builder(ProjectPath("Waves"));
        CorvTest::AudioSpec stereo = Spec(AudioContainer::Wav, 22050, 2, 16);
        stereo.loop = CorvTest::AudioSpec::Loop{1, 3};
        CorvTest::WriteBytes(
            builder.SlotPath(Corv::kWaveKind, 1, "Stereo", ".wav"),
            CorvTest::AudioBytes(stereo, {0.5, -0.25, -0.75, 0.25, 0.25, 0.5, 0.0, -0.5}));
        CorvTest::WriteBytes(builder.SlotPath(Corv::kWaveKind, 2, "Mono", ".aif"),
                             CorvTest::AudioBytes(Spec(AudioContainer::Aiff, 44100, 1, 24),
                                                  std::vector<double>(44100, -0.125)));
        builder.Wave(3, "Own", 4096, ".w00");
        CorvTest::WriteBytes(builder.SlotPath(Corv::kWaveKind, 4, "Broken", ".wav"),
                             CorvTest::Bytes(300, 'x'));
        m_project = builder.Folder();
    }

    // The start of every tag in an SVG document, checked to nest properly; empty when not.
    static Strings Tags(const std::string& svg) {
        Strings open, tags;
        const std::regex tag(R"(<(/?)([a-zA-Z?][\w:-]*)((?:\s+[\w:-]+="[^"<]*")*)\s*(/?|\?)>)");
        std::size_t at = 0;
        for (auto it = std::sregex_iterator(svg.begin(), svg.end(), tag);
             it != std::sregex_iterator(); ++it) {
            // Nothing but blanks between tags: no stray text or broken tag.
            if (svg.find_first_not_of(" \n", at) < static_cast<std::size_t>(it->position()))
                return {};
            at = static_cast<std::size_t>(it->position() + it->length());
            const std::string name = (*it)[2];
            tags.push_back(name);
            if (name.front() == '?' || (*it)[4] == "/")
                continue;
            if ((*it)[1] == "/") {
                if (open.empty() || open.back() != name)
                    return {};
                open.pop_back();
            } else {
                open.push_back(name);
            }
        }
        return open.empty() && svg.find_first_not_of(" \n", at) == std::string::npos ? tags
                                                                                     : Strings{};
    }

    std::string m_project;
};

TEST_F(WaveCli, WaveJsonGivesTheFactsOfEachKindOfFile) {
    const RunResult stereo = RunCorvane({"wave", m_project, "1", "--json"});
    ASSERT_EQ(stereo.status, 0) << stereo.err;
    EXPECT_EQ(stereo.out,
              R"({"format": "wav", "reason": "", "sampleRate": 22050, "channels": 2, "bits": 16, )"
              R"("frames": 4, "seconds": 0.00018140589569160998, "loop": {"start": 1, "end": 3}, )"
              R"("peak": 0.75})"
              "\n");
    const Json mono = Json::parse(RunCorvane({"wave", m_project, "2", "--json"}).out);
    EXPECT_EQ(mono["format"], "aiff");
    EXPECT_EQ(mono["bits"], 24);
    EXPECT_EQ(mono["frames"], 44100);
    EXPECT_EQ(mono["seconds"], 1.0);
    EXPECT_EQ(mono["peak"], 0.125);
    EXPECT_TRUE(mono["loop"].is_null());

    const RunResult own = RunCorvane({"wave", m_project, "3", "--json"});
    EXPECT_EQ(own.status, 0);
    EXPECT_EQ(Json::parse(own.out),
              Json::parse(R"({"format": "instrument", "reason": "the instrument's own format",
                  "sampleRate": 0, "channels": 0, "bits": 0, "frames": 0, "seconds": 0,
                  "loop": null, "peak": 0})"));
    const RunResult broken = RunCorvane({"wave", m_project, "4", "--json"});
    EXPECT_EQ(broken.status, 1);
    EXPECT_EQ(Json::parse(broken.out)["format"], "unreadable");
    EXPECT_EQ(Json::parse(broken.out)["reason"], "cannot be read: not a WAV or AIFF file");
}

TEST_F(WaveCli, WaveShowsPeopleTheFacts) {
    ExpectRun(RunCorvane({"wave", m_project, "1"}), 0,
              {"format: wav", "sample rate: 22050 Hz", "channels: 2", "bits: 16", "frames: 4",
               "length: 0.000 s", "loop: 1-3", "peak: 0.7500 (-2.5 dBFS)"});
    ExpectRun(RunCorvane({"wave", m_project, "3"}), 0,
              {"format: instrument (the instrument's own format)"});
}

TEST_F(WaveCli, WaveformIsAnSvgOfTheAskedSize) {
    const RunResult result =
        RunCorvane({"waveform", m_project, "1", "--svg", "--width", "40", "--height", "120"});
    ASSERT_EQ(result.status, 0) << result.err;
    const Strings tags = Tags(result.out);
    ASSERT_FALSE(tags.empty()) << result.out;
    EXPECT_EQ(tags[0], "?xml");
    EXPECT_EQ(tags[1], "svg");
    EXPECT_NE(result.out.find(R"(<svg xmlns="http://www.w3.org/2000/svg" width="40" height="120")"),
              std::string::npos);
    // Two channels, each a path of one rectangle a column; two loop lines and two zero lines.
    EXPECT_EQ(std::count(tags.begin(), tags.end(), "path"), 2);
    EXPECT_EQ(std::count(tags.begin(), tags.end(), "line"), 4);
    EXPECT_EQ(std::count(result.out.begin(), result.out.end(), 'Z'), 80);
    // The left channel's first column is the sample 0.5 in the upper half (60 pixels), 15
    // pixels above its middle line at 30, half a pixel tall; the right channel's -0.25 lies 7.5
    // pixels below its middle line at 90.
    EXPECT_NE(result.out.find("d=\"M0 14.75h1V15.25h-1Z"), std::string::npos) << result.out;
    EXPECT_NE(result.out.find("d=\"M0 97.25h1V97.75h-1Z"), std::string::npos) << result.out;

    const RunResult defaults = RunCorvane({"waveform", m_project, "2", "--svg"});
    EXPECT_EQ(defaults.status, 0);
    EXPECT_NE(defaults.out.find(R"(width="800" height="200")"), std::string::npos);
    EXPECT_FALSE(Tags(defaults.out).empty());
}

TEST_F(WaveCli, ErrorsSayWhatIsWrong) {
    struct Case {
        Strings arguments;
        int status;
        const char* error;
    };
    const Case cases[] = {
        {{"wave", m_project, "5"}, 2, "corvane: wave 5 is an empty slot\n"},
        {{"waveform", m_project, "5", "--svg"}, 2, "corvane: wave 5 is an empty slot\n"},
        {{"wave", m_project, "1000"},
         2,
         "corvane: row 1000 lies past the end of the wave list (999)\n"},
        {{"wave", m_project, "0"}, 2, "corvane: "},
        {{"waveform", m_project, "1"},
         2,
         "corvane: the waveform is written as SVG only: give --svg\n"},
        {{"waveform", m_project, "1", "--svg", "--width", "0"}, 2, "corvane: "},
        {{"waveform", m_project, "3", "--svg"},
         1,
         "corvane: wave 3 has no picture: the instrument's own format\n"},
        {{"waveform", m_project, "4", "--svg"},
         1,
         "corvane: wave 4 has no picture: cannot be read: not a WAV or AIFF file\n"},
        {{"wave", m_temp / "Missing.prj", "1"}, 2, "corvane: cannot load the project "},
    };
    for (const Case& c : cases) {
        const RunResult result = RunCorvane(c.arguments);
        EXPECT_EQ(result.status, c.status) << c.arguments[2] << result.err;
        EXPECT_NE(result.err.find(c.error), std::string::npos) << result.err;
        if (c.arguments[0] == "waveform") {
            EXPECT_EQ(result.out, "");
        }
    }
}

} // namespace
} // namespace CorvCliTest
