#include "model/codec.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>

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

std::uint64_t Mask(unsigned width) {
    return (std::uint64_t{1} << width) - 1;
}

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

namespace {

// What the first pass over a codec table finds: whether its chains are well formed, how many
// bytes of a block its fields cover, and whether every field can be read through a window.
struct TableShape {
    const ParameterDescriptor* table = nullptr;
    int count = 0;
    bool chainsOk = true;
    bool windowed = true;
    std::size_t blockBytes = 0;
};

TableShape MeasureTable(CodecTable table, int count) {
    TableShape shape{table.data(), count};
    for (int i = 0; i < count; ++i) {
        const ParameterDescriptor& p = table[static_cast<std::size_t>(i)];
        if (p.chainDigits > 1 && !ChainIsWellFormed(table, static_cast<std::size_t>(i), count))
            shape.chainsOk = false;
        shape.blockBytes = std::max<std::size_t>(shape.blockBytes, (p.firstBit + p.width + 7u) / 8);
        shape.windowed = shape.windowed && p.width >= 1 && p.width <= 32;
    }
    return shape;
}

// The shape of a table: measured once for the program's two constant tables, on every call
// for any other table (a table built by a caller may change between calls).
TableShape ShapeOf(CodecTable table, int count) {
    static const TableShape osc = MeasureTable(OscCodecTable(), kOscParameterCount);
    static const TableShape patchTone =
        MeasureTable(PatchToneCodecTable(), kPatchToneParameterCount);
    for (const TableShape* known : {&osc, &patchTone})
        if (known->table == table.data() && known->count == count)
            return *known;
    return MeasureTable(table, count);
}

} // namespace

int UnpackParameters(const std::uint8_t* block, CodecTable table, std::uint8_t* out, int count) {
    const TableShape shape = ShapeOf(table, count);
    if (!shape.chainsOk)
        return -1;
    const std::size_t blockBytes = shape.blockBytes;
    const bool windowed = shape.windowed;
    // Every field is then read through a 64-bit big-endian window: straight from the block
    // where eight bytes from the field's first byte lie inside it, else from a copy of the
    // block's last bytes with zeros behind them. A load unpacks some 1.7 million fields; this
    // keeps each to a load and two shifts.
    if (!windowed || blockBytes < sizeof(std::uint64_t)) {
        for (int i = 0; i < count; ++i) {
            const ParameterDescriptor& p = table[static_cast<std::size_t>(i)];
            out[i] = static_cast<std::uint8_t>(ReadField(block, p.firstBit, p.width) + p.bias);
        }
        return count;
    }
    const std::size_t tailStart = blockBytes - sizeof(std::uint64_t);
    std::array<std::uint8_t, 2 * sizeof(std::uint64_t)> tail{};
    std::memcpy(tail.data(), block + tailStart, sizeof(std::uint64_t));
    for (int i = 0; i < count; ++i) {
        const ParameterDescriptor& p = table[static_cast<std::size_t>(i)];
        const std::size_t first = p.firstBit / 8u;
        const std::uint8_t* at =
            first <= tailStart ? block + first : tail.data() + (first - tailStart);
        std::uint64_t window = 0;
        std::memcpy(&window, at, sizeof window);
        if constexpr (std::endian::native == std::endian::little)
            window = __builtin_bswap64(window);
        const std::uint64_t value = (window << (p.firstBit % 8u)) >> (64u - p.width);
        out[i] = static_cast<std::uint8_t>(value + p.bias);
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
        WriteField(block, p.firstBit, p.width,
                   fits ? static_cast<std::uint32_t>(v) : p.packDefault);
        ++i;
    }
    return count;
}

} // namespace Corv
