#include "model/text_encoding.h"
#include "support/scoped_code_page.h"

#include <gtest/gtest.h>
#include <string>

namespace {

using Corv::CodePage;
using CorvTest::ScopedCodePage;

constexpr CodePage kWestern = CodePage::Windows1252;
constexpr CodePage kJapanese = CodePage::ShiftJis;

// Code-page bytes, the UTF-8 a file name holds for them, and the bytes that UTF-8 gives back.
struct ConversionCase {
    CodePage page;
    std::string bytes;
    std::string utf8;
    std::string back; // what converting `utf8` gives back; the bytes themselves when empty
};

TEST(TextEncoding, NamesBecomeUtf8AndComeBack) {
    const ConversionCase cases[] = {
        // ASCII passes untouched in both, "\" and "~" too.
        {kWestern, "Lead 01 \\~", "Lead 01 \\~", ""},
        {kJapanese, "Lead 01 \\~", "Lead 01 \\~", ""},
        {kWestern, "Cr\xE8me", "Cr\xC3\xA8me", ""},
        // The euro sign, S caron and Y diaeresis; the five bytes Windows-1252 leaves free are
        // their C1 control characters.
        {kWestern, "\x80\x8A\x9F", "\xE2\x82\xAC\xC5\xA0\xC5\xB8", ""},
        {kWestern, "\x81\x8D\x8F\x90\x9D", "\xC2\x81\xC2\x8D\xC2\x8F\xC2\x90\xC2\x9D", ""},
        // Half-width katakana, katakana, kanji, vendor rows.
        {kJapanese, "\xC3\xBD\xC4", "\xEF\xBE\x83\xEF\xBD\xBD\xEF\xBE\x84", ""},
        {kJapanese, "\x83\x65\x83\x58\x83\x67", "\xE3\x83\x86\xE3\x82\xB9\xE3\x83\x88", ""},
        {kJapanese, "\x89\xB9\x90\x46", "\xE9\x9F\xB3\xE8\x89\xB2", ""},
        {kJapanese, "\x87\x40\xFA\x40", "\xE2\x91\xA0\xE2\x85\xB0", ""},
        // Bytes that stand for no character are left out, the rest stays.
        {kJapanese, "A\x83", "A", "A"},         // a lead byte at the end
        {kJapanese, "A\x85\x40Z", "AZ", "AZ"},  // an unassigned pair
        {kJapanese, "\x80\xA0\xFDX", "X", "X"}, // bytes of no character
    };
    for (const ConversionCase& c : cases) {
        ScopedCodePage page(c.page);
        const std::string utf8 = Corv::CodePageToUtf8(c.bytes);
        EXPECT_EQ(utf8, c.utf8);
        EXPECT_TRUE(Corv::IsValidUtf8(utf8));
        EXPECT_EQ(Corv::Utf8ToCodePage(utf8), c.back.empty() ? c.bytes : c.back);
    }
}

// Every byte of Windows-1252 and every double-byte character of Shift_JIS that has a character
// comes back from its UTF-8 as bytes that read as the same character.
TEST(TextEncoding, EveryCharacterOfBothCodePagesComesBack) {
    {
        ScopedCodePage page(kWestern);
        for (int b = 0x80; b <= 0xFF; ++b) {
            const std::string byte(1, static_cast<char>(b));
            EXPECT_EQ(Corv::Utf8ToCodePage(Corv::CodePageToUtf8(byte)), byte);
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
            const std::string utf8 = Corv::CodePageToUtf8(pair);
            if (utf8.empty())
                continue;
            ++characters;
            const std::string back = Corv::Utf8ToCodePage(utf8);
            ASSERT_EQ(back.size(), 2u);
            EXPECT_EQ(Corv::CodePageToUtf8(back), utf8);
        }
    }
    EXPECT_GT(characters, 7000); // JIS X 0208 and the vendor rows
}

TEST(TextEncoding, CutsNeverSplitADoubleByteCharacter) {
    const std::tuple<CodePage, std::string, std::size_t, std::size_t> cases[] = {
        {kWestern, "\x83\x65\x83\x58", 3, 3},  {kJapanese, "\x83\x65\x83\x58", 3, 2},
        {kJapanese, "\x83\x65\x83\x58", 4, 4}, {kJapanese, "a\x83\x65\x83\x58", 4, 3},
        {kJapanese, "abc\x83", 4, 4}, // a lead byte without its second byte is one byte
    };
    for (const auto& [page, bytes, limit, cut] : cases) {
        ScopedCodePage chosen(page);
        EXPECT_EQ(Corv::CharacterCut(bytes, limit), cut) << limit;
    }
}

} // namespace
