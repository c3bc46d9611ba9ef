#include "edit/fingerprint.h"

#include "model/file_system.h"
#include "model/lum_data.h"

#include <memory>
#include <xxhash.h>

namespace Corv {

namespace {

Fingerprint FromHash(const XXH128_hash_t& hash) {
    return Fingerprint{hash.high64, hash.low64};
}

// What stands for a referenced entry in the content of the one that refers to it: its
// fingerprint, or a mark for a reference to nothing readable. Each is tagged so that no
// fingerprint can pass for a mark.
void AppendReference(std::string& content, const std::vector<std::optional<Fingerprint>>& targets,
                     int number) {
    const std::size_t index = static_cast<std::size_t>(number - 1);
    if (number < 1 || index >= targets.size() || !targets[index]) {
        content += 'e';
        return;
    }
    content += 'f';
    for (const std::uint64_t half : {targets[index]->high, targets[index]->low})
        for (int shift = 56; shift >= 0; shift -= 8)
            content += static_cast<char>((half >> shift) & 0xFF);
}

// Hashes one record from its masked parameters and the fingerprints of what it refers to, in
// buffers the caller keeps. The kind goes into the hash: a patch and a tone never share a
// fingerprint.
template <typename Record, typename Mask>
Fingerprint FingerprintReferrer(const Record& record, int kind,
                                const std::vector<std::optional<Fingerprint>>& targets, Mask mask,
                                std::string& content, std::vector<int>& numbers) {
    numbers.clear();
    content.assign(1, static_cast<char>('0' + kind));
    mask(content, record, numbers);
    for (const int number : numbers)
        AppendReference(content, targets, number);
    return HashBytes(content.data(), content.size());
}

template <typename Record, typename Mask>
std::vector<std::optional<Fingerprint>>
FingerprintReferrers(const CConcreteParameterArray<Record>& records, int kind,
                     const std::vector<std::optional<Fingerprint>>& targets, Mask mask) {
    std::vector<std::optional<Fingerprint>> prints(records.Size());
    std::vector<int> numbers;
    std::string content; // one buffer for every record
    for (std::size_t i = 0; i < records.Size(); ++i)
        if (!records[i].IsEmpty())
            prints[i] = FingerprintReferrer(records[i], kind, targets, mask, content, numbers);
    return prints;
}

} // namespace

std::string Fingerprint::Hex() const {
    static const char kDigits[] = "0123456789abcdef";
    std::string text(32, '0');
    std::size_t at = 0;
    for (const std::uint64_t half : {high, low})
        for (int shift = 60; shift >= 0; shift -= 4)
            text[at++] = kDigits[(half >> shift) & 0xF];
    return text;
}

std::optional<Fingerprint> Fingerprint::FromHex(std::string_view text) {
    if (text.size() != 32)
        return std::nullopt;
    Fingerprint print;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        const int digit = c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
        if (digit < 0)
            return std::nullopt;
        std::uint64_t& half = i < 16 ? print.high : print.low;
        half = (half << 4) | static_cast<std::uint64_t>(digit);
    }
    return print;
}

Fingerprint HashBytes(const void* bytes, std::size_t size) {
    return FromHash(XXH3_128bits(bytes, size));
}

std::optional<Fingerprint> FileFingerprint(const std::string& path) {
    std::unique_ptr<IFile> file = FileSystem().Open(path, OpenMode::Read);
    if (!file)
        return std::nullopt;
    return FileFingerprint(*file);
}

std::optional<Fingerprint> FileFingerprint(IFile& file) {
    std::unique_ptr<XXH3_state_t, decltype(&XXH3_freeState)> state(XXH3_createState(),
                                                                   &XXH3_freeState);
    if (!state || XXH3_128bits_reset(state.get()) != XXH_OK)
        return std::nullopt;
    // Not cleared first: only what a read filled is hashed. One buffer per thread, not one per
    // file, as a project's waves are hashed by the thousand.
    constexpr std::size_t kChunk = std::size_t{1} << 16;
    thread_local const std::unique_ptr<unsigned char[]> buffer =
        std::make_unique_for_overwrite<unsigned char[]>(kChunk);
    for (;;) {
        const std::int64_t n = file.Read(buffer.get(), kChunk);
        if (n < 0)
            return std::nullopt;
        if (n == 0)
            break;
        XXH3_128bits_update(state.get(), buffer.get(), static_cast<std::size_t>(n));
    }
    return FromHash(XXH3_128bits_digest(state.get()));
}

