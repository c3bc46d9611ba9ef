#pragma once

#include "model/parameter.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace Corv {

class CLumData;
class CParameter;

// One entry whose name or memo holds the search text: the project's position in the searched
// list, the kind and the 0-based slot.
struct FindHit {
    int project = 0;
    int kind = 0;
    int slot = 0;

    bool operator==(const FindHit&) const = default;
    auto operator<=>(const FindHit&) const = default;
};

// True when `needle` occurs in `haystack`, both in the code page, letters compared without
// regard to case (ASCII, the accented letters of Windows-1252, the full-width Latin, Greek and
// Cyrillic letters of Shift_JIS). A double-byte character is matched only as a whole, never
// from its trail byte. An empty needle occurs nowhere.
bool ContainsNoCase(std::string_view haystack, std::string_view needle);

// Every used entry of the projects, of the given kinds, whose name or memos hold the text
// (code-page bytes), in project order, then patches, tones, waves, then slot order.
std::vector<FindHit> FindHits(const std::vector<const CLumData*>& projects, std::string_view text,
                              KindSet kinds);

// The index of the hit to go to from `from` (the current entry, which need not be a hit
// itself): forward, the first hit after it; backward, the last before it; past either end the
// search wraps around. Without a current entry, the first (forward) or last (backward) hit.
// None when there is no hit.
std::optional<std::size_t> StepHit(const std::vector<FindHit>& hits,
                                   const std::optional<FindHit>& from, bool forward);

} // namespace Corv
