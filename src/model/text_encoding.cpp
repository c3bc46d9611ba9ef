#include "model/text_encoding.h"

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <iconv.h>

namespace Corv {

namespace {

std::atomic<CodePage> g_page{CodePage::Windows1252};
std::atomic<void (*)()> g_source{nullptr};

bool IsAscii(unsigned char c) {
    return c < 0x80;
}

bool AllAscii(std::string_view text) {
    return std::all_of(text.begin(), text.end(),
                       [](char c) { return IsAscii(static_cast<unsigned char>(c)); });
}

bool IsLeadByte(unsigned char c) {
    return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}

bool IsTrailByte(unsigned char c) {
    return c >= 0x40 && c <= 0xFC && c != 0x7F;
}

// The bytes Windows-1252 gives no character. The desktop program's decoder reads each as the C1
// control character of the same number, and so does this one: every byte of a name then has a
// place in a file name and comes back from it.
bool IsUnassigned1252(unsigned char c) {
    return c == 0x81 || c == 0x8D || c == 0x8F || c == 0x90 || c == 0x9D;
}

// The converter names of the C library. Its CP932 reads every double-byte character as the
// desktop program's Shift_JIS decoder does (the vendor rows included).
const char* ConverterName(CodePage page) {
    return page == CodePage::ShiftJis ? "CP932" : "CP1252";
}

// One direction of the C library's converter, used one character at a time so that a character
// without a counterpart is left out on its own.
class CConverter {
public:
    CConverter(const char* to, const char* from) : m_cd(iconv_open(to, from)) {}
    ~CConverter() {
        if (Ready())
            iconv_close(m_cd);
    }
    CConverter(const CConverter&) = delete;
    CConverter& operator=(const CConverter&) = delete;

    // Appends the conversion of one whole character; false, with nothing appended, when there
    // is none.
    bool Append(std::string_view character, std::string& out) {
        if (!Ready())
            return false;
        iconv(m_cd, nullptr, nullptr, nullptr, nullptr);
        char buffer[16];
        char* in = const_cast<char*>(character.data());
        std::size_t inLeft = character.size();
        char* next = buffer;
        std::size_t outLeft = sizeof buffer;
        if (iconv(m_cd, &in, &inLeft, &next, &outLeft) == static_cast<std::size_t>(-1) ||
            inLeft != 0)
            return false;
        out.append(buffer, static_cast<std::size_t>(next - buffer));
        return true;
    }

private:
    bool Ready() const { return m_cd != reinterpret_cast<iconv_t>(static_cast<std::intptr_t>(-1)); }

