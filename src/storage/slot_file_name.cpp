#include "storage/slot_file_name.h"

#include "model/text_encoding.h"

#include <cstdio>

namespace Corv {

namespace {

constexpr const char* kSubfolders[3] = {"Patch/", "Tone/", "Wave/"};
constexpr const char* kMemoFiles[3] = {"PatchMemo.txt", "ToneMemo.txt", "WaveMemo.txt"};

// The longest base name a slot file may have: three digits, a blank and twelve characters.
constexpr std::size_t kMaxBaseName = 16;

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// Letter case folding of plain ASCII only: names are 8-bit texts in the user's code page, and
// bytes above 127 must compare as they are.
char FoldCase(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool SameLetter(char a, char b) {
    return FoldCase(a) == FoldCase(b);
}

} // namespace

const char* SubfolderName(int kind) {
    return kind >= 0 && kind < 3 ? kSubfolders[kind] : "";
}

const char* MemoFileName(int kind) {
    return kind >= 0 && kind < 3 ? kMemoFiles[kind] : "";
}

std::string SlotNumberText(unsigned number) {
    std::string digits = std::to_string(number);
    if (digits.size() < 3)
        digits.insert(0, 3 - digits.size(), '0');
    return digits;
}

std::string SlotFileName(unsigned number, std::string_view name, std::string_view extension) {
    return SlotNumberText(number) + ' ' + CodePageToUtf8(name) + std::string(extension);
}

std::string SlotFileName(unsigned number, const CParameter& record) {
    const std::string& path = record.FilePath();
    const std::string present = NamePart(path);
    if (IsValidUtf8(present) && Utf8ToCodePage(present) == record.Name())
        return SlotNumberText(number) + ' ' + present + Extension(path);
    return SlotFileName(number, record.Name(), Extension(path));
}

std::string_view FileNamePart(std::string_view path) {
    const auto slash = path.rfind('/');
    return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

std::string_view BaseName(std::string_view path) {
    const std::string_view fileName = FileNamePart(path);
    const auto dot = fileName.rfind('.');
    return dot == std::string_view::npos ? fileName : fileName.substr(0, dot);
}

int ParseSlotNumber(std::string_view path) {
    const std::string_view base = BaseName(path);
    // Converting a name never makes it longer, so only a long one needs to be converted.
    if (base.size() < 4 ||
        (base.size() > kMaxBaseName && FileNameToCodePage(base).size() > kMaxBaseName))
        return -1;
    if (!IsDigit(base[0]) || !IsDigit(base[1]) || !IsDigit(base[2]) || base[3] != ' ')
        return -1;
    return (base[0] - '0') * 100 + (base[1] - '0') * 10 + (base[2] - '0');
}

bool MatchesPattern(std::string_view name, std::string_view pattern) {
    // Greedy matching that remembers the last "*": linear in practice and never exponential.
    std::size_t n = 0;
    std::size_t p = 0;
    std::size_t starAt = std::string_view::npos;
    std::size_t resumeAt = 0;
    while (n < name.size()) {
        if (p < pattern.size() && pattern[p] == '*') {
            starAt = p++;
            resumeAt = n;
        } else if (p < pattern.size() && (pattern[p] == '?' || SameLetter(pattern[p], name[n]))) {
            ++p;
            ++n;
        } else if (starAt != std::string_view::npos) {
            p = starAt + 1;
            n = ++resumeAt;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*')
        ++p;
    return p == pattern.size();
}

std::string WaveBytesText(std::uint32_t bytes) {
    char text[32];
    if (bytes < 1024)
        std::snprintf(text, sizeof text, "%u Bytes", static_cast<unsigned>(bytes));
    else if (bytes < 1024u * 1024u)
        std::snprintf(text, sizeof text, "%3.1f KB", static_cast<double>(bytes) / 1024.0);
    else
        std::snprintf(text, sizeof text, "%3.1f MB", static_cast<double>(bytes) / 1048576.0);
    return text;
}

} // namespace Corv
