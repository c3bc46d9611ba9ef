#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace Corv {

class CLumData;
class IFile;
class CPatch;
class CTone;

// What makes an entry the same sound wherever it lies: a 128-bit hash of its content. A wave's
// is the hash of its file's bytes; a tone's is the hash of its oscillator parameters with the
// wave numbers left out and the fingerprint of each referenced wave put in their place; a
// patch's likewise with its tone slots and the fingerprints of its tones. Names, memos, slot
// numbers and file names take no part, so a renamed, moved or copied entry keeps it.
struct Fingerprint {
    std::uint64_t high = 0;
    std::uint64_t low = 0;

    bool operator==(const Fingerprint&) const = default;
    auto operator<=>(const Fingerprint&) const = default;

    // 32 lower-case hexadecimal digits, the high half first.
    std::string Hex() const;
    // The inverse of Hex; nothing for any other text.
    static std::optional<Fingerprint> FromHex(std::string_view text);
};

// The fingerprint of bytes in memory.
Fingerprint HashBytes(const void* bytes, std::size_t size);

// The fingerprint of a file's bytes, read through the file-system seam in pieces (a wave file
// may be large); nothing when the file cannot be read.
std::optional<Fingerprint> FileFingerprint(const std::string& path);
// The same for a file open already, read from where it stands to its end.
std::optional<Fingerprint> FileFingerprint(IFile& file);

// A tone's parameters as its content: the unpacked bytes of its sixteen oscillators with the
// wave number of every side that refers to a project wave set to 0. The numbers taken out go
// to `numbers`, in oscillator and side order.
std::string MaskedToneParameters(const CTone& tone, std::vector<int>& numbers);
// The same appended to `masked`: a whole project's tones are masked into one buffer in turn.
void AppendMaskedToneParameters(std::string& masked, const CTone& tone, std::vector<int>& numbers);

// The same for a patch: both tone slots, the tone number of a slot that refers to a project
// tone set to 0, the numbers to `numbers` in slot order.
std::string MaskedPatchParameters(const CPatch& patch, std::vector<int>& numbers);
void AppendMaskedPatchParameters(std::string& masked, const CPatch& patch,
                                 std::vector<int>& numbers);

// The fingerprints of every slot of a loaded project, by kind and 0-based slot: nothing for an
// empty slot and for a wave whose file cannot be read. A reference to an empty slot, a number
// past the list or an unreadable wave counts as its own mark in the entry that holds it.
struct ProjectFingerprints {
    std::array<std::vector<std::optional<Fingerprint>>, 3> slots;

    const std::optional<Fingerprint>& Of(int kind, int slot) const {
        return slots[static_cast<std::size_t>(kind)][static_cast<std::size_t>(slot)];
    }
    // The slots of a kind the fingerprints cover.
    int Count(int kind) const {
        return static_cast<int>(slots[static_cast<std::size_t>(kind)].size());
    }
};
ProjectFingerprints FingerprintProject(const CLumData& data);
// The same with the waves' fingerprints given (by 0-based slot, as many as the project has wave
// slots), hashed as the load read the wave files.
ProjectFingerprints FingerprintProject(const CLumData& data,
                                       std::vector<std::optional<Fingerprint>> waves);

// The fingerprint of one tone (not empty) of a project, given the fingerprints of the project's
// waves by 0-based slot; the same as FingerprintProject gives it.
Fingerprint FingerprintTone(const CTone& tone,
                            const std::vector<std::optional<Fingerprint>>& waves);
// The same for a patch, given the fingerprints of the project's tones.
Fingerprint FingerprintPatch(const CPatch& patch,
                             const std::vector<std::optional<Fingerprint>>& tones);

} // namespace Corv
