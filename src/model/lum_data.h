#pragma once

#include "model/parameter_array.h"

#include <cstdint>
#include <string>
#include <vector>

namespace Corv {

inline constexpr int kPatchSlots = 512;
inline constexpr int kToneSlots = 896;
inline constexpr int kWaveSlots = 999;
// The largest allowed total size of a project's wave files: 65,535 x 1,024 bytes.
inline constexpr std::uint64_t kWaveBytesLimit = 67107840;

// Slot count of a kind.
int SlotCount(int kind);

// Whether a number stored in a reference names a tone or wave slot. Files can hold numbers
// beyond the last slot; nothing ever follows them.
constexpr bool IsToneNumber(int number) {
    return number >= 1 && number <= kToneSlots;
}
constexpr bool IsWaveNumber(int number) {
    return number >= 1 && number <= kWaveSlots;
}

// The in-memory root of one open project: 512 patch, 896 tone and 999 wave slots, the file
// that represents each slot on disk, and the project folder.
class CLumData {
public:
    CLumData();
    virtual ~CLumData();
    CLumData(const CLumData&) = delete;
    CLumData& operator=(const CLumData&) = delete;

    CPatchArray& Patches() { return m_patches; }
    const CPatchArray& Patches() const { return m_patches; }
    CToneArray& Tones() { return m_tones; }
    const CToneArray& Tones() const { return m_tones; }
    CWaveArray& Waves() { return m_waves; }
    const CWaveArray& Waves() const { return m_waves; }
    CParameterArray& Records(int kind);
    const CParameterArray& Records(int kind) const;

    std::vector<std::string>& SlotPaths(int kind) { return m_slotPaths[kind]; }
    const std::vector<std::string>& SlotPaths(int kind) const { return m_slotPaths[kind]; }

    std::string ProjectFolder() const { return m_projectFolder; }
    void SetProjectFolder(std::string folder) { m_projectFolder = std::move(folder); }

    int CountEmpty(int kind) const;
    std::vector<int> EmptySlots(int kind) const;
    bool AnyUsedIn(int kind, int first, int count) const;
    // 1 + index of the last used slot, 0 when all are empty.
    int UsedExtent(int kind) const;
    bool RangeFits(int kind, int first, int count) const;
    // Sum of the sizes of the wave files; a file that cannot be opened counts 0.
    std::uint32_t WaveBytesTotal() const;

    // Rebuilds every tone's patch-user list from the patches' references, patches in index
    // order; references beyond the tone array are not followed.
    void RebuildToneUsers();
    // Rebuilds every wave's tone-user list from the tones' references, tones in index order;
    // references beyond the wave array are not followed.
    void RebuildWaveUsers();

private:
    CPatchArray m_patches;
    CToneArray m_tones;
    CWaveArray m_waves;
    std::vector<std::string> m_slotPaths[3];
    std::string m_projectFolder;
};

// The size in bytes of a file, or 0 when it cannot be opened or sized.
std::uint32_t FileBytes(const std::string& osPath);
// The sum of `FileBytes` of every path, the sizes read side by side where the file system
// allows it.
std::uint64_t SumFileBytes(const std::vector<std::string>& osPaths);

} // namespace Corv
