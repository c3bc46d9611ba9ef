// Texts at the terminal: in a UTF-8 locale the people-facing commands print names and memos
// decoded from the code page and take UTF-8 text, encoded as the desktop program encodes a typed
// name; in the C locale they pass the code page's bytes; dump, --json and scripts always pass
// the bytes.

#include "cli_fixture.h"

#include <algorithm>
#include <filesystem>

namespace CorvCliTest {
namespace {

using Environment = std::map<std::string, std::string>;

const Environment kUtf8 = {{"LANG", "C.UTF-8"}};
const Environment kC = {};
// Shift_JIS chosen by a Japanese locale that is UTF-8 too.
const Environment kJapaneseUtf8 = {{"LANG", "ja_JP.UTF-8"}};

class CliUtf8Test : public CliTest {
protected:
    // Tone 1 named `firstTone` with memo 1 "Café au lait", tone 2 "Lead", and a rejected tone
    // file whose name is in Windows-1252 bytes, as an earlier version wrote it.
    std::string MakeProject(const std::string& name, const std::string& firstTone) {
        ProjectBuilder p(ProjectPath(name));
        p.Tone(1, firstTone, {}).Tone(2, "Lead", {});
        p.Memos(Corv::kToneKind, {"Caf\xE9 au lait", "", "", "", "", "", "", ""});
        p.File("Tone/Extr\xE4.p00", CorvTest::ToneFileBytes(CorvTest::MakeTone("", {})));
        return p.Folder();
    }

