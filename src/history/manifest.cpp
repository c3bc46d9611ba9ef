#include "history/manifest.h"

#include "edit/fingerprint.h"
#include "storage/journal_text.h"

#include <algorithm>
#include <array>
#include <iterator>
#include <map>
#include <optional>
#include <set>
#include <string_view>
#include <tuple>
#include <type_traits>
#include <unordered_map>

namespace Corv::History {

namespace {

// A whole manifest keeps the first form's header; a difference needs the second.
constexpr const char* kHeader = "corvane-history 1";
constexpr const char* kDifferenceHeader = "corvane-history 2";
const char* const kKindWords[3][2] = {{"patch", "patches"}, {"tone", "tones"}, {"wave", "waves"}};

bool ParseNumber(const std::string& text, std::uint64_t& value) {
    if (text.empty() || text.size() > 19)
        return false;
    value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9')
            return false;
        value = value * 10 + static_cast<std::uint64_t>(c - '0');
    }
    return true;
}

bool ParseSigned(const std::string& text, std::int64_t& value) {
    std::uint64_t magnitude = 0;
    const bool negative = !text.empty() && text[0] == '-';
    if (!ParseNumber(negative ? text.substr(1) : text, magnitude))
        return false;
    value = negative ? -static_cast<std::int64_t>(magnitude) : static_cast<std::int64_t>(magnitude);
    return true;
}

bool Unescaped(const std::string& text, std::string& out) {
    return JournalUnescaped(text, out);
}

bool ParseFile(const std::vector<std::string>& fields, FileEntry& file) {
    return fields.size() == 6 && Unescaped(fields[1], file.path) &&
           ParseNumber(fields[2], file.size) && fields[3].size() == 32 &&
           (file.hash = fields[3], ParseSigned(fields[4], file.modified)) &&
           ParseNumber(fields[5], file.inode);
}

bool ParseSlot(const std::vector<std::string>& fields, SlotEntry& slot) {
    std::uint64_t kind = 0, number = 0;
    if (fields.size() != 11 || !ParseNumber(fields[1], kind) || kind > 2 ||
        !ParseNumber(fields[2], number) || number == 0 || number > 999 ||
        !Unescaped(fields[3], slot.file) || !ParseNumber(fields[4], slot.size) ||
        !FromHexText(fields[6], slot.name))
        return false;
    slot.kind = static_cast<int>(kind);
    slot.number = static_cast<int>(number);
    slot.fingerprint = fields[5];
    for (std::size_t m = 0; m < 4; ++m)
        if (!FromHexText(fields[7 + m], slot.memos[m]))
            return false;
    return true;
}

// Sets a header field; false for a field no manifest has.
bool ParseField(const std::vector<std::string>& fields, Manifest& manifest) {
    const std::string& key = fields[0];
    const std::string value = fields.size() == 2 ? fields[1] : std::string();
    std::uint64_t number = 0;
    if (key == "id" && ParseNumber(value, number) && number < 1000000)
        manifest.id = static_cast<int>(number);
    else if (key == "base" && ParseNumber(value, number) && number > 0 && number < 1000000)
        manifest.base = static_cast<int>(number);
    else if (key == "time")
        manifest.time = value;
    else if (key == "program")
        manifest.program = value;
    else if (key == "note")
        return Unescaped(value, manifest.note);
    else if (key == "summary")
        return Unescaped(value, manifest.summary);
    else if (key == "stored" && ParseNumber(value, number))
        manifest.storedBytes = number;
    else
        return false;
    return fields.size() == 2;
}

std::string Counted(int count, int kind, const std::vector<int>& numbers) {
    if (count == 1)
        return std::string(kKindWords[kind][0]) + " " + std::to_string(numbers.front());
    return std::to_string(count) + " " + kKindWords[kind][1];
}

} // namespace

void Manifest::TakeHeader(const Manifest& other) {
    id = other.id;
    time = other.time;
    program = other.program;
    note = other.note;
    storedBytes = other.storedBytes;
    summary = other.summary;
}

const FileEntry* Manifest::File(std::string_view path) const {
    // Files are kept in path order; a list out of order is still searched whole.
    const auto at =
        std::lower_bound(files.begin(), files.end(), path,
                         [](const FileEntry& file, std::string_view p) { return file.path < p; });
    if (at != files.end() && at->path == path)
        return &*at;
    for (const FileEntry& file : files)
        if (file.path == path)
            return &file;
    return nullptr;
}

