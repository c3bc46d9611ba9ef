#pragma once

#include <functional>
#include <string>
#include <vector>

namespace Corv {

class CLumData;
struct Fingerprint;

// What differs between an entry of project A and one of project B.
enum class DiffChange {
    OnlyInA, // A holds an entry at the slot that B does not have (B's slot is free or holds
             // an entry that came from elsewhere)
    OnlyInB, // the other way round
    Name,    // the same entry under another name
    Memo,    // the same entry with another memo
    Record,  // the patch or tone at the slot has other parameters
    Content, // the wave file at the slot has other bytes
    Moved,   // B holds A's entry under another number
};

// One difference. Slots are 0-based, -1 where the change has no slot on that side. For a name
// or memo change `before`/`after` hold the texts (memo number in `memo`); for OnlyInA/OnlyInB
// `before` holds the entry's name.
struct ProjectDifference {
    int kind = 0;
    DiffChange change = DiffChange::Record;
    int slotA = -1;
    int slotB = -1;
    int memo = 0;
    std::string before;
    std::string after;
};

// Compares two loaded projects slot by slot; the lines come patches first, then tones, then
// waves, each kind in slot order. Entries are matched by content, never by name, bottom up:
//  - waves by their files' bytes (a digest read through the file-system seam);
//  - tones by their parameters, where a wave reference counts as the same when it names A's
//    wave and B's counterpart of that wave (the same slot, or where the wave moved to); a
//    reference to an empty slot or beyond the list matches only the same number;
//  - patches likewise, by their parameters and the counterparts of the tones they name.
// So a tone whose wave moved from 3 to 40 is still the same tone, and a tone that still names
// wave 3 after wave 3's file changed is unchanged itself (the wave's line tells the change).
// An entry equal to the one at the same slot of B is the same entry; the entries left over
// are paired by equal content, first of A with first of B: such a pair is a move (and its
// names and memos are compared). What is left at a slot is compared there: entries on both
// sides give name, memo and record/content lines, an entry on one side an only-in line.
// Empty when the projects are equal.
std::vector<ProjectDifference> DiffProjects(const CLumData& a, const CLumData& b);

// Gives the fingerprint of a wave's file by its path where the caller knows it already (false:
// the file is read).
using KnownFingerprint = std::function<bool(const std::string& path, Fingerprint& print)>;

// The same, with the fingerprints of wave files the caller knows (a history knows those of
// every file it keeps): only the waves it does not know are read.
std::vector<ProjectDifference> DiffProjects(const CLumData& a, const CLumData& b,
                                            const KnownFingerprint& known);

// One line per difference, for people and for grep: "KIND N: CHANGE" or, for a moved entry,
// "KIND N -> M: CHANGE", with 1-based numbers. Texts are quoted with '"' and '\' escaped:
//   tone 12: only in A "Pad"           tone 12: only in B "Pad"
//   tone 12: name "Pad" -> "Pad 2"     tone 12: memo 2 "old" -> "new"
//   tone 12: record differs            wave 7: content differs
//   tone 12 -> 40: moved               tone 12 -> 40: name "Pad" -> "Pad 2"
std::string DifferenceLine(const ProjectDifference& difference);

// The name of a change as the JSON output gives it: "only-in-a", "only-in-b", "name", "memo",
// "record", "content", "moved".
const char* ChangeName(DiffChange change);

} // namespace Corv
