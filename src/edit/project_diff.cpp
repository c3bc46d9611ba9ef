#include "edit/project_diff.h"

#include "edit/fingerprint.h"
#include "model/file_system.h"
#include "model/lum_data.h"
#include "storage/domain.h"

#include <algorithm>
#include <map>
#include <optional>

namespace Corv {

namespace {

const char* KindName(int kind) {
    return kind == kPatchKind ? "patch" : kind == kToneKind ? "tone" : "wave";
}

// One entry as the comparison sees it: its parameters with the reference numbers blanked out
// (for a wave: a digest of its file), and the reference numbers themselves.
struct Content {
    bool used = false;
    std::string masked;
    std::vector<int> numbers;
};

// How the entries of a kind pair up: pair[i] is the B slot of A's entry i (the same slot or
// the slot it moved to), -1 when A's entry has no counterpart; target[j] tells that B's entry
// j is the counterpart of one of A's.
struct Pairing {
    std::vector<int> pair;
    std::vector<bool> target;
};

// Waves: the file's bytes are the content. A file that cannot be read matches only a file
// of the same path that cannot be read either.
std::vector<Content> WaveContents(const CLumData& data, const KnownFingerprint& known) {
    std::vector<Content> contents(data.Waves().Size());
    for (std::size_t i = 0; i < contents.size(); ++i) {
        const CWave& wave = data.Waves()[i];
        if (wave.IsEmpty())
            continue;
        contents[i].used = true;
        std::optional<Fingerprint> print;
        if (Fingerprint given; known && known(wave.FilePath(), given))
            print = given;
        else
            print = FileFingerprint(wave.FilePath());
        contents[i].masked = print ? "b" + print->Hex() : "unreadable " + wave.FilePath();
    }
    return contents;
}

std::vector<Content> ToneContents(const CLumData& data) {
    std::vector<Content> contents(data.Tones().Size());
    for (std::size_t i = 0; i < contents.size(); ++i) {
        const CTone& tone = data.Tones()[i];
        if (tone.IsEmpty())
            continue;
        contents[i].used = true;
        contents[i].masked = MaskedToneParameters(tone, contents[i].numbers);
    }
    return contents;
}

std::vector<Content> PatchContents(const CLumData& data) {
    std::vector<Content> contents(data.Patches().Size());
    for (std::size_t i = 0; i < contents.size(); ++i) {
        const CPatch& patch = data.Patches()[i];
        if (patch.IsEmpty())
            continue;
        contents[i].used = true;
        contents[i].masked = MaskedPatchParameters(patch, contents[i].numbers);
    }
    return contents;
}

// The key of every entry of one side: its masked parameters and, for each reference, what it
// names in B's numbering: the B slot of a referenced entry that has a counterpart, the number
// itself for a reference to an empty slot or beyond the list, and a mark that matches nothing
// for an entry that only one side has. Equal keys: the same content.
std::vector<std::string> KeysOf(const std::vector<Content>& contents,
                                const std::vector<Content>& targets, const Pairing& referenced,
                                bool sideA) {
    std::vector<std::string> keys(contents.size());
    for (std::size_t i = 0; i < contents.size(); ++i) {
        if (!contents[i].used)
            continue;
        std::string& key = keys[i];
        key = contents[i].masked;
        for (const int n : contents[i].numbers) {
            const std::size_t index = static_cast<std::size_t>(n - 1);
            if (n < 1 || index >= targets.size() || !targets[index].used)
                key += "|e" + std::to_string(n);
            else if (sideA && referenced.pair[index] >= 0)
                key += "|s" + std::to_string(referenced.pair[index]);
            else if (!sideA && referenced.target[index])
                key += "|s" + std::to_string(index);
            else
                key += (sideA ? "|x" : "|y") + std::to_string(n);
        }
    }
    return keys;
}

void CompareTexts(int kind, const CParameter& a, const CParameter& b, int slotA, int slotB,
                  std::vector<ProjectDifference>& out) {
    if (a.Name() != b.Name())
        out.push_back({kind, DiffChange::Name, slotA, slotB, 0, a.Name(), b.Name()});
    for (int n = 1; n <= 4; ++n)
        if (a.Memo(n) != b.Memo(n))
            out.push_back({kind, DiffChange::Memo, slotA, slotB, n, a.Memo(n), b.Memo(n)});
}

// Compares one kind; returns how its entries pair up, for the kind that refers to it.
Pairing DiffKind(int kind, const CLumData& dataA, const CLumData& dataB,
                 const std::vector<std::string>& keyA, const std::vector<std::string>& keyB,
                 std::vector<ProjectDifference>& out) {
    const CParameterArray& recordsA = dataA.Records(kind);
    const CParameterArray& recordsB = dataB.Records(kind);
    const std::size_t count = std::min(recordsA.Size(), recordsB.Size());
    auto usedA = [&](std::size_t i) { return !recordsA.Item(i).IsEmpty(); };
    auto usedB = [&](std::size_t i) { return !recordsB.Item(i).IsEmpty(); };

    std::vector<bool> sameAtSlot(count, false);
    for (std::size_t i = 0; i < count; ++i)
        sameAtSlot[i] = usedA(i) && usedB(i) && keyA[i] == keyB[i];

    // Pair the entries left over by content, first of A with first of B.
    std::map<std::string, std::vector<std::size_t>> leftInB;
    for (std::size_t j = count; j-- > 0;)
        if (usedB(j) && !sameAtSlot[j])
            leftInB[keyB[j]].push_back(j); // in descending order: the first slot at the back
    std::vector<int> movedTo(count, -1), movedFrom(count, -1);
    for (std::size_t i = 0; i < count; ++i) {
        if (!usedA(i) || sameAtSlot[i])
            continue;
        const auto it = leftInB.find(keyA[i]);
        if (it == leftInB.end() || it->second.empty())
            continue;
        const std::size_t j = it->second.back();
        it->second.pop_back();
        movedTo[i] = static_cast<int>(j);
        movedFrom[j] = static_cast<int>(i);
    }

    Pairing pairing{std::vector<int>(recordsA.Size(), -1),
                    std::vector<bool>(recordsB.Size(), false)};
    for (std::size_t i = 0; i < count; ++i) {
        const int slot = static_cast<int>(i);
        const CParameter& ra = recordsA.Item(i);
        const CParameter& rb = recordsB.Item(i);
        if (movedTo[i] >= 0) {
            out.push_back({kind, DiffChange::Moved, slot, movedTo[i], 0, {}, {}});
            CompareTexts(kind, ra, recordsB.Item(static_cast<std::size_t>(movedTo[i])), slot,
                         movedTo[i], out);
            pairing.pair[i] = movedTo[i];
            pairing.target[static_cast<std::size_t>(movedTo[i])] = true;
        }
        const bool inA = usedA(i) && movedTo[i] < 0;
        const bool inB = usedB(i) && movedFrom[i] < 0;
        if (inA && inB) {
            // The entry of the slot on both sides: the same one, or one changed in place.
            CompareTexts(kind, ra, rb, slot, slot, out);
            if (!sameAtSlot[i])
                out.push_back({kind,
                               kind == kWaveKind ? DiffChange::Content : DiffChange::Record,
                               slot,
                               slot,
                               0,
                               {},
                               {}});
            pairing.pair[i] = slot;
            pairing.target[i] = true;
        } else if (inA) {
            out.push_back({kind, DiffChange::OnlyInA, slot, -1, 0, ra.Name(), {}});
        } else if (inB) {
            out.push_back({kind, DiffChange::OnlyInB, -1, slot, 0, rb.Name(), {}});
        }
    }
    return pairing;
}

std::string Quoted(const std::string& text) {
    std::string quoted = "\"";
    for (const char c : text) {
        if (c == '"' || c == '\\')
            quoted += '\\';
        quoted += c;
    }
    return quoted + "\"";
}

} // namespace

std::vector<ProjectDifference> DiffProjects(const CLumData& a, const CLumData& b) {
    return DiffProjects(a, b, {});
}

std::vector<ProjectDifference> DiffProjects(const CLumData& a, const CLumData& b,
                                            const KnownFingerprint& known) {
    // Bottom up: the waves pair by their bytes, then the tones by their parameters and the
    // pairing of the waves they name, then the patches by the pairing of the tones.
    std::vector<ProjectDifference> waves, tones, patches;
    const std::vector<Content> wavesA = WaveContents(a, known), wavesB = WaveContents(b, known);
    std::vector<std::string> wavesKeyA(wavesA.size()), wavesKeyB(wavesB.size());
    for (std::size_t i = 0; i < wavesA.size(); ++i)
        wavesKeyA[i] = wavesA[i].masked;
    for (std::size_t i = 0; i < wavesB.size(); ++i)
        wavesKeyB[i] = wavesB[i].masked;
    const Pairing wavePairing = DiffKind(kWaveKind, a, b, wavesKeyA, wavesKeyB, waves);

    const std::vector<Content> tonesA = ToneContents(a), tonesB = ToneContents(b);
    const Pairing tonePairing = DiffKind(kToneKind, a, b, KeysOf(tonesA, wavesA, wavePairing, true),
                                         KeysOf(tonesB, wavesB, wavePairing, false), tones);

    const std::vector<Content> patchesA = PatchContents(a), patchesB = PatchContents(b);
    DiffKind(kPatchKind, a, b, KeysOf(patchesA, tonesA, tonePairing, true),
             KeysOf(patchesB, tonesB, tonePairing, false), patches);

    std::vector<ProjectDifference> differences = std::move(patches);
    differences.insert(differences.end(), tones.begin(), tones.end());
    differences.insert(differences.end(), waves.begin(), waves.end());
    return differences;
}

std::string DifferenceLine(const ProjectDifference& d) {
    std::string line = KindName(d.kind);
    line += " " + std::to_string((d.slotA >= 0 ? d.slotA : d.slotB) + 1);
    if (d.slotA >= 0 && d.slotB >= 0 && d.slotA != d.slotB)
        line += " -> " + std::to_string(d.slotB + 1);
    line += ": ";
    switch (d.change) {
    case DiffChange::OnlyInA:
        return line + "only in A " + Quoted(d.before);
    case DiffChange::OnlyInB:
        return line + "only in B " + Quoted(d.before);
    case DiffChange::Name:
        return line + "name " + Quoted(d.before) + " -> " + Quoted(d.after);
    case DiffChange::Memo:
        return line + "memo " + std::to_string(d.memo) + " " + Quoted(d.before) + " -> " +
               Quoted(d.after);
    case DiffChange::Record:
        return line + "record differs";
    case DiffChange::Content:
        return line + "content differs";
    case DiffChange::Moved:
        return line + "moved";
    }
    return line;
}

const char* ChangeName(DiffChange change) {
    switch (change) {
    case DiffChange::OnlyInA:
        return "only-in-a";
    case DiffChange::OnlyInB:
        return "only-in-b";
    case DiffChange::Name:
        return "name";
    case DiffChange::Memo:
        return "memo";
    case DiffChange::Record:
        return "record";
    case DiffChange::Content:
        return "content";
    case DiffChange::Moved:
        return "moved";
    }
    return "";
}

} // namespace Corv