std::string HexOf(const std::string& bytes) {
    static const char* const kDigits = "0123456789abcdef";
    std::string hex;
    hex.reserve(bytes.size() * 2);
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        hex += kDigits[byte >> 4];
        hex += kDigits[byte & 15];
    }
    return hex;
}

bool FromHexText(const std::string& hex, std::string& bytes) {
    if (hex.size() % 2 != 0)
        return false;
    bytes.clear();
    auto digit = [](char c) {
        return c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
    };
    for (std::size_t i = 0; i < hex.size(); i += 2) {
        const int high = digit(hex[i]), low = digit(hex[i + 1]);
        if (high < 0 || low < 0)
            return false;
        bytes += static_cast<char>(high * 16 + low);
    }
    return true;
}

std::string ManifestText(const Manifest& m) {
    std::string text = std::string(m.base != 0 ? kDifferenceHeader : kHeader) + "\n";
    text += "id\t" + std::to_string(m.id) + "\n";
    if (m.base != 0)
        text += "base\t" + std::to_string(m.base) + "\n";
    text += "time\t" + m.time + "\n";
    text += "program\t" + m.program + "\n";
    text += "note\t" + JournalEscaped(m.note) + "\n";
    text += "stored\t" + std::to_string(m.storedBytes) + "\n";
    text += "summary\t" + JournalEscaped(m.summary) + "\n";
    for (const FileEntry& f : m.files)
        text += "file\t" + JournalEscaped(f.path) + "\t" + std::to_string(f.size) + "\t" + f.hash +
                "\t" + std::to_string(f.modified) + "\t" + std::to_string(f.inode) + "\n";
    for (const SlotEntry& s : m.usedSlots) {
        text += "slot\t" + std::to_string(s.kind) + "\t" + std::to_string(s.number) + "\t" +
                JournalEscaped(s.file) + "\t" + std::to_string(s.size) + "\t" + s.fingerprint +
                "\t" + HexOf(s.name);
        for (const std::string& memo : s.memos)
            text += "\t" + HexOf(memo);
        text += "\n";
    }
    for (const std::string& path : m.goneFiles)
        text += "gone\t" + JournalEscaped(path) + "\n";
    for (const auto& [kind, number] : m.goneSlots)
        text += "noslot\t" + std::to_string(kind) + "\t" + std::to_string(number) + "\n";
    return text + "end\t" + JournalChecksum(text) + "\n";
}

bool ParseManifest(const std::string& text, Manifest& manifest, std::string& why) {
    manifest = Manifest{};
    const std::size_t endAt = text.rfind("end\t");
    const bool difference = text.rfind(std::string(kDifferenceHeader) + "\n", 0) == 0;
    if ((!difference && text.rfind(std::string(kHeader) + "\n", 0) != 0) ||
        endAt == std::string::npos || (endAt > 0 && text[endAt - 1] != '\n') ||
        text.substr(endAt) != "end\t" + JournalChecksum(text.substr(0, endAt)) + "\n") {
        why = "the manifest is cut short or altered";
        return false;
    }
    std::vector<std::string> lines = SplitAt(text.substr(0, endAt), '\n');
    lines.pop_back(); // after the last line end
    for (std::size_t i = 1; i < lines.size(); ++i) {
        const std::vector<std::string> fields = SplitAt(lines[i], '\t');
        bool ok = false;
        if (fields[0] == "file") {
            FileEntry file;
            ok = ParseFile(fields, file);
            manifest.files.push_back(std::move(file));
        } else if (fields[0] == "slot") {
            SlotEntry slot;
            ok = ParseSlot(fields, slot);
            manifest.usedSlots.push_back(std::move(slot));
        } else if (fields[0] == "gone") {
            std::string path;
            ok = fields.size() == 2 && Unescaped(fields[1], path);
            manifest.goneFiles.push_back(std::move(path));
        } else if (fields[0] == "noslot") {
            std::uint64_t kind = 0, number = 0;
            ok = fields.size() == 3 && ParseNumber(fields[1], kind) && kind <= 2 &&
                 ParseNumber(fields[2], number) && number > 0 && number <= 999;
            manifest.goneSlots.emplace_back(static_cast<int>(kind), static_cast<int>(number));
        } else {
            ok = ParseField(fields, manifest);
        }
        if (!ok) {
            why = "the manifest's line " + std::to_string(i + 1) + " cannot be read";
            return false;
        }
    }
    if (difference != (manifest.base != 0) ||
        (!difference && !(manifest.goneFiles.empty() && manifest.goneSlots.empty()))) {
        why = "the manifest's base is not what its header says";
        return false;
    }
    return true;
}