    static Json ToneOf(const std::string& folder, int number, const Environment& environment = {}) {
        return Json::parse(RunCorvane({"dump", folder}, environment).out)["tones"][number - 1];
    }
};

// The rows of tone 1 as the lists show it: the name padded to 12 characters, not bytes.
const std::string kRowUtf8 = "   1  Crème         Café au lait";
const std::string kRowBytes = "   1  Cr\xE8me         Caf\xE9 au lait";

TEST_F(CliUtf8Test, PeopleFacingCommandsPrintTheLocalesText) {
    const std::string a = MakeProject("A", "Cr\xE8me");
    const std::string b = MakeProject("B", "Cr\xEAme");
    ExpectRun(RunCorvane({"memo", b, "tone", "1", "1", ""}), 0, {});
    const std::string rejected = "rejected " + a + "Tone/Extr";
    struct Case {
        Strings arguments;
        int status;
        Strings utf8;
        Strings bytes;
    };
    const Case cases[] = {
        {{"list", a, "tone"}, 0, {kRowUtf8, "   2  Lead"}, {kRowBytes, "   2  Lead"}},
        {{"find", a, "au", "--kind", "tone"}, 0, {kRowUtf8}, {kRowBytes}},
        {{"check", a},
         1,
         {rejected + "ä.p00", "problems 1"},
         {rejected + "\xE4.p00", "problems 1"}},
        {{"diff", a, b},
         1,
         {"tone 1: name \"Crème\" -> \"Crême\"", "tone 1: memo 1 \"Café au lait\" -> \"\""},
         {"tone 1: name \"Cr\xE8me\" -> \"Cr\xEAme\"",
          "tone 1: memo 1 \"Caf\xE9 au lait\" -> \"\""}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.arguments.front());
        ExpectRun(RunCorvane(c.arguments, kUtf8), c.status, c.utf8);
        ExpectRun(RunCorvane(c.arguments, kC), c.status, c.bytes);
    }
    // info names the rejected file among its other lines.
    const auto holds = [](const RunResult& run, const std::string& line) {
        const Strings lines = run.Lines();
        return std::find(lines.begin(), lines.end(), line) != lines.end();
    };
    EXPECT_TRUE(holds(RunCorvane({"info", a}, kUtf8), "  " + a + "Tone/Exträ.p00"));
    EXPECT_TRUE(holds(RunCorvane({"info", a}, kC), "  " + a + "Tone/Extr\xE4.p00"));
}

// Double-byte characters of Shift_JIS are decoded as whole characters, "ソ" too, whose second
// byte is the backslash's: the diff quotes the decoded text, never the bytes.
TEST_F(CliUtf8Test, ShiftJisTextIsDecodedInAJapaneseUtf8Locale) {
    const auto make = [this](const std::string& name, const std::string& memo) {
        ProjectBuilder p(ProjectPath(name));
        // Half-width katakana, single bytes in Shift_JIS, from a UTF-8 file name.
        p.File("Tone/001 ﾋﾟｱﾉ.p00", CorvTest::ToneFileBytes(CorvTest::MakeTone("", {})));
        p.Memos(Corv::kToneKind, {memo, "", "", ""});
        return p.Folder();
    };
    const std::string a = make("A", "\x83\x73\x83\x41\x83\x6D\x83\x5C");
    const std::string b = make("B", "");
    ExpectRun(RunCorvane({"list", a, "tone"}, kJapaneseUtf8), 0, {"   1  ﾋﾟｱﾉ          ピアノソ"});
    ExpectRun(RunCorvane({"diff", a, b}, kJapaneseUtf8), 1,
              {"tone 1: memo 1 \"ピアノソ\" -> \"\""});
}

// The dump, the diff's JSON and the script's output are the same bytes in either locale.
TEST_F(CliUtf8Test, JsonAndScriptsKeepTheirBytesInEveryLocale) {
    const std::string a = MakeProject("A", "Cr\xE8me");
    const std::string b = MakeProject("B", "Cr\xEAme");
    const std::string script = "open A " + Quoted(a) + "\nlist A tone\ndump A\n";
    for (const Strings& arguments : {Strings{"dump", a}, Strings{"diff", a, b, "--json"}}) {
        const RunResult bytes = RunCorvane(arguments, kC);
        EXPECT_EQ(RunCorvane(arguments, kUtf8).out, bytes.out) << arguments.front();
        EXPECT_NE(bytes.out.find("Cr\\u00E8me"), std::string::npos) << bytes.out;
    }
    const RunResult scripted = RunCorvane({"script"}, kC, script);
    EXPECT_EQ(RunCorvane({"script"}, kUtf8, script).out, scripted.out);
    ASSERT_FALSE(scripted.Lines().empty());
    EXPECT_EQ(scripted.Lines().front(), kRowBytes);
}

// A typed name goes through the desktop program's filter: what the code page cannot hold and
// what a name cannot contain is left out; a memo keeps what the code page holds.
TEST_F(CliUtf8Test, TypedTextIsEncodedIntoTheCodePage) {
    struct Case {
        Environment environment;
        Strings edit; // after "PROJECT tone 2"
        std::string field;
        std::string stored;
    };
    const Case cases[] = {
        {kUtf8, {"Bass ♪ Lo"}, "name", "Bass  Lo"},
        {kUtf8, {"Café"}, "name", "Caf"}, // é is coded 0xE9, never part of a name
        {kUtf8, {"1", "♪ Café\tau lait"}, "memo", " Caf\xE9 au lait"},
        {kUtf8,
         {"4", "Ωmega €5"},
         "memo",
         "mega \x80"
         "5"},
        {kC, {"Caf\xE9 \x80"}, "name", "Caf \x80"},
        {kC, {"2", "Caf\xE9\tau"}, "memo", "Caf\xE9\tau"}, // the bytes as they stand
        {kJapaneseUtf8, {"ﾋﾟｱﾉ Café"}, "name", "\xCB\xDF\xB1\xC9 Caf"},
        {kJapaneseUtf8, {"ピアノ Lead"}, "name", " Lead"},
        {kJapaneseUtf8, {"3", "ピアノ ¥"}, "memo", "\x83\x73\x83\x41\x83\x6D "},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.edit.back());
        const std::string folder = MakeProject("T", "Cr\xE8me");
        Strings arguments = {c.field == "name" ? "rename" : "memo", folder, "tone", "2"};
        arguments.insert(arguments.end(), c.edit.begin(), c.edit.end());
        ExpectRun(RunCorvane(arguments, c.environment), 0, {});
        const Json tone = ToneOf(folder, 2, c.environment);
        const std::string stored =
            c.field == "name" ? tone["name"].get<std::string>()
                              : tone["memos"][std::stoi(c.edit.front()) - 1].get<std::string>();
        std::string expected; // the dump gives every byte as the character of its number
        for (const unsigned char byte : c.stored)
            expected += byte < 0x80 ? std::string(1, static_cast<char>(byte))
                                    : std::string{static_cast<char>(0xC0 | (byte >> 6)),
                                                  static_cast<char>(0x80 | (byte & 0x3F))};
        EXPECT_EQ(stored, expected);
        std::filesystem::remove_all(folder);
    }
}

// Nothing changes when the typed text is not UTF-8 in a UTF-8 locale (a usage error) or when a
// name would be stored as nothing (refused as the desktop program refuses it).
TEST_F(CliUtf8Test, TextThatCannotBeTakenChangesNothing) {
    const std::string folder = MakeProject("P", "Cr\xE8me");
    const std::string notUtf8 = " is not UTF-8 text, which the locale says the terminal types; "
                                "nothing was changed\n";
    const auto unstorable = [](const std::string& typed, const std::string& page) {
        return "corvane: The name \u201c" + typed +
               "\u201d was not used: none of its characters can be stored in a name in the code "
               "page " +
               page + ", so it would be stored as no name at all.\n";
    };
    struct Case {
        Environment environment;
        Strings arguments; // after the command's PROJECT
        std::string input;
        int status;
        std::string err;
    };
    const Case cases[] = {
        {kUtf8, {"rename", "tone", "2", "Caf\xE9"}, "", 2, "corvane: the name" + notUtf8},
        {kUtf8, {"memo", "tone", "2", "1", "Caf\xE9"}, "", 2, "corvane: the memo text" + notUtf8},
        {kUtf8, {"find", "Caf\xE9"}, "", 2, "corvane: the search text" + notUtf8},
        {kUtf8, {"rename", "tone", "2", "ピアノ"}, "", 1, unstorable("ピアノ", "Windows-1252")},
        {kJapaneseUtf8,
         {"rename", "tone", "2", "ピアノ"},
         "",
         1,
         unstorable("ピアノ", "Shift_JIS")},
        {kC, {"rename", "tone", "2", "*?/"}, "", 1, unstorable("*?/", "Windows-1252")},
        {kC,
         {"rename", "tone", "2", "\t"},
         "",
         1,
         "corvane: The name was not changed: an entry needs a name, or its slot could not be told "
         "from an empty one.\n"},
        {kC,
         {},
         "open A " + Quoted(folder) + "\nrename A tone 2 \"<|>\"\n",
         1,
         "corvane: stdin:2:" + unstorable("<|>", "Windows-1252").substr(8)},
    };
    const auto before = CorvTest::FolderSnapshot(folder);
    for (const Case& c : cases) {
        Strings arguments = {"script"};
        if (!c.arguments.empty())
            arguments = {c.arguments.front(), folder};
        arguments.insert(arguments.end(), c.arguments.begin() + (c.arguments.empty() ? 0 : 1),
                         c.arguments.end());
        const RunResult run = RunCorvane(arguments, c.environment, c.input);
        EXPECT_EQ(run.status, c.status) << run.err;
        EXPECT_EQ(run.err, c.err);
        EXPECT_EQ(CorvTest::SnapshotDifference(before, CorvTest::FolderSnapshot(folder)), "");
    }
}

// A UTF-8 search text is looked for in the code page, letter case ignored; a character the code
// page cannot hold finds nothing, not what the rest of the text would find.
TEST_F(CliUtf8Test, FindTakesTheLocalesText) {
    const std::string folder = MakeProject("P", "Cr\xE8me");
    const std::string noHold = "note: the code page Windows-1252 cannot hold every character of ";
    struct Case {
        Environment environment;
        std::string text;
        int status;
        Strings lines;
        std::string err;
    };
    const Case cases[] = {
        {kUtf8, "CRÈME", 0, {kRowUtf8}, ""},
        {kUtf8, "CAFÉ AU", 0, {kRowUtf8}, ""},
        {kUtf8, "Lead♪", 1, {}, noHold + "\"Lead♪\", so no name or memo holds it\n"},
        {kUtf8, "ピアノ", 1, {}, noHold + "\"ピアノ\", so no name or memo holds it\n"},
        {kC, "CRÈME", 1, {}, ""}, // UTF-8 bytes are no Windows-1252 letters
        {kC, "CR\xC8ME", 0, {kRowBytes}, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const RunResult run = RunCorvane({"find", folder, c.text, "--kind", "tone"}, c.environment);
        ExpectRun(run, c.status, c.lines);
        EXPECT_EQ(run.err, c.err);
    }
}

} // namespace
} // namespace CorvCliTest
