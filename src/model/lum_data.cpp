#include "model/lum_data.h"

#include "model/file_system.h"
#include "model/side_by_side.h"

#include <numeric>

namespace Corv {

int SlotCount(int kind) {
    switch (kind) {
    case kPatchKind:
        return kPatchSlots;
    case kToneKind:
        return kToneSlots;
    default:
        return kWaveSlots;
    }
}

CLumData::CLumData() {
    m_patches.Resize(kPatchSlots);
    m_tones.Resize(kToneSlots);
    m_waves.Resize(kWaveSlots);
    for (int kind = 0; kind < 3; ++kind)
        m_slotPaths[kind].assign(static_cast<std::size_t>(SlotCount(kind)), std::string());
}

CLumData::~CLumData() = default;

CParameterArray& CLumData::Records(int kind) {
    return kind == kPatchKind  ? static_cast<CParameterArray&>(m_patches)
           : kind == kToneKind ? static_cast<CParameterArray&>(m_tones)
                               : static_cast<CParameterArray&>(m_waves);
}

const CParameterArray& CLumData::Records(int kind) const {
    return const_cast<CLumData*>(this)->Records(kind);
}

int CLumData::CountEmpty(int kind) const {
    const CParameterArray& records = Records(kind);
    int count = 0;
    for (std::size_t i = 0; i < records.Size(); ++i)
        count += records.Item(i).IsEmpty() ? 1 : 0;
    return count;
}

std::vector<int> CLumData::EmptySlots(int kind) const {
    const CParameterArray& records = Records(kind);
    std::vector<int> slots;
    for (std::size_t i = 0; i < records.Size(); ++i)
        if (records.Item(i).IsEmpty())
            slots.push_back(static_cast<int>(i));
    return slots;
}

bool CLumData::AnyUsedIn(int kind, int first, int count) const {
    const CParameterArray& records = Records(kind);
    for (int i = first; i < first + count; ++i)
        if (i >= 0 && static_cast<std::size_t>(i) < records.Size() &&
            !records.Item(static_cast<std::size_t>(i)).IsEmpty())
            return true;
    return false;
}

int CLumData::UsedExtent(int kind) const {
    const CParameterArray& records = Records(kind);
    for (std::size_t i = records.Size(); i-- > 0;)
        if (!records.Item(i).IsEmpty())
            return static_cast<int>(i) + 1;
    return 0;
}

bool CLumData::RangeFits(int kind, int first, int count) const {
    const int size = static_cast<int>(Records(kind).Size());
    return first >= 0 && first < size && count >= 0 && first + count <= size;
}

std::uint32_t FileBytes(const std::string& osPath) {
    const std::int64_t size = FileSystem().ReadableFileSize(osPath);
    // A size beyond 32 bits reads as the largest one, never as its low bits: a huge file must
    // not pass the wave size check as a small one.
    if (size <= 0)
        return 0;
    return size > std::int64_t{UINT32_MAX} ? UINT32_MAX : static_cast<std::uint32_t>(size);
}

std::uint64_t SumFileBytes(const std::vector<std::string>& osPaths) {
    // Each size is read into a place of its own, so the reads may run side by side.
    std::vector<std::uint32_t> sizes(osPaths.size());
    RunSideBySide(osPaths.size(), [&](std::size_t i) {
        sizes[i] = FileBytes(osPaths[i]);
        return true;
    });
    return std::accumulate(sizes.begin(), sizes.end(), std::uint64_t{0});
}

std::uint32_t CLumData::WaveBytesTotal() const {
    std::vector<std::string> paths;
    for (std::size_t i = 0; i < m_waves.Size(); ++i)
        if (!m_waves[i].IsEmpty())
            paths.push_back(m_waves[i].FilePath());
    // Summed wide and capped, so that it cannot wrap around.
    const std::uint64_t total = SumFileBytes(paths);
    return total > UINT32_MAX ? UINT32_MAX : static_cast<std::uint32_t>(total);
}

void CLumData::RebuildToneUsers() {
    for (std::size_t t = 0; t < m_tones.Size(); ++t)
        m_tones[t].Users().clear();
    for (std::size_t p = 0; p < m_patches.Size(); ++p)
        for (const int tone : m_patches[p].ToneNumbers())
            if (tone >= 1 && static_cast<std::size_t>(tone) <= m_tones.Size())
                m_tones[static_cast<std::size_t>(tone - 1)].AddUser(static_cast<std::int32_t>(p));
}

void CLumData::RebuildWaveUsers() {
    for (std::size_t w = 0; w < m_waves.Size(); ++w)
        m_waves[w].Users().clear();
    for (std::size_t t = 0; t < m_tones.Size(); ++t)
        for (const int wave : m_tones[t].WaveNumbers())
            if (wave >= 1 && static_cast<std::size_t>(wave) <= m_waves.Size())
                m_waves[static_cast<std::size_t>(wave - 1)].AddUser(static_cast<std::int32_t>(t));
}

} // namespace Corv