namespace {

bool SameFile(const FileEntry& a, const FileEntry& b) {
    return a.path == b.path && a.size == b.size && a.hash == b.hash && a.modified == b.modified &&
           a.inode == b.inode;
}

std::pair<int, int> SlotKey(const SlotEntry& slot) {
    return {slot.kind, slot.number};
}

} // namespace

namespace {

bool FileBefore(const FileEntry& a, const FileEntry& b) {
    return a.path < b.path;
}

bool SlotBefore(const SlotEntry& a, const SlotEntry& b) {
    return SlotKey(a) < SlotKey(b);
}

// A manifest's entries in order: as they are when they are (the usual case), else sorted.
template <typename T, typename Before>
std::vector<const T*> InOrder(const std::vector<T>& entries, Before before) {
    std::vector<const T*> order;
    order.reserve(entries.size());
    for (const T& entry : entries)
        order.push_back(&entry);
    if (!std::is_sorted(entries.begin(), entries.end(), before))
        std::stable_sort(order.begin(), order.end(),
                         [&](const T* a, const T* b) { return before(*a, *b); });
    return order;
}

// Walks two ordered lists side by side: `onBoth` for an entry in both, `onOld` for one only in
// the first, `onNew` for one only in the second.
template <typename T, typename Before, typename Both, typename Old, typename New>
void Merge(const std::vector<const T*>& a, const std::vector<const T*>& b, Before before,
           Both onBoth, Old onOld, New onNew) {
    std::size_t i = 0, j = 0;
    while (i < a.size() || j < b.size()) {
        if (j == b.size() || (i < a.size() && before(*a[i], *b[j])))
            onOld(*a[i++]);
        else if (i == a.size() || before(*b[j], *a[i]))
            onNew(*b[j++]);
        else
            onBoth(*a[i++], *b[j++]);
    }
}

} // namespace

Manifest DifferenceTo(const Manifest& base, const Manifest& whole) {
    Manifest difference;
    difference.TakeHeader(whole);
    difference.base = base.id;
    Merge(
        InOrder(base.files, FileBefore), InOrder(whole.files, FileBefore), FileBefore,
        [&](const FileEntry& a, const FileEntry& b) {
            if (!SameFile(a, b))
                difference.files.push_back(b);
        },
        [&](const FileEntry& a) { difference.goneFiles.push_back(a.path); },
        [&](const FileEntry& b) { difference.files.push_back(b); });
    Manifest slots = SlotDifference(base.usedSlots, whole.usedSlots);
    difference.usedSlots = std::move(slots.usedSlots);
    difference.goneSlots = std::move(slots.goneSlots);
    return difference;
}

namespace {

// The whole manifest a difference stands for: the entries of `base` it keeps are copied, or
// moved when `base` is given up (`Base` a non-const manifest).
template <typename Base> Manifest ResolvedFrom(Base& base, const Manifest& difference) {
    constexpr bool kMove = !std::is_const_v<Base>;
    Manifest whole;
    whole.TakeHeader(difference);
    whole.files.reserve(base.files.size() + difference.files.size());
    whole.usedSlots.reserve(base.usedSlots.size() + difference.usedSlots.size());
    const std::set<std::string> goneFiles(difference.goneFiles.begin(), difference.goneFiles.end());
    const std::set<std::pair<int, int>> goneSlots(difference.goneSlots.begin(),
                                                  difference.goneSlots.end());
    const auto keep = [](auto& into, const auto& entry) {
        if constexpr (kMove)
            into.push_back(std::move(const_cast<std::decay_t<decltype(entry)>&>(entry)));
        else
            into.push_back(entry);
    };
    Merge(
        InOrder(base.files, FileBefore), InOrder(difference.files, FileBefore), FileBefore,
        [&](const FileEntry&, const FileEntry& b) { whole.files.push_back(b); },
        [&](const FileEntry& a) {
            if (goneFiles.count(a.path) == 0)
                keep(whole.files, a);
        },
        [&](const FileEntry& b) { whole.files.push_back(b); });
    Merge(
        InOrder(base.usedSlots, SlotBefore), InOrder(difference.usedSlots, SlotBefore), SlotBefore,
        [&](const SlotEntry&, const SlotEntry& b) { whole.usedSlots.push_back(b); },
        [&](const SlotEntry& a) {
            if (goneSlots.count(SlotKey(a)) == 0)
                keep(whole.usedSlots, a);
        },
        [&](const SlotEntry& b) { whole.usedSlots.push_back(b); });
    if constexpr (kMove) {
        base.files.clear();
        base.usedSlots.clear();
    }
    return whole;
}

} // namespace