void AppendMaskedToneParameters(std::string& masked, const CTone& tone, std::vector<int>& numbers) {
    // The parameters are appended as they are and the wave numbers cleared in the copy: no
    // oscillator is copied (a project has thousands of them).
    for (int o = 0; o < CTone::kOscCount; ++o) {
        const COsc& osc = tone.Osc(o);
        const std::size_t at = masked.size();
        masked.append(reinterpret_cast<const char*>(osc.Params().data()), osc.Params().size());
        for (int side = 0; side < 2; ++side)
            if (osc.WaveSource(side) == COsc::kUserWaveSource) {
                numbers.push_back(osc.WaveNumber(side));
                for (int d = 0; d < 4; ++d)
                    masked[at + static_cast<std::size_t>(COsc::FirstDigit(side) + d)] = '\0';
            }
    }
}

std::string MaskedToneParameters(const CTone& tone, std::vector<int>& numbers) {
    std::string masked;
    AppendMaskedToneParameters(masked, tone, numbers);
    return masked;
}

void AppendMaskedPatchParameters(std::string& masked, const CPatch& patch,
                                 std::vector<int>& numbers) {
    for (int s = 0; s < 2; ++s) {
        const CPatchTone& slot = patch.Slot(s);
        const std::size_t at = masked.size();
        masked.append(reinterpret_cast<const char*>(slot.Params().data()), slot.Params().size());
        if (slot.P(1) == CPatchTone::kUserBank) {
            numbers.push_back(slot.ToneNumber());
            masked[at + 2] = masked[at + 3] = '\0';
        }
    }
}

std::string MaskedPatchParameters(const CPatch& patch, std::vector<int>& numbers) {
    std::string masked;
    AppendMaskedPatchParameters(masked, patch, numbers);
    return masked;
}

ProjectFingerprints FingerprintProject(const CLumData& data) {
    std::vector<std::optional<Fingerprint>> waves(data.Waves().Size());
    for (std::size_t i = 0; i < waves.size(); ++i)
        if (!data.Waves()[i].IsEmpty())
            waves[i] = FileFingerprint(data.Waves()[i].FilePath());
    return FingerprintProject(data, std::move(waves));
}

ProjectFingerprints FingerprintProject(const CLumData& data,
                                       std::vector<std::optional<Fingerprint>> waves) {
    ProjectFingerprints prints;
    waves.resize(data.Waves().Size());
    for (std::size_t i = 0; i < waves.size(); ++i)
        if (data.Waves()[i].IsEmpty())
            waves[i].reset(); // an empty slot has no fingerprint whatever was given
    prints.slots[kWaveKind] = std::move(waves);
    prints.slots[kToneKind] = FingerprintReferrers(data.Tones(), kToneKind, prints.slots[kWaveKind],
                                                   AppendMaskedToneParameters);
    prints.slots[kPatchKind] = FingerprintReferrers(
        data.Patches(), kPatchKind, prints.slots[kToneKind], AppendMaskedPatchParameters);
    return prints;
}

Fingerprint FingerprintTone(const CTone& tone,
                            const std::vector<std::optional<Fingerprint>>& waves) {
    std::string content;
    std::vector<int> numbers;
    return FingerprintReferrer(tone, kToneKind, waves, AppendMaskedToneParameters, content,
                               numbers);
}

Fingerprint FingerprintPatch(const CPatch& patch,
                             const std::vector<std::optional<Fingerprint>>& tones) {
    std::string content;
    std::vector<int> numbers;
    return FingerprintReferrer(patch, kPatchKind, tones, AppendMaskedPatchParameters, content,
                               numbers);
}

} // namespace Corv
