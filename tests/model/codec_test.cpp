#include "model/codec.h"
#include "model/data.h"

#include <algorithm>
#include <array>
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

TEST(Codec, FieldsNeverOverlapAndLeaveOnlyTheUnusedBits) {
    using Runs = std::vector<std::pair<unsigned, unsigned>>; // first bit, bit count
    const Runs unused[] = {{{122, 6}}, {{245, 3}, {505, 7}, {615, 9}}};
    for (std::size_t t = 0; t < 2; ++t) {
        Bytes expected(kTables[t].blockBytes, 0xFF);
        for (const auto& [first, count] : unused[t])
            WriteField(expected.data(), first, count, 0);
        EXPECT_EQ(FieldMask(kTables[t]), expected) << kTables[t].name;
    }
}

// A new oscillator holds the reset values; they differ from the pack defaults (in memory form,
// with the bias) for exactly seven parameters. Digit chains have a whole-field default.
TEST(Codec, ResetValuesDifferFromThePackDefaultsForExactlySevenOscParameters) {
    const CodecTable osc = OscCodecTable();
    const std::set<std::size_t> chains = ChainDigits(osc);
    const COsc fresh;
    std::set<int> differ;
    for (std::size_t n = 0; n < osc.size(); ++n)
        if (!chains.count(n) && osc[n].packDefault + osc[n].bias != fresh.Params().at(n))
            differ.insert(static_cast<int>(n));
    EXPECT_EQ(differ, (std::set<int>{1, 6, 17, 64, 66, 116, 118}));
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
            const Bytes back = Unpack(t.table, block);
            const std::set<std::size_t> chains = ChainDigits(t.table);
            std::vector<unsigned> unpacked, defaults;
            for (std::size_t n = 0; n < t.table.size(); ++n)
                if (!chains.count(n)) {
                    unpacked.push_back(back[n]);
                    defaults.push_back(t.table[n].packDefault + t.table[n].bias);
                }
            EXPECT_EQ(unpacked, defaults)
                << t.name << (belowBias ? " below the bias" : " too large");
        }
}

// One digit above 15 anywhere in a chain writes the chain's pack default over the whole field.
TEST(Codec, DigitChainWithADigitAbove15WritesTheChainDefault) {
    const CodecTable osc = OscCodecTable();
    for (const auto [first, digits] : {std::array{40u, 4u}, {44u, 8u}, {92u, 4u}, {96u, 8u}}) {
        const auto& head = osc[first];
        ASSERT_EQ(head.chainDigits, digits);
        for (unsigned bad = 0; bad < digits; ++bad) {
            Bytes block(kOscBlockBytes, 0xFF);
            Bytes params = Unpack(osc, block);
            params[first + bad] = 16;
            Pack(osc, block, params);
            EXPECT_EQ(ReadField(block.data(), head.firstBit, 4 * digits), head.packDefault)
                << "P" << first << " digit " << bad;
        }
    }
}

TEST(Codec, MalformedChainIsRefused) {
    const auto nibbles = [](std::size_t n) { // n adjacent 4-bit fields from bit 0 on
        std::vector<ParameterDescriptor> table(n, {0, 4, 0, 0, 0, 0});
        for (std::size_t i = 0; i < n; ++i)
            table[i].firstBit = static_cast<std::uint16_t>(4 * i);
        return table;
    };
    auto tooWide = nibbles(10), gap = nibbles(2), cut = nibbles(3);
    tooWide[1].chainDigits = 9; // a plain field, then a chain of more than 32 bits
    gap[0].chainDigits = 2;     // a chain whose second digit lies elsewhere
    gap[1].firstBit = 8;
    cut[0].chainDigits = 4; // a chain cut short by the count
    for (const auto& [table, packed] : {std::pair{tooWide, 1}, {gap, 0}, {cut, 0}}) {
        Bytes block(8, 0x11), params(10, 3);
        const int count = static_cast<int>(table.size());
        EXPECT_EQ(UnpackParameters(block.data(), table, params.data(), count), -1);
        EXPECT_EQ(PackParameters(block.data(), table, params.data(), count), packed);
    }
}

} // namespace

// Tables a caller builds are read as they are at each call, whatever the block's length: the
// fields near a block's end never read past it (the sanitizer build checks), and a table
// changed in place between two calls unpacks by its new fields.
TEST(Codec, CallerTablesAreReadAsTheyAreAtEachCall) {
    const struct {
        Bytes block;
        std::vector<std::pair<unsigned, unsigned>> before, after; // first bit, width
        Bytes expectedBefore, expectedAfter;
    } cases[] = {
        {{0xAB, 0xCD},
         {{0, 4}, {4, 4}, {8, 8}},
         {{0, 8}, {8, 4}, {12, 4}},
         {0xA, 0xB, 0xCD},
         {0xAB, 0xC, 0xD}},
        {{0, 1, 2, 3, 4, 5, 6, 7, 8, 0x9A, 0xBC},
         {{0, 8}, {76, 4}, {80, 8}},
         {{72, 8}, {84, 4}, {86, 2}},
         {0, 0xA, 0xBC},
         {0x9A, 0xC, 0x0}},
    };
    for (const auto& c : cases) {
        std::vector<ParameterDescriptor> table;
        for (const auto& [first, width] : c.before)
            table.push_back(
                {static_cast<std::uint16_t>(first), static_cast<std::uint8_t>(width), 0, 0, 0, 0});
        Bytes params(table.size());
        const int count = static_cast<int>(table.size());
        ASSERT_EQ(UnpackParameters(c.block.data(), table, params.data(), count), count);
        EXPECT_EQ(params, c.expectedBefore);
        for (std::size_t i = 0; i < table.size(); ++i) {
            table[i].firstBit = static_cast<std::uint16_t>(c.after[i].first);
            table[i].width = static_cast<std::uint8_t>(c.after[i].second);
        }
        ASSERT_EQ(UnpackParameters(c.block.data(), table, params.data(), count), count);
        EXPECT_EQ(params, c.expectedAfter);
    }
}
