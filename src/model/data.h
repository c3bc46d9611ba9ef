#pragma once

#include <cstdint>
#include <vector>

namespace Corv {

// A parameter block in its unpacked form: one byte per parameter.
class CData {
public:
    virtual ~CData() = default;
    virtual void ResetToDefaults() {}

    std::uint8_t P(int n) const { return m_params[static_cast<std::size_t>(n)]; }
    void SetP(int n, std::uint8_t value) { m_params[static_cast<std::size_t>(n)] = value; }
    std::vector<std::uint8_t>& Params() { return m_params; }
    const std::vector<std::uint8_t>& Params() const { return m_params; }

    bool operator==(const CData& other) const { return m_params == other.m_params; }

protected:
    std::vector<std::uint8_t> m_params;
};

// One of the two tone slots of a patch (56 parameters). Its tone reference points into the
// project's tones only when the bank code P1 is 87.
class CPatchTone : public CData {
public:
    static constexpr std::uint8_t kUserBank = 87;

    CPatchTone() { ResetToDefaults(); }
    void ResetToDefaults() override;

    std::uint8_t Switch() const { return P(0); }
    // 1-based project tone number, or 0 when the slot refers to no project tone.
    int ToneNumber() const;
    // Points the slot at project tone n (1 to 896).
    void SetToneNumber(int n);
    // Drops the project reference by clearing the bank code; the number parts stay.
    void ClearToneReference() { SetP(1, 0); }
};

// One oscillator block of a tone (121 parameters); each of its two sides may refer to a
// project wave when its wave source is 1.
class COsc : public CData {
public:
    static constexpr std::uint8_t kUserWaveSource = 1;

    COsc() { ResetToDefaults(); }
    void ResetToDefaults() override;

    std::uint8_t WaveSource(int side) const { return P(side == 0 ? 18 : 70); }
    // 1-based project wave number of a side, or 0 when the side refers to no project wave.
    // Inline: the list edits read every side of every tone several times.
    int WaveNumber(int side) const {
        if (WaveSource(side) != kUserWaveSource)
            return 0;
        int value = 0;
        for (int d = 0; d < 4; ++d)
            value = value * 16 + (P(FirstDigit(side) + d) & 0x0F);
        return value;
    }
    // Writes the wave number's four digits; false and nothing written unless the side's wave
    // source is 1.
    bool SetWaveNumber(int side, int n);

    // The first of the four parameters that hold a side's wave number, one hex digit each.
    static constexpr int FirstDigit(int side) { return side == 0 ? 40 : 92; }
};

} // namespace Corv
