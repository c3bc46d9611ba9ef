#include <gtest/gtest.h>

#include <string>

#include "storage/slot_file_name.h"

namespace {

TEST(SlotFileName, NumbersHaveAtLeastThreeDigits) {
    EXPECT_EQ(Corv::SlotFileName(12, "loop", ".wav"), "012 loop.wav");
    EXPECT_EQ(Corv::SlotFileName(512, "", ".d00"), "512 .d00");
    EXPECT_EQ(Corv::SlotNumberText(1000), "1000");
}

TEST(SlotFileName, FileNameAndBaseName) {
    EXPECT_EQ(Corv::FileNamePart("C:/Data/Song.prj/Wave/005 Kick.WAV"), "005 Kick.WAV");
    EXPECT_EQ(Corv::FileNamePart("plain"), "plain");
    EXPECT_EQ(Corv::FileNamePart("folder/"), "");
    EXPECT_EQ(Corv::BaseName("Tone/012 A.b.p00"), "012 A.b");
    EXPECT_EQ(Corv::BaseName("Song.prj/Wave/001 Kick"), "001 Kick");
    EXPECT_EQ(Corv::BaseName(".hidden"), "");
}

TEST(SlotFileName, ParseSlotNumberFollowsTheNamingRule) {
    struct Case {
        const char* path;
        int number;
    };
    const Case cases[] = {
        {"Patch/001 Lead.d00", 1},
        {"Tone/896 Pad.p00", 896},
        {"Wave/999 x.wav", 999},
        {"Song.prj/Wave/042 Kick.W00", 42},
        {"001 .d00", 1},                // empty name
        {"001 123456789012.d00", 1},    // base name of 16 characters
        {"001 1234567890123.d00", -1},  // 17 characters
        {"001 A.very.long.extension", 1}, // only the part after the last "." goes
        {"Patch/01 Lead.d00", -1},
        {"Patch/0012 Lead.d00", -1},
        {"Patch/001_Lead.d00", -1},
        {"Patch/0a1 Lead.d00", -1},
        {"Patch/001", -1},
        {"Patch/001 ", 1},
        {"", -1},
        {"Folder 123.prj/abc", -1},
        {"000 Zero.d00", 0}, // follows the rule; no slot has number 0, the caller refuses it
    };
    for (const Case& c : cases)
        EXPECT_EQ(Corv::ParseSlotNumber(c.path), c.number) << c.path;
}

TEST(SlotFileName, PatternsMatchWithoutRegardToCase) {
    struct Case {
        const char* name;
        const char* pattern;
        bool matches;
    };
    const Case cases[] = {
        {"005 Kick.WAV", "*.w*", true},   {"006 Pad.aiff", "*.aif*", true},
        {"006 Pad.AIF", "*.aif*", true},  {"007 Vox.VPW", "*.vpw", true},
        {"007 Vox.vpw2", "*.vpw", false}, {"001 Lead.D00", "*.d00", true},
        {"001 Lead.d00.bak", "*.d00", false}, {"readme", "*.w*", false},
        {"a.w", "*.w*", true},            {"abc", "a?c", true},
        {"ac", "a?c", false},             {"", "*", true},
        {"", "?", false},                 {"x", "", false},
        {"aaaaaaaaaaaaaaaaaaaaaaaaaaaaab", "*a*a*a*a*a*a*c", false},
        {"Wave.w00.txt", "*.w*", true}, // "*" runs over dots as the storage's matcher does
        {"\xC4.W00", "\xC4.w00", true}, {"\xE4.w00", "\xC4.w00", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Corv::MatchesPattern(c.name, c.pattern), c.matches) << c.name << " ~ " << c.pattern;
}

TEST(SlotFileName, WaveBytesText) {
    struct Case {
        std::uint32_t bytes;
        const char* text;
    };
    const Case cases[] = {
        {0, "0 Bytes"},           {1023, "1023 Bytes"},      {1024, "1.0 KB"},
        {1536, "1.5 KB"},         {1048575, "1024.0 KB"},    {1048576, "1.0 MB"},
        {67107840, "64.0 MB"},    {4294967295u, "4096.0 MB"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Corv::WaveBytesText(c.bytes), c.text) << c.bytes;
}

} // namespace