    iconv_t m_cd;
};

// The length of the well-formed UTF-8 sequence at the start of `text` (no overlong forms, no
// surrogates, nothing above U+10FFFF); 0 when there is none.
std::size_t Utf8SequenceLength(std::string_view text) {
    const auto at = [text](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char first = at(0);
    if (first < 0x80)
        return 1;
    std::size_t length = 0;
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    if (first >= 0xC2 && first <= 0xDF) {
        length = 2;
    } else if (first >= 0xE0 && first <= 0xEF) {
        length = 3;
        low = first == 0xE0 ? 0xA0 : low;
        high = first == 0xED ? 0x9F : high;
    } else if (first >= 0xF0 && first <= 0xF4) {
        length = 4;
        low = first == 0xF0 ? 0x90 : low;
        high = first == 0xF4 ? 0x8F : high;
    } else {
        return 0;
    }
    if (text.size() < length || at(1) < low || at(1) > high)
        return 0;
    for (std::size_t i = 2; i < length; ++i)
        if (at(i) < 0x80 || at(i) > 0xBF)
            return 0;
    return length;
}

// Encodes one non-ASCII character. A character the converter would turn into an ASCII byte
// (the yen sign into 0x5C, for one) is left out: an ASCII byte of a name always stands for the
// same character of a file name.
void AppendEncoded(CodePage page, CConverter& converter, std::string_view character,
                   std::string& bytes) {
    const unsigned char second = static_cast<unsigned char>(character[1]);
    if (page == CodePage::Windows1252 && character.size() == 2 &&
        static_cast<unsigned char>(character[0]) == 0xC2 && IsUnassigned1252(second)) {
        bytes += character[1];
        return;
    }
    std::string encoded;
    if (converter.Append(character, encoded) && !IsAscii(static_cast<unsigned char>(encoded[0])))
        bytes += encoded;
}

} // namespace

CodePage CurrentCodePage() {
    if (void (*source)() = g_source.exchange(nullptr))
        source();
    return g_page.load();
}

void SetCodePage(CodePage page) {
    g_source.store(nullptr);
    g_page.store(page);
}

std::optional<CodePage> CodePageNamed(std::string_view name) {
    std::string key;
    for (const char c : name)
        if (c != '-' && c != '_')
            key += static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    if (key == "windows1252" || key == "cp1252")
        return CodePage::Windows1252;
    if (key == "shiftjis" || key == "sjis" || key == "cp932" || key == "windows31j")
        return CodePage::ShiftJis;
    return std::nullopt;
}

const char* CodePageName(CodePage page) {
    return page == CodePage::ShiftJis ? "Shift_JIS" : "Windows-1252";
}

void SetCodePageSource(void (*source)()) {
    g_source.store(source);
}

bool IsDoubleByteCodePage() {
    return CurrentCodePage() == CodePage::ShiftJis;
}

bool IsValidUtf8(std::string_view text) {
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t length = Utf8SequenceLength(text.substr(i));
        if (length == 0)
            return false;
        i += length;
    }
    return true;
}

std::string CodePageToUtf8(std::string_view bytes) {
    if (AllAscii(bytes))
        return std::string(bytes);
    const CodePage page = CurrentCodePage();
    CConverter converter("UTF-8", ConverterName(page));
    std::string text;
    for (std::size_t i = 0; i < bytes.size();) {
        const unsigned char c = static_cast<unsigned char>(bytes[i]);
        std::size_t length =
            page == CodePage::ShiftJis && IsLeadByte(c) && i + 1 < bytes.size() ? 2 : 1;
        if (IsAscii(c)) {
            text += bytes[i];
        } else if (page == CodePage::Windows1252 && IsUnassigned1252(c)) {
            text += static_cast<char>(0xC2);
            text += bytes[i];
        } else if (!converter.Append(bytes.substr(i, length), text) && length == 2 &&
                   !IsTrailByte(static_cast<unsigned char>(bytes[i + 1]))) {
            length = 1; // a lead byte without its second byte: what follows stands on its own
        }
        i += length;
    }
    return text;
}

std::string Utf8ToCodePage(std::string_view text) {
    if (AllAscii(text))
        return std::string(text);
    const CodePage page = CurrentCodePage();
    CConverter converter(ConverterName(page), "UTF-8");
    std::string bytes;
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t length = Utf8SequenceLength(text.substr(i));
        if (length == 0) {
            ++i; // not UTF-8: left out
            continue;
        }
        if (length == 1)
            bytes += text[i];
        else
            AppendEncoded(page, converter, text.substr(i, length), bytes);
        i += length;
    }
    return bytes;
}

bool CodePageHolds(std::string_view text) {
    return CodePageToUtf8(Utf8ToCodePage(text)) == text;
}

std::string FileNameToCodePage(std::string_view text) {
    return IsValidUtf8(text) ? Utf8ToCodePage(text) : std::string(text);
}

std::size_t CharacterCut(std::string_view bytes, std::size_t limit) {
    if (bytes.size() <= limit)
        return bytes.size();
    if (!IsDoubleByteCodePage())
        return limit;
    std::size_t end = 0;
    while (end < bytes.size()) {
        const std::size_t length =
            IsLeadByte(static_cast<unsigned char>(bytes[end])) && end + 1 < bytes.size() ? 2 : 1;
        if (end + length > limit)
            break;
        end += length;
    }
    return end;
}

} // namespace Corv
