#include "model/codec.h"

namespace Corv {

namespace {

// The bytes that hold a field: at most five, for a 32-bit field that does not start on a byte
// boundary.
struct FieldBytes {
    unsigned firstByte;
    unsigned byteCount;
};

FieldBytes LocateField(unsigned firstBit, unsigned width) {
    const unsigned lastBit = firstBit + width - 1;
    return {firstBit / 8, lastBit / 8 - firstBit / 8 + 1};
}

std::uint64_t Mask(unsigned width) { return (std::uint64_t{1} << width) - 1; }

// A chain must consist of contiguous 4-bit digits that together form at most 32 bits.
bool ChainIsWellFormed(CodecTable table, std::size_t first, int count) {
    const unsigned digits = table[first].chainDigits;
    if (digits * 4 > 32 || first + digits > static_cast<std::size_t>(count))
        return false;
    for (unsigned d = 0; d < digits; ++d) {
        const ParameterDescriptor& p = table[first + d];
        if (p.width != 4 || p.firstBit != table[first].firstBit + 4 * d)
            return false;
    }
    return true;
}

} // namespace

std::uint32_t ReadField(const std::uint8_t* block, unsigned firstBit, unsigned width) {
    const FieldBytes f = LocateField(firstBit, width);
    std::uint64_t value = 0;
    for (unsigned i = 0; i < f.byteCount; ++i)
        value = (value << 8) | block[f.firstByte + i];
    const unsigned lastBit = firstBit + width - 1;
    value >>= 7 - lastBit % 8;
    return static_cast<std::uint32_t>(value & Mask(width));
}

void WriteField(std::uint8_t* block, unsigned firstBit, unsigned width, std::uint32_t value) {
    const FieldBytes f = LocateField(firstBit, width);
    std::uint64_t assembled = 0;
    for (unsigned i = 0; i < f.byteCount; ++i)
        assembled = (assembled << 8) | block[f.firstByte + i];
    const unsigned lastBit = firstBit + width - 1;
    const unsigned shift = 7 - lastBit % 8;
    assembled &= ~(Mask(width) << shift);
    assembled |= (std::uint64_t{value} & Mask(width)) << shift;
    for (unsigned i = f.byteCount; i-- > 0;) {
        block[f.firstByte + i] = static_cast<std::uint8_t>(assembled & 0xFF);
        assembled >>= 8;
    }
}

int UnpackParameters(const std::uint8_t* block, CodecTable table, std::uint8_t* out, int count) {
    for (int i = 0; i < count; ++i) {
        const ParameterDescriptor& p = table[static_cast<std::size_t>(i)];
        if (p.chainDigits > 1 && !ChainIsWellFormed(table, static_cast<std::size_t>(i), count))
            return -1;
        out[i] = static_cast<std::uint8_t>(ReadField(block, p.firstBit, p.width) + p.bias);
    }
    return count;
}

int PackParameters(std::uint8_t* block, CodecTable table, const std::uint8_t* in, int count) {
    int i = 0;
    while (i < count) {
        const ParameterDescriptor& p = table[static_cast<std::size_t>(i)];
        if (p.chainDigits > 1) {
            if (!ChainIsWellFormed(table, static_cast<std::size_t>(i), count))
                return i;
            std::uint32_t value = 0;
            bool fits = true;
            for (unsigned d = 0; d < p.chainDigits; ++d) {
                const std::uint8_t digit = in[i + static_cast<int>(d)];
                fits = fits && digit <= 15;
                value = (value << 4) | (digit & 0x0Fu);
            }
            WriteField(block, p.firstBit, 4u * p.chainDigits, fits ? value : p.packDefault);
            i += p.chainDigits;
            continue;
        }
        const int v = int{in[i]} - int{p.bias};
        const bool fits = v >= 0 && static_cast<std::uint64_t>(v) <= Mask(p.width);
        WriteField(block, p.firstBit, p.width, fits ? static_cast<std::uint32_t>(v) : p.packDefault);
        ++i;
    }
    return count;
}

} // namespace Corv
