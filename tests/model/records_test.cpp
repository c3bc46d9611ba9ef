// Records, their packed parameters, the lists that hold them and the code pages of their names.
#include "model/codec.h"
#include "model/data.h"
#include "model/lum_data.h"
#include "model/parameter_array.h"
#include "model/text_encoding.h"
#include "support/project_builder.h"
#include "support/scoped_code_page.h"

#include <algorithm>
#include <array>
#include <gtest/gtest.h>
#include <random>
#include <string>
#include <tuple>
#include <vector>

using namespace Corv;
using namespace CorvTest;

namespace {

struct TableCase {
    const char* name;
    CodecTable table;
    std::size_t blockBytes;
};

const TableCase kTables[] = {{"patch tone", PatchToneCodecTable(), kPatchToneBlockBytes},
                             {"oscillator", OscCodecTable(), kOscBlockBytes}};

Bytes RandomBlock(std::mt19937& random, std::size_t n) {
    Bytes block(n);
    std::generate(block.begin(), block.end(), [&] { return static_cast<std::uint8_t>(random()); });
    return block;
}

// A block with the bits of every parameter set; fails when two parameters overlap.
Bytes FieldMask(const TableCase& t) {
    Bytes mask(t.blockBytes, 0);
    for (const auto& p : t.table) {
        EXPECT_EQ(ReadField(mask.data(), p.firstBit, p.width), 0u) << t.name << p.firstBit;
        WriteField(mask.data(), p.firstBit, p.width, 0xFFFFFFFF);
    }
    return mask;
}

TEST(Codec, ReadsAndWritesFieldsAsOneBigEndianBitStream) {
    Bytes block(4, 0);
    WriteField(block.data(), 6, 7, 0x7F); // crosses the first byte boundary
    EXPECT_EQ(block, (Bytes{0x03, 0xF8, 0x00, 0x00}));
    WriteField(block.data(), 0, 32, 0xA1B2C3D4);
    WriteField(block.data(), 13, 3, 0);
    EXPECT_EQ(block, (Bytes{0xA1, 0xB0, 0xC3, 0xD4}));
    EXPECT_EQ(ReadField(block.data(), 4, 12), 0x1B0u);
}

// Every raw value of every field unpacks to raw + bias; packing into another block takes every
// parameter bit from the source and keeps every other bit of the target.
TEST(Codec, EveryValueOfEveryFieldRoundTripsAndOtherBitsStay) {
    std::mt19937 random(11);
    for (const TableCase& t : kTables) {
        SCOPED_TRACE(t.name);
        const Bytes mask = FieldMask(t);
        const int count = static_cast<int>(t.table.size());
        for (std::size_t n = 0; n < t.table.size(); ++n) {
            const auto& p = t.table[n];
            for (std::uint32_t raw = 0; raw < (1u << p.width); ++raw) {
                Bytes source = RandomBlock(random, t.blockBytes);
                WriteField(source.data(), p.firstBit, p.width, raw);
                Bytes params(t.table.size());
                ASSERT_EQ(UnpackParameters(source.data(), t.table, params.data(), count), count);
                ASSERT_EQ(params[n], raw + p.bias) << "P" << n;
                Bytes packed = RandomBlock(random, t.blockBytes), expected(t.blockBytes);
                for (std::size_t i = 0; i < t.blockBytes; ++i)
                    expected[i] =
                        static_cast<std::uint8_t>((source[i] & mask[i]) | (packed[i] & ~mask[i]));
                ASSERT_EQ(PackParameters(packed.data(), t.table, params.data(), count), count);
                ASSERT_EQ(packed, expected) << "P" << n << " raw " << raw;
            }
        }
    }
}

// A value below the bias or above the field (a digit above 15 in a chain) writes the field's
// pack default.
TEST(Codec, ValuesThatDoNotFitWriteThePackDefault) {
    std::mt19937 random(13);
    for (const TableCase& t : kTables)
        for (const bool belowBias : {false, true}) {
            Bytes params(t.table.size()), block = RandomBlock(random, t.blockBytes);
            for (std::size_t n = 0; n < t.table.size(); ++n) {
                const auto& p = t.table[n];
                const unsigned above = std::min(255u, (1u << p.width) + p.bias);
                params[n] =
                    static_cast<std::uint8_t>(belowBias && p.bias > 0 ? p.bias - 1u : above);
            }
            const int count = static_cast<int>(t.table.size());
            ASSERT_EQ(PackParameters(block.data(), t.table, params.data(), count), count);
            for (std::size_t n = 0; n < t.table.size(); ++n) {
                const auto& p = t.table[n];
                const bool chain = p.chainDigits > 1; // its digits are one whole field
                EXPECT_EQ(ReadField(block.data(), p.firstBit, chain ? 4u * p.chainDigits : p.width),
                          p.packDefault)
                    << t.name << " P" << n << (belowBias ? " below the bias" : "");
                n += chain ? p.chainDigits - 1u : 0u;
            }
        }
}

using Users = std::vector<std::pair<int, int>>; // (record index, user)

// Tone number = P2 x 128 + P3 + 1, only with bank code 87; clearing drops only the bank code.
TEST(PatchTone, ToneNumberFollowsTheBankCodeAndSetToneNumberSplitsIt) {
    const int cases[][4] = {{87, 0, 0, 1},     {87, 0, 127, 128},     {87, 1, 0, 129},
                            {87, 6, 127, 896}, {87, 127, 127, 16384}, {86, 1, 2, 0},
                            {0, 0, 4, 0}};
    for (const auto& [bank, high, low, number] : cases) {
        CPatchTone slot, set;
        std::copy_n(std::array{bank, high, low}.begin(), 3, slot.Params().begin() + 1);
        EXPECT_EQ(slot.ToneNumber(), number) << bank << "/" << high << "/" << low;
        if (number < 1 || number > 896)
            continue;
        set.SetToneNumber(number);
        EXPECT_TRUE(set == slot) << number;
        set.ClearToneReference();
        slot.SetP(1, 0);
        EXPECT_TRUE(set == slot) << "clearing changed more than the bank code of " << number;
    }
}

TEST(Patch, ReferencedTonesAreSortedWithoutDuplicatesAndMayHoldZero) {
    using Case = std::tuple<int, int, std::vector<int>>; // slot 0's tone, slot 1's tone, list
    for (const auto& [tone0, tone1, expected] :
         {Case{5, 5, {5}}, Case{0, 5, {0, 5}}, Case{9, 2, {2, 9}}, Case{0, 0, {0}}})
        EXPECT_EQ(MakePatch("", tone0, tone1).ReferencedTones(), expected) << tone0 << "," << tone1;
}

// Only a side with wave source 1 has a wave number; only the low four bits of each digit count.
TEST(Osc, WaveNumberIsReadAndWrittenOnlyForWaveSource1) {
    const std::vector<int> stored = {0x10, 3, 0xE7, 9}, digitsOf999 = {0, 3, 14, 7};
    for (int side = 0; side < 2; ++side)
        for (const std::uint8_t source : {0, 1, 2}) {
            COsc osc;
            osc.SetP(side == 0 ? 18 : 70, source);
            const auto digits = osc.Params().begin() + (side == 0 ? 40 : 92);
            std::copy(stored.begin(), stored.end(), digits);
            EXPECT_EQ(osc.WaveNumber(side), source == 1 ? 0x0379 : 0) << side << " " << int{source};
            EXPECT_EQ(osc.WaveNumber(1 - side), 0);
            EXPECT_EQ(osc.SetWaveNumber(side, 999), source == 1);
            EXPECT_EQ(std::vector<int>(digits, digits + 4), source == 1 ? digitsOf999 : stored);
        }
}

TEST(Record, SetNameReducesFileNames) {
    using Case = std::tuple<const char*, bool, const char*>; // text, from a file name, name
    for (const auto& [text, fromFileName, expected] :
         {Case{"Tone/012 Warm Strings Layer.p00", true, "Warm Strings"},
          Case{"NoSpace.p00", true, "NoSpace"},
          Case{"C:/Data/Song.prj/Wave/005 Kick.WAV", true, "Kick"},
          Case{"001 A.B.d00", true, "A.B"}, Case{"001 .d00", true, ""},
          Case{"Warm Strings Layer", false, "Warm Strings"},
          Case{"Tone/012 Pad.p00", false, "Tone/012 Pad"}}) {
        CWave wave;
        wave.SetName(text, fromFileName);
        EXPECT_EQ(wave.Name(), expected) << text;
    }
}

TEST(Record, HasW00ExtensionComparesTheWholeExtensionWithoutCase) {
    for (const char* path : {"Wave/001 Kick.W00", "Wave/001 Kick.w00", ".w00"})
        EXPECT_TRUE(MakeWave("", path).HasW00Extension()) << path;
    for (const char* path :
         {"Wave/001 Kick.w01", "Wave/001 Kick.w000", "Wave/001 Kick.wav", "w00", ""})
        EXPECT_FALSE(MakeWave("", path).HasW00Extension()) << path;
}

// A memo keeps what a memo file can give back: one line of at most 1023 characters.
TEST(Record, SetMemoKeepsOneLineOfAtMost1023Characters) {
    const std::string long1023(1023, 'm');
    const std::pair<std::string, std::string> cases[] = {
        {long1023, long1023},
        {long1023 + "cut", long1023},
        {"a\r\nb\nc\rd", "a  b c d"},
        {std::string(1022, 'x') + "\n\n", std::string(1022, 'x') + " "},
        {std::string("nul\0and \xE9", 9), std::string("nul\0and \xE9", 9)}};
    for (const auto& [given, kept] : cases) {
        CWave wave;
        wave.SetMemo(3, given);
        EXPECT_EQ(wave.Memo(3), kept) << given.size();
        EXPECT_EQ(wave.Memo(1), "");
    }
}

class LumDataTest : public ::testing::Test {
protected:
    void Use(int kind, int index) {
        m_data.Records(kind).Item(static_cast<std::size_t>(index)).SetFilePath("used");
    }
    // Every listed user of an array.
    template <class Array> static Users AllUsers(const Array& array) {
        Users all;
        for (std::size_t i = 0; i < array.Size(); ++i)
            for (const std::int32_t user : array[i].Users())
                all.emplace_back(static_cast<int>(i), user);
        return all;
    }