Manifest Resolved(const Manifest& base, const Manifest& difference) {
    return ResolvedFrom(base, difference);
}

Manifest Resolved(Manifest&& base, const Manifest& difference) {
    return ResolvedFrom(base, difference);
}

std::size_t EntryLines(const Manifest& manifest) {
    return manifest.files.size() + manifest.usedSlots.size() + manifest.goneFiles.size() +
           manifest.goneSlots.size();
}

Manifest SlotDifference(const std::vector<SlotEntry>& before, const std::vector<SlotEntry>& after) {
    Manifest difference;
    Merge(
        InOrder(before, SlotBefore), InOrder(after, SlotBefore), SlotBefore,
        [&](const SlotEntry& a, const SlotEntry& b) {
            if (!(a == b))
                difference.usedSlots.push_back(b);
        },
        [&](const SlotEntry& a) { difference.goneSlots.push_back(SlotKey(a)); },
        [&](const SlotEntry& b) { difference.usedSlots.push_back(b); });
    return difference;
}

std::string ChangeSummary(const std::vector<SlotEntry>& before,
                          const std::vector<SlotEntry>& after) {
    return ChangeSummary(before, SlotDifference(before, after));
}

std::string ChangeSummary(const std::vector<SlotEntry>& before, const Manifest& difference) {
    enum Change { Renamed, Memos, Changed, Moved, Removed, Added, kChanges };
    static const char* const kWords[kChanges] = {"renamed", "changed memos of", "changed",
                                                 "moved",   "removed",          "added"};
    std::vector<int> numbers[kChanges][3];
    const std::vector<const SlotEntry*> ordered = InOrder(before, SlotBefore);
    const auto beforeAt = [&](std::pair<int, int> key) -> const SlotEntry* {
        const auto it = std::lower_bound(
            ordered.begin(), ordered.end(), key,
            [](const SlotEntry* slot, const std::pair<int, int>& k) { return SlotKey(*slot) < k; });
        return it != ordered.end() && SlotKey(**it) == key ? *it : nullptr;
    };
    // How often each kind holds a sound before the save, counted only when an entry came,
    // went or holds another sound; after it, the same with the difference's slots in place of
    // those they replace.
    using Counts = std::unordered_map<std::string_view, std::size_t>;
    std::optional<std::array<Counts, 3>> counts[2];
    const auto holds = [&](int side, int kind, const std::string& fingerprint) {
        if (!counts[side]) {
            counts[side].emplace();
            for (const SlotEntry& s : before)
                ++(*counts[side])[static_cast<std::size_t>(s.kind)][s.fingerprint];
            if (side == 1) {
                for (const SlotEntry& b : difference.usedSlots) {
                    if (const SlotEntry* a = beforeAt(SlotKey(b)))
                        --(*counts[1])[static_cast<std::size_t>(a->kind)][a->fingerprint];
                    ++(*counts[1])[static_cast<std::size_t>(b.kind)][b.fingerprint];
                }
                for (const std::pair<int, int>& key : difference.goneSlots)
                    if (const SlotEntry* a = beforeAt(key))
                        --(*counts[1])[static_cast<std::size_t>(a->kind)][a->fingerprint];
            }
        }
        const Counts& held = (*counts[side])[static_cast<std::size_t>(kind)];
        const auto it = held.find(fingerprint);
        return fingerprint.empty() || it == held.end() ? std::size_t{0} : it->second;
    };
    // A slot that holds a sound the project had before elsewhere took it there (a renumbering,
    // an exchange, a copy): it came, and what it held went; a sound new to the project changed it.
    std::vector<const SlotEntry*> gone, come;
    for (const SlotEntry& b : difference.usedSlots) {
        const SlotEntry* a = beforeAt(SlotKey(b));
        if (a == nullptr) {
            come.push_back(&b);
            continue;
        }
        if (a->fingerprint != b.fingerprint) {
            if (holds(0, b.kind, b.fingerprint) > 0) {
                come.push_back(&b);
                gone.push_back(a);
            } else {
                numbers[Changed][b.kind].push_back(b.number);
            }
            continue;
        }
        if (a->name != b.name)
            numbers[Renamed][b.kind].push_back(b.number);
        if (a->memos != b.memos)
            numbers[Memos][b.kind].push_back(b.number);
    }
    for (const std::pair<int, int>& key : difference.goneSlots)
        if (const SlotEntry* a = beforeAt(key))
            gone.push_back(a);
    std::sort(come.begin(), come.end(),
              [](const SlotEntry* a, const SlotEntry* b) { return SlotBefore(*a, *b); });
    std::sort(gone.begin(), gone.end(),
              [](const SlotEntry* a, const SlotEntry* b) { return SlotBefore(*a, *b); });
    // Of the entries that came with one sound, as many as the sound is there more often now are
    // added and the others moved; of those that went, as many as it is there less often now are
    // removed, and the others moved (they are among those that came). A sound that could not be
    // told is added and removed.
    std::map<std::tuple<int, int, std::string>, std::size_t> left;
    const auto counted = [&](int side, const SlotEntry& s) -> bool {
        if (s.fingerprint.empty())
            return true;
        const auto key = std::make_tuple(side, s.kind, s.fingerprint);
        auto it = left.find(key);
        if (it == left.end()) {
            const std::size_t was = holds(0, s.kind, s.fingerprint);
            const std::size_t now = holds(1, s.kind, s.fingerprint);
            it = left.emplace(key,
                              side == 1 ? (now > was ? now - was : 0) : (was > now ? was - now : 0))
                     .first;
        }
        if (it->second == 0)
            return false;
        --it->second;
        return true;
    };
    // The last that came with a sound are the added ones (a move keeps the lower number).
    std::vector<bool> added(come.size());
    for (std::size_t i = come.size(); i-- > 0;)
        added[i] = counted(1, *come[i]);
    for (std::size_t i = 0; i < come.size(); ++i)
        numbers[added[i] ? Added : Moved][come[i]->kind].push_back(come[i]->number);
    for (const SlotEntry* a : gone)
        if (counted(0, *a))
            numbers[Removed][a->kind].push_back(a->number);
    for (auto& kinds : numbers) // a difference need not be in slot order
        for (std::vector<int>& list : kinds)
            std::sort(list.begin(), list.end());
    // A slot whose sound went and another came in (a copy over it) is one that changed.
    for (int kind = 0; kind < 3; ++kind) {
        std::vector<int>& removedHere = numbers[Removed][kind];
        std::vector<int>& addedHere = numbers[Added][kind];
        std::vector<int> both;
        std::set_intersection(removedHere.begin(), removedHere.end(), addedHere.begin(),
                              addedHere.end(), std::back_inserter(both));
        if (both.empty())
            continue;
        const auto drop = [&](std::vector<int>& list) {
            std::vector<int> rest;
            std::set_difference(list.begin(), list.end(), both.begin(), both.end(),
                                std::back_inserter(rest));
            list = std::move(rest);
        };
        drop(removedHere);
        drop(addedHere);
        std::vector<int>& changed = numbers[Changed][kind];
        changed.insert(changed.end(), both.begin(), both.end());
        std::sort(changed.begin(), changed.end());
    }
    std::string summary;
    for (int change = 0; change < kChanges; ++change)
        for (int kind = 0; kind < 3; ++kind) {
            const auto& list = numbers[change][kind];
            if (list.empty())
                continue;
            summary += (summary.empty() ? "" : ", ") + std::string(kWords[change]) + " " +
                       Counted(static_cast<int>(list.size()), kind, list);
        }
    return summary.empty() ? "no entry changed" : summary;
}

} // namespace Corv::History
