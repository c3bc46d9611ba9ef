#include "library/search_text.h"

#include <cctype>

namespace Corv::Library {

namespace {

// The full-width forms U+FF01 to U+FF5E are EF BC 81..BF and EF BD 80..9E in UTF-8; each
// stands for the ASCII character 0xFEE0 below it.
bool FullWidthAt(std::string_view text, std::size_t i, char& ascii) {
    if (i + 2 >= text.size() || static_cast<unsigned char>(text[i]) != 0xEF)
        return false;
    const unsigned second = static_cast<unsigned char>(text[i + 1]);
    const unsigned third = static_cast<unsigned char>(text[i + 2]);
    unsigned code = 0;
    if (second == 0xBC && third >= 0x81 && third <= 0xBF)
        code = 0xFF00 + (third - 0x80);
    else if (second == 0xBD && third >= 0x80 && third <= 0x9E)
        code = 0xFF40 + (third - 0x80);
    else
        return false;
    ascii = static_cast<char>(code - 0xFEE0);
    return true;
}

} // namespace

std::string SearchText(std::string_view utf8) {
    std::string folded;
    folded.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        char ascii = 0;
        if (FullWidthAt(utf8, i, ascii)) {
            folded += ascii;
            i += 2;
        } else {
            folded += utf8[i];
        }
    }
    return folded;
}

std::string MatchExpression(std::string_view typed) {
    // Words are split where the tokenizer splits them (ASCII punctuation and blanks); each is
    // quoted, so that no character of it is read as query syntax, and asked for as a prefix.
    const std::string text = SearchText(typed);
    std::string expression;
    std::string word;
    auto flush = [&] {
        if (word.empty())
            return;
        expression += (expression.empty() ? "\"" : " \"") + word + "\"*";
        word.clear();
    };
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x80 && !std::isalnum(byte))
            flush();
        else
            word += c;
    }
    flush();
    return expression;
}

} // namespace Corv::Library
