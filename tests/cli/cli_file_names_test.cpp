// The code page of a run (CORVANE_CODE_PAGE or the locale), UTF-8 file names from code-page
// names, and the content check of an import, end to end.

#include "cli_fixture.h"
#include "model/text_encoding.h"

namespace CorvCliTest {
namespace {

using Environment = std::map<std::string, std::string>;

const std::string kKana = "\xEF\xBE\x83\xEF\xBD\xBD\xEF\xBE\x84"; // half-width katakana, UTF-8

// What the dump's JSON gives back for 8-bit bytes: each byte as the character of its number.
std::string Latin1(const std::string& bytes) {
    std::string text;
    for (const unsigned char c : bytes)
        if (c < 0x80) {
            text += static_cast<char>(c);
        } else {
            text += static_cast<char>(0xC0 | (c >> 6));
            text += static_cast<char>(0x80 | (c & 0x3F));
        }
    return text;
}

// Only the variable, or only the locale, chooses the code page of a run.
Environment CodePage(const std::string& name) {
    return {{"CORVANE_CODE_PAGE", name}, {"LC_ALL", ""}, {"LC_CTYPE", ""}, {"LANG", ""}};
}
Environment Locale(const std::string& lcAll, const std::string& lcCtype, const std::string& lang) {
    return {{"CORVANE_CODE_PAGE", ""}, {"LC_ALL", lcAll}, {"LC_CTYPE", lcCtype}, {"LANG", lang}};
}

class CliFileNamesTest : public CliTest {
protected:
    // A project whose patch 1 has a katakana file name and patch 2 a file name in Windows-1252
    // bytes, as an earlier version wrote it.
    ProjectBuilder Katakana(const std::string& name) {
        ProjectBuilder p(ProjectPath(name));
        p.File("Patch/001 " + kKana + ".d00", CorvTest::PatchFileBytes(CorvTest::MakePatch("", 0)));
        p.File("Patch/002 Cr\xE8me.d00", CorvTest::PatchFileBytes(CorvTest::MakePatch("", 0)));
        return p;
    }
    static std::string NameOf(const std::string& folder, const Environment& environment) {
        const RunResult dump = RunCorvane({"dump", folder}, environment);
        return Json::parse(dump.out)["patches"][0]["name"].get<std::string>();
    }
};

// The name a katakana file name gives is the bytes in the code page of the run (Windows-1252
// holds no katakana); a code page the tool does not know is a usage error.
TEST_F(CliFileNamesTest, TheVariableOrElseTheLocaleChoosesTheCodePage) {
    const std::string folder = Katakana("K").Folder();
    const std::string japanese = Latin1("\xC3\xBD\xC4");
    const std::pair<Environment, std::string> cases[] = {
        {CodePage("Shift_JIS"), japanese},
        {CodePage("windows-1252"), ""},
        {CodePage("SHIFT_JIS"), japanese},
        {Locale("", "", "ja_JP.UTF-8"), japanese},
        {Locale("", "ja_JP.eucJP", "en_GB.UTF-8"), japanese},
        {Locale("C", "ja_JP.UTF-8", "ja_JP.UTF-8"), ""}, // LC_ALL rules
        {Locale("", "", "de_DE.UTF-8"), ""},
        {Locale("", "", ""), ""},
    };
    for (const auto& [environment, name] : cases)
        EXPECT_EQ(NameOf(folder, environment), name)
            << environment.at("CORVANE_CODE_PAGE") << environment.at("LC_ALL")
            << environment.at("LC_CTYPE") << environment.at("LANG");
    const RunResult unknown = RunCorvane({"list", folder, "patch"}, CodePage("UTF-8"));
    EXPECT_TRUE(unknown.status == 2 && unknown.out.empty() &&
                unknown.err.find("CORVANE_CODE_PAGE must be windows-1252 or Shift_JIS") !=
                    std::string::npos)
        << unknown.out << unknown.err;
}

// Copied and renamed entries get UTF-8 file names, and a file name in code-page bytes is
// renamed to its UTF-8 name by the save, each with the code page of the run.
TEST_F(CliFileNamesTest, SavedFileNamesAreUtf8InEitherCodePage) {
    for (const bool japanese : {false, true}) {
        const Environment environment = CodePage(japanese ? "Shift_JIS" : "windows-1252");
        const std::string folder = Katakana(japanese ? "J" : "W").Folder();
        // Typed bytes go in as they stand; a Shift_JIS name loses its double-byte characters.
        const std::string typed = japanese ? "\xB1\xB2 \x83\x65" : "\xC4pfel \xD6l";
        ExpectRun(RunCorvane({"copy", folder, "patch", "2", folder, "3"}, environment), 0, {});
        ExpectRun(RunCorvane({"rename", folder, "patch", "3", typed}, environment), 0, {});
        const Strings expected = japanese ? Strings{"001 " + kKana + ".d00",
                                                    "002 Cr\xE9\x91\xAA"
                                                    "e.d00",
                                                    "003 \xEF\xBD\xB1\xEF\xBD\xB2 .d00"}
                                          : Strings{"001 " + kKana + ".d00", "002 Cr\xC3\xA8me.d00",
                                                    "003 \xC3\x84pfel \xC3\x96l.d00"};
        const Strings files = CorvTest::ListFolder(folder + "Patch");
        EXPECT_EQ(files, expected);
        for (const std::string& file : files)
            EXPECT_TRUE(Corv::IsValidUtf8(file)) << file;
        // What was saved loads back as the same names.
        const Json patches = Json::parse(RunCorvane({"dump", folder}, environment).out)["patches"];
        EXPECT_EQ(patches[1]["name"], Latin1("Cr\xE8me"));
        EXPECT_EQ(patches[2]["name"], Latin1(japanese ? "\xB1\xB2 " : "\xC4pfel \xD6l"));
    }
}

// "Café Pad.wav" becomes the wave "Café Pad" in the code page; a file that is not the WAV or
// AIFF its extension says is named in a note and the others are imported.
TEST_F(CliFileNamesTest, ImportTakesTheTitleIntoTheCodePageAndChecksTheContent) {
    ProjectBuilder p(ProjectPath("I"));
    p.Patch(1, "Lead", 0);
    const std::string cafe = m_temp / "Caf\xC3\xA9 Pad.wav";
    const std::string notes = m_temp / "notes.wav";
    const std::string riff = m_temp / "riff.aiff";
    CorvTest::WriteBytes(cafe, CorvTest::AudioFileBytes(".wav", 100));
    CorvTest::WriteBytes(notes, {'h', 'e', 'l', 'l', 'o', '\n'});
    CorvTest::WriteBytes(riff, CorvTest::AudioFileBytes(".wav", 100));
    const RunResult imported =
        RunCorvane({"import", p.Folder(), notes, cafe, riff}, CodePage("windows-1252"));
    ExpectRun(imported, 0, {});
    EXPECT_EQ(imported.err, "note: 2 files are not the WAV or AIFF files their extensions say and "
                            "were not imported:\nnote: " +
                                notes + "\nnote: " + riff + "\n");
    const Json wave = DumpOf(p.Folder())["waves"][0];
    EXPECT_EQ(wave["name"], Latin1("Caf\xE9 Pad"));
    EXPECT_EQ(wave["file"], Latin1(p.Folder() + "Wave/001 Caf\xC3\xA9 Pad.wav"));
    EXPECT_EQ(CorvTest::ReadBytes(p.Folder() + "Wave/001 Caf\xC3\xA9 Pad.wav"),
              CorvTest::ReadBytes(cafe));
    EXPECT_TRUE(DumpOf(p.Folder())["waves"][1]["empty"].get<bool>());
}

} // namespace
} // namespace CorvCliTest
