#include "storage/slot_file_name.h"
#include "support/scoped_code_page.h"

#include <gtest/gtest.h>
#include <string>

namespace {

TEST(SlotFileName, NumbersHaveAtLeastThreeDigits) {
    EXPECT_EQ(Corv::SlotFileName(12, "loop", ".wav"), "012 loop.wav");
    EXPECT_EQ(Corv::SlotFileName(512, "", ".d00"), "512 .d00");
    EXPECT_EQ(Corv::SlotNumberText(1000), "1000");
}

TEST(SlotFileName, ParseSlotNumberFollowsTheNamingRule) {
    const std::pair<const char*, int> cases[] = {
        {"Patch/001 Lead.d00", 1},
        {"Tone/896 Pad.p00", 896},
        {"Song.prj/Wave/042 Kick.W00", 42},
        {"001 .d00", 1},                  // empty name
        {"001 123456789012.d00", 1},      // base name of 16 characters
        {"001 1234567890123.d00", -1},    // 17 characters
        {"001 A.very.long.extension", 1}, // only the part after the last "." goes
        {"Patch/01 Lead.d00", -1},
        {"Patch/001_Lead.d00", -1},
        {"Patch/0a1 Lead.d00", -1},
        {"Folder 123.prj/abc", -1},
        {"000 Zero.d00", 0}, // follows the rule; no slot has number 0, the caller refuses it
    };
    for (const auto& [path, number] : cases)
        EXPECT_EQ(Corv::ParseSlotNumber(path), number) << path;
}

// A record's present file name keeps its name part while it reads as exactly the record's name;
// otherwise the name is written anew.
TEST(SlotFileName, ARecordKeepsANamePartThatReadsAsItsName) {
    CorvTest::ScopedCodePage page(Corv::CodePage::Windows1252);
    const std::tuple<const char*, const char*, const char*> cases[] = {
        {"/p/Patch/004 Pad \xE2\x99\xAA.d00", "Pad ", "009 Pad \xE2\x99\xAA.d00"},
        {"/p/Patch/004 Pad \xE2\x99\xAA.d00", "Pad", "009 Pad.d00"},
        {"/p/Patch/004 Cr\xE8me.d00", "Cr\xE8me", "009 Cr\xC3\xA8me.d00"}, // not UTF-8
        {"/work/000 Lead.D00", "Lead", "009 Lead.D00"},
        {"/p/Patch/004 Lead.d00", "Bass", "009 Bass.d00"},
        // A name part longer than a name is never kept: the file would not be found again.
        {"/p/Patch/NoNumber Quite Long.d00", "Quite Long", "009 Quite Long.d00"},
    };
    for (const auto& [path, name, fileName] : cases) {
        Corv::CPatch patch;
        patch.SetFilePath(path);
        patch.SetName(name);
        EXPECT_EQ(Corv::SlotFileName(9, patch), fileName) << path;
    }
}

TEST(SlotFileName, ABaseNameIsMeasuredInTheCodePage) {
    using Corv::CodePage;
    const auto repeated = [](const std::string& text, int times) {
        std::string result;
        for (int i = 0; i < times; ++i)
            result += text;
        return "001 " + result + ".d00";
    };
    const std::string e = "\xC3\xA9";         // an accented letter: one byte in Windows-1252
    const std::string kana = "\xEF\xBD\xB1";  // a half-width katakana: one byte in Shift_JIS
    const std::string kanji = "\xE9\x9F\xB3"; // two bytes in Shift_JIS
    const std::tuple<CodePage, std::string, int> cases[] = {
        {CodePage::Windows1252, repeated(e, 12), 1},
        {CodePage::Windows1252, repeated(e, 13), -1},
        {CodePage::ShiftJis, repeated(kanji, 6), 1},
        {CodePage::ShiftJis, repeated(kanji, 7), -1},
        {CodePage::Windows1252, repeated("\xE9", 13), -1}, // not UTF-8: measured as it stands
    };
    for (const auto& [page, path, number] : cases) {
        CorvTest::ScopedCodePage chosen(page);
        EXPECT_EQ(Corv::ParseSlotNumber(path), number) << path;
    }
}

TEST(SlotFileName, PatternsMatchWithoutRegardToCase) {
    struct Case {
        const char* name;
        const char* pattern;
        bool matches;
    };
    const Case cases[] = {
        {"005 Kick.WAV", "*.w*", true},
        {"006 Pad.aiff", "*.aif*", true},
        {"007 Vox.VPW", "*.vpw", true},
        {"007 Vox.vpw2", "*.vpw", false},
        {"001 Lead.D00", "*.d00", true},
        {"001 Lead.d00.bak", "*.d00", false},
        {"readme", "*.w*", false},
        {"abc", "a?c", true},
        {"ac", "a?c", false},
        {"", "*", true},
        {"aaaaaaaaaaaaaaaaaaaaaaaaaaaaab", "*a*a*a*a*a*a*c", false},
        {"Wave.w00.txt", "*.w*", true}, // "*" runs over dots as the storage's matcher does
        {"\xC4.W00", "\xC4.w00", true},
        {"\xE4.w00", "\xC4.w00", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Corv::MatchesPattern(c.name, c.pattern), c.matches)
            << c.name << " ~ " << c.pattern;
}

TEST(SlotFileName, WaveBytesText) {
    struct Case {
        std::uint32_t bytes;
        const char* text;
    };
    const Case cases[] = {
        {0, "0 Bytes"},
        {1023, "1023 Bytes"},
        {1024, "1.0 KB"},
        {1048575, "1024.0 KB"},
        {1048576, "1.0 MB"},
        {67107840, "64.0 MB"},
        {4294967295u, "4096.0 MB"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Corv::WaveBytesText(c.bytes), c.text) << c.bytes;
}

} // namespace
