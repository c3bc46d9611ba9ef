#include "edit/find.h"

#include "model/lum_data.h"
#include "model/parameter.h"
#include "model/text_encoding.h"

#include <algorithm>
#include <cstdint>

namespace Corv {

namespace {

// A Windows-1252 byte in lower case.
std::uint16_t FoldSingleByte1252(std::uint8_t c) {
    if (c >= 'A' && c <= 'Z')
        return c + 0x20;
    if (c >= 0xC0 && c <= 0xDE && c != 0xD7)
        return c + 0x20; // À-Þ without the multiplication sign
    if (c == 0x8A || c == 0x8C || c == 0x8E)
        return c + 0x10; // Š Œ Ž
    if (c == 0x9F)
        return 0xFF; // Ÿ
    return c;
}

// A Shift_JIS double-byte character (lead byte high) in lower case.
std::uint16_t FoldDoubleByteSjis(std::uint16_t c) {
    if (c >= 0x8260 && c <= 0x8279)
        return c + 0x21; // full-width Ａ-Ｚ
    if (c >= 0x839F && c <= 0x83B6)
        return c + 0x20; // Greek
    if (c >= 0x8440 && c <= 0x8460) {
        const int offset = c - 0x8440; // Cyrillic; the lower-case run skips 0x847F
        return static_cast<std::uint16_t>(offset < 15 ? 0x8470 + offset : 0x8471 + offset);
    }
    return c;
}

bool IsSjisLead(std::uint8_t c) {
    return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}

// The characters of a text in the code page, one code per character, in lower case.
std::vector<std::uint16_t> FoldedCharacters(std::string_view bytes) {
    std::vector<std::uint16_t> characters;
    characters.reserve(bytes.size());
    const bool doubleByte = IsDoubleByteCodePage();
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const auto c = static_cast<std::uint8_t>(bytes[i]);
        if (!doubleByte) {
            characters.push_back(FoldSingleByte1252(c));
        } else if (IsSjisLead(c) && i + 1 < bytes.size()) {
            const auto trail = static_cast<std::uint8_t>(bytes[++i]);
            characters.push_back(FoldDoubleByteSjis(static_cast<std::uint16_t>(c << 8 | trail)));
        } else {
            characters.push_back(c >= 'A' && c <= 'Z' ? c + 0x20 : c);
        }
    }
    return characters;
}

bool ContainsFolded(std::string_view haystack, const std::vector<std::uint16_t>& needle) {
    if (needle.empty() || haystack.size() < needle.size())
        return false;
    const std::vector<std::uint16_t> folded = FoldedCharacters(haystack);
    return std::search(folded.begin(), folded.end(), needle.begin(), needle.end()) != folded.end();
}

bool MatchesFolded(const CParameter& record, const std::vector<std::uint16_t>& needle) {
    if (record.IsEmpty())
        return false;
    if (ContainsFolded(record.Name(), needle))
        return true;
    for (int n = 1; n <= 4; ++n)
        if (ContainsFolded(record.Memo(n), needle))
            return true;
    return false;
}

} // namespace

bool ContainsNoCase(std::string_view haystack, std::string_view needle) {
    return ContainsFolded(haystack, FoldedCharacters(needle));
}

std::vector<FindHit> FindHits(const std::vector<const CLumData*>& projects, std::string_view text,
                              KindSet kinds) {
    std::vector<FindHit> hits;
    const std::vector<std::uint16_t> needle = FoldedCharacters(text);
    if (needle.empty())
        return hits;
    for (std::size_t p = 0; p < projects.size(); ++p) {
        for (int k = kPatchKind; k <= kWaveKind; ++k) {
            if (!kinds.Has(k))
                continue;
            const CParameterArray& records = projects[p]->Records(k);
            for (std::size_t i = 0; i < records.Size(); ++i)
                if (MatchesFolded(records.Item(i), needle))
                    hits.push_back({static_cast<int>(p), k, static_cast<int>(i)});
        }
    }
    return hits;
}

std::optional<std::size_t> StepHit(const std::vector<FindHit>& hits,
                                   const std::optional<FindHit>& from, bool forward) {
    if (hits.empty())
        return std::nullopt;
    if (!from)
        return forward ? 0 : hits.size() - 1;
    if (forward) {
        const auto next = std::upper_bound(hits.begin(), hits.end(), *from);
        return next == hits.end() ? 0 : static_cast<std::size_t>(next - hits.begin());
    }
    const auto first = std::lower_bound(hits.begin(), hits.end(), *from);
    return first == hits.begin() ? hits.size() - 1
                                 : static_cast<std::size_t>(first - hits.begin() - 1);
}

} // namespace Corv