    CLumData m_data;
};

TEST_F(LumDataTest, SlotCountsEmptySlotsAndExtentFollowUse) {
    const std::size_t counts[3] = {512, 896, 999};
    for (int kind = 0; kind < 3; ++kind) {
        EXPECT_EQ(m_data.Records(kind).Size(), counts[kind]);
        EXPECT_EQ(m_data.SlotPaths(kind).size(), counts[kind]);
        EXPECT_EQ(m_data.EmptySlots(kind).size(), counts[kind]);
        EXPECT_EQ(m_data.UsedExtent(kind), 0);
    }
    for (const int tone : {0, 2, 895})
        Use(kToneKind, tone);
    EXPECT_EQ(m_data.CountEmpty(kToneKind), 893);
    const std::vector<int> empty = m_data.EmptySlots(kToneKind);
    ASSERT_EQ(empty.size(), 893u);
    EXPECT_EQ((std::vector<int>{empty[0], empty[1], empty.back()}), (std::vector<int>{1, 3, 894}));
    EXPECT_EQ(m_data.UsedExtent(kToneKind), 896);
    EXPECT_EQ(m_data.CountEmpty(kPatchKind), 512);
}

TEST_F(LumDataTest, RangeQueriesAtTheEdges) {
    Use(kWaveKind, 998);
    Use(kPatchKind, 10);
    EXPECT_EQ(m_data.UsedExtent(kWaveKind), 999);
    const auto fits = [this](int k, int i, int n) { return m_data.RangeFits(k, i, n); };
    EXPECT_EQ((std::vector<bool>{fits(kPatchKind, 511, 1), fits(kPatchKind, 511, 2),
                                 fits(kPatchKind, 512, 0), fits(kPatchKind, -1, 1),
                                 fits(kPatchKind, 0, 512), fits(kWaveKind, 998, 1)}),
              (std::vector<bool>{true, false, false, false, true, true}));
}

// Users are listed in index order, each once; stale entries go and references beyond the
// arrays are not followed.
TEST_F(LumDataTest, RebuildUsersListsEachReferrerOnce) {
    m_data.Patches()[0] = MakePatch("", 3, 3);
    m_data.Patches()[7] = MakePatch("", 3, 896);
    m_data.Patches()[9] = MakePatch("", 897, 16384);
    m_data.Patches()[4] = MakePatch("", 5);
    m_data.Patches()[4].Slot(0).ClearToneReference();
    m_data.Tones()[2].AddUser(100);
    m_data.Tones()[1] = MakeTone("", {999, 0, 0, 0, 1000, 0, 0, 999});
    m_data.Tones()[3] = MakeTone("", {0, 65535});
    m_data.Tones()[5] = MakeTone("", {0, 1});
    m_data.Tones()[6] = MakeTone("", {1});
    m_data.RebuildToneUsers();
    m_data.RebuildWaveUsers();
    EXPECT_EQ(AllUsers(m_data.Tones()), (Users{{2, 0}, {2, 7}, {895, 7}}));
    EXPECT_EQ(AllUsers(m_data.Waves()), (Users{{0, 5}, {0, 6}, {998, 1}}));
}

constexpr CodePage kWestern = CodePage::Windows1252;
constexpr CodePage kJapanese = CodePage::ShiftJis;

// Code-page bytes, the UTF-8 a file name holds for them, and the bytes that UTF-8 gives back
// (the bytes themselves when empty).
TEST(TextEncoding, NamesBecomeUtf8AndComeBack) {
    const std::tuple<CodePage, std::string, std::string, std::string> cases[] = {
        // ASCII passes untouched in both, "\" and "~" too.
        {kWestern, "Lead 01 \\~", "Lead 01 \\~", ""},
        {kJapanese, "Lead 01 \\~", "Lead 01 \\~", ""},
        // The euro sign, S caron and Y diaeresis; the five bytes Windows-1252 leaves free are
        // their C1 control characters.
        {kWestern, "\x80\x8A\x9F", "\xE2\x82\xAC\xC5\xA0\xC5\xB8", ""},
        {kWestern, "\x81\x8D\x8F\x90\x9D", "\xC2\x81\xC2\x8D\xC2\x8F\xC2\x90\xC2\x9D", ""},
        // Katakana, kanji, vendor rows (the command-line tests show half-width katakana).
        {kJapanese, "\x83\x65\x83\x58\x83\x67", "\xE3\x83\x86\xE3\x82\xB9\xE3\x83\x88", ""},
        {kJapanese, "\x89\xB9\x90\x46", "\xE9\x9F\xB3\xE8\x89\xB2", ""},
        {kJapanese, "\x87\x40\xFA\x40", "\xE2\x91\xA0\xE2\x85\xB0", ""},
        // Bytes that stand for no character are left out, the rest stays.
        {kJapanese, "A\x83", "A", "A"},         // a lead byte at the end
        {kJapanese, "A\x85\x40Z", "AZ", "AZ"},  // an unassigned pair
        {kJapanese, "\x80\xA0\xFDX", "X", "X"}, // bytes of no character
    };
    for (const auto& [codePage, bytes, utf8, back] : cases) {
        ScopedCodePage page(codePage);
        EXPECT_EQ(CodePageToUtf8(bytes), utf8);
        EXPECT_TRUE(IsValidUtf8(utf8));
        EXPECT_EQ(Utf8ToCodePage(utf8), back.empty() ? bytes : back);
    }
}

// Every byte of Windows-1252 and every double-byte character of Shift_JIS that has a character
// comes back from its UTF-8 as bytes that read as the same character.
TEST(TextEncoding, EveryCharacterOfBothCodePagesComesBack) {
    {
        ScopedCodePage page(kWestern);
        for (int b = 0x80; b <= 0xFF; ++b) {
            const std::string byte(1, static_cast<char>(b));
            EXPECT_EQ(Utf8ToCodePage(CodePageToUtf8(byte)), byte);
        }
    }
    ScopedCodePage page(kJapanese);
    int characters = 0;
    for (int lead = 0x81; lead <= 0xFC; ++lead) {
        if (lead > 0x9F && lead < 0xE0)
            continue;
        for (int trail = 0x40; trail <= 0xFC; ++trail) {
            if (trail == 0x7F)
                continue; // no second byte: the pair is two characters
            const std::string pair{static_cast<char>(lead), static_cast<char>(trail)};
            const std::string utf8 = CodePageToUtf8(pair);
            if (utf8.empty())
                continue;
            ++characters;
            const std::string back = Utf8ToCodePage(utf8);
            ASSERT_EQ(back.size(), 2u);
            EXPECT_EQ(CodePageToUtf8(back), utf8);
        }
    }
    EXPECT_GT(characters, 7000); // JIS X 0208 and the vendor rows
}

// Whether a code page holds a whole text decides whether a search for it can find anything.
TEST(TextEncoding, TellsWhetherTheCodePageHoldsATextWhole) {
    const std::tuple<CodePage, std::string, bool> cases[] = {
        {kWestern,
         "Cr\xC3\xA8me \xE2\x82\xAC"
         "5",
         true},                                        // è, €
        {kWestern, "\xC2\x81", true},                  // an unassigned byte
        {kWestern, "Lead \xE2\x99\xAA", false},        // ♪
        {kWestern, "Caf\xE9", false},                  // not UTF-8
        {kJapanese, "\xE3\x83\x94\xEF\xBE\x8B", true}, // ピ, half-width ﾋ
        {kJapanese, "\xC2\xA5", false},                // ¥ would become a backslash
        {kJapanese, "\xC3\xA8", false},                // è
        {kWestern, "", true},
    };
    for (const auto& [page, text, held] : cases) {
        ScopedCodePage chosen(page);
        EXPECT_EQ(CodePageHolds(text), held) << text;
    }
}

TEST(TextEncoding, CutsNeverSplitADoubleByteCharacter) {
    const std::tuple<CodePage, std::string, std::size_t, std::size_t> cases[] = {
        {kWestern, "\x83\x65\x83\x58", 3, 3},  {kJapanese, "\x83\x65\x83\x58", 3, 2},
        {kJapanese, "\x83\x65\x83\x58", 4, 4}, {kJapanese, "a\x83\x65\x83\x58", 4, 3},
        {kJapanese, "abc\x83", 4, 4}, // a lead byte without its second byte is one byte
    };
    for (const auto& [page, bytes, limit, cut] : cases) {
        ScopedCodePage chosen(page);
        EXPECT_EQ(CharacterCut(bytes, limit), cut) << limit;
    }
}

} // namespace
