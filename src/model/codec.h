#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace Corv {

// Where one parameter lies in a packed block and how it is converted. A digit chain is a run
// of 4-bit parameters that together form one wider field: its first digit carries the number
// of digits in `chainDigits` and the pack default of the whole field; the other digits of the
// chain carry 0 there.
struct ParameterDescriptor {
    std::uint16_t firstBit;
    std::uint8_t width;
    std::uint8_t bias;
    std::uint32_t packDefault;
    std::uint8_t resetValue;
    std::uint8_t chainDigits;
};

using CodecTable = std::span<const ParameterDescriptor>;

// The 56 parameters of one 16-byte patch tone slot.
CodecTable PatchToneCodecTable();
// The 121 parameters of one 78-byte oscillator block.
CodecTable OscCodecTable();

inline constexpr std::size_t kPatchToneBlockBytes = 16;
inline constexpr std::size_t kOscBlockBytes = 78;
inline constexpr int kPatchToneParameterCount = 56;
inline constexpr int kOscParameterCount = 121;

// Reads the raw value of a field of `width` bits (at most 32) starting at `firstBit` of a block
// read as one big-endian bit stream.
std::uint32_t ReadField(const std::uint8_t* block, unsigned firstBit, unsigned width);
// Replaces the bits of a field, keeping every other bit of the block.
void WriteField(std::uint8_t* block, unsigned firstBit, unsigned width, std::uint32_t value);

// Unpacks `count` parameters in table order into one byte each. Returns count, or -1 when a
// digit chain of the table is malformed.
int UnpackParameters(const std::uint8_t* block, CodecTable table, std::uint8_t* out, int count);
// Packs `count` parameter bytes into the block in place; bits outside the fields stay. Returns
// the number of parameters written (fewer than count when a digit chain is malformed).
int PackParameters(std::uint8_t* block, CodecTable table, const std::uint8_t* in, int count);

} // namespace Corv
