#include "storage/slot_file_name.h"
#include "support/scoped_code_page.h"

#include <gtest/gtest.h>
#include <string>
#include <tuple>

namespace {

TEST(SlotFileName, NumbersHaveAtLeastThreeDigits) {
    EXPECT_EQ(Corv::SlotFileName(12, "loop", ".wav"), "012 loop.wav");
    EXPECT_EQ(Corv::SlotFileName(512, "", ".d00"), "512 .d00");
    EXPECT_EQ(Corv::SlotNumberText(1000), "1000");
}

// A base name of at most 16 characters, measured in the code page: one byte for an accented
// letter in Windows-1252 (a name that is not UTF-8 as it stands), two for a kanji in Shift_JIS.
TEST(SlotFileName, ParseSlotNumberFollowsTheNamingRule) {
    using Corv::CodePage;
    const auto times = [](const std::string& text, int n) {
        std::string result = "001 ";
        for (int i = 0; i < n; ++i)
            result += text;
        return result + ".d00";
    };
    const std::string e = "\xC3\xA9", kanji = "\xE9\x9F\xB3";
    const std::tuple<CodePage, std::string, int> cases[] = {
        {CodePage::Windows1252, "Patch/001 Lead.d00", 1},
        {CodePage::Windows1252, "Tone/896 Pad.p00", 896},
        {CodePage::Windows1252, "Song.prj/Wave/042 Kick.W00", 42},
        {CodePage::Windows1252, "001 .d00", 1},
        {CodePage::Windows1252, "001 123456789012.d00", 1},
        {CodePage::Windows1252, "001 1234567890123.d00", -1},
        {CodePage::Windows1252, "001 A.very.long.extension", 1}, // only the last "." part goes
        {CodePage::Windows1252, "Patch/01 Lead.d00", -1},
        {CodePage::Windows1252, "Patch/001_Lead.d00", -1},
        {CodePage::Windows1252, "Patch/0a1 Lead.d00", -1},
        {CodePage::Windows1252, "Folder 123.prj/abc", -1},
        {CodePage::Windows1252, "000 Zero.d00", 0}, // no slot has number 0: the caller refuses it
        {CodePage::Windows1252, times(e, 12), 1},
        {CodePage::Windows1252, times(e, 13), -1},
        {CodePage::Windows1252, times("\xE9", 13), -1},
        {CodePage::ShiftJis, times(kanji, 6), 1},
        {CodePage::ShiftJis, times(kanji, 7), -1}};
    for (const auto& [page, path, number] : cases) {
        CorvTest::ScopedCodePage chosen(page);
        EXPECT_EQ(Corv::ParseSlotNumber(path), number) << path;
    }
}

// A record's present file name keeps its name part while it reads as exactly the record's name;
// otherwise the name is written anew.
TEST(SlotFileName, ARecordKeepsANamePartThatReadsAsItsName) {
    CorvTest::ScopedCodePage page(Corv::CodePage::Windows1252);
    const std::tuple<const char*, const char*, const char*> cases[] = {
        {"/p/Patch/004 Pad \xE2\x99\xAA.d00", "Pad ", "009 Pad \xE2\x99\xAA.d00"},
        {"/p/Patch/004 Pad \xE2\x99\xAA.d00", "Pad", "009 Pad.d00"},
        {"/p/Patch/004 Cr\xE8me.d00", "Cr\xE8me", "009 Cr\xC3\xA8me.d00"}, // not UTF-8
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

// "*" runs over dots as the storage's matcher does.
TEST(SlotFileName, PatternsMatchWithoutRegardToCase) {
    const std::tuple<const char*, const char*, bool> cases[] = {
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
        {"Wave.w00.txt", "*.w*", true},
        {"\xC4.W00", "\xC4.w00", true},
        {"\xE4.w00", "\xC4.w00", false},
    };
    for (const auto& [name, pattern, matches] : cases)
        EXPECT_EQ(Corv::MatchesPattern(name, pattern), matches) << name << " ~ " << pattern;
    EXPECT_FALSE(Corv::MatchesPattern(std::string(29, 'a') + "b", "*a*a*a*a*a*a*c"));
}

TEST(SlotFileName, WaveBytesText) {
    const std::pair<std::uint32_t, const char*> cases[] = {
        {0, "0 Bytes"},
        {1023, "1023 Bytes"},
        {1024, "1.0 KB"},
        {1048575, "1024.0 KB"},
        {1048576, "1.0 MB"},
        {67107840, "64.0 MB"},
        {4294967295u, "4096.0 MB"},
    };
    for (const auto& [bytes, text] : cases)
        EXPECT_EQ(Corv::WaveBytesText(bytes), text) << bytes;
}

} // namespace
