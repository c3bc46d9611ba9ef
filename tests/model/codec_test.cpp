#include "model/codec.h"
#include "model/data.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <random>
#include <set>
#include <vector>

namespace {

using namespace Corv;
using Bytes = std::vector<std::uint8_t>;

struct TableCase {
    const char* name;
    CodecTable table;
    std::size_t blockBytes;
};

const TableCase kTables[] = {{"patch tone", PatchToneCodecTable(), kPatchToneBlockBytes},
                             {"oscillator", OscCodecTable(), kOscBlockBytes}};

Bytes RandomBlock(std::mt19937& random, std::size_t n) {
    Bytes block(n);
    std::generate(block.begin(), block.end(), [&] { return static_cast<std::uint8_t>(random()); });
    return block;
}

Bytes Unpack(CodecTable table, const Bytes& block) {
    Bytes params(table.size());
    const int count = static_cast<int>(table.size());
    EXPECT_EQ(UnpackParameters(block.data(), table, params.data(), count), count);
    return params;
}

void Pack(CodecTable table, Bytes& block, const Bytes& params) {
    const int count = static_cast<int>(table.size());
    EXPECT_EQ(PackParameters(block.data(), table, params.data(), count), count);
}

// A block with the bits of every parameter set; fails when two parameters overlap.
Bytes FieldMask(const TableCase& t) {
    Bytes mask(t.blockBytes, 0);
    for (const auto& p : t.table) {
        EXPECT_EQ(ReadField(mask.data(), p.firstBit, p.width), 0u) << t.name << p.firstBit;
        WriteField(mask.data(), p.firstBit, p.width, 0xFFFFFFFF);
    }
    return mask;
}

// Parameters that are digits of a chain (packed as one whole field).
std::set<std::size_t> ChainDigits(CodecTable table) {
    std::set<std::size_t> digits;
    for (std::size_t n = 0; n < table.size(); ++n)
        for (std::size_t d = 0; table[n].chainDigits > 1 && d < table[n].chainDigits; ++d)
            digits.insert(n + d);
    return digits;
}

TEST(Codec, ReadsAndWritesFieldsAsOneBigEndianBitStream) {
    Bytes block(4, 0);
    WriteField(block.data(), 6, 7, 0x7F); // crosses the first byte boundary
    EXPECT_EQ(block, (Bytes{0x03, 0xF8, 0x00, 0x00}));
    WriteField(block.data(), 0, 32, 0xA1B2C3D4);
    WriteField(block.data(), 13, 3, 0);
    EXPECT_EQ(block, (Bytes{0xA1, 0xB0, 0xC3, 0xD4}));
    EXPECT_EQ(ReadField(block.data(), 4, 12), 0x1B0u);
}

// Every raw value of every field unpacks to raw + bias; packing into another block takes every
// parameter bit from the source and keeps every other bit of the target.
TEST(Codec, EveryValueOfEveryFieldRoundTripsAndOtherBitsStay) {
    std::mt19937 random(11);
    for (const TableCase& t : kTables) {
        SCOPED_TRACE(t.name);
        const Bytes mask = FieldMask(t);
        for (std::size_t n = 0; n < t.table.size(); ++n) {
            const auto& p = t.table[n];
            for (std::uint32_t raw = 0; raw < (1u << p.width); ++raw) {
                Bytes source = RandomBlock(random, t.blockBytes);
                WriteField(source.data(), p.firstBit, p.width, raw);
                const Bytes params = Unpack(t.table, source);
                ASSERT_EQ(params[n], raw + p.bias) << "P" << n;
                Bytes packed = RandomBlock(random, t.blockBytes), expected(t.blockBytes);
                for (std::size_t i = 0; i < t.blockBytes; ++i)
                    expected[i] =
                        static_cast<std::uint8_t>((source[i] & mask[i]) | (packed[i] & ~mask[i]));
                Pack(t.table, packed, params);
                ASSERT_EQ(packed, expected) << "P" << n << " raw " << raw;
            }
        }
    }
}

// A value below the bias or above the field writes the field's pack default.
TEST(Codec, ValuesThatDoNotFitWriteThePackDefault) {
    std::mt19937 random(13);
    for (const TableCase& t : kTables)
        for (const bool belowBias : {false, true}) {
            Bytes params(t.table.size()), block = RandomBlock(random, t.blockBytes);
            for (std::size_t n = 0; n < t.table.size(); ++n) {
                const auto& p = t.table[n];
                const unsigned above = std::min(255u, (1u << p.width) + p.bias);
                params[n] =
                    static_cast<std::uint8_t>(belowBias && p.bias > 0 ? p.bias - 1u : above);
            }
            Pack(t.table, block, params);
            const std::set<std::size_t> chains = ChainDigits(t.table);
            for (std::size_t n = 0; n < t.table.size(); ++n)
                if (!chains.count(n)) {
                    const auto& p = t.table[n];
                    EXPECT_EQ(ReadField(block.data(), p.firstBit, p.width), p.packDefault)
                        << t.name << " P" << n << (belowBias ? " below the bias" : "");
                }
        }
}

} // namespace
