#include "model/data.h"

#include "model/codec.h"

namespace Corv {

void CPatchTone::ResetToDefaults() { m_params.assign(kPatchToneParameterCount, 0); }

int CPatchTone::ToneNumber() const {
    if (P(1) != kUserBank)
        return 0;
    return P(2) * 128 + P(3) + 1;
}

void CPatchTone::SetToneNumber(int n) {
    SetP(1, kUserBank);
    SetP(2, static_cast<std::uint8_t>((n - 1) / 128));
    SetP(3, static_cast<std::uint8_t>((n - 1) % 128));
}

void COsc::ResetToDefaults() {
    const CodecTable table = OscCodecTable();
    m_params.resize(kOscParameterCount);
    for (int n = 0; n < kOscParameterCount; ++n)
        m_params[static_cast<std::size_t>(n)] = table[static_cast<std::size_t>(n)].resetValue;
}

namespace {
int FirstDigit(int side) { return side == 0 ? 40 : 92; }
} // namespace

int COsc::WaveNumber(int side) const {
    if (WaveSource(side) != kUserWaveSource)
        return 0;
    int value = 0;
    for (int d = 0; d < 4; ++d)
        value = value * 16 + (P(FirstDigit(side) + d) & 0x0F);
    return value;
}

bool COsc::SetWaveNumber(int side, int n) {
    if (WaveSource(side) != kUserWaveSource)
        return false;
    for (int d = 0; d < 4; ++d)
        SetP(FirstDigit(side) + d, static_cast<std::uint8_t>((n >> (12 - 4 * d)) & 0x0F));
    return true;
}

} // namespace Corv
