#include "model/data.h"

#include "model/codec.h"

#include <array>

namespace Corv {

void CPatchTone::ResetToDefaults() {
    m_params.assign(kPatchToneParameterCount, 0);
}

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

namespace {

// The reset values of the oscillator table in parameter order, gathered once: every default
// tone copies them sixteen times, and loading a project makes thousands of tones.
const std::array<std::uint8_t, kOscParameterCount>& OscResetValues() {
    static const std::array<std::uint8_t, kOscParameterCount> values = [] {
        std::array<std::uint8_t, kOscParameterCount> gathered{};
        const CodecTable table = OscCodecTable();
        for (std::size_t n = 0; n < gathered.size(); ++n)
            gathered[n] = table[n].resetValue;
        return gathered;
    }();
    return values;
}

} // namespace

void COsc::ResetToDefaults() {
    const auto& values = OscResetValues();
    m_params.assign(values.begin(), values.end());
}

bool COsc::SetWaveNumber(int side, int n) {
    if (WaveSource(side) != kUserWaveSource)
        return false;
    for (int d = 0; d < 4; ++d)
        SetP(FirstDigit(side) + d, static_cast<std::uint8_t>((n >> (12 - 4 * d)) & 0x0F));
    return true;
}

} // namespace Corv
