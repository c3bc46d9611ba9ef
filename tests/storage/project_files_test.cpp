// The files of a project folder: slot file names, memo files and the instrument's record files.
#include "storage/domain.h"
#include "storage/memo_file.h"
#include "storage/slot_file_name.h"
#include "storage/svd_file.h"
#include "support/faulty_file_system.h"
#include "support/fresh_store.h"
#include "support/project_builder.h"
#include "support/scoped_code_page.h"

#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <string>
#include <tuple>

using namespace Corv;
using namespace CorvTest;

namespace {

// A base name of at most 16 characters, measured in the code page: one byte for an accented
// letter in Windows-1252 (a name that is not UTF-8 as it stands), two for a kanji in Shift_JIS.
// The loader's test has more names that break the rule.
TEST(SlotFileName, ParseSlotNumberFollowsTheNamingRule) {
    const auto times = [](const std::string& text, int n) {
        std::string result = "001 ";
        for (int i = 0; i < n; ++i)
            result += text;
        return result + ".d00";
    };
    const std::string e = "\xC3\xA9", kanji = "\xE9\x9F\xB3";
    const std::tuple<CodePage, std::string, int> cases[] = {
        {CodePage::Windows1252, "Tone/896 Pad.p00", 896},
        {CodePage::Windows1252, "Song.prj/Wave/042 Kick.W00", 42},
        {CodePage::Windows1252, "001 .d00", 1},
        {CodePage::Windows1252, "001 123456789012.d00", 1},
        {CodePage::Windows1252, "001 A.very.long.extension", 1}, // only the last "." part goes
        {CodePage::Windows1252, "Patch/0a1 Lead.d00", -1},
        {CodePage::Windows1252, "Folder 123.prj/abc", -1},
        {CodePage::Windows1252, "000 Zero.d00", 0}, // no slot has number 0: the caller refuses it
        {CodePage::Windows1252, times(e, 12), 1},
        {CodePage::Windows1252, times(e, 13), -1},
        {CodePage::Windows1252, times("\xE9", 13), -1},
        {CodePage::ShiftJis, times(kanji, 6), 1},
        {CodePage::ShiftJis, times(kanji, 7), -1}};
    for (const auto& [page, path, number] : cases) {
        ScopedCodePage chosen(page);
        EXPECT_EQ(ParseSlotNumber(path), number) << path;
    }
}

// A record's present file name keeps its name part while it reads as exactly the record's name;
// otherwise the name is written anew (after the slot number).
TEST(SlotFileName, ARecordKeepsANamePartThatReadsAsItsName) {
    ScopedCodePage page(CodePage::Windows1252);
    const std::tuple<const char*, const char*, const char*> cases[] = {
        {"/p/Patch/004 Pad \xE2\x99\xAA.d00", "Pad ", "009 Pad \xE2\x99\xAA.d00"},
        {"/p/Patch/004 Pad \xE2\x99\xAA.d00", "Pad", "009 Pad.d00"},
        {"/p/Patch/004 Cr\xE8me.d00", "Cr\xE8me", "009 Cr\xC3\xA8me.d00"}, // not UTF-8
        {"/p/Patch/004 Lead.d00", "Bass", "009 Bass.d00"},
        // A name part longer than a name is never kept: the file would not be found again.
        {"/p/Patch/NoNumber Quite Long.d00", "Quite Long", "009 Quite Long.d00"},
    };
    for (const auto& [path, name, fileName] : cases) {
        CPatch patch;
        patch.SetFilePath(path);
        patch.SetName(name);
        EXPECT_EQ(SlotFileName(9, patch), fileName) << path;
    }
    // A number has at least three digits.
    EXPECT_EQ(SlotFileName(512, "", ".d00"), "512 .d00");
    EXPECT_EQ(SlotNumberText(1000), "1000");
}

// "*" runs over dots as the storage's matcher does.
TEST(SlotFileName, PatternsMatchWithoutRegardToCase) {
    const std::tuple<const char*, const char*, bool> cases[] = {
        {"005 Kick.WAV", "*.w*", true},
        {"007 Vox.vpw2", "*.vpw", false},
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
        EXPECT_EQ(MatchesPattern(name, pattern), matches) << name << " ~ " << pattern;
    EXPECT_FALSE(MatchesPattern(std::string(29, 'a') + "b", "*a*a*a*a*a*a*c"));
}

TEST(SlotFileName, WaveBytesText) {
    const std::pair<std::uint32_t, const char*> cases[] = {
        {1023, "1023 Bytes"}, {1024, "1.0 KB"},           {1048575, "1024.0 KB"},
        {1048576, "1.0 MB"},  {4294967295u, "4096.0 MB"},
    };
    for (const auto& [bytes, text] : cases)
        EXPECT_EQ(WaveBytesText(bytes), text) << bytes;
}

// A fresh store, and a folder of its own that `m_data` is the project of.
class ProjectFileTest : public ::testing::Test {
protected:
    void SetUp() override { m_data.SetProjectFolder(m_dir.Path() + "/"); }
    std::string Put(const std::string& name, const Bytes& bytes) {
        WriteBytes(m_dir / name, bytes);
        return m_dir / name;
    }
    void WriteRaw(int kind, const std::string& text) {
        Put(MemoFileName(kind), Bytes(text.begin(), text.end()));
    }

    FreshStore m_store;
    TempDir m_dir;
    CLumData m_data;
};

TEST_F(ProjectFileTest, LinesFillMemosFourPerSlot) {
    const std::vector<std::pair<std::string, std::vector<std::string>>> cases = {
        {"a\nb\nc\nd\ne", {"a", "b", "c", "d", "", "", "", ""}}, // no final line end
        {"a\nb\nc\nd\ne\n", {"a", "b", "c", "d", "e", "", "", ""}},
        {"a\r\nb\r\n\r\nd\r\ne\r\n", {"a", "b", "", "d", "e", "", "", ""}},
        {"a\rb\n", {"a b", "", "", "", "", "", "", ""}}, // a lone CR becomes a blank
        {"\n\n\n\nx\n", {"", "", "", "", "x", "", "", ""}},
        {std::string(5000, 'x') + "\nb\n", {std::string(1023, 'x'), "b", "", "", "", "", "", ""}},
    };
    for (int kind = 0; kind < 3; ++kind)
        for (const auto& [text, expected] : cases) {
            CLumData data;
            data.SetProjectFolder(m_dir.Path() + "/");
            WriteRaw(kind, text);
            ReadMemoFile(data, kind);
            std::vector<std::string> memos; // slots 1 and 2
            for (std::size_t s = 0; s < 2; ++s)
                for (int n = 1; n <= 4; ++n)
                    memos.push_back(data.Records(kind).Item(s).Memo(n));
            EXPECT_EQ(memos, expected) << text.substr(0, 20) << ", kind " << kind;
        }
}

// A memo file is refused unread when it cannot be one; the memos stay as they were. The largest
// file the writer can make (1023 characters on every line) is read.
TEST_F(ProjectFileTest, WhatCannotBeAMemoFileIsRefusedUnread) {
    const std::string path = m_dir / MemoFileName(kToneKind);
    const std::vector<std::pair<std::function<void()>, MemoRead>> cases = {
        {[&] {
             WriteRaw(kToneKind, "x\n");
             std::filesystem::resize_file(path, MaxMemoFileBytes(kToneKind) + 1);
         },
         MemoRead::TooLarge},
        {[&] { MakeFifo(path); }, MemoRead::NotRegular},
        {[&] { std::filesystem::create_symlink("/dev/zero", path); }, MemoRead::NotRegular},
        {[] {}, MemoRead::Absent}};
    Deadline deadline(20);
    for (std::size_t i = 0; i < cases.size(); ++i) {
        std::filesystem::remove_all(path);
        cases[i].first();
        m_data.Tones()[0].SetMemo(1, "kept");
        InstalledFaultyFileSystem fs;
        EXPECT_EQ(ReadMemoFile(m_data, kToneKind), cases[i].second) << "case " << i;
        EXPECT_EQ(fs.Count(FsOp::Read), 0) << "case " << i;
        EXPECT_EQ(m_data.Tones()[0].Memo(1), "kept") << "case " << i;
    }
    std::filesystem::remove_all(path);
    WriteRaw(kToneKind, "x\n");
    std::filesystem::resize_file(path, MaxMemoFileBytes(kToneKind));
    EXPECT_EQ(ReadMemoFile(m_data, kToneKind), MemoRead::Read);
    EXPECT_EQ(MaxMemoFileBytes(kToneKind), 4u * kToneSlots * (1023 + 2)); // with CR LF
}

TEST_F(ProjectFileTest, WriteGivesFourCrLfLinesPerSlotForEverySlot) {
    m_data.Patches()[0].SetMemo(1, "first");
    m_data.Patches()[0].SetMemo(4, "fourth");
    m_data.Patches()[511].SetMemo(3, "\xE9t\xE9"); // 8-bit texts stay byte for byte
    ASSERT_TRUE(WriteMemoFile(m_data, kPatchKind));
    std::string expected = "first\r\n\r\n\r\nfourth\r\n";
    for (int s = 1; s < 511; ++s)
        expected += "\r\n\r\n\r\n\r\n";
    expected += "\r\n\r\n\xE9t\xE9\r\n\r\n";
    EXPECT_EQ(ReadBytes(m_dir / MemoFileName(kPatchKind)), Bytes(expected.begin(), expected.end()));
}

// Both file kinds behind one face.
struct Kind {
    const char* name;
    std::size_t prefix, areaOffset, areaBytes;
    bool patch;
};
const Kind kKinds[] = {{"patch", 170, 138, 32, true}, {"tone", 1510, 262, 1248, false}};

Bytes Image(const Kind& k, std::uint32_t seed, std::size_t trailing = 0) {
    const FileOptions options{.seed = seed, .trailing = trailing};
    return k.patch ? PatchFileBytes(MakePatch("P", 3, 700), options)
                   : ToneFileBytes(MakeTone("T", {1, 0, 999, 45}), options);
}

// A failed read leaves a default record, not part of the file's or of what was there.
bool Read(const Kind& k, const std::string& path) {
    CPatch patch = MakePatch("Full", 5, 6);
    CTone tone = MakeTone("Full", {1, 2});
    const bool read = k.patch ? ReadPatchFile(path, patch) : ReadToneFile(path, tone);
    EXPECT_TRUE(read || (k.patch ? patch == CPatch() : tone == CTone())) << path;
    return read;
}

// Writes the record read from the file back (asRead), or a record unlike the file's, whose
// references must read back as written.
bool Write(const Kind& k, const std::string& path, bool asRead) {
    CPatch patch = MakePatch("Q", 896, 1), readPatch;
    CTone tone = MakeTone("U", {7, 7, 7, 7, 0, 2}), readTone;
    if (asRead && !(k.patch ? ReadPatchFile(path, patch) : ReadToneFile(path, tone)))
        return false;
    if (!(k.patch ? WritePatchFile(path, &patch) : WriteToneFile(path, &tone)))
        return false;
    EXPECT_TRUE(k.patch ? ReadPatchFile(path, readPatch) : ReadToneFile(path, readTone));
    EXPECT_TRUE(k.patch ? readPatch.ToneNumbers() == patch.ToneNumbers()
                        : readTone.WaveNumbers() == tone.WaveNumbers());
    return true;
}

// Every written file starts with its kind's header: only the type tag differs.
TEST(SvdHeader, TemplatesHoldTheHeaderOfEachKind) {
    const std::string head("\0\x1ESVD0\0\0\0\0\0\0\0\0\0\0", 16),
        tail("QUIL\0\0\0\x20\0\0\0\0", 12);
    const auto& patch = PatchHeaderTemplate();
    const auto& tone = ToneHeaderTemplate();
    EXPECT_EQ(std::string(patch.begin(), patch.end()), head + "PRFa" + tail);
    EXPECT_EQ(std::string(tone.begin(), tone.end()), head + "PATa" + tail);
}

// Length limits (169/170, 1509/1510), header bytes compared (0-29) and free (30-31), the type
// tag of the other kind.
TEST_F(ProjectFileTest, ReadRefusesShortOrForeignFiles) {
    for (const Kind& k : kKinds) {
        SCOPED_TRACE(k.name);
        const Bytes image = Image(k, 5);
        ASSERT_EQ(image.size(), k.prefix);
        EXPECT_TRUE(Read(k, Put("exact", image)));
        EXPECT_TRUE(Read(k, Put("longer", Image(k, 5, 3000))));
        EXPECT_FALSE(Read(k, Put("short", Bytes(image.begin(), image.end() - 1))));
        EXPECT_FALSE(Read(k, m_dir / "missing"));
        for (std::size_t at = 0; at < kSvdHeaderBytes; ++at) {
            Bytes changed = image;
            changed[at] ^= 0x40;
            EXPECT_EQ(Read(k, Put("h", changed)), at >= 30) << "byte " << at;
        }
        const Kind& other = kKinds[k.patch ? 1 : 0];
        Bytes foreign = Image(other, 7, 2000); // long enough for either prefix
        EXPECT_FALSE(Read(k, Put("foreign", foreign)));
        std::copy_n(k.patch ? "PRFa" : "PATa", 4, foreign.begin() + 16);
        EXPECT_TRUE(Read(k, Put("foreign", foreign)));
    }
}

// A write changes only the record area and keeps the length; an unchanged record keeps every
// bit, also those outside every parameter (random, or all ones).
TEST_F(ProjectFileTest, WriteChangesOnlyTheRecordArea) {
    for (const Kind& k : kKinds)
        for (std::uint32_t seed = 1; seed <= 8; ++seed) {
            SCOPED_TRACE(std::string(k.name) + " seed " + std::to_string(seed));
            Bytes before = Image(k, seed, seed == 1 ? 0 : seed * 500);
            const auto area = [&](Bytes& b) { return b.begin() + std::ptrdiff_t(k.areaOffset); };
            if (seed == 8)
                std::fill_n(area(before), k.areaBytes, 0xFF);
            const std::string path = Put("w", before);
            ASSERT_TRUE(Write(k, path, true));
            ASSERT_EQ(ReadBytes(path), before);
            ASSERT_TRUE(Write(k, path, false));
            Bytes after = ReadBytes(path);
            EXPECT_NE(after, before);
            std::fill_n(area(before), k.areaBytes, 0);
            std::fill_n(area(after), k.areaBytes, 0);
            EXPECT_EQ(after, before);
        }
}

// A record is known unchanged by its parameters only while every parameter of every block is
// the same; the area a read keeps is the file's own, and the record packs back into it.
TEST_F(ProjectFileTest, PackedParametersTellEveryChangeOfARecord) {
    for (const Kind& k : kKinds) {
        SCOPED_TRACE(k.name);
        CPatch patch;
        CTone tone;
        const Bytes image = Image(k, 9);
        Bytes area;
        ASSERT_TRUE(k.patch ? ReadPatchFile(Put("p", image), patch, &area)
                            : ReadToneFile(Put("p", image), tone, &area));
        EXPECT_EQ(area, Bytes(image.begin() + std::ptrdiff_t(k.areaOffset),
                              image.begin() + std::ptrdiff_t(k.areaOffset + k.areaBytes)));
        const int kind = k.patch ? kPatchKind : kToneKind;
        const CParameter& record = k.patch ? static_cast<const CParameter&>(patch) : tone;
        const Bytes parameters = PackedParameters(kind, record);
        EXPECT_EQ(ParametersKeeping(kind, record, area), parameters);
        EXPECT_TRUE(HasPackedParameters(kind, record, parameters));
        EXPECT_FALSE(HasPackedParameters(kind, record, {}));
        std::vector<std::uint8_t>& first = k.patch ? patch.Slot(0).Params() : tone.Osc(0).Params();
        std::vector<std::uint8_t>& last = k.patch ? patch.Slot(1).Params() : tone.Osc(15).Params();
        const std::function<void()> changes[] = {
            [&] { first.front() ^= 1; }, [&] { last.back() ^= 1; }, [&] { last.push_back(0); }};
        for (const auto& change : changes) {
            const CPatch keptPatch = patch;
            const CTone keptTone = tone;
            change();
            EXPECT_FALSE(HasPackedParameters(kind, record, parameters));
            EXPECT_TRUE(ParametersKeeping(kind, record, area).empty());
            patch = keptPatch;
            tone = keptTone;
        }
    }
}

} // namespace
